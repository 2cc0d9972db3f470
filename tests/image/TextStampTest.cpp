// Burned-in text: the glyphs land where the font says, in either row order,
// at any scale, outlined, and clipped at the picture's edges.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/TextStamp.h"

namespace oxv {
namespace {

struct Picture {
    int width, height;
    bool bottomUp;
    std::vector<uint8_t> bytes;
    Picture(int w, int h, bool up, uint8_t fill = 128)
        : width(w), height(h), bottomUp(up), bytes(static_cast<size_t>(w) * static_cast<size_t>(h) * 3, fill)
    {
    }
    RgbPicture View() { return RgbPicture{bytes.data(), static_cast<size_t>(width) * 3, width, height, bottomUp}; }
    // The grey level at (x, y) from the top left.
    int At(int x, int y) const
    {
        const int row = bottomUp ? height - 1 - y : y;
        return bytes[(static_cast<size_t>(row) * width + x) * 3];
    }
};

TEST(TextStamp, GlyphsLandWhereTheFontSaysInEitherRowOrder)
{
    for (bool bottomUp : {false, true}) {
        for (int scale : {1, 3}) {
            Picture p(80, 40, bottomUp);
            const int x = 5, y = 4;
            StampText(p.View(), x, y, scale, "F7");
            for (int i = 0; i < 2; ++i)
                for (int row = 0; row < kGlyphHeight; ++row)
                    for (int col = 0; col < kGlyphWidth; ++col) {
                        const int px = x + (i * kGlyphAdvance + 1 + col) * scale;
                        const int py = y + (row + 1) * scale;
                        const bool set = GlyphPixel("F7"[i], col, row);
                        // Every pixel of a glyph pixel's block: white when set,
                        // else dark (outline) or untouched.
                        for (int d = 0; d < scale * scale; ++d) {
                            const int level = p.At(px + d % scale, py + d / scale);
                            if (set)
                                EXPECT_EQ(level, 255) << bottomUp << scale << i << row << col;
                            else
                                EXPECT_TRUE(level == 0 || level == 128) << bottomUp << scale << i << row << col;
                        }
                    }
            // The outline rings the glyphs: the pixel left of F's stem is dark,
            // and nothing is touched beyond the text's box.
            EXPECT_EQ(p.At(x + 0, y + scale), 0);
            const int right = x + TextWidth("F7", scale), bottom = y + TextHeight(scale);
            int touchedOutside = 0;
            for (int yy = 0; yy < p.height; ++yy)
                for (int xx = 0; xx < p.width; ++xx)
                    touchedOutside += (xx >= right || yy >= bottom || xx < x || yy < y) && p.At(xx, yy) != 128;
            EXPECT_EQ(touchedOutside, 0);
        }
    }
}

TEST(TextStamp, SmallLettersAreCapitalsAndOthersAQuestionMark)
{
    for (int row = 0; row < kGlyphHeight; ++row)
        for (int col = 0; col < kGlyphWidth; ++col) {
            EXPECT_EQ(GlyphPixel('a', col, row), GlyphPixel('A', col, row));
            EXPECT_EQ(GlyphPixel('\x01', col, row), GlyphPixel('?', col, row));
            EXPECT_EQ(GlyphPixel('\xC3', col, row), GlyphPixel('?', col, row));
        }
    EXPECT_FALSE(GlyphPixel('A', kGlyphWidth, 0));
    EXPECT_FALSE(GlyphPixel('A', 0, -1));
    // Every digit differs from every other, so a frame number reads true.
    for (char a = '0'; a <= '9'; ++a)
        for (char b = static_cast<char>(a + 1); b <= '9'; ++b) {
            bool differ = false;
            for (int i = 0; i < kGlyphWidth * kGlyphHeight; ++i)
                differ |= GlyphPixel(a, i % kGlyphWidth, i / kGlyphWidth) != GlyphPixel(b, i % kGlyphWidth, i / kGlyphWidth);
            EXPECT_TRUE(differ) << a << b;
        }
}

// Text reaching past any edge, or starting far outside, writes only inside.
TEST(TextStamp, TextPastTheEdgesIsClipped)
{
    const std::string text(40, 'W');
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{-7, -5}, {20, 15}, {-100000, 3}, {3, 100000}, {60, 2}}) {
        Picture p(64, 20, true);
        const size_t size = p.bytes.size();
        StampText(p.View(), x, y, 2, text);
        EXPECT_EQ(p.bytes.size(), size);
    }
    Picture p(64, 20, false);
    StampText(p.View(), -7, -5, 2, text);
    int white = 0;
    for (int yy = 0; yy < p.height; ++yy)
        for (int xx = 0; xx < p.width; ++xx) white += p.At(xx, yy) == 255;
    EXPECT_GT(white, 0) << "the part inside is written";
    EXPECT_EQ(StampScale(96), 1);
    EXPECT_EQ(StampScale(720), 3);
    EXPECT_EQ(StampScale(2160), 9);
}

}  // namespace
}  // namespace oxv
