#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "survey/SurveyDocument.h"
#include "tests/view/ViewFixture.h"
#include "view/ViewState.h"

namespace oxv {
namespace {

double OriginalLevel(const ViewState& v, int byte) { return byte * v.m_dRgbScale + v.m_dRgbOffset; }

TEST(OriginalLevels, DefaultsMapBlackAndWhite)
{
    ViewState v;
    InitViewState(v);
    EXPECT_EQ(v.m_nColorMode, kColorOriginal);
    EXPECT_NEAR(OriginalLevel(v, 102), 0.0, 1e-12);
    EXPECT_NEAR(OriginalLevel(v, 255), 1.0, 1e-12);
    EXPECT_NEAR(OriginalLevel(v, 178), 0.4967, 1e-4);
}

TEST(OriginalLevels, KeysMoveLevelsAndRefuseCrossing)
{
    struct Case {
        LevelKey key;
        double white, black;
    };
    for (const Case& k : {Case{LevelKey::PageUp, 1.05, 0.4}, Case{LevelKey::PageDown, 0.95, 0.4},
                          Case{LevelKey::Home, 1.0, 0.45}, Case{LevelKey::End, 1.0, 0.35}}) {
        ViewState v;
        InitViewState(v);
        EXPECT_TRUE(ChangeOriginalLevels(v, k.key));
        EXPECT_NEAR(v.m_dWhiteLevel, k.white, 1e-12);
        EXPECT_NEAR(v.m_dBlackLevel, k.black, 1e-12);
        EXPECT_NEAR(OriginalLevel(v, static_cast<int>(k.black * 255 + 0.5)), 0.0, 0.01);
        EXPECT_NEAR(v.m_dRgbScale, 1.0 / (k.white - k.black) / 255.0, 1e-12);
    }

    ViewState v;
    InitViewState(v);
    v.m_dWhiteLevel = 0.5;
    v.m_dBlackLevel = 0.48;
    const ViewState before = v;
    EXPECT_FALSE(ChangeOriginalLevels(v, LevelKey::PageDown));
    EXPECT_FALSE(ChangeOriginalLevels(v, LevelKey::Home));
    EXPECT_EQ(v.m_dWhiteLevel, before.m_dWhiteLevel);
    EXPECT_EQ(v.m_dBlackLevel, before.m_dBlackLevel);
    EXPECT_EQ(v.m_dRgbScale, before.m_dRgbScale);
    EXPECT_EQ(v.m_dRgbOffset, before.m_dRgbOffset);

    // Not in Original mode: nothing at all.
    v.m_nColorMode = kColorHeight;
    v.m_dWhiteLevel = 1.0;
    v.m_dBlackLevel = 0.4;
    EXPECT_FALSE(ChangeOriginalLevels(v, LevelKey::PageUp));
    EXPECT_EQ(v.m_dWhiteLevel, 1.0);
}

TEST(ColorScale, MapsMinToZeroMaxToOneAndConstantToOne)
{
    ViewState v;
    SetColorScale(v, ValueRange{5000, 1000, 1});
    EXPECT_NEAR(1000 * v.m_dColorScale + v.m_dColorOffset, 0.0, 1e-12);
    EXPECT_NEAR(5000 * v.m_dColorScale + v.m_dColorOffset, 1.0, 1e-12);
    SetColorScale(v, ValueRange{7, 7, 1});
    EXPECT_EQ(v.m_dColorScale, 0.0);
    EXPECT_EQ(v.m_dColorOffset, 1.0);
    // The widest span of int32 values does not overflow.
    SetColorScale(v, ValueRange{INT32_MAX, INT32_MIN, 1});
    EXPECT_GT(v.m_dColorScale, 0.0);
    EXPECT_NEAR(INT32_MIN * v.m_dColorScale + v.m_dColorOffset, 0.0, 1e-9);
    EXPECT_NEAR(INT32_MAX * v.m_dColorScale + v.m_dColorOffset, 1.0, 1e-9);
}

TEST(DataExtent, CentreAndSizeInMetresWithoutOverflow)
{
    SurveyDocument doc;
    EXPECT_FALSE(GetDataExtent(nullptr, nullptr, nullptr));
    EXPECT_FALSE(GetDataExtent(&doc, nullptr, nullptr));
    doc.m_xStat = {35000, 0, 1};
    doc.m_yStat = {6000, -6000, 1};
    EXPECT_FALSE(GetDataExtent(&doc, nullptr, nullptr)) << "z invalid";
    doc.m_zStat = {INT32_MAX, INT32_MAX - 2000, 1};
    double centre[3], size[3];
    ASSERT_TRUE(GetDataExtent(&doc, centre, size));
    EXPECT_DOUBLE_EQ(centre[0], 17.5);
    EXPECT_DOUBLE_EQ(size[0], 35.0);
    EXPECT_DOUBLE_EQ(centre[1], 0.0);
    EXPECT_DOUBLE_EQ(size[1], 12.0);
    EXPECT_NEAR(centre[2], (INT32_MAX - 1000.0) / 1000.0, 1e-9);
    EXPECT_NEAR(size[2], 2.0, 1e-12);
    doc.m_xStat = {INT32_MAX, INT32_MIN, 1};
    ASSERT_TRUE(GetDataExtent(&doc, centre, nullptr));
    EXPECT_NEAR(centre[0], -0.0005, 1e-9);
}

TEST(ViewMouse, RoutesDragsRecentresLongOnesAndIgnoresFpv)
{
    ViewState v;
    InitViewState(v);
    const auto ev = [](int32_t type, int32_t x, int32_t y) { return CameraInput{type, 0, 0, 500, 400, x, y}; };
    EXPECT_FALSE(ViewMouseEvent(v, ev(kMouseMove, 250, 200)).repaint) << "no drag, no repaint";
    EXPECT_TRUE(ViewMouseEvent(v, ev(kLeftPress, 250, 200)).repaint);

    ViewMouseResult inside = ViewMouseEvent(v, ev(kMouseMove, 300, 200));
    EXPECT_TRUE(inside.repaint);
    EXPECT_FALSE(inside.warpCursor);
    EXPECT_EQ(v.m_camera.lastX, 300);

    // The inner box is x in [100, 400), y in [80, 320).
    ViewMouseResult edge = ViewMouseEvent(v, ev(kMouseMove, 400, 200));
    EXPECT_TRUE(edge.repaint);
    ASSERT_TRUE(edge.warpCursor);
    EXPECT_EQ(edge.warpX, 250);
    EXPECT_EQ(edge.warpY, 200);
    EXPECT_EQ(v.m_camera.lastX, 250) << "the next move is measured from the centre";
    EXPECT_TRUE(ViewMouseEvent(v, ev(kMouseMove, 250, 79)).warpCursor);
    EXPECT_FALSE(ViewMouseEvent(v, ev(kMouseMove, 100, 80)).warpCursor);

    EXPECT_FALSE(ViewMouseEvent(v, ev(kLeftRelease, 100, 80)).repaint);
    EXPECT_EQ(v.m_camera.leftDrag, 0);

    v.m_scene.firstPerson = true;
    const OrbitCamera before = v.m_camera;
    EXPECT_FALSE(ViewMouseEvent(v, ev(kRightPress, 10, 10)).repaint);
    ViewMouseEvent(v, ev(kMouseMove, 10, 300));
    EXPECT_EQ(v.m_camera.rightDrag, 0);
    EXPECT_EQ(std::memcmp(&before.orientation, &v.m_camera.orientation, sizeof before.orientation), 0);
    EXPECT_EQ(v.m_camera.distance, before.distance);
}

TEST(ColorModeMenu, FollowsChannelsAndFallsBackToHeight)
{
    test::ScratchDir dir;
    ViewState v;
    InitViewState(v);
    for (int32_t mode = 0; mode <= 4; ++mode) {
        const MenuState s = ColorModeMenuState(v, nullptr, mode);
        EXPECT_FALSE(s.enabled || s.checked);
    }
    SurveyDocument doc;
    EXPECT_FALSE(ColorModeMenuState(v, &doc, kColorOriginal).checked) << "no point data";

    PointFileLayout noColor;
    noColor.channels.color = -1;
    noColor.channels.amplitude = -1;
    test::WritePatches(dir.File("grey.oxv"), {{0, 0, 10, 0, 1, 2, 3, 4, 3}}, noColor);
    ASSERT_TRUE(test::Load(doc, dir.File("grey.oxv")));
    EXPECT_FALSE(ColorModeMenuState(v, &doc, kColorOriginal).enabled);
    EXPECT_FALSE(ColorModeMenuState(v, &doc, kColorAmp).enabled);
    EXPECT_FALSE(ColorModeMenuState(v, &doc, kColorAmpBw).enabled);
    EXPECT_TRUE(ColorModeMenuState(v, &doc, kColorRange).enabled);
    EXPECT_TRUE(ColorModeMenuState(v, &doc, kColorHeight).enabled);

    SelectColorScale(v, doc);
    EXPECT_EQ(v.m_nColorMode, kColorHeight);
    EXPECT_TRUE(ColorModeMenuState(v, &doc, kColorHeight).checked);
    EXPECT_FALSE(ColorModeMenuState(v, &doc, kColorOriginal).checked);
    EXPECT_EQ(v.m_dColorScale, 0.0) << "a flat survey";
    EXPECT_EQ(v.m_dColorOffset, 1.0);
}

}  // namespace
}  // namespace oxv
