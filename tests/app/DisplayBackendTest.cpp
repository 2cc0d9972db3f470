// The display backend the viewer asks for before the toolkit starts.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/DisplayBackend.h"

namespace oxv {
namespace {

TEST(DisplayBackendTest, X11IsChosenInAWaylandSessionUnlessTheUserChoseABackend)
{
    struct Case {
        const char* waylandDisplay;
        const char* sessionType;
        const char* gdkBackend;
        bool x11;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, false},          // an X11 desktop, or none
        {nullptr, "x11", nullptr, false},
        {"", "tty", nullptr, false},                 // an empty variable is no session
        {"wayland-0", nullptr, nullptr, true},       // a Wayland terminal
        {nullptr, "wayland", nullptr, true},         // the session says so, the socket is not passed on
        {"wayland-1", "wayland", nullptr, true},
        {"wayland-0", "wayland", "", true},          // an empty choice names no backend
        {"wayland-0", "wayland", "wayland", false},  // the user's choice stands
        {"wayland-0", nullptr, "x11", false},
        {nullptr, "wayland", "x11,wayland", false},
    };
    for (const Case& c : cases) {
        SessionEnvironment env;
        env.waylandDisplay = c.waylandDisplay;
        env.sessionType = c.sessionType;
        env.gdkBackend = c.gdkBackend;
        EXPECT_EQ(NeedsX11Backend(env), c.x11) << (c.waylandDisplay ? c.waylandDisplay : "-") << " "
                                               << (c.sessionType ? c.sessionType : "-") << " "
                                               << (c.gdkBackend ? c.gdkBackend : "-");
    }
}

TEST(DisplayBackendTest, TheChoiceIsWrittenToTheProcessEnvironment)
{
    ::unsetenv("XDG_SESSION_TYPE");
    ::unsetenv("GDK_BACKEND");
    ::setenv("WAYLAND_DISPLAY", "wayland-7", 1);
    ChooseX11OnWayland();
    ASSERT_NE(std::getenv("GDK_BACKEND"), nullptr);
    EXPECT_EQ(std::string(std::getenv("GDK_BACKEND")), "x11");

    ::setenv("GDK_BACKEND", "wayland", 1);
    ChooseX11OnWayland();
    EXPECT_EQ(std::string(std::getenv("GDK_BACKEND")), "wayland");

    ::unsetenv("GDK_BACKEND");
    ::unsetenv("WAYLAND_DISPLAY");
    ChooseX11OnWayland();
    EXPECT_EQ(std::getenv("GDK_BACKEND"), nullptr);
}

}  // namespace
}  // namespace oxv
