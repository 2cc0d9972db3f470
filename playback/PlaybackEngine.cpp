#include "playback/PlaybackEngine.h"

#include <cmath>

#include "base/NumericConversion.h"

namespace oxv {

namespace {

bool AutoCameraOn(const SurveyDocument& doc) { return doc.m_pPlaybackParams && doc.m_pPlaybackParams->autoCamera; }

void PlaceVehicle(PlaybackState& run, OrbitCamera& camera, const SurveyDocument& doc, PlaybackHost& host)
{
    Pose pose{};
    // The pose at the end of the frame being stepped; a one-frame timeline
    // has none and leaves the vehicle where it is.
    if (!doc.InterpolatePoseAt(run.m_nFrame + 1, pose)) return;
    const double attitude[3] = {pose.v[kRoll] / 1000.0, pose.v[kPitch] / 1000.0, pose.v[kHeading] / 1000.0};
    const double position[3] = {pose.v[kPosX] / 1000.0, pose.v[kPosY] / 1000.0, pose.v[kPosZ] / 1000.0};
    host.SetVehiclePose(attitude, position);
    if (doc.m_pPlaybackParams && doc.m_pPlaybackParams->trackVehicle) SetCameraTarget(camera, position);
}

void RevealFrame(PlaybackState& run, const SurveyDocument& doc, PlaybackHost& host)
{
    run.m_nReachedRecord = 0;
    const FrameSpan& span = doc.m_pTimeline->spans[static_cast<size_t>(run.m_nFrame)];
    if (!doc.m_pPoints->HasOrigin()) return;
    host.CompileBeamList(doc, span);
    run.m_nReachedRecord = span.last;
}

void AutoCamera(PlaybackState& run, OrbitCamera& camera, const SurveyDocument& doc)
{
    if (!AutoCameraOn(doc)) return;
    const PlaybackParams& p = *doc.m_pPlaybackParams;
    const double interval = doc.m_pTimeline->interval;
    run.m_dAutoDistance += p.cameraSpeed * interval;
    if (run.m_dAutoDistance > p.farDistance) run.m_dAutoDistance = p.farDistance;
    SetCameraDistance(run.m_dAutoDistance, camera);
    RotateCameraWorld(0.0, 0.0, p.panRate * interval, camera);
}

}  // namespace

int PlaybackTimerPeriodMs(double interval)
{
    const int32_t ms = TruncToInt32(interval * 1000.0);
    return ms < 1 ? 1 : ms;
}

void StartPlayback(PlaybackState& run, OrbitCamera& camera, const SurveyDocument& doc, PlaybackHost& host)
{
    if (run.m_nPlayState != kStopped) {
        host.KillTimer(kPlaybackTimerId);
        run.m_nPlayState = kStopped;
        host.RepaintNow();
    }
    if (!doc.m_pTimeline) return;
    const PlaybackTimeline& timeline = *doc.m_pTimeline;
    run.m_nFrame = 0;
    run.m_nPlayState = kPlaying;
    run.m_nFrameCount = timeline.frames;
    run.m_nReachedRecord = 0;
    run.m_nHoldTicks = TruncToInt32(kEndHoldSeconds / timeline.interval);
    // A frame period longer than the hold rounds it to no tick, and a count
    // that starts below one never reaches its end: the last picture is then
    // held for one tick, a frame period, and the next tick stops.
    if (run.m_nHoldTicks < 1) run.m_nHoldTicks = 2;
    host.StartTimer(kPlaybackTimerId, PlaybackTimerPeriodMs(timeline.interval));
    if (AutoCameraOn(doc)) {
        run.m_dAutoDistance = doc.m_pPlaybackParams->nearDistance;
        SetCameraDistance(run.m_dAutoDistance, camera);
    }
}

void StopPlayback(PlaybackState& run, PlaybackHost& host)
{
    if (run.m_nPlayState != kStopped) {
        host.KillTimer(kPlaybackTimerId);
        run.m_nPlayState = kStopped;
    }
    host.RepaintNow();
}

void TogglePause(PlaybackState& run)
{
    if (run.m_nPlayState == kPlaying)
        run.m_nPlayState = kPaused;
    else if (run.m_nPlayState == kPaused)
        run.m_nPlayState = kPlaying;
}

void OnTimer(PlaybackState& run, OrbitCamera& camera, const SurveyDocument& doc, PlaybackHost& host, int id)
{
    if (id == kPlaybackTimerId) {
        if (run.m_nPlayState != kPlaying) return;
        StepPlayback(run, camera, doc, host);
        host.RepaintNow();
    } else if (id == kFpvTimerId) {
        host.RepaintNow();
    }
}

void StepPlayback(PlaybackState& run, OrbitCamera& camera, const SurveyDocument& doc, PlaybackHost& host)
{
    if (run.m_nPlayState != kPlaying || !doc.m_pPoints || !doc.m_pTimeline) return;
    // The frame count was taken at Start; the spans read are always the
    // current timeline's, so a replaced timeline is never read past its end.
    if (run.m_nFrame >= 0 && run.m_nFrame < run.m_nFrameCount && run.m_nFrame < doc.m_pTimeline->frames) {
        PlaceVehicle(run, camera, doc, host);
        RevealFrame(run, doc, host);
    }
    AutoCamera(run, camera, doc);
    run.m_nFrame += 1;
    if (run.m_nFrame >= run.m_nFrameCount - 1) {
        run.m_nFrame = run.m_nFrameCount;
        host.DeleteBeamList();
        run.m_nHoldTicks -= 1;
        if (run.m_nHoldTicks == 0) StopPlayback(run, host);
    }
}

bool BeginParameterEdit(PlaybackState& run, const SurveyDocument& doc, PlaybackHost& host, PlaybackDialogValues& values)
{
    if (!doc.m_pTimeline || !doc.m_pPoints || run.m_nPlayState == kPlaying) return false;
    values = DialogValuesFromDocument(doc);
    if (run.m_nPlayState != kStopped) {
        host.KillTimer(kPlaybackTimerId);
        run.m_nPlayState = kStopped;
    }
    host.RepaintNow();
    return true;
}

PlaybackCommandState GetPlaybackCommandState(const PlaybackState& run, const SurveyDocument& doc, PlaybackCommand command)
{
    const bool timeline = doc.m_pTimeline != nullptr;
    const int32_t state = run.m_nPlayState;
    PlaybackCommandState s;
    switch (command) {
    case PlaybackCommand::Start:
        s.enabled = timeline && state == kStopped;
        s.setCheck = timeline;
        s.checked = state != kStopped;
        break;
    case PlaybackCommand::PauseResume:
        s.enabled = timeline && state != kStopped;
        s.checked = state == kPaused;
        s.text = !timeline || state == kStopped ? "Pause/Resume" : state == kPaused ? "&Resume" : "P&ause";
        break;
    case PlaybackCommand::Stop:
        s.enabled = timeline && state != kStopped;
        s.setCheck = timeline;
        s.checked = state == kStopped;
        break;
    case PlaybackCommand::Parameter:
        // Rebuilding the timeline needs the point image as well.
        s.enabled = timeline && doc.m_pPoints && state != kPlaying;
        s.checked = false;
        break;
    }
    return s;
}

}  // namespace oxv
