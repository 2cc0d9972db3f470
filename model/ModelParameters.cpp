#include "model/ModelParameters.h"

#include <string_view>

#include "model/ModelFiles.h"
#include "base/TextScan.h"

namespace oxv {

namespace {

// "%lf" or "%lf %lf %lf": the numbers present are stored, the rest keep
// their values.
void ReadNumbers(std::string_view text, double* values, int n)
{
    scan::Cursor c(text);
    for (int i = 0; i < n; ++i)
        if (!c.Number(values[i])) return;
}

void ApplyParameterLine(std::string_view line, ModelParameters& p)
{
    if (line.size() < 2) return;
    const std::string_view numbers = line.substr(2);
    switch (line[1]) {
    case 'S': ReadNumbers(numbers, &p.scale, 1); break;
    case 'B': ReadNumbers(numbers, p.model_rotation, 3); break;
    case 'C': ReadNumbers(numbers, p.model_offset, 3); break;
    case 'M': ReadNumbers(numbers, p.main_rotor_hub, 3); break;
    case 'T': ReadNumbers(numbers, p.tail_rotor_hub, 3); break;
    default: break;  // other letters (lower case too) are not parameters
    }
}

}  // namespace

bool ReadModelParameters(const std::string& path, ModelSections& sections, ModelParameters& parameters)
{
    sections.clear();
    ImageBlock block;
    if (!ReadModelFile(path, block)) return false;
    std::string_view text(reinterpret_cast<const char*>(block.Data()), block.Size());

    std::string name;
    std::vector<std::string> entries;
    auto store = [&] {
        if (!name.empty()) sections[name] = std::move(entries);
        entries.clear();
    };
    while (!text.empty()) {
        const size_t feed = text.find('\n');
        std::string_view line = text.substr(0, feed);
        text = feed == std::string_view::npos ? std::string_view() : text.substr(feed + 1);
        // Files written on Windows end their lines with CR LF; the line is
        // what stands before them.
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty() && line[0] == '~') {
            ApplyParameterLine(line, parameters);
        } else if (!line.empty() && line[0] == '#') {
            store();
            name = std::string(line.substr(1));
        } else {
            entries.emplace_back(line);
        }
    }
    store();
    return true;
}

std::string ReplaceExtension(const std::string& path, const std::string& extension)
{
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos) return extension;
    return path.substr(0, dot + 1) + extension;
}

}  // namespace oxv
