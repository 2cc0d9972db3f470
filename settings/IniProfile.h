#pragma once

#include <map>
#include <memory>
#include <string>

#include "settings/IniChanges.h"
#include "base/Profile.h"

class wxFileConfig;

namespace oxv {

// Settings in an INI file. Values are kept verbatim (no escape characters,
// no environment variables put in for $NAME),
// and every write is flushed at once through a temporary file and a rename,
// so the file on disk is always whole. A write that fails keeps the value
// for this session.
//
// Several viewers may run at once over one file. Reads come from the file
// as it was when this object opened it, but a write re-reads the file and
// changes there only the keys this object wrote, so another program's newer
// values survive. A relative path names a file in the working folder.
class IniProfile final : public Profile {
public:
    explicit IniProfile(const std::string& path);
    ~IniProfile() override;

    std::optional<std::string> ReadString(std::string_view section, std::string_view key) override;
    [[nodiscard]] bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;

    // Makes the section hold exactly these keys (the recent-file list). A
    // section that already holds them is not written, so a program that
    // only saves its list on the way out leaves another one's list alone.
    [[nodiscard]] bool ReplaceSection(std::string_view section, const std::map<std::string, std::string>& entries);

    // Writes what is still unwritten (after a write that failed).
    [[nodiscard]] bool Flush();

    const std::string& Path() const { return m_path; }

private:
    std::map<std::string, std::string> SectionEntries(std::string_view section);

    std::string m_path;
    std::unique_ptr<wxFileConfig> m_config;
    IniChanges m_changes;
};

}  // namespace oxv
