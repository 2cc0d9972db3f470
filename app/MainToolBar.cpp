#include "app/MainToolBar.h"

#include <wx/bitmap.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/stattext.h>
#include <wx/toolbar.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "app/CommandIds.h"

namespace oxv {

namespace {

struct Rgb {
    double r, g, b;
};

// A small RGBA picture drawn with antialiased shapes (4 x 4 samples a
// pixel), for toolbar icons that need no art files.
class IconPainter {
public:
    static constexpr int kSize = 24;

    // Paints `colour(x, y)` wherever `inside(x, y)` holds, over what is there.
    void Cover(const std::function<bool(double, double)>& inside, const std::function<Rgb(double, double)>& colour)
    {
        for (int py = 0; py < kSize; ++py)
            for (int px = 0; px < kSize; ++px) {
                int hits = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx) hits += inside(px + (sx + 0.5) / 4.0, py + (sy + 0.5) / 4.0);
                if (hits == 0) continue;
                const double a = hits / 16.0;
                const Rgb c = colour(px + 0.5, py + 0.5);
                Pixel& p = m_pixels[static_cast<size_t>(py * kSize + px)];
                const double keep = p.a * (1.0 - a);
                const double alpha = a + keep;
                p.r = (c.r * a + p.r * keep) / alpha;
                p.g = (c.g * a + p.g * keep) / alpha;
                p.b = (c.b * a + p.b * keep) / alpha;
                p.a = alpha;
            }
    }
    void Cover(const std::function<bool(double, double)>& inside, Rgb colour)
    {
        Cover(inside, [colour](double, double) { return colour; });
    }

