#include "trajectory/SensorChannels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/NumberText.h"
#include "survey/PointFileWriter.h"

namespace oxv {

namespace {

// Origin (3 words) and pose (6 words) added behind a record's own words.
constexpr int kSensorWords = 3 + 6;
constexpr int kValues = 6;

double Wrap180(double degrees)
{
    double d = std::fmod(degrees + 180.0, 360.0);
    if (d < 0) d += 360.0;
    return d - 180.0;
}

std::string Seconds(double s)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", s);
    return text;
}

}  // namespace

TrajectoryInFrame::TrajectoryInFrame(const Trajectory& trajectory, const LocalFrame& frame, double shift)
{
    const size_t n = trajectory.records.size();
    m_time.resize(n);
    m_values.resize(n * kValues);
    double previousHeading = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const TrajectoryRecord& r = trajectory.records[i];
        m_time[i] = r.time + shift;
        double* v = m_values.data() + i * kValues;
        frame.ToLocal(r.latitude, r.longitude, r.height, v);
        v[3] = r.pitch;
        v[4] = r.roll;
        // Unwrapped along the track, so that interpolation goes the short way.
        double heading = Wrap180(270.0 - r.heading);
        if (i > 0) heading = previousHeading + Wrap180(heading - previousHeading);
        v[5] = previousHeading = heading;
    }
}

void TrajectoryInFrame::At(double t, size_t& hint, int32_t origin[3], Pose& pose) const
{
    const size_t n = m_time.size();
    size_t a;
    double f = 0.0;
    if (!(t > m_time.front())) {
        a = 0;  // before the start, at it, or not a number: the first record
    } else if (t >= m_time.back()) {
        a = n - 1;
    } else {
        if (hint + 1 < n && m_time[hint] <= t && t < m_time[hint + 1]) {
            a = hint;
        } else if (hint + 2 < n && m_time[hint + 1] <= t && t < m_time[hint + 2]) {
            a = hint + 1;
        } else {
            a = static_cast<size_t>(std::upper_bound(m_time.begin(), m_time.end(), t) - m_time.begin()) - 1;
        }
        hint = a;
        const double span = m_time[a + 1] - m_time[a];
        f = span > 0.0 ? (t - m_time[a]) / span : 0.0;
    }
    const double* va = m_values.data() + a * kValues;
    const double* vb = a + 1 < n ? va + kValues : va;
    double v[kValues];
    for (int k = 0; k < kValues; ++k) v[k] = va[k] + f * (vb[k] - va[k]);
    for (int k = 0; k < 3; ++k) origin[k] = StoredMillimetres(v[k]);
    pose.v[kRoll] = StoredMilliDegrees(v[3]);
    pose.v[kPitch] = StoredMilliDegrees(v[4]);
    pose.v[kHeading] = StoredMilliDegrees(Wrap180(v[5]));
    pose.v[kPosX] = origin[0];
    pose.v[kPosY] = origin[1];
    pose.v[kPosZ] = origin[2];
}

void FillSensorChannels(uint8_t* records, size_t recordBytes, size_t count, const ChannelLayout& channels,
                        const TrajectoryInFrame& trajectory, TrajectoryReport& report)
{
    report.pointsBefore = report.pointsAfter = 0;
    size_t hint = 0;
    for (size_t i = 0; i < count; ++i) {
        uint8_t* rec = records + i * recordBytes;
        const double t = LoadUnaligned<double>(rec + 4 * static_cast<size_t>(channels.time)) / 400.0;
        if (!(t >= trajectory.Start()))
            ++report.pointsBefore;
        else if (t > trajectory.End())
            ++report.pointsAfter;
        int32_t origin[3];
        Pose pose;
        trajectory.At(t, hint, origin, pose);
        std::memcpy(rec + 4 * static_cast<size_t>(channels.origin), origin, sizeof origin);
        std::memcpy(rec + 4 * static_cast<size_t>(channels.pose), pose.v, sizeof pose.v);
    }
}

SurveyTimes TimesOf(const PointImage& image)
{
    SurveyTimes times;
    if (!image.HasTime() || image.Records() == 0) return times;
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (size_t i = 0; i < static_cast<size_t>(image.Records()); ++i) {
        const double t = image.Time(i) / 400.0;
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    }
    times.first = lo;
    times.last = hi;
    times.base = TimeBaseOfSpan(lo, hi);
    return times;
}

