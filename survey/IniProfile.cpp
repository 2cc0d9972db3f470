#include "IniProfile.h"

#include <wx/fileconf.h>
#include <wx/log.h>

namespace oxv {

namespace {

wxString EntryPath(std::string_view section, std::string_view key)
{
    return wxString::FromUTF8(("/" + std::string(section) + "/" + std::string(key)).c_str());
}

}  // namespace

IniProfile::IniProfile(const std::string& path)
{
    wxLogNull quiet;  // an unreadable file is the same as an empty one
    // A hand-edited file may name a section twice. The parser merges the
    // two, which is what we want, but reports it as a failed assertion: a
    // stack trace on standard error, symbolised at some milliseconds a line.
    const wxAssertHandler_t reporting = wxSetAssertHandler(nullptr);
    m_config = std::make_unique<wxFileConfig>(wxEmptyString, wxEmptyString, wxString::FromUTF8(path.c_str()),
                                              wxEmptyString,
                                              wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_NO_ESCAPE_CHARACTERS);
    wxSetAssertHandler(reporting);
}

IniProfile::~IniProfile()
{
    // The configuration object writes itself once more on destruction and
    // logs an error when it cannot; a failing settings write reports nothing.
    wxLogNull quiet;
    m_config.reset();
}

std::optional<std::string> IniProfile::ReadString(std::string_view section, std::string_view key)
{
    wxString value;
    if (!m_config->Read(EntryPath(section, key), &value)) return std::nullopt;
    return std::string(value.utf8_str());
}

bool IniProfile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    if (!m_config->Write(EntryPath(section, key), wxString::FromUTF8(value.data(), value.size()))) return false;
    return Flush();
}

bool IniProfile::Flush()
{
    wxLogNull quiet;
    return m_config->Flush();
}

}  // namespace oxv
