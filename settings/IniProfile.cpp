#include "settings/IniProfile.h"

#include <sys/mman.h>
#include <unistd.h>

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

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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

struct ParsedIni {
    std::unique_ptr<wxFileConfig> config;
    bool byteOrderMark = false;
};

// The configuration as `bytes` give it. The library reads escape
// sequences out of values unless told otherwise when it opens a file, and
// opens only files by name with that choice: the bytes already read are
// handed to it through an anonymous in-memory file, so what it parses is
// exactly what was read (whole, and never a pipe put in the file's place).
ParsedIni ParseIni(std::string bytes)
{
    ParsedIni parsed;
    if (bytes.starts_with(kByteOrderMark)) {
        parsed.byteOrderMark = true;
        bytes.erase(0, kByteOrderMark.size());
    }
    const int fd = ::memfd_create("oxvell-ini", MFD_CLOEXEC);
    if (fd < 0) return parsed;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    if (done == bytes.size()) {
        const wxString name = wxString::Format("/proc/self/fd/%d", fd);
        parsed.config = std::make_unique<wxFileConfig>(wxEmptyString, wxEmptyString, name, wxEmptyString,
                                                       wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_NO_ESCAPE_CHARACTERS,
                                                       ByteKeepingUtf8());
        // Values are verbatim: a '$' in an output folder is part of its name.
        parsed.config->SetExpandEnvVars(false);
        // The file is only ever written through Flush's merge: the
        // library's own write would put back everything this object read.
        parsed.config->DisableAutoSave();
    }
    ::close(fd);
    return parsed;
}

// The file at `path` parsed; no configuration when it cannot be read (a
// missing file is an empty one).
ParsedIni ReadIni(const std::string& path)
{
    const FileContents disk = ReadSmallFile(path, kMaxIniBytes);
    if (disk.state == FileContents::State::Unreadable) return {};
    return ParseIni(disk.bytes);
}

std::optional<std::string> ConfigText(wxFileConfig& config, bool byteOrderMark)
{
    bool failed = false;
    ByteKeepingUtf8 utf8(&failed);
    wxMemoryOutputStream out;
    if (!config.Save(out, utf8) || failed) return std::nullopt;
    std::string text(out.GetSize(), '\0');
    if (!text.empty()) out.CopyTo(text.data(), text.size());
    text = PlainSectionHeaders(text);
    if (byteOrderMark) text.insert(0, kByteOrderMark);
    return text;
}

std::map<std::string, std::string> SectionEntries(wxFileConfig& config, std::string_view section)
{
    std::map<std::string, std::string> entries;
    const wxString group = IniEntryPath(section, "");
    if (!config.HasGroup(group)) return entries;
    const wxString previous = config.GetPath();
    config.SetPath(group);
    wxString name;
    long index = 0;
    for (bool more = config.GetFirstEntry(name, index); more; more = config.GetNextEntry(name, index)) {
        wxString value;
        config.Read(name, &value);
        entries[IniValueBytes(name).value_or("")] = IniValueBytes(value).value_or("");
    }
    config.SetPath(previous);
    return entries;
}

std::optional<std::string> ReadValue(wxFileConfig& config, std::string_view section, std::string_view key)
{
    wxString value;
    if (!config.Read(IniEntryPath(section, key), &value)) return std::nullopt;
    return IniValueBytes(value);
}

// The file as it is now, for an edit to read.
class ConfigReader final : public Profile {
public:
    explicit ConfigReader(wxFileConfig& config) : m_config(config) {}
    std::optional<std::string> ReadString(std::string_view section, std::string_view key) override
    {
        return ReadValue(m_config, section, key);
    }
    [[nodiscard]] bool WriteString(std::string_view, std::string_view, std::string_view) override { return false; }

private:
    wxFileConfig& m_config;
};

std::string Absolute(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.string();
}

