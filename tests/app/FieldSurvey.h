#pragma once

// The survey most window tests open.

#include <string>

#include "tests/support/SurveyFixture.h"

namespace oxv::test {

// A 120 m x 60 m field of points, 1 m apart, rising eastwards, with every
// channel; without the colour channel when `colour` is false.
inline void WriteField(const std::string& path, bool color = true)
{
    PointFileLayout layout;
    if (!color) layout.channels.color = -1;
    WriteSurvey(path, layout, 120 * 60, [](int32_t i, PointRecord& r) {
        const int32_t x = (i % 120) * 1000 - 60000, y = (i / 120) * 1000 - 30000;
        r.SetXyz(x, y, (i % 120) * 100);
        r.SetOrigin(x, y, 100000);
        r.SetColor(static_cast<uint8_t>(i % 256), 200, 30);
        r.SetAmplitude(static_cast<uint8_t>((i * 7) % 256));
        r.SetTime(static_cast<double>(i));
        r.SetPose(Pose{{0, 0, 0, x, y, 100000}});
    });
}

}  // namespace oxv::test
