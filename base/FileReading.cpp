#include "base/FileReading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "base/NumberText.h"

namespace oxv {

namespace {

// Large enough that the system call overhead vanishes, small enough that a
// progress report comes several times a second.
constexpr size_t kReadChunk = size_t{64} << 20;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0) close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

std::string FileKindProblem(mode_t mode)
{
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return std::strerror(EISDIR);
    if (S_ISFIFO(mode)) return "a named pipe, not a file";
    if (S_ISSOCK(mode)) return "a socket, not a file";
    return "a device, not a file";
}

}  // namespace

std::string CannotOpenReason(const std::string& path)
{
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) return std::strerror(errno);
    struct stat info;
    if (fstat(fd.Get(), &info) != 0) return std::strerror(errno);
    return FileKindProblem(info.st_mode);
}

LoadStatus ReadWholeFile(const std::string& path, ImageBlock& block, const ReadProgress& progress, std::string* why)
{
    const auto failed = [why](LoadStatus outcome, std::string reason) {
        if (why) *why = std::move(reason);
        return outcome;
    };
    block = ImageBlock();
    // Without O_NONBLOCK, opening a named pipe waits for a writer that may
    // never come; on a regular file the flag changes nothing.
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) return LoadStatus::CannotOpen;
    // Folders, pipes and devices have no size to read in one block.
    struct stat info;
    if (fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return LoadStatus::CannotOpen;
    const off_t end = lseek(fd.Get(), 0, SEEK_END);
    if (end < 0 || lseek(fd.Get(), 0, SEEK_SET) != 0) return failed(LoadStatus::ReadError, std::strerror(errno));
    const size_t size = static_cast<size_t>(end);

    ImageBlock fresh;
    if (!ImageBlock::Allocate(size, fresh))
        return failed(LoadStatus::NotEnoughMemory, "no block of " + GroupedDigits(size) + " bytes to read it into");
    size_t done = 0;
    while (done < size) {
        const size_t want = std::min(kReadChunk, size - done);
        const ssize_t got = read(fd.Get(), fresh.Data() + done, want);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return failed(LoadStatus::ReadError, std::strerror(errno));
        // Shrunk while being read: what it said it held is not there.
        if (got == 0)
            return failed(LoadStatus::ReadError,
                          "the file ended after " + GroupedDigits(done) + " of " + GroupedDigits(size) + " bytes");
        done += static_cast<size_t>(got);
        if (progress && !progress(static_cast<double>(done) / static_cast<double>(size)))
            return LoadStatus::Cancelled;
    }
    block = std::move(fresh);
    return LoadStatus::Ok;
}

}  // namespace oxv
