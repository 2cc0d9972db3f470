// The moving-camera subset: which records it holds, when frames draw it,
// and that still frames never show a trace of it.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "gl/HeadlessGL.h"
#include "survey/SurveyDocument.h"
#include "tests/view/ViewGLFixture.h"
#include "view/PointSubset.h"
#include "view/ViewState.h"

namespace oxv {
namespace {

// Window positions of the points `draw` would rasterise (feedback mode).
template <typename Draw>
std::vector<std::array<float, 2>> FeedbackPoints(Draw draw)
{
    test::Feedback fb = test::Capture(draw, 1'500'000);
    EXPECT_FALSE(fb.overflow) << "feedback overflow";
    return std::move(fb.pointPositions);
}

class SubsetGlTest : public test::ViewGLFixture<320, 240> {
protected:
    // Record i at (i mod 200, i div 200) in steps of 0.2 m, all in the
    // opening view up to 25000 records; a point's position names its record.
    void OpenGrid(int32_t count, int32_t budget)
    {
        test::WriteSurvey(dir.File("g.oxv"), PointFileLayout{}, count, [](int32_t i, PointRecord& r) {
            r.SetXyz((i % 200) * 200, (i / 200) * 200, (i % 7) * 100);
            r.SetColor(255, 255, 255);
        });
        ASSERT_TRUE(test::Load(doc, dir.File("g.oxv")));
        view.m_subset.budget = budget;
        OnInitialUpdate(view, &doc);
    }

    std::set<int32_t> RecordsInSubset()
    {
        std::set<int32_t> records;
        const auto points = FeedbackPoints([&] {
            // One grid step a unit, 200 by 600 of them over the viewport.
            glViewport(0, 0, kW, kH);
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(-0.5, 199.5, -0.5, 599.5, -1e6, 1e6);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            glScaled(0.005, 0.005, 0.005);
            for (int32_t j = 0; j < view.m_subset.listCount; ++j) glCallList(view.m_subset.listBase + static_cast<unsigned>(j));
        });
        for (const auto& [x, y] : points)
            records.insert(static_cast<int32_t>(y * 600 / kH) * 200 + static_cast<int32_t>(x * 200 / kW));
        EXPECT_EQ(records.size(), points.size()) << "no record twice";
        return records;
    }

