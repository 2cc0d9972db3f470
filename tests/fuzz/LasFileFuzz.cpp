// A LAS file opened the way the viewer opens one: the dispatch on "LASF",
// header, VLRs and extended VLRs, the coordinate system (GeoTIFF keys through
// libgeotiff, WKT through PROJ), the points into the image, then the value
// ranges and the timeline as for any survey.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "survey/PlaybackSettings.h"
#include "base/Profile.h"
#include "survey/SurveyDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4) return 0;
    const int fd = memfd_create("survey.las", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (write(fd, data, size) == static_cast<ssize_t>(size)) {
        oxv::SurveyDocument doc;
        oxv::MemoryProfile profile;
        // Frames of a million seconds: a hostile span of GPS times would
        // otherwise ask for up to 2^27 frames, which only costs time, and the
        // timeline's own tests cover that.
        oxv::PlaybackTimeline frames;
        frames.step = 1e6;
        frames.interval = 1.0;
        oxv::SaveTimelineSettings(profile, frames);
        oxv::LoadObserver observer;
        doc.LoadPointFile("/proc/self/fd/" + std::to_string(fd), profile, observer);
    }
    close(fd);
    return 0;
}
