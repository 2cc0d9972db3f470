#include "image/PngDecode.h"

#include <png.h>

#include <charconv>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>

namespace oxv {

namespace {

// libpng reports errors by longjmp to the jump buffer set below. The
// functions that set it hold nothing with a destructor, so the jump skips
// no C++ clean-up; everything they allocate lives in PngReadState and is
// released by its owner after they return.
struct PngReadState {
    png_structp png = nullptr;
    png_infop info = nullptr;
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

struct PngHeader {
    png_uint_32 width;
    png_uint_32 height;
    int fileDepth;
    int colorType;
    int hasTransparentColor;
    int channels;
    size_t rowBytes;
};

// Reads the header and sets up the transformations to 8-bit RGB(A).
bool ReadHeader(PngReadState* state, std::FILE* file, int transparency, double screenGamma, PngHeader* header)
{
    png_structp png = state->png;
    png_infop info = state->info;
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
    png_read_info(png, info);

    int interlace = 0;
    png_get_IHDR(png, info, &header->width, &header->height, &header->fileDepth, &header->colorType, &interlace,
                 nullptr, nullptr);
    header->hasTransparentColor = png_get_valid(png, info, PNG_INFO_tRNS) ? 1 : 0;
    const int colorType = header->colorType;
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && header->fileDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (transparency == PNG_ALPHA && header->hasTransparentColor) png_set_tRNS_to_alpha(png);
    if (header->fileDepth == 16) png_set_scale_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    const bool fileHasAlphaChannel = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
    // Palette expansion turns a transparent entry into alpha as well; solid
    // drops every alpha however it arose.
    if (transparency == PNG_SOLID && (fileHasAlphaChannel || header->hasTransparentColor)) png_set_strip_alpha(png);
    if (transparency == PNG_ALPHA && !fileHasAlphaChannel && !header->hasTransparentColor)
        png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);

    double fileGamma = 0.0;
    if (!png_get_gAMA(png, info, &fileGamma) || !(fileGamma > 0.0)) fileGamma = 1.0 / 2.2;
    png_set_gamma(png, screenGamma, fileGamma);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header->channels = png_get_channels(png, info);
    header->rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool ReadRows(PngReadState* state, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(state->png))) return false;
    png_read_image(state->png, rows);
    png_read_end(state->png, nullptr);
    return true;
}

class PngReader {
public:
    PngReader()
    {
        m_state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
        if (m_state.png) m_state.info = png_create_info_struct(m_state.png);
    }
    ~PngReader() { png_destroy_read_struct(&m_state.png, m_state.info ? &m_state.info : nullptr, nullptr); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    bool Ready() const { return m_state.png && m_state.info; }
    PngReadState* State() { return &m_state; }

private:
    PngReadState m_state;
};

bool Decode(std::FILE* file, int transparency, double screenGamma, PngPixels& out)
{
    if (!file || (transparency != PNG_SOLID && transparency != PNG_ALPHA)) return false;
    if (!(screenGamma > 0.0) || !std::isfinite(screenGamma)) return false;
    PngReader reader;
    if (!reader.Ready()) return false;
    PngHeader header{};
    if (!ReadHeader(reader.State(), file, transparency, screenGamma, &header)) return false;
    const unsigned components = transparency == PNG_ALPHA ? 4u : 3u;
    if (header.width == 0 || header.height == 0 || static_cast<unsigned>(header.channels) != components ||
        header.rowBytes != size_t{header.width} * components)
        return false;

    out.pixels = std::vector<uint8_t>(header.rowBytes * header.height);
    std::vector<png_bytep> rows(header.height);
    for (png_uint_32 y = 0; y < header.height; ++y) rows[y] = out.pixels.data() + header.rowBytes * y;
    if (!ReadRows(reader.State(), rows.data())) return false;
    out.width = header.width;
    out.height = header.height;
    out.components = components;
    out.fileDepth = static_cast<unsigned>(header.fileDepth);
    out.fileAlpha = (header.colorType & PNG_COLOR_MASK_ALPHA) != 0 || header.hasTransparentColor != 0;
    return true;
}

unsigned NearestPowerOfTwo(unsigned n)
{
    unsigned p = 1;
    while (p <= n / 2) p *= 2;  // largest power of two not above n
    if (p < 0x80000000u && n - p >= 2 * p - n) p *= 2;
    return p;
}

}  // namespace

double ScreenGammaFromEnvironment()
{
    constexpr double kDefault = 2.2;
    const char* text = std::getenv("VIEWING_GAMMA");
    if (!text) return kDefault;
    while (*text == ' ' || *text == '\t') ++text;
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text, text + std::strlen(text), value);
    if (ec != std::errc() || end == text || !(value > 0.0) || !std::isfinite(value)) return kDefault;
    return value;
}

bool DecodePng(std::FILE* file, int transparency, double screenGamma, PngPixels& out)
{
    out = PngPixels{};
    bool ok = false;
    try {
        ok = Decode(file, transparency, screenGamma, out);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok) out = PngPixels{};
    return ok;
}

void FitTextureSize(unsigned width, unsigned height, bool powerOfTwo, unsigned maxSide, unsigned& fitWidth,
                    unsigned& fitHeight)
{
    auto fit = [&](unsigned n) {
        if (powerOfTwo) {
            n = NearestPowerOfTwo(n);
            while (n > maxSide && n > 1) n /= 2;
            return n;
        }
        return n > maxSide ? maxSide : n;
    };
    fitWidth = fit(width);
    fitHeight = fit(height);
}

}  // namespace oxv