    // A polygon, even-odd rule.
    void Polygon(std::vector<std::array<double, 2>> points, Rgb colour)
    {
        Cover([points](double x, double y) { return InPolygon(points, x, y); }, colour);
    }
    void Rect(double x, double y, double w, double h, Rgb colour)
    {
        Cover([=](double px, double py) { return px >= x && px < x + w && py >= y && py < y + h; }, colour);
    }
    void Disc(double cx, double cy, double r, Rgb colour)
    {
        Cover([=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; }, colour);
    }
    void Ring(double cx, double cy, double r, double width, Rgb colour)
    {
        Cover(
            [=](double x, double y) {
                const double d = std::hypot(x - cx, y - cy);
                return d <= r + width / 2 && d >= r - width / 2;
            },
            colour);
    }
    void Line(double x0, double y0, double x1, double y1, double width, Rgb colour)
    {
        const double dx = x1 - x0, dy = y1 - y0, n = std::hypot(dx, dy);
        if (n <= 0) return;
        const double ox = -dy / n * width / 2, oy = dx / n * width / 2;
        Polygon({{x0 + ox, y0 + oy}, {x1 + ox, y1 + oy}, {x1 - ox, y1 - oy}, {x0 - ox, y0 - oy}}, colour);
    }
    // A capital letter of a 5 x 7 grid, each cell `cell` pixels, top-left at (x, y).
    void Letter(char letter, double x, double y, double cell, Rgb colour)
    {
        static const struct {
            char letter;
            const char* rows[7];
        } kGlyphs[] = {
            {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
            {'N', {"#...#", "##..#", "#.#.#", "#.#.#", "#..##", "#...#", "#...#"}},
            {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
            {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
            {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
        };
        for (const auto& glyph : kGlyphs) {
            if (glyph.letter != letter) continue;
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (glyph.rows[row][col] == '#') Rect(x + col * cell, y + row * cell, cell, cell, colour);
        }
    }

    wxBitmap ToBitmap() const
    {
        wxImage image(kSize, kSize);
        image.SetAlpha();
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                const Pixel& p = m_pixels[static_cast<size_t>(y * kSize + x)];
                auto byte = [](double v) { return static_cast<unsigned char>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); };
                image.SetRGB(x, y, byte(p.r), byte(p.g), byte(p.b));
                image.SetAlpha(x, y, byte(p.a));
            }
        return wxBitmap(image);
    }

private:
    struct Pixel {
        double r = 0, g = 0, b = 0, a = 0;
    };

    static bool InPolygon(const std::vector<std::array<double, 2>>& p, double x, double y)
    {
        bool inside = false;
        for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
            if ((p[i][1] > y) != (p[j][1] > y) &&
                x < (p[j][0] - p[i][0]) * (y - p[i][1]) / (p[j][1] - p[i][1]) + p[i][0])
                inside = !inside;
        }
        return inside;
    }

    std::array<Pixel, kSize * kSize> m_pixels{};
};

constexpr Rgb kInk{0.22, 0.24, 0.27};
constexpr Rgb kWhite{1, 1, 1};

// The view's own colour ramp, green (low) to red (high), t from 0 to 1.
Rgb Ramp(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return {0.1 + 0.85 * t, 0.1 + 0.75 * (1.0 - t), 0.1};
}

wxBitmap OpenIcon()
{
    IconPainter p;
    const Rgb back{0.80, 0.60, 0.20}, front{0.96, 0.78, 0.35};
    p.Polygon({{2, 5}, {9, 5}, {11, 7}, {21, 7}, {21, 19}, {2, 19}}, back);
    p.Polygon({{5, 10}, {23, 10}, {20, 20}, {2, 20}}, front);
    return p.ToBitmap();
}

wxBitmap ZoomToExtentIcon()
{
    IconPainter p;
    // Corner marks around a scatter of points.
    const double a = 2.5, b = 21.5, l = 6;
    for (const auto& c : {std::array<double, 4>{a, a, 1, 1}, {b, a, -1, 1}, {a, b, 1, -1}, {b, b, -1, -1}}) {
        p.Line(c[0], c[1], c[0] + c[2] * l, c[1], 2, kInk);
        p.Line(c[0], c[1], c[0], c[1] + c[3] * l, 2, kInk);
    }
    const double dots[][2] = {{8, 9}, {12, 7.5}, {16, 10}, {10, 13}, {14, 14}, {8, 16.5}, {16.5, 16}, {12, 11}};
    for (const auto& d : dots) p.Disc(d[0], d[1], 1.4, {0.15, 0.45, 0.85});
    return p.ToBitmap();
}

// A standard view: its letter on a dark tile.
wxBitmap ViewIcon(char letter)
{
    IconPainter p;
    p.Polygon({{3, 2}, {21, 2}, {22, 3}, {22, 21}, {21, 22}, {3, 22}, {2, 21}, {2, 3}}, {0.25, 0.35, 0.50});
    p.Letter(letter, 7, 5, 2, kWhite);
    return p.ToBitmap();
}

wxBitmap ColorModeIcon(int mode)
{
    IconPainter p;
    switch (mode) {
    case 0:  // Height: a hill coloured by its height
        p.Cover([](double x, double y) { return y > 20 - (x < 12 ? x : 24 - x) * 1.5 && y < 21 && x > 1 && x < 23; },
                [](double, double y) { return Ramp((21 - y) / 18.0); });
        break;
    case 1:  // Amp: echoes of rising strength, in the amplitude colours
    case 2:  // Amp BW: the same in grey
        for (int i = 0; i < 4; ++i) {
            const double t = (i + 1) / 4.0;
            const Rgb c = mode == 1 ? Ramp(t) : Rgb{0.15 + 0.8 * t, 0.15 + 0.8 * t, 0.15 + 0.8 * t};
            p.Rect(2.5 + i * 5, 21 - 18 * t, 4, 18 * t, c);
        }
        if (mode == 2) p.Rect(1.5, 21, 21, 1.2, kInk);
        break;
    case 3:  // Range: rings about the sensor, coloured by distance
        for (int i = 3; i >= 0; --i) p.Ring(3, 21, 5 + i * 5, 2.4, Ramp(i / 3.0));
        p.Disc(3, 21, 2.5, kInk);
        break;
    default:  // Original: the survey's own colours
        p.Disc(9, 9, 6.5, {0.90, 0.20, 0.20});
        p.Disc(15, 9, 6.5, {0.20, 0.75, 0.25});
        p.Disc(12, 15, 6.5, {0.20, 0.40, 0.90});
        break;
    }
    return p.ToBitmap();
}

wxBitmap StartIcon()
{
    IconPainter p;
    p.Polygon({{6, 3}, {20, 12}, {6, 21}}, {0.15, 0.62, 0.25});
    return p.ToBitmap();
}

wxBitmap PauseIcon()
{
    IconPainter p;
    p.Rect(5, 4, 5, 16, {0.20, 0.40, 0.75});
    p.Rect(14, 4, 5, 16, {0.20, 0.40, 0.75});
    return p.ToBitmap();
}

wxBitmap StopIcon()
{
    IconPainter p;
    p.Rect(5, 5, 14, 14, {0.75, 0.18, 0.15});
    return p.ToBitmap();
}

// FPV Camera Mode: a film camera on its flight path.
wxBitmap FirstPersonIcon()
{
    IconPainter p;
    p.Line(1, 21, 23, 17, 1.5, {0.15, 0.45, 0.85});
    p.Rect(3, 7, 12, 9, kInk);
    p.Polygon({{15, 11.5}, {21, 7.5}, {21, 15.5}}, kInk);
    p.Disc(6.5, 5, 2.5, kInk);
    p.Disc(12, 5, 2.5, kInk);
    p.Disc(8, 11.5, 1.8, {0.95, 0.75, 0.2});
    return p.ToBitmap();
}

}  // namespace

wxToolBar* CreateMainToolBar(wxFrame* frame)
{
    wxToolBar* bar = frame->CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT, wxID_ANY);
    if (!bar) return nullptr;
    bar->SetToolBitmapSize(wxSize(IconPainter::kSize, IconPainter::kSize));
    bar->AddTool(cmd::kFileOpen, "Open", OpenIcon(), "Open a survey (Ctrl+O)");
    bar->AddSeparator();
    bar->AddTool(cmd::kZoomToExtent, "Zoom to Extent", ZoomToExtentIcon(), "Zoom to Extent (F)");
    const char letters[] = {'T', 'N', 'S', 'E', 'W'};
    const char* const views[] = {"Top view: looking down, north up (T)", "Looking North (N)", "Looking South (S)",
                                 "Looking East (E)", "Looking West (W)"};
    for (int i = 0; i < 5; ++i) bar->AddTool(cmd::kViewTop + i, views[i], ViewIcon(letters[i]), views[i]);
    bar->AddSeparator();
    const char* const modes[] = {"Height colours", "Amp colours", "Amp BW colours", "Range colours", "Original colours"};
    for (int i = 0; i < 5; ++i)
        bar->AddTool(cmd::kColorHeight + i, modes[i], ColorModeIcon(i), modes[i], wxITEM_CHECK);
    bar->AddSeparator();
    bar->AddTool(cmd::kPlayStart, "Start", StartIcon(), "Start playback (Space)", wxITEM_CHECK);
    bar->AddTool(cmd::kPlayPause, "Pause/Resume", PauseIcon(), "Pause or resume playback (Space)", wxITEM_CHECK);
    bar->AddTool(cmd::kPlayStop, "Stop", StopIcon(), "Stop playback (Esc)", wxITEM_CHECK);
    bar->AddTool(cmd::kFpvMode, "FPV Camera Mode", FirstPersonIcon(), "First-person flight along the camera path",
                 wxITEM_CHECK);
    bar->AddSeparator();
    // Says "REC" while frames are being written (the view's update rule).
    auto* mark = new wxStaticText(bar, cmd::kRecordingMark, wxString(), wxDefaultPosition, wxDefaultSize,
                                  wxST_NO_AUTORESIZE);
    mark->SetForegroundColour(wxColour(200, 20, 20));
    mark->SetFont(mark->GetFont().Bold());
    mark->SetSize(mark->GetTextExtent("REC: frames not written").x + 8, -1);
    mark->SetMinSize(mark->GetSize());
    bar->AddControl(mark);
    bar->Realize();
    return bar;
}

}  // namespace oxv
