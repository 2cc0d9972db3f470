#include "OxvellView.h"

#include <cmath>

#include <wx/dcclient.h>
#include <wx/dnd.h>
#include <wx/frame.h>
#include <wx/glcanvas.h>
#include <wx/log.h>

#include <GL/gl.h>

#include "AppSettings.h"
#include "CommandIds.h"
#include "MainFrame.h"
#include "OxvellDoc.h"

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
wxEND_EVENT_TABLE()

COxvellView::COxvellView() = default;

COxvellView::~COxvellView()
{
    // The display lists go with the context.
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
    m_pCanvas->Bind(wxEVT_MOUSE_CAPTURE_LOST, &COxvellView::OnCaptureLost, this);
    m_pCanvas->Bind(wxEVT_KEY_DOWN, &COxvellView::OnKeyDown, this);

    class CanvasDropTarget final : public wxFileDropTarget {
    public:
        bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& files) override
        {
            // Opened once the drop is over: a load may show a message box,
            // which must not run inside the drag-and-drop exchange.
            wxTheApp->CallAfter([files] { CMainFrame::OpenDroppedFiles(files); });
            return true;
        }
    };
    m_pCanvas->SetDropTarget(new CanvasDropTarget);

    // Window creation: the camera and the Original colour mode.
    oxv::InitViewState(m_state);
    // The helicopter is loaded from GetModelPath() once the model drawing
    // exists; until then playback draws no vehicle.

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

bool COxvellView::MakeCurrent()
{
    if (!m_target.MakeCurrent()) return false;
    if (!m_bGlReady) {
        oxv::SetupViewGl();
        m_bGlReady = true;
    }
    // An initial update that came before the window could draw.
    if (m_bInitialUpdatePending) {
        m_bInitialUpdatePending = false;
        oxv::OnInitialUpdate(m_state, Survey());
    }
    return true;
}

void COxvellView::OnDraw(wxDC*)
{
    if (!MakeCurrent()) return;
    oxv::OnDrawFrame(m_state, Survey(), m_target, oxv::FrameKind::Paint);
}

void COxvellView::RepaintNow()
{
    if (!m_pCanvas) return;
    if (!MakeCurrent()) {
        m_pCanvas->Refresh(false);
        return;
    }
    oxv::OnDrawFrame(m_state, Survey(), m_target, oxv::FrameKind::Paint);
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
    // Lists and target need the context: they follow at the first moment
    // the window can draw (at once, normally).
    m_bInitialUpdatePending = true;
    MakeCurrent();
    RepaintNow();
}

void COxvellView::OnUpdate(wxView*, wxObject* hint)
{
    // Only the rebuild hint (a camera path was imported) does anything.
    const int code = COxvellDoc::HintCode(hint);
    if (code != oxv::kUpdateHintRebuild) return;
    if (!MakeCurrent()) return;
    if (oxv::OnUpdate(m_state, Survey(), code)) RepaintNow();
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
    const oxv::ViewMouseResult result = oxv::ViewMouseEvent(m_state, input);
    if (result.warpCursor) m_pCanvas->WarpPointer(result.warpX, result.warpY);
    if (result.repaint) RepaintNow();
}

void COxvellView::OnMouse(wxMouseEvent& event)
{
    event.Skip();
    if (m_state.m_bFpvMode) return;
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
    }
}

void COxvellView::OnCaptureLost(wxMouseCaptureLostEvent&)
{
    // Another window took the mouse: the release will never come, so the
    // drags end here instead of turning the camera on plain moves later.
    m_state.m_camera.leftDrag = 0;
    m_state.m_camera.rightDrag = 0;
}

void COxvellView::OnLButtonDblClk(wxMouseEvent& event)
{
    event.Skip();
    if (m_state.m_bFpvMode || !MakeCurrent()) return;
    const double scale = m_pCanvas->GetContentScaleFactor();
    const wxPoint p = event.GetPosition();
    if (oxv::PickAndRecentre(m_state, Survey(), m_target, Scaled(p.x, scale), Scaled(p.y, scale))) RepaintNow();
}

bool COxvellView::PickPoint(int x, int y, double point[3])
{
    if (!MakeCurrent()) return false;
    const double scale = m_pCanvas->GetContentScaleFactor();
    return oxv::PickPoint(m_state, Survey(), m_target, Scaled(x, scale), Scaled(y, scale), point);
}

void COxvellView::OnKeyDown(wxKeyEvent& event)
{
    event.Skip();
    oxv::LevelKey key;
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
    if (!MakeCurrent()) return;
    if (oxv::OnLevelKey(m_state, Survey(), key)) RepaintNow();
}

// ---- Display size ----

void COxvellView::SetDisplaySize(int width, int height)
{
    wxWindow* frame = GetFrame();
    if (!frame || !m_pCanvas) return;
    // The canvas fills the frame's client area, so growing that area by the
    // difference makes the canvas exactly width x height, whatever the
    // borders, menu and status bar take.
    const wxSize canvas = m_pCanvas->GetClientSize();
    const wxSize client = frame->GetClientSize();
    frame->SetClientSize(client.x + (width - canvas.x), client.y + (height - canvas.y));
}

