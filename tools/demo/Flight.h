#pragma once

#include <vector>

#include "tools/demo/Scene.h"
#include "tools/demo/Vec3.h"

namespace oxv::demo {

// Where the vehicle is and how it sits at one moment.
struct FlightState {
    Vec3 position;    // local frame, metres
    Vec3 velocity;    // m/s
    double heading;   // degrees in (-180, 180]; the nose points along (-cos, -sin) of it
    double bank;      // radians, positive with the right side down
    double noseUp;    // radians, positive with the nose above the horizon
    double speed;     // m/s over ground
    double height;    // metres above the terrain below
};

struct FlightPlan {
    std::vector<Vec3> route;    // ground track, x and y used; corners are rounded off
    double heightAboveGround;   // the lowest clearance over the terrain it follows
    double cruiseSpeed;         // m/s on the straights
    double turnSpeed;           // m/s in the tightest turns
    size_t workEnd = 0;         // route point where the work ends and the run-out begins (0: the last)
};

// A smooth flight along a route: the track is resampled and rounded, the
// speed eases off into turns, the height follows the terrain loosely, and
// bank and nose attitude follow from the motion (coordinated turns, nose
// down in forward flight and when speeding up).
class Flight {
public:
    Flight(const Scene& scene, const FlightPlan& plan);

    double Duration() const { return m_t.empty() ? 0.0 : m_t.back(); }
    double Length() const { return m_s.empty() ? 0.0 : m_s.back(); }
    // When the vehicle passes the route's work end.
    double WorkEndTime() const { return m_workEnd; }
    FlightState At(double seconds) const;

    // The survey's three strips with a turn between each, and the lower,
    // slower first-person flight along the river and through the village.
    static FlightPlan SurveyPlan();
    static FlightPlan FirstPersonPlan(const Scene& scene);

private:
    double m_workEnd = 0.0;
    std::vector<double> m_s, m_t, m_x, m_y, m_z, m_psi, m_bank, m_noseUp, m_v, m_agl;
};

}  // namespace oxv::demo
