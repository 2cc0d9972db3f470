// Everything a point file's bytes reach when it is opened: validation, the
// value ranges, the scanner path, the timeline and the pose of every frame.
#include <cstring>

#include "survey/PointFile.h"
#include "survey/ScannerPath.h"
#include "survey/Statistics.h"
#include "survey/Timeline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    oxv::ImageBlock block;
    if (!oxv::ImageBlock::Allocate(size, block)) return 0;
    if (size) std::memcpy(block.Data(), data, size);
    if (!oxv::IsWellFormedPointImage(block.Data(), block.Size())) return 0;
    const oxv::PointImage image(std::move(block));
    oxv::ComputeStatistics(image);
    oxv::MakeScannerPath(image);
    if (!image.HasTime() || image.Records() < 1) return 0;
    // Frame counts up to the timeline's limit are legal but slow to fuzz;
    // the limit itself is tested elsewhere.
    const double span = (image.Time(static_cast<size_t>(image.Records() - 1)) - image.Time(0)) / 400.0;
    if (!(span < 100.0)) return 0;
    std::unique_ptr<oxv::PlaybackTimeline> timeline;
    if (oxv::MakeTimeline(image, 1.0, 0.0333, timeline) != oxv::TimelineOutcome::Built) return 0;
    oxv::Pose pose{};
    for (int32_t f = -1; f <= timeline->frames; ++f) oxv::InterpolatePoseAt(image, *timeline, f, pose);
    return 0;
}
