#include "settings/IniText.h"

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <sstream>

namespace oxv {

namespace {

constexpr uint32_t kKeptByteBase = 0xDC00;  // U+DC80..U+DCFF stand for bytes 0x80..0xFF

bool Continuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at `s` (at most `n` bytes)
// and its code point; 0 when it is not one.
size_t DecodeOne(const unsigned char* s, size_t n, uint32_t& code)
{
    const unsigned char c = s[0];
    if (c < 0x80) {
        code = c;
        return 1;
    }
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        code = c & 0x0F;
        if (c == 0xE0) low = 0xA0;   // no overlong forms
        if (c == 0xED) high = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        code = c & 0x07;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (n < length || s[1] < low || s[1] > high) return 0;
    for (size_t i = 1; i < length; ++i) {
        if (!Continuation(s[i])) return 0;
        code = (code << 6) | (s[i] & 0x3F);
    }
    return length;
}

size_t EncodeOne(uint32_t code, char out[4])
{
    if (code < 0x80) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<char>(0xC0 | (code >> 6));
        out[1] = static_cast<char>(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (code >> 12));
        out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (code >> 18));
    out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (code & 0x3F));
    return 4;
}

}  // namespace

size_t ByteKeepingUtf8::ToWChar(wchar_t* dst, size_t dstLen, const char* src, size_t srcLen) const
{
    // Without a length the text ends at its NUL, which is converted too.
    if (srcLen == wxNO_LEN) srcLen = std::strlen(src) + 1;
    const auto* bytes = reinterpret_cast<const unsigned char*>(src);
    size_t written = 0;
    for (size_t i = 0; i < srcLen;) {
        uint32_t code = 0;
        size_t length = DecodeOne(bytes + i, srcLen - i, code);
        if (length == 0) {
            code = kKeptByteBase + bytes[i];
            length = 1;
        }
        if (dst) {
            if (written >= dstLen) return wxCONV_FAILED;
            dst[written] = static_cast<wchar_t>(code);
        }
        ++written;
        i += length;
    }
    return written;
}

size_t ByteKeepingUtf8::FromWChar(char* dst, size_t dstLen, const wchar_t* src, size_t srcLen) const
{
    if (srcLen == wxNO_LEN) srcLen = std::wcslen(src) + 1;
    size_t written = 0;
    for (size_t i = 0; i < srcLen; ++i) {
        const auto code = static_cast<uint32_t>(src[i]);
        char out[4];
        size_t length = 0;
        if (code >= kKeptByteBase + 0x80 && code <= kKeptByteBase + 0xFF) {
            out[0] = static_cast<char>(code - kKeptByteBase);
            length = 1;
        } else if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
            if (m_failed) *m_failed = true;
            return wxCONV_FAILED;
        } else {
            length = EncodeOne(code, out);
        }
        if (dst) {
            if (written + length > dstLen) return wxCONV_FAILED;
            std::memcpy(dst + written, out, length);
        }
        written += length;
    }
    return written;
}

wxString IniValueText(std::string_view bytes)
{
    return wxString(bytes.data(), ByteKeepingUtf8(), bytes.size());
}

std::optional<std::string> IniValueBytes(const wxString& text)
{
    if (text.empty()) return std::string();
    size_t length = 0;
    const wxCharBuffer bytes = ByteKeepingUtf8().cWC2MB(text.wc_str(), text.length(), &length);
    if (!bytes.data() || length == wxCONV_FAILED) return std::nullopt;
    return std::string(bytes.data(), length);
}

wxString IniEntryPath(std::string_view section, std::string_view key)
{
    std::string path = "/" + std::string(section);
    if (!key.empty()) path += "/" + std::string(key);
    return IniValueText(path);
}

std::string PlainSectionHeaders(const std::string& text)
{
    std::istringstream in(text);
    std::string out;
    out.reserve(text.size());
    std::string line;
    while (std::getline(in, line)) {
        const size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line[first] == '[') {
            std::string plain;
            for (size_t i = 0; i < line.size(); ++i) {
                if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == ' ') continue;
                plain += line[i];
            }
            line = std::move(plain);
        }
        out += line;
        if (!in.eof()) out += '\n';
    }
    return out;
}

}  // namespace oxv
