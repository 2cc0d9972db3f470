#pragma once

// Surveys made for view tests: point patches at known places and colours.

#include <functional>
#include <string>
#include <vector>

#include "base/Profile.h"
#include "survey/SurveyDocument.h"
#include "tests/support/SurveyFixture.h"

namespace oxv::test {

struct Patch {
    double x0, y0, size;  // metres, square patch from (x0, y0)
    double z;             // metres
    uint8_t r, g, b;
    uint8_t amplitude;
    int side;  // points per row
};

inline int32_t Mm(double metres) { return static_cast<int32_t>(metres * 1000.0); }

// Square patches of points; the origin channel 100 m above each point.
inline void WritePatches(const std::string& path, const std::vector<Patch>& patches,
                         const PointFileLayout& layout = PointFileLayout{})
{
    int32_t count = 0;
    for (const Patch& p : patches) count += p.side * p.side;
    std::vector<std::pair<const Patch*, int>> order;
    for (const Patch& p : patches)
        for (int i = 0; i < p.side * p.side; ++i) order.emplace_back(&p, i);
    WriteSurvey(path, layout, count, [&](int32_t k, PointRecord& r) {
        const Patch& p = *order[static_cast<size_t>(k)].first;
        const int i = order[static_cast<size_t>(k)].second;
        const double step = p.side > 1 ? p.size / (p.side - 1) : 0.0;
        const double x = p.x0 + step * (i % p.side), y = p.y0 + step * (i / p.side);
        r.SetXyz(Mm(x), Mm(y), Mm(p.z));
        r.SetOrigin(Mm(x), Mm(y), Mm(p.z + 100.0));
        r.SetColor(p.r, p.g, p.b);
        r.SetAmplitude(p.amplitude);
        r.SetTime(k);
        r.SetPose(Pose{{0, 0, 0, Mm(x), Mm(y), Mm(p.z + 100.0)}});
    });
}

inline bool Load(SurveyDocument& doc, const std::string& path)
{
    MemoryProfile profile;
    LoadObserver observer;
    return doc.LoadPointFile(path, profile, observer) == LoadStatus::Ok;
}

}  // namespace oxv::test
