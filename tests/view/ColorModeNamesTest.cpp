#include <gtest/gtest.h>

#include "view/ColorModeNames.h"
#include "view/ViewState.h"

namespace oxv {
namespace {

TEST(ColorModeNamesTest, NamesAndModesMatchBothWays)
{
    // Each mode's own name, and the name a mode gives back, exactly.
    const std::pair<const char*, int32_t> names[] = {
        {"height", kColorHeight}, {"amp", kColorAmp},           {"ampbw", kColorAmpBw},
        {"range", kColorRange},   {"original", kColorOriginal},
    };
    for (const auto& [name, mode] : names) {
        EXPECT_EQ(ColorModeFromName(name), mode) << name;
        EXPECT_EQ(ColorModeName(mode), name) << mode;
    }
    // Any letter case reads, and only as the mode it names.
    for (const auto& [name, mode] : {std::pair{"AmpBW", kColorAmpBw}, std::pair{"HEIGHT", kColorHeight}})
        EXPECT_EQ(ColorModeFromName(name), mode) << name;
    for (const char* bad : {"", "purple", "heigh", "originals", "amp bw"}) EXPECT_FALSE(ColorModeFromName(bad)) << bad;
    EXPECT_EQ(ColorModeName(5), "");
    EXPECT_EQ(ColorModeName(-1), "");
    EXPECT_EQ(ColorModeNameList(), "height, amp, ampbw, range or original");
}

}  // namespace
}  // namespace oxv
