#include "settings/ProgramFiles.h"

#include <filesystem>
#include <system_error>

namespace oxv {

std::string ExecutablePath()
{
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

std::string IniPathForExecutable(const std::string& exePath)
{
    std::filesystem::path path(exePath);
    path.replace_extension(".ini");
    return path.string();
}

std::string ModelPathForExecutable(const std::string& exePath)
{
    return (std::filesystem::path(exePath).parent_path() / "model" / "gray.obj").string();
}

}  // namespace oxv
