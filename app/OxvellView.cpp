#include "app/OxvellView.h"

#include <chrono>
#include <cmath>
#include <iterator>

#include <wx/dcclient.h>
#include <wx/dnd.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/glcanvas.h>
#include <wx/filedlg.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>

#include <GL/gl.h>

#include "settings/AppSettings.h"
#include "view/BeamLines.h"
#include "app/CommandIds.h"
#include "app/FovDlg.h"
#include "playback/FpvCamera.h"
#include "app/FileDropTarget.h"
#include "app/OxvellDoc.h"
#include "app/PBDlg.h"
#include "view/ColourLegend.h"
#include "app/OxvellHost.h"
#include "view/ViewFit.h"

namespace cmd = oxv::cmd;

namespace {

// Canvas attributes: double-buffered RGBA with 8 bits a channel and the
// deepest depth buffer available (32 bits asked for, 24 accepted).
wxGLAttributes CanvasAttributes()
{
    for (int depth : {32, 24, 16}) {
        wxGLAttributes attrs;
        attrs.PlatformDefaults().RGBA().MinRGBA(8, 8, 8, 0).Depth(depth).DoubleBuffer().EndList();
        if (wxGLCanvas::IsDisplaySupported(attrs)) return attrs;
    }
    wxGLAttributes attrs;
    attrs.PlatformDefaults().RGBA().DoubleBuffer().EndList();
    return attrs;
}

int Scaled(int logical, double scale)
{
    return static_cast<int>(std::lround(logical * scale));
}

}  // namespace

// ---- CanvasGlTarget ----

bool CanvasGlTarget::MakeCurrent()
{
    return m_canvas && m_context && m_canvas->IsShownOnScreen() && m_canvas->SetCurrent(*m_context);
}

void CanvasGlTarget::SwapBuffers()
{
    if (m_canvas) m_canvas->SwapBuffers();
}

int CanvasGlTarget::Width() const
{
    return m_canvas ? Scaled(m_canvas->GetClientSize().x, m_canvas->GetContentScaleFactor()) : 0;
}

int CanvasGlTarget::Height() const
{
    return m_canvas ? Scaled(m_canvas->GetClientSize().y, m_canvas->GetContentScaleFactor()) : 0;
}

unsigned CanvasGlTarget::ReadBuffer() const
{
    return GL_BACK;
}

// ---- COxvellView ----

wxIMPLEMENT_DYNAMIC_CLASS(COxvellView, wxView);

wxBEGIN_EVENT_TABLE(COxvellView, wxView)
    EVT_MENU_RANGE(cmd::kColorHeight, cmd::kColorOriginal, COxvellView::OnColorMode)
    EVT_UPDATE_UI_RANGE(cmd::kColorHeight, cmd::kColorOriginal, COxvellView::OnUpdateColorMode)
    EVT_MENU(cmd::kShowGrid, COxvellView::OnShowGrid)
    EVT_UPDATE_UI(cmd::kShowGrid, COxvellView::OnUpdateShowGrid)
    EVT_MENU(cmd::kShowScannerPath, COxvellView::OnShowScannerPath)
    EVT_UPDATE_UI(cmd::kShowScannerPath, COxvellView::OnUpdateShowScannerPath)
    EVT_MENU(cmd::kShowCameraPath, COxvellView::OnShowCameraPath)
    EVT_UPDATE_UI(cmd::kShowCameraPath, COxvellView::OnUpdateShowCameraPath)
    EVT_MENU_RANGE(cmd::kPointSize1, cmd::kPointSize5, COxvellView::OnPointSize)
    EVT_UPDATE_UI_RANGE(cmd::kPointSize1, cmd::kPointSize5, COxvellView::OnUpdatePointSize)
    EVT_MENU(cmd::kAntiAlias, COxvellView::OnAntiAlias)
    EVT_UPDATE_UI(cmd::kAntiAlias, COxvellView::OnUpdateAntiAlias)
    EVT_MENU_RANGE(cmd::kSize640x480, cmd::kSize1280x720, COxvellView::OnDisplaySize)
    EVT_MENU(cmd::kZoomToExtent, COxvellView::OnZoomToExtent)
    EVT_MENU(cmd::kSavePicture, COxvellView::OnSavePicture)
    EVT_UPDATE_UI(cmd::kSavePicture, COxvellView::OnUpdateSavePicture)
    EVT_MENU(cmd::kResetView, COxvellView::OnResetView)
    EVT_MENU_RANGE(cmd::kPointBudget250k, cmd::kPointBudgetOff, COxvellView::OnPointBudget)
    EVT_UPDATE_UI_RANGE(cmd::kPointBudget250k, cmd::kPointBudgetOff, COxvellView::OnUpdatePointBudget)
    EVT_UPDATE_UI(cmd::kZoomToExtent, COxvellView::OnUpdateWholeView)
    EVT_UPDATE_UI(cmd::kResetView, COxvellView::OnUpdateWholeView)
    EVT_MENU(cmd::kPlayStart, COxvellView::OnPlayStart)
    EVT_UPDATE_UI(cmd::kPlayStart, COxvellView::OnUpdatePlayStart)
    EVT_MENU(cmd::kPlayPause, COxvellView::OnPlayPause)
    EVT_UPDATE_UI(cmd::kPlayPause, COxvellView::OnUpdatePlayPause)
    EVT_MENU(cmd::kPlayStop, COxvellView::OnPlayStop)
    EVT_UPDATE_UI(cmd::kPlayStop, COxvellView::OnUpdatePlayStop)
    EVT_MENU(cmd::kPlayParameter, COxvellView::OnPlayParameter)
    EVT_UPDATE_UI(cmd::kPlayParameter, COxvellView::OnUpdatePlayParameter)
    EVT_MENU(cmd::kFpvMode, COxvellView::OnFpvMode)
    EVT_UPDATE_UI(cmd::kFpvMode, COxvellView::OnUpdateFpvMode)
    EVT_MENU(cmd::kFpvFov, COxvellView::OnFpvFov)
    EVT_TIMER(oxv::kPlaybackTimerId, COxvellView::OnTimerEvent)
    EVT_TIMER(oxv::kFpvTimerId, COxvellView::OnTimerEvent)
