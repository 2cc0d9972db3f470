#include "tools/demo/LocalFrame.h"

#include <cmath>

namespace oxv::demo {

// The import's own constants, so that both sides round the same way.
using wgs84::kEccentricitySquared;
using wgs84::kSemiMajorAxis;

LocalFrame::LocalFrame(double latitudeRad, double longitudeRad, double height)
    : m_lat0(latitudeRad), m_lon0(longitudeRad), m_h0(height)
{
    // Evaluated exactly as the import does, term by term, so that both sides
    // round the same way.
    const double e = std::sqrt(kEccentricitySquared);
    const double es = e * std::sin(m_lat0);
    const double w = 1.0 - es * es;
    const double m = kSemiMajorAxis * (1.0 - kEccentricitySquared) / std::pow(w, 1.5);
    const double n = kSemiMajorAxis / std::pow(w, 0.5);
    m_eastScale = (n + m_h0) * std::cos(m_lat0);
    m_northScale = m + m_h0;
}

LocalPosition LocalFrame::ToLocal(const GeodeticPosition& geo) const
{
    LocalPosition p;
    p.east = (geo.longitude * kDegreesToRadians - m_lon0) * m_eastScale;
    p.north = (geo.latitude * kDegreesToRadians - m_lat0) * m_northScale;
    p.up = geo.height - m_h0;
    return p;
}

GeodeticPosition LocalFrame::ToGeodetic(const LocalPosition& local) const
{
    GeodeticPosition g;
    g.longitude = (local.east / m_eastScale + m_lon0) / kDegreesToRadians;
    g.latitude = (local.north / m_northScale + m_lat0) / kDegreesToRadians;
    g.height = local.up + m_h0;
    return g;
}

}  // namespace oxv::demo
