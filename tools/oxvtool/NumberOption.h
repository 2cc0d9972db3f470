#pragma once

// Numbers on the command line, refused unless the whole text is one number
// in plain decimal (no leading '+', no spaces, no hexadecimal, no infinity
// or NaN). CLI11's own conversion would take "0x10" and read "010" as
// octal; these validators decide what is a number, and hand CLI11 a
// spelling its conversion reads back as exactly the value meant.

#include <charconv>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

#include <CLI/CLI.hpp>

#include "tools/oxvtool/SizeOption.h"

namespace oxv::tool {

// The whole text as one number, or nothing.
template <typename T>
std::optional<T> ParseNumber(std::string_view text)
{
    T value{};
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, value);
    if (text.empty() || r.ec != std::errc() || r.ptr != end) return std::nullopt;
    if constexpr (std::is_floating_point_v<T>)
        if (!std::isfinite(value)) return std::nullopt;
    return value;
}

// A double spelled in hexadecimal: CLI11 reads floating-point options with
// strtold, and a decimal spelling rounded first to long double, then to
// double, can land one step away from the double itself.
inline std::string ExactDoubleText(double value)
{
    char digits[64];
    const auto r = std::to_chars(digits, digits + sizeof digits, std::fabs(value), std::chars_format::hex);
    return (std::signbit(value) ? "-0x" : "0x") + std::string(digits, r.ptr);
}

// A whole number from `min` to `max`; anything else is refused with `wants`.
inline CLI::Validator WholeNumberOption(long long min, long long max, const std::string& wants)
{
    return CLI::Validator(
        [min, max, wants](std::string& text) -> std::string {
            const auto value = ParseNumber<long long>(text);
            if (!value || *value < min || *value > max) return wants;
            text = std::to_string(*value);
            return {};
        },
        "");
}

// A finite number that `allowed` accepts (any, when not given); anything
// else is refused with `wants`.
inline CLI::Validator NumberOption(const std::string& wants, std::function<bool(double)> allowed = {})
{
    return CLI::Validator(
        [wants, allowed](std::string& text) -> std::string {
            const auto value = ParseNumber<double>(text);
            if (!value || (allowed && !allowed(*value))) return wants;
            text = ExactDoubleText(*value);
            return {};
        },
        "");
}

// "0" or "1" and nothing else.
inline CLI::Validator SwitchOption()
{
    return CLI::Validator(
        [](const std::string& text) -> std::string { return text == "0" || text == "1" ? "" : "wants 0 or 1"; },
        "0|1");
}

// "WxH" with sides from 1 to `maxSide`.
inline CLI::Validator FrameSizeOption(int maxSide)
{
    return CLI::Validator(
        [maxSide](const std::string& text) -> std::string {
            int w = 0, h = 0;
            return ParseSize(text, maxSide, w, h) ? "" : "wants WIDTHxHEIGHT with sides 1 to " + std::to_string(maxSide);
        },
        "WxH");
}

}  // namespace oxv::tool
