#include "app/OxvellApp.h"

#include <cstdio>

#include <wx/cmdline.h>
#include <wx/display.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/msgdlg.h>
#include <wx/toolbar.h>

#include "app/AboutDlg.h"
#include "app/CommandIds.h"
#include "app/HandOverBox.h"
#include "app/MainFrame.h"
#include "app/OxvellDoc.h"
#include "app/OxvellDocTemplate.h"
#include "app/OxvellView.h"
#include "app/SingleInstance.h"
#include "base/FileReading.h"
#include "view/ColorModeNames.h"

wxBEGIN_EVENT_TABLE(COxvellApp, wxApp)
    EVT_MENU(oxv::cmd::kFileNew, COxvellApp::OnFileNew)
    EVT_MENU(oxv::cmd::kFileOpen, COxvellApp::OnFileOpen)
    EVT_MENU_RANGE(oxv::cmd::kFileMru1, oxv::cmd::kFileMru1 + oxv::cmd::kRecentFileCount - 1,
                   COxvellApp::OnRecentFile)
    EVT_MENU(oxv::cmd::kAppAbout, COxvellApp::OnAppAbout)
wxEND_EVENT_TABLE()

COxvellApp::COxvellApp() = default;
COxvellApp::~COxvellApp() = default;

void COxvellApp::OnInitCmdLine(wxCmdLineParser& parser)
{
    parser.AddSwitch("", "new-window", "open FILE in a viewer of its own, not in the running one");
    parser.AddParam("FILE", wxCMD_LINE_VAL_STRING, wxCMD_LINE_PARAM_OPTIONAL);
    parser.SetSwitchChars("-");
}

bool COxvellApp::OnCmdLineParsed(wxCmdLineParser& parser)
{
    if (parser.GetParamCount() > 0) m_startFile = parser.GetParam(0);
    m_newWindow = parser.Found("new-window");
    return true;
}

void COxvellApp::OnAssertFailure(const wxChar* file, int line, const wxChar* func, const wxChar* cond,
                                 const wxChar* msg)
{
    // A modal assertion dialog would stop the viewer (and any unattended run)
    // dead; the report goes to standard error instead.
    std::fprintf(stderr, "oxvell: assertion \"%s\" failed in %s (%s:%d)%s%s\n",
                 static_cast<const char*>(wxString(cond).utf8_str()),
                 static_cast<const char*>(wxString(func).utf8_str()),
                 static_cast<const char*>(wxString(file).utf8_str()), line, msg && *msg ? ": " : "",
                 msg ? static_cast<const char*>(wxString(msg).utf8_str()) : "");
}

bool COxvellApp::OnInit()
{
    SetAppName("Oxvell");
    SetAppDisplayName("Oxvell");
    if (!wxApp::OnInit()) return false;  // parses the command line
    if (HandOverToRunningViewer()) {
        // Nothing of this start remains to be shown: it ends at once, well.
        CallAfter([this] { ExitMainLoop(); });
        return true;
    }
    wxInitAllImageHandlers();

    // Every setting lives in the INI file beside the executable, named after it.
    m_settings = std::make_unique<oxv::SettingsFile>(SettingsPath());
    m_recent.Load(*m_settings);

    m_docManager = new oxv::OxvellDocManager;
    new oxv::OxvellDocTemplate(m_docManager, *this);
    m_docManager->SetMaxDocsOpen(1);

    m_frame = new CMainFrame(m_docManager, *this);
    SetTopWindow(m_frame);
    // A hand-over that arrives while the program ends finds no window.
    m_frame->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
        if (event.GetEventObject() == m_frame) m_frame = nullptr;
        event.Skip();
    });
    m_frame->UpdateRecentFileMenu(m_recent);
    // What the window shows when it closes is kept (OnExit writes it).
    m_frame->Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        m_closingView = CurrentViewSettings();
        event.Skip();
    });

    // The one document and its view, empty ("Untitled").
    if (!m_docManager->CreateDocument(wxEmptyString, wxDOC_NEW) || !Document()) return false;

    ApplyViewSettings();
    m_frame->Show(true);
    // Once more when shown: the toolkit gives a new window its default size.
    PlaceWindow();
    m_frame->Update();
    InitialUpdate();
    if (!m_startFile.empty() && !OpenDocumentFile(m_startFile)) {
        // A file named on the command line that cannot be opened ends the
        // program once its message has been seen.
        m_frame->Destroy();
        return false;
    }
    return true;
}

