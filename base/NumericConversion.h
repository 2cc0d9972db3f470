#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace oxv {

// Stored integers come from doubles by truncation toward zero. Values from a
// hostile file can be NaN or far outside int32; those saturate (NaN gives 0)
// instead of invoking undefined behaviour.
inline int32_t TruncToInt32(double v)
{
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

}  // namespace oxv
