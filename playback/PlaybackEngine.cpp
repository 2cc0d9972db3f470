#include "PlaybackEngine.h"

#include <cmath>

#include "NumericConversion.h"

namespace oxv {

namespace {

bool AutoCameraOn(const SurveyDocument& doc) { return doc.m_pPlaybackParams && doc.m_pPlaybackParams->autoCamera; }

void PlaceVehicle(ViewState& view, const SurveyDocument& doc, PlaybackHost& host)
{
    Pose pose{};
    // The pose at the end of the frame being stepped; a one-frame timeline
    // has none and leaves the vehicle where it is.
    if (!doc.InterpolatePoseAt(view.m_nFrame + 1, pose)) return;
    const double attitude[3] = {pose.v[kRoll] / 1000.0, pose.v[kPitch] / 1000.0, pose.v[kHeading] / 1000.0};
    const double position[3] = {pose.v[kPosX] / 1000.0, pose.v[kPosY] / 1000.0, pose.v[kPosZ] / 1000.0};
    host.SetVehiclePose(attitude, position);
    if (doc.m_pPlaybackParams && doc.m_pPlaybackParams->trackVehicle) SetCameraTarget(view.m_camera, position);
}

void RevealFrame(ViewState& view, const SurveyDocument& doc, PlaybackHost& host)
{
    view.m_nReachedRecord = 0;
    const FrameSpan& span = doc.m_pTimeline->spans[static_cast<size_t>(view.m_nFrame)];
    if (!doc.m_pPoints->HasOrigin()) return;
    if (view.m_nBeamList) host.CompileBeamList(view.m_nBeamList, doc, span);
    view.m_nReachedRecord = span.last;
}

void AutoCamera(ViewState& view, const SurveyDocument& doc)
{
    if (!AutoCameraOn(doc)) return;
    const PlaybackParams& p = *doc.m_pPlaybackParams;
    const double interval = doc.m_pTimeline->interval;
    view.m_dAutoDistance += p.cameraSpeed * interval;
    if (view.m_dAutoDistance > p.farDistance) view.m_dAutoDistance = p.farDistance;
    SetCameraDistance(view.m_dAutoDistance, view.m_camera);
    RotateCameraWorld(0.0, 0.0, p.panRate * interval, view.m_camera);
}

}  // namespace

int PlaybackTimerPeriodMs(double interval)
{
    const int32_t ms = TruncToInt32(interval * 1000.0);
    return ms < 1 ? 1 : ms;
}

void StartPlayback(ViewState& view, const SurveyDocument& doc, PlaybackHost& host)
{
    if (view.m_nPlayState != kStopped) {
        host.KillTimer(kPlaybackTimerId);
        view.m_nPlayState = kStopped;
        host.RepaintNow();
    }
    if (!doc.m_pTimeline) return;
    const PlaybackTimeline& timeline = *doc.m_pTimeline;
    view.m_nFrame = 0;
    view.m_nPlayState = kPlaying;
    view.m_nFrameCount = timeline.frames;
    view.m_nReachedRecord = 0;
    view.m_nHoldTicks = TruncToInt32(kEndHoldSeconds / timeline.interval);
    host.StartTimer(kPlaybackTimerId, PlaybackTimerPeriodMs(timeline.interval));
    if (AutoCameraOn(doc)) {
        view.m_dAutoDistance = doc.m_pPlaybackParams->nearDistance;
        SetCameraDistance(view.m_dAutoDistance, view.m_camera);
    }
}

void StopPlayback(ViewState& view, PlaybackHost& host)
{
    if (view.m_nPlayState != kStopped) {
        host.KillTimer(kPlaybackTimerId);
        view.m_nPlayState = kStopped;
    }
    host.RepaintNow();
}

void TogglePause(ViewState& view)
{
    if (view.m_nPlayState == kPlaying)
        view.m_nPlayState = kPaused;
    else if (view.m_nPlayState == kPaused)
        view.m_nPlayState = kPlaying;
}

void OnTimer(ViewState& view, const SurveyDocument& doc, PlaybackHost& host, int id)
{
    if (id == kPlaybackTimerId) {
        if (view.m_nPlayState != kPlaying) return;
        StepPlayback(view, doc, host);
        host.RepaintNow();
    } else if (id == kFpvTimerId) {
        host.RepaintNow();
    }
}

void StepPlayback(ViewState& view, const SurveyDocument& doc, PlaybackHost& host)
{
    if (view.m_nPlayState != kPlaying || !doc.m_pPoints || !doc.m_pTimeline) return;
    if (!view.m_nBeamList) view.m_nBeamList = host.NewBeamList();
    // The frame count was taken at Start; the spans read are always the
    // current timeline's, so a replaced timeline is never read past its end.
    if (view.m_nFrame >= 0 && view.m_nFrame < view.m_nFrameCount && view.m_nFrame < doc.m_pTimeline->frames) {
        PlaceVehicle(view, doc, host);
        RevealFrame(view, doc, host);
    }
    AutoCamera(view, doc);
    view.m_nFrame += 1;
    if (view.m_nFrame >= view.m_nFrameCount - 1) {
        view.m_nFrame = view.m_nFrameCount;
        if (view.m_nBeamList) {
            host.DeleteBeamList(view.m_nBeamList);
            view.m_nBeamList = 0;
        }
        view.m_nHoldTicks -= 1;
        if (view.m_nHoldTicks == 0) StopPlayback(view, host);
    }
}

bool BeginParameterEdit(ViewState& view, const SurveyDocument& doc, PlaybackHost& host, PlaybackDialogValues& values)
{
    if (!doc.m_pTimeline || !doc.m_pPoints || view.m_nPlayState == kPlaying) return false;
    values = DialogValuesFromDocument(doc);
    if (view.m_nPlayState != kStopped) {
        host.KillTimer(kPlaybackTimerId);
        view.m_nPlayState = kStopped;
    }
    host.RepaintNow();
    return true;
}

PlaybackCommandState GetPlaybackCommandState(const ViewState& view, const SurveyDocument& doc, PlaybackCommand command)
{
    const bool timeline = doc.m_pTimeline != nullptr;
    const int32_t state = view.m_nPlayState;
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
