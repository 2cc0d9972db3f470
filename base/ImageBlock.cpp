#include "base/ImageBlock.h"

#include <sys/mman.h>

#include <cstdlib>
#include <utility>

namespace oxv {

namespace {
constexpr size_t kMapThreshold = size_t{4} << 20;
constexpr size_t kHugePage = size_t{2} << 20;
}  // namespace

ImageBlock::~ImageBlock() { Release(); }

ImageBlock::ImageBlock(ImageBlock&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_mappedSize(std::exchange(other.m_mappedSize, 0))
{
}

ImageBlock& ImageBlock::operator=(ImageBlock&& other) noexcept
{
    if (this != &other) {
        Release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mappedSize = std::exchange(other.m_mappedSize, 0);
    }
    return *this;
}

void ImageBlock::Release()
{
    if (m_mappedSize)
        munmap(m_data, m_mappedSize);
    else
        std::free(m_data);
    m_data = nullptr;
    m_size = 0;
    m_mappedSize = 0;
}

bool ImageBlock::Allocate(size_t size, ImageBlock& out)
{
    out.Release();
    if (size == 0) return true;
    if (size < kMapThreshold) {
        void* p = std::malloc(size);
        if (!p) return false;
        out.m_data = static_cast<uint8_t*>(p);
        out.m_size = size;
        return true;
    }
    if (size > SIZE_MAX - kHugePage) return false;
    const size_t mapped = (size + kHugePage - 1) / kHugePage * kHugePage;
    void* p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                   -1, 0);
    if (p == MAP_FAILED) return false;
    madvise(p, mapped, MADV_HUGEPAGE);
    out.m_data = static_cast<uint8_t*>(p);
    out.m_size = size;
    out.m_mappedSize = mapped;
    return true;
}

}  // namespace oxv
