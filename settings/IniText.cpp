#include "settings/IniText.h"

#include <sstream>

namespace oxv {

wxString IniEntryPath(std::string_view section, std::string_view key)
{
    std::string path = "/" + std::string(section);
    if (!key.empty()) path += "/" + std::string(key);
    return wxString::FromUTF8(path.data(), path.size());
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
