#pragma once

// Tests that drive the real viewer executable: a shell command's output and
// a picture of a window as its X server shows it.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace oxv::test {

inline std::string Shell(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

struct Screenshot {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;

    // Pixels of rows [top, bottom) that are lit (not black).
    int Lit(int top = 0, int bottom = -1) const
    {
        return Count(top, bottom, [](int r, int g, int b) { return r > 20 || g > 20 || b > 20; });
    }
    int Grey(int top = 0, int bottom = -1) const
    {
        return Count(top, bottom, [](int r, int g, int b) {
            return (r > 20 || g > 20 || b > 20) && std::abs(r - g) <= 2 && std::abs(g - b) <= 2;
        });
    }
    template <typename F>
    int Count(int top, int bottom, F f) const
    {
        if (bottom < 0) bottom = height;
        int n = 0;
        for (int y = std::max(top, 0); y < std::min(bottom, height); ++y)
            for (int x = 0; x < width; ++x) {
                const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
                if (f(rgb[i], rgb[i + 1], rgb[i + 2])) ++n;
            }
        return n;
    }
};

// The window as ImageMagick's import reads it from the X display (the
// environment's DISPLAY when `display` is empty).
inline std::optional<Screenshot> ShootWindow(const std::string& window, const std::string& display = {})
{
    const std::string prefix = display.empty() ? std::string() : "DISPLAY=" + display + " ";
    const std::string ppm = Shell(prefix + "import -window " + window + " -depth 8 ppm:- 2>/dev/null");
    Screenshot s;
    int maxval = 0, consumed = 0;
    if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &s.width, &s.height, &maxval, &consumed) != 3 || maxval != 255)
        return std::nullopt;
    const size_t offset = static_cast<size_t>(consumed) + 1;
    const size_t bytes = static_cast<size_t>(s.width) * static_cast<size_t>(s.height) * 3;
    if (ppm.size() < offset + bytes) return std::nullopt;
    s.rgb.assign(ppm.begin() + static_cast<std::ptrdiff_t>(offset),
                 ppm.begin() + static_cast<std::ptrdiff_t>(offset + bytes));
    return s;
}

}  // namespace oxv::test