int COxvellApp::OnExit()
{
    // A settings file that cannot be written keeps what it had; the list
    // lasted for the session.
    if (m_settings) (void)m_settings->WriteRecentFiles(m_recent);
    // Only what this viewer changed: another's newer values stay.
    if (m_settings && m_closingView) (void)oxv::SaveViewSettings(*m_settings, m_storedView, *m_closingView);
    // No more hand-overs for an application on its way out.
    m_instance.reset();
    delete m_docManager;
    m_docManager = nullptr;
    return wxApp::OnExit();
}

bool COxvellApp::HandOverToRunningViewer()
{
    if (m_newWindow) return false;
    m_instance = std::make_unique<oxv::SingleInstance>([this](const wxString& path) { OpenHandedOver(path); });
    if (!m_instance->IsAnotherRunning()) {
        // The first viewer takes the files of later starts.
        if (!m_instance->Serve()) m_instance.reset();
        return false;
    }
    // Another viewer runs: a start with no file opens a window of its own,
    // as does one whose viewer does not answer.
    bool handed = false;
    if (!m_startFile.empty()) {
        wxFileName name(m_startFile);
        name.MakeAbsolute();
        handed = m_instance->HandOver(name.GetFullPath());
    }
    m_instance.reset();
    return handed;
}

void COxvellApp::ApplyViewSettings()
{
    m_storedView = oxv::LoadViewSettings(*m_settings);
    const oxv::ViewSettings& stored = m_storedView;
    m_openFolder = wxString::FromUTF8(stored.openFolder.c_str());
    if (COxvellDoc* doc = Document()) {
        if (auto* view = wxDynamicCast(doc->GetFirstView(), COxvellView)) {
            oxv::ViewState& state = view->State();
            state.m_bShowGrid = stored.grid;
            state.m_bShowScannerPath = stored.scannerPath;
            state.m_nPointSize = stored.pointSize;
            state.m_bAntiAlias = stored.smoothing;
            if (const auto mode = oxv::ColorModeFromName(stored.colorMode)) state.m_nColorMode = *mode;
            // The Original mode's scale and offset follow from the levels.
            const double span = stored.whiteLevel - stored.blackLevel;
            state.m_dBlackLevel = stored.blackLevel;
            state.m_dWhiteLevel = stored.whiteLevel;
            state.m_dRgbOffset = -stored.blackLevel / span;
            state.m_dRgbScale = 1.0 / span / 255.0;
        }
    }
    if (stored.statusBar && !m_frame->StatusBar()->IsShown()) {
        wxCommandEvent show(wxEVT_MENU, oxv::cmd::kViewStatusBar);
        show.SetEventObject(m_frame);
        m_frame->GetEventHandler()->ProcessEvent(show);
    }
    // The toolbar is shown at start; one left hidden stays so.
    // Before the window takes its place: the frame lays its client area out
    // again, with no resize of its own that could race the place.
    if (wxToolBar* bar = m_frame->ToolBar(); bar && bar->IsShown() != stored.toolbar) {
        bar->Show(stored.toolbar);
        m_frame->SendSizeEvent();
    }
    PlaceWindow();
}

