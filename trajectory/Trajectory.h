#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace oxv {

// One epoch of a flight's trajectory: WGS-84 position and the platform's
// attitude in the navigation convention (roll positive right wing down,
// pitch positive nose up, heading clockwise from north), all in degrees.
struct TrajectoryRecord {
    double time;       // GPS seconds, in the file's own time base
    double latitude;   // degrees
    double longitude;  // degrees
    double height;     // ellipsoidal, metres
    double roll;
    double pitch;
    double heading;
};

enum class TrajectoryFormat { Sbet, Text };

struct Trajectory {
    std::vector<TrajectoryRecord> records;  // times never decrease
    TrajectoryFormat format = TrajectoryFormat::Text;
};

enum class TrajectoryRead { Ok, CannotOpen, FormatError, NotEnoughMemory };

// Reads either form, told apart by content:
// - SBET: 17 little-endian doubles a record (136 bytes): time; latitude,
//   longitude, altitude; three velocities; roll, pitch, platform heading;
//   wander angle; three accelerations; three angular rates. Angles in
//   radians; the true heading is the platform heading less the wander angle.
// - text: one epoch a line, time, latitude, longitude, ellipsoidal height,
//   roll, pitch, heading in degrees, separated by white space or commas;
//   lines starting with '#' or '%', blank lines and a header line that is
//   not numbers are skipped; fields after the seventh are ignored.
// `why` says what is wrong with a refused file.
[[nodiscard]] TrajectoryRead ReadTrajectory(const std::string& path, Trajectory& trajectory, std::string& why);
[[nodiscard]] TrajectoryRead ParseTrajectory(const uint8_t* data, size_t size, Trajectory& trajectory,
                                             std::string& why);

const char* TrajectoryFormatName(TrajectoryFormat format);

}  // namespace oxv
