#pragma once

class wxFrame;
class wxToolBar;

namespace oxv {

// The main window's toolbar: Open, Zoom to Extent, the standard views, the
// colour modes, Start, Pause and Stop, FPV Camera Mode, and the recording
// mark. Its buttons are the menu commands' own ids, so the menu's update
// rules enable and check them. The icons are drawn here, in code.
wxToolBar* CreateMainToolBar(wxFrame* frame);

}  // namespace oxv