wxEND_EVENT_TABLE()

namespace {

// Far from the playback and first-person timer ids.
constexpr int kHoverPickTimerId = 300;
// The cursor rests this long before the point under it is picked.
constexpr int kHoverPickDelayMs = 150;
constexpr int kMotionIdleTimerId = 301;
// The wheel rests this long before the full frame is drawn.
constexpr int kMotionIdleMs = 150;

}  // namespace

COxvellView::COxvellView()
    : m_playTimer(this, oxv::kPlaybackTimerId), m_fpvTimer(this, oxv::kFpvTimerId), m_hoverPickTimer(this, kHoverPickTimerId),
      m_motionIdleTimer(this, kMotionIdleTimerId)
{
    Bind(wxEVT_TIMER, &COxvellView::OnHoverPick, this, kHoverPickTimerId);
    Bind(wxEVT_TIMER, &COxvellView::OnMotionIdle, this, kMotionIdleTimerId);
}

COxvellView::~COxvellView()
{
    m_playTimer.Stop();
    m_fpvTimer.Stop();
    m_hoverPickTimer.Stop();
    m_motionIdleTimer.Stop();
    m_playTimer.AttachIdleSource(nullptr);
    m_fpvTimer.AttachIdleSource(nullptr);
    // The vehicle's lists and texture are released in their own context (a
    // window never realised has no drawable to make it current on); the
    // view's own lists go with the context.
    if (m_pCanvas && m_pGLContext && m_pCanvas->GetXWindow() && m_pCanvas->SetCurrent(*m_pGLContext)) {
        m_heliModel.release();
    } else {
        m_heliModel.list_base = 0;
        m_heliModel.texture_id = 0;
    }
    m_pGLContext.reset();
    if (m_pCanvas) {
        m_pCanvas->Unbind(wxEVT_PAINT, &COxvellView::OnPaint, this);
        m_pCanvas->Destroy();
        m_pCanvas = nullptr;
    }
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
    return wxEvtHandler::TryBefore(event);
}

