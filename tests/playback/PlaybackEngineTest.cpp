#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/playback/PlaybackTestSupport.h"

namespace oxv {
namespace {

using test::FakePlaybackHost;

class PlaybackEngineTest : public ::testing::Test {
protected:
    void Open(double seconds, double interval, bool track = false, bool autoCamera = false,
              const PointFileLayout& layout = {})
    {
        test::OpenFlight(doc, dir, seconds, layout);
        PlaybackParams params;
        params.trackVehicle = track;
        params.autoCamera = autoCamera;
        ASSERT_EQ(doc.BuildTimeline(&params, 1.0, interval), 1);
        InitOrbitCamera(camera);
    }

    // Ticks until playback stops (or `limit` ticks); the number of ticks.
    int RunToStop(int limit)
    {
        int ticks = 0;
        while (run.m_nPlayState != kStopped && ticks < limit) {
            OnTimer(run, camera, doc, host, kPlaybackTimerId);
            ++ticks;
        }
        return ticks;
    }

    test::ScratchDir dir;
    SurveyDocument doc;
    PlaybackState run;
    OrbitCamera camera;
    FakePlaybackHost host;
};

TEST_F(PlaybackEngineTest, TenFramesStepNineThenHoldThreeSeconds)
{
    Open(5.0, 0.5);
    ASSERT_EQ(doc.m_pTimeline->frames, 10);
    StartPlayback(run, camera, doc, host);
    EXPECT_EQ(host.timers, (std::vector<std::pair<int, int>>{{1, 500}}));
    EXPECT_EQ(run.m_nHoldTicks, 6);
    EXPECT_EQ(host.repaints, 0) << "the first picture comes with the first tick";

    for (int tick = 1; tick <= 9; ++tick) {
        OnTimer(run, camera, doc, host, kPlaybackTimerId);
        ASSERT_EQ(host.compiled.size(), static_cast<size_t>(tick));
        EXPECT_EQ(host.compiled.back().second.first, doc.m_pTimeline->spans[tick - 1].first) << "tick steps frame tick-1";
        EXPECT_EQ(run.m_nReachedRecord, doc.m_pTimeline->spans[tick - 1].last);
    }
    EXPECT_EQ(run.m_nFrame, 10);
    EXPECT_EQ(host.list, 0u) << "the last step deletes the beam list";
    EXPECT_EQ(RunToStop(100), 5) << "stops on tick 14";
    EXPECT_EQ(host.compiled.size(), 9u) << "the hold steps nothing";
    EXPECT_EQ(host.repaints, 14 + 1) << "every tick repaints, and the stop once more";
    EXPECT_EQ(host.killed, std::vector<int>{1});
}

TEST_F(PlaybackEngineTest, ShortTimelinesAndLongFramePeriods)
{
    struct Case {
        const char* name;
        double seconds, interval;
        int expectTicks;
        int expectHeldWhilePlaying;  // hold ticks drawn before the stop
    };
    const Case cases[] = {
        {"no frames: the hold alone", 0.25, 0.5, 6, 5},
        {"two frames: one step, then the hold", 1.0, 0.5, 6, 5},
        {"period 2 s: the one-tick hold stops at once", 20.0, 2.0, 9, 0},
        {"period 3 s: the one-tick hold stops at once", 30.0, 3.0, 9, 0},
        {"period 4 s: the last picture held one tick", 20.0, 4.0, 5, 1},
        {"period 10 s: the last picture held one tick", 40.0, 10.0, 4, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        doc.NewDocument();
        Open(c.seconds, c.interval);
        host = FakePlaybackHost{};
        StartPlayback(run, camera, doc, host);
        int ticks = 0, heldWhilePlaying = 0;
        while (run.m_nPlayState != kStopped && ticks < 200) {
            OnTimer(run, camera, doc, host, kPlaybackTimerId);
            ++ticks;
            if (run.m_nPlayState == kPlaying && run.m_nFrame == run.m_nFrameCount) ++heldWhilePlaying;
        }
        EXPECT_EQ(ticks, c.expectTicks);
        EXPECT_EQ(heldWhilePlaying, c.expectHeldWhilePlaying);
        EXPECT_EQ(run.m_nPlayState, kStopped);
    }
}

TEST_F(PlaybackEngineTest, TwoFramesPlaceTheVehicleAtTheEndOfTheFirst)
{
    Open(1.0, 0.5, /*track=*/true);
    StartPlayback(run, camera, doc, host);
    OnTimer(run, camera, doc, host, kPlaybackTimerId);
    EXPECT_EQ(host.poses, 1);
    EXPECT_NEAR(host.vehiclePosition[0], 5.0, 1e-9) << "0.5 s at 10 m/s";
    EXPECT_DOUBLE_EQ(host.vehicleAttitude[2], 90.0);
    EXPECT_DOUBLE_EQ(host.vehicleAttitude[0], 1.0);
    EXPECT_DOUBLE_EQ(camera.target[0], 5.0) << "Track Vehicle moves the orbit target";
    EXPECT_EQ(run.m_nFrame, 2);
    EXPECT_EQ(run.m_nHoldTicks, 5);
}

TEST_F(PlaybackEngineTest, PauseNeitherStepsNorSkips)
{
    Open(5.0, 0.5);
    StartPlayback(run, camera, doc, host);
    OnTimer(run, camera, doc, host, kPlaybackTimerId);
    OnTimer(run, camera, doc, host, kPlaybackTimerId);
    TogglePause(run);
    const int repaints = host.repaints;
    for (int i = 0; i < 5; ++i) OnTimer(run, camera, doc, host, kPlaybackTimerId);
    EXPECT_EQ(run.m_nFrame, 2);
    EXPECT_EQ(host.repaints, repaints) << "a paused run does not repaint";
    TogglePause(run);
    OnTimer(run, camera, doc, host, kPlaybackTimerId);
    EXPECT_EQ(host.compiled.back().second.first, doc.m_pTimeline->spans[2].first);
}

TEST_F(PlaybackEngineTest, AutoCameraZoomsOutToFarAndPans)
{
    Open(30.0, 0.0333, /*track=*/false, /*autoCamera=*/true);
    StartPlayback(run, camera, doc, host);
    EXPECT_DOUBLE_EQ(camera.distance, 100.0);
    auto heading = [&] {
        return std::atan2(camera.eye[1] - camera.target[1], camera.eye[0] - camera.target[0]) *
               180.0 / M_PI;
    };
    double before = heading();
    OnTimer(run, camera, doc, host, kPlaybackTimerId);
    EXPECT_NEAR(camera.distance, 100.333, 1e-9);
    EXPECT_NEAR(std::fabs(std::remainder(heading() - before, 360.0)), 0.333, 0.01);
    for (int tick = 2; tick <= 600; ++tick) OnTimer(run, camera, doc, host, kPlaybackTimerId);
    EXPECT_LT(run.m_dAutoDistance, 300.0);
    OnTimer(run, camera, doc, host, kPlaybackTimerId);
    EXPECT_DOUBLE_EQ(run.m_dAutoDistance, 300.0) << "tick 601";
    before = heading();
    OnTimer(run, camera, doc, host, kPlaybackTimerId);
    EXPECT_NEAR(std::fabs(std::remainder(heading() - before, 360.0)), 0.333, 0.01) << "panning goes on";
}

TEST_F(PlaybackEngineTest, MissingChannelsDegradeQuietly)
{
    PointFileLayout noOriginNoPose;
    noOriginNoPose.channels.origin = -1;
    noOriginNoPose.channels.pose = -1;
    Open(5.0, 0.5, true, false, noOriginNoPose);
    StartPlayback(run, camera, doc, host);
    for (int i = 0; i < 3; ++i) OnTimer(run, camera, doc, host, kPlaybackTimerId);
    EXPECT_EQ(host.poses, 0);
    EXPECT_TRUE(host.compiled.empty());
    EXPECT_EQ(run.m_nReachedRecord, 0);
    EXPECT_EQ(run.m_nFrame, 3);
}

TEST_F(PlaybackEngineTest, ReplacedTimelineIsNeverReadPastItsEnd)
{
    Open(5.0, 0.5);
    StartPlayback(run, camera, doc, host);
    OnTimer(run, camera, doc, host, kPlaybackTimerId);
    ASSERT_EQ(doc.BuildTimeline(doc.m_pPlaybackParams.get(), 4.0, 0.5), 1);  // 2 frames now
    for (int i = 0; i < 8; ++i) OnTimer(run, camera, doc, host, kPlaybackTimerId);
    EXPECT_EQ(host.compiled.size(), 2u) << "frame 1 exists in both; frames 2 on only in the old one";
}

TEST_F(PlaybackEngineTest, CommandStatesFollowThePlayState)
{
    Open(5.0, 0.5);
    using C = PlaybackCommand;
    auto state = [&](C c) { return GetPlaybackCommandState(run, doc, c); };
    EXPECT_TRUE(state(C::Start).enabled);
    EXPECT_FALSE(state(C::Stop).enabled);
    EXPECT_TRUE(state(C::Stop).checked);
    EXPECT_EQ(state(C::PauseResume).text, "Pause/Resume");
    EXPECT_TRUE(state(C::Parameter).enabled);
    StartPlayback(run, camera, doc, host);
    EXPECT_FALSE(state(C::Start).enabled);
    EXPECT_TRUE(state(C::Start).checked);
    EXPECT_EQ(state(C::PauseResume).text, "P&ause");
    EXPECT_FALSE(state(C::Parameter).enabled) << "not while playing";
    TogglePause(run);
    EXPECT_EQ(state(C::PauseResume).text, "&Resume");
    EXPECT_TRUE(state(C::PauseResume).checked);
    EXPECT_TRUE(state(C::Parameter).enabled);
    doc.NewDocument();
    EXPECT_FALSE(state(C::Start).enabled);
    EXPECT_FALSE(state(C::Start).setCheck) << "Start and Stop keep their last check mark";
    EXPECT_EQ(state(C::PauseResume).text, "Pause/Resume");
    EXPECT_FALSE(state(C::Parameter).enabled);
}

TEST_F(PlaybackEngineTest, ParameterStopsAPausedRunFirst)
{
    Open(5.0, 0.5);
    PlaybackDialogValues values;
    StartPlayback(run, camera, doc, host);
    EXPECT_FALSE(BeginParameterEdit(run, doc, host, values)) << "not while playing";
    TogglePause(run);
    ASSERT_TRUE(BeginParameterEdit(run, doc, host, values));
    EXPECT_EQ(run.m_nPlayState, kStopped);
    EXPECT_EQ(host.killed, std::vector<int>{kPlaybackTimerId});
    EXPECT_EQ(values.m_nIntervalMs, 500);
    EXPECT_DOUBLE_EQ(values.m_dSpeedPercent, 100.0);
}

}  // namespace
}  // namespace oxv
