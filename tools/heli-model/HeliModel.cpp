// Generates the helicopter the viewer flies during playback: gray.obj with
// its material library gray.mtl, the fuselage livery gray.png and the part
// lists and placement in gray.par. Run as `heli_model OUTDIR`; the output is
// committed under resources/model.
//
// Axes of the model, in metres: the nose points along -x, the right side
// along +y, z is up. That is the body frame the viewer's drawing turns by
// heading about z, by pitch about -x and by roll about +y; with the tail
// rotor turning about y and the main rotor about z, both rotors spin in
// their proper planes. The model's origin is the scanner under the nose:
// the parameter file's offset moves the scanner onto the pose position.

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/heli-model/MeshBuilder.h"
#include "image/PngImageWriter.h"

using heli::Corner;
using heli::MeshBuilder;
using heli::V3;

namespace {

// Where the parts sit, in the coordinates of the OBJ file.
constexpr V3 kScanner{-1.6, 0.0, -0.95};
constexpr V3 kMainHub{0.3, 0.0, 2.45};
constexpr V3 kTailHub{7.15, 0.22, 1.45};
constexpr double kMainRadius = 5.1;
constexpr double kTailRadius = 0.8;
constexpr int kMainBlades = 3;
constexpr int kTailBlades = 2;

// Fuselage cross-sections from nose to tail: station x, half width, half
// height, height of the centre.
struct Station {
    double x, w, h, zc;
};
const Station kStations[] = {
    {-2.75, 0.06, 0.10, -0.10}, {-2.60, 0.38, 0.45, -0.08}, {-2.30, 0.62, 0.74, 0.00}, {-1.80, 0.80, 0.92, 0.08},
    {-1.00, 0.88, 1.00, 0.14},  {0.00, 0.90, 1.02, 0.16},   {0.90, 0.84, 0.96, 0.18},  {1.60, 0.66, 0.78, 0.30},
    {2.10, 0.42, 0.52, 0.48},   {2.40, 0.24, 0.30, 0.62},
};
constexpr double kNoseX = -2.75, kTailX = 2.40;

Station ProfileAt(double x)
{
    const size_t n = sizeof kStations / sizeof kStations[0];
    if (x <= kStations[0].x) return kStations[0];
    for (size_t i = 1; i < n; ++i)
        if (x <= kStations[i].x) {
            const Station a = kStations[i - 1], b = kStations[i];
            const double f = (x - a.x) / (b.x - a.x);
            return {x, a.w + (b.w - a.w) * f, a.h + (b.h - a.h) * f, a.zc + (b.zc - a.zc) * f};
        }
    return kStations[n - 1];
}

// A point on the rounded-box cross-section; theta 0 is the top, pi/2 the
// right side (+y).
V3 SectionPoint(const Station& s, double theta, double grow)
{
    const double e = 2.0 / 2.6;  // superellipse: a little boxier than an ellipse
    const double st = std::sin(theta), ct = std::cos(theta);
    const double y = (s.w + grow) * std::copysign(std::pow(std::fabs(st), e), st);
    const double z = s.zc + (s.h + grow) * std::copysign(std::pow(std::fabs(ct), e), ct);
    return {s.x, y, z};
}

void Fuselage(MeshBuilder& m)
{
    m.BeginGroup("fuselage", "paint");
    const int rings = 40, around = 32;
    std::vector<std::vector<V3>> p(rings + 1);
    std::vector<std::vector<std::array<double, 2>>> uv(rings + 1);
    for (int i = 0; i <= rings; ++i) {
        // Rings closer together at the rounded ends.
        const double f = static_cast<double>(i) / rings;
        const double g = 0.5 * f + 0.5 * f * f * (3.0 - 2.0 * f);
        const Station s = ProfileAt(kNoseX + (kTailX - kNoseX) * g);
        for (int j = 0; j <= around; ++j) {
            const double theta = 2.0 * M_PI * j / around;
            p[static_cast<size_t>(i)].push_back(SectionPoint(s, theta, 0.0));
            uv[static_cast<size_t>(i)].push_back({(s.x - kNoseX) / (kTailX - kNoseX), static_cast<double>(j) / around});
        }
    }
    m.Grid(p, uv, true);
    // Close nose and tail with fans; their texture coordinate is the plain
    // white corner of the livery, which is also what the untextured parts
    // drawn after the fuselage pick up.
    const int plain = m.TexCoord(0.01, 0.01);
    for (int end = 0; end < 2; ++end) {
        const std::vector<V3>& ring = p[end ? static_cast<size_t>(rings) : 0];
        V3 c{};
        for (int j = 0; j < around; ++j) c = c + ring[static_cast<size_t>(j)];  // the last point repeats the first
        c = (1.0 / around) * c;
        const int centre = m.Vertex(end ? c + V3{0.05, 0, 0} : c - V3{0.05, 0, 0});
        const int n = m.Normal(end ? V3{1, 0, 0} : V3{-1, 0, 0});
        for (int j = 0; j < around; ++j) {
            const int a = m.Vertex(ring[static_cast<size_t>(j)]);
            const int b = m.Vertex(ring[static_cast<size_t>((j + 1) % around)]);
            if (end)
                m.Face({{centre, plain, n}, {a, plain, n}, {b, plain, n}});
            else
                m.Face({{centre, plain, n}, {b, plain, n}, {a, plain, n}});
        }
    }
}

void Canopy(MeshBuilder& m)
{
    // A tinted glass shell just outside the front of the cabin: windscreen
    // and the upper side windows.
    m.BeginGroup("canopy", "glass");
    const int rings = 14, around = 20;
    std::vector<std::vector<V3>> p(rings + 1);
    std::vector<std::vector<std::array<double, 2>>> uv(rings + 1);
    for (int i = 0; i <= rings; ++i) {
        const double x = -2.45 + 1.85 * i / rings;
        const Station s = ProfileAt(x);
        for (int j = 0; j <= around; ++j) {
            const double theta = -1.95 + 3.9 * j / around;  // from low on the left over the top to low on the right
            p[static_cast<size_t>(i)].push_back(SectionPoint(s, theta, 0.025));
            uv[static_cast<size_t>(i)].push_back({static_cast<double>(i) / rings, static_cast<double>(j) / around});
        }
    }
    m.Grid(p, uv, false);
}

void TailBoom(MeshBuilder& m)
{
    m.BeginGroup("tail_boom", "trim");
    m.Tube({2.2, 0, 0.58}, {7.35, 0, 0.92}, 0.30, 0.11, 14);
    m.BeginGroup("fin", "trim");
    // Swept upper fin with a small lower fin, in the x-z plane.
    m.Plate({{6.55, 0.85}, {7.35, 0.80}, {7.55, 2.05}, {7.20, 2.10}}, {0, 0, 0}, {1, 0, 0}, {0, 0, 1}, 0.08);
    m.Plate({{6.90, 0.80}, {7.35, 0.80}, {7.30, 0.30}, {7.10, 0.30}}, {0, 0, 0}, {1, 0, 0}, {0, 0, 1}, 0.06);
    m.BeginGroup("stabiliser", "trim");
    m.Plate({{5.55, -1.0}, {5.95, -1.0}, {6.0, 1.0}, {5.6, 1.0}}, {0, 0, 0.80}, {1, 0, 0}, {0, 1, 0}, 0.05);
}

void Skids(MeshBuilder& m)
{
    m.BeginGroup("skids", "metal");
    for (double side : {-1.0, 1.0}) {
        const double y = side * 1.15;
        m.Tube({-1.75, y, -1.48}, {1.75, y, -1.48}, 0.05, 0.05, 10);
        m.Tube({-2.15, y, -1.25}, {-1.75, y, -1.48}, 0.05, 0.05, 10);  // upturned front
        for (double x : {-0.95, 0.95}) m.Tube({x, side * 0.55, -0.78}, {x, y, -1.48}, 0.045, 0.045, 8);
    }
    for (double x : {-0.95, 0.95}) m.Tube({x, -0.55, -0.78}, {x, 0.55, -0.78}, 0.045, 0.045, 8);
}

void TopDeck(MeshBuilder& m)
{
    m.BeginGroup("engine", "engine");
    m.Box({0.85, 0, 1.22}, {0.85, 0.42, 0.20});
    m.Box({1.75, 0, 1.12}, {0.25, 0.25, 0.14});  // exhaust
    m.BeginGroup("mast", "metal");
    m.Tube({kMainHub.x, 0, 1.05}, {kMainHub.x, 0, kMainHub.z - 0.05}, 0.09, 0.08, 12);
    m.BeginGroup("scanner", "sensor");
    m.Box(kScanner, {0.28, 0.22, 0.14});
    m.Tube(kScanner + V3{0, 0, 0.14}, kScanner + V3{0, 0, 0.38}, 0.05, 0.05, 8);
}

// A blade as a thin box along `dir` from the hub out to `radius`.
void Blade(MeshBuilder& m, V3 hub, V3 dir, V3 normal, double root, double radius, double chord, double thickness)
{
    const V3 side = heli::Unit(heli::Cross(normal, dir));
    const V3 centre = hub + (0.5 * (root + radius)) * dir;
    m.Box(centre, {0.5 * (radius - root), 0.5 * chord, 0.5 * thickness}, dir, side, normal);
}

void MainRotor(MeshBuilder& m)
{
    m.BeginGroup("main_hub", "metal");
    m.Tube(kMainHub - V3{0, 0, 0.08}, kMainHub + V3{0, 0, 0.12}, 0.22, 0.16, 12);
    m.BeginGroup("main_blades", "rotor");
    for (int k = 0; k < kMainBlades; ++k) {
        const double a = 2.0 * M_PI * k / kMainBlades;
        Blade(m, kMainHub, {std::cos(a), std::sin(a), 0.0}, {0, 0, 1}, 0.2, kMainRadius, 0.30, 0.05);
    }
}

void TailRotor(MeshBuilder& m)
{
    m.BeginGroup("tail_hub", "metal");
    m.Tube(kTailHub - V3{0, 0.10, 0}, kTailHub + V3{0, 0.06, 0}, 0.07, 0.07, 10);
    m.BeginGroup("tail_blades", "rotor");
    for (int k = 0; k < kTailBlades; ++k) {
        const double a = M_PI / 4 + 2.0 * M_PI * k / kTailBlades;
        Blade(m, kTailHub, {std::cos(a), 0.0, std::sin(a)}, {0, 1, 0}, 0.06, kTailRadius, 0.13, 0.03);
    }
}

// The livery: u runs from nose to tail, v around the fuselage from the top
// over the right side, the belly and the left side back to the top. The
// first row of the image is v = 0.
std::vector<uint8_t> Livery(int w, int h)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(w * h * 3));
    auto put = [&](int x, int y, double r, double g, double b) {
        uint8_t* p = &rgb[static_cast<size_t>((y * w + x) * 3)];
        p[0] = static_cast<uint8_t>(std::fmin(255.0, std::fmax(0.0, r)));
        p[1] = static_cast<uint8_t>(std::fmin(255.0, std::fmax(0.0, g)));
        p[2] = static_cast<uint8_t>(std::fmin(255.0, std::fmax(0.0, b)));
    };
    const double length = kTailX - kNoseX;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double u = (x + 0.5) / w, v = (y + 0.5) / h;
            const double along = kNoseX + u * length;  // metres
            const double theta = v * 360.0;            // degrees from the top
            const double fromSide = std::fmin(std::fabs(theta - 90.0), std::fabs(theta - 270.0));
            double r = 236, g = 236, b = 232;  // white top and sides
            if (theta > 140.0 && theta < 220.0) r = g = b = 88;  // dark belly
            // A broad orange band low along both sides with a thin dark line.
            const double band = 128.0 + 10.0 * std::sin((along - kNoseX) * 0.6);
            if (std::fabs(fromSide - (band - 108.0)) < 12.0 && theta > 95.0 && theta < 265.0) {
                r = 232;
                g = 108;
                b = 32;
            }
            if (std::fabs(fromSide - (band - 108.0 + 15.0)) < 2.0 && theta > 95.0 && theta < 265.0) r = g = b = 40;
            // Doors on both sides with their outlines, handles and windows.
            const bool door = along > -0.75 && along < 0.55 && fromSide < 32.0;
            const bool doorEdge = door && (std::fabs(along + 0.75) < 0.025 || std::fabs(along - 0.55) < 0.025 ||
                                           std::fabs(fromSide - 32.0) < 1.2);
            if (door && fromSide < 22.0 && along > -0.6 && along < 0.4 && theta > 0.0 && (theta < 90.0 || theta > 270.0)) {
                r = 40;
                g = 58;
                b = 70;  // door window
            }
            if (doorEdge) r = g = b = 70;
            if (door && std::fabs(along - 0.3) < 0.06 && std::fabs(fromSide - 8.0) < 1.5) r = g = b = 30;
            // Panel seams every 0.6 m.
            if (std::fmod(along - kNoseX + 10.0, 0.6) < 0.015) {
                r *= 0.82;
                g *= 0.82;
                b *= 0.82;
            }
            put(x, y, r, g, b);
        }
    // The top-left corner stays plain white: parts without a mapping of
    // their own sample it.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) put(x, y, 236, 236, 232);
    return rgb;
}

