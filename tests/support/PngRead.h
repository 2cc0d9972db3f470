#pragma once

// Decodes a PNG file to 8-bit RGB, top row first, with libpng's simplified API.

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace oxv::test {

// Empty when the file is not a readable PNG.
inline std::vector<uint8_t> DecodePng(const std::string& path, int& width, int& height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return rgb;
}

}  // namespace oxv::test
