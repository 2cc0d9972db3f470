#include <gtest/gtest.h>

#include "view/ColorModeNames.h"
#include "view/ViewState.h"

namespace oxv {
namespace {

TEST(ColorModeNamesTest, NamesAndModesMatchBothWays)
{
    const std::pair<const char*, int32_t> cases[] = {
        {"height", kColorHeight}, {"amp", kColorAmp},           {"ampbw", kColorAmpBw},
        {"range", kColorRange},   {"original", kColorOriginal}, {"AmpBW", kColorAmpBw},
    };
    for (const auto& [name, mode] : cases) {
        EXPECT_EQ(ColorModeFromName(name), mode) << name;
        EXPECT_TRUE(ColorModeName(mode) == name || ColorModeName(mode) == "ampbw") << name;
    }
    for (const char* bad : {"", "purple", "heigh", "originals", "amp bw"}) EXPECT_FALSE(ColorModeFromName(bad)) << bad;
    EXPECT_EQ(ColorModeName(5), "");
    EXPECT_EQ(ColorModeName(-1), "");
    EXPECT_EQ(ColorModeNameList(), "height, amp, ampbw, range or original");
}

}  // namespace
}  // namespace oxv
