#pragma once

// Small pieces of the INI file's text shared by the settings code.

#include <string>
#include <string_view>

#include <wx/string.h>

namespace oxv {

// The configuration library's path of a key ("/Section/Key"); an empty key
// names the section itself.
wxString IniEntryPath(std::string_view section, std::string_view key);

// Rewrites escaped section headers ("[Recent\ File\ List]") of INI text into
// plain ones, which a plain INI reader expects; other lines stay as they are.
std::string PlainSectionHeaders(const std::string& text);

}  // namespace oxv
