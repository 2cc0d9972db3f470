#pragma once

// The point under the cursor told in full: which record a picked position
// belongs to, and every channel the survey has for it. Plain logic, no GL.

#include <cstdint>
#include <optional>
#include <string>

namespace oxv {

class PointImage;

// The record whose position lies nearest `point` (metres, the local frame),
// when one lies within `within` metres; none in an empty survey. One pass
// over the records: some tens of milliseconds on ten million.
std::optional<int32_t> NearestRecord(const PointImage& image, const double point[3], double within);

// Every channel of record `record`, " | " between them: "record N" (its
// index in the file, from 0), "x X y Y z Z m", and as the survey has them
// "colour R G B", "amplitude A", "time T s" (seconds of the time stamp) and
// "range R m" (metres from the measurement origin). Empty for a record
// outside the survey.
std::string PointReadout(const PointImage& image, int32_t record);

}  // namespace oxv
