#include <gtest/gtest.h>

#include "view/ColorLegend.h"
#include "survey/SurveyDocument.h"
#include "tests/view/ViewFixture.h"

namespace oxv {
namespace {

TEST(ColorLegend, RangesAndUnitsFollowTheColorMode)
{
    test::ScratchDir dir;
    // Heights 2 m and 7.5 m, amplitudes 40 and 200; origins 100 m above.
    test::WritePatches(dir.File("s.oxv"), {{0, 0, 10, 2, 1, 2, 3, 40, 3}, {20, 0, 10, 7.5, 1, 2, 3, 200, 3}});
    SurveyDocument doc;
    ViewState view;
    EXPECT_FALSE(LegendFor(view, &doc)) << "no points";
    ASSERT_TRUE(test::Load(doc, dir.File("s.oxv")));
    struct Case {
        int32_t mode;
        bool shown;
        double min, max;
        bool metres;
    };
    const Case cases[] = {
        {kColorHeight, true, 2.0, 7.5, true},
        {kColorAmp, true, 40, 200, false},
        {kColorAmpBw, true, 40, 200, false},
        {kColorRange, true, 100.0, 100.0, true},
        {kColorOriginal, false, 0, 0, false},
    };
    for (const Case& c : cases) {
        view.m_nColorMode = c.mode;
        const auto legend = LegendFor(view, &doc);
        ASSERT_EQ(legend.has_value(), c.shown) << c.mode;
        if (!legend) continue;
        EXPECT_NEAR(legend->min, c.min, 1e-3) << c.mode;
        EXPECT_NEAR(legend->max, c.max, 1e-3) << c.mode;
        EXPECT_EQ(legend->metres, c.metres) << c.mode;
    }

    PointFileLayout noAmplitude;
    noAmplitude.channels.amplitude = -1;
    test::WritePatches(dir.File("n.oxv"), {{0, 0, 10, 2, 1, 2, 3, 40, 3}}, noAmplitude);
    SurveyDocument plain;
    ASSERT_TRUE(test::Load(plain, dir.File("n.oxv")));
    view.m_nColorMode = kColorAmp;
    EXPECT_FALSE(LegendFor(view, &plain)) << "points drawn without a ramp have no legend";

    EXPECT_EQ(LegendLabel(12.345, true), "12.3 m");
    EXPECT_EQ(LegendLabel(-0.04, true), "-0.0 m");
    EXPECT_EQ(LegendLabel(187.0, false), "187");
}

}  // namespace
}  // namespace oxv
