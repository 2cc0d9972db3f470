#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace oxv {

// One navx.txt epoch: fields 2 to 11 of its line, in order. east, north and
// up arrive as the navigation solution's own values and are overwritten
// with the survey-frame position computed from geo.txt.
struct NavRecord {
    double time;  // seconds
    double east;  // metres, local frame
    double north;
    double up;
    double unused6;
    double unused7;
    double unused8;
    double roll;  // degrees
    double pitch;
    double heading;
};
static_assert(sizeof(NavRecord) == 80);

// One geo.txt epoch.
struct GeoRecord {
    double time;       // seconds
    double latitude;   // degrees
    double longitude;  // degrees
    double height;     // ellipsoidal, metres
};
static_assert(sizeof(GeoRecord) == 32);

// gps_tw.txt: records are kept only strictly between start and end, and only
// when end is after start.
struct TimeWindow {
    double start = 0.0;
    double end = 0.0;

    [[nodiscard]] bool InForce() const { return end > start; }
    bool Accepts(double t) const { return !InForce() || (start < t && t < end); }
};

// Lines are read into a buffer of this size; a longer line arrives in pieces
// of up to kNavLineBuffer - 1 characters, each treated as a line of its own.
inline constexpr size_t kNavLineBuffer = 1024;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens a regular file for reading; null for anything else (missing,
// unreadable, a folder, a pipe or device that could block or never end).
UniqueFile OpenRegularFile(const std::string& path, const char* mode);

// The first line's leading number is the start, the second line's the end
// (a line without one counts as 0). Fewer than two lines leave (0, 0).
void ReadTimeWindow(std::FILE* file, TimeWindow& window);

// Each reader rewinds the file and returns the number of accepted records,
// storing at most `capacity` of them into `records` in order when it is not
// null. A count larger than the capacity means the file grew between the
// counting pass and the filling pass; the caller rejects it.
int64_t ReadNavRecords(NavRecord* records, size_t capacity, std::FILE* file, const TimeWindow& window);
int64_t ReadGeoRecords(GeoRecord* records, size_t capacity, std::FILE* file, const TimeWindow& window);

// Line parsers, exposed for tests: true when the line converts every field
// ("%d" then ten "%lf" for navx.txt, four "%lf" for geo.txt). A line starting
// with '%' is a comment and never converts.
[[nodiscard]] bool ParseNavLine(const char* line, NavRecord& record);
bool ParseGeoLine(const char* line, GeoRecord& record);

}  // namespace oxv
