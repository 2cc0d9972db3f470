#include "app/PBDlg.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dirdlg.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <climits>

#include "playback/DialogRules.h"

namespace {

std::string Text(const wxTextCtrl* control) { return std::string(control->GetValue().utf8_str()); }

wxString FromUtf8(const std::string& text) { return wxString::FromUTF8(text.c_str()); }

int ClampToInt(long v) { return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v); }

}  // namespace

wxString BrowseForFolder(wxWindow* parent, const wxString& initial)
{
    wxDirDialog dialog(parent, "Select Output folder", initial, wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK) return wxString();
    return dialog.GetPath();
}

CPBDlg::CPBDlg(wxWindow* parent, oxv::PlaybackDialogValues& values, Validator validate, FolderChooser chooseFolder)
    : wxDialog(parent, wxID_ANY, "Playback Parameter Dialog"),
      m_dSpeedPercent(values.m_dSpeedPercent),
      m_nIntervalMs(values.m_nIntervalMs),
      m_pParams(&values.params),
      m_values(values),
      m_validate(std::move(validate)),
      m_chooseFolder(chooseFolder ? std::move(chooseFolder) : FolderChooser(BrowseForFolder))
{
    // Laid out in dialog units, so the layout follows the font as a
    // resource template would.
    auto at = [this](int x, int y) { return ConvertDialogToPixels(wxPoint(x, y)); };
    auto size = [this](int w, int h) { return ConvertDialogToPixels(wxSize(w, h)); };
    auto label = [&](const char* text, int x, int y, int w) { new wxStaticText(this, wxID_ANY, text, at(x, y), size(w, 12)); };
    auto edit = [&](int id, int x, int y, int w, long style = 0) {
        return new wxTextCtrl(this, id, wxString(), at(x, y), size(w, 14), style);
    };
    auto check = [&](int id, const char* text, int x, int y, int w) {
        return new wxCheckBox(this, id, text, at(x, y), size(w, 10));
    };

    label("Playback speed", 18, 12, 54);
    m_speed = edit(IDC_SPEED, 84, 12, 40);
    label("[%]", 132, 12, 24);
    label("Frame rate", 18, 36, 54);
    m_interval = edit(IDC_INTERVAL, 84, 36, 40);
    label("[ms]", 132, 36, 24);
    m_recordVideo = check(IDC_RECORD_VIDEO, "Video Recording", 18, 66, 67);
    m_folder = edit(IDC_OUTPUT_FOLDER, 96, 66, 162, wxTE_READONLY);
    new wxButton(this, IDC_BROWSE, "...", at(264, 66), size(18, 14));
    m_trackVehicle = check(IDC_TRACK_VEHICLE, "Track Vehicle", 18, 84, 57);
    m_autoCamera = check(IDC_AUTO_CAMERA, "Auto Camera", 18, 102, 58);
    label("Near", 18, 120, 54);
    m_near = edit(IDC_NEAR, 84, 120, 40);
    label("[m]", 132, 120, 24);
    label("Far", 18, 139, 54);
    m_far = edit(IDC_FAR, 84, 139, 40);
    label("[m]", 132, 139, 24);
    label("Speed", 18, 157, 54);
    m_cameraSpeed = edit(IDC_CAMERA_SPEED, 84, 157, 40);
    label("[m/s]", 132, 157, 24);
    label("Pan rate", 18, 176, 54);
    m_panRate = edit(IDC_PAN_RATE, 84, 176, 40);
    label("[deg/s]", 132, 176, 24);
    m_ok = new wxButton(this, wxID_OK, "OK", at(205, 182), size(50, 14));
    m_ok->SetDefault();
    new wxButton(this, wxID_CANCEL, "Cancel", at(259, 182), size(50, 14));
    SetClientSize(size(316, 209));

    // ChangeValue sends no change events: the OK rule starts from the
    // values as they are.
    m_speed->ChangeValue(FromUtf8(oxv::FormatSpeedPercent(m_dSpeedPercent)));
    m_interval->ChangeValue(FromUtf8(oxv::FormatIntervalMs(m_nIntervalMs)));
    m_near->ChangeValue(FromUtf8(oxv::FormatCameraValue(m_pParams->nearDistance)));
    m_far->ChangeValue(FromUtf8(oxv::FormatCameraValue(m_pParams->farDistance)));
    m_cameraSpeed->ChangeValue(FromUtf8(oxv::FormatCameraValue(m_pParams->cameraSpeed)));
    m_panRate->ChangeValue(FromUtf8(oxv::FormatCameraValue(m_pParams->panRate)));
    m_recordVideo->SetValue(m_pParams->recordVideo != 0);
    m_autoCamera->SetValue(m_pParams->autoCamera != 0);
    m_trackVehicle->SetValue(m_pParams->trackVehicle != 0);
    m_folder->ChangeValue(m_pParams->outputFolder ? FromUtf8(*m_pParams->outputFolder) : wxString());

    Bind(wxEVT_TEXT, &CPBDlg::OnSpeedChanged, this, IDC_SPEED);
    Bind(wxEVT_TEXT, &CPBDlg::OnIntervalChanged, this, IDC_INTERVAL);
    Bind(wxEVT_BUTTON, &CPBDlg::OnBrowse, this, IDC_BROWSE);
    Bind(wxEVT_BUTTON, &CPBDlg::OnOk, this, wxID_OK);
    CentreOnParent();
}

