#include "survey/Geodesy.h"

#include <cmath>

namespace oxv {

void GeodeticToLocal(size_t count, const GeodeticOrigin& origin, NavRecord* nav, const GeoRecord* geo)
{
    using namespace wgs84;
    const double e = std::sqrt(kEccentricitySquared);
    const double lat0 = origin.latitude;
    const double lon0 = origin.longitude;
    const double h0 = origin.height;
    const double es = e * std::sin(lat0);
    const double w = 1.0 - es * es;
    const double meridianRadius = kSemiMajorAxis * (1.0 - kEccentricitySquared) / std::pow(w, 1.5);
    const double primeVerticalRadius = kSemiMajorAxis / std::pow(w, 0.5);
    const double cosLat0 = std::cos(lat0);
    for (size_t i = 0; i < count; ++i) {
        nav[i].east = (geo[i].longitude * kDegreesToRadians - lon0) * (primeVerticalRadius + h0) * cosLat0;
        nav[i].north = (geo[i].latitude * kDegreesToRadians - lat0) * (meridianRadius + h0);
        nav[i].up = geo[i].height - h0;
    }
}

}  // namespace oxv
