#include "playback/DialogRules.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace oxv {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

std::string Trimmed(const std::string& text)
{
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

}  // namespace

FovReading ReadFovText(const std::string& text)
{
    const std::string trimmed = Trimmed(text);
    const std::string range = "The field of view must be more than 0 and less than 180 degrees.";
    FovReading reading;
    if (trimmed.empty()) {
        reading.refused = "No field of view was given.\n" + range;
        return reading;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(trimmed.c_str(), &end);
    // strtod also takes "nan", "inf" and hexadecimal forms: only a finite
    // number that uses the whole text is an angle.
    if (end != trimmed.c_str() + trimmed.size() || errno == ERANGE || !std::isfinite(value)) {
        reading.refused = "\"" + trimmed + "\" is not a number.\n" + range;
        return reading;
    }
    if (!(value > 0.0 && value < 180.0)) {
        reading.refused = trimmed + " degrees is out of range.\n" + range;
        return reading;
    }
    reading.degrees = value;
    return reading;
}

std::string RecordingFolderRefuseReason(bool recordVideo, const std::string& folder)
{
    if (!recordVideo || !Trimmed(folder).empty()) return {};
    return "Video Recording needs an output folder.\n"
           "Choose one with the \"...\" button, or untick Video Recording.";
}

}  // namespace oxv
