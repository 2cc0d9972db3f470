#pragma once

#include <functional>
#include <string>

#include "base/ImageBlock.h"
#include "base/LoadStatus.h"

namespace oxv {

// Called as the read goes on with the fraction read so far; false cancels.
using ReadProgress = std::function<bool(double)>;

// Why ReadWholeFile would find nothing to read at `path` (no such file, no
// permission, a folder, a pipe or a device), in words; empty when it is a
// regular file that opens. Never waits on a pipe.
std::string CannotOpenReason(const std::string& path);

// Reads the whole file, sized by seeking to its end, into one block of
// exactly that size (never a FormatError). The block is left empty unless
// the outcome is Ok; a read error or a failed allocation puts its reason
// in words into `why`.
LoadStatus ReadWholeFile(const std::string& path, ImageBlock& block, const ReadProgress& progress = {},
                         std::string* why = nullptr);

}  // namespace oxv
