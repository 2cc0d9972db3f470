#pragma once

// The facts the status bar's message pane shows about the view: plain text
// from the view's state and its document, no window system.

#include <array>
#include <optional>
#include <string>

#include "view/ViewState.h"

namespace oxv {

// What the view knows beside its state.
struct StatusExtras {
    // The point under the cursor (metres), when the last pick found one.
    std::optional<std::array<double, 3>> cursor;
    // The record nearest that point, when one was found: the line then
    // tells every channel of it (PointReadout) instead of the position alone.
    std::optional<int32_t> cursorRecord;
    // Frames of the running playback are being written.
    bool recording = false;
    // Where the last Import Camera Path left its cache; empty when unknown.
    std::string cameraPathCache;
    // A word on a command that could not run now, said last.
    std::string notice;
};

// Its parts joined by " | ": what stands in for the points while their lists
// compile ("Preview: 1.0 M of 50.0 M points"); records loaded; the colour mode, with the black
// and white levels in Original; the point under the cursor (its record's
// channels, or x, y, z); during playback
// the measurement time, frame n of N and REC while frames are written; the
// camera path's node count and cache. Empty when there is nothing to say
// (no survey).
std::string StatusLine(const ViewState& view, const PlaybackState& run, const FpvState& fpv, const SurveyDocument* doc,
                       const StatusExtras& extras);

// "1,234,567": thousands separated by commas.
std::string GroupThousands(long long n);

}  // namespace oxv
