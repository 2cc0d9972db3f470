#pragma once

// A small helicopter-like model for the drawing tests: a textured box for
// the body, a flat red blade as the main rotor (spinning about z through
// its hub) and a small red blade as the tail rotor (spinning about y).

#include <string>
#include <vector>

#include "tests/support/ModelTestSupport.h"
#include "tests/support/PngFixture.h"

namespace oxv::test {

struct Box {
    const char* group;
    const char* material;
    float min[3];
    float max[3];
};

// Six quads with per-face normals and texture coordinates, as v/t/n faces.
inline std::string BoxesObj(const std::vector<Box>& boxes)
{
    std::string obj = "# test helicopter\nmtllib heli.mtl\n";
    obj += "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";
    obj += "vn 1 0 0\nvn -1 0 0\nvn 0 1 0\nvn 0 -1 0\nvn 0 0 1\nvn 0 0 -1\n";
    int base = 0;
    for (const Box& b : boxes) {
        for (int i = 0; i < 8; ++i) {
            obj += "v " + std::to_string((i & 1) ? b.max[0] : b.min[0]) + " " +
                   std::to_string((i & 2) ? b.max[1] : b.min[1]) + " " + std::to_string((i & 4) ? b.max[2] : b.min[2]) +
                   "\n";
        }
        obj += std::string("g ") + b.group + "\nusemtl " + b.material + "\n";
        // Corners (bit 0 x, bit 1 y, bit 2 z) of each face, counter-clockwise from outside.
        const int faces[6][4] = {{1, 3, 7, 5}, {0, 4, 6, 2}, {2, 6, 7, 3}, {0, 1, 5, 4}, {4, 5, 7, 6}, {0, 2, 3, 1}};
        for (int f = 0; f < 6; ++f) {
            obj += "f";
            for (int k = 0; k < 4; ++k)
                obj += " " + std::to_string(base + faces[f][k] + 1) + "/" + std::to_string(k + 1) + "/" +
                       std::to_string(f + 1);
            obj += "\n";
        }
        base += 8;
    }
    return obj;
}

inline const char* kHeliMtl =
    "newmtl hull\nKa 0.6 0.6 0.6\nKd 0.9 0.9 0.9\nKs 0.2 0.2 0.2\nNs 100\n"
    "newmtl blade\nKa 0.5 0 0\nKd 1 0 0\nKs 0 0 0\n";

inline const char* kHeliParameters =
    "~S 1\n~M 0 0 1.5\n~T -5.5 -1.2 0.5\n"
    "#Body\nbody\n#Main\nmain\n#Tail\ntail\n#Texture\nbody\n";

// Blue and yellow squares, 8 × 8 pixels of 2 × 2. Texturing stays on for
// the rotors, which send no texture coordinates and so take the texel at the
// last coordinate the body sent (0, 1), which wraps to the first texel:
// yellow, so that the red rotors stay red.
inline bool WriteCheckerPng(const std::string& path)
{
    std::vector<uint8_t> rgb;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool blue = ((x / 2) + (y / 2)) % 2 == 1;
            rgb.insert(rgb.end(), {uint8_t(blue ? 0 : 255), uint8_t(blue ? 0 : 255), uint8_t(blue ? 255 : 0)});
        }
    return WriteRgbPng(path, 8, 8, rgb);
}

// heli.obj, heli.mtl, heli.par (`parameters`) and heli.png in `folder`.
inline std::string WriteHeli(const std::string& folder, const std::string& parameters = kHeliParameters,
                             bool texture = true)
{
    const std::vector<Box> boxes = {
        {"body", "hull", {-2.5f, -1.0f, -1.0f}, {2.5f, 1.0f, 1.0f}},
        {"main", "blade", {-5.0f, -0.3f, 1.4f}, {5.0f, 0.3f, 1.6f}},
        {"tail", "blade", {-6.5f, -1.3f, 0.35f}, {-4.5f, -1.1f, 0.65f}},
    };
    WriteText(folder + "/heli.obj", BoxesObj(boxes));
    WriteText(folder + "/heli.mtl", kHeliMtl);
    WriteText(folder + "/heli.par", parameters);
    if (texture) WriteCheckerPng(folder + "/heli.png");
    return folder + "/heli.obj";
}

}  // namespace oxv::test
