#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "view/ColorLegend.h"

namespace oxv {

namespace {

// A 5 x 7 pixel font for the labels, top row first.
struct Glyph {
    char c;
    const char* rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."}},
    {'-', {".....", ".....", ".....", "#####", ".....", ".....", "....."}},
    {'m', {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#...#", "#...#"}},
    {'?', {".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."}},
};

constexpr int kPixel = 2;                  // screen pixels per font pixel
constexpr int kAdvance = 6 * kPixel;       // glyph width plus a gap
constexpr int kTextHeight = 7 * kPixel;

const Glyph* FindGlyph(char c)
{
    for (const Glyph& g : kGlyphs)
        if (g.c == c) return &g;
    return nullptr;
}

// Text with its lower left corner at (x, y), y upwards.
void DrawText(const std::string& text, int x, int y)
{
    glBegin(GL_QUADS);
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph* g = FindGlyph(text[i]);
        if (!g) continue;  // a space, or a character the font lacks
        const int left = x + static_cast<int>(i) * kAdvance;
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col) {
                if (g->rows[row][col] != '#') continue;
                const int px = left + col * kPixel, py = y + (6 - row) * kPixel;
                glVertex2i(px, py);
                glVertex2i(px + kPixel, py);
                glVertex2i(px + kPixel, py + kPixel);
                glVertex2i(px, py + kPixel);
            }
    }
    glEnd();
}

int TextWidth(const std::string& text) { return static_cast<int>(text.size()) * kAdvance - kPixel; }

// The points' own ramp for t in 0..1.
void RampColor(const ColorLegend& legend, double t)
{
    if (legend.mode == kColorAmpBw)
        glColor3d(t, t, t);
    else
        glColor3d(t, 1.0 - t, 0.0);
}

}  // namespace

void DrawColorLegend(const ColorLegend& legend, int w, int h)
{
    if (w < 40 || h < 60) return;  // no room for a readable bar
    const std::string top = LegendLabel(legend.max, legend.metres);
    const std::string bottom = LegendLabel(legend.min, legend.metres);
    const int margin = 12, barWidth = 16;
    const int barHeight = std::clamp(h / 3, 40, 240);
    const int barRight = w - margin, barLeft = barRight - barWidth;
    const int barBottom = margin + kTextHeight / 2, barTop = barBottom + barHeight;
    const int textRight = barLeft - 8;
    const int textWidth = std::max(TextWidth(top), TextWidth(bottom));

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, w, 0, h, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LINE_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    // A dark panel keeps the labels readable over bright points.
    glColor4d(0.0, 0.0, 0.0, 0.6);
    glRecti(textRight - textWidth - 6, barBottom - kTextHeight / 2 - 6, barRight + 6, barTop + kTextHeight / 2 + 6);
    glDisable(GL_BLEND);

    const int steps = 32;
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        RampColor(legend, t);
        const int y = barBottom + static_cast<int>(t * barHeight);
        glVertex2i(barLeft, y);
        glVertex2i(barRight, y);
    }
    glEnd();

    glColor3d(1.0, 1.0, 1.0);
    DrawText(top, textRight - TextWidth(top), barTop - kTextHeight / 2);
    DrawText(bottom, textRight - TextWidth(bottom), barBottom - kTextHeight / 2);

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

}  // namespace oxv
