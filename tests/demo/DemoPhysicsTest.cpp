// The demo survey must behave like a real one where a user would notice:
// beams that start at the sensor and end on the point, a scanner that keeps
// to its swath and its range, time that runs forward, and a pose track
// that sits on the measurement origins and points the nose along the flight.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "tools/demo/DemoSurvey.h"
#include "tests/support/ScratchDir.h"
#include "survey/SurveyDocument.h"

namespace oxv::demo {
namespace {

constexpr int32_t kPoints = 50000;

// The drawing's rotation, written out on its own: a body vector is rolled
// about y, pitched about -x, then turned by the heading about z. Its inverse
// takes a world vector into the sensor's axes.
Vec3 IntoBody(const int32_t* pose, Vec3 w)
{
    const double r = pose[kRoll] / 1000.0 * kDeg, p = pose[kPitch] / 1000.0 * kDeg, h = pose[kHeading] / 1000.0 * kDeg;
    // Undo the heading (about z) ...
    Vec3 a{std::cos(h) * w.x + std::sin(h) * w.y, -std::sin(h) * w.x + std::cos(h) * w.y, w.z};
    // ... the pitch about -x ...
    Vec3 b{a.x, std::cos(p) * a.y - std::sin(p) * a.z, std::sin(p) * a.y + std::cos(p) * a.z};
    // ... and the roll about y.
    return {std::cos(r) * b.x - std::sin(r) * b.z, b.y, std::sin(r) * b.x + std::cos(r) * b.z};
}

class DemoPhysics : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = std::make_unique<test::ScratchDir>();
        DemoOptions options;
        options.points = kPoints;
        options.seed = 7;
        std::string error;
        DemoReport report;
        ASSERT_TRUE(WriteDemo(dir->Path().string(), options, nullptr, report, error)) << error;
        doc = std::make_unique<SurveyDocument>();
        MemoryProfile profile;
        LoadObserver quiet;
        ASSERT_EQ(doc->LoadPointFile(dir->File("survey.oxv"), profile, quiet), LoadStatus::Ok);
        world = std::make_unique<DemoWorld>(7);
    }
    static void TearDownTestSuite()
    {
        doc.reset();
        world.reset();
        dir.reset();
    }
    static const PointImage& Image() { return *doc->m_pPoints; }

    static std::unique_ptr<test::ScratchDir> dir;
    static std::unique_ptr<SurveyDocument> doc;
    static std::unique_ptr<DemoWorld> world;
};
std::unique_ptr<test::ScratchDir> DemoPhysics::dir;
std::unique_ptr<SurveyDocument> DemoPhysics::doc;
std::unique_ptr<DemoWorld> DemoPhysics::world;

Vec3 Metres(const int32_t* mm) { return {mm[0] / 1000.0, mm[1] / 1000.0, mm[2] / 1000.0}; }

TEST_F(DemoPhysics, CarriesEveryChannelAndTheRequestedCount)
{
    const PointImage& im = Image();
    EXPECT_EQ(im.RecordCount(), kPoints);
    EXPECT_TRUE(im.HasOrigin() && im.HasColor() && im.HasAmplitude() && im.HasTime() && im.HasPose());
    EXPECT_NEAR(im.Header().origin.latitude, 47.21865 * kDeg, 1e-12);
    EXPECT_GT(im.Header().origin.height, 0.0);
    ASSERT_TRUE(doc->m_pScannerPath);
    ASSERT_TRUE(doc->m_pTimeline);
    // The timeline spans the flight's strips, some four minutes.
    EXPECT_GT(doc->m_pTimeline->t1 - doc->m_pTimeline->t0, 200.0);
    EXPECT_LT(doc->m_pTimeline->t1 - doc->m_pTimeline->t0, 320.0);
}