const char* kMaterials =
    "# Materials of the survey helicopter (gray.obj)\n"
    "newmtl paint\n"
    "Ka 0.25 0.25 0.25\nKd 0.95 0.95 0.95\nKs 0.55 0.55 0.55\nNs 180\nd 1.0\n"
    "newmtl trim\n"
    "Ka 0.22 0.10 0.04\nKd 0.88 0.40 0.12\nKs 0.45 0.45 0.45\nNs 150\nd 1.0\n"
    "newmtl glass\n"
    "Ka 0.04 0.07 0.09\nKd 0.16 0.26 0.32\nKs 0.90 0.90 0.90\nNs 420\nd 0.45\n"
    "newmtl metal\n"
    "Ka 0.20 0.20 0.21\nKd 0.55 0.56 0.58\nKs 0.70 0.70 0.70\nNs 300\nd 1.0\n"
    "newmtl engine\n"
    "Ka 0.18 0.18 0.18\nKd 0.62 0.62 0.64\nKs 0.40 0.40 0.40\nNs 120\nd 1.0\n"
    "newmtl rotor\n"
    "Ka 0.06 0.06 0.06\nKd 0.16 0.16 0.18\nKs 0.30 0.30 0.30\nNs 90\nd 1.0\n"
    "newmtl sensor\n"
    "Ka 0.03 0.03 0.04\nKd 0.08 0.08 0.10\nKs 0.80 0.80 0.80\nNs 500\nd 1.0\n";

