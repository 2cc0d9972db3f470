#pragma once

#include <cstddef>

#include "base/Angles.h"
#include "survey/NavigationFiles.h"
#include "survey/PointFile.h"

namespace oxv {

// WGS-84 as the navigation software uses it; degrees become radians by its
// cut pi (kDegreesToRadians), so that paths match those made before.
namespace wgs84 {
inline constexpr double kSemiMajorAxis = 6378137.0;
inline constexpr double kEccentricitySquared = 0.006694379990126406;
}  // namespace wgs84

// Writes the local east, north and up (metres) of geo[i] into nav[i] for the
// first `count` records: a tangent plane about `origin`, angle differences
// scaled by the radii of curvature at the origin. Exact at the origin; off by
// about distance squared over twice the earth's radius further out.
void GeodeticToLocal(size_t count, const GeodeticOrigin& origin, NavRecord* nav, const GeoRecord* geo);

}  // namespace oxv
