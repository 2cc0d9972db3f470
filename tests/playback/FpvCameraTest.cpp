#include <gtest/gtest.h>

#include "playback/FpvCamera.h"
#include "tests/playback/PlaybackTestSupport.h"

namespace oxv {
namespace {

class FpvCameraTest : public ::testing::Test {
protected:
    void SetUp() override { InitOrbitCamera(camera); }

    void SetPath(std::vector<PathNode> nodes)
    {
        nodes[0].key = static_cast<int32_t>(nodes.size());
        doc.m_pCameraPath.reset(new PathNode[nodes.size()]);
        std::copy(nodes.begin(), nodes.end(), doc.m_pCameraPath.get());
    }

    SurveyDocument doc;
    FpvState fpv;
    OrbitCamera camera;
    bool cameraPathShown = false;
    test::FakePlaybackHost host;
};

TEST_F(FpvCameraTest, NodesBecomeEyeCentreAndUp)
{
    struct Case {
        PathNode node;
        double centre[3];
        double up[3];
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 1000, 2000, 3000}, {0, 2, 3}, {0, 0, 1}},
        {{0, 0, 0, 90000, 1000, 2000, 3000}, {1, 1, 3}, {0, 0, 1}},
        {{0, 0, 90000, 0, 1000, 2000, 3000}, {1, 2, 4}, {1, 0, 0}},  // pitched 90 degrees
    };
    for (const Case& c : cases) {
        SetPath({c.node, c.node});
        fpv.m_bFpvMode = true;
        fpv.m_nFpvNode = 0;
        ComputeFpvLookAt(fpv, camera, doc, host);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(camera.lookEye[i], (i + 1) * 1.0, 1e-12);
            EXPECT_NEAR(camera.lookCenter[i], c.centre[i], 1e-9) << i;
            EXPECT_NEAR(camera.lookUp[i], c.up[i], 1e-9) << i;
        }
    }
}

TEST_F(FpvCameraTest, FiveNodesFiveFramesThenOff)
{
    SetPath(std::vector<PathNode>(5, PathNode{0, 0, 0, 0, 0, 0, 0}));
    cameraPathShown = true;
    camera.fovY = 45.0;
    fpv.m_dFpvFov = 20.0;
    EXPECT_TRUE(GetFpvCommandState(fpv, cameraPathShown).enabled);
    ToggleFpvMode(fpv, camera, host);
    EXPECT_EQ(host.timers, (std::vector<std::pair<int, int>>{{kFpvTimerId, 10}}));
    EXPECT_EQ(camera.fovY, 20.0);
    for (int paint = 1; paint <= 5; ++paint) {
        EXPECT_EQ(fpv.m_bFpvMode, 1) << paint;
        ComputeFpvLookAt(fpv, camera, doc, host);
    }
    EXPECT_EQ(fpv.m_bFpvMode, 0) << "the paint of the last node ends the mode";
    EXPECT_EQ(fpv.m_nFpvNode, 0);
    EXPECT_EQ(host.killed, std::vector<int>{kFpvTimerId});
    EXPECT_EQ(camera.fovY, 20.0) << "ending by itself keeps the FPV angle";
}

TEST_F(FpvCameraTest, OffByCommandRestoresTheOrbitAngle)
{
    camera.fovY = 45.0;
    ToggleFpvMode(fpv, camera, host);
    ToggleFpvMode(fpv, camera, host);
    EXPECT_EQ(camera.fovY, 45.0);
    EXPECT_EQ(fpv.m_bFpvMode, 0);
}

TEST_F(FpvCameraTest, ReplacedOrMissingPathEndsTheModeWithoutReadingPastIt)
{
    SetPath(std::vector<PathNode>(10, PathNode{0, 0, 0, 0, 0, 0, 0}));
    ToggleFpvMode(fpv, camera, host);
    for (int i = 0; i < 6; ++i) ComputeFpvLookAt(fpv, camera, doc, host);
    SetPath(std::vector<PathNode>(3, PathNode{0, 0, 0, 0, 0, 0, 0}));
    ComputeFpvLookAt(fpv, camera, doc, host);
    EXPECT_EQ(fpv.m_bFpvMode, 0);
    ToggleFpvMode(fpv, camera, host);
    doc.m_pCameraPath.reset();
    ComputeFpvLookAt(fpv, camera, doc, host);
    EXPECT_EQ(fpv.m_bFpvMode, 0);
}

TEST_F(FpvCameraTest, FovDialogPausesTheTimerAndAppliesOnTheNextPaint)
{
    SetPath(std::vector<PathNode>(10, PathNode{0, 0, 0, 0, 0, 0, 0}));
    ToggleFpvMode(fpv, camera, host);
    BeginFovEdit(fpv, host);
    EXPECT_EQ(host.killed, std::vector<int>{kFpvTimerId});
    EndFovEdit(fpv, host, true, 60.0);
    EXPECT_EQ(host.timers.size(), 2u) << "restarted";
    EXPECT_EQ(camera.fovY, 30.0) << "not yet";
    ComputeFpvLookAt(fpv, camera, doc, host);
    EXPECT_EQ(camera.fovY, 60.0);
    EndFovEdit(fpv, host, false, 5.0);
    EXPECT_EQ(fpv.m_dFpvFov, 60.0) << "Cancel keeps the angle";
}

}  // namespace
}  // namespace oxv