bool COxvellView::OnCreate(wxDocument* doc, long flags)
{
    if (!wxView::OnCreate(doc, flags)) return false;
    auto* frame = wxDynamicCast(wxTheApp->GetTopWindow(), wxFrame);
    if (!frame) return false;
    SetFrame(frame);

    m_pCanvas = new wxGLCanvas(frame, CanvasAttributes(), wxID_ANY, wxDefaultPosition, wxDefaultSize,
                               wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS);
    m_pGLContext = std::make_unique<wxGLContext>(m_pCanvas);
    m_target.Attach(m_pCanvas, m_pGLContext.get());

    m_pCanvas->Bind(wxEVT_PAINT, &COxvellView::OnPaint, this);
    m_pCanvas->Bind(wxEVT_ERASE_BACKGROUND, [](wxEraseEvent&) {});  // the frame covers the client area
    m_pCanvas->Bind(wxEVT_SIZE, &COxvellView::OnSize, this);
    for (auto type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_RIGHT_DOWN, wxEVT_RIGHT_UP, wxEVT_MOTION})
        m_pCanvas->Bind(type, &COxvellView::OnMouse, this);
    m_pCanvas->Bind(wxEVT_LEFT_DCLICK, &COxvellView::OnLButtonDblClk, this);
    m_pCanvas->Bind(wxEVT_MOUSEWHEEL, &COxvellView::OnWheel, this);
    m_pCanvas->Bind(wxEVT_MOUSE_CAPTURE_LOST, &COxvellView::OnCaptureLost, this);
    m_pCanvas->Bind(wxEVT_KEY_DOWN, &COxvellView::OnKeyDown, this);
    m_playTimer.AttachIdleSource(m_pCanvas);
    m_fpvTimer.AttachIdleSource(m_pCanvas);

    if (m_pHost) m_pCanvas->SetDropTarget(new CFileDropTarget(*m_pHost));

    // Window creation: the camera and the Original colour mode.
    oxv::InitViewState(m_state);
    m_state.m_subset.budget = m_pHost ? oxv::LoadPointBudget(m_pHost->SettingsProfile()) : oxv::kDefaultPointBudget;
    // The parts drawn by playback, the first-person camera and recording.
    // The helicopter itself is loaded with the context (ReadyToDraw).
    m_state.hooks.drawVehicle = [this](oxv::ViewState&) { m_heliModel.draw(); };
    m_state.hooks.computeFpvLookAt = [this](oxv::ViewState& view, const oxv::SurveyDocument& survey) {
        oxv::ComputeFpvLookAt(m_fpv, view.m_camera, survey, *this);
    };
    m_state.hooks.captureFrame = [this](oxv::ViewState&, oxv::GlTarget& target, int left, int top, int right,
                                        int bottom) { CaptureFrame(target, left, top, right, bottom); };
    // The colour bar is for the user only: recorded frames never hold it.
    m_state.hooks.drawOverlay = [this](oxv::ViewState& view, oxv::GlTarget& target) {
        if (const auto legend = oxv::LegendFor(view, Survey())) oxv::DrawColourLegend(*legend, target.Width(), target.Height());
    };
    // A large survey's lists take seconds to compile: meanwhile the window
    // still repaints and resizes (input waits until the end). A close that
    // comes meanwhile gives the compile up (GiveUpListCompile).
    m_state.hooks.betweenListChunks = [this] {
        wxEventLoopBase* loop = wxEventLoopBase::GetActive();
        if (loop && !m_bGiveUpCompile) {
            m_bInCompileBreak = true;
            loop->YieldFor(wxEVT_CATEGORY_UI);
            m_bInCompileBreak = false;
        }
        const bool goOn = !m_bGiveUpCompile;
        m_bGiveUpCompile = false;  // for this compile only
        return goOn;
    };
    // The subset is ready long before the point lists: shown at once, it is
    // the first picture of a large survey. Never as a frame of a run, which
    // could be recorded.
    m_state.hooks.subsetReady = [this] {
        if (m_run.m_nPlayState == oxv::kStopped && !m_fpv.m_bFpvMode) RepaintNow();
    };

    frame->SendSizeEvent();
    m_pCanvas->SetFocus();
    return true;
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
    if (!m_target.MakeCurrent()) return false;
    if (!m_bGlReady) {
        oxv::SetupViewGl();
        m_bGlReady = true;
        // Without the model playback simply draws no vehicle.
        (void)m_heliModel.load(GetModelPath());
    }
    // An initial update that came before the window could draw.
    if (m_bInitialUpdatePending) {
        m_bInitialUpdatePending = false;
        oxv::OnInitialUpdate(m_state, Survey());
    }
    return true;
}

bool COxvellView::GiveUpListCompile()
{
    if (!m_bInCompileBreak) return false;
    m_bGiveUpCompile = true;
    return true;
}

bool COxvellView::RunWaitsForCompile() const
{
    return m_bInCompileBreak && (m_run.m_nPlayState != oxv::kStopped || m_fpv.m_bFpvMode);
}

void COxvellView::OnDraw(wxDC*)
{
    if (RunWaitsForCompile() || !ReadyToDraw()) return;
    oxv::ShowRunState(m_state, m_run, m_fpv);
    oxv::OnDrawFrame(m_state, Survey(), m_target, oxv::FrameKind::Paint);
    UpdateStatusLine();
}

void COxvellView::RepaintNow()
{
    if (!m_pCanvas || RunWaitsForCompile()) return;
    if (!ReadyToDraw()) {
        m_pCanvas->Refresh(false);
        return;
    }
    oxv::ShowRunState(m_state, m_run, m_fpv);
    oxv::OnDrawFrame(m_state, Survey(), m_target, oxv::FrameKind::Paint);
    UpdateStatusLine();
}

