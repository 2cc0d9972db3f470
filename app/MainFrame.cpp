#include "app/MainFrame.h"

#include <wx/accel.h>
#include <wx/app.h>
#include <wx/dnd.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include "settings/AppSettings.h"
#include "app/CommandIds.h"
#include "app/FileDropTarget.h"
#include "app/MainToolBar.h"
#include "app/OxvellView.h"
#include "resources/desktop/oxvell.xpm"

namespace {

using namespace oxv::cmd;

constexpr int kMessagePane = 0;
const char* const kIndicators[] = {"CAP", "NUM", "SCRL"};

wxString RecentLabel(size_t index, const std::string& path)
{
    wxString text = wxString::FromUTF8(path.c_str());
    text.Replace("&", "&&");
    return wxString::Format("&%zu %s", index + 1, text);
}

}  // namespace

wxBEGIN_EVENT_TABLE(CMainFrame, wxDocParentFrame)
    EVT_MENU(kViewToolBar, CMainFrame::OnViewToolBar)
    EVT_UPDATE_UI(kViewToolBar, CMainFrame::OnUpdateViewToolBar)
    EVT_MENU(kViewStatusBar, CMainFrame::OnViewStatusBar)
    EVT_UPDATE_UI(kViewStatusBar, CMainFrame::OnUpdateViewStatusBar)
    EVT_UPDATE_UI(kFileMru1, CMainFrame::OnUpdateRecentFile)
    EVT_MENU(kAppExit, CMainFrame::OnExit)
    EVT_IDLE(CMainFrame::OnIdle)
    EVT_SIZE(CMainFrame::OnSize)
    EVT_MENU_CLOSE(CMainFrame::OnMenuClose)
wxEND_EVENT_TABLE()

CMainFrame::CMainFrame(wxDocManager* manager, oxv::OxvellHost& host)
    : wxDocParentFrame(manager, nullptr, wxID_ANY, "Oxvell", wxDefaultPosition, wxSize(800, 600))
{
    SetIcon(wxIcon(oxvell_xpm));
    SetMenuBar(CreateMenuBar());

    // Only the framework's accelerators: the program's own commands are
    // reached through the menu's mnemonics. Undo, Cut, Copy, Paste and the
    // pane keys have no handler and so do nothing.
    wxAcceleratorEntry keys[] = {
        {wxACCEL_CTRL, 'N', kFileNew},          {wxACCEL_CTRL, 'O', kFileOpen},
        {wxACCEL_CTRL, 'S', kFileSave},         {wxACCEL_CTRL, 'Z', kEditUndo},
        {wxACCEL_CTRL, 'X', kEditCut},          {wxACCEL_CTRL, 'C', kEditCopy},
        {wxACCEL_CTRL, 'V', kEditPaste},        {wxACCEL_ALT, WXK_BACK, kEditUndo},
        {wxACCEL_SHIFT, WXK_DELETE, kEditCut},  {wxACCEL_CTRL, WXK_INSERT, kEditCopy},
        {wxACCEL_SHIFT, WXK_INSERT, kEditPaste}, {wxACCEL_NORMAL, WXK_F6, kNextPane},
        {wxACCEL_SHIFT, WXK_F6, kPrevPane},
    };
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(std::size(keys)), keys));

    // The status bar: the message pane, then the lock indicators, each as
    // wide as its text. It starts hidden on every run.
    m_wndStatusBar = CreateStatusBar(4, wxSTB_DEFAULT_STYLE, kViewStatusBar);
    int widths[4] = {-1, 0, 0, 0};
    for (int i = 0; i < 3; ++i) widths[i + 1] = m_wndStatusBar->GetTextExtent(kIndicators[i]).x + 12;
    m_wndStatusBar->SetStatusWidths(4, widths);
    SetStatusBarPane(kMessagePane);
    SetStatusText("Ready", kMessagePane);
    m_wndStatusBar->Hide();
    SetStatusBar(nullptr);

    // The toolbar: the common commands, shown at start.
    m_toolBar = oxv::CreateMainToolBar(this);

    SetDropTarget(new oxv::FileDropTarget(host));
    // Bound after the document frame's own close handler, so it runs first.
    Bind(wxEVT_CLOSE_WINDOW, &CMainFrame::OnCloseWindow, this);
}

void CMainFrame::OnCloseWindow(wxCloseEvent& event)
{
    // The window manager's close button is served between chunks of a long
    // list compile, as paints are. Closing there would free the view under
    // the compile: it stops instead, and the window closes once it has
    // unwound (queued calls wait until then).
    bool compiling = false;
    if (wxDocManager* manager = GetDocumentManager(); manager && event.CanVeto()) {
        for (wxDocument* doc : manager->GetDocumentsVector())
            for (wxView* view : doc->GetViewsVector())
                if (auto* ours = wxDynamicCast(view, COxvellView)) compiling = ours->GiveUpListCompile() || compiling;
    }
    if (compiling) {
        event.Veto();
        CallAfter([this] { Close(); });
        return;
    }
    event.Skip();
}

