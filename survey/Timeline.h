#pragma once

#include <memory>

#include "survey/PointFile.h"
#include "survey/SurveyTypes.h"

namespace oxv {

// More frames than this would take weeks to play and gigabytes to hold; a
// time span that asks for them comes from a damaged or hostile file.
inline constexpr int32_t kMaxTimelineFrames = int32_t{1} << 27;

enum class [[nodiscard]] TimelineOutcome {
    Built,
    NoTime,  // no time channel, or no records to take times from
    Failed,  // frame count negative or not finite, or out of memory
    TooManyFrames,  // more than kMaxTimelineFrames
    Stopped,  // `progress` answered false
};

// Divides the survey's time span into frames of speed x interval measurement
// seconds and finds each frame's records; `timeline` is set only when Built.
// `progress` hears the fraction of records passed.
TimelineOutcome MakeTimeline(const PointImage& image, double speed, double interval,
                             std::unique_ptr<PlaybackTimeline>& timeline, const StageProgress& progress = {});

// Pose at time t between poses a (at ta) and b (at tb); false, pose untouched,
// unless ta <= t <= tb. Heading crosses the +-180 degree seam the short way.
[[nodiscard]] bool InterpolatePose(Pose& pose, const Pose& a, const Pose& b, double t, double ta, double tb);

// Sensor pose at the start time of `frame`; false without a pose channel or
// for a frame outside the timeline.
[[nodiscard]] bool InterpolatePoseAt(const PointImage& image, const PlaybackTimeline& timeline, int32_t frame, Pose& pose);

}  // namespace oxv
