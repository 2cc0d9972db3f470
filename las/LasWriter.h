#pragma once

#include <string>

#include "survey/PointFile.h"

namespace oxv::las {

// Writes a survey as LAS 1.4, point data format 6, or 7 when it has colour:
// amplitude as intensity (x 257, so 255 becomes 65535), the time channel as
// GPS time (seconds; the adjusted standard bit set unless the times are
// seconds of a week), colour x 257. Without `crs` the coordinates are the
// local frame in metres (scale 0.001, so millimetres stay exact) and a VLR
// of our own keeps the geodetic origin, so reading the file back gives the
// same frame; with `crs` (EPSG:n, a PROJ string or WKT) they are
// reprojected into that system through PROJ and the system is written as
// OGC WKT. The file is written under a temporary name and renamed when
// whole. False, with the reason in `why`, when nothing was written.
[[nodiscard]] bool WriteLasFile(const PointImage& image, const std::string& path, const std::string& crs,
                                std::string& why);

}  // namespace oxv::las
