#include "survey/Statistics.h"

#include <algorithm>
#include <cmath>

namespace oxv {

int32_t PointRangeMm(const int32_t* xyz, const int32_t* origin)
{
    const double dx = (static_cast<double>(origin[0]) - xyz[0]) / 1000.0;
    const double dy = (static_cast<double>(origin[1]) - xyz[1]) / 1000.0;
    const double dz = (static_cast<double>(origin[2]) - xyz[2]) / 1000.0;
    return TruncToInt32(1000.0 * std::sqrt(dx * dx + dy * dy + dz * dz));
}

namespace {

void TakeInRecords(const PointImage& image, size_t first, size_t end, SurveyStatistics& s)
{
    const bool hasTime = image.HasTime();
    const bool hasAmplitude = image.HasAmplitude();
    const bool hasOrigin = image.HasOrigin();
    for (size_t i = first; i < end; ++i) {
        const int32_t* p = image.Xyz(i);
        s.x.TakeIn(p[0]);
        s.y.TakeIn(p[1]);
        s.z.TakeIn(p[2]);
        if (hasTime) s.time.TakeIn(TimeStampToMs(image.Time(i)));
        if (hasAmplitude) s.amplitude.TakeIn(image.Amplitude(i));
        if (hasOrigin) s.range.TakeIn(PointRangeMm(p, image.OriginXyz(i)));
    }
}

}  // namespace

SurveyStatistics ComputeStatistics(const PointImage& image)
{
    SurveyStatistics s;
    (void)ComputeStatistics(image, s, {});  // without a progress callback it always completes
    return s;
}

bool ComputeStatistics(const PointImage& image, SurveyStatistics& out, const StageProgress& progress)
{
    out = SurveyStatistics{};
    const size_t n = static_cast<size_t>(image.Records());
    for (size_t first = 0; first < n; first += kProgressChunk) {
        const size_t end = std::min(n, first + kProgressChunk);
        TakeInRecords(image, first, end, out);
        if (progress && !progress(static_cast<double>(end) / static_cast<double>(n))) return false;
    }
    return true;
}

}  // namespace oxv
