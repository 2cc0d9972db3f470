#include "survey/Timeline.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "base/NumericConversion.h"

namespace oxv {

namespace {

// Last record (below n - 1) whose time is at most `limit`, searching from s;
// n - 2 when every examined record qualifies. Never below record 0: time
// stamps out of order must not send the next search before the image.
int32_t LastRecordAtOrBefore(const PointImage& image, int32_t s, double limit)
{
    const int32_t n = image.Records();
    for (int32_t k = std::max(s, 0); k < n - 1; ++k)
        if (image.Time(static_cast<size_t>(k)) / 400.0 > limit) return std::max(k - 1, 0);
    return std::max(n - 2, 0);
}

bool FinitePositive(double v)
{
    return std::isfinite(v) && v > 0.0;
}

TimelineOutcome FrameCountFromSpan(double t0, double t1, double speed, double interval, int32_t& frames)
{
    const double f = std::trunc((t1 - t0) / speed / interval);
    if (!(f >= 0.0)) return TimelineOutcome::Failed;
    if (f > static_cast<double>(kMaxTimelineFrames)) return TimelineOutcome::TooManyFrames;
    frames = static_cast<int32_t>(f);
    return TimelineOutcome::Built;
}

}  // namespace

TimelineOutcome MakeTimeline(const PointImage& image, double speed, double interval,
                             std::unique_ptr<PlaybackTimeline>& result, const StageProgress& progress)
{
    const int32_t n = image.Records();
    if (!image.HasTime() || n <= 0) return TimelineOutcome::NoTime;
    // A negative speed over backwards time stamps would give a positive count
    // of frames walking backwards out of the image.
    if (!FinitePositive(speed) || !FinitePositive(interval) || !FinitePositive(speed * interval))
        return TimelineOutcome::Failed;
    std::unique_ptr<PlaybackTimeline> timeline(new (std::nothrow) PlaybackTimeline);
    if (!timeline) return TimelineOutcome::Failed;
    timeline->t0 = image.Time(0) / 400.0;
    timeline->t1 = image.Time(static_cast<size_t>(n - 1)) / 400.0;
    int32_t frames = 0;
    if (const TimelineOutcome count = FrameCountFromSpan(timeline->t0, timeline->t1, speed, interval, frames);
        count != TimelineOutcome::Built)
        return count;
    timeline->spans.reset(new (std::nothrow) FrameSpan[static_cast<size_t>(frames)]);
    if (!timeline->spans) return TimelineOutcome::Failed;
    timeline->frames = frames;
    timeline->step = speed * interval;
    timeline->interval = interval;

    int32_t s = 0;
    int32_t reported = 0;
    for (int32_t j = 0; j < frames; ++j) {
        if (progress && s - reported >= kProgressChunk) {
            reported = s;
            if (!progress(static_cast<double>(s) / n)) return TimelineOutcome::Stopped;
        }
        const double T = j * timeline->step + timeline->t0;
        FrameSpan& span = timeline->spans[static_cast<size_t>(j)];
        span.first = LastRecordAtOrBefore(image, s, T);
        span.last = LastRecordAtOrBefore(image, s, T + timeline->step);
        s = span.first;
    }
    result = std::move(timeline);
    return TimelineOutcome::Built;
}

bool InterpolatePose(Pose& pose, const Pose& a, const Pose& b, double t, double ta, double tb)
{
    if (!(ta <= t && t <= tb)) return false;
    // Equal times leave 0/0; the earlier pose is the sound answer.
    const double d = tb > ta ? (t - ta) / (tb - ta) : 0.0;
    for (int i = 0; i < 6; ++i) pose.v[i] = TruncToInt32((1.0 - d) * a.v[i] + d * b.v[i]);
    double f = a.v[kHeading] / 1000.0;
    double g = b.v[kHeading] / 1000.0;
    if (f > 90.0 && g < -90.0) g += 360.0;
    if (f < -90.0 && g > 90.0) f += 360.0;
    pose.v[kHeading] = TruncToInt32(((1.0 - d) * f + d * g) * 1000.0);
    return true;
}

bool InterpolatePoseAt(const PointImage& image, const PlaybackTimeline& timeline, int32_t frame, Pose& pose)
{
    if (!image.HasPose() || frame < 0 || frame >= timeline.frames) return false;
    const int32_t c = timeline.spans[static_cast<size_t>(frame)].first;
    if (c < 0 || c + 1 >= image.Records()) return false;
    const size_t ic = static_cast<size_t>(c);
    const double ta = image.Time(ic) / 400.0;
    const double tb = image.Time(ic + 1) / 400.0;
    const double t = frame * timeline.step + timeline.t0;
    return InterpolatePose(pose, image.PoseAt(ic), image.PoseAt(ic + 1), t, ta, tb);
}

}  // namespace oxv
