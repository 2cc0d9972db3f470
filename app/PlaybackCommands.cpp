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

namespace cmd = oxv::cmd;

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

oxv::PlaybackCommand CommandOf(int id)
{
    switch (id) {
    case cmd::kPlayStart: return oxv::PlaybackCommand::Start;
    case cmd::kPlayPause: return oxv::PlaybackCommand::PauseResume;
    case cmd::kPlayStop: return oxv::PlaybackCommand::Stop;
    default: return oxv::PlaybackCommand::Parameter;
    }
}

}  // namespace

PlaybackCommands::PlaybackCommands(COxvellView& view) : m_view(view) {}

void PlaybackCommands::OnStart(wxCommandEvent&)
{
    oxv::RunHost& host = m_view.Runner();
    if (const oxv::SurveyDocument* doc = m_view.Survey()) oxv::StartPlayback(host.Run(), host.View().m_camera, *doc, host);
}

void PlaybackCommands::OnPause(wxCommandEvent&)
{
    oxv::TogglePause(m_view.Run());
}

void PlaybackCommands::OnStop(wxCommandEvent&)
{
    oxv::StopPlayback(m_view.Run(), m_view.Runner());
}

void PlaybackCommands::OnParameter(wxCommandEvent&)
{
    COxvellDoc* doc = m_view.Doc();
    if (!doc) return;
    oxv::SurveyDocument& survey = doc->Survey();
    oxv::PlaybackDialogValues values;
    if (!oxv::BeginParameterEdit(m_view.Run(), survey, m_view.Runner(), values)) return;
    CPBDlg dialog(m_view.GetFrame(), values, [&survey](double speedPercent, long intervalMs) {
        return oxv::RefuseReason(survey, speedPercent, intervalMs);
    });
    if (dialog.ShowModal() != wxID_OK) return;
    // Playback stays stopped; the new timeline shows with the next Start.
    oxv::MemoryProfile unsaved;
    COxvellHost* host = m_view.AppHost();
    (void)oxv::ApplyPlaybackDialog(survey, host ? host->SettingsProfile() : unsaved, values);
}

void PlaybackCommands::OnUpdatePlayback(wxUpdateUIEvent& event)
{
    static const oxv::SurveyDocument kNoDocument;
    const oxv::SurveyDocument* doc = m_view.Survey();
    const oxv::PlaybackCommandState s =
        oxv::GetPlaybackCommandState(m_view.Run(), doc ? *doc : kNoDocument, CommandOf(event.GetId()));
    event.Enable(s.enabled);
    if (s.setCheck) event.Check(s.checked);
    if (!s.text.empty()) event.SetText(wxString::FromUTF8(s.text.c_str()));
}

void PlaybackCommands::OnFpvMode(wxCommandEvent&)
{
    oxv::RunHost& host = m_view.Runner();
    oxv::ToggleFpvMode(host.Fpv(), host.View().m_camera, host);
}

void PlaybackCommands::OnUpdateFpvMode(wxUpdateUIEvent& event)
{
    const oxv::FpvCommandState s = oxv::GetFpvCommandState(m_view.Fpv(), m_view.State().m_nCameraPathList != 0);
    event.Enable(s.enabled);
    event.Check(s.checked);
}

void PlaybackCommands::OnFpvFov(wxCommandEvent&)
{
    oxv::RunHost& host = m_view.Runner();
    oxv::BeginFovEdit(host.Fpv(), host);
    CFovDlg dialog(m_view.GetFrame(), host.Fpv().m_dFpvFov);
    const bool ok = dialog.ShowModal() == wxID_OK;
    oxv::EndFovEdit(host.Fpv(), host, ok, dialog.m_dFov);
}
