#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "survey/NavigationFiles.h"
#include "survey/PointFile.h"
#include "survey/SurveyTypes.h"

namespace oxv {

// The files of a flight's navigation folder.
inline constexpr const char* kNavFileName = "navx.txt";
inline constexpr const char* kGeoFileName = "geo.txt";
inline constexpr const char* kTimeWindowFileName = "gps_tw.txt";
inline constexpr const char* kCameraPathCacheName = "cam_path.bin";
// Beside the cache: the survey origin and the text files it was built from.
inline constexpr const char* kCameraPathSourceName = "cam_path.src";

// Where an imported camera path came from; None when nothing was imported.
enum class [[nodiscard]] CameraPathSource { None, Cache, Text };

// A camera path of `count` nodes from paired navigation and geodetic
// records, in the survey frame of `image`'s geodetic origin. Writes the local
// positions into `nav` on the way. Keys are milliseconds since the first
// record, angles 1/1000 degree, positions millimetres, all truncated toward
// zero; node 0's key holds the count. Null when count is not positive or the
// array cannot be allocated.
std::unique_ptr<PathNode[]> BuildCameraPath(NavRecord* nav, int32_t count, const GeoRecord* geo,
                                            const PointImage& image);

// cam_path.bin: the path array exactly as held in memory. A file whose first
// word is not a positive count or whose length is not count x 28 bytes is no
// cache (null), nor is anything but a regular file.
std::unique_ptr<PathNode[]> ReadCameraPathCache(const std::string& path);

// Writes the whole path under a temporary name in the same folder and renames
// it into place, so the cache is either complete or not there at all. False,
// with errno saying why, when it could not be written.
[[nodiscard]] bool WriteCameraPathCache(const std::string& path, const PathNode* nodes);

// What a cache in `folder` is built from for a survey at `origin`: the
// origin to the bit and the size and modification time of each navigation
// text file (or that it is missing), as the text kept in
// kCameraPathSourceName.
std::string CameraPathSourceText(const std::string& folder, const GeodeticOrigin& origin);

struct CameraPathImport {
    std::unique_ptr<PathNode[]> path;  // null when nothing was imported
    CameraPathSource source = CameraPathSource::None;
    bool cached = false;  // a path from the text files was written to the cache
    std::string cacheProblem;  // why it could not be, when it could not
};

// The import command's steps against one folder: the cache when it was built
// for `image`'s origin from the text files as they are now, otherwise
// navx.txt and geo.txt (paired in order, within the time window of
// gps_tw.txt when there is one) converted against `image`'s origin and then
// cached with what it was built from. A cache without that record is used
// only where there are no text files to build from (a folder holding just
// the cache, as caches written before the record were kept), or when the
// text files give no path.
CameraPathImport ImportCameraPath(const std::string& folder, const PointImage& image);

}  // namespace oxv
