// The real viewer executable on a Wayland desktop (a headless compositor
// with XWayland), started as a Wayland terminal or the desktop's launcher
// starts it: no backend chosen for it.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "tests/app/WestonServer.h"
#include "tests/app/WindowShot.h"
#include "tests/app/FieldSurvey.h"

namespace oxv {
namespace {

using namespace std::chrono_literals;
using test::Shell;

class WaylandTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        test::EndProgram(m_viewer);
        m_weston.Stop();
    }

    // The viewer with the desktop's environment: the Wayland socket and
    // XWayland's display, and no GDK_BACKEND.
    void Launch(const std::vector<std::string>& args)
    {
        const char* bin = std::getenv("OXV_BIN_DIR");
        ASSERT_NE(bin, nullptr);
        // A copy in the scratch folder, so its INI file lands there.
        const std::string exe = m_dir.File("oxvell");
        std::filesystem::copy_file(std::string(bin) + "/oxvell", exe);
        m_viewer = test::StartProgram(exe, args, [this] {
            ::unsetenv("GDK_BACKEND");
            ::setenv("XDG_RUNTIME_DIR", m_weston.RuntimeDir().c_str(), 1);
            ::setenv("WAYLAND_DISPLAY", m_weston.WaylandDisplay(), 1);
            ::setenv("XDG_SESSION_TYPE", "wayland", 1);
            ::setenv("DISPLAY", m_weston.XDisplay().c_str(), 1);
            ::setenv("GSETTINGS_BACKEND", "memory", 1);
            ::setenv("NO_AT_BRIDGE", "1", 1);
        });
    }

    std::string FindWindow(const std::string& title, std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        do {
            if (std::string id = test::WindowTitled(title, m_weston.XDisplay()); !id.empty()) return id;
            int status = 0;
            if (::waitpid(m_viewer, &status, WNOHANG) == m_viewer) {
                m_viewer = -1;
                ADD_FAILURE() << "the viewer ended (status " << status << ") before its window showed";
                return {};
            }
            std::this_thread::sleep_for(100ms);
        } while (std::chrono::steady_clock::now() < end);
        return {};
    }

    test::ScratchDir m_dir;
    test::ScratchDir m_runtime;
    test::WestonServer m_weston;
    pid_t m_viewer = -1;
};

TEST_F(WaylandTest, TheViewerStartedWithoutABackendShowsItsWindowAndDrawsThroughXWayland)
{
    if (Shell("command -v weston").empty()) GTEST_SKIP() << "weston is not installed";
    ASSERT_TRUE(m_weston.Start(m_runtime.Path().string())) << "the compositor did not start; see its log";

    const std::string file = m_dir.File("field.oxv");
    test::WriteField(file);
    Launch({file});
    const std::string window = FindWindow("field.oxv - Oxvell", 30s);
    ASSERT_FALSE(window.empty()) << "no viewer window on XWayland";
    // The GL canvas draws: the survey's points light the window.
    int lit = 0;
    for (int i = 0; i < 20 && lit < 4000; ++i) {
        std::this_thread::sleep_for(250ms);
        const auto shot = test::ShootWindow(window, m_weston.XDisplay());
        lit = shot ? shot->Lit(60) : -1;  // below the menu bar
    }
    EXPECT_GT(lit, 4000);
}

}  // namespace
}  // namespace oxv
