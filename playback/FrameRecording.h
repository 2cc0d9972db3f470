#pragma once

// Frame recording: which numbered file, if any, the picture being drawn
// goes to. Reading it back and writing it is gl/FrameCapture.

#include <cstdint>
#include <optional>
#include <string>

#include "survey/SurveyDocument.h"
#include "playback/PlaybackState.h"

namespace oxv {

// "<folder>/img%06d.png"; the number is at least six digits, zero padded
// after any sign.
std::string FrameFileName(const std::string& folder, int32_t number);

// First-person frames go to work/video in the user's home folder.
std::string FpvVideoFolder();

// The file the current picture goes to, or none when recording is off:
// during playback (playing or paused) with Video Recording on and a folder,
// numbered m_nFrame - 1 in that folder; in first-person mode, numbered
// m_nFpvNode in `fpvFolder`. Playback with first-person mode on but no
// output folder writes nothing, and neither does a number below 0.
std::optional<std::string> FrameCapturePath(const PlaybackState& run, const FpvState& fpv, const SurveyDocument& doc,
                                            const std::string& fpvFolder);

}  // namespace oxv
