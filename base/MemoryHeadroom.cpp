#include "base/MemoryHeadroom.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "base/WholeFile.h"

namespace oxv {

namespace {

// The process's virtual size, the figure RLIMIT_AS is checked against.
std::optional<uint64_t> VirtualSizeBytes()
{
    const FileContents statm = ReadSmallFile("/proc/self/statm", 4096);
    if (statm.state != FileContents::State::Read) return std::nullopt;
    char* end = nullptr;
    const unsigned long long pages = std::strtoull(statm.bytes.c_str(), &end, 10);
    if (end == statm.bytes.c_str()) return std::nullopt;
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize <= 0) return std::nullopt;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

std::optional<uint64_t> AddressSpaceLimitBytes()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    return static_cast<uint64_t>(limit.rlim_cur);
}

}  // namespace

std::optional<int64_t> MemAvailableBytes(std::string_view meminfo)
{
    constexpr std::string_view kKey = "MemAvailable:";
    size_t at = 0;
    while (at < meminfo.size()) {
        const size_t end = std::min(meminfo.find('\n', at), meminfo.size());
        const std::string_view line = meminfo.substr(at, end - at);
        at = end + 1;
        if (line.substr(0, kKey.size()) != kKey) continue;
        // "MemAvailable:    1234567 kB"
        uint64_t kib = 0;
        bool digits = false;
        for (char c : line.substr(kKey.size())) {
            if (c == ' ' || c == '\t') {
                if (digits) break;
                continue;
            }
            if (c < '0' || c > '9') break;
            digits = true;
            if (kib > (uint64_t{1} << 50)) return std::nullopt;
            kib = kib * 10 + static_cast<uint64_t>(c - '0');
        }
        if (!digits) return std::nullopt;
        return static_cast<int64_t>(kib * 1024);
    }
    return std::nullopt;
}

std::optional<int64_t> AddressSpaceLeftBytes(std::optional<uint64_t> limit, std::optional<uint64_t> used)
{
    if (!limit) return std::nullopt;
    const uint64_t taken = used.value_or(0);
    if (taken >= *limit) return 0;
    return static_cast<int64_t>(std::min<uint64_t>(*limit - taken, uint64_t{1} << 62));
}

std::optional<int64_t> MemoryHeadroomBytes()
{
    const std::optional<int64_t> addressSpace = AddressSpaceLeftBytes(AddressSpaceLimitBytes(), VirtualSizeBytes());
    const FileContents meminfo = ReadSmallFile("/proc/meminfo", 1 << 16);
    const std::optional<int64_t> available =
        meminfo.state == FileContents::State::Read ? MemAvailableBytes(meminfo.bytes) : std::nullopt;
    if (addressSpace && available) return std::min(*addressSpace, *available);
    return addressSpace ? addressSpace : available;
}

}  // namespace oxv
