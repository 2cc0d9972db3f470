#pragma once

#include <numbers>

namespace oxv {

// One factor per meaning, so a reader sees which one a formula takes.
//
// pi as the navigation software cuts it. Every angle the viewer turns or
// places by (the orbit camera's steps and its first tilt, the first-person
// camera's attitude, geodetic positions and origins) goes through it, so
// paths and pictures stay those made before.
inline constexpr double kNavigationPi = 3.14159265358979;
inline constexpr double kDegreesToRadians = kNavigationPi / 180.0;

// The exact factors, for angles of our own making (the view fit, the demo
// kit) and for radians that come from elsewhere (trajectories).
inline constexpr double kExactDegreesToRadians = std::numbers::pi / 180.0;
inline constexpr double kExactRadiansToDegrees = 180.0 / std::numbers::pi;

}  // namespace oxv
