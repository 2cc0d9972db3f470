#include "app/OxvellDoc.h"

#include <algorithm>

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/progdlg.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

#include "app/CommandIds.h"
#include "app/OxvellHost.h"
#include "app/OxvellView.h"
#include "base/FileReading.h"
#include "base/Profile.h"

namespace {

const char* StageText(oxv::LoadStage stage)
{
    switch (stage) {
    case oxv::LoadStage::Read: return "Reading the survey...";
    case oxv::LoadStage::ValueRanges: return "Computing the value ranges...";
    case oxv::LoadStage::Timeline: return "Building the playback timeline...";
    case oxv::LoadStage::ScannerPath: return "Building the scanner path...";
    }
    return "";
}

// The load's conversation with the user: plain message boxes, a busy cursor
// for the duration of the load, and for a load that is still going after
// about a second a progress dialog whose Cancel stops it.
class MessageBoxObserver final : public oxv::LoadObserver {
public:
    void BeginWait() override
    {
        m_busy = std::make_unique<wxBusyCursor>();
        m_clock.Start();
    }
    void EndWait() override
    {
        m_dialog.reset();
        m_busy.reset();
    }
    void ShowMessage(std::string_view text) override
    {
        // The busy cursor and the progress dialog would otherwise stay over
        // the message box.
        m_dialog.reset();
        std::unique_ptr<wxBusyCursor> busy = std::move(m_busy);
        busy.reset();
        wxMessageBox(wxString::FromUTF8(text.data(), text.size()), wxTheApp->GetAppDisplayName(), wxOK);
    }
    void Stage(oxv::LoadStage stage) override { m_stage = stage; }
    bool Progress(double fraction) override
    {
        constexpr int kSteps = 1000;
        const int value = std::clamp(static_cast<int>(fraction * kSteps), 0, kSteps);
        if (!m_dialog) {
            // Short loads finish before anyone could read a dialog; only one
            // that is not nearly done after a second gets one.
            if (m_clock.Time() < 1000 || value >= kSteps) return true;
            m_dialog = std::make_unique<wxProgressDialog>(
                "Opening", StageText(m_stage), kSteps, wxTheApp->GetTopWindow(),
                wxPD_APP_MODAL | wxPD_CAN_ABORT | wxPD_ELAPSED_TIME | wxPD_REMAINING_TIME | wxPD_SMOOTH);
        }
        // Reaching the maximum would close the dialog before the load ends.
        return m_dialog->Update(std::min(value, kSteps - 1), StageText(m_stage));
    }

private:
    std::unique_ptr<wxBusyCursor> m_busy;
    std::unique_ptr<wxProgressDialog> m_dialog;
    wxStopWatch m_clock;
    oxv::LoadStage m_stage = oxv::LoadStage::Read;
};

void ShowCannotOpen(const wxString& path, const std::string& reason)
{
    wxMessageBox(wxString::Format("Cannot open file \"%s\".\n%s", path, wxString::FromUTF8(reason.c_str())),
                 wxTheApp->GetAppDisplayName(), wxOK | wxICON_EXCLAMATION);
}

}  // namespace

wxIMPLEMENT_DYNAMIC_CLASS(COxvellDoc, wxDocument);

wxBEGIN_EVENT_TABLE(COxvellDoc, wxDocument)
    EVT_UPDATE_UI(oxv::cmd::kFileSave, COxvellDoc::OnUpdateFileSave)
    EVT_UPDATE_UI(oxv::cmd::kFileSaveAs, COxvellDoc::OnUpdateFileSave)
    EVT_MENU(oxv::cmd::kImportCameraPath, COxvellDoc::OnImportCameraPath)
    EVT_UPDATE_UI(oxv::cmd::kImportCameraPath, COxvellDoc::OnUpdateImportCameraPath)
    EVT_MENU(oxv::cmd::kImportTrajectory, COxvellDoc::OnImportTrajectory)
    EVT_UPDATE_UI(oxv::cmd::kImportTrajectory, COxvellDoc::OnUpdateImportCameraPath)
wxEND_EVENT_TABLE()

bool COxvellDoc::OnNewDocument()
{
    if (!wxDocument::OnNewDocument()) return false;
    m_survey.NewDocument();
    return true;
}

bool COxvellDoc::OnOpenDocument(const wxString& path)
{
    const std::string file(path.utf8_str());
    // Asked first, without waiting on a pipe: a folder or a pipe is refused
    // before the survey that is open goes.
    if (const std::string why = oxv::CannotOpenReason(file); !why.empty()) {
        ShowCannotOpen(path, why);
        return false;
    }
    // The file is there to be read, and whatever comes of reading it the
    // survey that is open now goes: giving its memory back first (image,
    // timeline and the views' lists) keeps one survey in memory, not two.
    ReleaseSurvey();
    oxv::MemoryProfile noSettings;
    oxv::Profile& profile = m_host ? m_host->SettingsProfile() : static_cast<oxv::Profile&>(noSettings);
    MessageBoxObserver observer;
    m_lastLoad = m_survey.LoadPointFile(file, profile, observer);
    if (m_lastLoad == oxv::LoadStatus::CannotOpen) {
        // Gone or changed between the two opens; the survey was already
        // given back, so the window shows an empty document.
        const std::string why = oxv::CannotOpenReason(file);
        ShowCannotOpen(path, why.empty() ? std::string("the file changed while it was being opened") : why);
        return false;
    }
    // The survey is shown either way; without this the Play commands would
    // just stay grey with no word of why.
    if (m_lastLoad == oxv::LoadStatus::Ok && !m_survey.TimelineProblem().empty())
        wxMessageBox("Playback is unavailable for this survey at these settings:\n" +
                         wxString::FromUTF8(m_survey.TimelineProblem().c_str()),
                     wxTheApp->GetAppDisplayName(), wxOK | wxICON_INFORMATION);
    return true;
}

