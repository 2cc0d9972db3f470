#pragma once

#include <map>
#include <string>
#include <string_view>

class wxFileConfig;

namespace oxv {

// What one process changed in its settings file since it last wrote it:
// single keys, and sections it replaced as a whole (the recent-file list).
// Another running viewer writes the same file; replaying only these changes
// onto the file as it is now keeps that viewer's keys.
class IniChanges {
public:
    void Write(std::string_view section, std::string_view key, std::string_view value);
    // The section ends up holding exactly these keys.
    void ReplaceSection(std::string_view section, const std::map<std::string, std::string>& entries);

    [[nodiscard]] bool Empty() const { return m_sections.empty(); }
    void Clear() { m_sections.clear(); }

    // Keys the file marks unchangeable keep their value there, as they do
    // for a single write.
    void ApplyTo(wxFileConfig& config) const;

private:
    struct Section {
        bool replaced = false;
        std::map<std::string, std::string> values;
    };
    std::map<std::string, Section, std::less<>> m_sections;
};

}  // namespace oxv