void COxvellApp::PlaceWindow()
{
    const auto& place = m_storedView.window;
    if (!place) return;
    // A place on a screen that is gone keeps only its size.
    const wxRect rect(place->left, place->top, place->width, place->height);
    if (wxDisplay::GetFromPoint(rect.GetTopLeft() + wxSize(40, 20)) != wxNOT_FOUND)
        m_frame->SetSize(rect);
    else
        m_frame->SetSize(rect.GetSize());
}

oxv::ViewSettings COxvellApp::CurrentViewSettings() const
{
    oxv::ViewSettings now = m_storedView;
    if (COxvellDoc* doc = Document()) {
        if (auto* view = wxDynamicCast(doc->GetFirstView(), COxvellView)) {
            const oxv::ViewState& state = view->State();
            now.grid = state.m_bShowGrid;
            now.scannerPath = state.m_bShowScannerPath;
            now.pointSize = state.m_nPointSize;
            now.smoothing = state.m_bAntiAlias;
            if (const std::string_view name = oxv::ColorModeName(state.m_nColorMode); !name.empty())
                now.colorMode = std::string(name);
            now.blackLevel = state.m_dBlackLevel;
            now.whiteLevel = state.m_dWhiteLevel;
        }
    }
    if (m_frame) {
        now.statusBar = m_frame->StatusBar()->IsShown();
        if (wxToolBar* bar = m_frame->ToolBar()) now.toolbar = bar->IsShown();
        // A minimised or maximised window keeps the place it had before.
        if (!m_frame->IsIconized() && !m_frame->IsMaximized()) {
            const wxRect rect = m_frame->GetRect();
            now.window = oxv::WindowPlace{rect.x, rect.y, rect.width, rect.height};
        }
    }
    now.openFolder = std::string(m_openFolder.utf8_str());
    return now;
}

void COxvellApp::OpenHandedOver(const wxString& path)
{
    if (!m_frame) return;
    const std::string why = oxv::CannotOpenReason(std::string(path.utf8_str()));
    if (m_handOverBox && !why.empty()) {
        m_handOverBox->Add(path, why);
        return;
    }
    if (m_handOverBox || m_handOverBusy) {
        m_handOverQueue.push_back(path);
        return;
    }
    m_handOverBusy = true;
    m_frame->Iconize(false);
    m_frame->Raise();
    if (why.empty()) {
        OpenDocumentFile(path);
    } else {
        oxv::HandOverBox box(m_frame);
        box.Add(path, why);
        m_handOverBox = &box;
        box.ShowModal();
        m_handOverBox = nullptr;
    }
    m_handOverBusy = false;
    if (!m_handOverQueue.empty()) CallAfter(&COxvellApp::OpenNextHandedOver);
}

void COxvellApp::OpenNextHandedOver()
{
    if (m_handOverQueue.empty() || m_handOverBusy || m_handOverBox) return;
    const wxString path = m_handOverQueue.front();
    m_handOverQueue.pop_front();
    OpenHandedOver(path);
}

std::string COxvellApp::SettingsPath() const
{
    return oxv::IniPathForExecutable(oxv::ExecutablePath());
}

wxStatusBar* COxvellApp::StatusBar()
{
    return m_frame ? m_frame->StatusBar() : nullptr;
}

std::chrono::steady_clock::time_point COxvellApp::LastMenuClose()
{
    return m_frame ? m_frame->LastMenuClose() : std::chrono::steady_clock::time_point();
}

COxvellDoc* COxvellApp::Document() const
{
    if (!m_docManager || m_docManager->GetDocuments().empty()) return nullptr;
    return wxDynamicCast(m_docManager->GetDocuments().front(), COxvellDoc);
}

void COxvellApp::InitialUpdate()
{
    COxvellDoc* doc = Document();
    if (!doc) return;
    if (auto* view = wxDynamicCast(doc->GetFirstView(), COxvellView)) view->OnInitialUpdate();
}

void COxvellApp::EndViewRuns()
{
    COxvellDoc* doc = Document();
    if (!doc) return;
    if (auto* view = wxDynamicCast(doc->GetFirstView(), COxvellView)) view->EndRunsForNewDocument();
}