    size_t PointsIn(FrameKind kind)
    {
        return FeedbackPoints([&] { OnDrawFrame(view, &doc, *gl, kind); }).size();
    }
};

TEST_F(SubsetGlTest, HoldsEveryKthRecordInTheListsOwn)
{
    struct Case {
        int32_t records, budget, step, points, lists;
    };
    for (const Case& c : {Case{25000, 10000, 3, 8334, 1}, Case{100000, 30000, 4, 25000, 3}, Case{25000, 25000, 0, 0, 0},
                          Case{25000, 0, 0, 0, 0}}) {
        OpenGrid(c.records, c.budget);
        EXPECT_EQ(view.m_subset.step, c.step) << c.records << "/" << c.budget;
        EXPECT_EQ(view.m_subset.points, c.points);
        EXPECT_EQ(view.m_subset.listCount, c.lists);
        EXPECT_EQ(view.m_subset.listBase != 0, c.lists > 0);
        EXPECT_EQ(view.m_nPointListCount, c.records / kPointsPerList + 1) << "the point lists as always";
        if (c.lists == 0) continue;
        std::set<int32_t> expected;
        for (int32_t k = 0; k < c.records; k += c.step) expected.insert(k);
        EXPECT_EQ(RecordsInSubset(), expected);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "every list closed";
    }
    const unsigned base = view.m_subset.listBase;
    OpenGrid(100000, 30000);
    DeleteDisplayLists(view);
    EXPECT_EQ(view.m_subset.listBase, 0u);
    EXPECT_EQ(view.m_subset.listCount, 0);
    EXPECT_FALSE(glIsList(base)) << "deleted with the point lists";
}

TEST_F(SubsetGlTest, OnlyMovingOrbitPaintsDrawIt)
{
    OpenGrid(25000, 10000);
    EXPECT_EQ(PointsIn(FrameKind::Paint), 25000u) << "a still camera";
    view.m_subset.moving = true;
    EXPECT_EQ(PointsIn(FrameKind::Paint), 8334u);
    EXPECT_EQ(view.m_subset.lastFrameSubset, 1);
    EXPECT_EQ(view.m_subset.lastFramePoints, 8334);
    EXPECT_EQ(PointsIn(FrameKind::Pick), 25000u);
    EXPECT_EQ(view.m_subset.lastFrameSubset, 1) << "a pick's hidden frame is not what the screen shows";
    view.m_scene.playing = true;
    view.m_scene.revealedRecord = 15000;
    EXPECT_EQ(PointsIn(FrameKind::Paint), 15000u) << "playback and so recording";
    EXPECT_EQ(view.m_subset.lastFrameSubset, 0);
    view.m_scene.playing = false;
    view.m_scene.firstPerson = true;
    EXPECT_EQ(PointsIn(FrameKind::Paint), 25000u) << "the flight";
    view.m_scene.firstPerson = false;
    EXPECT_EQ(view.m_subset.lastFramePoints, 25000);

    // A new budget changes the subset alone.
    const unsigned lists = view.m_nPointListBase;
    SetPointBudget(view, &doc, 5000);
    EXPECT_EQ(view.m_nPointListBase, lists);
    EXPECT_EQ(PointsIn(FrameKind::Paint), 5000u);
    SetPointBudget(view, &doc, 0);
    EXPECT_EQ(view.m_subset.listBase, 0u);
    EXPECT_EQ(PointsIn(FrameKind::Paint), 25000u) << "off";
}

TEST_F(SubsetGlTest, RebuiltInTheNewColorsWithThePointLists)
{
    // A flat patch: Original gives (0, 255, 196), Height red.
    test::WritePatches(dir.File("s.oxv"), {{-10, -10, 20, 0, 102, 255, 178, 200, 120}});
    ASSERT_TRUE(test::Load(doc, dir.File("s.oxv")));
    view.m_subset.budget = 2000;
    OnInitialUpdate(view, &doc);
    view.m_subset.moving = true;
    const auto count = [](const std::vector<unsigned char>& rgb, int r, int g) {
        int n = 0;
        for (size_t i = 0; i + 2 < rgb.size(); i += 3) n += rgb[i] == r && rgb[i + 1] == g ? 1 : 0;
        return n;
    };
    std::vector<unsigned char> rgb = Paint();
    EXPECT_GT(count(rgb, 0, 255), 500);
    SetColorMode(view, &doc, kColorHeight);
    rgb = Paint();
    EXPECT_EQ(view.m_subset.lastFrameSubset, 1);
    EXPECT_EQ(count(rgb, 0, 255), 0) << "no point keeps the old colour";
    EXPECT_GT(count(rgb, 255, 0), 500);
    SetColorMode(view, &doc, kColorOriginal);
    ASSERT_TRUE(OnLevelKey(view, &doc, LevelKey::PageDown));  // white 0.95: 178 -> 138
    rgb = Paint();
    int levelled = 0;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        levelled += rgb[i] == 0 && rgb[i + 1] == 255 && std::abs(rgb[i + 2] - 138) <= 1 ? 1 : 0;
    EXPECT_GT(levelled, 500);
}

TEST_F(SubsetGlTest, StillFrameAfterMovingFramesIsTheNeverMovedFrame)
{
    test::WritePatches(dir.File("s.oxv"), {{-30, -20, 40, 0, 200, 120, 40, 9, 300}, {0, 0, 15, 8, 40, 90, 250, 3, 200}});
    ASSERT_TRUE(test::Load(doc, dir.File("s.oxv")));
    view.m_bShowGrid = true;
    view.m_bShowScannerPath = true;
    ViewState never = view;  // no budget: today's view
    OnInitialUpdate(never, &doc);
    view.m_subset.budget = 10000;
    OnInitialUpdate(view, &doc);
    ASSERT_NE(view.m_subset.listBase, 0u);

    view.m_subset.moving = true;
    for (int i = 0; i < 3; ++i) {
        RotateCameraWorld(0.0, 0.0, 5.0, view.m_camera);
        Paint();
    }
    const auto moving = Paint();
    view.m_subset.moving = false;
    const auto still = Paint();
    EXPECT_NE(moving, still) << "the moving frame drew fewer points";
    never.m_camera = view.m_camera;
    OnDrawFrame(never, &doc, *gl, FrameKind::Paint);
    EXPECT_EQ(gl->ReadRgb(), still);
    DeleteDisplayLists(never);
}

TEST_F(SubsetGlTest, ThePreviewShowsWhileThePointListsCompile)
{
    // Most of these lie outside the opening view: the frames' own count says
    // what they drew.
    const int32_t records = 3 * kListsBetweenYields * kPointsPerList;
    const auto drawn = [&] {
        OnDrawFrame(view, &doc, *gl, FrameKind::Paint);
        return view.m_subset.lastFramePoints;
    };
    int ready = 0, between = 0;
    std::string status;
    view.hooks.subsetReady = [&] {
        ++ready;
        EXPECT_EQ(view.m_nPointListBase, 0u);
        EXPECT_EQ(drawn(), 60000);
        status = PreviewText(view, &doc);
    };
    view.hooks.betweenListChunks = [&] {
        ++between;
        if (ready) {
            EXPECT_EQ(drawn(), 60000);
            EXPECT_EQ(view.m_subset.lastFrameSubset, 1);
        }
        return true;
    };
    OpenGrid(records, 60000);
    EXPECT_EQ(ready, 1);
    EXPECT_EQ(status, "Preview: 0.06 M of 0.48 M points");
    EXPECT_EQ(between, 3) << "the point lists' breaks; 6 subset lists need none";
    EXPECT_EQ(PreviewText(view, &doc), "") << "complete";
    EXPECT_EQ(drawn(), records);
    EXPECT_EQ(view.m_subset.lastFrameSubset, 0);
    view.hooks = {};
}

// Point lists that would not fit in the memory left are never compiled:
// the subset stands in for them in every orbit frame, cut to what fits, and
// the status line says why.
TEST_F(SubsetGlTest, ListsThatWouldNotFitLeaveTheSubsetInTheirPlace)
{
    const int32_t records = 25000;  // 900,000 bytes of lists at 36 a point
    constexpr int64_t kEnough = 900'000 + kListCompileReserveBytes;
    const std::string why = "not enough memory for the display lists of all 25,000 points";
    struct Case {
        const char* name;
        std::optional<int64_t> headroom;
        int32_t budget;
        bool fullLists;
        int32_t subsetPoints;  // 0: none
    };
    const Case cases[] = {
        {"unknown memory is tried", std::nullopt, 5000, true, 5000},
        {"just enough", kEnough, 5000, true, 5000},
        {"one byte short: the budget's subset", kEnough - 1, 5000, false, 5000},
        {"room for 2000: a smaller subset", kListCompileReserveBytes + 144'000, 5000, false, SubsetPoints(records, 13)},
        {"budget off: the default's, cut to fit", kListCompileReserveBytes + 144'000, 0, false, SubsetPoints(records, 13)},
        {"no room for any", kListCompileReserveBytes + 71, 5000, false, 0},
        {"less than the reserve", 1'000'000, 5000, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.hooks.memoryHeadroom = [&c] { return c.headroom; };
        OpenGrid(records, c.budget);
        EXPECT_EQ(view.m_nPointListBase != 0, c.fullLists);
        EXPECT_EQ(view.m_subset.memoryProblem.empty(), c.fullLists);
        if (c.fullLists) {
            EXPECT_EQ(PointsIn(FrameKind::Paint), static_cast<size_t>(records));
            EXPECT_EQ(PreviewText(view, &doc), "");
            continue;
        }
        EXPECT_EQ(view.m_subset.points, c.subsetPoints);
        EXPECT_EQ(PointsIn(FrameKind::Paint), static_cast<size_t>(c.subsetPoints)) << "a still frame";
        EXPECT_EQ(PointsIn(FrameKind::Pick), static_cast<size_t>(c.subsetPoints));
        const std::string status = PreviewText(view, &doc);
        EXPECT_NE(status.find(why), std::string::npos) << status;
        EXPECT_EQ(status.rfind(c.subsetPoints > 0 ? "Preview: " : "No points shown: ", 0), 0u) << status;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    // A new budget within what fits follows it; the point lists stay out.
    view.hooks.memoryHeadroom = [] { return std::optional<int64_t>(kEnough - 1); };
    OpenGrid(records, 5000);
    SetPointBudget(view, &doc, 2500);
    EXPECT_EQ(view.m_nPointListBase, 0u);
    EXPECT_EQ(PointsIn(FrameKind::Paint), 2500u);
    view.hooks = {};
}

// A window that closes while the lists compile gives the compile up at its
// next break, in the subset or in the point lists: nothing half made is left
// to draw, and no list name stays taken.
TEST_F(SubsetGlTest, ACompileGivenUpLeavesNoListsBehind)
{
    // 480,000 records: 24 subset lists (one break) then 49 point lists.
    const int32_t records = 3 * kListsBetweenYields * kPointsPerList;
    OpenGrid(records, 250000);
    ASSERT_EQ(view.m_subset.listCount, 24);
    for (const int giveUpAt : {1, 2}) {
        SCOPED_TRACE(giveUpAt == 1 ? "in the subset" : "in the point lists");
        int calls = 0;
        view.hooks.betweenListChunks = [&] { return ++calls < giveUpAt; };
        EXPECT_FALSE(BuildDisplayLists(view, &doc));
        EXPECT_EQ(calls, giveUpAt);
        EXPECT_EQ(view.m_nPointListBase, 0u);
        EXPECT_EQ(view.m_nPointListCount, 0);
        EXPECT_EQ(view.m_subset.listBase, giveUpAt == 1 ? 0u : view.m_subset.listBase);
        EXPECT_EQ(view.m_subset.listCount, giveUpAt == 1 ? 0 : 24);
        OnDrawFrame(view, &doc, *gl, FrameKind::Paint);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        DeleteDisplayLists(view);
        int taken = 0;
        for (GLuint name = 1; name < 1000; ++name) taken += glIsList(name) ? 1 : 0;
        EXPECT_EQ(taken, 0);
    }
    view.hooks = {};
}

}  // namespace
}  // namespace oxv
