#include "tools/demo/Scanner.h"

#include <algorithm>
#include <cmath>

#include "tools/demo/Hash.h"

namespace oxv::demo {

namespace {

Vec3 RotX(Vec3 v, double a)
{
    const double c = std::cos(a), s = std::sin(a);
    return {v.x, c * v.y - s * v.z, s * v.y + c * v.z};
}
Vec3 RotY(Vec3 v, double a)
{
    const double c = std::cos(a), s = std::sin(a);
    return {c * v.x + s * v.z, v.y, -s * v.x + c * v.z};
}
Vec3 RotZ(Vec3 v, double a)
{
    const double c = std::cos(a), s = std::sin(a);
    return {c * v.x - s * v.y, s * v.x + c * v.y, v.z};
}

int32_t Milli(double v) { return static_cast<int32_t>(v * 1000.0); }  // toward zero, as the format wants

}  // namespace

Attitude AttitudeOf(const FlightState& state)
{
    // Rolling about the drawing's y axis lifts a nose that points along -x.
    return {state.noseUp / kDeg, state.bank / kDeg, state.heading};
}

Vec3 BodyToWorld(const Attitude& a, Vec3 body)
{
    // The drawing: heading about z, pitch about -x, roll about y, issued in
    // that order, so a vector is rolled first.
    return RotZ(RotX(RotY(body, a.roll * kDeg), -a.pitch * kDeg), a.heading * kDeg);
}

Vec3 WorldToBody(const Attitude& a, Vec3 world)
{
    return RotY(RotX(RotZ(world, -a.heading * kDeg), a.pitch * kDeg), -a.roll * kDeg);
}

Scanner::Scanner(const Scene& scene, const Flight& flight, const ScannerSettings& settings, double gpsStart)
    : m_scene(scene), m_flight(flight), m_settings(settings), m_gpsStart(gpsStart)
{
    m_settings.pulsesPerLine = std::max(m_settings.pulsesPerLine, 2);
}

bool Scanner::Fire(uint64_t k, Echo& echo) const
{
    const double t = PulseTime(k);
    const FlightState st = m_flight.At(t);
    const Attitude att = AttitudeOf(st);
    // Sweeps always run from left to right (a turning polygon mirror).
    const auto perLine = static_cast<uint64_t>(m_settings.pulsesPerLine);
    const double j = static_cast<double>(k % perLine);
    const double angle = -m_settings.halfAngle + 2.0 * m_settings.halfAngle * (j + 0.5) / static_cast<double>(perLine);
    const Vec3 body{0.0, std::sin(angle * kDeg), -std::cos(angle * kDeg)};
    const Vec3 dir = Normalised(BodyToWorld(att, body));

    Hit hit;
    if (!m_scene.CastRay(st.position, dir, m_settings.maxRange, k, hit)) return false;
    if (hit.t < m_settings.minRange) return false;
    const double incidence = std::clamp(-Dot(hit.normal, dir), 0.0, 1.0);
    const uint64_t h = Hash(k, 0xa3b1u);
    // Calm water returns the beam only near the vertical, and only sometimes.
    if (hit.material == Material::Water && incidence < 0.985 && Unit(h) < 0.6) return false;

    const double falloff = std::min(1.0, (110.0 / hit.t) * (110.0 / hit.t));
    const double amp = 255.0 * hit.reflectance * (0.25 + 0.75 * incidence) * falloff * 1.6 + Uniform(-5.0, 5.0, Hash(h, 1));

    echo.xyz[0] = Milli(hit.point.x);
    echo.xyz[1] = Milli(hit.point.y);
    echo.xyz[2] = Milli(hit.point.z);
    echo.origin[0] = Milli(st.position.x);
    echo.origin[1] = Milli(st.position.y);
    echo.origin[2] = Milli(st.position.z);
    echo.pose.v[kRoll] = Milli(att.roll);
    echo.pose.v[kPitch] = Milli(att.pitch);
    echo.pose.v[kHeading] = Milli(att.heading);
    echo.pose.v[kPosX] = echo.origin[0];
    echo.pose.v[kPosY] = echo.origin[1];
    echo.pose.v[kPosZ] = echo.origin[2];
    echo.color = hit.color;
    echo.amplitude = static_cast<uint8_t>(std::clamp(amp, 1.0, 255.0));
    echo.time = (m_gpsStart + t) * 400.0;
    echo.range = hit.t;
    echo.scanAngle = angle;
    return true;
}

}  // namespace oxv::demo
