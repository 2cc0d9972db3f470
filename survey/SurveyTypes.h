#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <functional>

namespace oxv {

// Reports a long pass's fraction done (0 to 1) every so many records; a
// false answer stops the pass early, and its result is then to be dropped.
using StageProgress = std::function<bool(double)>;

// Records between two progress reports of a pass: a few milliseconds of work.
inline constexpr int32_t kProgressChunk = int32_t{1} << 20;

// A node of a scanner or camera path. Node 0 of a path array carries the
// node count in `key` instead of its own key (which would be 0 anyway).
struct PathNode {
    int32_t key;
    int32_t roll;
    int32_t pitch;
    int32_t heading;
    int32_t x;
    int32_t y;
    int32_t z;
};
static_assert(sizeof(PathNode) == 28);

inline int32_t PathNodeCount(const PathNode* path) { return path ? path[0].key : 0; }

struct ValueRange {
    int32_t max = 0;
    int32_t min = 0;
    int32_t valid = 0;

    void TakeIn(int32_t v)
    {
        if (!valid) {
            max = min = v;
            valid = 1;
            return;
        }
        if (v > max) max = v;
        if (v < min) min = v;
    }
};

// Sensor pose: roll, pitch, heading (1/1000 degree), x, y, z (millimetres).
struct Pose {
    int32_t v[6];
};
enum PoseField { kRoll = 0, kPitch = 1, kHeading = 2, kPosX = 3, kPosY = 4, kPosZ = 5 };

struct FrameSpan {
    int32_t first;
    int32_t last;
};

struct PlaybackTimeline {
    int32_t frames = 0;
    std::unique_ptr<FrameSpan[]> spans;
    double t0 = 0.0;
    double t1 = 0.0;
    double step = 0.0;
    double interval = 0.0;
};

// The user's timeline choices as kept in the settings; a stored record only
// contributes step and interval.
struct TimelineRecord {
    int32_t frames = 0;
    double t0 = 0.0;
    double t1 = 0.0;
    double step = 0.0333;
    double interval = 0.0333;
};

struct PlaybackParams {
    int32_t recordVideo = 0;
    std::optional<std::string> outputFolder;
    int32_t trackVehicle = 1;
    int32_t autoCamera = 1;
    double nearDistance = 100.0;
    double farDistance = 300.0;
    double cameraSpeed = 10.0;
    double panRate = 10.0;
};

}  // namespace oxv
