// The plan of a recorded run and the ranges a split run asks for.

#include <gtest/gtest.h>

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

// The numbers the plan lists are the ones the engine's own ticks write.
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
    std::set<int32_t> written;
    for (int tick = 0; run.m_nPlayState == kPlaying && tick < 10000; ++tick) {
        EXPECT_EQ(PlaybackNumberAfterStep(run.m_nFrame, run.m_nFrameCount), run.m_nFrame >= run.m_nFrameCount - 2
                                                                                 ? run.m_nFrameCount - 1
                                                                                 : run.m_nFrame);
        const int32_t predicted = PlaybackNumberAfterStep(run.m_nFrame, run.m_nFrameCount);
        OnTimer(run, camera, doc, host, kPlaybackTimerId);
        if (const auto path = FrameCapturePath(run, fpv, doc, "/fpv")) {
            EXPECT_EQ(*path, FrameFileName("/out", predicted));
            written.insert(predicted);
        }
    }
    EXPECT_EQ(Numbers(written.begin(), written.end()), plan.numbers);
    EXPECT_EQ(PlanPlayback(SurveyDocument{}).frames, 0);
}

}  // namespace
}  // namespace oxv
