#pragma once

#include <iostream>
#include <memory>
#include <string>

#include "settings/IniProfile.h"
#include "base/FileReading.h"

namespace oxv::tool {

// The settings `--ini` names, or none when it names nothing. Settings the
// user named and we cannot read would quietly turn into defaults, a run under
// other settings than asked for: then it says why and gives nullptr, in the
// words a point file that cannot be opened gets.
inline std::unique_ptr<oxv::Profile> OpenNamedSettings(const std::string& ini)
{
    if (ini.empty()) return std::make_unique<oxv::MemoryProfile>();
    if (const std::string reason = oxv::CannotOpenReason(ini); !reason.empty()) {
        std::cerr << "oxvtool: cannot read settings file " << ini << ": " << reason << "\n";
        return nullptr;
    }
    return std::make_unique<oxv::IniProfile>(ini);
}

}  // namespace oxv::tool
