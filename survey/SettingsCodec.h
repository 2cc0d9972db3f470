#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "survey/SurveyTypes.h"

namespace oxv {

inline constexpr size_t kTimelineRecordBytes = 40;
inline constexpr size_t kPlaybackParamsBytes = 48;

// Binary settings values are text of two letters per byte, low nibble first,
// each nibble as 'A' + value.
std::string EncodeBinaryValue(const uint8_t* bytes, size_t size);
std::vector<uint8_t> DecodeBinaryValue(std::string_view letters);

// The stored forms; the slots that hold pointers in memory are written as
// zeros and ignored on reading.
std::array<uint8_t, kTimelineRecordBytes> EncodeTimelineRecord(const TimelineRecord& record);
TimelineRecord DecodeTimelineRecord(const uint8_t* bytes);
std::array<uint8_t, kPlaybackParamsBytes> EncodePlaybackParams(const PlaybackParams& params);
// The folder is not part of the binary form: the result has none.
PlaybackParams DecodePlaybackParams(const uint8_t* bytes);

}  // namespace oxv
