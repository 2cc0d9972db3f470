#include "survey/FileReading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

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

}  // namespace

ReadOutcome ReadWholeFile(const std::string& path, ImageBlock& block, const ReadProgress& progress)
{
    ImageBlock::Allocate(0, block);
    // Without O_NONBLOCK, opening a named pipe waits for a writer that may
    // never come; on a regular file the flag changes nothing.
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) return ReadOutcome::CannotOpen;
    // Folders, pipes and devices have no size to read in one block.
    struct stat info;
    if (fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return ReadOutcome::CannotOpen;
    const off_t end = lseek(fd.Get(), 0, SEEK_END);
    if (end < 0 || lseek(fd.Get(), 0, SEEK_SET) != 0) return ReadOutcome::ReadError;
    const size_t size = static_cast<size_t>(end);

    ImageBlock fresh;
    if (!ImageBlock::Allocate(size, fresh)) return ReadOutcome::NotEnoughMemory;
    size_t done = 0;
    while (done < size) {
        const size_t want = std::min(kReadChunk, size - done);
        const ssize_t got = read(fd.Get(), fresh.Data() + done, want);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return ReadOutcome::ReadError;
        done += static_cast<size_t>(got);
        if (progress && !progress(static_cast<double>(done) / static_cast<double>(size)))
            return ReadOutcome::Cancelled;
    }
    block = std::move(fresh);
    return ReadOutcome::Ok;
}

}  // namespace oxv