void COxvellView::UpdateStatusLine()
{
    wxStatusBar* bar = m_pHost ? m_pHost->StatusBar() : nullptr;
    if (!bar) return;
    const oxv::SurveyDocument* doc = Survey();
    m_statusExtras.recording = doc && m_run.m_nPlayState != oxv::kStopped &&
                               oxv::FrameCapturePath(m_run, m_fpv, *doc, oxv::FpvVideoFolder()).has_value();
    // A cursor point belongs to the still orbit view it was picked in.
    if (m_run.m_nPlayState != oxv::kStopped || m_fpv.m_bFpvMode) m_statusExtras.cursor.reset();
    const std::string line = oxv::StatusLine(m_state, m_run, m_fpv, doc, m_statusExtras);
    const wxString text = line.empty() ? wxString("Ready") : wxString::FromUTF8(line.c_str());
    if (text == m_statusShown) return;
    m_statusShown = text;
    bar->SetStatusText(text, 0);
}

void COxvellView::OnHoverPick(wxTimerEvent&)
{
    // Only over the still orbit view: a pick is a drawn frame, and during
    // playback or a flight it would be written as one.
    if (m_run.m_nPlayState != oxv::kStopped || m_fpv.m_bFpvMode || !m_pCanvas || m_bInCompileBreak) return;
    double point[3];
    if (PickPoint(m_hoverAt.x, m_hoverAt.y, point))
        m_statusExtras.cursor = std::array<double, 3>{point[0], point[1], point[2]};
    else
        m_statusExtras.cursor.reset();
    UpdateStatusLine();
}

void COxvellView::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(m_pCanvas);
    OnDraw(&dc);
}

void COxvellView::OnSize(wxSizeEvent& event)
{
    m_pCanvas->Refresh(false);
    event.Skip();
}

void COxvellView::OnInitialUpdate()
{
    // Normally done before the document changed; a document replaced by
    // any other way still never keeps a run of the previous one.
    EndRunsForNewDocument();
    // A wheel move of the previous survey's camera is over: the new one
    // opens with its full frame.
    EndWheelMove();
    m_statusExtras = oxv::StatusExtras();
    UpdateStatusLine();
    // Lists and target need the context: they follow at the first moment
    // the window can draw (at once, normally).
    m_bInitialUpdatePending = true;
    ReadyToDraw();
    RepaintNow();
}

void COxvellView::OnUpdate(wxView*, wxObject* hint)
{
    // Only a replaced camera path does anything.
    if (!COxvellDoc::IsCameraPathChange(hint)) return;
    // The camera path was replaced: a first-person flight along the old one
    // ends rather than jumping into the new one midway.
    oxv::EndFpvMode(m_fpv, m_state.m_camera, *this);
    if (const COxvellDoc* doc = Doc()) m_statusExtras.cameraPathCache = doc->CameraPathCache();
    UpdateStatusLine();
    if (!ReadyToDraw()) return;
    oxv::OnCameraPathChanged(m_state, Survey());
    RepaintNow();
}

void COxvellView::OnChangeFilename()
{
    wxWindow* frame = GetFrame();
    wxDocument* doc = GetDocument();
    if (frame && doc) frame->SetLabel(doc->GetUserReadableName() + " - " + wxTheApp->GetAppDisplayName());
}

// ---- Mouse and keys ----

void COxvellView::MouseToCamera(int type, const wxPoint& point)
{
    const wxSize size = m_pCanvas->GetClientSize();
    oxv::CameraInput input;
    input.type = type;
    input.left = 0;
    input.top = 0;
    input.right = size.x;
    input.bottom = size.y;
    input.x = point.x;
    input.y = point.y;
    oxv::ShowRunState(m_state, m_run, m_fpv);
    const oxv::ViewMouseResult result = oxv::ViewMouseEvent(m_state, input);
    m_state.m_subset.moving = CameraMoving() ? 1 : 0;
    if (result.warpCursor) m_pCanvas->WarpPointer(result.warpX, result.warpY);
    if (result.repaint)
        RepaintNow();
    else
        FollowCameraMotion();
}

bool COxvellView::CameraMoving() const
{
    return m_state.m_camera.leftDrag || m_state.m_camera.rightDrag || m_bWheelMoving;
}

void COxvellView::FollowCameraMotion()
{
    m_state.m_subset.moving = CameraMoving() ? 1 : 0;
    // A run draws every point on its own ticks; a frame more could be
    // recorded. Without point lists the subset is all there is to show.
    const bool run = m_run.m_nPlayState != oxv::kStopped || m_fpv.m_bFpvMode;
    if (!m_state.m_subset.moving && m_state.m_subset.lastFrameSubset && m_state.m_nPointListBase != 0 && !run)
        RepaintNow();
}