TEST_F(DemoPhysics, EveryBeamRunsFromTheSensorAcrossTheTrackWithinRangeAndSwath)
{
    const PointImage& im = Image();
    double maxAngle = 0.0, maxAlong = 0.0, minRange = 1e9, maxRange = 0.0;
    for (int32_t i = 0; i < im.Records(); ++i) {
        const Vec3 beam = Metres(im.Xyz(static_cast<size_t>(i))) - Metres(im.OriginXyz(static_cast<size_t>(i)));
        const double range = Length(beam);
        minRange = std::min(minRange, range);
        maxRange = std::max(maxRange, range);
        const Vec3 body = IntoBody(im.PoseWords(static_cast<size_t>(i)), (1.0 / range) * beam);
        // The mirror sweeps in the plane across the track: no along-track part.
        maxAlong = std::max(maxAlong, std::fabs(body.x));
        ASSERT_LT(body.z, 0.0) << "record " << i << " looks upwards";
        maxAngle = std::max(maxAngle, std::fabs(std::atan2(body.y, -body.z)) / kDeg);
    }
    EXPECT_LT(maxAlong, 2e-4);
    EXPECT_LE(maxAngle, 30.0 + 1e-3);
    EXPECT_GT(maxAngle, 29.0);  // and uses the whole swath
    EXPECT_GE(minRange, 20.0);
    EXPECT_LE(maxRange, 250.0);
    EXPECT_LT(minRange, 100.0);
    // The document's own range statistics agree (millimetres).
    EXPECT_NEAR(doc->m_rangeStat.max / 1000.0, maxRange, 0.002);
    EXPECT_NEAR(doc->m_rangeStat.min / 1000.0, minRange, 0.002);
}

TEST_F(DemoPhysics, EchoRangeIsTheDistanceFromPointToOrigin)
{
    const DemoWorld& w = *world;
    const ScannerSettings s = w.PlanScanner(kPoints);
    const Scanner scanner(w.GetScene(), w.SurveyFlight(), s, w.GpsStart());
    Echo echo;
    int echoes = 0;
    for (uint64_t k = 0; k < 40000; k += 7) {
        if (!scanner.Fire(k, echo)) continue;
        ++echoes;
        const Vec3 beam = Metres(echo.xyz) - Metres(echo.origin);
        ASSERT_NEAR(Length(beam), echo.range, 0.002) << "pulse " << k;
        ASSERT_LE(std::fabs(echo.scanAngle), s.halfAngle);
        ASSERT_DOUBLE_EQ(echo.time, (w.GpsStart() + scanner.PulseTime(k)) * 400.0);
    }
    EXPECT_GT(echoes, 5000);
}

TEST_F(DemoPhysics, TimeNeverRunsBackwards)
{
    const PointImage& im = Image();
    for (int32_t i = 1; i < im.Records(); ++i)
        ASSERT_LE(im.Time(static_cast<size_t>(i - 1)), im.Time(static_cast<size_t>(i))) << "record " << i;
    // GPS-like seconds of the week in 1/400 s.
    EXPECT_GT(im.Time(0) / 400.0, 0.0);
    EXPECT_LT(im.Time(0) / 400.0, 604800.0);
}

TEST_F(DemoPhysics, PoseSitsOnTheOriginAndTheInterpolatedPoseFollowsIt)
{
    const PointImage& im = Image();
    for (int32_t i = 0; i < im.Records(); ++i) {
        const int32_t* pose = im.PoseWords(static_cast<size_t>(i));
        const int32_t* origin = im.OriginXyz(static_cast<size_t>(i));
        for (int k = 0; k < 3; ++k) ASSERT_LE(std::abs(pose[kPosX + k] - origin[k]), 10) << "record " << i;
    }
    // At every frame's time, the document's interpolated pose lies between
    // the origins of the two records around it, within centimetres.
    const PlaybackTimeline& tl = *doc->m_pTimeline;
    for (int32_t f = 0; f < tl.frames; f += 3) {
        Pose pose;
        ASSERT_EQ(doc->InterpolatePoseAt(f, pose), 1);
        const auto c = static_cast<size_t>(tl.spans[static_cast<size_t>(f)].first);
        const double ta = im.Time(c) / 400.0, tb = im.Time(c + 1) / 400.0, t = f * tl.step + tl.t0;
        const double d = tb > ta ? (t - ta) / (tb - ta) : 0.0;
        const Vec3 a = Metres(im.OriginXyz(c)), b = Metres(im.OriginXyz(c + 1));
        const Vec3 expect = a + d * (b - a);
        const Vec3 got{pose.v[kPosX] / 1000.0, pose.v[kPosY] / 1000.0, pose.v[kPosZ] / 1000.0};
        ASSERT_LT(Length(got - expect), 0.01) << "frame " << f;
    }
}

