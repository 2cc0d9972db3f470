#pragma once

#include <cstddef>
#include <cstdint>

namespace oxv {

// One block of memory holding a whole file image. Large blocks come from an
// anonymous mapping advised for huge pages: filling a fresh block costs more
// in page faults than in copying, and 2 MiB pages cut the faults 512-fold.
class ImageBlock {
public:
    ImageBlock() = default;
    ~ImageBlock();
    ImageBlock(ImageBlock&& other) noexcept;
    ImageBlock& operator=(ImageBlock&& other) noexcept;
    ImageBlock(const ImageBlock&) = delete;
    ImageBlock& operator=(const ImageBlock&) = delete;

    // An empty block on failure (size 0 is a valid, empty block).
    [[nodiscard]] static bool Allocate(size_t size, ImageBlock& out);

    uint8_t* Data() { return m_data; }
    const uint8_t* Data() const { return m_data; }
    size_t Size() const { return m_size; }

private:
    void Release();

    uint8_t* m_data = nullptr;
    size_t m_size = 0;
    size_t m_mappedSize = 0;  // 0 when the block came from the heap
};

}  // namespace oxv