wxMenuBar* CMainFrame::CreateMenuBar()
{
    auto* file = new wxMenu;
    file->Append(kFileNew, "&New\tCtrl+N", "Create a new document");
    file->Append(kFileOpen, "&Open...\tCtrl+O", "Open an existing document");
    file->Append(kFileSave, "&Save\tCtrl+S", "Save the active document");
    file->Append(kFileSaveAs, "Save &As...", "Save the active document with a new name");
    file->Enable(kFileSave, false);
    file->Enable(kFileSaveAs, false);
    file->AppendSeparator();
    file->Append(kFileMru1, "Recent File", "Open this document");
    file->Enable(kFileMru1, false);
    file->AppendSeparator();
    file->Append(kSavePicture, "Save &Picture As...", "Save the view as a PNG picture at the window's size");
    file->Append(kImportTrajectory, "Import &Trajectory...",
                 "Give the survey its sensor origin and pose from the flight's trajectory (SBET or text)");
    file->AppendSeparator();
    file->Append(kAppExit, "E&xit", "Quit the application; prompts to save documents");
    m_fileMenu = file;
    m_recentCount = 0;

    auto* color = new wxMenu;
    color->AppendCheckItem(kColorHeight, "&Height");
    color->AppendCheckItem(kColorAmp, "&Amp");
    color->AppendCheckItem(kColorAmpBw, "Amp &BW");
    color->AppendCheckItem(kColorRange, "&Range");
    color->AppendCheckItem(kColorOriginal, "&Original");

    // Straight down with north up, and level from the side.
    auto* standardViews = new wxMenu;
    standardViews->Append(kViewTop, "&Top\tT", "Look straight down with north up, the whole survey in the window");
    standardViews->Append(kViewTop + 1, "Looking &North\tN", "Look north from the south side of the survey");
    standardViews->Append(kViewTop + 2, "Looking &South\tS", "Look south from the north side of the survey");
    standardViews->Append(kViewTop + 3, "Looking &East\tE", "Look east from the west side of the survey");
    standardViews->Append(kViewTop + 4, "Looking &West\tW", "Look west from the east side of the survey");

    auto* pointSize = new wxMenu;
    for (int n = 1; n <= 5; ++n) pointSize->AppendCheckItem(kPointSize1 + n - 1, wxString::Format("%d", n));
    pointSize->AppendSeparator();
    pointSize->AppendCheckItem(kAntiAlias, "AntiAlias");

    // While the camera moves the view draws at most this many points.
    auto* budget = new wxMenu;
    budget->AppendRadioItem(kPointBudget250k, "250k");
    budget->AppendRadioItem(kPointBudget250k + 1, "1M");
    budget->AppendRadioItem(kPointBudget250k + 2, "4M");
    budget->AppendRadioItem(kPointBudgetOff, "Off");

    auto* playback = new wxMenu;
    playback->AppendCheckItem(kPlayStart, "&Start\tSpace");
    playback->AppendCheckItem(kPlayPause, "Pause/Resume\tSpace");
    playback->AppendSeparator();
    playback->AppendCheckItem(kPlayStop, "Sto&p");
    playback->AppendSeparator();
    playback->Append(kPlayParameter, "Parameter");

    auto* displaySize = new wxMenu;
    displaySize->Append(kSize640x480, "640x480");
    displaySize->Append(kSize800x600, "800x600");
    displaySize->Append(kSize1024x768, "1024x768");
    displaySize->Append(kSize1280x720, "1280x720");

    auto* fpv = new wxMenu;
    fpv->AppendCheckItem(kFpvMode, "FPV Camera Mode");
    fpv->Append(kFpvFov, "FOV");
    fpv->Append(kImportCameraPath, "Import Camera Path");

    auto* video = new wxMenu;
    video->AppendSubMenu(playback, "&Playback");
    video->AppendSubMenu(displaySize, "&Display size");
    video->AppendSeparator();
    video->AppendSubMenu(fpv, "FPV Camera");

    auto* view = new wxMenu;
    view->AppendCheckItem(kShowGrid, "Show &Grid (10m)");
    view->AppendCheckItem(kShowScannerPath, "Show Scanner &Path");
    view->AppendCheckItem(kShowCameraPath, "Show C&amera Path");
    view->AppendSeparator();
    view->AppendSubMenu(color, "&Color Mode");
    view->AppendSubMenu(pointSize, "Point Si&ze");
    view->AppendSeparator();
    view->AppendSubMenu(video, "Video");
    view->AppendSeparator();
    view->Append(kZoomToExtent, "Zoom to &Extent\tF", "Show the whole survey, keeping the direction of view");
    view->Append(kResetView, "&Reset View", "Go back to the camera a freshly opened survey has");
    // After the commands the menu has always had, so their places stay.
    view->AppendSubMenu(budget, "Point &Budget");
    view->AppendSubMenu(standardViews, "Standard &Views");
    view->AppendSeparator();
    view->AppendCheckItem(kViewToolBar, "&Toolbar", "Show or hide the toolbar");
    view->AppendCheckItem(kViewStatusBar, "&Status Bar", "Show or hide the status bar");

    auto* help = new wxMenu;
    help->Append(kAppAbout, "&About Oxvell...", "Display program information, version number and copyright");

    auto* bar = new wxMenuBar;
    bar->Append(file, "&File");
    bar->Append(view, "&View");
    bar->Append(help, "&Help");
    return bar;
}

