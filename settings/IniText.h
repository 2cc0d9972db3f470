#pragma once

// Small pieces of the INI file's text shared by the settings code.

#include <optional>
#include <string>
#include <string_view>

#include <wx/strconv.h>
#include <wx/string.h>

namespace oxv {

// The configuration library's path of a key ("/Section/Key"); an empty key
// names the section itself.
wxString IniEntryPath(std::string_view section, std::string_view key);

// Rewrites escaped section headers ("[Recent\ File\ List]") of INI text into
// plain ones, which a plain INI reader expects; other lines stay as they are.
std::string PlainSectionHeaders(const std::string& text);

// UTF-8 that keeps every byte. A byte that is not part of well-formed UTF-8
// (a name typed in Latin-1) reads as one of U+DC80..U+DCFF, code points
// well-formed UTF-8 never gives, and is written back as that same byte, so
// text around it is read right and the byte itself is never rewritten.
// Writing anything else that has no UTF-8 form fails, and sets `failed`
// when one is given.
class ByteKeepingUtf8 final : public wxMBConv {
public:
    explicit ByteKeepingUtf8(bool* failed = nullptr) : m_failed(failed) {}
    size_t ToWChar(wchar_t* dst, size_t dstLen, const char* src, size_t srcLen = wxNO_LEN) const override;
    size_t FromWChar(char* dst, size_t dstLen, const wchar_t* src, size_t srcLen = wxNO_LEN) const override;
    wxMBConv* Clone() const override { return new ByteKeepingUtf8(m_failed); }

private:
    bool* m_failed;
};

// A value's bytes as the configuration library holds them, and back.
wxString IniValueText(std::string_view bytes);
std::optional<std::string> IniValueBytes(const wxString& text);

}  // namespace oxv
