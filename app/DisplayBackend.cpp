#include "app/DisplayBackend.h"

#include <cstdlib>
#include <cstring>

namespace oxv {

namespace {

bool Set(const char* value)
{
    return value && *value;
}

}  // namespace

bool NeedsX11Backend(const SessionEnvironment& env)
{
    // An empty GDK_BACKEND names no backend at all, so the toolkit could open
    // none: it counts as unchosen.
    if (Set(env.gdkBackend)) return false;
    return Set(env.waylandDisplay) || (env.sessionType && std::strcmp(env.sessionType, "wayland") == 0);
}

SessionEnvironment CurrentSessionEnvironment()
{
    SessionEnvironment env;
    env.waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    env.sessionType = std::getenv("XDG_SESSION_TYPE");
    env.gdkBackend = std::getenv("GDK_BACKEND");
    return env;
}

void ChooseX11OnWayland()
{
    if (NeedsX11Backend(CurrentSessionEnvironment())) ::setenv("GDK_BACKEND", "x11", 1);
}

}  // namespace oxv
