#pragma once

#include <wx/dialog.h>

class wxTextCtrl;

// "Auto Camera FOV Dialog": the first-person camera's field of view.
class CFovDlg : public wxDialog {
public:
    enum ControlId { IDC_FOV = 1000 };

    CFovDlg(wxWindow* parent, double fov);

    double m_dFov;

private:
    void OnOk(wxCommandEvent& event);

    wxTextCtrl* m_fov = nullptr;
};
