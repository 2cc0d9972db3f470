#include "app/FovDlg.h"

#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdio>

#include "playback/PlaybackParameters.h"
#include "playback/DialogRules.h"

CFovDlg::CFovDlg(wxWindow* parent, double fov) : wxDialog(parent, wxID_ANY, "Auto Camera FOV Dialog"), m_dFov(fov)
{
    auto at = [this](int x, int y) { return ConvertDialogToPixels(wxPoint(x, y)); };
    auto size = [this](int w, int h) { return ConvertDialogToPixels(wxSize(w, h)); };
    new wxStaticText(this, wxID_ANY, "FOV", at(72, 54), size(14, 12));
    char text[64];
    std::snprintf(text, sizeof text, "%.2lf", m_dFov);
    m_fov = new wxTextCtrl(this, IDC_FOV, text, at(102, 54), size(40, 14));
    new wxStaticText(this, wxID_ANY, "[deg]", at(150, 54), size(18, 12));
    auto* ok = new wxButton(this, wxID_OK, "OK", at(205, 164), size(50, 14));
    ok->SetDefault();
    new wxButton(this, wxID_CANCEL, "Cancel", at(259, 164), size(50, 14));
    SetClientSize(size(316, 185));
    Bind(wxEVT_BUTTON, &CFovDlg::OnOk, this, wxID_OK);
    CentreOnParent();
}

void CFovDlg::OnOk(wxCommandEvent&)
{
    // An angle that is not one would leave the first-person view black.
    const oxv::FovReading reading = oxv::ReadFovText(std::string(m_fov->GetValue().utf8_str()));
    if (!reading.degrees) {
        wxMessageBox(wxString::FromUTF8(reading.refused.c_str()), "Oxvell", wxOK | wxICON_WARNING, this);
        return;
    }
    m_dFov = *reading.degrees;
    EndModal(wxID_OK);
}