TEST_F(DemoPhysics, TheHelicopterFliesNoseFirstAtSurveyHeightAndSpeed)
{
    const PointImage& im = Image();
    const int32_t n = im.Records();
    int checked = 0, turning = 0;
    for (int32_t i = 0; i + 1 < n; i += 97) {
        // The record about a second later.
        int32_t j = i;
        while (j + 1 < n && im.Time(static_cast<size_t>(j)) - im.Time(static_cast<size_t>(i)) < 400.0) ++j;
        const double dt = (im.Time(static_cast<size_t>(j)) - im.Time(static_cast<size_t>(i))) / 400.0;
        if (dt < 0.5) continue;
        const Vec3 a = Metres(im.OriginXyz(static_cast<size_t>(i))), b = Metres(im.OriginXyz(static_cast<size_t>(j)));
        const double speed = std::hypot(b.x - a.x, b.y - a.y) / dt;
        ASSERT_GT(speed, 14.0);
        ASSERT_LT(speed, 30.0);
        const double h = im.PoseWords(static_cast<size_t>(i))[kHeading] / 1000.0 * kDeg;
        const double along = ((b.x - a.x) * -std::cos(h) + (b.y - a.y) * -std::sin(h)) / std::hypot(b.x - a.x, b.y - a.y);
        ASSERT_GT(along, std::cos(12.0 * kDeg)) << "record " << i;  // the nose leads within a few degrees
        const double agl = a.z - world->GetScene().SurfaceHeight(a.x, a.y);
        ASSERT_GT(agl, 80.0);
        ASSERT_LT(agl, 150.0);
        // Banked into turns (pose pitch lowers the right side when positive),
        // no steeper than a survey pilot would.
        const double bank = im.PoseWords(static_cast<size_t>(i))[kPitch] / 1000.0;
        ASSERT_LT(std::fabs(bank), 35.0);
        double turn = im.PoseWords(static_cast<size_t>(j))[kHeading] / 1000.0 - h / kDeg;
        if (turn > 180.0) turn -= 360.0;
        if (turn < -180.0) turn += 360.0;
        if (turn / dt > 6.0) {  // turning left
            EXPECT_LT(bank, -5.0) << "record " << i;
            ++turning;
        } else if (turn / dt < -6.0) {
            EXPECT_GT(bank, 5.0) << "record " << i;
            ++turning;
        }
        // Nose a little down in forward flight (pose roll raises it).
        EXPECT_LT(im.PoseWords(static_cast<size_t>(i))[kRoll], 0) << "record " << i;
        ++checked;
    }
    EXPECT_GT(checked, 100);
    EXPECT_GT(turning, 10);
}

TEST(DemoChannels, ParsesListsAndPacksTheLayout)
{
    DemoChannels c;
    std::string error;
    ASSERT_TRUE(ParseChannelList("xyz,time,pose", c, error)) << error;
    EXPECT_FALSE(c.origin || c.color || c.amplitude);
    EXPECT_TRUE(c.time && c.pose);
    const PointFileLayout l = LayoutFor(c, {});
    EXPECT_EQ(l.stride, 11);
    EXPECT_EQ(l.channels.xyz, 0);
    EXPECT_EQ(l.channels.time, 3);
    EXPECT_EQ(l.channels.pose, 5);
    EXPECT_EQ(l.channels.origin, -1);
    const PointFileLayout full = LayoutFor(DemoChannels{}, {});
    EXPECT_EQ(full.stride, 16);
    EXPECT_EQ(full.channels.pose, 10);

    for (const char* bad : {"time,pose", "xyz,foo", "", "xyz,,pose"}) {
        DemoChannels untouched;
        EXPECT_FALSE(ParseChannelList(bad, untouched, error)) << bad;
        EXPECT_TRUE(untouched.origin) << bad;
    }
}

}  // namespace
}  // namespace oxv::demo
