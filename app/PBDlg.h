#pragma once

#include <wx/dialog.h>

#include <functional>

#include "playback/PlaybackParameters.h"

class wxCheckBox;
class wxTextCtrl;
class wxButton;

// "Playback Parameter Dialog": playback speed and frame period, Video
// Recording with its output folder, Track Vehicle, Auto Camera and its
// distances, speed and pan rate. Edits the values it is given in place;
// they change only when the dialog ends with OK.
class CPBDlg : public wxDialog {
public:
    enum ControlId {
        IDC_SPEED = 1000,
        IDC_INTERVAL = 1001,
        IDC_NEAR = 1002,
        IDC_FAR = 1003,
        IDC_RECORD_VIDEO = 1004,
        IDC_CAMERA_SPEED = 1005,
        IDC_PAN_RATE = 1006,
        IDC_AUTO_CAMERA = 1007,
        IDC_OUTPUT_FOLDER = 1008,
        IDC_BROWSE = 1009,
        IDC_TRACK_VEHICLE = 1010,
    };

    // `chooseFolder` shows the folder chooser (the window's own by default;
    // tests replace it) and returns the chosen path, empty when cancelled.
    using FolderChooser = std::function<wxString(wxWindow* parent, const wxString& initial)>;
    // Why speed and frame period cannot be used (empty when they can): OK
    // then stays open and says so.
    using Validator = std::function<std::string(double speedPercent, long intervalMs)>;

    CPBDlg(wxWindow* parent, oxv::PlaybackDialogValues& values, Validator validate = {}, FolderChooser chooseFolder = {});

    double m_dSpeedPercent;
    int m_nIntervalMs;
    oxv::PlaybackParams* m_pParams;

private:
    void OnSpeedChanged(wxCommandEvent& event);
    void OnIntervalChanged(wxCommandEvent& event);
    void OnBrowse(wxCommandEvent& event);
    void OnOk(wxCommandEvent& event);

    oxv::PlaybackDialogValues& m_values;
    Validator m_validate;
    FolderChooser m_chooseFolder;
    wxTextCtrl* m_speed = nullptr;
    wxTextCtrl* m_interval = nullptr;
    wxTextCtrl* m_near = nullptr;
    wxTextCtrl* m_far = nullptr;
    wxTextCtrl* m_cameraSpeed = nullptr;
    wxTextCtrl* m_panRate = nullptr;
    wxTextCtrl* m_folder = nullptr;
    wxCheckBox* m_recordVideo = nullptr;
    wxCheckBox* m_trackVehicle = nullptr;
    wxCheckBox* m_autoCamera = nullptr;
    wxButton* m_ok = nullptr;
};

// The platform's folder chooser: "Select Output folder", file-system
// folders only, opening on `initial`. Empty when cancelled.
wxString BrowseForFolder(wxWindow* parent, const wxString& initial);