COxvellView* COxvellApp::CompilingView()
{
    COxvellDoc* doc = Document();
    auto* view = doc ? wxDynamicCast(doc->GetFirstView(), COxvellView) : nullptr;
    return view && view->InCompileBreak() ? view : nullptr;
}

bool COxvellApp::NewDocument()
{
    COxvellDoc* doc = Document();
    if (!doc) return false;
    // Not in the middle of building the lists it would delete: the compile
    // is given up and the new document follows.
    if (COxvellView* view = CompilingView()) {
        view->EndCompileThenCall([this] { (void)NewDocument(); });
        return true;
    }
    // Playback and the first-person flight belong to the document being
    // replaced; they end before it changes.
    EndViewRuns();
    if (!doc->OnNewDocument()) return false;
    InitialUpdate();
    return true;
}

bool COxvellApp::OpenDocumentFile(const wxString& path)
{
    COxvellDoc* doc = Document();
    if (!doc) return false;
    if (COxvellView* view = CompilingView()) {
        view->EndCompileThenCall([this, path] { (void)OpenDocumentFile(path); });
        return true;
    }
    wxFileName name(path);
    name.MakeAbsolute();
    const wxString full = name.GetFullPath();
    EndViewRuns();
    // The playback settings the survey starts from are the file's as it is
    // now: another viewer may have stored new ones since this one started.
    m_settings->Reload();
    if (!doc->OnOpenDocument(full)) return false;
    if (doc->LastLoad() == oxv::LoadStatus::Ok) {
        doc->SetTitle(name.GetFullName());
        doc->SetFilename(full, true);
        RememberFile(full);
    } else {
        // The survey that was open has gone with the failed or cancelled
        // load; the file that failed is not what the window now shows, so
        // it takes neither the title nor a place in the recent list.
        doc->TakeNewDocumentName();
    }
    InitialUpdate();
    return true;
}

void COxvellApp::RememberFile(const wxString& path)
{
    // Files another viewer opened meanwhile stay in the list, below this one.
    const std::string file(path.utf8_str());
    (void)m_settings->UpdateRecentFiles(m_recent, [&](oxv::RecentFileList& list) { list.Add(file); });
    if (m_frame) m_frame->UpdateRecentFileMenu(m_recent);
}

void COxvellApp::PromptOpen()
{
    wxFileDialog dialog(m_frame, "Open", m_openFolder, wxEmptyString,
                        "Survey Files (*.oxv;*.las)|*.oxv;*.las;*.LAS|Oxvell Files (*.oxv)|*.oxv|LAS Files (*.las)|*.las;*.LAS|"
                        "All Files (*.*)|*",
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK) return;
    m_openFolder = dialog.GetDirectory();
    OpenDocumentFile(dialog.GetPath());
}

void COxvellApp::OpenRecentFile(size_t index)
{
    if (index >= m_recent.Files().size()) return;
    const std::string file = m_recent.Files()[index];
    if (!OpenDocumentFile(wxString::FromUTF8(file.c_str()))) {
        // A recent file that cannot be opened any more leaves the list.
        (void)m_settings->UpdateRecentFiles(m_recent, [&](oxv::RecentFileList& list) { list.RemoveFile(file); });
        if (m_frame) m_frame->UpdateRecentFileMenu(m_recent);
    }
}

void COxvellApp::OnFileNew(wxCommandEvent&)
{
    (void)NewDocument();
}

void COxvellApp::OnFileOpen(wxCommandEvent&)
{
    PromptOpen();
}

void COxvellApp::OnRecentFile(wxCommandEvent& event)
{
    OpenRecentFile(static_cast<size_t>(event.GetId() - oxv::cmd::kFileMru1));
}

void COxvellApp::OnAppAbout(wxCommandEvent&)
{
    CAboutDlg dialog(m_frame);
    dialog.ShowModal();
}
