// The window closed by the window manager while a large survey's point
// lists compile: a process of its own, as the window goes for good.

#include <gtest/gtest.h>

#include <wx/evtloop.h>
#include <wx/toplevel.h>

#include <string>

#include "app/OxvellView.h"
#include "tests/app/AppHarness.h"
#include "tests/app/CloseRequest.h"
#include "tests/app/WindowShot.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/SurveyFixture.h"

namespace oxv {
namespace {

// The close is served between two chunks of the compile, as paints are.
// Closing there freed the view under the compile (the viewer crashed); now
// the compile stops at that break and the window closes after it.
TEST(CloseWhileCompiling, TheCompileStopsAndThenTheWindowCloses)
{
    test::ScratchDir dir;
    test::AppSession session;
    ASSERT_TRUE(session.Start(dir.File("oxvell.ini")));
    const std::string large = dir.File("large.oxv");
    const int32_t chunk = kListsBetweenYields * kPointsPerList;
    test::WriteSurvey(large, PointFileLayout{}, 6 * chunk, [](int32_t i, PointRecord& r) {
        r.SetXyz(i % 1000 * 100, i / 1000 * 100, i % 7 * 100);
    });

    COxvellView* view = session.View();
    auto& hooks = view->State().hooks;
    const auto served = hooks.betweenListChunks;
    int breaks = 0;
    bool requested = false;
    hooks.betweenListChunks = [&] {
        ++breaks;
        if (!requested) {
            const std::string window = test::WindowTitled("large.oxv - Oxvell");
            requested = !window.empty() && test::SendCloseRequest(window);
        }
        return served();
    };
    {
        wxGUIEventLoop loop;  // the running viewer's
        wxEventLoopActivator active(&loop);
        ASSERT_TRUE(session.app->OpenDocumentFile(large));
    }
    ASSERT_TRUE(requested) << "the close request was sent during the compile";
    EXPECT_LT(breaks, 5) << "the compile stopped at a break after the request";
    EXPECT_EQ(view->State().m_nPointListBase, 0u) << "no half-made lists";
    EXPECT_TRUE(test::PumpUntil([&] { return session.app->MainFrame() == nullptr; }, 10000))
        << "the window closed once the compile had unwound";
    session.Stop();
}

}  // namespace
}  // namespace oxv
