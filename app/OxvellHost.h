#pragma once

#include <chrono>

#include <wx/string.h>

class wxStatusBar;

namespace oxv {

class Profile;

// What the document, the view and the main frame need from the application
// around them, so none of them includes the application: its settings,
// opening a file the way File > Open does (drops on the window), and the
// status bar the view writes its facts into.
class OxvellHost {
public:
    virtual ~OxvellHost() = default;
    // The settings file the playback parameters are read from and stored in.
    virtual Profile& SettingsProfile() = 0;
    // False when the file could not be opened.
    [[nodiscard]] virtual bool OpenDocumentFile(const wxString& path) = 0;
    // The main window's status bar, shown or not; null before there is one.
    virtual wxStatusBar* StatusBar() = 0;
    // When a menu of the main window last closed (the epoch if none has).
    virtual std::chrono::steady_clock::time_point LastMenuClose() = 0;
};

}  // namespace oxv
