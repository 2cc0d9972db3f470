#pragma once

// Command ids of the menu, the accelerators and the update rules.
namespace oxv::cmd {

// Every command has its classic number (New 57600, Start 32772, ...), but
// the toolkit takes ids below 0x7fff only. The id is the number with its top
// bit dropped: order and spacing stay, and the results (4 to 34 for the
// program's own commands, 24832 to 26625 for the framework's) lie clear of
// the toolkit's stock ids, so no built-in handler takes them.
constexpr int CommandId(int number)
{
    return number & 0x7fff;
}

enum : int {
    // Framework commands.
    kFileNew = CommandId(57600),
    kFileOpen = CommandId(57601),
    kFileSave = CommandId(57603),
    kFileSaveAs = CommandId(57604),
    kFileMru1 = CommandId(57616),  // to kFileMru1 + kRecentFileCount - 1
    kEditCopy = CommandId(57634),
    kEditCut = CommandId(57635),
    kEditPaste = CommandId(57637),
    kEditUndo = CommandId(57643),
    kAppAbout = CommandId(57664),
    kAppExit = CommandId(57665),
    kNextPane = CommandId(57680),
    kPrevPane = CommandId(57681),
    kViewToolBar = CommandId(59392),
    kViewStatusBar = CommandId(59393),

    // Playback.
    kPlayStart = CommandId(32772),
    kPlayStop = CommandId(32773),
    kPlayPause = CommandId(32774),
    kPlayParameter = CommandId(32775),

    // Colour modes, in ColorMode order (Height, Amp, Amp BW, Range, Original).
    kColorHeight = CommandId(32777),
    kColorAmp = CommandId(32778),
    kColorAmpBw = CommandId(32779),
    kColorRange = CommandId(32780),
    kColorOriginal = CommandId(32781),

    // Display sizes.
    kSize640x480 = CommandId(32783),
    kSize800x600 = CommandId(32784),
    kSize1024x768 = CommandId(32785),
    kSize1280x720 = CommandId(32786),

    kShowScannerPath = CommandId(32787),

    // Point sizes 1 to 5.
    kPointSize1 = CommandId(32789),
    kPointSize5 = CommandId(32793),
    kAntiAlias = CommandId(32794),

    kShowGrid = CommandId(32795),
    kImportCameraPath = CommandId(32796),
    kShowCameraPath = CommandId(32798),
    kFpvMode = CommandId(32799),
    kFpvFov = CommandId(32802),

    // Whole-survey views.
    kZoomToExtent = CommandId(32803),
    kResetView = CommandId(32804),
    kSavePicture = CommandId(32805),

    // Moving-camera point budgets, in kPointBudgetChoices order (250k, 1M, 4M, Off).
    kPointBudget250k = CommandId(32806),
    kPointBudgetOff = CommandId(32809),

    // File > Import Trajectory...: sensor origin and pose for a LAS survey.
    kImportTrajectory = CommandId(32810),

    // Standard views, in StandardView order (Top, North, South, East, West).
    kViewTop = CommandId(32811),
    kViewWest = CommandId(32815),

    // The toolbar's recording mark: a label, not a command.
    kRecordingMark = CommandId(32816),
};

inline constexpr int kRecentFileCount = 4;

}  // namespace oxv::cmd
