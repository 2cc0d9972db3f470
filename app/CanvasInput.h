#pragma once

#include <wx/event.h>
#include <wx/timer.h>

#include "view/ViewState.h"

class COxvellView;

class wxGLCanvas;
class wxKeyEvent;
class wxMouseCaptureLostEvent;
class wxMouseEvent;

namespace oxv {

// What the mouse and the keys do on the view's canvas: drags and the wheel
// drive the orbit camera, a double-click re-centres it, a resting cursor
// picks the point under it for the status bar, Esc ends a run, the keys
// the menus show run their items and the level keys move the Original
// mode's levels.
class CanvasInput final : public wxEvtHandler {
public:
    explicit CanvasInput(COxvellView& view);
    ~CanvasInput() override;

    void Attach(wxGLCanvas* canvas);
    void StopTimers();

    // The subset stands in for the points while a drag or a wheel move is in
    // progress; once the camera rests, the full frame replaces it.
    [[nodiscard]] bool CameraMoving() const;
    // The wheel counts as resting at once, without its full-frame repaint.
    void EndWheelMove();

private:
    void OnMouse(wxMouseEvent& event);
    void OnWheel(wxMouseEvent& event);
    void OnDoubleClick(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void ApplyLevelKey(LevelKey key);
    void OnHoverPick(wxTimerEvent& event);
    void OnMotionIdle(wxTimerEvent& event);

    void MouseToCamera(int type, const wxPoint& point);
    void FollowCameraMotion();
    // Esc: ends a playback run or a first-person flight as their own
    // commands do; false when neither runs.
    [[nodiscard]] bool StopRunsByKey();

    COxvellView& m_view;
    wxGLCanvas* m_canvas = nullptr;
    // The point under a resting cursor: a pick draws a whole frame, so it
    // waits until the mouse has paused.
    wxTimer m_hoverPickTimer;
    wxPoint m_hoverAt;
    // A wheel move lasts until the wheel has rested this timer's delay.
    wxTimer m_motionIdleTimer;
    bool m_wheelMoving = false;
};

}  // namespace oxv
