#pragma once

#include <functional>
#include <memory>
#include <string>

#include <wx/docview.h>

#include "app/CanvasInput.h"
#include "app/PlaybackCommands.h"
#include "app/RecordingPrompt.h"
#include "app/ViewCanvas.h"
#include "app/ViewCommands.h"
#include "app/WindowRunHost.h"
#include "view/StatusLine.h"

class wxPaintEvent;
class wxSizeEvent;
class COxvellDoc;
namespace oxv {
class OxvellHost;
}

// The 3D view: an OpenGL canvas filling the main window's client area, with
// the run host that owns the view's state, playback and the first-person
// camera. Input, the View menu's commands and the Video menu's commands
// live in helpers of their own; this class draws, follows the document and
// keeps the status line.
class COxvellView : public wxView {
public:
    COxvellView();
    ~COxvellView() override;

    // The application: settings for the Parameter command, drops on the
    // canvas, the status bar. Set before the view is created.
    void SetHost(oxv::OxvellHost* host) { m_host = host; }
    oxv::OxvellHost* AppHost() const { return m_host; }

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
    void RepaintNow();
    // The context made current and the GL side brought up to date: set up
    // on the first call (with the helicopter), and an initial update that
    // came before the window could draw run now. False while the window
    // cannot draw yet.
    [[nodiscard]] bool ReadyToDraw();

    // The document is about to be replaced (File > New or Open): a run
    // stops and the first-person flight ends, so neither reads the document
    // while it changes nor goes on with data it was not started on.
    void EndRunsForNewDocument();
    // The survey goes before the next is read: its runs end and its lists
    // are given back.
    void ReleaseSurveyLists();

    // The canvas's client area becomes exactly w x h device pixels (the
    // size of the frames drawn and recorded); the frame keeps its top-left
    // corner.
    void SetDisplaySize(int width, int height);
    // The point of the cloud under (x, y), in the canvas's logical pixels.
    [[nodiscard]] bool PickPoint(int x, int y, double point[3]);
    // File > Save Picture As: the view as it is on screen (colour bar
    // included) drawn once more and written as PNG at the client size;
    // false when it could not be drawn or written.
    [[nodiscard]] bool SavePicture(const std::string& path);
    static std::string GetModelPath();

    // Called while the window is served between chunks of a long list
    // compile: that compile stops at once (its lists deleted) and true comes
    // back; anything that would free the view must wait until it has
    // unwound. False, and nothing changes, outside such a break.
    [[nodiscard]] bool GiveUpListCompile();
    // Gives the compile up and calls `action` once it has unwound: for what
    // replaces the lists, which cannot be done in the middle of building them.
    void EndCompileThenCall(std::function<void()> action);
    // What a compile break serves instead of the window's pending input:
    // tests hand their events in here.
    void ServeCompileBreaksWith(std::function<void()> serve) { m_serveCompileBreak = std::move(serve); }
    [[nodiscard]] bool InCompileBreak() const { return m_inCompileBreak; }

    // The status bar's message pane: the view's facts, or "Ready"; and the
    // title, which says while frames are being written.
    void UpdateStatusLine();
    // What the title and the toolbar show while frames are written ("REC",
    // or that they cannot be written); empty otherwise.
    [[nodiscard]] wxString RecordingMark() const;
    // The recording prompt's folder chooser; tests replace it.
    oxv::FrameFolderChooser& FolderChooser() { return m_folderChooser; }
    oxv::StatusExtras& StatusExtras() { return m_statusExtras; }

    oxv::RunHost& Runner() { return *m_runHost; }
    oxv::ViewState& State() { return m_runHost->View(); }
    const oxv::ViewState& State() const { return m_runHost->View(); }
    oxv::PlaybackState& Run() { return m_runHost->Run(); }
    const oxv::PlaybackState& Run() const { return m_runHost->Run(); }
    oxv::FpvState& Fpv() { return m_runHost->Fpv(); }
    const oxv::FpvState& Fpv() const { return m_runHost->Fpv(); }
    const oxv::gl_heli_model& HeliModel() const { return m_runHost->Helicopter(); }
    [[nodiscard]] bool IsTimerRunning(int id) const { return m_runHost->IsTimerRunning(id); }
    wxGLCanvas* Canvas() const { return m_canvas.Canvas(); }
    oxv::ViewCanvas& Surface() { return m_canvas; }
    COxvellDoc* Doc() const;
    const oxv::SurveyDocument* Survey() const;

protected:
    // The view's helpers answer its commands first; the document is asked
    // after the view.
    bool TryBefore(wxEvent& event) override;

private:
    // During a compile break: true when `event` is a command that must not
    // run now (it waits, or it ends the compile and runs after).
    [[nodiscard]] bool HoldForCompile(wxEvent& event);
    void SayCommandWaits(int commandId);
    void EndCompileThenRun(const wxEvent& event);
    void CompleteGivenUpLists();
    void WireWindowHooks();
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    // Inside a compile's break a run's frame waits: it would be drawn from
    // half-made lists and written as a recorded frame.
    [[nodiscard]] bool RunWaitsForCompile() const;
    // The document's name and the program's, behind the recording mark.
    void UpdateTitle();

    oxv::OxvellHost* m_host = nullptr;
    oxv::ViewCanvas m_canvas;
    std::unique_ptr<oxv::WindowRunHost> m_runHost;
    oxv::CanvasInput m_input;
    oxv::ViewCommands m_viewCommands;
    oxv::PlaybackCommands m_playbackCommands;
    bool m_glReady = false;
    bool m_initialUpdatePending = false;
    // Inside a list compile's break, and whether that compile is to stop.
    bool m_inCompileBreak = false;
    bool m_giveUpCompile = false;
    std::function<void()> m_serveCompileBreak;
    oxv::StatusExtras m_statusExtras;
    wxString m_statusShown;
    bool m_recording = false;  // frames of a run or a flight are being written
    oxv::FrameFolderChooser m_folderChooser;

    wxDECLARE_DYNAMIC_CLASS(COxvellView);
};
