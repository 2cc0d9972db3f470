#pragma once

// The viewer's settings file and the recent-file list it keeps there. Plain
// logic apart from SettingsFile, which writes the INI file through
// wxFileConfig.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/IniProfile.h"
#include "settings/ProgramFiles.h"
#include "base/Profile.h"

namespace oxv {

inline constexpr const char* kRecentFileSection = "Recent File List";

// The most recently opened files, newest first, at most `capacity`, no
// duplicates.
class RecentFileList {
public:
    explicit RecentFileList(size_t capacity) : m_capacity(capacity) {}

    void Add(const std::string& path);
    void Remove(size_t index);
    void RemoveFile(const std::string& path);
    const std::vector<std::string>& Files() const { return m_files; }
    size_t Capacity() const { return m_capacity; }

    // Keys "File1" to "File<capacity>" of the "Recent File List" section;
    // empty values are skipped.
    void Load(Profile& profile);

private:
    size_t m_capacity;
    std::vector<std::string> m_files;
};

// The INI file as the viewer uses it: the playback settings and the
// recent-file list, over the shared INI adapter (which writes section names
// plain, "[Recent File List]", as a plain INI reader expects).
class SettingsFile final : public Profile {
public:
    explicit SettingsFile(const std::string& path);

    const std::string& Path() const { return m_path; }

    std::optional<std::string> ReadString(std::string_view section, std::string_view key) override;
    [[nodiscard]] bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;

    // Replaces the section with File1..FileN for the list's entries.
    [[nodiscard]] bool WriteRecentFiles(const RecentFileList& list);
    // `list` becomes the list as the file holds it now, which another
    // viewer may have written since this one read it (it is kept when the
    // file holds none); `change` is made to it and it is written back. All
    // of it happens while no other program of ours writes the file, so
    // viewers opening files at the same moment all keep theirs. False when
    // the file could not be written (the list is changed all the same).
    [[nodiscard]] bool UpdateRecentFiles(RecentFileList& list, const std::function<void(RecentFileList&)>& change);

    // Reads the file again: what other viewers stored since is what the
    // next survey opened reads.
    void Reload() { m_ini.Reload(); }

private:
    std::string m_path;
    IniProfile m_ini;
};

}  // namespace oxv
