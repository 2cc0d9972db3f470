#include "view/PointReadout.h"

#include <cmath>
#include <cstdio>

#include "survey/PointFile.h"
#include "view/StatusLine.h"

namespace oxv {

std::optional<int32_t> NearestRecord(const PointImage& image, const double point[3], double within)
{
    if (!(within >= 0.0) || !std::isfinite(point[0]) || !std::isfinite(point[1]) || !std::isfinite(point[2]))
        return std::nullopt;
    // In millimetres, as the records hold them.
    const double px = point[0] * 1000.0, py = point[1] * 1000.0, pz = point[2] * 1000.0;
    double best = within * 1000.0 * within * 1000.0;
    std::optional<int32_t> found;
    const int32_t n = image.Records();
    for (int32_t k = 0; k < n; ++k) {
        const int32_t* xyz = image.Xyz(static_cast<size_t>(k));
        const double dx = xyz[0] - px, dy = xyz[1] - py, dz = xyz[2] - pz;
        const double d = dx * dx + dy * dy + dz * dz;
        if (d <= best) {
            best = d;
            found = k;
        }
    }
    return found;
}

std::string PointReadout(const PointImage& image, int32_t record)
{
    if (record < 0 || record >= image.Records()) return {};
    const size_t k = static_cast<size_t>(record);
    char text[160];
    std::string line = "record " + GroupThousands(record);
    const int32_t* xyz = image.Xyz(k);
    std::snprintf(text, sizeof text, " | x %.3f y %.3f z %.3f m", xyz[0] / 1000.0, xyz[1] / 1000.0, xyz[2] / 1000.0);
    line += text;
    if (image.HasColor()) {
        const uint8_t* c = image.ColorBytes(k);
        std::snprintf(text, sizeof text, " | colour %d %d %d", c[0], c[1], c[2]);
        line += text;
    }
    if (image.HasAmplitude()) line += " | amplitude " + std::to_string(image.Amplitude(k));
    if (image.HasTime()) {
        // The channel counts 1/400 s.
        std::snprintf(text, sizeof text, " | time %.4f s", image.Time(k) / 400.0);
        line += text;
    }
    if (image.HasOrigin()) {
        const int32_t* o = image.OriginXyz(k);
        const double dx = (static_cast<double>(xyz[0]) - o[0]) / 1000.0;
        const double dy = (static_cast<double>(xyz[1]) - o[1]) / 1000.0;
        const double dz = (static_cast<double>(xyz[2]) - o[2]) / 1000.0;
        std::snprintf(text, sizeof text, " | range %.3f m", std::sqrt(dx * dx + dy * dy + dz * dz));
        line += text;
    }
    return line;
}

}  // namespace oxv
