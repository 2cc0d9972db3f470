#pragma once

#include <wx/event.h>

class COxvellView;

namespace oxv {

// The Video menu's commands and their update rules: Start, Pause, Stop and
// Parameter of playback, FPV Camera Mode and its field of view, and the
// toolbar's recording mark.
class PlaybackCommands final : public wxEvtHandler {
public:
    explicit PlaybackCommands(COxvellView& view);

private:
    void OnStart(wxCommandEvent& event);
    void OnPause(wxCommandEvent& event);
    void OnStop(wxCommandEvent& event);
    void OnParameter(wxCommandEvent& event);
    void OnUpdatePlayback(wxUpdateUIEvent& event);
    void OnFpvMode(wxCommandEvent& event);
    void OnUpdateFpvMode(wxUpdateUIEvent& event);
    void OnFpvFov(wxCommandEvent& event);
    void OnUpdateRecordingMark(wxUpdateUIEvent& event);

    COxvellView& m_view;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace oxv
