#include "app/OxvellView.h"

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/glcanvas.h>
#include <wx/menu.h>
#include <wx/statusbr.h>

#include "app/CompileGate.h"
#include "app/FileDropTarget.h"
#include "app/OxvellDoc.h"
#include "app/OxvellHost.h"
#include "app/PBDlg.h"
#include "playback/FpvCamera.h"
#include "playback/FrameRecording.h"
#include "settings/AppSettings.h"
#include "view/ColorLegend.h"

wxIMPLEMENT_DYNAMIC_CLASS(COxvellView, wxView);

COxvellView::COxvellView()
    : m_runHost(std::make_unique<oxv::WindowRunHost>(*this, m_canvas.Target())), m_input(*this), m_viewCommands(*this),
      m_playbackCommands(*this), m_folderChooser(BrowseForFolder)
{
}

COxvellView::~COxvellView()
{
    m_runHost->StopTimers();
    m_input.StopTimers();
    m_runHost->AttachIdleSource(nullptr);
    // The vehicle's lists and texture are released in their own context (a
    // window never realised has no drawable to make it current on); the
    // view's own lists go with the context.
    if (m_canvas.MakeCurrentForRelease())
        m_runHost->ReleaseHelicopter();
    else
        m_runHost->ForgetHelicopter();
    m_canvas.DestroyContext();
    if (wxGLCanvas* canvas = m_canvas.Canvas()) canvas->Unbind(wxEVT_PAINT, &COxvellView::OnPaint, this);
    m_canvas.Destroy();
}

COxvellDoc* COxvellView::Doc() const
{
    return wxDynamicCast(GetDocument(), COxvellDoc);
}

const oxv::SurveyDocument* COxvellView::Survey() const
{
    const COxvellDoc* doc = Doc();
    return doc ? &doc->Survey() : nullptr;
}

bool COxvellView::TryBefore(wxEvent& event)
{
    if (m_inCompileBreak && HoldForCompile(event)) return true;
    return wxEvtHandler::TryBefore(event) || m_viewCommands.ProcessEventLocally(event) ||
           m_playbackCommands.ProcessEventLocally(event);
}

bool COxvellView::HoldForCompile(wxEvent& event)
{
    const wxEventType type = event.GetEventType();
    if (type != wxEVT_MENU && type != wxEVT_UPDATE_UI) return false;
    switch (oxv::CommandDuringCompile(event.GetId())) {
    case oxv::DuringCompile::Runs: return false;
    case oxv::DuringCompile::Waits:
        if (type == wxEVT_UPDATE_UI)
            static_cast<wxUpdateUIEvent&>(event).Enable(false);
        else
            SayCommandWaits(event.GetId());
        return true;
    case oxv::DuringCompile::EndsCompile:
        if (type == wxEVT_UPDATE_UI) return false;
        EndCompileThenRun(event);
        return true;
    }
    return false;
}

void COxvellView::SayCommandWaits(int commandId)
{
    wxString name = "This command";
    if (auto* frame = wxDynamicCast(GetFrame(), wxFrame); frame && frame->GetMenuBar())
        if (wxMenuItem* item = frame->GetMenuBar()->FindItem(commandId)) name = item->GetItemLabelText();
    m_statusExtras.notice = std::string(name.utf8_str()) + " " + oxv::kWaitsForCompileNotice;
    UpdateStatusLine();
}

void COxvellView::EndCompileThenRun(const wxEvent& event)
{
    std::shared_ptr<wxEvent> again(event.Clone());
    wxWindow* frame = GetFrame();
    if (!frame) return;
    EndCompileThenCall([frame, again] { frame->GetEventHandler()->ProcessEvent(*again); });
}

void COxvellView::EndCompileThenCall(std::function<void()> action)
{
    (void)GiveUpListCompile();
    wxGLCanvas* canvas = m_canvas.Canvas();
    if (!canvas) return;
    // Runs once the compile has unwound: queued calls wait for that, as
    // they wait for the window to close. An action that did not replace the
    // lists (a dialog cancelled) leaves them to be built again.
    canvas->CallAfter([this, action = std::move(action)] {
        action();
        CompleteGivenUpLists();
    });
}

void COxvellView::CompleteGivenUpLists()
{
    if (!ReadyToDraw()) return;
    const oxv::SurveyDocument* doc = Survey();
    if (!doc || !doc->m_pPoints || State().m_nPointListBase != 0) return;
    (void)oxv::BuildDisplayLists(State(), doc);
    RepaintNow();
}