void COxvellView::EndWheelMove()
{
    m_motionIdleTimer.Stop();
    m_bWheelMoving = false;
    m_state.m_subset.moving = CameraMoving() ? 1 : 0;
}

void COxvellView::OnMotionIdle(wxTimerEvent&)
{
    m_bWheelMoving = false;
    FollowCameraMotion();
}

void COxvellView::OnMouse(wxMouseEvent& event)
{
    event.Skip();
    if (m_fpv.m_bFpvMode) return;
    const wxEventType type = event.GetEventType();
    if (type == wxEVT_LEFT_DOWN || type == wxEVT_RIGHT_DOWN) {
        m_pCanvas->SetFocus();
        MouseToCamera(type == wxEVT_LEFT_DOWN ? oxv::kLeftPress : oxv::kRightPress, event.GetPosition());
        // Between press and release the drag owns the mouse, even outside
        // the window.
        if (!m_pCanvas->HasCapture()) m_pCanvas->CaptureMouse();
    } else if (type == wxEVT_LEFT_UP || type == wxEVT_RIGHT_UP) {
        MouseToCamera(type == wxEVT_LEFT_UP ? oxv::kLeftRelease : oxv::kRightRelease, event.GetPosition());
        if (!m_state.m_camera.leftDrag && !m_state.m_camera.rightDrag && m_pCanvas->HasCapture())
            m_pCanvas->ReleaseMouse();
    } else if (type == wxEVT_MOTION) {
        MouseToCamera(oxv::kMouseMove, event.GetPosition());
        wxStatusBar* bar = m_pHost ? m_pHost->StatusBar() : nullptr;
        const bool dragging = m_state.m_camera.leftDrag || m_state.m_camera.rightDrag;
        if (!dragging && m_run.m_nPlayState == oxv::kStopped && bar && bar->IsShown()) {
            m_hoverAt = event.GetPosition();
            m_hoverPickTimer.StartOnce(kHoverPickDelayMs);
        }
    }
}

void COxvellView::OnWheel(wxMouseEvent& event)
{
    if (m_fpv.m_bFpvMode || event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL || event.GetWheelDelta() <= 0) return;
    const double notches = static_cast<double>(event.GetWheelRotation()) / event.GetWheelDelta();
    oxv::SetCameraDistance(oxv::WheelZoomDistance(m_state.m_camera.distance, notches), m_state.m_camera);
    m_bWheelMoving = true;
    m_state.m_subset.moving = 1;
    RepaintNow();
    m_motionIdleTimer.StartOnce(kMotionIdleMs);
}

void COxvellView::OnCaptureLost(wxMouseCaptureLostEvent&)
{
    // Another window took the mouse: the release will never come, so the
    // drags end here instead of turning the camera on plain moves later.
    m_state.m_camera.leftDrag = 0;
    m_state.m_camera.rightDrag = 0;
    FollowCameraMotion();
}

void COxvellView::OnLButtonDblClk(wxMouseEvent& event)
{
    event.Skip();
    if (m_fpv.m_bFpvMode || !ReadyToDraw()) return;
    const double scale = m_pCanvas->GetContentScaleFactor();
    const wxPoint p = event.GetPosition();
    oxv::ShowRunState(m_state, m_run, m_fpv);
    if (oxv::PickAndRecentre(m_state, Survey(), m_target, Scaled(p.x, scale), Scaled(p.y, scale))) RepaintNow();
}

bool COxvellView::PickPoint(int x, int y, double point[3])
{
    if (!ReadyToDraw()) return false;
    const double scale = m_pCanvas->GetContentScaleFactor();
    oxv::ShowRunState(m_state, m_run, m_fpv);
    return oxv::PickPoint(m_state, Survey(), m_target, Scaled(x, scale), Scaled(y, scale), point);
}

bool COxvellView::StopRunsByKey()
{
    // One Esc closes a whole chain of open menus; the Escs typed after it
    // to close the rest are not meant to end the run.
    using namespace std::chrono_literals;
    if (m_pHost && std::chrono::steady_clock::now() - m_pHost->LastMenuClose() < 1s) return false;
    if (m_run.m_nPlayState != oxv::kStopped) {
        oxv::StopPlayback(m_run, *this);
        return true;
    }
    if (m_fpv.m_bFpvMode) {
        oxv::ToggleFpvMode(m_fpv, m_state.m_camera, *this);
        RepaintNow();
        return true;
    }
    return false;
}

