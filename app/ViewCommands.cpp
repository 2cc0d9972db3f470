#include "app/ViewCommands.h"

#include <iterator>

#include <wx/filedlg.h>
#include <wx/glcanvas.h>
#include <wx/msgdlg.h>

#include "app/CommandIds.h"
#include "app/OxvellHost.h"
#include "app/OxvellView.h"
#include "settings/AppSettings.h"
#include "view/ViewFit.h"

namespace oxv {


namespace {

// A show command flips its flag; its item is checked with the flag and
// enabled only while there is a list to show.
struct ShowToggle {
    int command;
    bool ViewState::*flag;
    unsigned ViewState::*list;
};

constexpr ShowToggle kShowToggles[] = {
    {cmd::kShowGrid, &ViewState::m_bShowGrid, &ViewState::m_nGridList},
    {cmd::kShowScannerPath, &ViewState::m_bShowScannerPath, &ViewState::m_nScannerPathList},
    {cmd::kShowCameraPath, &ViewState::m_bShowCameraPath, &ViewState::m_nCameraPathList},
};

const ShowToggle* FindShowToggle(int command)
{
    for (const ShowToggle& toggle : kShowToggles)
        if (toggle.command == command) return &toggle;
    return nullptr;
}

}  // namespace

wxBEGIN_EVENT_TABLE(ViewCommands, wxEvtHandler)
    EVT_MENU_RANGE(cmd::kColorHeight, cmd::kColorOriginal, ViewCommands::OnColorMode)
    EVT_UPDATE_UI_RANGE(cmd::kColorHeight, cmd::kColorOriginal, ViewCommands::OnUpdateColorMode)
    EVT_MENU(cmd::kShowGrid, ViewCommands::OnShowToggle)
    EVT_UPDATE_UI(cmd::kShowGrid, ViewCommands::OnUpdateShowToggle)
    EVT_MENU(cmd::kShowScannerPath, ViewCommands::OnShowToggle)
    EVT_UPDATE_UI(cmd::kShowScannerPath, ViewCommands::OnUpdateShowToggle)
    EVT_MENU(cmd::kShowCameraPath, ViewCommands::OnShowToggle)
    EVT_UPDATE_UI(cmd::kShowCameraPath, ViewCommands::OnUpdateShowToggle)
    EVT_MENU_RANGE(cmd::kPointSize1, cmd::kPointSize5, ViewCommands::OnPointSize)
    EVT_UPDATE_UI_RANGE(cmd::kPointSize1, cmd::kPointSize5, ViewCommands::OnUpdatePointSize)
    EVT_MENU(cmd::kAntiAlias, ViewCommands::OnAntiAlias)
    EVT_UPDATE_UI(cmd::kAntiAlias, ViewCommands::OnUpdateAntiAlias)
    EVT_MENU_RANGE(cmd::kSize640x480, cmd::kSize1280x720, ViewCommands::OnDisplaySize)
    EVT_MENU(cmd::kZoomToExtent, ViewCommands::OnZoomToExtent)
    EVT_UPDATE_UI(cmd::kZoomToExtent, ViewCommands::OnUpdateWholeView)
    EVT_MENU_RANGE(cmd::kViewTop, cmd::kViewWest, ViewCommands::OnStandardView)
    EVT_UPDATE_UI_RANGE(cmd::kViewTop, cmd::kViewWest, ViewCommands::OnUpdateWholeView)
    EVT_MENU(cmd::kResetView, ViewCommands::OnResetView)
    EVT_UPDATE_UI(cmd::kResetView, ViewCommands::OnUpdateWholeView)
    EVT_MENU(cmd::kSavePicture, ViewCommands::OnSavePicture)
    EVT_UPDATE_UI(cmd::kSavePicture, ViewCommands::OnUpdateSavePicture)
    EVT_MENU_RANGE(cmd::kPointBudget250k, cmd::kPointBudgetOff, ViewCommands::OnPointBudget)
    EVT_UPDATE_UI_RANGE(cmd::kPointBudget250k, cmd::kPointBudgetOff, ViewCommands::OnUpdatePointBudget)
wxEND_EVENT_TABLE()

ViewCommands::ViewCommands(COxvellView& view) : m_view(view) {}

void ViewCommands::OnColorMode(wxCommandEvent& event)
{
    if (!m_view.ReadyToDraw()) return;
    SetColorMode(m_view.State(), m_view.Survey(), event.GetId() - cmd::kColorHeight);
    m_view.RepaintNow();
}

void ViewCommands::OnUpdateColorMode(wxUpdateUIEvent& event)
{
    const MenuState s = ColorModeMenuState(m_view.State(), m_view.Survey(), event.GetId() - cmd::kColorHeight);
    event.Check(s.checked);
    event.Enable(s.enabled);
}

void ViewCommands::OnShowToggle(wxCommandEvent& event)
{
    const ShowToggle* toggle = FindShowToggle(event.GetId());
    if (!toggle) return;
    bool& flag = m_view.State().*(toggle->flag);
    flag = !flag;
    m_view.RepaintNow();
}

void ViewCommands::OnUpdateShowToggle(wxUpdateUIEvent& event)
{
    const ShowToggle* toggle = FindShowToggle(event.GetId());
    if (!toggle) return;
    event.Check(m_view.State().*(toggle->flag));
    event.Enable(m_view.State().*(toggle->list) != 0);
}

void ViewCommands::OnPointSize(wxCommandEvent& event)
{
    m_view.State().m_nPointSize = event.GetId() - cmd::kPointSize1 + 1;
    m_view.RepaintNow();
}

void ViewCommands::OnUpdatePointSize(wxUpdateUIEvent& event)
{
    event.Check(m_view.State().m_nPointSize == event.GetId() - cmd::kPointSize1 + 1);
    event.Enable(true);
}

void ViewCommands::OnAntiAlias(wxCommandEvent&)
{
    m_view.State().m_bAntiAlias = !m_view.State().m_bAntiAlias;
    m_view.RepaintNow();
}

void ViewCommands::OnUpdateAntiAlias(wxUpdateUIEvent& event)
{
    event.Check(m_view.State().m_bAntiAlias);
}

void ViewCommands::OnDisplaySize(wxCommandEvent& event)
{
    static const int sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 720}};
    const int i = event.GetId() - cmd::kSize640x480;
    m_view.SetDisplaySize(sizes[i][0], sizes[i][1]);
}

