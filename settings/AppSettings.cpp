#include "settings/AppSettings.h"

#include <algorithm>
#include <map>

namespace oxv {

void RecentFileList::Add(const std::string& path)
{
    if (path.empty() || m_capacity == 0) return;
    std::erase(m_files, path);
    m_files.insert(m_files.begin(), path);
    if (m_files.size() > m_capacity) m_files.resize(m_capacity);
}

void RecentFileList::Remove(size_t index)
{
    if (index < m_files.size()) m_files.erase(m_files.begin() + static_cast<std::ptrdiff_t>(index));
}

void RecentFileList::RemoveFile(const std::string& path)
{
    std::erase(m_files, path);
}

void RecentFileList::Load(Profile& profile)
{
    m_files.clear();
    for (size_t i = 1; i <= m_capacity; ++i) {
        const auto value = profile.ReadString(kRecentFileSection, "File" + std::to_string(i));
        if (value && !value->empty() && std::find(m_files.begin(), m_files.end(), *value) == m_files.end())
            m_files.push_back(*value);
    }
}

SettingsFile::SettingsFile(const std::string& path) : m_path(path), m_ini(path) {}

std::optional<std::string> SettingsFile::ReadString(std::string_view section, std::string_view key)
{
    return m_ini.ReadString(section, key);
}

bool SettingsFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    return m_ini.WriteString(section, key, value);
}

namespace {

std::map<std::string, std::string> RecentEntries(const RecentFileList& list)
{
    std::map<std::string, std::string> entries;
    for (size_t i = 0; i < list.Files().size(); ++i) entries["File" + std::to_string(i + 1)] = list.Files()[i];
    return entries;
}

}  // namespace

bool SettingsFile::WriteRecentFiles(const RecentFileList& list)
{
    return m_ini.ReplaceSection(kRecentFileSection, RecentEntries(list));
}

bool SettingsFile::UpdateRecentFiles(RecentFileList& list, const std::function<void(RecentFileList&)>& change)
{
    return m_ini.EditSection(kRecentFileSection, [&](Profile& now) {
        RecentFileList onDisk(list.Capacity());
        onDisk.Load(now);
        if (!onDisk.Files().empty()) list = std::move(onDisk);
        change(list);
        return RecentEntries(list);
    });
}

}  // namespace oxv
