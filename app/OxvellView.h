#pragma once

#include <memory>
#include <string>

#include <wx/docview.h>
#include <wx/timer.h>

#include "gl/FrameCapture.h"
#include "playback/FrameRecording.h"
#include "gl/GlTarget.h"
#include "modelgl/HeliModel.h"
#include "playback/PlaybackEngine.h"
#include "view/ViewState.h"
#include "app/IdlePacedTimer.h"
#include "view/StatusLine.h"

class wxGLCanvas;
class wxGLContext;
class wxMouseEvent;
class wxKeyEvent;
class wxPaintEvent;
class wxMouseCaptureLostEvent;
class wxUpdateUIEvent;
class COxvellDoc;
class COxvellHost;

// The drawing target of the view window: its canvas, with the one context
// that is made current for every frame.
class CanvasGlTarget final : public oxv::GlTarget {
public:
    void Attach(wxGLCanvas* canvas, wxGLContext* context)
    {
        m_canvas = canvas;
        m_context = context;
    }
    bool MakeCurrent() override;
    void SwapBuffers() override;
    int Width() const override;
    int Height() const override;
    unsigned ReadBuffer() const override;

private:
    wxGLCanvas* m_canvas = nullptr;
    wxGLContext* m_context = nullptr;
};

// The 3D view: an OpenGL canvas filling the main window's client area, the
// orbit camera, the display lists and the view commands. It hosts playback
// and the first-person camera: their timers, repaints, the vehicle and the
// beam lists live here.
class COxvellView : public wxView, public oxv::PlaybackHost {
public:
    COxvellView();
    ~COxvellView() override;

    // The application: settings for the Parameter command, drops on the
    // canvas. Set before the view is created.
    void SetHost(COxvellHost* host) { m_pHost = host; }

    bool OnCreate(wxDocument* doc, long flags) override;
    bool OnClose(bool deleteWindow) override;
    void OnDraw(wxDC* dc) override;
    void OnUpdate(wxView* sender, wxObject* hint) override;
    void OnChangeFilename() override;
    // After every New or Open: lists rebuilt for the document, orbit target
    // on the data's centre, repainted.
    void OnInitialUpdate();

    // Draws a frame and has it on screen before returning; when the window
    // cannot be drawn yet, a paint is requested instead.
    void RepaintNow() override;

    // The document is about to be replaced (File > New or Open): a run
    // stops and the first-person flight ends, so neither reads the document
    // while it changes nor goes on with data it was not started on.
    void EndRunsForNewDocument();

    // Playback host: the window's timers, the vehicle and the beam lists in
    // the view's context.
    void StartTimer(int id, int periodMs) override;
    void KillTimer(int id) override;
    void SetVehiclePose(const double attitude[3], const double position[3]) override;
    void CompileBeamList(const oxv::SurveyDocument& doc, const oxv::FrameSpan& span) override;
    void DeleteBeamList() override;

    // The end of every drawn frame (context current, before the swap): while
    // recording is active the picture becomes the numbered PNG file.
    void CaptureFrame(oxv::GlTarget& target, int left, int top, int right, int bottom);
    // The canvas's client area becomes exactly w x h device pixels (the
    // size of the frames drawn and recorded); the frame keeps its top-left
    // corner.
    void SetDisplaySize(int width, int height);
    bool PickPoint(int x, int y, double point[3]);
    // File > Save Picture As: the view as it is on screen (colour bar
    // included) drawn once more and written as PNG at the client size;
    // false when it could not be drawn or written.
    bool SavePicture(const std::string& path);
    static std::string GetModelPath();
    // Called while the window is served between chunks of a long list
    // compile: that compile stops at once (its lists deleted) and true comes
    // back; anything that would free the view must wait until it has
    // unwound. False, and nothing changes, outside such a break.
    bool GiveUpListCompile();