void CMainFrame::UpdateRecentFileMenu(const oxv::RecentFileList& list)
{
    if (!m_fileMenu) return;
    // The recent entries sit where the "Recent File" placeholder stands.
    const int placeholderPos = 5;
    const int shown = m_recentCount == 0 ? 1 : m_recentCount;
    for (int i = 0; i < shown; ++i) m_fileMenu->Destroy(m_fileMenu->FindItemByPosition(placeholderPos));
    const auto& files = list.Files();
    if (files.empty()) {
        m_fileMenu->Insert(placeholderPos, kFileMru1, "Recent File", "Open this document");
        m_fileMenu->Enable(kFileMru1, false);
        m_recentCount = 0;
        return;
    }
    for (size_t i = 0; i < files.size(); ++i)
        m_fileMenu->Insert(placeholderPos + i, kFileMru1 + static_cast<int>(i), RecentLabel(i, files[i]),
                           "Open this document");
    m_recentCount = static_cast<int>(files.size());
}

void CMainFrame::OnViewStatusBar(wxCommandEvent&)
{
    // The window keeps its size: the view gives the bar its room, and takes
    // it back when the bar goes.
    // Detaching the hidden bar makes the toolkit recompute the client area.
    const wxSize size = GetSize();
    const bool show = !m_wndStatusBar->IsShown();
    m_wndStatusBar->Show(show);
    SetStatusBar(show ? m_wndStatusBar : nullptr);
    m_lockState = -1;
    UpdateIndicators();
    SetSize(size);
    SendSizeEvent();
}

void CMainFrame::OnViewToolBar(wxCommandEvent&)
{
    // As the status bar: the window keeps its size and the view takes the room.
    if (!m_toolBar) return;
    const wxSize size = GetSize();
    m_toolBar->Show(!m_toolBar->IsShown());
    SetSize(size);
    SendSizeEvent();
}

void CMainFrame::OnUpdateViewToolBar(wxUpdateUIEvent& event)
{
    event.Enable(m_toolBar != nullptr);
    event.Check(m_toolBar && m_toolBar->IsShown());
}

void CMainFrame::OnUpdateViewStatusBar(wxUpdateUIEvent& event)
{
    event.Check(m_wndStatusBar->IsShown());
}

void CMainFrame::OnUpdateRecentFile(wxUpdateUIEvent& event)
{
    event.Enable(m_recentCount > 0);
}

void CMainFrame::OnSize(wxSizeEvent&)
{
    // The view fills the client area. The hidden status bar is detached from
    // the frame, so the toolkit's own one-child layout does not apply.
    const wxRect area(GetClientAreaOrigin(), GetClientSize());
    for (wxWindow* child : GetChildren())
        if (child != m_wndStatusBar && child != m_toolBar && !child->IsTopLevel()) child->SetSize(area);
}

void CMainFrame::OnMenuClose(wxMenuEvent& event)
{
    m_lastMenuClose = std::chrono::steady_clock::now();
    event.Skip();
}

void CMainFrame::OnExit(wxCommandEvent&)
{
    Close();
}

void CMainFrame::OnIdle(wxIdleEvent& event)
{
    UpdateIndicators();
    event.Skip();
}

void CMainFrame::UpdateIndicators()
{
    if (!m_wndStatusBar->IsShown()) return;
    // Each indicator shows its text while its lock is on, and is blank otherwise.
    const wxKeyCode locks[] = {WXK_CAPITAL, WXK_NUMLOCK, WXK_SCROLL};
    int state = 0;
    for (int i = 0; i < 3; ++i)
        if (wxGetKeyState(locks[i])) state |= 1 << i;
    if (state == m_lockState) return;
    m_lockState = state;
    for (int i = 0; i < 3; ++i) SetStatusText((state & (1 << i)) ? kIndicators[i] : "", i + 1);
}
