#pragma once

// What the long playback runs share: a survey long enough for thousands of
// frames, the memory a process holds, and the check that every frame file a
// run wrote is a complete picture.

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/PngRead.h"
#include "tests/support/SurveyFixture.h"

namespace oxv::test {

// Frames of a soak run: OXV_SOAK_FRAMES, or `fallback`.
inline int SoakFrames(int fallback)
{
    const char* env = std::getenv("OXV_SOAK_FRAMES");
    const int frames = env ? std::atoi(env) : 0;
    return frames > 0 ? frames : fallback;
}

// A survey of `frames` frames at the default step of 1/30 s: 250 records a
// second flying along x at 10 m/s with beams from 100 m up, so the point
// lists, the scanner path and the beams all grow while it plays.
inline void WriteSoakSurvey(const std::string& path, int frames)
{
    const double seconds = frames * 0.0333;
    const int32_t records = static_cast<int32_t>(seconds * 250) + 1;
    WriteSurvey(path, PointFileLayout{}, records, [](int32_t i, PointRecord& r) {
        const int32_t x = i * 40;
        r.SetXyz(x, (i % 50) * 400 - 10000, (i % 7) * 300);
        r.SetOrigin(x, 0, 100000);
        r.SetColor(static_cast<uint8_t>(i), static_cast<uint8_t>(i / 3), 200);
        r.SetAmplitude(static_cast<uint8_t>(i % 200));
        r.SetTime(i * 1.6);
        r.SetPose(Pose{{1000, -2000, 90000, x, 0, 100000}});
    });
}

inline long ResidentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Bytes the allocator has handed out and not had back, over all arenas:
// what a leak grows. Resident memory also grows as freed blocks fragment
// the arenas, which is not a leak.
inline long HeapInUseKiB()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>((info.uordblks + info.hblkhd) / 1024);
}

// Memory seen while a run plays, sampled by frame number: the resident
// peak, and the lowest heap in use within each quarter of the frames (a leak
// raises the floor; passing peaks do not).
struct MemoryTrace {
    long startRss = 0, peakRss = 0;
    std::array<long, 4> heapFloor{LONG_MAX, LONG_MAX, LONG_MAX, LONG_MAX};

    void Sample(int frame, int frames)
    {
        const long rss = ResidentKiB(), heap = HeapInUseKiB();
        if (startRss == 0) startRss = rss;
        peakRss = std::max(peakRss, rss);
        const size_t quarter = std::min<size_t>(3, static_cast<size_t>(std::max(frame, 0)) * 4 / frames);
        heapFloor[quarter] = std::min(heapFloor[quarter], heap);
    }
};

// Frame files of a whole run in `folder`, checked against what playback
// writes: img000000 .. img(last), each a decodable width x height picture,
// except the one the run never shows (the step before the last holds). A
// paint between Start and the first tick writes number -1, img-00001.png.
struct FrameFolderCheck {
    long complete = 0;            // decodable pictures of the right size
    long files = 0;               // every entry in the folder
    long strays = 0;              // entries that are not frame files
    bool startPicture = false;    // img-00001.png, whole
    std::vector<int> incomplete;  // first frames missing or torn
};

inline FrameFolderCheck CheckFrameFolder(const std::string& folder, int lastFrame, int width, int height)
{
    FrameFolderCheck check;
    char name[32];
    for (int f = 0; f <= lastFrame; ++f) {
        if (f == lastFrame - 1) continue;
        std::snprintf(name, sizeof name, "/img%06d.png", f);
        int w = 0, h = 0;
        // A cut stream fails to decode, so a torn file is never counted.
        if (!DecodePng(folder + name, w, h).empty() && w == width && h == height)
            ++check.complete;
        else if (check.incomplete.size() < 10)
            check.incomplete.push_back(f);
    }
    int w = 0, h = 0;
    check.startPicture = !DecodePng(folder + "/img-00001.png", w, h).empty() && w == width && h == height;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        ++check.files;
        const std::string n = e.path().filename().string();
        const bool start = n == "img-00001.png" && check.startPicture;
        if (!start && (n.size() != 13 || n.rfind("img", 0) != 0 || e.path().extension() != ".png")) ++check.strays;
    }
    return check;
}

}  // namespace oxv::test
