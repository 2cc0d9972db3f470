#pragma once

#include <memory>
#include <string>

#include "survey/Profile.h"

class wxFileConfig;

namespace oxv {

// Settings in an INI file. Values are kept verbatim (no escape characters,
// no environment variables put in for $NAME),
// and every write is flushed at once through a temporary file and a rename,
// so the file on disk is always whole. A write that fails keeps the value
// for this session.
class IniProfile final : public Profile {
public:
    explicit IniProfile(const std::string& path);
    ~IniProfile() override;

    std::optional<std::string> ReadString(std::string_view section, std::string_view key) override;
    bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;

    // The underlying configuration, for the window system's recent-file list.
    wxFileConfig& Config() { return *m_config; }
    bool Flush();

private:
    std::unique_ptr<wxFileConfig> m_config;
};

}  // namespace oxv