void ViewCommands::OnZoomToExtent(wxCommandEvent&)
{
    const wxSize size = m_view.Canvas()->GetClientSize();
    const double aspect = size.y > 0 ? static_cast<double>(size.x) / size.y : 1.0;
    RunHost& host = m_view.Runner();
    ShowRunState(host.View(), host.Run(), host.Fpv());
    if (ZoomToExtent(host.View(), m_view.Survey(), aspect)) m_view.RepaintNow();
}

void ViewCommands::OnStandardView(wxCommandEvent& event)
{
    static_assert(cmd::kViewWest - cmd::kViewTop == static_cast<int>(StandardView::West), "one command a view");
    const wxSize size = m_view.Canvas()->GetClientSize();
    const double aspect = size.y > 0 ? static_cast<double>(size.x) / size.y : 1.0;
    RunHost& host = m_view.Runner();
    ShowRunState(host.View(), host.Run(), host.Fpv());
    const auto which = static_cast<StandardView>(event.GetId() - cmd::kViewTop);
    if (ShowStandardView(host.View(), m_view.Survey(), aspect, which)) m_view.RepaintNow();
}

void ViewCommands::OnResetView(wxCommandEvent&)
{
    RunHost& host = m_view.Runner();
    ShowRunState(host.View(), host.Run(), host.Fpv());
    if (ResetView(host.View(), m_view.Survey())) m_view.RepaintNow();
}

void ViewCommands::OnUpdateWholeView(wxUpdateUIEvent& event)
{
    event.Enable(!m_view.Fpv().m_bFpvMode && GetDataExtent(m_view.Survey(), nullptr, nullptr));
}

void ViewCommands::OnSavePicture(wxCommandEvent&)
{
    wxFileDialog dialog(m_view.GetFrame(), "Save Picture As", wxEmptyString, "view.png", "PNG pictures (*.png)|*.png",
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK) return;
    wxString path = dialog.GetPath();
    if (path.empty()) return;
    if (!path.Lower().EndsWith(".png")) path += ".png";
    if (!m_view.SavePicture(std::string(path.utf8_str())))
        wxMessageBox("The picture could not be written:\n" + path, "Oxvell", wxOK | wxICON_WARNING, m_view.GetFrame());
}

void ViewCommands::OnUpdateSavePicture(wxUpdateUIEvent& event)
{
    // A first-person paint moves the camera on to the next node.
    event.Enable(!m_view.Fpv().m_bFpvMode);
}

static_assert(cmd::kPointBudgetOff - cmd::kPointBudget250k + 1 == std::size(kPointBudgetChoices),
              "one menu item a budget");

void ViewCommands::OnPointBudget(wxCommandEvent& event)
{
    const int32_t budget = kPointBudgetChoices[event.GetId() - cmd::kPointBudget250k];
    if (OxvellHost* host = m_view.AppHost()) (void)SavePointBudget(host->SettingsProfile(), budget);
    // The still frame does not change: nothing to repaint.
    if (m_view.ReadyToDraw())
        SetPointBudget(m_view.State(), m_view.Survey(), budget);
    else
        m_view.State().m_subset.budget = budget;
}

void ViewCommands::OnUpdatePointBudget(wxUpdateUIEvent& event)
{
    event.Check(m_view.State().m_subset.budget == kPointBudgetChoices[event.GetId() - cmd::kPointBudget250k]);
}

}  // namespace oxv
