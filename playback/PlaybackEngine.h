#pragma once

// Playback: the timer-driven flight through the survey's timeline. The
// stepping is plain logic over the run's state and the orbit camera it
// moves; everything that needs the window or GL (timers, repaint, the
// vehicle, beam lists) goes through the host that owns the run.

#include <string>

#include "playback/PlaybackParameters.h"
#include "survey/SurveyDocument.h"
#include "playback/PlaybackState.h"
#include "camera/OrbitCamera.h"

namespace oxv {

inline constexpr int kPlaybackTimerId = 1;
inline constexpr int kFpvTimerId = 200;
// The final picture of a run stays this long before playback stops.
inline constexpr double kEndHoldSeconds = 3.0;

class PlaybackHost {
public:
    virtual ~PlaybackHost() = default;
    virtual void StartTimer(int id, int periodMs) = 0;
    virtual void KillTimer(int id) = 0;
    // Draws the view and has it on screen before returning.
    virtual void RepaintNow() = 0;
    // Attitude in degrees (roll, pitch, heading), position in metres.
    virtual void SetVehiclePose(const double attitude[3], const double position[3]) = 0;
    // Compiles the beam lines of span.first .. span.last afresh into the
    // host's beam list, made when it has none (none are drawn when it
    // cannot be made).
    virtual void CompileBeamList(const SurveyDocument& doc, const FrameSpan& span) = 0;
    // The run is past its last frame: the beam list goes.
    virtual void DeleteBeamList() = 0;
};

void StartPlayback(PlaybackState& run, OrbitCamera& camera, const SurveyDocument& doc, PlaybackHost& host);
void StopPlayback(PlaybackState& run, PlaybackHost& host);
void TogglePause(PlaybackState& run);
// A window timer message: playback steps on timer 1, the first-person
// camera repaints on timer 200.
void OnTimer(PlaybackState& run, OrbitCamera& camera, const SurveyDocument& doc, PlaybackHost& host, int id);
// Advances one frame; called only by OnTimer.
void StepPlayback(PlaybackState& run, OrbitCamera& camera, const SurveyDocument& doc, PlaybackHost& host);

// The Parameter command up to its dialog: false when it cannot run (no
// timeline or point image, or playing). Otherwise a paused run is stopped,
// the view repainted, and `values` holds what the dialog starts from.
[[nodiscard]] bool BeginParameterEdit(PlaybackState& run, const SurveyDocument& doc, PlaybackHost& host, PlaybackDialogValues& values);

// Timer period for a frame period in seconds: whole milliseconds, at least 1.
int PlaybackTimerPeriodMs(double interval);

enum class PlaybackCommand { Start, PauseResume, Stop, Parameter };

struct PlaybackCommandState {
    bool enabled = false;
    bool setCheck = true;  // false leaves the check mark as it was
    bool checked = false;
    std::string text;  // empty leaves the caption as it is
};

// The update rule of a playback command.
PlaybackCommandState GetPlaybackCommandState(const PlaybackState& run, const SurveyDocument& doc, PlaybackCommand command);

}  // namespace oxv
