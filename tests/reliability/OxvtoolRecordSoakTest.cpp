// Soak of `oxvtool record`, the headless recorder users script: the same
// survey recorded as a short run and as a run ten times longer. The peak
// memory of the two processes must stay close (nothing kept per frame) and
// every frame file of the long run must be whole.
//   OXV_SOAK_FRAMES   frames of the long run (default 10000)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ScratchDir.h"
#include "tests/support/SoakSupport.h"

namespace oxv {
namespace {

struct MeasuredRun {
    int status = -1;
    long peakKiB = 0;
    double seconds = 0;
};

// Runs oxvtool with `args`, its output discarded, and takes the peak
// resident memory of that one child from the kernel.
MeasuredRun RunOxvtoolMeasured(const std::vector<std::string>& args)
{
    const char* binDir = std::getenv("OXV_BIN_DIR");
    const std::string tool = std::string(binDir ? binDir : ".") + "/oxvtool";
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(tool.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    MeasuredRun run;
    const auto began = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execv(tool.c_str(), argv.data());
        _exit(127);
    }
    if (pid < 0) return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakKiB = usage.ru_maxrss;
    return run;
}

// The highest frame number written into `folder`.
int LastFrameNumber(const std::string& folder)
{
    int last = -1;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        int n = -1;
        if (std::sscanf(e.path().filename().c_str(), "img%6d.png", &n) == 1 && n > last) last = n;
    }
    return last;
}

TEST(OxvtoolRecordSoak, TenTimesTheFramesTakeNoMoreMemoryAndEveryFrameIsWhole)
{
    const int frames = test::SoakFrames(10000);
    ASSERT_GE(frames, 500);
    test::ScratchDir dir;
    const std::string survey = dir.File("soak.oxv");
    test::WriteSoakSurvey(survey, frames);
    const std::string shortRun = dir.File("short"), longRun = dir.File("long");
    auto record = [&](const std::string& out, const char* speed) {
        return RunOxvtoolMeasured({"record", survey, "--out", out, "--size", "320x240", "--period", "33", "--speed",
                                   speed, "--grid", "--scanner-path"});
    };
    const MeasuredRun brief = record(shortRun, "1000");
    const MeasuredRun full = record(longRun, "100");
    ASSERT_EQ(brief.status, 0);
    ASSERT_EQ(full.status, 0);

    const int shortLast = LastFrameNumber(shortRun), longLast = LastFrameNumber(longRun);
    const test::FrameFolderCheck check = test::CheckFrameFolder(longRun, longLast, 320, 240);
    std::printf("oxvtool record soak: %d frames in %.1f s, peak %ld KiB; %d frames in %.1f s, peak %ld KiB; "
                "difference %ld KiB\n",
                shortLast + 1, brief.seconds, brief.peakKiB, longLast + 1, full.seconds, full.peakKiB,
                full.peakKiB - brief.peakKiB);
    ASSERT_GE(longLast, frames - 2);
    ASSERT_GE(longLast, 8 * shortLast) << "the long run has many times the frames";
    EXPECT_EQ(check.complete, longLast) << "first incomplete frames: " << ::testing::PrintToString(check.incomplete);
    EXPECT_EQ(check.files, longLast);
    EXPECT_EQ(check.strays, 0);
    // The allocator's free lists fragment by a few MiB over a long run
    // (bytes in use stay flat); a frame buffer, a display list or a few KiB
    // kept per frame would show as tens of MiB over thousands of frames.
    EXPECT_LT(full.peakKiB - brief.peakKiB, 12 * 1024) << "KiB more for ten times the frames";
}

}  // namespace
}  // namespace oxv
