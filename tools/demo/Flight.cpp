#include "tools/demo/Flight.h"

#include <algorithm>
#include <cmath>

namespace oxv::demo {

namespace {

constexpr double kStep = 0.5;  // metres between track samples
constexpr double kGravity = 9.81;

// Centred running mean over `half` samples either side, ends held.
void BoxSmooth(std::vector<double>& v, size_t half)
{
    const size_t n = v.size();
    if (n < 3 || half == 0) return;
    std::vector<double> prefix(n + 1, 0.0);
    for (size_t i = 0; i < n; ++i) prefix[i + 1] = prefix[i] + v[i];
    std::vector<double> out(n);
    for (size_t i = 0; i < n; ++i) {
        const size_t lo = i >= half ? i - half : 0;
        const size_t hi = std::min(n - 1, i + half);
        out[i] = (prefix[hi + 1] - prefix[lo]) / static_cast<double>(hi + 1 - lo);
    }
    v.swap(out);
}

void Smooth(std::vector<double>& v, double metres)
{
    const auto half = static_cast<size_t>(metres / kStep / 2.0);
    for (int pass = 0; pass < 3; ++pass) BoxSmooth(v, half);
}

double SmoothStep(double e0, double e1, double x)
{
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

double WrapDegrees(double d)
{
    d = std::fmod(d, 360.0);
    if (d > 180.0) d -= 360.0;
    if (d <= -180.0) d += 360.0;
    return d;
}

void AddArc(std::vector<Vec3>& route, Vec3 centre, double radius, double fromDeg, double toDeg)
{
    const int steps = 48;
    for (int i = 1; i <= steps; ++i) {
        const double a = (fromDeg + (toDeg - fromDeg) * i / steps) * kDeg;
        route.push_back({centre.x + radius * std::cos(a), centre.y + radius * std::sin(a), 0.0});
    }
}

}  // namespace

Flight::Flight(const Scene& scene, const FlightPlan& plan)
{
    // Resample the route evenly.
    std::vector<double> xs, ys;
    double workLength = 0.0, run = 0.0;
    const size_t workEnd = plan.workEnd ? plan.workEnd : plan.route.size() - 1;
    xs.push_back(plan.route.front().x);
    ys.push_back(plan.route.front().y);
    double carry = 0.0;
    for (size_t i = 1; i < plan.route.size(); ++i) {
        const Vec3 a = plan.route[i - 1], b = plan.route[i];
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        double at = kStep - carry;
        while (at <= len) {
            xs.push_back(a.x + (b.x - a.x) * at / len);
            ys.push_back(a.y + (b.y - a.y) * at / len);
            at += kStep;
        }
        carry = len - (at - kStep);
        run += len;
        if (i == workEnd) workLength = run;
    }
    // Round the corners off.
    Smooth(xs, 16.0);
    Smooth(ys, 16.0);
    const size_t n = xs.size();
    m_x = xs;
    m_y = ys;
    m_s.assign(n, 0.0);
    for (size_t i = 1; i < n; ++i) m_s[i] = m_s[i - 1] + std::hypot(m_x[i] - m_x[i - 1], m_y[i] - m_y[i - 1]);

    // Direction of travel, unwrapped, and the track's curvature.
    m_psi.assign(n, 0.0);
    for (size_t i = 0; i < n; ++i) {
        const size_t a = i > 0 ? i - 1 : 0, b = std::min(n - 1, i + 1);
        m_psi[i] = std::atan2(m_y[b] - m_y[a], m_x[b] - m_x[a]);
        if (i > 0) {
            while (m_psi[i] - m_psi[i - 1] > kPi) m_psi[i] -= 2 * kPi;
            while (m_psi[i] - m_psi[i - 1] < -kPi) m_psi[i] += 2 * kPi;
        }
    }
    std::vector<double> curvature(n, 0.0);
    for (size_t i = 0; i < n; ++i) {
        const size_t a = i > 0 ? i - 1 : 0, b = std::min(n - 1, i + 1);
        const double ds = m_s[b] - m_s[a];
        curvature[i] = ds > 0.0 ? (m_psi[b] - m_psi[a]) / ds : 0.0;
    }
    Smooth(curvature, 6.0);

    // Speed eases off well before a turn and picks up after it.
    m_v.assign(n, plan.cruiseSpeed);
    for (size_t i = 0; i < n; ++i)
        m_v[i] = plan.cruiseSpeed - (plan.cruiseSpeed - plan.turnSpeed) * SmoothStep(0.002, 0.014, std::fabs(curvature[i]));
    std::vector<double> slow = m_v;
    // Never faster than the slowest speed within reach: look ahead and behind.
    const auto reach = static_cast<size_t>(90.0 / kStep);
    for (size_t i = 0; i < n; ++i) {
        const size_t lo = i >= reach ? i - reach : 0, hi = std::min(n - 1, i + reach);
        slow[i] = *std::min_element(m_v.begin() + static_cast<std::ptrdiff_t>(lo), m_v.begin() + static_cast<std::ptrdiff_t>(hi) + 1);
    }
    m_v = slow;
    Smooth(m_v, 120.0);

    m_t.assign(n, 0.0);
    for (size_t i = 1; i < n; ++i) m_t[i] = m_t[i - 1] + (m_s[i] - m_s[i - 1]) * 2.0 / (m_v[i] + m_v[i - 1]);

    // Height: clear the highest ground nearby by the planned margin, then
    // ease the profile so that climbs and descents stay gentle.
    std::vector<double> ground(n);
    for (size_t i = 0; i < n; ++i) ground[i] = scene.SurfaceHeight(m_x[i], m_y[i]);
    const auto near = static_cast<size_t>(80.0 / kStep);
    m_z.assign(n, 0.0);
    for (size_t i = 0; i < n; ++i) {
        const size_t lo = i >= near ? i - near : 0, hi = std::min(n - 1, i + near);
        m_z[i] = *std::max_element(ground.begin() + static_cast<std::ptrdiff_t>(lo), ground.begin() + static_cast<std::ptrdiff_t>(hi) + 1) +
                 plan.heightAboveGround;
    }
    Smooth(m_z, 300.0);
    m_agl.assign(n, 0.0);
    for (size_t i = 0; i < n; ++i) m_agl[i] = m_z[i] - ground[i];

    // Attitude from the motion: a coordinated turn banks into the turn,
    // forward flight and acceleration tilt the nose down.
    m_bank.assign(n, 0.0);
    m_noseUp.assign(n, 0.0);
    for (size_t i = 0; i < n; ++i) {
        const double v = m_v[i];
        m_bank[i] = -std::atan(v * v * curvature[i] / kGravity);
        const size_t a = i > 0 ? i - 1 : 0, b = std::min(n - 1, i + 1);
        const double dt = m_t[b] - m_t[a];
        const double accel = dt > 0.0 ? (m_v[b] - m_v[a]) / dt : 0.0;
        m_noseUp[i] = -(1.0 + 0.2 * v) * kDeg - 0.6 * std::atan(accel / kGravity);
    }
    Smooth(m_bank, 30.0);
    Smooth(m_noseUp, 30.0);

    m_workEnd = m_t.back();
    for (size_t i = 0; i < n; ++i)
        if (m_s[i] >= workLength) {
            m_workEnd = m_t[i];
            break;
        }
}

FlightState Flight::At(double seconds) const
{
    const size_t n = m_t.size();
    size_t i = static_cast<size_t>(std::upper_bound(m_t.begin(), m_t.end(), seconds) - m_t.begin());
    i = std::clamp<size_t>(i, 1, n - 1);
    const size_t a = i - 1;
    const double span = m_t[i] - m_t[a];
    const double f = span > 0.0 ? std::clamp((seconds - m_t[a]) / span, 0.0, 1.0) : 0.0;
    auto lerp = [&](const std::vector<double>& v) { return v[a] + (v[i] - v[a]) * f; };
    FlightState st;
    st.position = {lerp(m_x), lerp(m_y), lerp(m_z)};
    const double psi = lerp(m_psi);
    st.speed = lerp(m_v);
    const double climb = span > 0.0 ? (m_z[i] - m_z[a]) / span : 0.0;
    st.velocity = {st.speed * std::cos(psi), st.speed * std::sin(psi), climb};
    st.heading = WrapDegrees(psi / kDeg + 180.0);
    st.bank = lerp(m_bank);
    st.noseUp = lerp(m_noseUp);
    st.height = lerp(m_agl);
    return st;
}

FlightPlan Flight::SurveyPlan()
{
    // Strips 100 m apart along x: east, back west, east again; the swath at
    // this height is about 127 m, so neighbouring strips overlap.
    FlightPlan plan;
    plan.heightAboveGround = 110.0;
    plan.cruiseSpeed = 24.0;
    plan.turnSpeed = 15.0;
    auto& r = plan.route;
    r.push_back({-960.0, -100.0, 0.0});
    r.push_back({850.0, -100.0, 0.0});
    AddArc(r, {850.0, -50.0, 0.0}, 50.0, -90.0, 90.0);
    r.push_back({-850.0, 0.0, 0.0});
    AddArc(r, {-850.0, 50.0, 0.0}, 50.0, -90.0, -270.0);
    r.push_back({960.0, 100.0, 0.0});
    plan.workEnd = r.size() - 1;
    r.push_back({2200.0, 100.0, 0.0});  // run-out beyond the scene
    return plan;
}

FlightPlan Flight::FirstPersonPlan(const Scene& scene)
{
    // Low along the river, up the north-south road through the village,
    // then east along the main road.
    FlightPlan plan;
    plan.heightAboveGround = 40.0;
    plan.cruiseSpeed = 12.0;
    plan.turnSpeed = 8.0;
    auto& r = plan.route;
    for (double x = -760.0; x <= 120.0; x += 20.0) r.push_back({x, scene.RiverCentre(x), 0.0});
    r.push_back({215.0, -70.0, 0.0});
    for (double y = -40.0; y <= 70.0; y += 10.0) r.push_back({scene.RoadTwoCentre(y), y, 0.0});
    for (double x = 290.0; x <= 820.0; x += 20.0) r.push_back({x, scene.RoadOneCentre(x), 0.0});
    return plan;
}

}  // namespace oxv::demo
