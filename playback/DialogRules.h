#pragma once

// What the FOV and Parameter dialogs refuse, with the reason shown to the
// user: plain rules, so they are checked without a window.

#include <optional>
#include <string>

namespace oxv {

// The FOV field: the whole text (blanks around it allowed) must be a number
// of degrees above 0 and below 180. The angle, or the reason it is refused.
struct FovReading {
    std::optional<double> degrees;
    std::string refused;
};
FovReading ReadFovText(const std::string& text);

// Video Recording ticked without an output folder records nothing: the
// reason to refuse it, empty when recording is off or has a folder.
std::string RecordingFolderRefuseReason(bool recordVideo, const std::string& folder);

}  // namespace oxv
