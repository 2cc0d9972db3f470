#include "settings/IniProfile.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include "settings/IniText.h"
#include "base/WholeFile.h"

namespace oxv {

namespace {

// A settings file is a few kilobytes; one larger than this is not ours.
constexpr size_t kMaxIniBytes = 16u << 20;

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

// UTF-8 that remembers a line it could not encode: the library would write
// such a line as nothing and carry on, losing it from the file.
class NotingUtf8 final : public wxMBConv {
public:
    explicit NotingUtf8(bool& failed) : m_failed(failed) {}
    size_t ToWChar(wchar_t* dst, size_t dstLen, const char* src, size_t srcLen = wxNO_LEN) const override
    {
        return wxConvUTF8.ToWChar(dst, dstLen, src, srcLen);
    }
    size_t FromWChar(char* dst, size_t dstLen, const wchar_t* src, size_t srcLen = wxNO_LEN) const override
    {
        const size_t length = wxConvUTF8.FromWChar(dst, dstLen, src, srcLen);
        if (length == wxCONV_FAILED) m_failed = true;
        return length;
    }
    wxMBConv* Clone() const override { return new NotingUtf8(m_failed); }

private:
    bool& m_failed;
};

std::unique_ptr<wxFileConfig> OpenConfig(const std::string& path)
{
    auto config = std::make_unique<wxFileConfig>(wxEmptyString, wxEmptyString, wxString::FromUTF8(path.c_str()),
                                                 wxEmptyString,
                                                 wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_NO_ESCAPE_CHARACTERS);
    // Values are verbatim: a '$' in an output folder is part of its name.
    config->SetExpandEnvVars(false);
    // The file is only ever written through Flush's merge: the library's
    // own write would put back everything this object read.
    config->DisableAutoSave();
    return config;
}

std::optional<std::string> ConfigText(wxFileConfig& config)
{
    bool failed = false;
    NotingUtf8 utf8(failed);
    wxMemoryOutputStream out;
    if (!config.Save(out, utf8) || failed) return std::nullopt;
    std::string text(out.GetSize(), '\0');
    if (!text.empty()) out.CopyTo(text.data(), text.size());
    return PlainSectionHeaders(text);
}

// Bytes the library would read as no text at all (it then starts empty).
bool Decodable(const std::string& bytes)
{
    if (bytes.empty()) return true;
    return !wxString(bytes.data(), wxConvAuto(), bytes.size()).empty();
}

std::string Absolute(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.string();
}

}  // namespace

IniProfile::IniProfile(const std::string& path) : m_path(Absolute(path))
{
    wxLogNull quiet;  // an unreadable file is the same as an empty one
    QuietToolkitAsserts asserts;
    m_config = OpenConfig(m_path);
}

IniProfile::~IniProfile()
{
    // A write that failed is tried once more; a failing settings write
    // reports nothing.
    (void)Flush();
    wxLogNull quiet;
    QuietToolkitAsserts asserts;
    m_config.reset();
}

std::optional<std::string> IniProfile::ReadString(std::string_view section, std::string_view key)
{
    wxString value;
    if (!m_config->Read(IniEntryPath(section, key), &value)) return std::nullopt;
    // Bytes of a damaged file may decode to a character that has no UTF-8
    // form; such a value reads as absent, so its default applies.
    QuietToolkitAsserts asserts;
    const wxScopedCharBuffer utf8 = value.utf8_str();
    if (!value.empty() && utf8.length() == 0) return std::nullopt;
    return std::string(utf8.data(), utf8.length());
}

bool IniProfile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    const wxString path = IniEntryPath(section, key);
    const wxString text = wxString::FromUTF8(value.data(), value.size());
    {
        // A key the file marks unchangeable ("!Key=") keeps its value and
        // the toolkit logs a warning, which the viewer would show in a box.
        wxLogNull quiet;
        wxString stored;
        if (!m_config->Write(path, text) || !m_config->Read(path, &stored) || stored != text) return false;
    }
    m_changes.Write(section, key, value);
    return Flush();
}

bool IniProfile::ReplaceSection(std::string_view section, const std::map<std::string, std::string>& entries)
{
    if (SectionEntries(section) != entries) {
        wxLogNull quiet;
        QuietToolkitAsserts asserts;
        m_config->DeleteGroup(IniEntryPath(section, ""));
        for (const auto& [key, value] : entries)
            m_config->Write(IniEntryPath(section, key), wxString::FromUTF8(value.data(), value.size()));
        m_changes.ReplaceSection(section, entries);
    }
    return Flush();
}

std::map<std::string, std::string> IniProfile::SectionEntries(std::string_view section)
{
    std::map<std::string, std::string> entries;
    const wxString group = IniEntryPath(section, "");
    if (!m_config->HasGroup(group)) return entries;
    const wxString previous = m_config->GetPath();
    m_config->SetPath(group);
    wxString name;
    long index = 0;
    for (bool more = m_config->GetFirstEntry(name, index); more; more = m_config->GetNextEntry(name, index)) {
        wxString value;
        m_config->Read(name, &value);
        entries[std::string(name.utf8_str())] = std::string(value.utf8_str());
    }
    m_config->SetPath(previous);
    return entries;
}

bool IniProfile::Flush()
{
    if (m_changes.Empty()) return true;
    wxLogNull quiet;
    QuietToolkitAsserts asserts;
    // Our programs merging into the same file take turns, or the slower one
    // would rename away the other's keys it did not see.
    const FolderLock lock(std::filesystem::path(m_path).parent_path().string());
    const FileContents disk = ReadSmallFile(m_path, kMaxIniBytes);
    std::optional<std::string> text;
    if (disk.state != FileContents::State::Unreadable && Decodable(disk.bytes)) {
        const std::unique_ptr<wxFileConfig> merged = OpenConfig(m_path);
        m_changes.ApplyTo(*merged);
        text = ConfigText(*merged);
    }
    // A file that cannot be read back whole leaves nothing to merge with:
    // what this process knows, its own writes included, replaces it, as
    // before two viewers shared a file.
    if (!text) text = ConfigText(*m_config);
    if (!text || !ReplaceFileWhole(m_path, *text)) return false;
    m_changes.Clear();
    return true;
}

}  // namespace oxv
