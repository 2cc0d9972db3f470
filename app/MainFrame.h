#pragma once

#include <chrono>

#include <wx/docview.h>

class wxStatusBar;
class wxToolBar;

namespace oxv {
class OxvellHost;
class RecentFileList;
}  // namespace oxv

// The main window: menu, accelerators, the toolbar, the status bar (hidden
// at start) and the drop target for point files.
class CMainFrame : public wxDocParentFrame {
public:
    CMainFrame(wxDocManager* manager, oxv::OxvellHost& host);

    // The File menu's recent entries: "Recent File" (grayed) while the list
    // is empty, otherwise one item per file.
    void UpdateRecentFileMenu(const oxv::RecentFileList& list);

    wxStatusBar* StatusBar() const { return m_wndStatusBar; }
    wxToolBar* ToolBar() const { return m_toolBar; }


    // When a menu of the window last closed (the epoch if none has).
    std::chrono::steady_clock::time_point LastMenuClose() const { return m_lastMenuClose; }

private:
    wxMenuBar* CreateMenuBar();
    void OnViewToolBar(wxCommandEvent& event);
    void OnUpdateViewToolBar(wxUpdateUIEvent& event);
    void OnViewStatusBar(wxCommandEvent& event);
    void OnUpdateViewStatusBar(wxUpdateUIEvent& event);
    void OnUpdateRecentFile(wxUpdateUIEvent& event);
    void OnExit(wxCommandEvent& event);
    void OnIdle(wxIdleEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnMenuClose(wxMenuEvent& event);
    void OnCloseWindow(wxCloseEvent& event);
    void UpdateIndicators();

    wxStatusBar* m_wndStatusBar = nullptr;
    wxToolBar* m_toolBar = nullptr;
    wxMenu* m_fileMenu = nullptr;
    int m_recentCount = 0;  // recent-file items now in the File menu
    int m_lockState = -1;   // caps, num and scroll lock bits shown last
    std::chrono::steady_clock::time_point m_lastMenuClose;

    wxDECLARE_EVENT_TABLE();
};
