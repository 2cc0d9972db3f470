#pragma once

// FPV Camera Mode: a first-person camera that looks from the next camera
// path node on every paint. Plain logic over the first-person state and the
// camera it looks through; the FPV timer goes through the playback host.

#include "playback/PlaybackEngine.h"

namespace oxv {

inline constexpr int kFpvTimerPeriodMs = 10;

// The FPV Camera Mode command: on saves the orbit field of view, applies the
// FPV one and starts at node 0 with the 10 ms timer; off restores the orbit
// field of view. Nothing is repainted.
void ToggleFpvMode(FpvState& fpv, OrbitCamera& camera, PlaybackHost& host);

// Fills the look-at block from camera path node m_nFpvNode and advances it;
// the paint that shows the last node ends the mode. A path that is gone or
// shorter than the node reached ends the mode too (the orbit look-at is
// used for that paint), so nothing is ever read past the path.
void ComputeFpvLookAt(FpvState& fpv, OrbitCamera& camera, const SurveyDocument& doc, PlaybackHost& host);

// The camera path was replaced or removed: a running FPV flight ends.
void EndFpvMode(FpvState& fpv, OrbitCamera& camera, PlaybackHost& host);

// The FOV command around its dialog: pauses the FPV timer while the dialog
// is open and takes the new angle when it ends with OK.
void BeginFovEdit(const FpvState& fpv, PlaybackHost& host);
void EndFovEdit(FpvState& fpv, PlaybackHost& host, bool ok, double fov);

struct FpvCommandState {
    bool enabled = false;
    bool checked = false;
};
// The command needs a camera path drawn in the view.
FpvCommandState GetFpvCommandState(const FpvState& fpv, bool cameraPathShown);

}  // namespace oxv
