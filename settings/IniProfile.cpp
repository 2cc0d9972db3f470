#include "settings/IniProfile.h"

#include <wx/fileconf.h>
#include <wx/log.h>

namespace oxv {

namespace {

// The toolkit reports what a hand-edited or damaged settings file makes it
// meet as failed assertions, with a stack trace on standard error: a
// section named twice (it merges the two, which is what we want) or a
// character it cannot encode when writing back (the write fails and the
// file stays as it was, as for any write that fails). For us these are
// ordinary outcomes, so the reports are off while the file is handled.
class QuietToolkitAsserts {
public:
    QuietToolkitAsserts() : m_reporting(wxSetAssertHandler(nullptr)) {}
    ~QuietToolkitAsserts() { wxSetAssertHandler(m_reporting); }
    QuietToolkitAsserts(const QuietToolkitAsserts&) = delete;
    QuietToolkitAsserts& operator=(const QuietToolkitAsserts&) = delete;

private:
    wxAssertHandler_t m_reporting;
};

wxString EntryPath(std::string_view section, std::string_view key)
{
    return wxString::FromUTF8(("/" + std::string(section) + "/" + std::string(key)).c_str());
}

}  // namespace

IniProfile::IniProfile(const std::string& path)
{
    wxLogNull quiet;  // an unreadable file is the same as an empty one
    QuietToolkitAsserts asserts;
    m_config = std::make_unique<wxFileConfig>(wxEmptyString, wxEmptyString, wxString::FromUTF8(path.c_str()),
                                              wxEmptyString,
                                              wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_NO_ESCAPE_CHARACTERS);
    // Values are verbatim: a '$' in an output folder is part of its name.
    m_config->SetExpandEnvVars(false);
}

IniProfile::~IniProfile()
{
    // The configuration object writes itself once more on destruction and
    // logs an error when it cannot; a failing settings write reports nothing.
    wxLogNull quiet;
    QuietToolkitAsserts asserts;
    m_config.reset();
}

std::optional<std::string> IniProfile::ReadString(std::string_view section, std::string_view key)
{
    wxString value;
    if (!m_config->Read(EntryPath(section, key), &value)) return std::nullopt;
    // Bytes of a damaged file may decode to a character that has no UTF-8
    // form; such a value reads as absent, so its default applies.
    QuietToolkitAsserts asserts;
    const wxScopedCharBuffer utf8 = value.utf8_str();
    if (!value.empty() && utf8.length() == 0) return std::nullopt;
    return std::string(utf8.data(), utf8.length());
}

bool IniProfile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    const wxString path = EntryPath(section, key);
    const wxString text = wxString::FromUTF8(value.data(), value.size());
    {
        // A key the file marks unchangeable ("!Key=") keeps its value and
        // the toolkit logs a warning, which the viewer would show in a box.
        wxLogNull quiet;
        wxString stored;
        if (!m_config->Write(path, text) || !m_config->Read(path, &stored) || stored != text) return false;
    }
    return Flush();
}

bool IniProfile::Flush()
{
    wxLogNull quiet;
    QuietToolkitAsserts asserts;
    return m_config->Flush();
}

}  // namespace oxv
