#pragma once

// Frame recording: which numbered file, if any, the picture being drawn
// goes to. Reading it back and writing it is gl/FrameCapture.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// The frame files of an earlier recording in `folder`: names as
// FrameFileName makes them, and the ".part" files a stopped writer leaves;
// sorted by name. Empty when there are none or the folder cannot be read.
std::vector<std::string> FrameFilesIn(const std::string& folder);

// Removes FrameFilesIn(folder), nothing else; false, with the file and the
// reason in `reason`, at the first that cannot be removed.
[[nodiscard]] bool RemoveFrameFiles(const std::string& folder, std::string& reason);

enum class FrameFolderState {
    Ready,     // there and writable
    Made,      // was missing and has been made
    Unusable,  // missing and cannot be made, not a folder, or not writable
};

// Makes `folder` (and its parents) when missing and checks that files can
// be made in it; `reason` says why not when Unusable.
[[nodiscard]] FrameFolderState PrepareFrameFolder(const std::string& folder, std::string& reason);

}  // namespace oxv