void COxvellView::OnKeyDown(wxKeyEvent& event)
{
    oxv::LevelKey key;
    if (event.GetKeyCode() == WXK_ESCAPE && StopRunsByKey()) return;
    event.Skip();
    switch (event.GetKeyCode()) {
    case WXK_PAGEUP:
    case WXK_NUMPAD_PAGEUP: key = oxv::LevelKey::PageUp; break;
    case WXK_PAGEDOWN:
    case WXK_NUMPAD_PAGEDOWN: key = oxv::LevelKey::PageDown; break;
    case WXK_HOME:
    case WXK_NUMPAD_HOME: key = oxv::LevelKey::Home; break;
    case WXK_END:
    case WXK_NUMPAD_END: key = oxv::LevelKey::End; break;
    default: return;
    }
    if (!ReadyToDraw()) return;
    if (oxv::OnLevelKey(m_state, Survey(), key)) RepaintNow();
}

// ---- Display size ----

void COxvellView::SetDisplaySize(int width, int height)
{
    wxWindow* frame = GetFrame();
    if (!frame || !m_pCanvas) return;
    // The size asked for is the frames' size, in device pixels; the toolkit
    // sizes windows in its own units, which a scaled display makes larger.
    const wxSize wanted = m_pCanvas->FromPhys(wxSize(width, height));
    // The canvas fills the frame's client area, so growing that area by the
    // difference makes the canvas exactly that size, whatever the borders,
    // menu and status bar take.
    const wxSize canvas = m_pCanvas->GetClientSize();
    const wxSize client = frame->GetClientSize();
    frame->SetClientSize(client.x + (wanted.x - canvas.x), client.y + (wanted.y - canvas.y));
}

void COxvellView::OnDisplaySize(wxCommandEvent& event)
{
    static const int sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 720}};
    const int i = event.GetId() - cmd::kSize640x480;
    SetDisplaySize(sizes[i][0], sizes[i][1]);
}

// ---- View commands ----

void COxvellView::OnZoomToExtent(wxCommandEvent&)
{
    const wxSize size = m_pCanvas->GetClientSize();
    const double aspect = size.y > 0 ? static_cast<double>(size.x) / size.y : 1.0;
    oxv::ShowRunState(m_state, m_run, m_fpv);
    if (oxv::ZoomToExtent(m_state, Survey(), aspect)) RepaintNow();
}

void COxvellView::OnSavePicture(wxCommandEvent&)
{
    wxFileDialog dialog(GetFrame(), "Save Picture As", wxEmptyString, "view.png", "PNG pictures (*.png)|*.png",
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK) return;
    wxString path = dialog.GetPath();
    if (path.empty()) return;
    if (!path.Lower().EndsWith(".png")) path += ".png";
    if (!SavePicture(std::string(path.utf8_str())))
        wxMessageBox("The picture could not be written:\n" + path, "Oxvell", wxOK | wxICON_WARNING, GetFrame());
}

void COxvellView::OnUpdateSavePicture(wxUpdateUIEvent& event)
{
    // A first-person paint moves the camera on to the next node.
    event.Enable(!m_fpv.m_bFpvMode);
}

bool COxvellView::SavePicture(const std::string& path)
{
    if (m_fpv.m_bFpvMode || !ReadyToDraw()) return false;
    // The picture of a resting camera, even right after a wheel move.
    EndWheelMove();
    bool written = false;
    auto overlay = m_state.hooks.drawOverlay;
    m_state.hooks.drawOverlay = [&](oxv::ViewState& view, oxv::GlTarget& target) {
        if (overlay) overlay(view, target);
        oxv::FrameCapturer capturer;
        written = capturer.Capture(target, target.Width(), target.Height(), path);
    };
    oxv::OnDrawFrame(m_state, Survey(), m_target, oxv::FrameKind::Paint);
    m_state.hooks.drawOverlay = std::move(overlay);
    UpdateStatusLine();
    return written;
}

void COxvellView::OnResetView(wxCommandEvent&)
{
    oxv::ShowRunState(m_state, m_run, m_fpv);
    if (oxv::ResetView(m_state, Survey())) RepaintNow();
}

void COxvellView::OnUpdateWholeView(wxUpdateUIEvent& event)
{
    event.Enable(!m_fpv.m_bFpvMode && oxv::GetDataExtent(Survey(), nullptr, nullptr));
}

void COxvellView::OnColorMode(wxCommandEvent& event)
{
    if (!ReadyToDraw()) return;
    oxv::SetColorMode(m_state, Survey(), event.GetId() - cmd::kColorHeight);
    RepaintNow();
}

void COxvellView::OnUpdateColorMode(wxUpdateUIEvent& event)
{
    const oxv::MenuState s = oxv::ColorModeMenuState(m_state, Survey(), event.GetId() - cmd::kColorHeight);
    event.Check(s.checked);
    event.Enable(s.enabled);
}

