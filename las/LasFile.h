#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace oxv::las {

// A LAS file open for reading at any offset. Every read is checked against
// the size the file had when it opened, so a file that shrinks meanwhile
// gives a failed read, never a fault.
class LasFile {
public:
    LasFile() = default;
    ~LasFile();
    LasFile(const LasFile&) = delete;
    LasFile& operator=(const LasFile&) = delete;

    // False when it is not a regular file that opens (without waiting on a pipe).
    [[nodiscard]] bool Open(const std::string& path);
    uint64_t Size() const { return m_size; }
    // False when the range lies past the end or the system fails to read it.
    [[nodiscard]] bool Read(uint64_t offset, void* data, size_t size) const;

private:
    int m_fd = -1;
    uint64_t m_size = 0;
};

}  // namespace oxv::las
