// The plan of a recorded run and the ranges a split run asks for.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "playback/FrameRecording.h"
#include "playback/RecordFrames.h"
#include "tests/playback/PlaybackTestSupport.h"

namespace oxv {
namespace {

using Numbers = std::vector<int32_t>;

TEST(RecordFrames, RangesParseOnlyWholeOrderedNumbers)
{
    const struct {
        const char* text;
        int32_t first, end;
    } good[] = {{"3:7", 3, 7}, {"0:0", 0, 0}, {":5", 0, 5}, {"5:", 5, FrameRange{}.end}, {":", 0, FrameRange{}.end}};
    for (const auto& c : good) {
        const auto r = ParseFrameRange(c.text);
        ASSERT_TRUE(r) << c.text;
        EXPECT_EQ(r->first, c.first) << c.text;
        EXPECT_EQ(r->end, c.end) << c.text;
    }
    for (const char* bad : {"", "5", "7:3", "-1:4", "+1:4", "1:+4", "a:4", "1.5:4", "1:4:5", " 1:4", "1:99999999999"})
        EXPECT_FALSE(ParseFrameRange(bad)) << bad;
    const FrameRange r = *ParseFrameRange("2:4");
    EXPECT_EQ(NumbersInRange({0, 1, 2, 3, 4, 6}, r), (Numbers{2, 3}));
}

TEST(RecordFrames, PlaybackSkipsTheNumberBeforeTheLast)
{
    EXPECT_EQ(PlaybackFileNumbers(6, 30), (Numbers{0, 1, 2, 3, 5}));
    EXPECT_EQ(PlaybackFileNumbers(6, 1), (Numbers{0, 1, 2, 3})) << "a one-tick hold stops before drawing";
    EXPECT_EQ(PlaybackFileNumbers(6, 0), (Numbers{0, 1, 2, 3, 5})) << "an endless hold is written";
    EXPECT_EQ(PlaybackFileNumbers(2, 30), (Numbers{1}));
    EXPECT_EQ(PlaybackFileNumbers(1, 30), (Numbers{0}));
    EXPECT_EQ(PlaybackFileNumbers(0, 30), Numbers{});
    EXPECT_EQ(FpvFileNumbers(4), (Numbers{1, 2, 3}));
    EXPECT_EQ(FpvFileNumbers(0), Numbers{});
}

// The numbers the plan lists are the ones the engine's own ticks write,
// with the records each frame shows and the pictures a video holds of it.
TEST(RecordFrames, ThePlanMatchesTheEngine)
{
    test::ScratchDir dir;
    SurveyDocument doc;
    test::OpenFlight(doc, dir, 4.0);
    doc.m_pPlaybackParams->recordVideo = 1;
    doc.m_pPlaybackParams->outputFolder = "/out";
    const PlaybackPlan plan = PlanPlayback(doc);
    ASSERT_GT(plan.frames, 3);

    PlaybackState run;
    FpvState fpv;
    OrbitCamera camera;
    InitOrbitCamera(camera);
    test::FakePlaybackHost host;
    StartPlayback(run, camera, doc, host);
    EXPECT_EQ(plan.frames, run.m_nFrameCount);
    const int32_t hold = run.m_nHoldTicks;
    std::set<int32_t> written;
    std::map<int32_t, int64_t> reached;  // by file number: the records the frame shows
    for (int tick = 0; run.m_nPlayState == kPlaying && tick < 10000; ++tick) {
        EXPECT_EQ(PlaybackNumberAfterStep(run.m_nFrame, run.m_nFrameCount), run.m_nFrame >= run.m_nFrameCount - 2
                                                                                 ? run.m_nFrameCount - 1
                                                                                 : run.m_nFrame);
        const int32_t predicted = PlaybackNumberAfterStep(run.m_nFrame, run.m_nFrameCount);
        OnTimer(run, camera, doc, host, kPlaybackTimerId);
        if (const auto path = FrameCapturePath(run, fpv, doc, "/fpv")) {
            EXPECT_EQ(*path, FrameFileName("/out", predicted));
            written.insert(predicted);
            reached[predicted] = run.m_nReachedRecord;
        }
    }
    EXPECT_EQ(Numbers(written.begin(), written.end()), plan.numbers);
    ASSERT_EQ(plan.points.size(), plan.numbers.size());
    for (size_t i = 0; i < plan.numbers.size(); ++i) EXPECT_EQ(plan.points[i], reached[plan.numbers[i]]) << i;
    EXPECT_GT(plan.points.back(), plan.points.front()) << "the cloud grows";
    // Every picture once; the end hold's for the hold's ticks but the last.
    ASSERT_EQ(plan.pictures.size(), plan.numbers.size());
    ASSERT_GE(hold, 2);
    EXPECT_EQ(plan.pictures.back(), hold - 1);
    EXPECT_EQ(std::count(plan.pictures.begin(), plan.pictures.end(), 1), static_cast<long>(plan.pictures.size()) - 1);
    EXPECT_EQ(PlanPlayback(SurveyDocument{}).frames, 0);
}

// A range keeps its files' figures beside their numbers; work grows with
// the points and the frame's size.
TEST(RecordFrames, ARangeKeepsEachFilesFigures)
{
    PlaybackPlan plan;
    plan.frames = 6;
    plan.numbers = {0, 1, 2, 3, 5};
    plan.points = {10, 20, 30, 40, 40};
    plan.pictures = {1, 1, 1, 1, 29};
    const PlaybackPlan in = PlanInRange(plan, *ParseFrameRange("2:"));
    EXPECT_EQ(in.frames, 6);
    EXPECT_EQ(in.numbers, (Numbers{2, 3, 5}));
    EXPECT_EQ(in.points, (std::vector<int64_t>{30, 40, 40}));
    EXPECT_EQ(in.pictures, (Numbers{1, 1, 29}));
    EXPECT_EQ(FrameWork(0, 1280, 720), 1280 * 720 / kPixelsPerPointOfWork);
    EXPECT_EQ(FrameWork(1000, 1280, 720) - FrameWork(0, 1280, 720), 1000);
}

}  // namespace
}  // namespace oxv
