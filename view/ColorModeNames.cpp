#include "view/ColorModeNames.h"

#include <array>
#include <cctype>

#include "view/ViewState.h"

namespace oxv {

namespace {

// In mode order: the index is the mode.
constexpr std::array<std::string_view, 5> kNames = {"height", "amp", "ampbw", "range", "original"};
static_assert(kNames.size() == kColorOriginal + 1);

bool SameLetters(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

std::optional<int32_t> ColorModeFromName(std::string_view name)
{
    for (size_t mode = 0; mode < kNames.size(); ++mode)
        if (SameLetters(name, kNames[mode])) return static_cast<int32_t>(mode);
    return std::nullopt;
}

std::string_view ColorModeName(int32_t mode)
{
    return mode >= 0 && static_cast<size_t>(mode) < kNames.size() ? kNames[static_cast<size_t>(mode)] : std::string_view();
}

std::string ColorModeNameList()
{
    std::string list;
    for (size_t i = 0; i < kNames.size(); ++i) {
        if (i > 0) list += i + 1 == kNames.size() ? " or " : ", ";
        list += kNames[i];
    }
    return list;
}

}  // namespace oxv
