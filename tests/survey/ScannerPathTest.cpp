#include <gtest/gtest.h>

#include <cstring>

#include "survey/ScannerPath.h"
#include "tests/support/SurveyFixture.h"

namespace oxv {
namespace {

using test::ImageOf;

PointImage TrackImage(const std::vector<int32_t>& xs)
{
    return ImageOf(test::SurveyBytes(PointFileLayout{}, static_cast<int32_t>(xs.size()), [&](int32_t i, PointRecord& r) {
        r.SetPose(Pose{{i, 2 * i, 3 * i, xs[static_cast<size_t>(i)], 7, 9}});
    }));
}

TEST(ScannerPath, ThinsFromTheLastKeptNode)
{
    struct Case {
        const char* name;
        std::vector<int32_t> xs;
        std::vector<int32_t> keys;  // node keys after node 0
    };
    const Case cases[] = {
        {"never moves far", {0, 100, 200, 300, 250}, {}},
        {"300 mm is not enough, 301 is", {0, 300, 301, 601, 602}, {2, 4}},
        {"steady 100 mm drift keeps every fourth", {0, 100, 200, 300, 400, 500, 600, 700, 800, 900}, {4, 8}},
        {"measured from the node, not the previous record", {0, 200, 400, 200, 0, 200, 250, 601}, {2, 4, 7}},
    };
    for (const Case& c : cases) {
        const PointImage image = TrackImage(c.xs);
        const int32_t expectedCount = static_cast<int32_t>(c.keys.size()) + 1;
        EXPECT_EQ(CountScannerPathNodes(image), expectedCount) << c.name;
        const auto path = MakeScannerPath(image);
        ASSERT_NE(path, nullptr) << c.name;
        EXPECT_EQ(path[0].key, expectedCount) << c.name;
        EXPECT_EQ(path[0].x, 0) << c.name;
        for (size_t k = 0; k < c.keys.size(); ++k) {
            const PathNode& node = path[k + 1];
            EXPECT_EQ(node.key, c.keys[k]) << c.name;
            EXPECT_EQ(node.x, c.xs[static_cast<size_t>(node.key)]) << c.name;
            EXPECT_EQ(node.heading, 3 * node.key) << c.name;
            EXPECT_EQ(node.z, 9) << c.name;
        }
    }
}

TEST(ScannerPath, NeedsPoseAndTwoRecords)
{
    EXPECT_EQ(CountScannerPathNodes(TrackImage({5})), 0);
    EXPECT_EQ(MakeScannerPath(TrackImage({5})), nullptr);
    PointFileLayout noPose;
    noPose.channels.pose = -1;
    const PointImage image =
        ImageOf(test::SurveyBytes(noPose, 10, [](int32_t i, PointRecord& r) { r.SetXyz(i * 1000, 0, 0); }));
    EXPECT_EQ(CountScannerPathNodes(image), 0);
}

}  // namespace
}  // namespace oxv
