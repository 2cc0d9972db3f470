#pragma once

#include <functional>
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
// for this session. The file is UTF-8; bytes in it that are not (a value
// typed in another encoding) are read and written back exactly as they are.
// A symbolic link at the file's name stays: writes go to the file it names.
//
// Several viewers may run at once over one file. Reads come from the file
// as it was when this object opened it (or last reloaded it), but a write
// re-reads the file and changes there only the keys this object wrote, so
// another program's newer values survive. A relative path names a file in
// the working folder.
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

    // Reads, changes and writes one section while no program of ours
    // writes the file: `edit` is given the file as it is now and returns
    // what the section is to hold. Two programs editing the section at the
    // same moment both get their change in. Reads see the file as it is
    // now afterwards. False when the file could not be written (the
    // section then holds the edit for this session).
    using SectionEdit = std::function<std::map<std::string, std::string>(Profile& now)>;
    [[nodiscard]] bool EditSection(std::string_view section, const SectionEdit& edit);

    // Reads the file again, which another program may have written since:
    // this object's writes that are not stored yet stay on top. A file
    // that cannot be read now leaves the values as they were.
    void Reload();

    // Writes what is still unwritten (after a write that failed).
    [[nodiscard]] bool Flush();

    const std::string& Path() const { return m_path; }

private:
    // Flush's work, with the lock on the file's folder already held.
    [[nodiscard]] bool FlushLocked();

    std::string m_path;
    std::unique_ptr<wxFileConfig> m_config;
    bool m_byteOrderMark = false;  // the file began with one: it keeps it
    IniChanges m_changes;
};

}  // namespace oxv
