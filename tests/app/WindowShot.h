#pragma once

// Tests that drive the real viewer executable: starting and ending it, a
// shell command's output, its windows and a picture of one as the X server
// shows it.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/app/ChildProcess.h"

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

// The program at `exe` started with `args`; `inChild` prepares the child
// (its environment) before the program replaces it.
inline pid_t StartProgram(const std::string& exe, const std::vector<std::string>& args,
                          const std::function<void()>& inChild = {})
{
    const pid_t pid = ForkEndingWithTheTest();
    if (pid == 0) {
        if (inChild) inChild();
        std::vector<char*> argv{const_cast<char*>(exe.c_str())};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(exe.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

// Ends a program StartProgram started, if it still runs, and reaps it.
inline void EndProgram(pid_t& pid)
{
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
}

// The id of a window with exactly this title on `display` (the
// environment's DISPLAY when empty), or empty when there is none now.
inline std::string WindowTitled(const std::string& title, const std::string& display = {})
{
    const std::string prefix = display.empty() ? std::string() : "DISPLAY=" + display + " ";
    std::string id = Shell(prefix + "xdotool search --name '^" + title + "$' 2>/dev/null | head -1");
    while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
    return id;
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
