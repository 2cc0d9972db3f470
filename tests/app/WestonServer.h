#pragma once

// A private Wayland desktop for window tests: a headless compositor with
// XWayland, its sockets in a runtime folder of its own.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "tests/app/ChildProcess.h"

namespace oxv::test {

class WestonServer {
public:
    WestonServer() = default;
    WestonServer(const WestonServer&) = delete;
    WestonServer& operator=(const WestonServer&) = delete;
    ~WestonServer() { Stop(); }

    // Starts the compositor with its runtime folder at `runtimeDir` (mode
    // 0700, as the compositor demands) and waits until its X display is
    // announced; false if it does not come up.
    bool Start(const std::string& runtimeDir)
    {
        m_runtimeDir = runtimeDir;
        m_log = runtimeDir + "/weston.log";
        m_pid = ForkEndingWithTheTest();
        if (m_pid == 0) {
            ::setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
            ::unsetenv("DISPLAY");
            ::unsetenv("WAYLAND_DISPLAY");
            const std::string log = "--log=" + m_log;
            const std::string socket = "--socket=" + std::string(kSocket);
            ::execlp("weston", "weston", "--backend=headless-backend.so", "--xwayland", "--idle-time=0",
                     socket.c_str(), log.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (m_pid < 0) return false;
        // XWayland itself starts with its first client; the display number
        // is known at once.
        const std::regex announced("xserver listening on display (:[0-9]+)");
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return false;
            }
            std::ifstream in(m_log);
            std::stringstream text;
            text << in.rdbuf();
            const std::string log = text.str();
            std::smatch match;
            if (std::regex_search(log, match, announced)) {
                m_xDisplay = match[1];
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        Stop();
        return false;
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

    const std::string& RuntimeDir() const { return m_runtimeDir; }
    const char* WaylandDisplay() const { return kSocket; }
    // The display XWayland serves its X11 clients on.
    const std::string& XDisplay() const { return m_xDisplay; }
    const std::string& LogPath() const { return m_log; }

private:
    static constexpr const char* kSocket = "wayland-oxv";
    pid_t m_pid = -1;
    std::string m_runtimeDir;
    std::string m_log;
    std::string m_xDisplay;
};

}  // namespace oxv::test
