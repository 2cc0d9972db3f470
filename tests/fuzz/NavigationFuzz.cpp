// Everything a navigation folder's bytes reach on import: the same bytes as
// gps_tw.txt, navx.txt and geo.txt through both reading passes and the path
// building, and as cam_path.bin through the cache check.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "survey/CameraPath.h"
#include "survey/PointFileWriter.h"

namespace {

const oxv::PointImage& Survey()
{
    static const oxv::PointImage image = [] {
        oxv::PointFileLayout layout;
        layout.origin = oxv::GeodeticOrigin{0.82, 0.14, 400.0};
        const auto header = oxv::MakePointHeader(layout, 0);
        oxv::ImageBlock block;
        if (!oxv::ImageBlock::Allocate(header.size(), block)) std::abort();
        std::memcpy(block.Data(), header.data(), header.size());
        return oxv::PointImage(std::move(block));
    }();
    return image;
}

void ImportText(const uint8_t* data, size_t size)
{
    // fmemopen wants a writable buffer even to read.
    std::string text(reinterpret_cast<const char*>(data), size);
    oxv::UniqueFile file(fmemopen(text.data(), text.size() ? text.size() : 1, "r"));
    if (!file) return;
    oxv::TimeWindow window;
    oxv::ReadTimeWindow(file.get(), window);
    const int64_t n = oxv::ReadNavRecords(nullptr, 0, file.get(), window);
    const int64_t g = oxv::ReadGeoRecords(nullptr, 0, file.get(), window);
    if (n <= 0 || n > 100000 || g < n) return;
    auto nav = std::make_unique<oxv::NavRecord[]>(static_cast<size_t>(n));
    auto geo = std::make_unique<oxv::GeoRecord[]>(static_cast<size_t>(g));
    if (oxv::ReadNavRecords(nav.get(), static_cast<size_t>(n), file.get(), window) != n) std::abort();
    if (oxv::ReadGeoRecords(geo.get(), static_cast<size_t>(g), file.get(), window) != g) std::abort();
    oxv::BuildCameraPath(nav.get(), static_cast<int32_t>(n), geo.get(), Survey());
}

void ReadCache(const uint8_t* data, size_t size)
{
    const int fd = memfd_create("cam_path.bin", MFD_CLOEXEC);
    if (fd < 0) return;
    if (size == 0 || write(fd, data, size) == static_cast<ssize_t>(size)) {
        const auto path = oxv::ReadCameraPathCache("/proc/self/fd/" + std::to_string(fd));
        if (path && static_cast<size_t>(path[0].key) * sizeof(oxv::PathNode) != size) std::abort();
    }
    close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ImportText(data, size);
    ReadCache(data, size);
    return 0;
}
