#include "app/CanvasInput.h"

#include <array>
#include <chrono>

#include <wx/frame.h>
#include <wx/glcanvas.h>
#include <wx/statusbr.h>

#include "app/MenuKeys.h"
#include "app/OxvellHost.h"
#include "app/OxvellView.h"
#include "playback/FpvCamera.h"
#include "view/PointReadout.h"
#include "view/ViewFit.h"

namespace oxv {

namespace {

// Far from the playback and first-person timer ids.
constexpr int kHoverPickTimerId = 300;
// The cursor rests this long before the point under it is picked.
constexpr int kHoverPickDelayMs = 150;
constexpr int kMotionIdleTimerId = 301;
// The wheel rests this long before the full frame is drawn.
constexpr int kMotionIdleMs = 150;
// The picked depth lies on a drawn point within the depth buffer's
// precision; the record nearest it within this many metres is the one shown.
constexpr double kReadoutRadius = 2.0;

}  // namespace

CanvasInput::CanvasInput(COxvellView& view)
    : m_view(view), m_hoverPickTimer(this, kHoverPickTimerId), m_motionIdleTimer(this, kMotionIdleTimerId)
{
    Bind(wxEVT_TIMER, &CanvasInput::OnHoverPick, this, kHoverPickTimerId);
    Bind(wxEVT_TIMER, &CanvasInput::OnMotionIdle, this, kMotionIdleTimerId);
}

CanvasInput::~CanvasInput()
{
    StopTimers();
}

void CanvasInput::StopTimers()
{
    m_hoverPickTimer.Stop();
    m_motionIdleTimer.Stop();
}

void CanvasInput::Attach(wxGLCanvas* canvas)
{
    m_canvas = canvas;
    for (auto type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_RIGHT_DOWN, wxEVT_RIGHT_UP, wxEVT_MOTION})
        canvas->Bind(type, &CanvasInput::OnMouse, this);
    canvas->Bind(wxEVT_LEFT_DCLICK, &CanvasInput::OnDoubleClick, this);
    canvas->Bind(wxEVT_MOUSEWHEEL, &CanvasInput::OnWheel, this);
    canvas->Bind(wxEVT_MOUSE_CAPTURE_LOST, &CanvasInput::OnCaptureLost, this);
    canvas->Bind(wxEVT_KEY_DOWN, &CanvasInput::OnKeyDown, this);
}

void CanvasInput::MouseToCamera(int type, const wxPoint& point)
{
    RunHost& host = m_view.Runner();
    const wxSize size = m_canvas->GetClientSize();
    CameraInput input;
    input.type = type;
    input.left = 0;
    input.top = 0;
    input.right = size.x;
    input.bottom = size.y;
    input.x = point.x;
    input.y = point.y;
    ShowRunState(host.View(), host.Run(), host.Fpv());
    const ViewMouseResult result = ViewMouseEvent(host.View(), input);
    host.View().m_subset.moving = CameraMoving();
    if (result.warpCursor) m_canvas->WarpPointer(result.warpX, result.warpY);
    if (result.repaint)
        m_view.RepaintNow();
    else
        FollowCameraMotion();
}

bool CanvasInput::CameraMoving() const
{
    const OrbitCamera& camera = m_view.State().m_camera;
    return camera.leftDrag || camera.rightDrag || m_wheelMoving;
}

void CanvasInput::FollowCameraMotion()
{
    ViewState& state = m_view.State();
    state.m_subset.moving = CameraMoving();
    // A run draws every point on its own ticks; a frame more could be
    // recorded. Without point lists the subset is all there is to show.
    if (!state.m_subset.moving && state.m_subset.lastFrameSubset && state.m_nPointListBase != 0 &&
        !m_view.Runner().Running())
        m_view.RepaintNow();
}

void CanvasInput::EndWheelMove()
{
    m_motionIdleTimer.Stop();
    m_wheelMoving = false;
    m_view.State().m_subset.moving = CameraMoving();
}

void CanvasInput::OnMotionIdle(wxTimerEvent&)
{
    m_wheelMoving = false;
    FollowCameraMotion();
}

void CanvasInput::OnMouse(wxMouseEvent& event)
{
    event.Skip();
    if (m_view.Fpv().m_bFpvMode) return;
    const wxEventType type = event.GetEventType();
    if (type == wxEVT_LEFT_DOWN || type == wxEVT_RIGHT_DOWN) {
        m_canvas->SetFocus();
        MouseToCamera(type == wxEVT_LEFT_DOWN ? kLeftPress : kRightPress, event.GetPosition());
        // Between press and release the drag owns the mouse, even outside
        // the window.
        if (!m_canvas->HasCapture()) m_canvas->CaptureMouse();
    } else if (type == wxEVT_LEFT_UP || type == wxEVT_RIGHT_UP) {
        MouseToCamera(type == wxEVT_LEFT_UP ? kLeftRelease : kRightRelease, event.GetPosition());
        const OrbitCamera& camera = m_view.State().m_camera;
        if (!camera.leftDrag && !camera.rightDrag && m_canvas->HasCapture()) m_canvas->ReleaseMouse();
    } else if (type == wxEVT_MOTION) {
        MouseToCamera(kMouseMove, event.GetPosition());
        OxvellHost* host = m_view.AppHost();
        wxStatusBar* bar = host ? host->StatusBar() : nullptr;
        const OrbitCamera& camera = m_view.State().m_camera;
        const bool dragging = camera.leftDrag || camera.rightDrag;
        if (!dragging && m_view.Run().m_nPlayState == kStopped && bar && bar->IsShown()) {
            m_hoverAt = event.GetPosition();
            m_hoverPickTimer.StartOnce(kHoverPickDelayMs);
        }
    }
}

