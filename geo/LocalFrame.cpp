#include "geo/LocalFrame.h"

#include <cmath>
#include <limits>

#include "survey/Geodesy.h"
#include "base/NumericConversion.h"

namespace oxv {

LocalFrame::LocalFrame(const GeodeticOrigin& origin) : m_origin(origin)
{
    // The same operations, in the same order, as GeodeticToLocal.
    using namespace wgs84;
    const double e = std::sqrt(kEccentricitySquared);
    const double es = e * std::sin(origin.latitude);
    const double w = 1.0 - es * es;
    const double meridianRadius = kSemiMajorAxis * (1.0 - kEccentricitySquared) / std::pow(w, 1.5);
    const double primeVerticalRadius = kSemiMajorAxis / std::pow(w, 0.5);
    m_primeVerticalPlusHeight = primeVerticalRadius + origin.height;
    m_cosLatitude = std::cos(origin.latitude);
    m_northScale = meridianRadius + origin.height;
}

void LocalFrame::ToLocal(double latitudeDeg, double longitudeDeg, double height, double local[3]) const
{
    // Associated as GeodeticToLocal associates, so both give the same bits.
    local[0] = (longitudeDeg * kDegreesToRadians - m_origin.longitude) * m_primeVerticalPlusHeight * m_cosLatitude;
    local[1] = (latitudeDeg * kDegreesToRadians - m_origin.latitude) * m_northScale;
    local[2] = height - m_origin.height;
}

void LocalFrame::ToGeodetic(const double local[3], double& latitudeDeg, double& longitudeDeg, double& height) const
{
    longitudeDeg = (local[0] / (m_primeVerticalPlusHeight * m_cosLatitude) + m_origin.longitude) / kDegreesToRadians;
    latitudeDeg = (local[1] / m_northScale + m_origin.latitude) / kDegreesToRadians;
    height = local[2] + m_origin.height;
}

bool HasGeodeticOrigin(const GeodeticOrigin& origin)
{
    return std::isfinite(origin.latitude) && std::isfinite(origin.longitude) && std::isfinite(origin.height);
}

GeodeticOrigin NoGeodeticOrigin()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return {nan, nan, nan};
}

}  // namespace oxv

namespace oxv {

int32_t StoredMillimetres(double metres)
{
    return TruncToInt32(std::trunc(std::round(metres * 1e6) / 1000.0));
}

int32_t StoredMilliDegrees(double degrees)
{
    return StoredMillimetres(degrees);
}

}  // namespace oxv
