#pragma once

#include <cstdint>

#include "tools/demo/Flight.h"
#include "tools/demo/Scene.h"
#include "survey/SurveyTypes.h"
#include "tools/demo/Vec3.h"

namespace oxv::demo {

struct ScannerSettings {
    double halfAngle = 30.0;    // degrees either side of straight down, across the track
    double pulseRate = 100e3;   // pulses per second
    int pulsesPerLine = 200;    // one sweep from left to right
    double minRange = 20.0;     // metres; nearer echoes are blanked
    double maxRange = 250.0;    // metres; fainter echoes are lost
};

// One echo as the point file stores it (and a few values for the tests).
struct Echo {
    int32_t xyz[3];
    int32_t origin[3];
    Pose pose;
    Color color;
    uint8_t amplitude;
    double time;       // 1/400 s
    double range;      // metres, before rounding to millimetres
    double scanAngle;  // degrees in the sensor's frame, positive to the right
};

// Attitude of the sensor, in the axes of the helicopter drawing: the nose
// along -x, the right side along +y, z up. Pose roll turns about the body's
// y axis (positive raises the nose), pose pitch about -x (positive lowers
// the right side), heading about z; applied roll first, then pitch, then
// heading, as the drawing does.
struct Attitude {
    double roll, pitch, heading;  // degrees
};
Attitude AttitudeOf(const FlightState& state);
// World direction of a vector given in the sensor's body axes.
Vec3 BodyToWorld(const Attitude& a, Vec3 body);
Vec3 WorldToBody(const Attitude& a, Vec3 world);

// An across-track line scanner on the flight: pulse k leaves at
// k / pulseRate seconds into the flight, aimed by its place in its sweep.
class Scanner {
public:
    Scanner(const Scene& scene, const Flight& flight, const ScannerSettings& settings, double gpsStart);

    const ScannerSettings& Settings() const { return m_settings; }
    double PulseTime(uint64_t k) const { return static_cast<double>(k) / m_settings.pulseRate; }
    // False when pulse k brings no echo back (sky, range, or a water surface
    // that mirrors the beam away).
    [[nodiscard]] bool Fire(uint64_t k, Echo& echo) const;

private:
    const Scene& m_scene;
    const Flight& m_flight;
    ScannerSettings m_settings;
    double m_gpsStart;
};

}  // namespace oxv::demo
