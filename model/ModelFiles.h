#pragma once

// Reading the model's files whole. Only regular files are opened: a pipe or
// device named like a model file would block the open or never end.

#include <string>
#include <sys/stat.h>

#include "base/FileReading.h"

namespace oxv {

[[nodiscard]] inline bool IsRegularFile(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

[[nodiscard]] inline bool ReadModelFile(const std::string& path, ImageBlock& block)
{
    return IsRegularFile(path) && ReadWholeFile(path, block) == LoadStatus::Ok;
}

}  // namespace oxv
