#pragma once

#include <string>
#include <vector>

#include "playback/PlaybackEngine.h"
#include "tests/support/SurveyFixture.h"

namespace oxv::test {

// Remembers what the engine asked of the window.
class FakePlaybackHost final : public PlaybackHost {
public:
    void StartTimer(int id, int periodMs) override { timers.push_back({id, periodMs}); }
    void KillTimer(int id) override { killed.push_back(id); }
    void RepaintNow() override { ++repaints; }
    void SetVehiclePose(const double attitude[3], const double position[3]) override
    {
        for (int i = 0; i < 3; ++i) {
            vehicleAttitude[i] = attitude[i];
            vehiclePosition[i] = position[i];
        }
        ++poses;
    }
    void CompileBeamList(const SurveyDocument&, const FrameSpan& span) override
    {
        if (list == 0) list = ++lastList;
        compiled.push_back({list, span});
    }
    void DeleteBeamList() override
    {
        if (list == 0) return;
        list = 0;
        ++deleted;
    }

    std::vector<std::pair<int, int>> timers;
    std::vector<int> killed;
    int repaints = 0;
    double vehicleAttitude[3] = {};
    double vehiclePosition[3] = {};
    int poses = 0;
    unsigned list = 0;  // the beam list held, 0 for none
    unsigned lastList = 0;
    std::vector<std::pair<unsigned, FrameSpan>> compiled;
    int deleted = 0;
};

// A survey flown along x at 10 m/s, 40 records a second (times in 1/400 s),
// heading 90 degrees, 100 m up; `seconds` long.
inline void OpenFlight(SurveyDocument& doc, ScratchDir& dir, double seconds, const PointFileLayout& layout = {})
{
    const int32_t count = static_cast<int32_t>(seconds * 40) + 1;
    WriteSurvey(dir.File("flight.oxv"), layout, count, [](int32_t i, PointRecord& r) {
        const int32_t x = i * 250;
        r.SetXyz(x, 5000, 0);
        r.SetOrigin(x, 0, 100000);
        r.SetTime(i * 10.0);
        r.SetPose(Pose{{1000, -2000, 90000, x, 0, 100000}});
    });
    MemoryProfile profile;
    LoadObserver quiet;
    if (doc.LoadPointFile(dir.File("flight.oxv"), profile, quiet) != LoadStatus::Ok) std::abort();
}

}  // namespace oxv::test