    oxv::ViewState& State() { return m_state; }
    const oxv::ViewState& State() const { return m_state; }
    oxv::PlaybackState& Run() { return m_run; }
    const oxv::PlaybackState& Run() const { return m_run; }
    oxv::FpvState& Fpv() { return m_fpv; }
    const oxv::FpvState& Fpv() const { return m_fpv; }
    wxGLCanvas* Canvas() const { return m_pCanvas; }
    const oxv::gl_heli_model& HeliModel() const { return m_heliModel; }
    bool IsTimerRunning(int id) const;
    COxvellDoc* Doc() const;
    const oxv::SurveyDocument* Survey() const;

protected:
    // The view answers its commands itself; the document is asked after it.
    bool TryBefore(wxEvent& event) override;

private:
    // The context made current and the GL side brought up to date: set up
    // on the first call (with the helicopter), and an initial update that
    // came before the window could draw run now. False while the window
    // cannot draw yet.
    bool ReadyToDraw();

    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnMouse(wxMouseEvent& event);
    void OnWheel(wxMouseEvent& event);
    void OnLButtonDblClk(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    // Esc: ends a playback run or a first-person flight as their own
    // commands do; false when neither runs.
    bool StopRunsByKey();
    // The status bar's message pane: the view's facts, or "Ready".
    void UpdateStatusLine();
    void OnHoverPick(wxTimerEvent& event);
    // The subset stands in for the points while a drag or a wheel move is in
    // progress; once the camera rests, the full frame replaces it.
    bool CameraMoving() const;
    void FollowCameraMotion();
    // The wheel counts as resting at once, without its full-frame repaint.
    void EndWheelMove();
    void OnMotionIdle(wxTimerEvent& event);
    void OnPointBudget(wxCommandEvent& event);
    void OnUpdatePointBudget(wxUpdateUIEvent& event);
    void MouseToCamera(int type, const wxPoint& point);

    void OnColorMode(wxCommandEvent& event);
    void OnUpdateColorMode(wxUpdateUIEvent& event);
    void ToggleAndRepaint(int32_t& flag);
    static void UpdateShowToggle(wxUpdateUIEvent& event, int32_t flag, unsigned list);
    void OnShowGrid(wxCommandEvent& event);
    void OnUpdateShowGrid(wxUpdateUIEvent& event);
    void OnShowScannerPath(wxCommandEvent& event);
    void OnUpdateShowScannerPath(wxUpdateUIEvent& event);
    void OnShowCameraPath(wxCommandEvent& event);
    void OnUpdateShowCameraPath(wxUpdateUIEvent& event);
    void OnPointSize(wxCommandEvent& event);
    void OnUpdatePointSize(wxUpdateUIEvent& event);
    void OnAntiAlias(wxCommandEvent& event);
    void OnUpdateAntiAlias(wxUpdateUIEvent& event);
    void OnDisplaySize(wxCommandEvent& event);
    void OnZoomToExtent(wxCommandEvent& event);
    void OnSavePicture(wxCommandEvent& event);
    void OnUpdateSavePicture(wxUpdateUIEvent& event);
    void OnResetView(wxCommandEvent& event);
    void OnUpdateWholeView(wxUpdateUIEvent& event);

    void OnPlayStart(wxCommandEvent& event);
    void OnUpdatePlayStart(wxUpdateUIEvent& event);
    void OnPlayPause(wxCommandEvent& event);
    void OnUpdatePlayPause(wxUpdateUIEvent& event);
    void OnPlayStop(wxCommandEvent& event);
    void OnUpdatePlayStop(wxUpdateUIEvent& event);
    void OnPlayParameter(wxCommandEvent& event);
    void OnUpdatePlayParameter(wxUpdateUIEvent& event);
    void OnFpvMode(wxCommandEvent& event);
    void OnUpdateFpvMode(wxUpdateUIEvent& event);
    void OnFpvFov(wxCommandEvent& event);
    void OnTimerEvent(wxTimerEvent& event);
    // Inside a compile's break a run's frame waits: it would be drawn from
    // half-made lists and written as a recorded frame.
    bool RunWaitsForCompile() const;

    COxvellHost* m_pHost = nullptr;
    oxv::ViewState m_state;
    oxv::PlaybackState m_run;
    oxv::FpvState m_fpv;
    wxGLCanvas* m_pCanvas = nullptr;
    std::unique_ptr<wxGLContext> m_pGLContext;
    CanvasGlTarget m_target;
    bool m_bGlReady = false;
    bool m_bInitialUpdatePending = false;
    // Inside a list compile's break, and whether that compile is to stop.
    bool m_bInCompileBreak = false;
    bool m_bGiveUpCompile = false;
    oxv::gl_heli_model m_heliModel;
    oxv::FrameCapturer m_frameCapturer;
    IdlePacedTimer m_playTimer;
    IdlePacedTimer m_fpvTimer;
    // The point under a resting cursor: a pick draws a whole frame, so it
    // waits until the mouse has paused.
    wxTimer m_hoverPickTimer;
    wxPoint m_hoverAt;
    // A wheel move lasts until the wheel has rested this timer's delay.
    wxTimer m_motionIdleTimer;
    bool m_bWheelMoving = false;
    oxv::StatusExtras m_statusExtras;
    wxString m_statusShown;

    wxDECLARE_DYNAMIC_CLASS(COxvellView);
    wxDECLARE_EVENT_TABLE();
};
