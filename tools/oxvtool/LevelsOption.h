#pragma once

// --levels BLACK,WHITE: the Original colour mode's channel levels, as
// Page Up/Down and Home/End set them in the viewer.

#include <cstdlib>
#include <string>

namespace oxv::tool {

// Two numbers split by a comma, black below white.
[[nodiscard]] inline bool ParseLevels(const std::string& text, double& black, double& white)
{
    const size_t at = text.find(',');
    if (at == std::string::npos) return false;
    const std::string first = text.substr(0, at), second = text.substr(at + 1);
    char* end = nullptr;
    black = std::strtod(first.c_str(), &end);
    if (first.empty() || *end != '\0') return false;
    white = std::strtod(second.c_str(), &end);
    if (second.empty() || *end != '\0') return false;
    return black < white;  // also false for NaN
}

}  // namespace oxv::tool