// A show command flips its flag; its item is checked with the flag and
// enabled only while there is a list to show.
void COxvellView::ToggleAndRepaint(int32_t& flag)
{
    flag = flag ? 0 : 1;
    RepaintNow();
}

void COxvellView::UpdateShowToggle(wxUpdateUIEvent& event, int32_t flag, unsigned list)
{
    event.Check(flag != 0);
    event.Enable(list != 0);
}

void COxvellView::OnShowGrid(wxCommandEvent&) { ToggleAndRepaint(m_state.m_bShowGrid); }

void COxvellView::OnUpdateShowGrid(wxUpdateUIEvent& event)
{
    UpdateShowToggle(event, m_state.m_bShowGrid, m_state.m_nGridList);
}

void COxvellView::OnShowScannerPath(wxCommandEvent&) { ToggleAndRepaint(m_state.m_bShowScannerPath); }

void COxvellView::OnUpdateShowScannerPath(wxUpdateUIEvent& event)
{
    UpdateShowToggle(event, m_state.m_bShowScannerPath, m_state.m_nScannerPathList);
}

void COxvellView::OnShowCameraPath(wxCommandEvent&) { ToggleAndRepaint(m_state.m_bShowCameraPath); }

void COxvellView::OnUpdateShowCameraPath(wxUpdateUIEvent& event)
{
    UpdateShowToggle(event, m_state.m_bShowCameraPath, m_state.m_nCameraPathList);
}

void COxvellView::OnPointSize(wxCommandEvent& event)
{
    m_state.m_nPointSize = event.GetId() - cmd::kPointSize1 + 1;
    RepaintNow();
}

void COxvellView::OnUpdatePointSize(wxUpdateUIEvent& event)
{
    event.Check(m_state.m_nPointSize == event.GetId() - cmd::kPointSize1 + 1);
    event.Enable(true);
}

static_assert(cmd::kPointBudgetOff - cmd::kPointBudget250k + 1 == std::size(oxv::kPointBudgetChoices),
              "one menu item a budget");

void COxvellView::OnPointBudget(wxCommandEvent& event)
{
    const int32_t budget = oxv::kPointBudgetChoices[event.GetId() - cmd::kPointBudget250k];
    if (m_pHost) (void)oxv::SavePointBudget(m_pHost->SettingsProfile(), budget);
    // The still frame does not change: nothing to repaint.
    if (ReadyToDraw())
        oxv::SetPointBudget(m_state, Survey(), budget);
    else
        m_state.m_subset.budget = budget;
}

void COxvellView::OnUpdatePointBudget(wxUpdateUIEvent& event)
{
    event.Check(m_state.m_subset.budget == oxv::kPointBudgetChoices[event.GetId() - cmd::kPointBudget250k]);
}

void COxvellView::OnAntiAlias(wxCommandEvent&)
{
    m_state.m_bAntiAlias = m_state.m_bAntiAlias ? 0 : 1;
    RepaintNow();
}

void COxvellView::OnUpdateAntiAlias(wxUpdateUIEvent& event)
{
    event.Check(m_state.m_bAntiAlias != 0);
}

// ---- Playback and first-person camera ----

void COxvellView::EndRunsForNewDocument()
{
    if (m_run.m_nPlayState != oxv::kStopped) oxv::StopPlayback(m_run, *this);
    oxv::EndFpvMode(m_fpv, m_state.m_camera, *this);
}

void COxvellView::StartTimer(int id, int periodMs)
{
    if (id == oxv::kPlaybackTimerId)
        m_playTimer.Start(periodMs);
    else if (id == oxv::kFpvTimerId)
        m_fpvTimer.Start(periodMs);
}

void COxvellView::KillTimer(int id)
{
    if (id == oxv::kPlaybackTimerId)
        m_playTimer.Stop();
    else if (id == oxv::kFpvTimerId)
        m_fpvTimer.Stop();
}

bool COxvellView::IsTimerRunning(int id) const
{
    if (id == oxv::kPlaybackTimerId) return m_playTimer.IsRunning();
    if (id == oxv::kFpvTimerId) return m_fpvTimer.IsRunning();
    return false;
}

void COxvellView::OnTimerEvent(wxTimerEvent& event)
{
    event.Skip();
    // The tick comes again once the window is idle, after the compile.
    if (m_bInCompileBreak) return;
    const oxv::SurveyDocument* doc = Survey();
    if (doc) oxv::OnTimer(m_run, m_state.m_camera, *doc, *this, event.GetId());
}

void COxvellView::SetVehiclePose(const double attitude[3], const double position[3])
{
    for (int i = 0; i < 3; ++i) {
        m_heliModel.attitude[i] = attitude[i];
        m_heliModel.position[i] = position[i];
    }
}

