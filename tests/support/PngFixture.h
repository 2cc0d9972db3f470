#pragma once

// Writing PNG files of every colour type and depth for the texture tests,
// with libpng's full interface (the simplified one cannot write palettes
// with a chosen depth or leave out gAMA for 16-bit images).

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace oxv::test {

struct PngPicture {
    int width = 1;
    int height = 1;
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    std::vector<uint8_t> rows;  // packed rows as stored in the file, top first
    std::vector<png_color> palette;
    std::vector<uint8_t> transparentIndices;  // tRNS alpha per palette entry
    std::optional<png_color_16> transparentColor;
    std::optional<double> gamma;  // gAMA chunk
    bool interlaced = false;
};

inline bool WritePng(const std::string& path, const PngPicture& picture)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), picture.bitDepth,
                 picture.colorType, picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!picture.palette.empty())
        png_set_PLTE(png, info, picture.palette.data(), static_cast<int>(picture.palette.size()));
    if (!picture.transparentIndices.empty())
        png_set_tRNS(png, info, picture.transparentIndices.data(), static_cast<int>(picture.transparentIndices.size()),
                     nullptr);
    if (picture.transparentColor) {
        png_color_16 color = *picture.transparentColor;
        png_set_tRNS(png, info, nullptr, 0, &color);
    }
    if (picture.gamma) png_set_gAMA(png, info, *picture.gamma);
    png_write_info(png, info);
    const size_t rowBytes = picture.rows.size() / static_cast<size_t>(picture.height);
    std::vector<png_bytep> rows(static_cast<size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y)
        rows[static_cast<size_t>(y)] = const_cast<png_bytep>(picture.rows.data()) + rowBytes * static_cast<size_t>(y);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

// An 8-bit RGB image from its pixels, top row first.
inline bool WriteRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
                        std::optional<double> gamma = std::nullopt)
{
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    picture.rows = rgb;
    picture.gamma = gamma;
    return WritePng(path, picture);
}

}  // namespace oxv::test
