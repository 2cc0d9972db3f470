#pragma once

#include "survey/PointFile.h"

namespace oxv {

// A survey's local frame (x east, y north, z up, metres) tied to WGS-84
// geodetic positions by the tangent plane the camera path import uses:
// angle differences scaled by the radii of curvature at the origin. Points,
// trajectories and navigation files all pass through this one mapping, so
// whatever comes from one lines up with what comes from the others.
class LocalFrame {
public:
    // Origin as the point file header holds it: radians, radians, metres.
    explicit LocalFrame(const GeodeticOrigin& origin);

    const GeodeticOrigin& Origin() const { return m_origin; }

    // Degrees, degrees, metres to metres east, north and up. Bit for bit
    // what the camera path import computes.
    void ToLocal(double latitudeDeg, double longitudeDeg, double height, double local[3]) const;
    // The exact inverse: metres east, north, up to degrees, degrees, metres.
    void ToGeodetic(const double local[3], double& latitudeDeg, double& longitudeDeg, double& height) const;

private:
    GeodeticOrigin m_origin;
    double m_primeVerticalPlusHeight;  // N + h0, metres
    double m_cosLatitude;
    double m_northScale;  // metres per radian of latitude at the origin
};

// The header's way of saying that a survey has no place on the earth: a
// latitude or longitude that is not a finite number (a LAS file that names
// no coordinate system opens so).
bool HasGeodeticOrigin(const GeodeticOrigin& origin);
GeodeticOrigin NoGeodeticOrigin();

}  // namespace oxv

namespace oxv {

// A local length in metres as the stored whole millimetres, truncated toward
// zero as every stored value is; first rounded to the micrometre, so that
// the 1.234 m that arithmetic left as 1.2339999999 m still gives 1234.
int32_t StoredMillimetres(double metres);
// Degrees as the stored 1/1000 degree, likewise.
int32_t StoredMilliDegrees(double degrees);

}  // namespace oxv
