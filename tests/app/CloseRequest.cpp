// Xlib's macros (None, Status, True...) stay in this file, away from the
// test framework's and the toolkit's names.
#include "tests/app/CloseRequest.h"

#include <X11/Xlib.h>

#include <cstdlib>

namespace oxv::test {

bool SendCloseRequest(const std::string& windowId)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::strtoul(windowId.c_str(), nullptr, 10);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    // Once the server has it, the window's own connection has it to read.
    XSync(display, False);
    XCloseDisplay(display);
    return sent != 0;
}

}  // namespace oxv::test
