#include "Statistics.h"

#include <cmath>

namespace oxv {

int32_t PointRangeMm(const int32_t* xyz, const int32_t* origin)
{
    const double dx = (static_cast<double>(origin[0]) - xyz[0]) / 1000.0;
    const double dy = (static_cast<double>(origin[1]) - xyz[1]) / 1000.0;
    const double dz = (static_cast<double>(origin[2]) - xyz[2]) / 1000.0;
    return TruncToInt32(1000.0 * std::sqrt(dx * dx + dy * dy + dz * dz));
}

SurveyStatistics ComputeStatistics(const PointImage& image)
{
    SurveyStatistics s;
    const size_t n = static_cast<size_t>(image.Records());
    const bool hasTime = image.HasTime();
    const bool hasAmplitude = image.HasAmplitude();
    const bool hasOrigin = image.HasOrigin();
    for (size_t i = 0; i < n; ++i) {
        const int32_t* p = image.Xyz(i);
        s.x.TakeIn(p[0]);
        s.y.TakeIn(p[1]);
        s.z.TakeIn(p[2]);
        if (hasTime) s.time.TakeIn(TimeStampToMs(image.Time(i)));
        if (hasAmplitude) s.amplitude.TakeIn(image.Amplitude(i));
        if (hasOrigin) s.range.TakeIn(PointRangeMm(p, image.OriginXyz(i)));
    }
    return s;
}

}  // namespace oxv
