#include "base/WholeFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace oxv {

namespace {

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

FileContents ReadSmallFile(const std::string& path, size_t maxBytes)
{
    FileContents contents;
    // Non-blocking, so that a named pipe put in the file's place cannot
    // stop the program; it is refused below as not a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        contents.state = errno == ENOENT ? FileContents::State::Missing : FileContents::State::Unreadable;
        return contents;
    }
    contents.state = FileContents::State::Unreadable;
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) <= maxBytes) {
        // The file may grow while it is read; never past the limit.
        std::string bytes;
        char chunk[65536];
        bool failed = false;
        while (bytes.size() <= maxBytes) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) failed = true;
            if (n <= 0) break;
            bytes.append(chunk, static_cast<size_t>(n));
        }
        if (!failed && bytes.size() <= maxBytes) {
            contents.bytes = std::move(bytes);
            contents.state = FileContents::State::Read;
        }
    }
    ::close(fd);
    return contents;
}

bool ReplaceFileWhole(const std::string& path, const std::string& bytes)
{
    mode_t mode = 0644;
    struct stat old;
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) mode = old.st_mode & 07777;
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    const bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

FolderLock::FolderLock(const std::string& folder)
{
    m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0) return;
    using namespace std::chrono_literals;
    const auto giveUp = std::chrono::steady_clock::now() + 2s;
    while (!(m_held = ::flock(m_fd, LOCK_EX | LOCK_NB) == 0)) {
        if (errno != EWOULDBLOCK && errno != EINTR) break;
        if (std::chrono::steady_clock::now() > giveUp) break;
        std::this_thread::sleep_for(5ms);
    }
}

FolderLock::~FolderLock()
{
    if (m_held) ::flock(m_fd, LOCK_UN);
    if (m_fd >= 0) ::close(m_fd);
}

}  // namespace oxv
