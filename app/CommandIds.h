#pragma once

// Command ids of the menu, the accelerators and the update rules. The
// framework commands keep the numbers they have always had, so the settings
// file, scripts and the documentation all speak of the same ids.
namespace oxv::cmd {

enum : int {
    // Framework commands.
    kFileNew = 57600,
    kFileOpen = 57601,
    kFileSave = 57603,
    kFileSaveAs = 57604,
    kFileMru1 = 57616,  // to kFileMru1 + kRecentFileCount - 1
    kEditCopy = 57634,
    kEditCut = 57635,
    kEditPaste = 57637,
    kEditUndo = 57643,
    kAppAbout = 57664,
    kAppExit = 57665,
    kNextPane = 57680,
    kPrevPane = 57681,
    kViewStatusBar = 59393,

    // Playback.
    kPlayStart = 32772,
    kPlayStop = 32773,
    kPlayPause = 32774,
    kPlayParameter = 32775,

    // Colour modes, in ColorMode order (Height, Amp, Amp BW, Range, Original).
    kColorHeight = 32777,
    kColorAmp = 32778,
    kColorAmpBw = 32779,
    kColorRange = 32780,
    kColorOriginal = 32781,

    // Display sizes.
    kSize640x480 = 32783,
    kSize800x600 = 32784,
    kSize1024x768 = 32785,
    kSize1280x720 = 32786,

    kShowScannerPath = 32787,

    // Point sizes 1 to 5.
    kPointSize1 = 32789,
    kPointSize5 = 32793,
    kAntiAlias = 32794,

    kShowGrid = 32795,
    kImportCameraPath = 32796,
    kShowCameraPath = 32798,
    kFpvMode = 32799,
    kFpvFov = 32802,
};

inline constexpr int kRecentFileCount = 4;

}  // namespace oxv::cmd
