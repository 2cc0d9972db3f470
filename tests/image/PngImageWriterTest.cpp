// A frame that cannot be written says why, as the system put it: the
// recorder passes the reason on, so a full disk reads as one.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "image/PngImageWriter.h"
#include "tests/support/ScratchDir.h"

namespace oxv {
namespace {

// Noise compresses badly, so the file outgrows a small size limit.
std::vector<uint8_t> Noise(int w, int h)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
    uint32_t state = 12345;
    for (uint8_t& b : rgb) {
        state = state * 1103515245u + 12345u;
        b = static_cast<uint8_t>(state >> 16);
    }
    return rgb;
}

// Writes to a file past `bytes` fail with EFBIG, as a full disk fails with
// ENOSPC, instead of ending the process.
bool WriteWithSizeLimit(rlim_t bytes, const std::function<bool()>& write)
{
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = write();
    const int why = errno;
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    errno = why;
    return ok;
}

TEST(PngImageWriter, AFailedWriteLeavesTheSystemsReasonInErrno)
{
    test::ScratchDir dir;
    const auto rgb = Noise(64, 48);
    std::filesystem::create_directory(dir.File("taken.png"));
    const struct {
        const char* name;
        std::function<bool()> write;
        int expectErrno;
    } cases[] = {
        {"a missing folder", [&] { return WritePngRgb(dir.File("missing/img.png"), 64, 48, rgb.data(), 64 * 3); },
         ENOENT},
        {"a folder under the name", [&] { return WritePngRgb(dir.File("taken.png"), 64, 48, rgb.data(), 64 * 3); },
         EISDIR},
        {"a disk that fills up", [&] {
             return WriteWithSizeLimit(512, [&] { return WritePngRgbBottomUp(dir.File("full.png"), 64, 48, rgb.data(), 64 * 3); });
         },
         EFBIG},
        {"no pixels", [&] { return WritePngRgb(dir.File("empty.png"), 0, 48, rgb.data(), 64 * 3); }, EINVAL},
    };
    for (const auto& c : cases) {
        errno = 0;
        EXPECT_FALSE(c.write()) << c.name;
        EXPECT_EQ(errno, c.expectErrno) << c.name << ": " << std::strerror(errno);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("full.png.part"))) << "the torn temporary is gone";
    EXPECT_TRUE(WritePngRgb(dir.File("img.png"), 64, 48, rgb.data(), 64 * 3));
}

}  // namespace
}  // namespace oxv
