#pragma once

// Reading words and numbers from a text held in memory, the way the C
// library's formatted input reads them from a stream (whitespace skipped
// before a number, a literal matched exactly), but bounded by the text's end,
// independent of the locale and without undefined behaviour on overflow.

#include <charconv>
#include <cstdint>
#include <limits>
#include <string_view>

namespace oxv::scan {

// Words are at most this long; longer runs are cut when used as names.
inline constexpr size_t kMaxWord = 127;

[[nodiscard]] inline bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

class Cursor {
public:
    explicit Cursor(std::string_view text) : m_p(text.data()), m_end(text.data() + text.size()) {}

    [[nodiscard]] bool AtEnd() const { return m_p == m_end; }

    void SkipSpace()
    {
        while (m_p != m_end && IsSpace(*m_p)) ++m_p;
    }

    // The next run of non-blank characters; empty at the end of the text.
    std::string_view Word()
    {
        SkipSpace();
        const char* start = m_p;
        while (m_p != m_end && !IsSpace(*m_p)) ++m_p;
        return {start, static_cast<size_t>(m_p - start)};
    }

    // Everything up to the next line feed, which is consumed too.
    std::string_view RestOfLine()
    {
        const char* start = m_p;
        while (m_p != m_end && *m_p != '\n') ++m_p;
        std::string_view line(start, static_cast<size_t>(m_p - start));
        if (m_p != m_end) ++m_p;
        return line;
    }

    void SkipLine() { RestOfLine(); }

    // A literal character of a format: matched exactly, nothing skipped.
    [[nodiscard]] bool Literal(char c)
    {
        if (m_p == m_end || *m_p != c) return false;
        ++m_p;
        return true;
    }

    // "%d": blanks skipped, optional sign, digits. Values beyond int32
    // saturate. On failure nothing but the blanks is consumed.
    [[nodiscard]] bool Int(int32_t& value)
    {
        SkipSpace();
        const char* p = m_p;
        bool negative = false;
        if (p != m_end && (*p == '+' || *p == '-')) negative = *p++ == '-';
        if (p == m_end || *p < '0' || *p > '9') return false;
        int64_t v = 0;
        constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
        while (p != m_end && *p >= '0' && *p <= '9') {
            if (v < kLimit) v = v * 10 + (*p - '0');
            ++p;
        }
        if (negative) v = -v;
        if (v > std::numeric_limits<int32_t>::max()) v = std::numeric_limits<int32_t>::max();
        if (v < std::numeric_limits<int32_t>::min()) v = std::numeric_limits<int32_t>::min();
        value = static_cast<int32_t>(v);
        m_p = p;
        return true;
    }

    // "%f" / "%lf": blanks skipped, then a decimal number (an optional
    // leading '+' as the C library allows). A number out of range is
    // consumed and leaves the value unchanged.
    template <typename Real>
    [[nodiscard]] bool Number(Real& value)
    {
        SkipSpace();
        const char* p = m_p;
        if (p != m_end && *p == '+') {
            ++p;
            if (p != m_end && *p == '-') return false;
        }
        Real parsed{};
        const auto [next, ec] = std::from_chars(p, m_end, parsed, std::chars_format::general);
        if (next == p) return false;
        if (ec == std::errc()) value = parsed;
        m_p = next;
        return true;
    }

private:
    const char* m_p;
    const char* m_end;
};

// The first word of a piece of text, cut to the word limit.
inline std::string_view FirstWord(std::string_view text)
{
    Cursor c(text);
    std::string_view w = c.Word();
    return w.substr(0, kMaxWord);
}

}  // namespace oxv::scan
