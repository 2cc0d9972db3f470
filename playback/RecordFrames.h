#pragma once

// Which frame files a recorded run writes, and the part of them a split
// run asks for. A run's frames are named by the file numbers it writes, so
// a range of them means the same files in every mode.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "survey/SurveyDocument.h"

namespace oxv {

// File numbers first .. end-1; an open side reaches the run's own end.
struct FrameRange {
    int32_t first = 0;
    int32_t end = std::numeric_limits<int32_t>::max();
    [[nodiscard]] bool Contains(int32_t number) const { return number >= first && number < end; }
};

// "A:B", "A:", ":B" or ":" with whole numbers 0 <= A <= B; nothing for
// anything else.
std::optional<FrameRange> ParseFrameRange(const std::string& text);

// Playback with `frames` timeline frames and an end hold of `holdTicks`
// ticks: 0 .. frames-3, then frames-1 unless the hold ends on its first tick
// (a hold shorter than one tick never ends and is written).
std::vector<int32_t> PlaybackFileNumbers(int32_t frames, int32_t holdTicks);

// The plan of a recorded run: its timeline frame count (the camera path's
// node count in first person) and, for each file it writes in the order
// written, its number, the points its frame draws and the video frames its
// picture fills (the end hold's picture fills the ticks the viewer shows it).
struct PlaybackPlan {
    int32_t frames = 0;
    std::vector<int32_t> numbers;
    std::vector<int64_t> points;
    std::vector<int32_t> pictures;
};

// The document's timeline as playback would start it now.
PlaybackPlan PlanPlayback(const SurveyDocument& doc);

// The first-person flight over a path of `nodes` nodes: 1 .. nodes-1.
std::vector<int32_t> FpvFileNumbers(int32_t nodes);

// The first-person flight along the document's camera path; every frame
// draws the whole survey.
PlaybackPlan PlanFpvFlight(const SurveyDocument& doc);

// The files of the plan within `range`.
PlaybackPlan PlanInRange(const PlaybackPlan& plan, const FrameRange& range);

// The estimated cost of drawing and writing one frame of `points` points at
// width x height, counted in points: clearing, reading back and encoding a
// frame cost about what drawing one point a third of its pixels costs
// (llvmpipe, 2-million demo survey at 1280x720: 9.3 ms a frame besides
// 30 ms a million points, fitted over the whole run).
inline constexpr int64_t kPixelsPerPointOfWork = 3;
int64_t FrameWork(int64_t points, int width, int height);

// The number a playback tick writes when it steps from `frame` in a run of
// `frames`: the step past the number before the last lands on the last.
int32_t PlaybackNumberAfterStep(int32_t frame, int32_t frames);

std::vector<int32_t> NumbersInRange(const std::vector<int32_t>& numbers, const FrameRange& range);

}  // namespace oxv
