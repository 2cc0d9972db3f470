#pragma once

#include "survey/Geodesy.h"

namespace oxv::demo {

// The survey's local frame (x east, y north, z up, metres) and WGS-84
// geodetic positions, tied together by the same tangent-plane approximation
// the viewer's camera path import applies: angle differences scaled by the
// radii of curvature at the frame's origin. Writing navigation files with
// the exact inverse of that mapping puts an imported path back where it was
// flown, to well under a millimetre.
struct GeodeticPosition {
    double latitude = 0.0;   // degrees
    double longitude = 0.0;  // degrees
    double height = 0.0;     // ellipsoidal, metres
};

struct LocalPosition {
    double east = 0.0;
    double north = 0.0;
    double up = 0.0;
};

class LocalFrame {
public:
    // Origin as the point file header holds it: radians, radians, metres.
    LocalFrame(double latitudeRad, double longitudeRad, double height);

    GeodeticPosition ToGeodetic(const LocalPosition& local) const;
    LocalPosition ToLocal(const GeodeticPosition& geo) const;

private:
    double m_lat0;
    double m_lon0;
    double m_h0;
    double m_eastScale;   // metres per radian of longitude at the origin
    double m_northScale;  // metres per radian of latitude at the origin
};

}  // namespace oxv::demo
