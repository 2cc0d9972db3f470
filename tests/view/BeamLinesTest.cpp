#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "view/BeamLines.h"

namespace oxv {
namespace {

TEST(BeamLines, OnlyTheLastFifthOfAFrameGetsBeams)
{
    std::vector<std::pair<int32_t, double>> beams;
    ForEachBeam(FrameSpan{100, 110}, 1000, [&](int32_t r, double a) { beams.emplace_back(r, a); });
    ASSERT_EQ(beams.size(), 2u);
    EXPECT_EQ(beams[0].first, 108);
    EXPECT_DOUBLE_EQ(beams[0].second, 0.8);
    EXPECT_EQ(beams[1].first, 109);
    EXPECT_DOUBLE_EQ(beams[1].second, 0.9);
    beams.clear();
    ForEachBeam(FrameSpan{0, 4}, 1000, [&](int32_t r, double a) { beams.emplace_back(r, a); });
    EXPECT_TRUE(beams.empty());
    ForEachBeam(FrameSpan{995, 1010}, 1000, [&](int32_t r, double a) { beams.emplace_back(r, a); });
    EXPECT_TRUE(beams.empty()) << "records past the image are never read";
}

}  // namespace
}  // namespace oxv
