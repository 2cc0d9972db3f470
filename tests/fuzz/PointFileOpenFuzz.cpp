// A point file opened the way the viewer opens one: the real load path from
// a file on disk (one read into one block, checks, value ranges, timeline,
// scanner path), then the pose of the frames a playback would step.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "survey/PointFile.h"
#include "base/Profile.h"
#include "survey/SurveyDocument.h"

namespace {

// Long surveys are legal and give up to 2^31 frames, which only costs time;
// the harness leaves those to the timeline's own tests.
bool SpanIsShort(const uint8_t* data, size_t size)
{
    oxv::ImageBlock block;
    if (!oxv::ImageBlock::Allocate(size, block)) return false;
    if (size) std::copy(data, data + size, block.Data());
    if (!oxv::IsWellFormedPointImage(block.Data(), block.Size())) return true;
    const oxv::PointImage image(std::move(block));
    if (!image.HasTime() || image.Records() < 1) return true;
    const double span = (image.Time(static_cast<size_t>(image.Records() - 1)) - image.Time(0)) / 400.0;
    return span < 100.0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!SpanIsShort(data, size)) return 0;
    const int fd = memfd_create("survey.oxv", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (size == 0 || write(fd, data, size) == static_cast<ssize_t>(size)) {
        oxv::SurveyDocument doc;
        oxv::MemoryProfile profile;
        oxv::LoadObserver observer;
        doc.LoadPointFile("/proc/self/fd/" + std::to_string(fd), profile, observer);
        if (doc.m_pTimeline) {
            oxv::Pose pose{};
            for (int32_t f = -1; f <= doc.m_pTimeline->frames; ++f) doc.InterpolatePoseAt(f, pose);
        }
        // A second open over a loaded survey must leave a consistent document.
        doc.LoadPointFile("/proc/self/fd/" + std::to_string(fd), profile, observer);
    }
    close(fd);
    return 0;
}
