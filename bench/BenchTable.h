#pragma once

// One row of the `make bench` scoreboard: a figure beside the baseline
// measured in the same run, their ratio and the aim. scripts/bench prints
// the header; every bench program run with --table prints its rows.

#include <cstdarg>
#include <cstdio>
#include <string>

namespace oxv::bench {

inline std::string Format(const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// Point counts as the table shows them: 1M, 10M, 250k.
inline std::string Points(long long n)
{
    if (n >= 1'000'000 && n % 100'000 == 0) return Format(n % 1'000'000 ? "%.1fM" : "%.0fM", static_cast<double>(n) / 1e6);
    if (n >= 1000 && n % 1000 == 0) return Format("%lldk", n / 1000);
    return Format("%lld", n);
}

// `met` is printed as "yes"/"NO"; an empty aim prints "-" (a breakdown row).
inline void Row(const std::string& what, long long points, const std::string& figure, const std::string& baseline,
                double ratio, const std::string& aim, bool met)
{
    std::printf("| %-34s | %6s | %-24s | %-24s | %6s | %-22s | %-3s |\n", what.c_str(), Points(points).c_str(),
                figure.c_str(), baseline.c_str(), ratio > 0 ? Format("%.2f", ratio).c_str() : "-",
                aim.empty() ? "-" : aim.c_str(), aim.empty() ? "" : (met ? "yes" : "NO"));
    std::fflush(stdout);
}

}  // namespace oxv::bench
