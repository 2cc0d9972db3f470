#include "settings/IniChanges.h"

#include <wx/fileconf.h>

#include "settings/IniText.h"

namespace oxv {

void IniChanges::Write(std::string_view section, std::string_view key, std::string_view value)
{
    m_sections[std::string(section)].values[std::string(key)] = std::string(value);
}

void IniChanges::ReplaceSection(std::string_view section, const std::map<std::string, std::string>& entries)
{
    Section& changed = m_sections[std::string(section)];
    changed.replaced = true;
    changed.values = entries;
}

void IniChanges::ApplyTo(wxFileConfig& config) const
{
    for (const auto& [name, section] : m_sections) {
        if (section.replaced) config.DeleteGroup(IniEntryPath(name, ""));
        for (const auto& [key, value] : section.values)
            config.Write(IniEntryPath(name, key), IniValueText(value));
    }
}

}  // namespace oxv
