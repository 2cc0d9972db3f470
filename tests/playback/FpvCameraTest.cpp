#include <gtest/gtest.h>

#include "FpvCamera.h"
#include "PlaybackTestSupport.h"

namespace oxv {
namespace {

class FpvCameraTest : public ::testing::Test {
protected:
    void SetUp() override { InitViewState(view); }

    void SetPath(std::vector<PathNode> nodes)
    {
        nodes[0].key = static_cast<int32_t>(nodes.size());
        doc.m_pCameraPath.reset(new PathNode[nodes.size()]);
        std::copy(nodes.begin(), nodes.end(), doc.m_pCameraPath.get());
    }

    SurveyDocument doc;
    ViewState view;
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
        view.m_bFpvMode = 1;
        view.m_nFpvNode = 0;
        ComputeFpvLookAt(view, doc, host);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(view.m_camera.lookEye[i], (i + 1) * 1.0, 1e-12);
            EXPECT_NEAR(view.m_camera.lookCenter[i], c.centre[i], 1e-9) << i;
            EXPECT_NEAR(view.m_camera.lookUp[i], c.up[i], 1e-9) << i;
        }
    }
}

TEST_F(FpvCameraTest, FiveNodesFiveFramesThenOff)
{
    SetPath(std::vector<PathNode>(5, PathNode{0, 0, 0, 0, 0, 0, 0}));
    view.m_nCameraPathList = 7;
    view.m_camera.fovY = 45.0;
    view.m_dFpvFov = 20.0;
    EXPECT_TRUE(GetFpvCommandState(view).enabled);
    ToggleFpvMode(view, host);
    EXPECT_EQ(host.timers, (std::vector<std::pair<int, int>>{{kFpvTimerId, 10}}));
    EXPECT_EQ(view.m_camera.fovY, 20.0);
    for (int paint = 1; paint <= 5; ++paint) {
        EXPECT_EQ(view.m_bFpvMode, 1) << paint;
        ComputeFpvLookAt(view, doc, host);
    }
    EXPECT_EQ(view.m_bFpvMode, 0) << "the paint of the last node ends the mode";
    EXPECT_EQ(view.m_nFpvNode, 0);
    EXPECT_EQ(host.killed, std::vector<int>{kFpvTimerId});
    EXPECT_EQ(view.m_camera.fovY, 20.0) << "ending by itself keeps the FPV angle";
}

TEST_F(FpvCameraTest, OffByCommandRestoresTheOrbitAngle)
{
    view.m_camera.fovY = 45.0;
    ToggleFpvMode(view, host);
    ToggleFpvMode(view, host);
    EXPECT_EQ(view.m_camera.fovY, 45.0);
    EXPECT_EQ(view.m_bFpvMode, 0);
}

TEST_F(FpvCameraTest, ReplacedOrMissingPathEndsTheModeWithoutReadingPastIt)
{
    SetPath(std::vector<PathNode>(10, PathNode{0, 0, 0, 0, 0, 0, 0}));
    ToggleFpvMode(view, host);
    for (int i = 0; i < 6; ++i) ComputeFpvLookAt(view, doc, host);
    SetPath(std::vector<PathNode>(3, PathNode{0, 0, 0, 0, 0, 0, 0}));
    ComputeFpvLookAt(view, doc, host);
    EXPECT_EQ(view.m_bFpvMode, 0);
    ToggleFpvMode(view, host);
    doc.m_pCameraPath.reset();
    ComputeFpvLookAt(view, doc, host);
    EXPECT_EQ(view.m_bFpvMode, 0);
}

TEST_F(FpvCameraTest, FovDialogPausesTheTimerAndAppliesOnTheNextPaint)
{
    SetPath(std::vector<PathNode>(10, PathNode{0, 0, 0, 0, 0, 0, 0}));
    ToggleFpvMode(view, host);
    BeginFovEdit(view, host);
    EXPECT_EQ(host.killed, std::vector<int>{kFpvTimerId});
    EndFovEdit(view, host, true, 60.0);
    EXPECT_EQ(host.timers.size(), 2u) << "restarted";
    EXPECT_EQ(view.m_camera.fovY, 30.0) << "not yet";
    ComputeFpvLookAt(view, doc, host);
    EXPECT_EQ(view.m_camera.fovY, 60.0);
    EndFovEdit(view, host, false, 5.0);
    EXPECT_EQ(view.m_dFpvFov, 60.0) << "Cancel keeps the angle";
}

}  // namespace
}  // namespace oxv
