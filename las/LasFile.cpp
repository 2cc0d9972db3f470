#include "las/LasFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace oxv::las {

LasFile::~LasFile()
{
    if (m_fd >= 0) close(m_fd);
}

bool LasFile::Open(const std::string& path)
{
    m_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0) return false;
    struct stat info;
    if (fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    m_size = static_cast<uint64_t>(info.st_size);
    return true;
}

bool LasFile::Read(uint64_t offset, void* data, size_t size) const
{
    if (offset > m_size || size > m_size - offset) return false;
    auto* p = static_cast<uint8_t*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t got = pread(m_fd, p + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

}  // namespace oxv::las