bool COxvellView::OnCreate(wxDocument* doc, long flags)
{
    if (!wxView::OnCreate(doc, flags)) return false;
    auto* frame = wxDynamicCast(wxTheApp->GetTopWindow(), wxFrame);
    if (!frame) return false;
    SetFrame(frame);

    m_canvas.Create(frame);
    wxGLCanvas* canvas = m_canvas.Canvas();
    canvas->Bind(wxEVT_PAINT, &COxvellView::OnPaint, this);
    canvas->Bind(wxEVT_ERASE_BACKGROUND, [](wxEraseEvent&) {});  // the frame covers the client area
    canvas->Bind(wxEVT_SIZE, &COxvellView::OnSize, this);
    m_input.Attach(canvas);
    m_runHost->AttachIdleSource(canvas);
    if (m_host) canvas->SetDropTarget(new oxv::FileDropTarget(*m_host));

    // Window creation: the camera and the Original colour mode are the run
    // host's from its start; the budget comes from the settings. The
    // helicopter is loaded with the context (ReadyToDraw).
    State().m_subset.budget = m_host ? oxv::LoadPointBudget(m_host->SettingsProfile()) : oxv::kDefaultPointBudget;
    WireWindowHooks();

    frame->SendSizeEvent();
    canvas->SetFocus();
    return true;
}

// What only the window draws and does around a frame, beyond what the run
// host wires: the colour bar, breaks in a long compile, the first picture.
void COxvellView::WireWindowHooks()
{
    oxv::ViewHooks& hooks = State().hooks;
    // The colour bar is for the user only: recorded frames never hold it.
    hooks.drawOverlay = [this](oxv::ViewState& view, oxv::GlTarget& target) {
        if (const auto legend = oxv::LegendFor(view, Survey())) oxv::DrawColorLegend(*legend, target.Width(), target.Height());
    };
    // A large survey's lists take seconds to compile: meanwhile the window
    // repaints and resizes, and the mouse, the wheel, the keys and the menus
    // work on the preview (HoldForCompile tells which commands wait). A
    // close, an open or a new colour mode that comes meanwhile gives the
    // compile up (GiveUpListCompile). Timers, sockets and queued calls wait
    // until the compile has ended.
    hooks.betweenListChunks = [this] {
        wxEventLoopBase* loop = wxEventLoopBase::GetActive();
        if (loop && !m_giveUpCompile) {
            m_inCompileBreak = true;
            if (m_serveCompileBreak)
                m_serveCompileBreak();
            else
                loop->YieldFor(wxEVT_CATEGORY_UI | wxEVT_CATEGORY_USER_INPUT);
            m_inCompileBreak = false;
        }
        const bool goOn = !m_giveUpCompile;
        m_giveUpCompile = false;  // for this compile only
        return goOn;
    };
    // The subset is ready long before the point lists: shown at once, it is
    // the first picture of a large survey. Never as a frame of a run, which
    // could be recorded.
    hooks.subsetReady = [this] {
        if (!m_runHost->Running()) RepaintNow();
    };
}

bool COxvellView::OnClose(bool deleteWindow)
{
    // The frame belongs to the application, not to the view: closing the
    // view never closes the main window.
    (void)deleteWindow;
    return GetDocument() ? GetDocument()->Close() : true;
}

std::string COxvellView::GetModelPath()
{
    return oxv::ModelPathForExecutable(oxv::ExecutablePath());
}

bool COxvellView::ReadyToDraw()
{
    if (!m_canvas.MakeCurrent()) return false;
    if (!m_glReady) {
        m_glReady = true;
        // Without the model playback simply draws no vehicle.
        m_runHost->SetUpGl(GetModelPath());
    }
    // An initial update that came before the window could draw.
    if (m_initialUpdatePending) {
        m_initialUpdatePending = false;
        oxv::OnInitialUpdate(State(), Survey());
    }
    return true;
}

bool COxvellView::GiveUpListCompile()
{
    if (!m_inCompileBreak) return false;
    m_giveUpCompile = true;
    return true;
}

bool COxvellView::RunWaitsForCompile() const
{
    return m_inCompileBreak && m_runHost->Running();
}

void COxvellView::OnDraw(wxDC*)
{
    if (RunWaitsForCompile() || !ReadyToDraw()) return;
    m_runHost->DrawFrame(Survey());
    UpdateStatusLine();
}

void COxvellView::RepaintNow()
{
    wxGLCanvas* canvas = m_canvas.Canvas();
    if (!canvas || RunWaitsForCompile()) return;
    if (!ReadyToDraw()) {
        canvas->Refresh(false);
        return;
    }
    m_runHost->DrawFrame(Survey());
    UpdateStatusLine();
}