void COxvellView::OnDisplaySize(wxCommandEvent& event)
{
    static const int sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 720}};
    const int i = event.GetId() - cmd::kSize640x480;
    SetDisplaySize(sizes[i][0], sizes[i][1]);
}

// ---- View commands ----

void COxvellView::OnColorMode(wxCommandEvent& event)
{
    if (!MakeCurrent()) return;
    oxv::SetColorMode(m_state, Survey(), event.GetId() - cmd::kColorHeight);
    RepaintNow();
}

void COxvellView::OnUpdateColorMode(wxUpdateUIEvent& event)
{
    const oxv::MenuState s = oxv::ColorModeMenuState(m_state, Survey(), event.GetId() - cmd::kColorHeight);
    event.Check(s.checked);
    event.Enable(s.enabled);
}

void COxvellView::OnShowGrid(wxCommandEvent&)
{
    m_state.m_bShowGrid = m_state.m_bShowGrid ? 0 : 1;
    RepaintNow();
}

void COxvellView::OnUpdateShowGrid(wxUpdateUIEvent& event)
{
    event.Check(m_state.m_bShowGrid != 0);
    event.Enable(m_state.m_nGridList != 0);
}

void COxvellView::OnShowScannerPath(wxCommandEvent&)
{
    m_state.m_bShowScannerPath = m_state.m_bShowScannerPath ? 0 : 1;
    RepaintNow();
}

void COxvellView::OnUpdateShowScannerPath(wxUpdateUIEvent& event)
{
    event.Check(m_state.m_bShowScannerPath != 0);
    event.Enable(m_state.m_nScannerPathList != 0);
}

void COxvellView::OnShowCameraPath(wxCommandEvent&)
{
    m_state.m_bShowCameraPath = m_state.m_bShowCameraPath ? 0 : 1;
    RepaintNow();
}

void COxvellView::OnUpdateShowCameraPath(wxUpdateUIEvent& event)
{
    event.Check(m_state.m_bShowCameraPath != 0);
    event.Enable(m_state.m_nCameraPathList != 0);
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

void COxvellView::OnAntiAlias(wxCommandEvent&)
{
    m_state.m_bAntiAlias = m_state.m_bAntiAlias ? 0 : 1;
    RepaintNow();
}

void COxvellView::OnUpdateAntiAlias(wxUpdateUIEvent& event)
{
    event.Check(m_state.m_bAntiAlias != 0);
}

// ---- Playback and first-person commands ----
// The menu states follow the playback state already; running a playback
// and the first-person camera come with their own subsystems.

namespace {
bool HasTimeline(const oxv::SurveyDocument* doc)
{
    return doc && doc->m_pTimeline;
}
}  // namespace

void COxvellView::OnPlayStart(wxCommandEvent&) {}

void COxvellView::OnUpdatePlayStart(wxUpdateUIEvent& event)
{
    const bool timeline = HasTimeline(Survey());
    event.Enable(timeline && m_state.m_nPlayState == oxv::kStopped);
    // Without a timeline the item keeps its last check mark.
    if (timeline) event.Check(m_state.m_nPlayState != oxv::kStopped);
}

void COxvellView::OnPlayPause(wxCommandEvent&) {}

void COxvellView::OnUpdatePlayPause(wxUpdateUIEvent& event)
{
    const bool timeline = HasTimeline(Survey());
    const int32_t state = m_state.m_nPlayState;
    event.Enable(timeline && state != oxv::kStopped);
    event.Check(state == oxv::kPaused);
    if (!timeline || state == oxv::kStopped)
        event.SetText("Pause/Resume");
    else
        event.SetText(state == oxv::kPaused ? "&Resume" : "P&ause");
}

void COxvellView::OnPlayStop(wxCommandEvent&) {}

void COxvellView::OnUpdatePlayStop(wxUpdateUIEvent& event)
{
    const bool timeline = HasTimeline(Survey());
    event.Enable(timeline && m_state.m_nPlayState != oxv::kStopped);
    if (timeline) event.Check(m_state.m_nPlayState == oxv::kStopped);
}

void COxvellView::OnPlayParameter(wxCommandEvent&) {}

void COxvellView::OnUpdatePlayParameter(wxUpdateUIEvent& event)
{
    event.Enable(HasTimeline(Survey()) && m_state.m_nPlayState != oxv::kPlaying);
}

void COxvellView::OnFpvMode(wxCommandEvent&) {}

void COxvellView::OnUpdateFpvMode(wxUpdateUIEvent& event)
{
    event.Enable(m_state.m_nCameraPathList != 0);
    event.Check(m_state.m_bFpvMode != 0);
}

void COxvellView::OnFpvFov(wxCommandEvent&) {}
