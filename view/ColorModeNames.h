#pragma once

// The colour modes by the names the command line gives them ("height",
// "amp", "ampbw", "range", "original"), shared by every oxvtool command that
// draws a survey.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace oxv {

// The mode of a name, in any letter case; none for anything else.
std::optional<int32_t> ColorModeFromName(std::string_view name);

// The name of a mode ("height" .. "original"); empty for no mode.
std::string_view ColorModeName(int32_t mode);

// Every name, for messages: "height, amp, ampbw, range or original".
std::string ColorModeNameList();

}  // namespace oxv