// The beam list calls only make the context current: ReadyToDraw may
// run a pending initial update, which would delete the list being filled.
void COxvellView::CompileBeamList(const oxv::SurveyDocument& doc, const oxv::FrameSpan& span)
{
    if (m_target.MakeCurrent()) oxv::CompileViewBeams(m_state, doc, span);
}

void COxvellView::DeleteBeamList()
{
    if (m_state.m_nBeamList != 0 && m_target.MakeCurrent()) oxv::DeleteViewBeams(m_state);
}

void COxvellView::CaptureFrame(oxv::GlTarget& target, int left, int top, int right, int bottom)
{
    const oxv::SurveyDocument* doc = Survey();
    if (!doc) return;
    const std::optional<std::string> path = oxv::FrameCapturePath(m_run, m_fpv, *doc, oxv::FpvVideoFolder());
    if (!path) return;
    // A frame that cannot be written (folder missing, no access, disk full)
    // is lost; the next one is tried again and the run goes on.
    (void)m_frameCapturer.Capture(target, right - left, bottom - top, *path);
}

namespace {

void ApplyCommandState(wxUpdateUIEvent& event, const oxv::PlaybackCommandState& s)
{
    event.Enable(s.enabled);
    if (s.setCheck) event.Check(s.checked);
    if (!s.text.empty()) event.SetText(wxString::FromUTF8(s.text.c_str()));
}

void UpdatePlaybackCommand(wxUpdateUIEvent& event, const oxv::PlaybackState& run, const oxv::SurveyDocument* doc,
                           oxv::PlaybackCommand command)
{
    static const oxv::SurveyDocument kNoDocument;
    ApplyCommandState(event, oxv::GetPlaybackCommandState(run, doc ? *doc : kNoDocument, command));
}

}  // namespace

void COxvellView::OnPlayStart(wxCommandEvent&)
{
    if (const oxv::SurveyDocument* doc = Survey()) oxv::StartPlayback(m_run, m_state.m_camera, *doc, *this);
}

void COxvellView::OnUpdatePlayStart(wxUpdateUIEvent& event)
{
    UpdatePlaybackCommand(event, m_run, Survey(), oxv::PlaybackCommand::Start);
}

void COxvellView::OnPlayPause(wxCommandEvent&)
{
    oxv::TogglePause(m_run);
}

void COxvellView::OnUpdatePlayPause(wxUpdateUIEvent& event)
{
    UpdatePlaybackCommand(event, m_run, Survey(), oxv::PlaybackCommand::PauseResume);
}

void COxvellView::OnPlayStop(wxCommandEvent&)
{
    oxv::StopPlayback(m_run, *this);
}

void COxvellView::OnUpdatePlayStop(wxUpdateUIEvent& event)
{
    UpdatePlaybackCommand(event, m_run, Survey(), oxv::PlaybackCommand::Stop);
}

void COxvellView::OnPlayParameter(wxCommandEvent&)
{
    COxvellDoc* doc = Doc();
    if (!doc) return;
    oxv::SurveyDocument& survey = doc->Survey();
    oxv::PlaybackDialogValues values;
    if (!oxv::BeginParameterEdit(m_run, survey, *this, values)) return;
    CPBDlg dialog(GetFrame(), values, [&survey](double speedPercent, long intervalMs) {
        return oxv::RefuseReason(survey, speedPercent, intervalMs);
    });
    if (dialog.ShowModal() != wxID_OK) return;
    // Playback stays stopped; the new timeline shows with the next Start.
    oxv::MemoryProfile unsaved;
    (void)oxv::ApplyPlaybackDialog(survey, m_pHost ? m_pHost->SettingsProfile() : unsaved, values);
}

void COxvellView::OnUpdatePlayParameter(wxUpdateUIEvent& event)
{
    UpdatePlaybackCommand(event, m_run, Survey(), oxv::PlaybackCommand::Parameter);
}

void COxvellView::OnFpvMode(wxCommandEvent&)
{
    oxv::ToggleFpvMode(m_fpv, m_state.m_camera, *this);
}

void COxvellView::OnUpdateFpvMode(wxUpdateUIEvent& event)
{
    const oxv::FpvCommandState s = oxv::GetFpvCommandState(m_fpv, m_state.m_nCameraPathList != 0);
    event.Enable(s.enabled);
    event.Check(s.checked);
}

void COxvellView::OnFpvFov(wxCommandEvent&)
{
    oxv::BeginFovEdit(m_fpv, *this);
    CFovDlg dialog(GetFrame(), m_fpv.m_dFpvFov);
    const bool ok = dialog.ShowModal() == wxID_OK;
    oxv::EndFovEdit(m_fpv, *this, ok, dialog.m_dFov);
}