void CPBDlg::OnSpeedChanged(wxCommandEvent&)
{
    m_dSpeedPercent = oxv::ReadLeadingDouble(Text(m_speed));
    m_ok->Enable(oxv::SpeedAllowsOk(m_dSpeedPercent));
}

void CPBDlg::OnIntervalChanged(wxCommandEvent&)
{
    const long ms = oxv::ReadLeadingLong(Text(m_interval));
    m_nIntervalMs = ClampToInt(ms);
    m_ok->Enable(oxv::IntervalAllowsOk(ms));
}

void CPBDlg::OnBrowse(wxCommandEvent&)
{
    const wxString chosen = m_chooseFolder(this, m_folder->GetValue());
    if (chosen.empty()) return;
    m_folder->ChangeValue(chosen);
    m_recordVideo->SetValue(true);
}

void CPBDlg::OnOk(wxCommandEvent&)
{
    const double speed = oxv::ReadLeadingDouble(Text(m_speed));
    const long interval = oxv::ReadLeadingLong(Text(m_interval));
    // Either field may still hold 0 (the last edited one decides the
    // button), and a tiny speed asks for more frames than can be held.
    const std::string refused = m_validate ? m_validate(speed, interval) : std::string();
    if (!refused.empty()) {
        wxMessageBox(FromUtf8(refused), "Oxvell", wxOK | wxICON_WARNING, this);
        return;
    }
    // Recording without a folder would silently write nothing: the folder
    // is asked for, and without one the dialog stays open and says why.
    if (m_recordVideo->GetValue() && Text(m_folder).empty()) {
        const wxString chosen = m_chooseFolder(this, wxString());
        if (!chosen.empty()) m_folder->ChangeValue(chosen);
    }
    const std::string noFolder = oxv::RecordingFolderRefuseReason(m_recordVideo->GetValue(), Text(m_folder));
    if (!noFolder.empty()) {
        wxMessageBox(FromUtf8(noFolder), "Oxvell", wxOK | wxICON_WARNING, this);
        return;
    }
    m_values.m_dSpeedPercent = speed;
    m_values.m_nIntervalMs = ClampToInt(interval);
    m_values.params.nearDistance = oxv::ReadLeadingDouble(Text(m_near));
    m_values.params.farDistance = oxv::ReadLeadingDouble(Text(m_far));
    m_values.params.cameraSpeed = oxv::ReadLeadingDouble(Text(m_cameraSpeed));
    m_values.params.panRate = oxv::ReadLeadingDouble(Text(m_panRate));
    m_values.params.recordVideo = m_recordVideo->GetValue() ? 1 : 0;
    m_values.params.autoCamera = m_autoCamera->GetValue() ? 1 : 0;
    m_values.params.trackVehicle = m_trackVehicle->GetValue() ? 1 : 0;
    const std::string folder = Text(m_folder);
    if (folder.empty())
        m_values.params.outputFolder.reset();
    else
        m_values.params.outputFolder = folder;
    m_dSpeedPercent = m_values.m_dSpeedPercent;
    m_nIntervalMs = m_values.m_nIntervalMs;
    EndModal(wxID_OK);
}
