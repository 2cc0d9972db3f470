#include "trajectory/Trajectory.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <new>
#include <numbers>

#include "base/Angles.h"
#include "base/FileReading.h"
#include "base/NumberText.h"

namespace oxv {

namespace {

constexpr size_t kSbetRecordBytes = 17 * sizeof(double);

bool Plausible(const TrajectoryRecord& r)
{
    const double values[] = {r.time, r.latitude, r.longitude, r.height, r.roll, r.pitch, r.heading};
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return std::fabs(r.latitude) <= 90.0 && std::fabs(r.longitude) <= 360.0;
}

// A binary file of whole SBET records whose first record holds a position
// in radians is SBET; text never looks like that.
bool LooksLikeSbet(const uint8_t* data, size_t size)
{
    if (size == 0 || size % kSbetRecordBytes != 0) return false;
    double first[17];
    std::memcpy(first, data, sizeof first);
    for (double v : first)
        if (!std::isfinite(v)) return false;
    return std::fabs(first[1]) <= std::numbers::pi / 2 && std::fabs(first[2]) <= 2 * std::numbers::pi;
}

std::string RecordName(size_t index, bool line)
{
    return std::string(line ? "line " : "record ") + GroupedDigits(index + 1);
}

TrajectoryRead ParseSbet(const uint8_t* data, size_t size, Trajectory& out, std::string& why)
{
    const size_t n = size / kSbetRecordBytes;
    out.records.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        double v[17];
        std::memcpy(v, data + i * kSbetRecordBytes, sizeof v);
        TrajectoryRecord r{v[0],
                           v[1] * kExactRadiansToDegrees,
                           v[2] * kExactRadiansToDegrees,
                           v[3],
                           v[7] * kExactRadiansToDegrees,
                           v[8] * kExactRadiansToDegrees,
                           (v[9] - v[10]) * kExactRadiansToDegrees};
        if (!Plausible(r)) {
            why = RecordName(i, false) + " holds a value that is not a position or attitude";
            return TrajectoryRead::FormatError;
        }
        out.records.push_back(r);
    }
    return TrajectoryRead::Ok;
}

// The line's first seven numbers; false when it has fewer.
bool ParseLine(const char* p, const char* end, double v[7])
{
    int k = 0;
    while (k < 7) {
        while (p < end && (*p == ' ' || *p == '\t' || *p == ',' || *p == ';' || *p == '\r')) ++p;
        if (p >= end) return false;
        if (*p == '+') ++p;
        const auto result = std::from_chars(p, end, v[k]);
        if (result.ec != std::errc()) return false;
        p = result.ptr;
        ++k;
    }
    return true;
}

TrajectoryRead ParseText(const uint8_t* data, size_t size, Trajectory& out, std::string& why)
{
    const char* p = reinterpret_cast<const char*>(data);
    const char* end = p + size;
    size_t line = 0;
    bool any = false;
    while (p < end) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!eol) eol = end;
        const char* q = p;
        while (q < eol && (*q == ' ' || *q == '\t' || *q == '\r')) ++q;
        if (q < eol && *q != '#' && *q != '%') {
            double v[7];
            if (ParseLine(q, eol, v)) {
                const TrajectoryRecord r{v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
                if (!Plausible(r)) {
                    why = RecordName(line, true) + " holds a value that is not a position or attitude";
                    return TrajectoryRead::FormatError;
                }
                out.records.push_back(r);
                any = true;
            } else if (any) {
                why = RecordName(line, true) + " does not hold time, latitude, longitude, height, roll, pitch and heading";
                return TrajectoryRead::FormatError;
            }
        }
        p = eol + 1;
        ++line;
    }
    return TrajectoryRead::Ok;
}

}  // namespace

const char* TrajectoryFormatName(TrajectoryFormat format)
{
    return format == TrajectoryFormat::Sbet ? "SBET" : "text";
}

TrajectoryRead ParseTrajectory(const uint8_t* data, size_t size, Trajectory& out, std::string& why)
{
    out = Trajectory{};
    why.clear();
    out.format = LooksLikeSbet(data, size) ? TrajectoryFormat::Sbet : TrajectoryFormat::Text;
    TrajectoryRead result;
    try {
        result = out.format == TrajectoryFormat::Sbet ? ParseSbet(data, size, out, why) : ParseText(data, size, out, why);
    } catch (const std::bad_alloc&) {
        why = "not enough memory for its records";
        out.records.clear();
        return TrajectoryRead::NotEnoughMemory;
    }
    if (result != TrajectoryRead::Ok) {
        out.records.clear();
        return result;
    }
    if (out.records.size() < 2) {
        why = out.records.empty() ? "no trajectory records (SBET: 17 doubles a record; text: time, latitude, "
                                    "longitude, height, roll, pitch, heading a line)"
                                  : "one record; a trajectory needs two or more";
        out.records.clear();
        return TrajectoryRead::FormatError;
    }
    for (size_t i = 1; i < out.records.size(); ++i)
        if (out.records[i].time < out.records[i - 1].time) {
            why = "times go backwards at " + RecordName(i, false);
            out.records.clear();
            return TrajectoryRead::FormatError;
        }
    return TrajectoryRead::Ok;
}

TrajectoryRead ReadTrajectory(const std::string& path, Trajectory& trajectory, std::string& why)
{
    ImageBlock block;
    const LoadStatus read = ReadWholeFile(path, block, {}, &why);
    if (read == LoadStatus::CannotOpen) {
        why = CannotOpenReason(path);
        return TrajectoryRead::CannotOpen;
    }
    if (read == LoadStatus::NotEnoughMemory) return TrajectoryRead::NotEnoughMemory;
    if (read != LoadStatus::Ok) return TrajectoryRead::FormatError;
    return ParseTrajectory(block.Data(), block.Size(), trajectory, why);
}

}  // namespace oxv
