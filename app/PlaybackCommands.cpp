#include "app/PlaybackCommands.h"

#include <wx/menu.h>

#include "app/CommandIds.h"
#include "app/FovDlg.h"
#include "app/OxvellDoc.h"
#include "app/OxvellHost.h"
#include "app/OxvellView.h"
#include "app/PBDlg.h"
#include "app/RecordingPrompt.h"
#include "base/Profile.h"
#include "playback/FpvCamera.h"
#include "playback/FrameRecording.h"
#include "playback/PlaybackParameters.h"
#include "survey/PlaybackSettings.h"

namespace oxv {


wxBEGIN_EVENT_TABLE(PlaybackCommands, wxEvtHandler)
    EVT_MENU(cmd::kPlayStart, PlaybackCommands::OnStart)
    EVT_UPDATE_UI(cmd::kPlayStart, PlaybackCommands::OnUpdatePlayback)
    EVT_MENU(cmd::kPlayPause, PlaybackCommands::OnPause)
    EVT_UPDATE_UI(cmd::kPlayPause, PlaybackCommands::OnUpdatePlayback)
    EVT_MENU(cmd::kPlayStop, PlaybackCommands::OnStop)
    EVT_UPDATE_UI(cmd::kPlayStop, PlaybackCommands::OnUpdatePlayback)
    EVT_MENU(cmd::kPlayParameter, PlaybackCommands::OnParameter)
    EVT_UPDATE_UI(cmd::kPlayParameter, PlaybackCommands::OnUpdatePlayback)
    EVT_MENU(cmd::kFpvMode, PlaybackCommands::OnFpvMode)
    EVT_UPDATE_UI(cmd::kFpvMode, PlaybackCommands::OnUpdateFpvMode)
    EVT_MENU(cmd::kFpvFov, PlaybackCommands::OnFpvFov)
    EVT_UPDATE_UI(cmd::kRecordingMark, PlaybackCommands::OnUpdateRecordingMark)
wxEND_EVENT_TABLE()

namespace {

PlaybackCommand CommandOf(int id)
{
    switch (id) {
    case cmd::kPlayStart: return PlaybackCommand::Start;
    case cmd::kPlayPause: return PlaybackCommand::PauseResume;
    case cmd::kPlayStop: return PlaybackCommand::Stop;
    default: return PlaybackCommand::Parameter;
    }
}

}  // namespace

PlaybackCommands::PlaybackCommands(COxvellView& view) : m_view(view) {}

void PlaybackCommands::OnStart(wxCommandEvent&)
{
    RunHost& host = m_view.Runner();
    COxvellDoc* owner = m_view.Doc();
    if (!owner) return;
    SurveyDocument& doc = owner->Survey();
    // A run that records never writes over an earlier run's frames unasked.
    PlaybackParams* params = doc.m_pPlaybackParams.get();
    if (doc.m_pTimeline && params && params->recordVideo && params->outputFolder) {
        std::string folder = *params->outputFolder;
        if (!ConfirmFrameFolder(m_view.GetFrame(), folder, m_view.FolderChooser())) return;
        if (folder != *params->outputFolder) {
            // The chosen folder is the one the Parameter dialog shows next.
            params->outputFolder = folder;
            if (OxvellHost* app = m_view.AppHost()) (void)SavePlaybackParams(app->SettingsProfile(), *params);
        }
    }
    StartPlayback(host.Run(), host.View().m_camera, doc, host);
}

void PlaybackCommands::OnPause(wxCommandEvent&)
{
    TogglePause(m_view.Run());
}

void PlaybackCommands::OnStop(wxCommandEvent&)
{
    StopPlayback(m_view.Run(), m_view.Runner());
}

void PlaybackCommands::OnParameter(wxCommandEvent&)
{
    COxvellDoc* doc = m_view.Doc();
    if (!doc) return;
    SurveyDocument& survey = doc->Survey();
    PlaybackDialogValues values;
    if (!BeginParameterEdit(m_view.Run(), survey, m_view.Runner(), values)) return;
    CPBDlg dialog(m_view.GetFrame(), values, [&survey](double speedPercent, long intervalMs) {
        return RefuseReason(survey, speedPercent, intervalMs);
    });
    if (dialog.ShowModal() != wxID_OK) return;
    // Playback stays stopped; the new timeline shows with the next Start.
    MemoryProfile unsaved;
    OxvellHost* host = m_view.AppHost();
    (void)ApplyPlaybackDialog(survey, host ? host->SettingsProfile() : unsaved, values);
}

void PlaybackCommands::OnUpdatePlayback(wxUpdateUIEvent& event)
{
    static const SurveyDocument kNoDocument;
    const SurveyDocument* doc = m_view.Survey();
    const PlaybackCommandState s =
        GetPlaybackCommandState(m_view.Run(), doc ? *doc : kNoDocument, CommandOf(event.GetId()));
    event.Enable(s.enabled);
    if (s.setCheck) event.Check(s.checked);
    if (s.text.empty()) return;
    // Space starts, pauses and resumes; both items say so. The label is set
    // only when it changes: the toolkit rebuilds the item and its key for a
    // new label, and menus are updated on every idle moment of a run.
    const wxString text = wxString::FromUTF8(s.text.c_str()) + "\tSpace";
    // The toolbar sends these too: only a menu has items to look in.
    const auto* menu = dynamic_cast<const wxMenu*>(event.GetEventObject());
    const wxMenuItem* item = menu ? menu->FindItem(event.GetId()) : nullptr;
    if (!item || item->GetItemLabel() != text) event.SetText(text);
}

void PlaybackCommands::OnFpvMode(wxCommandEvent&)
{
    RunHost& host = m_view.Runner();
    // A flight records from its first frame: whether it can is settled
    // before it starts, never found out frame by frame.
    if (!host.Fpv().m_bFpvMode && !PrepareFirstPersonRecording(m_view.GetFrame(), host, m_view.FolderChooser())) return;
    ToggleFpvMode(host.Fpv(), host.View().m_camera, host);
}

void PlaybackCommands::OnUpdateRecordingMark(wxUpdateUIEvent& event)
{
    event.SetText(m_view.RecordingMark());
}

void PlaybackCommands::OnUpdateFpvMode(wxUpdateUIEvent& event)
{
    const FpvCommandState s = GetFpvCommandState(m_view.Fpv(), m_view.State().m_nCameraPathList != 0);
    event.Enable(s.enabled);
    event.Check(s.checked);
}

void PlaybackCommands::OnFpvFov(wxCommandEvent&)
{
    RunHost& host = m_view.Runner();
    BeginFovEdit(host.Fpv(), host);
    CFovDlg dialog(m_view.GetFrame(), host.Fpv().m_dFpvFov);
    const bool ok = dialog.ShowModal() == wxID_OK;
    EndFovEdit(host.Fpv(), host, ok, dialog.m_dFov);
}

}  // namespace oxv
