#pragma once

#include "survey/PointFile.h"
#include "base/NumericConversion.h"
#include "survey/SurveyTypes.h"

namespace oxv {

// The document's six value ranges, in the order the view reads them.
struct SurveyStatistics {
    ValueRange range;      // millimetres
    ValueRange amplitude;  // 0 to 255
    ValueRange x;          // millimetres
    ValueRange y;
    ValueRange z;
    ValueRange time;  // milliseconds
};

// Range of a point: distance from xyz to origin, whole millimetres.
int32_t PointRangeMm(const int32_t* xyz, const int32_t* origin);

// Time stamp (1/400 s) as whole milliseconds.
inline int32_t TimeStampToMs(double t) { return TruncToInt32(t * 1000.0 / 400.0); }

// One pass over all records. With `progress`, a pass it stops returns
// false and leaves `out` partly filled.
SurveyStatistics ComputeStatistics(const PointImage& image);
[[nodiscard]] bool ComputeStatistics(const PointImage& image, SurveyStatistics& out, const StageProgress& progress);

}  // namespace oxv
