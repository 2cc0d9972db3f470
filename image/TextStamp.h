#pragma once

// Text written straight into an RGB picture with a small built-in bitmap
// font (5x7 cells, printable ASCII; small letters drawn as capitals), white
// with a dark outline so that it reads over any survey colours. Used for the
// time, frame number and caption burned into recorded video frames.

#include <cstddef>
#include <cstdint>
#include <string>

namespace oxv {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
// A glyph's cell: the glyph and one column of space.
inline constexpr int kGlyphAdvance = kGlyphWidth + 1;

// An RGB picture, 3 bytes a pixel, rows `rowBytes` apart; `bottomUp` when
// the first row in memory is the picture's bottom one (as GL reads back).
struct RgbPicture {
    uint8_t* rows = nullptr;
    size_t rowBytes = 0;
    int width = 0, height = 0;
    bool bottomUp = false;
};

// Whether the glyph pixel (column, row from the top) of `c` is set;
// characters outside printable ASCII are drawn as '?'.
[[nodiscard]] bool GlyphPixel(char c, int column, int row);

// The size on screen of `text` at `scale` (each glyph pixel a scale x
// scale block), outline included.
int TextWidth(const std::string& text, int scale);
int TextHeight(int scale);

// Writes `text` with its outline's top-left corner at (x, y) from the
// picture's top-left; what falls outside the picture is left out.
void StampText(const RgbPicture& picture, int x, int y, int scale, const std::string& text);

// The scale burned-in text is written at for a picture `height` rows high:
// a line of text about a thirtieth of the height, at least one pixel a
// glyph pixel.
int StampScale(int height);

}  // namespace oxv
