#pragma once

#include <string>

namespace oxv::test {

// Sends the window with this X id (decimal, as xdotool prints it) what the
// window manager's close button sends, WM_DELETE_WINDOW, through the X
// server of DISPLAY; false when it could not be sent.
bool SendCloseRequest(const std::string& windowId);

}  // namespace oxv::test