void COxvellView::UpdateStatusLine()
{
    const oxv::SurveyDocument* doc = Survey();
    // The status bar is hidden at every start: the title says it too.
    const bool recording = doc && oxv::FrameCapturePath(Run(), Fpv(), *doc, m_runHost->FpvFolder()).has_value();
    if (recording != m_recording) {
        m_recording = recording;
        UpdateTitle();
    } else if (recording) {
        UpdateTitle();  // the mark changes when frames stop being written
    }
    wxStatusBar* bar = m_host ? m_host->StatusBar() : nullptr;
    if (!bar) return;
    // A command's wait is over once the point lists are there.
    if (State().m_nPointListBase != 0 || !doc || !doc->m_pPoints) m_statusExtras.notice.clear();
    m_statusExtras.recording = recording && Run().m_nPlayState != oxv::kStopped;
    // A cursor point belongs to the still orbit view it was picked in.
    if (m_runHost->Running()) m_statusExtras.cursor.reset();
    const std::string line = oxv::StatusLine(State(), Run(), Fpv(), doc, m_statusExtras);
    const wxString text = line.empty() ? wxString("Ready") : wxString::FromUTF8(line.c_str());
    if (text == m_statusShown) return;
    m_statusShown = text;
    bar->SetStatusText(text, 0);
}

void COxvellView::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(m_canvas.Canvas());
    OnDraw(&dc);
}

void COxvellView::OnSize(wxSizeEvent& event)
{
    m_canvas.Canvas()->Refresh(false);
    event.Skip();
}

void COxvellView::OnInitialUpdate()
{
    // Normally done before the document changed; a document replaced by
    // any other way still never keeps a run of the previous one.
    EndRunsForNewDocument();
    // A wheel move of the previous survey's camera is over: the new one
    // opens with its full frame.
    m_input.EndWheelMove();
    m_statusExtras = oxv::StatusExtras();
    UpdateStatusLine();
    // Lists and target need the context: they follow at the first moment
    // the window can draw (at once, normally).
    m_initialUpdatePending = true;
    (void)ReadyToDraw();
    RepaintNow();
}

void COxvellView::OnUpdate(wxView*, wxObject* hint)
{
    if (COxvellDoc::IsSurveyRelease(hint)) {
        ReleaseSurveyLists();
        return;
    }
    // Otherwise only a replaced camera path does anything.
    if (!COxvellDoc::IsCameraPathChange(hint)) return;
    // A first-person flight along the old path ends rather than jumping
    // into the new one midway.
    oxv::EndFpvMode(Fpv(), State().m_camera, *m_runHost);
    if (const COxvellDoc* doc = Doc()) m_statusExtras.cameraPathCache = doc->CameraPathCache();
    UpdateStatusLine();
    if (!ReadyToDraw()) return;
    oxv::OnCameraPathChanged(State(), Survey());
    RepaintNow();
}

void COxvellView::OnChangeFilename()
{
    UpdateTitle();
}

wxString COxvellView::RecordingMark() const
{
    if (!m_recording) return wxString();
    return m_runHost->LastCaptureFailed() ? "REC: frames not written" : "REC";
}

void COxvellView::UpdateTitle()
{
    wxWindow* frame = GetFrame();
    wxDocument* doc = GetDocument();
    if (!frame || !doc) return;
    const wxString mark = RecordingMark();
    const wxString title = (mark.empty() ? wxString() : "[" + mark + "] ") + doc->GetUserReadableName() + " - " +
                           wxTheApp->GetAppDisplayName();
    if (frame->GetLabel() != title) frame->SetLabel(title);
}

void COxvellView::ReleaseSurveyLists()
{
    EndRunsForNewDocument();
    m_input.EndWheelMove();
    // The lists hold the driver's copy of every point, about a third of
    // what the survey takes again.
    if (m_glReady && m_canvas.MakeCurrent()) oxv::DeleteDisplayLists(State());
}

void COxvellView::EndRunsForNewDocument()
{
    if (Run().m_nPlayState != oxv::kStopped) oxv::StopPlayback(Run(), *m_runHost);
    oxv::EndFpvMode(Fpv(), State().m_camera, *m_runHost);
}

void COxvellView::SetDisplaySize(int width, int height)
{
    m_canvas.ResizeFrameForCanvas(GetFrame(), wxSize(width, height));
}

bool COxvellView::PickPoint(int x, int y, double point[3])
{
    if (!ReadyToDraw()) return false;
    const wxPoint p = m_canvas.ToDevice(wxPoint(x, y));
    oxv::ShowRunState(State(), Run(), Fpv());
    return oxv::PickPoint(State(), Survey(), m_canvas.Target(), p.x, p.y, point);
}

bool COxvellView::SavePicture(const std::string& path)
{
    if (Fpv().m_bFpvMode || !ReadyToDraw()) return false;
    // The picture of a resting camera, even right after a wheel move.
    m_input.EndWheelMove();
    bool written = false;
    oxv::ViewHooks& hooks = State().hooks;
    auto overlay = hooks.drawOverlay;
    hooks.drawOverlay = [&](oxv::ViewState& view, oxv::GlTarget& target) {
        if (overlay) overlay(view, target);
        oxv::FrameCapturer capturer;
        written = capturer.Capture(target, target.Width(), target.Height(), path);
    };
    oxv::OnDrawFrame(State(), Survey(), m_canvas.Target(), oxv::FrameKind::Paint);
    hooks.drawOverlay = std::move(overlay);
    UpdateStatusLine();
    return written;
}
