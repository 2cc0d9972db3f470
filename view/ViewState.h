#pragma once

// Everything the 3D view draws with, as a plain record, and the drawing
// operations over it. The window class owns one ViewState and calls these
// with its document and its drawing target; tools and tests do the same
// with a headless target. No window-system types here, and no GL headers:
// list names are plain unsigned ints (GLuint).

#include <cstdint>
#include <functional>
#include <optional>

#include "camera/OrbitCamera.h"
#include "playback/PlaybackState.h"
#include "view/PointSubset.h"

namespace oxv {

class SurveyDocument;
class GlTarget;
struct PathNode;
struct ValueRange;

enum ColorMode : int32_t {
    kColorHeight = 0,
    kColorAmp = 1,
    kColorAmpBw = 2,
    kColorRange = 3,
    kColorOriginal = 4,
};

// Records per point display list; chunk j holds records 10000 j .. 10000 j + 9999.
inline constexpr int32_t kPointsPerList = 10000;
inline constexpr double kGridSpacing = 10.0;  // metres

struct ViewState;

// Calls into the parts drawn by later subsystems. Empty functions are skipped,
// so with none set the frame is the plain orbit view.
struct ViewHooks {
    // Draws the vehicle at the current (metre) modelview transform; only
    // called while playback is playing or paused, and only on painted frames.
    std::function<void(ViewState&)> drawVehicle;
    // Fills m_camera's look-at block instead of ComputeLookAt while m_scene.firstPerson is set.
    std::function<void(ViewState&, const SurveyDocument&)> computeFpvLookAt;
    // Runs at the end of every frame, before any swap, with the client
    // rectangle; reads the drawn frame through target.ReadBuffer().
    std::function<void(ViewState&, GlTarget&, int left, int top, int right, int bottom)> captureFrame;
    // Draws over a painted frame after captureFrame and before the swap: what
    // the window shows but a recorded frame never holds.
    std::function<void(ViewState&, GlTarget&)> drawOverlay;
    // Called every kListsBetweenYields point lists while they compile, with
    // no list open, so that a window can answer its paint and size events
    // during a long compile. The point lists reach the view only when all
    // are compiled: a frame drawn from here shows the moving-camera subset
    // once that is compiled, and no points before. False gives the compile
    // up: the lists made so far are deleted and the view has no point lists
    // (nor a subset, when that was compiling), as for a window that closes.
    std::function<bool()> betweenListChunks;
    // Called when the moving-camera subset is compiled and the point lists
    // are about to be: a frame drawn from here shows the subset in their
    // place, the first picture of a large survey.
    std::function<void()> subsetReady;
    // The memory the process may still take, asked before the lists are
    // compiled; MemoryHeadroomBytes() when empty.
    std::function<std::optional<int64_t>()> memoryHeadroom;
};

// Point lists compiled between two calls of ViewHooks::betweenListChunks
// (160000 records, some 30 ms here).
inline constexpr int32_t kListsBetweenYields = 16;

// What a playback run and the first-person camera ask the frame to show.
// Their owner fills it from their state (ShowRunState) before each frame.
struct SceneInput {
    bool playing = false;        // vehicle instead of axes, beams; points and scanner path up to revealedRecord
    int32_t revealedRecord = 0;
    bool firstPerson = false;    // the look-at block comes from hooks.computeFpvLookAt; no mouse, no pick
};

// The view's members, with their initial values as the view is constructed.
// InitViewState then does what window creation does (camera, Original mode).
struct ViewState {
    // Read back by every frame for the pick.
    double m_modelviewMatrix[16] = {};
    double m_projectionMatrix[16] = {};
    int32_t m_viewport[4] = {};

    // Colour modes.
    int32_t m_nColorMode = kColorOriginal;
    double m_dColorScale = 0.0;
    double m_dColorOffset = 0.0;
    double m_dWhiteLevel = 1.0;
    double m_dBlackLevel = 0.4;
    double m_dRgbScale = 1.0 / 153.0;
    double m_dRgbOffset = -2.0 / 3.0;

    OrbitCamera m_camera;

    // Display lists: a name of 0 means absent.
    unsigned m_nPointListBase = 0;
    unsigned m_nScannerPathList = 0;
    unsigned m_nBeamList = 0;  // the playback host's, deleted with the others
    unsigned m_nGridList = 0;
    unsigned m_nCameraPathList = 0;
    int32_t m_nPointListCount = 0;
    int32_t m_nScannerPathListCount = 0;
    int32_t m_nCameraPathListCount = 0;

    SceneInput m_scene;
    // The moving-camera subset; its budget is off until the owner sets one.
    PointSubset m_subset;

    // View options.
    bool m_bShowScannerPath = false;
    bool m_bShowGrid = false;
    bool m_bShowCameraPath = false;
    int32_t m_nPointSize = 1;  // 1 to 5 pixels
    bool m_bAntiAlias = false;

