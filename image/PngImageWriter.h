#pragma once

#include <cstdint>
#include <string>

namespace oxv {

struct PngEncoding {
    int zlibLevel = 6;       // libpng's default
    bool adaptiveFilters = true;
    int zlibStrategy = -1;  // -1: libpng's choice; else Z_DEFAULT_STRATEGY, Z_RLE...
};

// Writes 8-bit RGB rows, top row first, `rowBytes` apart, as a 24-bit PNG.
// The file appears whole or not at all: it is written under a temporary
// name and renamed into place. False on any failure, with errno saying why
// (EINVAL for a picture without pixels, EIO for a failure inside libpng).
[[nodiscard]] bool WritePngRgb(const std::string& path, int width, int height, const uint8_t* rgb, size_t rowBytes,
                 const PngEncoding& encoding = {});

// The same from rows stored bottom row first, as OpenGL reads them back;
// the picture comes out upright without flipping the rows in memory.
[[nodiscard]] bool WritePngRgbBottomUp(const std::string& path, int width, int height, const uint8_t* rgb, size_t rowBytes,
                         const PngEncoding& encoding = {});

}  // namespace oxv
