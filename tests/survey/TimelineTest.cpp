#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "survey/SurveyDocument.h"
#include "tests/support/SurveyFixture.h"
#include "survey/Timeline.h"

namespace oxv {
namespace {

using test::ImageOf;

// Records with the given time stamps (1/400 s) and the sensor at x = time mm.
PointImage TimedImage(const std::vector<double>& times)
{
    return ImageOf(test::SurveyBytes(PointFileLayout{}, static_cast<int32_t>(times.size()), [&](int32_t i, PointRecord& r) {
        const double t = times[static_cast<size_t>(i)];
        r.SetTime(t);
        r.SetPose(Pose{{0, 0, 0, static_cast<int32_t>(t), 0, 0}});
    }));
}

std::vector<double> Every(double stepStamps, int count)
{
    std::vector<double> t;
    for (int i = 0; i < count; ++i) t.push_back(i * stepStamps);
    return t;
}

std::unique_ptr<PlaybackTimeline> Build(const PointImage& image, double speed, double interval)
{
    std::unique_ptr<PlaybackTimeline> timeline;
    EXPECT_EQ(MakeTimeline(image, speed, interval, timeline), TimelineOutcome::Built);
    return timeline;
}

TEST(Timeline, FrameCountFollowsSpeedAndInterval)
{
    const PointImage image = TimedImage(Every(400, 11));  // 0 to 10 s
    auto realTime = Build(image, 1.0, 0.0333);
    EXPECT_EQ(realTime->frames, 300);
    EXPECT_EQ(realTime->t0, 0.0);
    EXPECT_EQ(realTime->t1, 10.0);
    auto doubleSpeed = Build(image, 2.0, 0.0333);
    EXPECT_EQ(doubleSpeed->frames, 150);
    EXPECT_DOUBLE_EQ(doubleSpeed->step, 0.0666);
    EXPECT_EQ(Build(TimedImage({7}), 1.0, 0.0333)->frames, 0) << "a single record has no frames";
}

TEST(Timeline, SpansHoldTheRecordsOfEachFrame)
{
    const PointImage image = TimedImage(Every(1, 4000));  // a record every 1/400 s
    auto timeline = Build(image, 1.0, 0.0333);
    EXPECT_EQ(timeline->spans[0].first, 0);
    EXPECT_EQ(timeline->spans[0].last, 13);
    for (int32_t j = 1; j < timeline->frames; ++j) {
        // The frame starts where the previous one ended (give or take a
        // rounding of the boundary time).
        EXPECT_NEAR(timeline->spans[j].first, timeline->spans[j - 1].last, 1) << j;
        EXPECT_GE(timeline->spans[j].last, timeline->spans[j].first) << j;
        EXPECT_LE(timeline->spans[j].last, 4000 - 2);
    }
}

TEST(Timeline, RefusesFrameCountsThatCannotExist)
{
    struct Case {
        const char* name;
        std::vector<double> times;
        double speed, interval;
        TimelineOutcome outcome = TimelineOutcome::Failed;
    };
    const Case cases[] = {
        {"time runs backwards", {400, 0}, 1.0, 0.0333},
        {"zero interval", {0, 400}, 1.0, 0.0},
        {"negative speed", {0, 400}, -1.0, 0.0333},
        {"negative speed over backwards time", {400, 0}, -1.0, 0.0333},
        {"negative interval over backwards time", {400, 0}, 1.0, -0.0333},
        {"NaN speed", {0, 400}, std::nan(""), 0.0333},
        {"NaN time stamp", {0, std::nan("")}, 1.0, 0.0333},
        {"beyond int32 frames", {0, 1e12}, 1.0, 0.0333, TimelineOutcome::TooManyFrames},
        {"more frames than anyone could play", {0, 400.0 * 0.0333 * (1 << 27) * 1.01}, 1.0, 0.0333,
         TimelineOutcome::TooManyFrames},
    };
    for (const Case& c : cases) {
        std::unique_ptr<PlaybackTimeline> timeline;
        EXPECT_EQ(MakeTimeline(TimedImage(c.times), c.speed, c.interval, timeline), c.outcome) << c.name;
        EXPECT_EQ(timeline, nullptr) << c.name;
    }
}

TEST(Timeline, SpansStayInsideTheRecordsWhateverTheTimeStamps)
{
    const std::vector<double> cases[] = {
        {0, 800, 100, 400, 1200, 50, 1600},
        {0, 0, 0, 2000},
        {0, std::nan(""), 300, std::nan(""), 800},
        {400, 0, 1200},
    };
    for (const auto& times : cases) {
        const int32_t n = static_cast<int32_t>(times.size());
        auto timeline = Build(TimedImage(times), 1.0, 0.0333);
        ASSERT_NE(timeline, nullptr);
        for (int32_t j = 0; j < timeline->frames; ++j) {
            EXPECT_GE(timeline->spans[j].first, 0) << j;
            EXPECT_LT(timeline->spans[j].last, n) << j;
        }
    }
}

TEST(InterpolatePose, HeadingTakesTheShortWayAcrossTheSeam)
{
    struct Case {
        int32_t a, b;
        double t;
        int32_t expected;
    };
    const Case cases[] = {
        {10000, 30000, 0.5, 20000},     {179000, -179000, 0.5, 180000}, {-179000, 179000, 0.5, 180000},
        {100000, -100000, 0.5, 180000}, {179000, -179000, 0.75, 180500}, {-90000, 90000, 0.5, 0},
    };
    for (const Case& c : cases) {
        Pose out{};
        ASSERT_TRUE(InterpolatePose(out, Pose{{0, 0, c.a, 0, 0, 0}}, Pose{{0, 0, c.b, 0, 0, 0}}, c.t, 0.0, 1.0));
        EXPECT_EQ(out.v[kHeading], c.expected) << c.a << " -> " << c.b << " at " << c.t;
    }
}

TEST(InterpolatePose, InterpolatesPlainlyAndOnlyInsideTheInterval)
{
    const Pose a{{1000, -2000, 0, 0, 10, -10}};
    const Pose b{{3000, 2000, 0, 1001, 20, -20}};
    Pose out{{9, 9, 9, 9, 9, 9}};
    ASSERT_TRUE(InterpolatePose(out, a, b, 1.5, 1.0, 2.0));
    EXPECT_EQ(out.v[kRoll], 2000);
    EXPECT_EQ(out.v[kPitch], 0);
    EXPECT_EQ(out.v[kPosX], 500) << "500.5 truncates";
    EXPECT_EQ(out.v[kPosZ], -15);
    Pose untouched{{9, 9, 9, 9, 9, 9}};
    EXPECT_FALSE(InterpolatePose(untouched, a, b, 2.5, 1.0, 2.0));
    EXPECT_FALSE(InterpolatePose(untouched, a, b, 0.5, 1.0, 2.0));
    EXPECT_EQ(untouched.v[0], 9);
    ASSERT_TRUE(InterpolatePose(out, a, b, 1.0, 1.0, 1.0)) << "equal times take the earlier pose";
    EXPECT_EQ(out.v[kRoll], 1000);
}

TEST(InterpolatePose, AtFrameUsesTheFramesStartTime)
{
    const PointImage image = TimedImage(Every(4, 1001));  // x = stamp mm
    auto timeline = Build(image, 1.0, 0.1);                // 100 frames of 0.1 s
    Pose pose{};
    ASSERT_TRUE(InterpolatePoseAt(image, *timeline, 25, pose));
    EXPECT_NEAR(pose.v[kPosX], 25 * 0.1 * 400, 1);
    EXPECT_FALSE(InterpolatePoseAt(image, *timeline, timeline->frames, pose));
    EXPECT_FALSE(InterpolatePoseAt(image, *timeline, -1, pose));
}

}  // namespace
}  // namespace oxv
