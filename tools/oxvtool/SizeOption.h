#pragma once

#include <charconv>
#include <string_view>

namespace oxv::tool {

// The largest frame side any command draws: the headless context's largest
// renderbuffer.
inline constexpr int kMaxFrameSide = 16384;

// "WxH" with both sides whole numbers from 1 to maxSide, nothing else around them.
[[nodiscard]] inline bool ParseSize(std::string_view text, int maxSide, int& width, int& height)
{
    const size_t x = text.find('x');
    if (x == std::string_view::npos) return false;
    const char* end = text.data() + text.size();
    int w = 0, h = 0;
    const auto a = std::from_chars(text.data(), text.data() + x, w);
    const auto b = std::from_chars(text.data() + x + 1, end, h);
    if (a.ec != std::errc() || a.ptr != text.data() + x || b.ec != std::errc() || b.ptr != end) return false;
    if (w < 1 || h < 1 || w > maxSide || h > maxSide) return false;
    width = w;
    height = h;
    return true;
}

}  // namespace oxv::tool
