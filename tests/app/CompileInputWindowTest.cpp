// Input while a large survey's point lists compile: the camera works on the
// preview, commands that would replace the lists end the compile and then
// run, the rest wait and say so.

#include <wx/evtloop.h>

#include <memory>
#include <string>

#include "tests/app/AppWindowFixture.h"

namespace oxv {
namespace {

class CompileInputWindowTest : public AppWindowTest {
protected:
    static constexpr int32_t kChunk = kListsBetweenYields * kPointsPerList;

    void SetUp() override
    {
        AppWindowTest::SetUp();
        m_large = s_dir->File("compiling.oxv");
        test::WriteSurvey(m_large, PointFileLayout{}, 6 * kChunk, [](int32_t i, PointRecord& r) {
            r.SetXyz(i % 1000 * 100, i / 1000 * 100, i % 7 * 100);
        });
        // A budget below the survey: the preview stands in while it compiles.
        View()->State().m_subset.budget = 100000;
    }

    void TearDown() override
    {
        View()->ServeCompileBreaksWith(nullptr);
        View()->State().m_subset.budget = kDefaultPointBudget;
        AppWindowTest::TearDown();
    }

    // Opens the large survey as the running viewer does; its first break
    // serves what `during` does, as the window serves input then.
    void OpenWhile(const std::function<void()>& during)
    {
        // Kept by the view for the compiles that follow: only members.
        m_during = during;
        View()->ServeCompileBreaksWith([this] {
            ++m_breaks;
            if (!m_during) return;
            const auto input = std::move(m_during);
            m_during = nullptr;
            input();
            m_noticeSeen = View()->StatusExtras().notice;
        });
        wxGUIEventLoop loop;
        wxEventLoopActivator active(&loop);
        ASSERT_TRUE(s_app->OpenDocumentFile(m_large));
    }

    static void Mouse(wxEventType type, int x, int y)
    {
        wxMouseEvent event(type);
        event.SetPosition({x, y});
        event.SetLeftDown(type != wxEVT_LEFT_UP);
        event.SetEventObject(View()->Canvas());
        View()->Canvas()->GetEventHandler()->ProcessEvent(event);
    }
    static void Menu(int id)
    {
        wxCommandEvent event(wxEVT_MENU, id);
        event.SetEventObject(Frame());
        Frame()->GetEventHandler()->ProcessEvent(event);
    }

    std::string m_large;
    std::function<void()> m_during;
    int m_breaks = 0;
    std::string m_noticeSeen;
};

TEST_F(CompileInputWindowTest, ADragTurnsThePreviewAndStartWaitsForTheLists)
{
    const OrbitCamera before = View()->State().m_camera;
    OpenWhile([] {
        Mouse(wxEVT_LEFT_DOWN, 100, 100);
        Mouse(wxEVT_MOTION, 160, 130);
        Mouse(wxEVT_LEFT_UP, 160, 130);
        Menu(cmd::kPlayStart);
    });
    const OrbitCamera& after = View()->State().m_camera;
    bool turned = false;
    for (int i = 0; i < 4; ++i) turned = turned || after.orientation[i] != before.orientation[i];
    EXPECT_TRUE(turned) << "the drag served during the compile turned the camera";
    EXPECT_GT(m_breaks, 4) << "the compile went on to its end";
    EXPECT_NE(View()->State().m_nPointListBase, 0u);
    EXPECT_EQ(View()->Run().m_nPlayState, kStopped) << "Start waited";
    EXPECT_NE(m_noticeSeen.find("Start waits until the point lists are compiled"), std::string::npos)
        << m_noticeSeen;
    EXPECT_TRUE(View()->StatusExtras().notice.empty()) << "the wait is over with the lists";
}

TEST_F(CompileInputWindowTest, AColourModeEndsTheCompileAndTheListsAreBuiltInIt)
{
    View()->State().m_nColorMode = kColorHeight;
    OpenWhile([] { Menu(cmd::kColorRange); });
    EXPECT_LT(m_breaks, 4) << "the compile stopped at the break that served the change";
    ASSERT_TRUE(PumpUntil([] { return View()->State().m_nPointListBase != 0; }, 20000));
    EXPECT_EQ(View()->State().m_nColorMode, kColorRange);
}

TEST_F(CompileInputWindowTest, ABurstOfLevelKeysCostsOneCompileAtTheLastLevels)
{
    View()->State().m_nColorMode = kColorOriginal;
    const double white = View()->State().m_dWhiteLevel;
    OpenWhile([] {
        for (int i = 0; i < 3; ++i) {
            wxKeyEvent key(wxEVT_KEY_DOWN);
            key.m_keyCode = WXK_PAGEDOWN;
            key.SetEventObject(View()->Canvas());
            View()->Canvas()->GetEventHandler()->ProcessEvent(key);
        }
    });
    EXPECT_LT(m_breaks, 4) << "the keys gave the compile up";
    ASSERT_TRUE(PumpUntil([] { return View()->State().m_nPointListBase != 0; }, 20000));
    (void)PumpUntil([] { return false; }, 300);
    const int rebuild = m_breaks - 1;
    EXPECT_LE(rebuild, 6) << "one compile of the six breaks a compile has, not one a key";
    EXPECT_GT(rebuild, 0);
    ViewState fresh;
    InitViewState(fresh);
    fresh.m_nColorMode = kColorOriginal;
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(ChangeOriginalLevels(fresh, LevelKey::PageDown));
    EXPECT_NE(View()->State().m_dWhiteLevel, white);
    EXPECT_EQ(View()->State().m_dWhiteLevel, fresh.m_dWhiteLevel) << "all three keys count";
}

TEST_F(CompileInputWindowTest, AFileOpenedMeanwhileReplacesTheSurveyOnceTheCompileHasStopped)
{
    const std::string small = s_dir->File("small.oxv");
    test::WriteSurvey(small, PointFileLayout{}, 5000, [](int32_t i, PointRecord& r) { r.SetXyz(i, i, 0); });
    // As a drop opens it.
    OpenWhile([&] { EXPECT_TRUE(s_app->OpenDocumentFile(small)); });
    EXPECT_LT(m_breaks, 4);
    ASSERT_TRUE(PumpUntil([] { return s_app->Document()->Survey().IsLoaded() &&
                                       s_app->Document()->Survey().m_pPoints->Records() == 5000; },
                          20000));
    EXPECT_NE(View()->State().m_nPointListBase, 0u);
}

}  // namespace
}  // namespace oxv
