#pragma once

// Small navigation folders (navx.txt, geo.txt, gps_tw.txt) written on the fly.

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/ScratchDir.h"

namespace oxv::test {

// One epoch as both files describe it.
struct NavEpoch {
    double time;  // seconds
    double latitude;  // degrees
    double longitude;
    double height;  // metres
    double roll = 0.0;  // degrees
    double pitch = 0.0;
    double heading = 0.0;
};

inline std::string NavxLine(int index, const NavEpoch& e)
{
    char line[256];
    // Fields 3 to 8 carry values the import must ignore.
    std::snprintf(line, sizeof line, "%d %.4f 11.5 22.5 33.5 1.0 2.0 3.0 %.6f %.6f %.6f\n", index, e.time, e.roll,
                  e.pitch, e.heading);
    return line;
}

inline std::string GeoLine(const NavEpoch& e)
{
    char line[256];
    std::snprintf(line, sizeof line, "%.4f %.10f %.10f %.4f\n", e.time, e.latitude, e.longitude, e.height);
    return line;
}

inline void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// navx.txt and geo.txt with one line per epoch (each with a comment line
// first, as navigation software writes them), and gps_tw.txt when a window
// is given.
inline void WriteNavFolder(const ScratchDir& dir, const std::vector<NavEpoch>& epochs,
                           std::optional<std::pair<double, double>> window = std::nullopt)
{
    std::string navx = "% index time east north up ve vn vu roll pitch heading\n";
    std::string geo = "% time latitude longitude height\n";
    int index = 1;
    for (const NavEpoch& e : epochs) {
        navx += NavxLine(index++, e);
        geo += GeoLine(e);
    }
    WriteText(dir.File("navx.txt"), navx);
    WriteText(dir.File("geo.txt"), geo);
    if (window) {
        char text[128];
        std::snprintf(text, sizeof text, "%.4f\n%.4f\n", window->first, window->second);
        WriteText(dir.File("gps_tw.txt"), text);
    }
}

}  // namespace oxv::test
