#pragma once

namespace oxv {

// How reading a file into memory ended, and with it a whole survey load.
enum class [[nodiscard]] LoadStatus {
    Ok,
    CannotOpen,  // the file could not be opened: nothing changed
    NotEnoughMemory,
    ReadError,
    FormatError,  // read whole, but not a file of its kind
    Cancelled,
};

}  // namespace oxv
