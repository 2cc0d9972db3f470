#pragma once

#include <functional>
#include <string>

#include <wx/string.h>

class wxWindow;

namespace oxv {

class RunHost;

// Shows a folder chooser opening on `initial` and returns the chosen
// folder, empty when cancelled (BrowseForFolder; tests replace it).
using FrameFolderChooser = std::function<wxString(wxWindow* parent, const wxString& initial)>;

// Before a run writes numbered frames into `folder`: when the folder holds
// frames of an earlier recording the user is asked first. Overwrite removes
// those frames (so no old frame stays among the new ones), Choose Another
// Folder puts the chosen folder in `folder` (asked again should it hold
// frames too), Cancel starts nothing. True when the run may start; a folder
// without frames is never asked about.
[[nodiscard]] bool ConfirmFrameFolder(wxWindow* parent, std::string& folder, const FrameFolderChooser& choose);

// Before a first-person flight: its folder is made when missing; when it
// cannot be made or written, the user is told at once that nothing will be
// recorded and asked whether to fly anyway; when it holds frames,
// ConfirmFrameFolder asks, and a chosen folder becomes the host's
// first-person folder. True when the flight may start.
[[nodiscard]] bool PrepareFirstPersonRecording(wxWindow* parent, RunHost& host, const FrameFolderChooser& choose);

}  // namespace oxv
