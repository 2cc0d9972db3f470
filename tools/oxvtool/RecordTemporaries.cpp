#include "tools/oxvtool/RecordTemporaries.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace oxv::tool {

namespace {

// The path the handler removes; written only while no handler is installed.
char g_removeOnSignal[4096];

void RemoveAndDie(int signal)
{
    if (g_removeOnSignal[0] != '\0') unlink(g_removeOnSignal);
    std::signal(signal, SIG_DFL);
    raise(signal);
}

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The whole text as a process id, or 0.
long ProcessId(std::string_view text)
{
    long pid = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), pid);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && pid > 0 ? pid : 0;
}

bool ProcessGone(long pid) { return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

}  // namespace

std::vector<std::string> RemoveStaleVideoTemporaries(const std::string& video)
{
    namespace fs = std::filesystem;
    std::vector<std::string> removed;
    const fs::path path(video);
    const std::string prefix = path.filename().string() + ".part";
    std::error_code ec;
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        const long pid = ProcessId(std::string_view(name).substr(prefix.size()));
        if (pid == 0 || pid == getpid() || !ProcessGone(pid)) continue;
        if (fs::remove(entry.path(), ec)) removed.push_back(entry.path().string());
    }
    return removed;
}

std::vector<std::string> RemoveStaleFrameTemporaries(const std::string& folder, const oxv::FrameRange& range)
{
    namespace fs = std::filesystem;
    std::vector<std::string> removed;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        // img + six or more digits + .png.part
        constexpr std::string_view kHead = "img", kTail = ".png.part";
        if (name.size() < kHead.size() + 6 + kTail.size() || name.compare(0, kHead.size(), kHead) != 0 ||
            name.compare(name.size() - kTail.size(), kTail.size(), kTail) != 0)
            continue;
        const std::string_view digits =
            std::string_view(name).substr(kHead.size(), name.size() - kHead.size() - kTail.size());
        int32_t number = -1;
        const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (r.ec != std::errc() || r.ptr != digits.data() + digits.size() || !range.Contains(number)) continue;
        if (fs::remove(entry.path(), ec)) removed.push_back(entry.path().string());
    }
    return removed;
}

void RemoveOnSignal(const std::string& path)
{
    ForgetOnSignal();
    if (path.size() >= sizeof g_removeOnSignal) return;  // such a name is left as it is
    std::memcpy(g_removeOnSignal, path.c_str(), path.size() + 1);
    for (int s : kSignals) {
        // A signal ignored by whoever started us (nohup, a background job)
        // stays ignored.
        const auto previous = std::signal(s, RemoveAndDie);
        if (previous == SIG_IGN) std::signal(s, SIG_IGN);
    }
}

void ForgetOnSignal()
{
    for (int s : kSignals)
        if (std::signal(s, SIG_DFL) == SIG_IGN) std::signal(s, SIG_IGN);
    g_removeOnSignal[0] = '\0';
}

}  // namespace oxv::tool
