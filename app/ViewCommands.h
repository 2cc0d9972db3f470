#pragma once

#include <wx/event.h>

class COxvellView;

namespace oxv {

// The View menu's commands and their update rules: colour modes, the show
// toggles, point size and smoothing, the display sizes, the whole-survey
// views and the standard views, the point budget and Save Picture As.
class ViewCommands final : public wxEvtHandler {
public:
    explicit ViewCommands(COxvellView& view);

private:
    void OnColorMode(wxCommandEvent& event);
    void OnUpdateColorMode(wxUpdateUIEvent& event);
    void OnShowToggle(wxCommandEvent& event);
    void OnUpdateShowToggle(wxUpdateUIEvent& event);
    void OnPointSize(wxCommandEvent& event);
    void OnUpdatePointSize(wxUpdateUIEvent& event);
    void OnAntiAlias(wxCommandEvent& event);
    void OnUpdateAntiAlias(wxUpdateUIEvent& event);
    void OnDisplaySize(wxCommandEvent& event);
    void OnZoomToExtent(wxCommandEvent& event);
    void OnStandardView(wxCommandEvent& event);
    void OnResetView(wxCommandEvent& event);
    void OnUpdateWholeView(wxUpdateUIEvent& event);
    void OnSavePicture(wxCommandEvent& event);
    void OnUpdateSavePicture(wxUpdateUIEvent& event);
    void OnPointBudget(wxCommandEvent& event);
    void OnUpdatePointBudget(wxUpdateUIEvent& event);

    COxvellView& m_view;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace oxv