bool PrepareTrajectory(const PointHeader& header, const SurveyTimes& times, const Trajectory& trajectory,
                       TimeMatch& match, std::string& why)
{
    if (header.channels.origin >= 0 || header.channels.pose >= 0) {
        why = "the survey already has its own sensor origin and pose";
        return false;
    }
    if (header.channels.time < 0 || header.recordCount <= 0) {
        why = "the survey has no time stamps to find its points on the trajectory by";
        return false;
    }
    if (!HasGeodeticOrigin(header.origin)) {
        why = "the survey has no geodetic origin (its file names no coordinate system), so the trajectory's "
              "positions have no place in its frame";
        return false;
    }
    if (trajectory.records.size() < 2) {
        why = "the trajectory has fewer than two records";
        return false;
    }
    const double first = trajectory.records.front().time;
    const double last = trajectory.records.back().time;
    match = MatchTimeBases(times.base, times.first, times.last, TimeBaseOfSpan(first, last), first, last);
    if (!match.matched) {
        why = match.why;
        return false;
    }
    if (times.last < first + match.shift || times.first > last + match.shift) {
        why = "no point's time falls within the trajectory's (" + match.note + "; survey " + Seconds(times.first) +
              " to " + Seconds(times.last) + " s, trajectory " + Seconds(first + match.shift) + " to " +
              Seconds(last + match.shift) + " s)";
        return false;
    }
    return true;
}

AttachResult AttachTrajectory(const PointImage& image, const Trajectory& trajectory, const SurveyTimes& times,
                              bool replacing, ImageBlock& out, TrajectoryReport& report, std::string& why)
{
    PointHeader header = image.Header();
    if (replacing && header.stride >= kSensorWords && header.channels.origin == header.stride - kSensorWords &&
        header.channels.pose == header.stride - 6) {
        header.stride -= kSensorWords;
        header.channels.origin = header.channels.pose = -1;
    }
    const size_t keptBytes = 4 * static_cast<size_t>(header.stride);
    TimeMatch match;
    if (!PrepareTrajectory(header, times, trajectory, match, why)) return AttachResult::Refused;
    if (header.stride + kSensorWords > 127) {
        why = "records too long to add the sensor origin and pose to";
        return AttachResult::Refused;
    }
    PointFileLayout layout;
    layout.stride = header.stride + kSensorWords;
    layout.channels = header.channels;
    layout.channels.origin = static_cast<int8_t>(header.stride);
    layout.channels.pose = static_cast<int8_t>(header.stride + 3);
    layout.origin = header.origin;
    const size_t count = static_cast<size_t>(image.Records());
    const size_t recordBytes = 4 * static_cast<size_t>(layout.stride);
    ImageBlock block;
    if (!ImageBlock::Allocate(kPointHeaderSize + recordBytes * count, block)) {
        why = "no block of " + GroupedDigits(kPointHeaderSize + recordBytes * count) + " bytes for the survey";
        return AttachResult::NotEnoughMemory;
    }
    // The old header's uninterpreted bytes stay; the layout's fields are new.
    std::memcpy(block.Data(), image.Data(), kPointHeaderSize);
    const auto fresh = MakePointHeader(layout, header.recordCount);
    for (size_t offset : {header::kRecordCount, header::kStride}) std::memcpy(block.Data() + offset, fresh.data() + offset, 4);
    block.Data()[header::kOrigin] = fresh[header::kOrigin];
    block.Data()[header::kPose] = fresh[header::kPose];
    uint8_t* records = block.Data() + kPointHeaderSize;
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(records + i * recordBytes, image.Record(i), keptBytes);
        std::memset(records + i * recordBytes + keptBytes, 0, recordBytes - keptBytes);
    }
    const LocalFrame frame(header.origin);
    const TrajectoryInFrame placed(trajectory, frame, match.shift);
    report.format = trajectory.format;
    report.records = trajectory.records.size();
    report.start = placed.Start();
    report.end = placed.End();
    report.timeBase = match.note;
    FillSensorChannels(records, recordBytes, count, layout.channels, placed, report);
    if (report.pointsBefore + report.pointsAfter == static_cast<int64_t>(count)) {
        why = "no point's time falls within the trajectory's (" + match.note + ")";
        return AttachResult::Refused;
    }
    out = std::move(block);
    return AttachResult::Ok;
}

}  // namespace oxv
