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

std::string FileBehindLinks(const std::string& path)
{
    // The kernel's own limit on links followed in one lookup.
    constexpr int kMaxLinks = 40;
    std::string file = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat info;
        if (::lstat(file.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return file;
        std::string target(4096, '\0');
        const ssize_t n = ::readlink(file.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<size_t>(n) >= target.size()) return path;
        target.resize(static_cast<size_t>(n));
        if (target.front() != '/') {
            const size_t slash = file.rfind('/');
            target = (slash == std::string::npos ? std::string() : file.substr(0, slash + 1)) + target;
        }
        file = std::move(target);
    }
    return path;
}

bool ReplaceFileWhole(const std::string& linkOrFile, const std::string& bytes)
{
    // Replacing a link would leave the file it names without the update.
    const std::string path = FileBehindLinks(linkOrFile);
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
