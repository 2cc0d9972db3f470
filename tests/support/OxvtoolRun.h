#pragma once

// Runs the built oxvtool as a user would, from the build's bin folder.

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace oxv::test {

struct RunResult {
    int status;
    std::string out;  // standard output; standard error is dropped
};

inline RunResult RunOxvtool(const std::string& args)
{
    const char* bin = std::getenv("OXV_BIN_DIR");
#if defined(OXV_SANITIZED)
    // The leak checker's stop-the-world at exit can crash on the GL
    // driver's render threads in a child process; leaks of our own code are
    // checked in-process by the library tests.
    const std::string env = "ASAN_OPTIONS=detect_leaks=0 ";
#else
    const std::string env;
#endif
    const std::string cmd = env + std::string(bin ? bin : ".") + "/oxvtool " + args + " 2>/dev/null";
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return {-1, {}};
    std::string out;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) out.append(buf.data(), n);
    const int status = pclose(pipe);
    return {WEXITSTATUS(status), out};
}

}  // namespace oxv::test
