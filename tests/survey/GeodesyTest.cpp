#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "survey/Geodesy.h"

namespace oxv {
namespace {

using Enu = std::array<double, 3>;

Enu Convert(const GeodeticOrigin& origin, double lat, double lon, double h)
{
    NavRecord nav{};
    const GeoRecord geo{0.0, lat, lon, h};
    GeodeticToLocal(1, origin, &nav, &geo);
    return {nav.east, nav.north, nav.up};
}

// Exact east, north, up through earth-centred coordinates, on the same
// ellipsoid: the reference the tangent plane approximates.
std::array<double, 3> Ecef(double latRad, double lonRad, double h)
{
    const double a = 6378137.0, e2 = 0.006694379990126406;
    const double n = a / std::sqrt(1.0 - e2 * std::sin(latRad) * std::sin(latRad));
    return {(n + h) * std::cos(latRad) * std::cos(lonRad), (n + h) * std::cos(latRad) * std::sin(lonRad),
            (n * (1.0 - e2) + h) * std::sin(latRad)};
}

Enu ExactEnu(const GeodeticOrigin& o, double latDeg, double lonDeg, double h)
{
    const double rad = M_PI / 180.0;
    const auto p = Ecef(latDeg * rad, lonDeg * rad, h);
    const auto q = Ecef(o.latitude, o.longitude, o.height);
    const double dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
    const double sl = std::sin(o.latitude), cl = std::cos(o.latitude);
    const double so = std::sin(o.longitude), co = std::cos(o.longitude);
    return {-so * dx + co * dy, -sl * co * dx - sl * so * dy + cl * dz, cl * co * dx + cl * so * dy + sl * dz};
}

// The tangent plane's known error: it grows with the squared distance over
// the earth's radius (and the latitude's tangent, which tilts the meridians
// together), plus the height difference times the angle subtended.
double PlaneTolerance(const GeodeticOrigin& o, const Enu& local)
{
    const double r = 6.37e6;
    const double d2 = local[0] * local[0] + local[1] * local[1];
    return (d2 * (1.0 + std::fabs(std::tan(o.latitude))) + std::fabs(local[2]) * std::sqrt(d2)) / r + 1e-6;
}

constexpr double kDeg = 0.017453292519943278;

struct Place {
    const char* name;
    double latDeg, lonDeg, h0;
};
const Place kPlaces[] = {{"alps", 47.0, 8.0, 400.0}, {"south", -33.9, 151.2, 35.0}, {"arctic", 78.2, 15.6, 12.0}};

TEST(Geodesy, DegreeFactorIsPiCutToFourteenDecimals)
{
    EXPECT_EQ(kDegreesToRadians, 3.14159265358979 / 180.0);
    EXPECT_NE(kDegreesToRadians, M_PI / 180.0);
}

TEST(Geodesy, OriginMapsToZero)
{
    for (const Place& p : kPlaces) {
        const GeodeticOrigin o{p.latDeg * kDeg, p.lonDeg * kDeg, p.h0};
        EXPECT_EQ(Convert(o, p.latDeg, p.lonDeg, p.h0), (Enu{0.0, 0.0, 0.0})) << p.name;
        EXPECT_EQ(Convert(o, p.latDeg, p.lonDeg, p.h0 + 25.5)[2], 25.5) << "up is the height difference";
    }
}

TEST(Geodesy, MatchesEarthCentredCoordinatesNearTheOrigin)
{
    // 10 m out the plane is good to a fraction of a millimetre, so the radii
    // of curvature and the origin height in them are pinned down; 2 km out
    // the difference stays within the approximation's known error.
    const double offsets[][3] = {{0.0001, 0.0001, 0.0},  {-0.00005, 0.0001, 3.0}, {0.01, 0.0, 0.0},
                                 {0.0, 0.015, 0.0},      {-0.012, -0.01, 50.0},   {0.018, -0.02, -20.0}};
    for (const Place& p : kPlaces) {
        const GeodeticOrigin o{p.latDeg * kDeg, p.lonDeg * kDeg, p.h0};
        for (const auto& d : offsets) {
            const Enu got = Convert(o, p.latDeg + d[0], p.lonDeg + d[1], p.h0 + d[2]);
            const Enu want = ExactEnu(o, p.latDeg + d[0], p.lonDeg + d[1], p.h0 + d[2]);
            const double tol = PlaneTolerance(o, want);
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(got[static_cast<size_t>(k)], want[static_cast<size_t>(k)], tol)
                    << p.name << " offset " << d[0] << "," << d[1] << " axis " << k;
        }
    }
}

TEST(Geodesy, AgreesWithAnIndependentGeodesyTool)
{
    if (std::system("command -v CartConvert >/dev/null 2>&1") != 0) GTEST_SKIP() << "CartConvert not installed";
    const Place& p = kPlaces[0];
    const GeodeticOrigin o{p.latDeg * kDeg, p.lonDeg * kDeg, p.h0};
    const std::vector<std::array<double, 3>> points = {
        {47.0001, 8.0001, 400.0}, {47.005, 8.012, 420.0}, {46.99, 7.985, 380.0}, {47.013, 8.0, 400.0}};
    std::string input;
    for (const auto& q : points) {
        char line[128];
        std::snprintf(line, sizeof line, "%.10f %.10f %.4f\\n", q[0], q[1], q[2]);
        input += line;
    }
    char command[256];
    std::snprintf(command, sizeof command, "printf '%s' | CartConvert -l %.10f %.10f %.4f -p 9", input.c_str(),
                  p.latDeg, p.lonDeg, p.h0);
    FILE* pipe = popen(command, "r");
    ASSERT_TRUE(pipe);
    for (const auto& q : points) {
        Enu want{};
        ASSERT_EQ(std::fscanf(pipe, "%lf %lf %lf", &want[0], &want[1], &want[2]), 3);
        const Enu got = Convert(o, q[0], q[1], q[2]);
        for (size_t k = 0; k < 3; ++k) EXPECT_NEAR(got[k], want[k], PlaneTolerance(o, want)) << q[0] << " " << q[1];
    }
    pclose(pipe);
}

}  // namespace
}  // namespace oxv
