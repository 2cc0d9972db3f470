#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geo/LocalFrame.h"
#include "base/ImageBlock.h"
#include "survey/PointFile.h"
#include "trajectory/TimeBase.h"
#include "trajectory/Trajectory.h"

namespace oxv {

// What placing a survey on a trajectory found: shown by `oxvtool info`.
struct TrajectoryReport {
    std::string file;
    TrajectoryFormat format = TrajectoryFormat::Text;
    size_t records = 0;
    double start = 0.0;  // the trajectory's span, on the survey's time scale
    double end = 0.0;
    std::string timeBase;  // what was matched with what
    // Points whose time lies before the trajectory's first record or after
    // its last (or is not a number): they take the pose of that end, held.
    int64_t pointsBefore = 0;
    int64_t pointsAfter = 0;
};

// The trajectory in a survey's local frame, with the sensor pose as the
// point file keeps it: the angles of the helicopter drawing, whose nose
// points along -x at heading 0: pose roll = nose up (pitch), pose pitch =
// right wing down (roll), pose heading = 270 degrees less the compass
// heading, within +-180.
class TrajectoryInFrame {
public:
    TrajectoryInFrame(const Trajectory& trajectory, const LocalFrame& frame, double shift);

    double Start() const { return m_time.front(); }
    double End() const { return m_time.back(); }
    // Interpolated at survey time t (seconds): linear in position, roll and
    // pitch, heading the short way round; held at the ends. `hint` carries
    // the last segment between calls, for points that come in time order.
    void At(double t, size_t& hint, int32_t origin[3], Pose& pose) const;

private:
    std::vector<double> m_time;
    std::vector<double> m_values;  // 7 a record: east, north, up, pose roll, pitch, heading (unwrapped)
};

// Writes the origin and pose channels of `count` records from the time
// channel (1/400 s) of each, and counts the points outside the trajectory.
void FillSensorChannels(uint8_t* records, size_t recordBytes, size_t count, const ChannelLayout& channels,
                        const TrajectoryInFrame& trajectory, TrajectoryReport& report);

enum class AttachResult { Ok, Refused, NotEnoughMemory };

// The survey's time base judged by its values (a LAS header's word is
// passed as `declared` where there is one).
struct SurveyTimes {
    double first = 0.0;  // seconds
    double last = 0.0;
    TimeBase base = TimeBase::WeekSeconds;
};

// Matches the time bases and checks that the survey can take the
// trajectory: time stamps, a geodetic origin and some points within the
// trajectory's span. The refusal's reason goes to `why`.
[[nodiscard]] bool PrepareTrajectory(const PointHeader& header, const SurveyTimes& times, const Trajectory& trajectory,
                                     TimeMatch& match, std::string& why);

// A new image of the survey with origin and pose channels added from the
// trajectory (the header's other bytes kept as they are). Refused when the
// survey already has an origin or a pose channel, has no time stamps or no
// geodetic origin, or when no point lies within the trajectory's time.
// With `replacing`, the image's origin and pose are the ones an earlier
// AttachTrajectory added, and the new trajectory's take their place.
[[nodiscard]] AttachResult AttachTrajectory(const PointImage& image, const Trajectory& trajectory,
                                            const SurveyTimes& times, bool replacing, ImageBlock& out,
                                            TrajectoryReport& report, std::string& why);

// The survey's first and last time stamps in seconds, for SurveyTimes.
SurveyTimes TimesOf(const PointImage& image);

}  // namespace oxv
