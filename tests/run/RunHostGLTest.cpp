// The run host both the window and the recorder play through: the vehicle
// it flies, the beams it keeps and where its recorded frames go, with only
// timers and repaints left to its owner.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gl/HeadlessGL.h"
#include "run/RunHost.h"
#include "survey/SurveyDocument.h"
#include "tests/support/SurveyFixture.h"

namespace oxv {
namespace {

constexpr int kW = 64, kH = 48;

// What an owner supplies: remembered timers, paints drawn at once, and the
// frames' paths noted instead of written.
class NotingHost final : public RunHost {
public:
    NotingHost(GlTarget& target, const SurveyDocument& doc, bool drawsFrames)
        : RunHost(target), m_doc(doc), m_drawsFrames(drawsFrames)
    {
    }

    void StartTimer(int id, int periodMs) override { m_timers[id] = periodMs; }
    void KillTimer(int id) override { m_timers.erase(id); }
    void RepaintNow() override { DrawFrame(&m_doc); }
    bool TimerRunning(int id) const { return m_timers.count(id) != 0; }

    std::vector<std::string> paths;
    std::vector<double> headings;       // the vehicle's heading when each frame was captured
    std::vector<unsigned> beamLists;    // the view's beam list when each frame was captured

protected:
    const SurveyDocument* Document() const override { return &m_doc; }
    bool DrawsNextFrame() const override { return m_drawsFrames; }
    void CaptureFrame(GlTarget&, int width, int height, const std::string& path) override
    {
        EXPECT_EQ(width, kW);
        EXPECT_EQ(height, kH);
        paths.push_back(path);
        headings.push_back(Helicopter().attitude[2]);
        beamLists.push_back(View().m_nBeamList);
    }

private:
    const SurveyDocument& m_doc;
    bool m_drawsFrames;
    std::map<int, int> m_timers;
};

class RunHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        m_gl = HeadlessGL::Create(kW, kH, &error);
        ASSERT_TRUE(m_gl) << error;
        // 2 s at 400 records a second, the heading turning 1 degree a record.
        test::WriteSurvey(m_dir.File("turn.oxv"), PointFileLayout{}, 800, [](int32_t i, PointRecord& r) {
            r.SetXyz(i * 10, 0, 0);
            r.SetOrigin(i * 10, 0, 20000);
            r.SetColor(200, 200, 200);
            r.SetAmplitude(100);
            r.SetTime(static_cast<double>(i));
            r.SetPose(Pose{{0, 0, (i % 180) * 1000, i * 10, 0, 20000}});
        });
        MemoryProfile profile;
        LoadObserver quiet;
        ASSERT_EQ(m_doc.LoadPointFile(m_dir.File("turn.oxv"), profile, quiet), LoadStatus::Ok);
        PlaybackParams params;
        params.recordVideo = 1;
        params.outputFolder = m_dir.Path().string();
        params.autoCamera = 0;
        ASSERT_EQ(m_doc.BuildTimeline(&params, 1.0, 0.25), 1);
    }

    // Start, then every tick until the run stops itself.
    void Play(NotingHost& host)
    {
        host.SetUpGl("");
        OnInitialUpdate(host.View(), &m_doc);
        StartPlayback(host.Run(), host.View().m_camera, m_doc, host);
        for (int tick = 0; tick < 100 && host.TimerRunning(kPlaybackTimerId); ++tick)
            OnTimer(host.Run(), host.View().m_camera, m_doc, host, kPlaybackTimerId);
        ASSERT_FALSE(host.TimerRunning(kPlaybackTimerId));
        host.ReleaseGl();
    }

    test::ScratchDir m_dir;
    std::unique_ptr<HeadlessGL> m_gl;
    SurveyDocument m_doc;
};

TEST_F(RunHostTest, FramesGoToTheNumberedFilesWithTheVehicleAtEachFramesPose)
{
    NotingHost host(*m_gl, m_doc, true);
    Play(host);
    const int32_t frames = m_doc.m_pTimeline->frames;
    ASSERT_GE(frames, 4);
    ASSERT_GE(host.paths.size(), static_cast<size_t>(frames - 1));
    // The number before the last is never written; the hold rewrites the last.
    for (int32_t n = 0; n < frames - 2; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "/img%06d.png", n);
        EXPECT_EQ(host.paths[static_cast<size_t>(n)], m_dir.Path().string() + name);
        Pose pose{};
        ASSERT_TRUE(m_doc.InterpolatePoseAt(n + 1, pose));
        EXPECT_DOUBLE_EQ(host.headings[static_cast<size_t>(n)], pose.v[kHeading] / 1000.0) << "frame " << n;
        EXPECT_NE(host.beamLists[static_cast<size_t>(n)], 0u) << "frame " << n;
    }
    // The hold draws no beams; the run leaves no beam list behind.
    EXPECT_EQ(host.beamLists.back(), 0u);
    EXPECT_EQ(host.View().m_nBeamList, 0u);
}

TEST_F(RunHostTest, AHostThatLeavesFramesOutCompilesNoBeamsForThem)
{
    NotingHost host(*m_gl, m_doc, false);
    Play(host);
    ASSERT_FALSE(host.beamLists.empty());
    for (unsigned list : host.beamLists) EXPECT_EQ(list, 0u);
}

}  // namespace
}  // namespace oxv
