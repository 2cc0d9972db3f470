// The first-person flight's navigation files, read the way the viewer's
// import reads them, must land on the flown path in the survey's frame.

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/demo/DemoSurvey.h"
#include "survey/CameraPath.h"
#include "tests/support/ScratchDir.h"
#include "survey/SurveyDocument.h"

namespace oxv::demo {
namespace {

// The import's tangent-plane conversion, written out from its definition.
struct ImportFrame {
    double lat0, lon0, h0, m, n;
    ImportFrame(double lat, double lon, double h) : lat0(lat), lon0(lon), h0(h)
    {
        const double a = 6378137.0, e2 = 0.006694379990126406, e = std::sqrt(e2);
        const double w = 1.0 - (e * std::sin(lat0)) * (e * std::sin(lat0));
        m = a * (1.0 - e2) / std::pow(w, 1.5);
        n = a / std::pow(w, 0.5);
    }
    LocalPosition Convert(double latDeg, double lonDeg, double height) const
    {
        const double k = 0.017453292519943278;
        return {(lonDeg * k - lon0) * (n + h0) * std::cos(lat0), (latDeg * k - lat0) * (m + h0), height - h0};
    }
};

std::vector<std::string> Lines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

TEST(LocalFrame, GeodeticRoundTripHoldsToMicrometres)
{
    for (const double lat : {-71.5, -12.0, 0.0, 47.21865, 68.9})
        for (const double lon : {-120.0, 8.65921, 179.0}) {
            const LocalFrame frame(lat * kDeg, lon * kDeg, 402.35);
            const ImportFrame import(lat * kDeg, lon * kDeg, 402.35);
            for (const LocalPosition p : {LocalPosition{0, 0, 0}, LocalPosition{-2500.0, 1800.0, 75.5},
                                          LocalPosition{3100.25, -2700.75, -40.0}, LocalPosition{12.345, 67.891, 500.0}}) {
                const GeodeticPosition g = frame.ToGeodetic(p);
                const LocalPosition back = import.Convert(g.latitude, g.longitude, g.height);
                EXPECT_NEAR(back.east, p.east, 1e-6) << lat << " " << lon;
                EXPECT_NEAR(back.north, p.north, 1e-6);
                EXPECT_NEAR(back.up, p.up, 1e-9);
            }
        }
    // The origin itself maps to zero.
    const LocalFrame frame(0.9, 0.15, 312.25);
    const GeodeticPosition g = frame.ToGeodetic({0, 0, 0});
    EXPECT_DOUBLE_EQ(g.latitude * kDegreesToRadians, 0.9);
    EXPECT_DOUBLE_EQ(g.height, 312.25);
}

class NavigationFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new test::ScratchDir;
        world = new DemoWorld(3);
        options.gpsStart = world->FirstPersonGpsStart();
        std::string error;
        epochs = WriteNavigationFiles(dir->Path().string(), world->FirstPersonFlight(), world->Frame(), options, error);
        ASSERT_GT(epochs, 0) << error;
    }
    static void TearDownTestSuite()
    {
        delete world;
        delete dir;
    }
    static test::ScratchDir* dir;
    static DemoWorld* world;
    static NavigationExport options;
    static int epochs;
};
test::ScratchDir* NavigationFiles::dir;
DemoWorld* NavigationFiles::world;
NavigationExport NavigationFiles::options;
int NavigationFiles::epochs;

TEST_F(NavigationFiles, LinesParseAsTheImportExpectsAndPairUp)
{
    const auto navx = Lines(dir->File("navx.txt"));
    const auto geo = Lines(dir->File("geo.txt"));
    const auto window = Lines(dir->File("gps_tw.txt"));
    ASSERT_EQ(window.size(), 2u);
    const double start = std::atof(window[0].c_str()), end = std::atof(window[1].c_str());
    ASSERT_LT(start, end);

    int navRecords = 0, geoRecords = 0, navComments = 0, geoComments = 0;
    std::vector<double> navTimes, geoTimes;
    for (const std::string& l : navx) {
        if (l[0] == '%') {
            ++navComments;
            continue;
        }
        int week;
        double f[10];
        ASSERT_EQ(std::sscanf(l.c_str(), "%d %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf", &week, f, f + 1, f + 2, f + 3,
                              f + 4, f + 5, f + 6, f + 7, f + 8, f + 9),
                  11)
            << l;
        ++navRecords;
        if (start < f[0] && f[0] < end) navTimes.push_back(f[0]);
        ASSERT_GT(f[9], -180.0);
        ASSERT_LE(f[9], 180.0);
    }
    for (const std::string& l : geo) {
        if (l[0] == '%') {
            ++geoComments;
            continue;
        }
        double f[4];
        ASSERT_EQ(std::sscanf(l.c_str(), "%lf %lf %lf %lf", f, f + 1, f + 2, f + 3), 4) << l;
        ++geoRecords;
        if (start < f[0] && f[0] < end) geoTimes.push_back(f[0]);
    }
    EXPECT_GE(navComments, 1);
    EXPECT_GE(geoComments, 1);
    EXPECT_EQ(navRecords, epochs);
    EXPECT_EQ(geoRecords, epochs);
    // The window trims both files alike, so pairing by order pairs equal times.
    ASSERT_EQ(navTimes, geoTimes);
    EXPECT_LT(navTimes.size(), static_cast<size_t>(epochs));
    EXPECT_GT(navTimes.size(), static_cast<size_t>(epochs) * 9 / 10);
}

