// A trajectory file (SBET or text) parsed, then placed on a small survey
// whose times and origin it must meet: time bases, interpolation, the held
// ends and the counts.
#include <string>

#include "survey/PointFileWriter.h"
#include "trajectory/SensorChannels.h"
#include "trajectory/Trajectory.h"

namespace {

oxv::ImageBlock SmallSurvey()
{
    oxv::PointFileLayout layout;
    layout.stride = 5;
    layout.channels = {0, -1, -1, -1, 3, -1};
    layout.origin = {0.8, 0.15, 400.0};
    const auto header = oxv::MakePointHeader(layout, 64);
    oxv::ImageBlock block;
    if (!oxv::ImageBlock::Allocate(header.size() + 64 * 20, block)) return block;
    std::copy(header.begin(), header.end(), block.Data());
    for (int i = 0; i < 64; ++i) {
        oxv::PointRecord r(layout);
        r.SetXyz(i, -i, 2 * i);
        // Week seconds from 100 s on, with a jump and a step back.
        r.SetTime((100.0 + i * 0.5 + (i == 40 ? 1e4 : 0.0) - (i == 50 ? 3.0 : 0.0)) * 400.0);
        std::copy(r.Bytes(), r.Bytes() + r.ByteSize(), block.Data() + header.size() + 20 * static_cast<size_t>(i));
    }
    return block;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    oxv::Trajectory trajectory;
    std::string why;
    if (oxv::ParseTrajectory(data, size, trajectory, why) != oxv::TrajectoryRead::Ok) return 0;
    static const oxv::PointImage image(SmallSurvey());
    const oxv::SurveyTimes times = oxv::TimesOf(image);
    oxv::ImageBlock out;
    oxv::TrajectoryReport report;
    (void)oxv::AttachTrajectory(image, trajectory, times, false, out, report, why);
    return 0;
}