void COxvellDoc::TakeNewDocumentName()
{
    const wxString name = GetDocumentManager() ? GetDocumentManager()->MakeNewDocumentName() : wxString("Untitled");
    SetTitle(name);
    SetFilename(name, true);
}

namespace {

// The update hint of a replaced camera path.
constexpr intptr_t kCameraPathHint = 100;
// The update hint of a survey given back before the next one is read.
constexpr intptr_t kSurveyReleaseHint = 101;

}  // namespace

void COxvellDoc::NotifyCameraPathChanged()
{
    UpdateAllViews(nullptr, reinterpret_cast<wxObject*>(kCameraPathHint));
}

bool COxvellDoc::IsCameraPathChange(const wxObject* hint)
{
    return reinterpret_cast<intptr_t>(hint) == kCameraPathHint;
}

void COxvellDoc::ReleaseSurvey()
{
    UpdateAllViews(nullptr, reinterpret_cast<wxObject*>(kSurveyReleaseHint));
    m_survey.NewDocument();
}

bool COxvellDoc::IsSurveyRelease(const wxObject* hint)
{
    return reinterpret_cast<intptr_t>(hint) == kSurveyReleaseHint;
}

void COxvellDoc::OnUpdateFileSave(wxUpdateUIEvent& event)
{
    event.Enable(false);
}

void COxvellDoc::OnImportCameraPath(wxCommandEvent&)
{
    // The user picks any file of the navigation folder; only its folder counts.
    wxFileDialog dialog(GetDocumentWindow(), "Open", wxEmptyString, "gps_tw.txt;navx.txt;geo.txt",
                        "gps_tw.txt,navx.txt and geo.txt(*.txt)|*.txt", wxFD_OPEN);
    if (dialog.ShowModal() != wxID_OK) return;
    wxBusyCursor wait;
    const wxString folder = wxFileName(dialog.GetPath()).GetPath();
    if (m_survey.ImportCameraPath(std::string(folder.utf8_str())) == oxv::CameraPathSource::None) {
        if (!m_survey.CameraPathProblem().empty())
            wxMessageBox(wxString::FromUTF8(m_survey.CameraPathProblem().c_str()), wxTheApp->GetAppDisplayName(),
                         wxOK | wxICON_INFORMATION);
        return;
    }
    const wxString cache = wxFileName(folder, oxv::kCameraPathCacheName).GetFullPath();
    // A cache that could not be written is no failure of the import.
    m_cameraPathCache = wxFileExists(cache) ? std::string(cache.utf8_str()) : std::string("not written");
    NotifyCameraPathChanged();
}

void COxvellDoc::OnImportTrajectory(wxCommandEvent&)
{
    wxFileDialog dialog(GetDocumentWindow(), "Import Trajectory", wxEmptyString, wxEmptyString,
                        "Trajectories (*.out;*.sbet;*.txt;*.csv)|*.out;*.sbet;*.txt;*.csv|All Files (*.*)|*",
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK) return;
    // Playback and the flight read the image that is about to be replaced.
    if (auto* view = wxDynamicCast(GetFirstView(), COxvellView)) view->EndRunsForNewDocument();
    oxv::TrajectoryStatus status;
    {
        wxBusyCursor wait;
        status = m_survey.AttachTrajectory(std::string(dialog.GetPath().utf8_str()));
    }
    if (status != oxv::TrajectoryStatus::Attached) {
        const char* first = status == oxv::TrajectoryStatus::CannotOpen      ? "Cannot open the trajectory"
                            : status == oxv::TrajectoryStatus::BadFile       ? "Trajectory format error"
                            : status == oxv::TrajectoryStatus::NotEnoughMemory ? "Not enough memory"
                                                                              : "The trajectory cannot be used";
        wxMessageBox(wxString(first) + "\n" + dialog.GetPath() + ": " +
                         wxString::FromUTF8(m_survey.TrajectoryProblem().c_str()),
                     wxTheApp->GetAppDisplayName(), wxOK | wxICON_EXCLAMATION);
        return;
    }
    // The view rebuilds every list on this, as the sensor channels want.
    NotifyCameraPathChanged();
}

void COxvellDoc::OnUpdateImportCameraPath(wxUpdateUIEvent& event)
{
    event.Enable(m_survey.IsLoaded());
}
