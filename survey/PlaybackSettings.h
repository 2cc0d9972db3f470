#pragma once

#include "base/Profile.h"
#include "survey/SurveyTypes.h"

namespace oxv {

// Settings names; sections and keys exactly as other runs have written them.
inline constexpr std::string_view kTimelineSection = "PBF";
inline constexpr std::string_view kParamsSection = "PBV";
inline constexpr std::string_view kDataKey = "Data";
inline constexpr std::string_view kPathKey = "Path";

// Replaces `record` with the stored "PBF" "Data" when it decodes to exactly
// 40 bytes with a finite, positive step, interval and speed; returns whether
// it did.
[[nodiscard]] bool LoadTimelineSettings(Profile& profile, TimelineRecord& record);

// Replaces `params` with the stored "PBV" "Data" (exactly 48 bytes, flags 0
// or 1 and finite numbers, as the Parameter dialog stores them) and the
// folder from "PBV" "Path"; returns whether it did.
[[nodiscard]] bool LoadPlaybackParams(Profile& profile, PlaybackParams& params);

// Writes "PBV" "Data", and "PBV" "Path" only when a folder is set. False when
// the profile refused a write.
[[nodiscard]] bool SavePlaybackParams(Profile& profile, const PlaybackParams& params);

// Writes "PBF" "Data" from a built timeline's header.
[[nodiscard]] bool SaveTimelineSettings(Profile& profile, const PlaybackTimeline& timeline);

}  // namespace oxv
