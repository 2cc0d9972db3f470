#include "image/PngImageWriter.h"

#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>

namespace oxv {

namespace {

// A lost frame is reported by the return value alone: libpng's own handlers
// would print every full-disk write on standard error.
[[noreturn]] void OnPngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// libpng reports errors by longjmp; everything it touches lives in this
// frame with no destructors to skip.
bool EncodeTo(FILE* file, int width, int height, const uint8_t* rgb, size_t rowBytes, const PngEncoding& encoding,
              bool bottomUp)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, encoding.zlibLevel);
    if (encoding.zlibStrategy >= 0) png_set_compression_strategy(png, encoding.zlibStrategy);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, encoding.adaptiveFilters ? PNG_ALL_FILTERS : PNG_FILTER_NONE);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const int row = bottomUp ? height - 1 - y : y;
        png_write_row(png, rgb + static_cast<size_t>(row) * rowBytes);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool WriteWhole(const std::string& path, int width, int height, const uint8_t* rgb, size_t rowBytes,
                const PngEncoding& encoding, bool bottomUp)
{
    if (width <= 0 || height <= 0 || !rgb) {
        errno = EINVAL;
        return false;
    }
    const std::string temp = path + ".part";
    FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file) return false;
    // The first failure's errno is the reason: a full disk shows in the
    // write libpng makes, or in the flush of the close.
    errno = 0;
    const bool encoded = EncodeTo(file, width, height, rgb, rowBytes, encoding, bottomUp);
    int why = encoded ? 0 : errno;
    const bool closed = std::fclose(file) == 0;
    if (!closed && why == 0) why = errno;
    if (!encoded || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        if (encoded && closed) why = errno;
        std::remove(temp.c_str());
        // libpng's own failures (memory) set no errno of their own.
        errno = why != 0 ? why : EIO;
        return false;
    }
    return true;
}

}  // namespace

bool WritePngRgb(const std::string& path, int width, int height, const uint8_t* rgb, size_t rowBytes,
                 const PngEncoding& encoding)
{
    return WriteWhole(path, width, height, rgb, rowBytes, encoding, false);
}

bool WritePngRgbBottomUp(const std::string& path, int width, int height, const uint8_t* rgb, size_t rowBytes,
                         const PngEncoding& encoding)
{
    return WriteWhole(path, width, height, rgb, rowBytes, encoding, true);
}

}  // namespace oxv
