#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>

#include <wx/app.h>
#include <wx/docview.h>

#include "app/OxvellHost.h"
#include "settings/AppSettings.h"
#include "settings/ViewSettings.h"

namespace oxv {
class HandOverBox;
class OxvellDocManager;
class SingleInstance;
}  // namespace oxv

class CMainFrame;
class COxvellDoc;
class COxvellView;

class COxvellApp : public wxApp, public oxv::OxvellHost {
public:
    COxvellApp();
    ~COxvellApp() override;
    bool OnInit() override;
    int OnExit() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;
    void OnAssertFailure(const wxChar* file, int line, const wxChar* func, const wxChar* cond,
                         const wxChar* msg) override;

    // File > New.
    [[nodiscard]] bool NewDocument();
    // File > Open, a recent file, the command line or a dropped file. False
    // when the file could not be opened; the document is then unchanged.
    // True when the load ran: the file is the title and heads the recent
    // list only if its survey loaded; a failed or cancelled load leaves an
    // empty Untitled document and the recent list as it was.
    [[nodiscard]] bool OpenDocumentFile(const wxString& path) override;
    oxv::Profile& SettingsProfile() override { return *m_settings; }
    wxStatusBar* StatusBar() override;
    std::chrono::steady_clock::time_point LastMenuClose() override;
    // File > Open's dialog, then OpenDocumentFile.
    void PromptOpen();
    void OpenRecentFile(size_t index);

    COxvellDoc* Document() const;
    CMainFrame* MainFrame() const { return m_frame; }
    oxv::SettingsFile& Settings() { return *m_settings; }
    const oxv::RecentFileList& RecentFiles() const { return m_recent; }

protected:
    // The INI file: beside the executable, named after it.
    virtual std::string SettingsPath() const;

private:
    // The view, while it is between chunks of a list compile.
    COxvellView* CompilingView();
    void OnFileNew(wxCommandEvent& event);
    void OnFileOpen(wxCommandEvent& event);
    void OnRecentFile(wxCommandEvent& event);
    void OnAppAbout(wxCommandEvent& event);
    void InitialUpdate();
    // Stops playback and the first-person flight before the document changes.
    void EndViewRuns();
    void RememberFile(const wxString& path);
    // A later start handed over `path`: opened as File > Open opens it, and
    // the window comes to the front. One that cannot be opened is told in
    // the hand-over box; while that box or an open's messages are up, other
    // hand-overs wait (a file that cannot be opened joins the box at once).
    void OpenHandedOver(const wxString& path);
    void OpenNextHandedOver();
    // True when the file named on the command line went to a running viewer.
    [[nodiscard]] bool HandOverToRunningViewer();

    // The view and window as the settings file left them, put on the new
    // window; what the window shows at its close, kept on the way out.
    void ApplyViewSettings();
    void PlaceWindow();
    [[nodiscard]] oxv::ViewSettings CurrentViewSettings() const;

    std::unique_ptr<oxv::SettingsFile> m_settings;
    oxv::ViewSettings m_storedView;
    std::optional<oxv::ViewSettings> m_closingView;
    wxString m_openFolder;  // where the Open dialog was last left
    oxv::RecentFileList m_recent{4};
    oxv::OxvellDocManager* m_docManager = nullptr;
    CMainFrame* m_frame = nullptr;
    wxString m_startFile;
    bool m_newWindow = false;  // --new-window: never hand over
    std::unique_ptr<oxv::SingleInstance> m_instance;
    std::deque<wxString> m_handOverQueue;
    bool m_handOverBusy = false;
    oxv::HandOverBox* m_handOverBox = nullptr;  // while it is shown

    wxDECLARE_EVENT_TABLE();
};

wxDECLARE_APP(COxvellApp);
