#include "app/PlaybackCommands.h"

#include "app/CommandIds.h"
#include "app/FovDlg.h"
#include "app/OxvellDoc.h"
#include "app/OxvellHost.h"
#include "app/OxvellView.h"
#include "app/PBDlg.h"
#include "base/Profile.h"
#include "playback/FpvCamera.h"
#include "playback/PlaybackParameters.h"

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
    if (const SurveyDocument* doc = m_view.Survey()) StartPlayback(host.Run(), host.View().m_camera, *doc, host);
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
    if (!s.text.empty()) event.SetText(wxString::FromUTF8(s.text.c_str()));
}

void PlaybackCommands::OnFpvMode(wxCommandEvent&)
{
    RunHost& host = m_view.Runner();
    ToggleFpvMode(host.Fpv(), host.View().m_camera, host);
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