std::string Parameters()
{
    char line[160];
    std::string s;
    s += "~S 1.0\n";
    s += "~B 0 0 0\n";
    std::snprintf(line, sizeof line, "~C %.2f %.2f %.2f\n", -kScanner.x + 0.0, -kScanner.y + 0.0, -kScanner.z + 0.0);
    s += line;
    std::snprintf(line, sizeof line, "~M %.2f %.2f %.2f\n", kMainHub.x, kMainHub.y, kMainHub.z);
    s += line;
    std::snprintf(line, sizeof line, "~T %.2f %.2f %.2f\n", kTailHub.x, kTailHub.y, kTailHub.z);
    s += line;
    // The fuselage leads the body so that the glass, drawn last, blends over
    // the cabin behind it.
    s += "#Body\nfuselage\ntail_boom\nfin\nstabiliser\nskids\nengine\nmast\nscanner\ncanopy\n";
    s += "#Main\nmain_hub\nmain_blades\n";
    s += "#Tail\ntail_hub\ntail_blades\n";
    s += "#Texture\nfuselage\n";
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: heli_model OUTDIR\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    MeshBuilder m;
    Fuselage(m);
    TailBoom(m);
    Skids(m);
    TopDeck(m);
    Canopy(m);
    MainRotor(m);
    TailRotor(m);
    const std::string comment =
        "# Survey helicopter for Oxvell playback, made by tools/heli-model.\n"
        "# Metres; nose along -x, right side +y, z up; origin at the scanner.\n";
    bool ok = m.Write(dir + "gray.obj", "gray.mtl", comment);
    ok = heli::WriteTextFile(dir + "gray.mtl", kMaterials) && ok;
    ok = heli::WriteTextFile(dir + "gray.par", Parameters()) && ok;
    const int w = 512, h = 256;
    const std::vector<uint8_t> livery = Livery(w, h);
    ok = oxv::WritePngRgb(dir + "gray.png", w, h, livery.data(), static_cast<size_t>(w) * 3) && ok;
    if (!ok) {
        std::fprintf(stderr, "heli_model: cannot write the model files in %s\n", argv[1]);
        return 1;
    }
    std::printf("heli_model: %zu vertices, %zu faces\n", m.VertexCount(), m.FaceCount());
    return 0;
}
