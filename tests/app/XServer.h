#pragma once

// A private X server for window tests: Xvfb on a display number it picks
// itself, so parallel tests never share one.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/ChildProcess.h"

namespace oxv::test {

class XServer {
public:
    XServer() = default;
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    ~XServer() { Stop(); }

    // Starts Xvfb and waits until it accepts clients; false if it cannot.
    bool Start(int width = 1600, int height = 1000)
    {
        int fds[2];
        if (::pipe(fds) != 0) return false;
        const std::string fdText = std::to_string(fds[1]);
        const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
        m_pid = ForkEndingWithTheTest();
        if (m_pid == 0) {
            ::close(fds[0]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
                     "tcp", "-noreset", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        if (m_pid < 0) {
            ::close(fds[0]);
            return false;
        }
        std::string number;
        char c;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (number.empty()) {
            Stop();
            return false;
        }
        m_display = ":" + number;
        return true;
    }

    void Stop()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
        m_pid = -1;
    }

    const std::string& Display() const { return m_display; }

    // The environment every client of this server needs.
    void Export() const
    {
        ::setenv("DISPLAY", m_display.c_str(), 1);
        ::setenv("GDK_BACKEND", "x11", 1);
        ::setenv("GSETTINGS_BACKEND", "memory", 1);
        ::setenv("NO_AT_BRIDGE", "1", 1);
        ::unsetenv("WAYLAND_DISPLAY");
    }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

}  // namespace oxv::test