TEST_F(NavigationFiles, ImportedPositionsLandOnTheFlownPathToTheMillimetre)
{
    const auto geo = Lines(dir->File("geo.txt"));
    const GeodeticOrigin& o = world->Origin();
    const ImportFrame import(o.latitude, o.longitude, o.height);
    double worst = 0.0;
    int i = 0;
    for (const std::string& l : geo) {
        if (l[0] == '%') continue;
        double t, lat, lon, h;
        ASSERT_EQ(std::sscanf(l.c_str(), "%lf %lf %lf %lf", &t, &lat, &lon, &h), 4);
        const LocalPosition got = import.Convert(lat, lon, h);
        const FlightState st = world->FirstPersonFlight().At(i / options.rate);
        worst = std::max(worst, std::fabs(got.east - st.position.x));
        worst = std::max(worst, std::fabs(got.north - st.position.y));
        worst = std::max(worst, std::fabs(got.up - st.position.z));
        ++i;
    }
    EXPECT_LT(worst, 0.001);
}

TEST_F(NavigationFiles, TheCameraLooksAlongTheFlightLowAndSlow)
{
    const auto navx = Lines(dir->File("navx.txt"));
    std::vector<std::array<double, 10>> rec;
    for (const std::string& l : navx) {
        if (l[0] == '%') continue;
        int week;
        std::array<double, 10> f;
        std::sscanf(l.c_str(), "%d %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf", &week, &f[0], &f[1], &f[2], &f[3], &f[4],
                    &f[5], &f[6], &f[7], &f[8], &f[9]);
        rec.push_back(f);
    }
    for (size_t i = 0; i + 50 < rec.size(); i += 25) {
        const auto& a = rec[i];
        const auto& b = rec[i + 50];
        const double dx = b[1] - a[1], dy = b[2] - a[2], dist = std::hypot(dx, dy);
        const double speed = dist / (b[0] - a[0]);
        ASSERT_GT(speed, 6.0);
        ASSERT_LT(speed, 15.0);  // slower than the survey
        // The first-person camera looks along (-cos h, -sin h).
        const double h = a[9] * kDeg;
        ASSERT_GT((dx * -std::cos(h) + dy * -std::sin(h)) / dist, std::cos(15.0 * kDeg)) << "epoch " << i;
        const double agl = a[3] - world->GetScene().SurfaceHeight(a[1], a[2]);
        ASSERT_GT(agl, 25.0);
        ASSERT_LT(agl, 80.0);
    }
}

}  // namespace
}  // namespace oxv::demo

namespace oxv::demo {
namespace {

// The viewer's own import, run on a demo folder against the demo survey's
// header, yields the flown first-person path in the survey's frame.
TEST(DemoCameraPath, ImportPutsThePathWhereItWasFlown)
{
    test::ScratchDir dir;
    DemoOptions options;
    options.points = 2000;
    options.seed = 4;
    DemoReport report;
    std::string error;
    ASSERT_TRUE(WriteDemo(dir.Path().string(), options, nullptr, report, error)) << error;
    SurveyDocument doc;
    MemoryProfile profile;
    LoadObserver quiet;
    ASSERT_EQ(doc.LoadPointFile(dir.File("survey.oxv"), profile, quiet), LoadStatus::Ok);

    const CameraPathImport import = ImportCameraPath(dir.Path().string(), *doc.m_pPoints);
    ASSERT_TRUE(import.path);
    EXPECT_EQ(import.source, CameraPathSource::Text);
    const NavigationExport nav;  // the settings WriteDemo uses
    const int32_t count = import.path[0].key;
    // The window drops the epochs within its trim at either end, and the
    // ones on its bounds.
    const int trimmed = static_cast<int>(nav.trim * nav.rate);
    EXPECT_EQ(count, report.navigationEpochs - 2 * trimmed - 2);

    const DemoWorld world(4);
    double worst = 0.0;
    for (int32_t i = 0; i < count; ++i) {
        const PathNode& n = import.path[static_cast<size_t>(i)];
        const FlightState st = world.FirstPersonFlight().At((trimmed + 1 + i) / nav.rate);
        if (i > 0) {
            // Milliseconds since the first record, truncated: within one of the exact value.
            ASSERT_NEAR(n.key, i * 1000.0 / nav.rate, 1.0) << i;
        }
        worst = std::max({worst, std::fabs(n.x / 1000.0 - st.position.x), std::fabs(n.y / 1000.0 - st.position.y),
                          std::fabs(n.z / 1000.0 - st.position.z)});
        double dh = n.heading / 1000.0 - st.heading;
        if (dh > 180.0) dh -= 360.0;
        if (dh < -180.0) dh += 360.0;
        ASSERT_LT(std::fabs(dh), 0.002) << i;
    }
    EXPECT_LT(worst, 0.002);  // millimetre truncation plus text rounding
}

}  // namespace
}  // namespace oxv::demo
