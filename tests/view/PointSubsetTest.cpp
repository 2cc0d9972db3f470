#include <gtest/gtest.h>

#include "base/Profile.h"
#include "survey/SurveyDocument.h"
#include "tests/view/ViewFixture.h"
#include "view/PointSubset.h"
#include "view/StatusLine.h"
#include "view/ViewState.h"

namespace oxv {
namespace {

TEST(PointSubset, EveryKthRecordWithKTheCeilingOfRecordsOverBudget)
{
    struct Case {
        int64_t records;
        int32_t budget;
        int32_t step, points;
    };
    for (const Case& c : {Case{50'000'000, 1'000'000, 50, 1'000'000}, Case{10'000'001, 1'000'000, 11, 909'091},
                          Case{2'000'000, 1'000'000, 2, 1'000'000}, Case{1'000'001, 1'000'000, 2, 500'001},
                          Case{1'000'000, 1'000'000, 0, 0}, Case{999, 1'000'000, 0, 0}, Case{5'000'000, 0, 0, 0},
                          Case{5'000'000, -3, 0, 0}, Case{2'147'483'647, 1, 2'147'483'647, 1}}) {
        EXPECT_EQ(SubsetStep(c.records, c.budget), c.step) << c.records << " / " << c.budget;
        EXPECT_EQ(SubsetPoints(c.records, c.step), c.points) << c.records << " / " << c.budget;
    }
}

TEST(PointSubset, BudgetSettingFallsBackToTheDefaultOnAnythingOdd)
{
    MemoryProfile profile;
    EXPECT_EQ(LoadPointBudget(profile), kDefaultPointBudget) << "absent";
    for (int32_t budget : kPointBudgetChoices) {
        ASSERT_TRUE(SavePointBudget(profile, budget));
        EXPECT_EQ(LoadPointBudget(profile), budget);
    }
    for (const char* odd : {"", "abc", "-5", "1e6", "250000x", "99999999999999999999", "2000000000"}) {
        ASSERT_TRUE(profile.WriteString(kPointBudgetSection, kPointBudgetKey, odd));
        EXPECT_EQ(LoadPointBudget(profile), kDefaultPointBudget) << '"' << odd << '"';
    }
}

TEST(PointSubset, DrawnOnlyByMovingOrbitPaintsOrWhileTheListsCompile)
{
    ViewState view;
    InitViewState(view);
    EXPECT_FALSE(DrawsSubset(view, FrameKind::Paint)) << "no subset lists";
    view.m_subset.listBase = 7;
    view.m_nPointListBase = 1;
    EXPECT_FALSE(DrawsSubset(view, FrameKind::Paint)) << "a still camera";
    view.m_subset.moving = true;
    EXPECT_TRUE(DrawsSubset(view, FrameKind::Paint));
    EXPECT_FALSE(DrawsSubset(view, FrameKind::Pick)) << "the pick reads every point";
    view.m_scene.playing = true;
    EXPECT_FALSE(DrawsSubset(view, FrameKind::Paint)) << "playback";
    view.m_scene.playing = false;
    view.m_scene.firstPerson = true;
    EXPECT_FALSE(DrawsSubset(view, FrameKind::Paint)) << "first-person flight";
    view.m_scene.firstPerson = false;
    view.m_subset.moving = false;
    view.m_nPointListBase = 0;
    EXPECT_TRUE(DrawsSubset(view, FrameKind::Paint)) << "the point lists are still compiling";
    EXPECT_TRUE(DrawsSubset(view, FrameKind::Pick));
}

TEST(PointSubset, StatusLineSaysWhileThePreviewStandsInForThePoints)
{
    ViewState view;
    InitViewState(view);
    PlaybackState run;
    FpvState fpv;
    SurveyDocument doc;
    test::ScratchDir dir;
    test::WritePatches(dir.File("s.oxv"), {{0, 0, 10, 0, 1, 2, 3, 4, 40}});  // 1,600 records
    ASSERT_TRUE(test::Load(doc, dir.File("s.oxv")));
    view.m_subset.listBase = 9;
    view.m_subset.points = 400;
    EXPECT_EQ(StatusLine(view, run, fpv, &doc, {}),
              "Preview: 400 of 1,600 points | 1,600 records | Original black 0.40 white 1.00");
    view.m_nPointListBase = 3;
    EXPECT_EQ(PreviewText(view, &doc), "") << "complete";
    EXPECT_EQ(PreviewText(view, nullptr), "");
}

}  // namespace
}  // namespace oxv
