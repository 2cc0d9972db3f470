#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "view/ColorModeNames.h"

namespace oxv::tool {

// --color as every drawing command takes it: a mode's name in any letter
// case, turned into the mode's number; anything else is refused with the
// names that would do.
inline CLI::Validator ColorModeOption()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const auto mode = oxv::ColorModeFromName(text);
            if (!mode) return "wants " + oxv::ColorModeNameList() + ", not \"" + text + "\"";
            text = std::to_string(*mode);
            return {};
        },
        "MODE");
}

}  // namespace oxv::tool
