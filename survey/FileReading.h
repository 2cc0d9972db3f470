#pragma once

#include <functional>
#include <string>

#include "survey/ImageBlock.h"

namespace oxv {

enum class ReadOutcome { Ok, CannotOpen, NotEnoughMemory, ReadError, Cancelled };

// Called as the read goes on with the fraction read so far; false cancels.
using ReadProgress = std::function<bool(double)>;

// Reads the whole file, sized by seeking to its end, into one block of
// exactly that size. The block is left empty unless the outcome is Ok.
ReadOutcome ReadWholeFile(const std::string& path, ImageBlock& block, const ReadProgress& progress = {});

}  // namespace oxv
