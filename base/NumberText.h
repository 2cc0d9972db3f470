#pragma once

#include <cstdint>
#include <string>

namespace oxv {

// 19200268 as "19,200,268": byte and record counts of large surveys in
// messages stay readable.
inline std::string GroupedDigits(uint64_t n)
{
    std::string digits = std::to_string(n);
    for (size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
    return digits;
}

}  // namespace oxv
