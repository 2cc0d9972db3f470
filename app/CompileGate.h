#pragma once

namespace oxv {

// What a command does when it comes while the point lists of a large survey
// compile, with the preview on screen. The camera and what only changes how
// the picture is drawn work on the preview; what replaces the lists (another
// survey, another colour mode) ends the compile and then runs; the rest
// waits until the compile ends.
enum class DuringCompile { Runs, EndsCompile, Waits };

[[nodiscard]] DuringCompile CommandDuringCompile(int commandId);

// The status bar's word on a command that waits.
inline constexpr const char* kWaitsForCompileNotice = "waits until the point lists are compiled";

}  // namespace oxv
