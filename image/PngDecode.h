#pragma once

// Decoding a PNG file into 8-bit RGB or RGBA pixels for a texture, over
// libpng: palette, grey and 16-bit images come out as 8-bit RGB(A), gamma is
// corrected for the screen. No OpenGL here; PngTexture.h uploads the result.

#include <cstdint>
#include <cstdio>
#include <vector>

namespace oxv {

// Transparency modes of the texture loader.
enum PngTransparency : int {
    PNG_SOLID = -1,  // RGB: any alpha or transparent colour of the file is ignored
    PNG_ALPHA = -2,  // RGBA: the file's alpha (or transparent colour); opaque when it has none
};

struct PngPixels {
    unsigned width = 0;
    unsigned height = 0;
    unsigned components = 0;     // 3 (RGB) or 4 (RGBA)
    unsigned fileDepth = 0;      // bits per sample in the file
    bool fileAlpha = false;      // the file has an alpha channel or a transparent colour
    std::vector<uint8_t> pixels; // rows top first, width × components bytes each
};

// Larger images are refused rather than decoded.
inline constexpr unsigned kMaxPngSide = 16384;

// The screen gamma: VIEWING_GAMMA when it holds a positive number, else 2.2.
double ScreenGammaFromEnvironment();

// Decodes the PNG read from `file` (from its current position). The gamma
// correction maps the file's gAMA (1/2.2 when it has none) to `screenGamma`.
// False on any failure, with `out` empty.
[[nodiscard]] bool DecodePng(std::FILE* file, int transparency, double screenGamma, PngPixels& out);

// The size a texture gets: each side the power of two nearest to it when the
// implementation needs powers of two, and no side above `maxSide`.
void FitTextureSize(unsigned width, unsigned height, bool powerOfTwo, unsigned maxSide, unsigned& fitWidth,
                    unsigned& fitHeight);

}  // namespace oxv
