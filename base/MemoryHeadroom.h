#pragma once

// How much more memory this process may take before an allocation fails:
// asked before work whose memory is taken where a failure cannot be
// answered (inside the GL driver, which crashes instead).

#include <cstdint>
#include <optional>
#include <string_view>

namespace oxv {

// The smaller of what the address-space limit (RLIMIT_AS) leaves above the
// process's present size and the memory the system has available
// (MemAvailable); nullopt when neither can be told.
std::optional<int64_t> MemoryHeadroomBytes();

// Its parts, from the texts and numbers the system gives, so they are tested
// without changing the process's limits.
std::optional<int64_t> MemAvailableBytes(std::string_view meminfo);
std::optional<int64_t> AddressSpaceLeftBytes(std::optional<uint64_t> limit, std::optional<uint64_t> used);

}  // namespace oxv
