#pragma once

// A video frame rate as the exact fraction the container is tagged with:
// "24", "30000/1001", or a decimal such as "29.97" (read as 2997/100, not
// as 30000/1001: the fraction is the one written).

#include <charconv>
#include <cstdint>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace oxv::tool {

// Numerator and denominator up to this, after reduction: the container's
// time base holds them in 32 bits with room to spare.
inline constexpr int64_t kMaxFrameRateTerm = 1000000;
// Frames a second at most; a frame period of a millisecond.
inline constexpr int64_t kMaxFrameRate = 1000;

struct FrameRate {
    int num = 0;
    int den = 1;
    // The survey seconds of one frame at 100% speed.
    [[nodiscard]] double Period() const { return static_cast<double>(den) / static_cast<double>(num); }
    // "24" or "30000/1001".
    [[nodiscard]] std::string Text() const
    {
        return den == 1 ? std::to_string(num) : std::to_string(num) + "/" + std::to_string(den);
    }
};

namespace detail {

inline bool ParseDigits(std::string_view text, int64_t& value)
{
    if (text.empty() || text.size() > 12) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

}  // namespace detail

// The rate spelled by `text`, reduced; nothing for anything else, a rate of
// 0, above kMaxFrameRate, or a fraction whose reduced terms pass
// kMaxFrameRateTerm.
inline std::optional<FrameRate> ParseFrameRate(std::string_view text)
{
    int64_t num = 0, den = 1;
    const size_t slash = text.find('/');
    const size_t dot = text.find('.');
    if (slash != std::string_view::npos) {
        if (!detail::ParseDigits(text.substr(0, slash), num) || !detail::ParseDigits(text.substr(slash + 1), den))
            return std::nullopt;
    } else if (dot != std::string_view::npos) {
        const std::string_view whole = text.substr(0, dot), fraction = text.substr(dot + 1);
        if (fraction.empty() || fraction.size() > 6) return std::nullopt;
        int64_t w = 0, f = 0;
        if (!detail::ParseDigits(whole, w) || !detail::ParseDigits(fraction, f)) return std::nullopt;
        den = 1;
        for (size_t i = 0; i < fraction.size(); ++i) den *= 10;
        num = w * den + f;
    } else if (!detail::ParseDigits(text, num)) {
        return std::nullopt;
    }
    if (num <= 0 || den <= 0) return std::nullopt;
    const int64_t g = std::gcd(num, den);
    num /= g;
    den /= g;
    if (num > kMaxFrameRateTerm || den > kMaxFrameRateTerm || num > kMaxFrameRate * den) return std::nullopt;
    return FrameRate{static_cast<int>(num), static_cast<int>(den)};
}

}  // namespace oxv::tool
