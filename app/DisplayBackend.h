#pragma once

namespace oxv {

// The parts of the environment that decide which display backend the
// toolkit opens; null where a variable is unset.
struct SessionEnvironment {
    const char* waylandDisplay = nullptr;  // WAYLAND_DISPLAY
    const char* sessionType = nullptr;     // XDG_SESSION_TYPE
    const char* gdkBackend = nullptr;      // GDK_BACKEND
};

// Whether the viewer must ask the toolkit for X11: its OpenGL canvas needs
// GLX, which a Wayland session offers only through XWayland. A backend the
// user has chosen is left alone.
[[nodiscard]] bool NeedsX11Backend(const SessionEnvironment& env);

// The process's own environment.
SessionEnvironment CurrentSessionEnvironment();

// Sets GDK_BACKEND=x11 when NeedsX11Backend holds; before the toolkit starts,
// as it reads the variable only then.
void ChooseX11OnWayland();

}  // namespace oxv
