#pragma once

// The state of a playback run and of the first-person camera, owned by
// whoever drives them (the window's view, the headless recorder) and
// stepped by the playback engine. Drawing sees only what it must show
// (view/ViewState.h's SceneInput), filled from these before each frame.

#include <cstdint>

namespace oxv {

enum PlayState : int32_t { kStopped = 0, kPlaying = 1, kPaused = 2 };

struct PlaybackState {
    int32_t m_nPlayState = kStopped;
    int32_t m_nFrameCount = 0;
    int32_t m_nFrame = 0;
    int32_t m_nReachedRecord = 0;  // records revealed so far
    int32_t m_nHoldTicks = 0;
    double m_dAutoDistance = 0.0;
};

struct FpvState {
    bool m_bFpvMode = false;
    int32_t m_nFpvNode = 0;
    double m_dOrbitFov = 30.0;
    double m_dFpvFov = 30.0;
};

}  // namespace oxv