// Programs of ours writing the file take turns on the folder the file
// itself is in, whatever link they reach it by.
std::string LockFolder(const std::string& path)
{
    return std::filesystem::path(FileBehindLinks(path)).parent_path().string();
}

}  // namespace

IniProfile::IniProfile(const std::string& path) : m_path(Absolute(path))
{
    wxLogNull quiet;  // an unreadable file is the same as an empty one
    QuietToolkitAsserts asserts;
    ParsedIni parsed = ReadIni(m_path);
    if (!parsed.config) parsed = ParseIni({});
    m_config = std::move(parsed.config);
    m_byteOrderMark = parsed.byteOrderMark;
    if (!m_config) {
        // No anonymous file to be had: an empty configuration, as for a
        // file that cannot be read.
        wxMemoryInputStream none(nullptr, 0);
        m_config = std::make_unique<wxFileConfig>(none, ByteKeepingUtf8());
        m_config->SetStyle(m_config->GetStyle() | wxCONFIG_USE_NO_ESCAPE_CHARACTERS);
        m_config->SetExpandEnvVars(false);
    }
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
    QuietToolkitAsserts asserts;
    return ReadValue(*m_config, section, key);
}

bool IniProfile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    const wxString path = IniEntryPath(section, key);
    const wxString text = IniValueText(value);
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
    if (SectionEntries(*m_config, section) != entries) {
        wxLogNull quiet;
        QuietToolkitAsserts asserts;
        m_config->DeleteGroup(IniEntryPath(section, ""));
        for (const auto& [key, value] : entries) m_config->Write(IniEntryPath(section, key), IniValueText(value));
        m_changes.ReplaceSection(section, entries);
    }
    return Flush();
}

bool IniProfile::EditSection(std::string_view section, const SectionEdit& edit)
{
    wxLogNull quiet;
    QuietToolkitAsserts asserts;
    const FolderLock lock(LockFolder(m_path));
    ParsedIni now = ReadIni(m_path);
    if (now.config) {
        m_changes.ApplyTo(*now.config);
        m_config = std::move(now.config);
        m_byteOrderMark = now.byteOrderMark;
    }
    ConfigReader reader(*m_config);
    const std::map<std::string, std::string> entries = edit(reader);
    if (SectionEntries(*m_config, section) != entries) {
        m_config->DeleteGroup(IniEntryPath(section, ""));
        for (const auto& [key, value] : entries) m_config->Write(IniEntryPath(section, key), IniValueText(value));
        m_changes.ReplaceSection(section, entries);
    }
    return FlushLocked();
}

void IniProfile::Reload()
{
    wxLogNull quiet;
    QuietToolkitAsserts asserts;
    ParsedIni now = ReadIni(m_path);
    if (!now.config) return;
    m_changes.ApplyTo(*now.config);
    m_config = std::move(now.config);
    m_byteOrderMark = now.byteOrderMark;
}

bool IniProfile::Flush()
{
    if (m_changes.Empty()) return true;
    wxLogNull quiet;
    QuietToolkitAsserts asserts;
    // Our programs merging into the same file take turns, or the slower one
    // would rename away the other's keys it did not see.
    const FolderLock lock(LockFolder(m_path));
    return FlushLocked();
}

bool IniProfile::FlushLocked()
{
    if (m_changes.Empty()) return true;
    std::optional<std::string> text;
    if (ParsedIni merged = ReadIni(m_path); merged.config) {
        m_changes.ApplyTo(*merged.config);
        text = ConfigText(*merged.config, merged.byteOrderMark);
    }
    // A file that cannot be read back whole leaves nothing to merge with:
    // what this process knows, its own writes included, replaces it, as
    // before two viewers shared a file.
    if (!text) text = ConfigText(*m_config, m_byteOrderMark);
    if (!text || !ReplaceFileWhole(m_path, *text)) return false;
    m_changes.Clear();
    return true;
}

}  // namespace oxv