    ViewHooks hooks;
};

// ---- Plain logic (library oxv_view_input: no GL) ----

// What window creation does besides the GL set-up: the initial camera and
// the Original colour mode.
void InitViewState(ViewState& view);

enum class LevelKey { PageUp, PageDown, Home, End };

// The scene input for the run and the first-person camera as they stand.
void ShowRunState(ViewState& view, const PlaybackState& run, const FpvState& fpv);

// Original-mode levels: true when the key was taken (mode Original and the
// levels stay ordered), with scale and offset updated; false leaves every
// member as it was.
[[nodiscard]] bool ChangeOriginalLevels(ViewState& view, LevelKey key);

struct MenuState {
    bool enabled = false;
    bool checked = false;
};
// Enabled and checked states of the colour-mode command for `mode`.
MenuState ColorModeMenuState(const ViewState& view, const SurveyDocument* doc, int32_t mode);

struct ViewMouseResult {
    bool repaint = false;      // repaint at once
    bool warpCursor = false;   // put the cursor at (warpX, warpY), client pixels
    int32_t warpX = 0;
    int32_t warpY = 0;
};
// A mouse event of the view (press, release or move) given to the camera,
// with the re-centring of long drags. Nothing happens in first-person mode.
// Capturing the mouse between press and release is the window's job.
ViewMouseResult ViewMouseEvent(ViewState& view, const CameraInput& input);

// The data's bounding box in metres from the x/y/z statistics; false unless
// all three are valid. Either output may be null.
[[nodiscard]] bool GetDataExtent(const SurveyDocument* doc, double centre[3], double size[3]);

// Sets the colour scale and offset for the current mode, first falling back
// to Height when the mode's channel is absent. Needs point data.
void SelectColorScale(ViewState& view, const SurveyDocument& doc);
void SetColorScale(ViewState& view, const ValueRange& range);

// ---- Drawing (library oxv_view_gl: needs a current GL context) ----

// The GL state set once when the context is created (black background).
void SetupViewGl();

void DeleteDisplayLists(ViewState& view);
// Deletes and recompiles every list (points, paths, grid, subset) for `doc`;
// false when ViewHooks::betweenListChunks gave the compile up. When the
// point lists would not fit in the memory left (CheckListMemory), only the
// subset is compiled and m_subset.memoryProblem says why.
[[nodiscard]] bool BuildDisplayLists(ViewState& view, const SurveyDocument* doc);
// Sets m_subset.memoryProblem and memoryBudget for `doc` from the memory
// the process may still take (hooks.memoryHeadroom); clears them when the
// point lists fit.
void CheckListMemory(ViewState& view, const SurveyDocument* doc);
// The same without the point lists: what a frame of a moving camera needs.
[[nodiscard]] bool BuildPreviewLists(ViewState& view, const SurveyDocument* doc);

// Records first .. end-1 in immediate mode, clamped to the records present.
void DrawPointRange(const ViewState& view, const SurveyDocument& doc, int32_t first, int32_t end);
// The path as a line strip up to node key `limit`; a negative limit draws it all.
void DrawScannerPathUpTo(const PathNode* path, int32_t limit);
// The grid lines (metres, plane z = 0 about the grid's origin).
void CompileGrid(const double size[3], double spacing);

// After a document is opened or made: lists rebuilt, target to the data centre.
// The caller repaints.
void OnInitialUpdate(ViewState& view, const SurveyDocument* doc);
// The document's camera path was replaced: every list is rebuilt (the
// caller repaints).
void OnCameraPathChanged(ViewState& view, const SurveyDocument* doc);
// Colour-mode command: mode set and lists rebuilt; the caller repaints.
void SetColorMode(ViewState& view, const SurveyDocument* doc, int32_t mode);
// A level key: true when taken (lists rebuilt); the caller repaints.
[[nodiscard]] bool OnLevelKey(ViewState& view, const SurveyDocument* doc, LevelKey key);

enum class FrameKind {
    Paint,  // the full frame with vehicle or axes, then the buffer swap
    Pick,   // back buffer only: no vehicle, no axes, no swap
};
// One frame into `target` (already current). A null document draws nothing.
// A client area of zero width or height draws nothing.
void OnDrawFrame(ViewState& view, const SurveyDocument* doc, GlTarget& target, FrameKind kind);
// The axis indicator at the current modelview transform.
void DrawAxes();

// Draws a pick frame and unprojects the nearest depth in the 5x5 square
// around client pixel (x, y) (y downwards); false over background.
[[nodiscard]] bool PickPoint(ViewState& view, const SurveyDocument* doc, GlTarget& target, int x, int y, double point[3]);
// The double-click: pick and re-centre the orbit on the point; true when
// the caller must repaint. Nothing happens in first-person mode.
[[nodiscard]] bool PickAndRecentre(ViewState& view, const SurveyDocument* doc, GlTarget& target, int x, int y);

}  // namespace oxv
