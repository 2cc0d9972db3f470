#pragma once

// What the viewer keeps of its view and window across runs, in the INI
// file under readable keys: [View] Grid, ScannerPath, PointSize, Smoothing,
// ColorMode, BlackLevel, WhiteLevel, StatusBar and Toolbar, [Window] Left,
// Top, Width, Height and OpenFolder.

#include <cstdint>
#include <optional>
#include <string>

namespace oxv {

class Profile;

struct WindowPlace {
    int32_t left = 0, top = 0, width = 0, height = 0;
    bool operator==(const WindowPlace&) const = default;
};

struct ViewSettings {
    bool grid = false;
    bool scannerPath = false;
    int32_t pointSize = 1;  // 1 to 5
    bool smoothing = false;
    std::string colorMode = "original";  // as the command line names modes
    double blackLevel = 0.4;             // Original mode, 0 to 1, black below white
    double whiteLevel = 1.0;
    bool statusBar = false;
    bool toolbar = true;
    std::optional<WindowPlace> window;  // none: the window's own default
    std::string openFolder;             // empty: the Open dialog's own default
    bool operator==(const ViewSettings&) const = default;
};

// The stored settings; each key that is absent or not a value it can hold
// (a point size of 9, a black level above the white, a window 20 pixels
// wide) keeps its default.
ViewSettings LoadViewSettings(Profile& profile);

// Writes the keys whose values differ between `loaded` (what this viewer
// read, or last saved) and `now`, so a key another viewer stored meanwhile
// stays unless this one changed it too. False when a write failed.
[[nodiscard]] bool SaveViewSettings(Profile& profile, const ViewSettings& loaded, const ViewSettings& now);

}  // namespace oxv