void CanvasInput::OnWheel(wxMouseEvent& event)
{
    if (m_view.Fpv().m_bFpvMode || event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL || event.GetWheelDelta() <= 0) return;
    const double notches = static_cast<double>(event.GetWheelRotation()) / event.GetWheelDelta();
    OrbitCamera& camera = m_view.State().m_camera;
    SetCameraDistance(WheelZoomDistance(camera.distance, notches), camera);
    m_wheelMoving = true;
    m_view.State().m_subset.moving = true;
    m_view.RepaintNow();
    m_motionIdleTimer.StartOnce(kMotionIdleMs);
}

void CanvasInput::OnCaptureLost(wxMouseCaptureLostEvent&)
{
    // Another window took the mouse: the release will never come, so the
    // drags end here instead of turning the camera on plain moves later.
    m_view.State().m_camera.leftDrag = false;
    m_view.State().m_camera.rightDrag = false;
    FollowCameraMotion();
}

void CanvasInput::OnDoubleClick(wxMouseEvent& event)
{
    event.Skip();
    if (m_view.Fpv().m_bFpvMode || !m_view.ReadyToDraw()) return;
    RunHost& host = m_view.Runner();
    const wxPoint p = m_view.Surface().ToDevice(event.GetPosition());
    ShowRunState(host.View(), host.Run(), host.Fpv());
    if (PickAndRecentre(host.View(), m_view.Survey(), host.Target(), p.x, p.y)) m_view.RepaintNow();
}

void CanvasInput::OnHoverPick(wxTimerEvent&)
{
    // Only over the still orbit view: a pick is a drawn frame, and during
    // playback or a flight it would be written as one.
    if (m_view.Runner().Running() || !m_canvas || m_view.InCompileBreak()) return;
    double point[3];
    StatusExtras& extras = m_view.StatusExtras();
    extras.cursorRecord.reset();
    if (m_view.PickPoint(m_hoverAt.x, m_hoverAt.y, point)) {
        extras.cursor = std::array<double, 3>{point[0], point[1], point[2]};
        // The record drawn there, for every channel of it.
        if (const SurveyDocument* doc = m_view.Survey(); doc && doc->m_pPoints)
            extras.cursorRecord = NearestRecord(*doc->m_pPoints, point, kReadoutRadius);
    } else {
        extras.cursor.reset();
    }
    m_view.UpdateStatusLine();
}

bool CanvasInput::StopRunsByKey()
{
    // One Esc closes a whole chain of open menus; the Escs typed after it
    // to close the rest are not meant to end the run.
    using namespace std::chrono_literals;
    OxvellHost* host = m_view.AppHost();
    if (host && std::chrono::steady_clock::now() - host->LastMenuClose() < 1s) return false;
    RunHost& run = m_view.Runner();
    if (run.Run().m_nPlayState != kStopped) {
        StopPlayback(run.Run(), run);
        return true;
    }
    if (run.Fpv().m_bFpvMode) {
        ToggleFpvMode(run.Fpv(), run.View().m_camera, run);
        m_view.RepaintNow();
        return true;
    }
    return false;
}

void CanvasInput::OnKeyDown(wxKeyEvent& event)
{
    LevelKey key;
    if (event.GetKeyCode() == WXK_ESCAPE && StopRunsByKey()) return;
    // Every key a menu shows works here as there (F, Space, the standard
    // views' letters); taken here, the menu's own accelerator does not fire
    // as well.
    if (auto* frame = wxDynamicCast(m_view.GetFrame(), wxFrame); frame && RunMenuKey(*frame, event)) return;
    event.Skip();
    switch (event.GetKeyCode()) {
    case WXK_PAGEUP:
    case WXK_NUMPAD_PAGEUP: key = LevelKey::PageUp; break;
    case WXK_PAGEDOWN:
    case WXK_NUMPAD_PAGEDOWN: key = LevelKey::PageDown; break;
    case WXK_HOME:
    case WXK_NUMPAD_HOME: key = LevelKey::Home; break;
    case WXK_END:
    case WXK_NUMPAD_END: key = LevelKey::End; break;
    default: return;
    }
    // New levels are new lists. During a compile the levels change at once
    // and the compile is given up; the lists are built again once it has
    // unwound, at the levels the last key of a burst left, so a burst costs
    // one full compile, not one a key.
    if (m_view.InCompileBreak()) {
        if (ChangeOriginalLevels(m_view.State(), key)) m_view.EndCompileThenCall([] {});
        return;
    }
    ApplyLevelKey(key);
}

void CanvasInput::ApplyLevelKey(LevelKey key)
{
    if (!m_view.ReadyToDraw()) return;
    if (OnLevelKey(m_view.State(), m_view.Survey(), key)) m_view.RepaintNow();
}

}  // namespace oxv
