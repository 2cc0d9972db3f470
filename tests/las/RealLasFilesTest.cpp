// A LAS file as others write it: every header field read, the coordinate
// system from its GeoTIFF keys, the points in the local frame.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "geo/CoordinateSystem.h"
#include "geo/CrsToLocal.h"
#include "geo/LocalFrame.h"
#include "base/Profile.h"
#include "survey/SurveyDocument.h"
#include "tests/support/ScratchDir.h"

namespace oxv::test {
namespace {

constexpr double kDegrees = 57.29577951308232;

TEST(RealLasFiles, HaystackRockFromLasTools)
{
    SurveyDocument doc;
    MemoryProfile profile;
    LoadObserver quiet;
    ASSERT_EQ(doc.LoadPointFile(std::string(OXV_LAS_DATA_DIR) + "/haystack_rock_9000.las", profile, quiet),
              LoadStatus::Ok)
        << doc.LoadProblem();
    const las::LasSurvey& s = *doc.LasInfo();
    const las::Header& h = s.header;
    EXPECT_EQ(h.versionMajor, 1);
    EXPECT_EQ(h.versionMinor, 2);
    EXPECT_EQ(h.fileSourceId, 0);
    EXPECT_EQ(h.globalEncoding, 0);
    EXPECT_EQ(h.systemId, "LAStools (c) by rapidlasso GmbH");
    EXPECT_EQ(h.software, "lasduplicate (160730) commercia");
    EXPECT_EQ(h.creationDay, 333);
    EXPECT_EQ(h.creationYear, 2011);
    EXPECT_EQ(h.headerSize, 227);
    EXPECT_EQ(h.pointDataOffset, 331u);
    EXPECT_EQ(h.vlrCount, 1u);
    EXPECT_EQ(h.pointFormat, 0);
    EXPECT_EQ(h.recordLength, 20);
    EXPECT_EQ(h.legacyPointCount, 9000u);
    EXPECT_EQ(h.pointCount, 9000u);
    EXPECT_EQ(h.pointsByReturn[0], 9000u);
    EXPECT_EQ(h.pointsByReturn[1], 0u);
    EXPECT_EQ(h.scale[0], 0.01);
    EXPECT_EQ(h.scale[1], 0.01);
    EXPECT_EQ(h.scale[2], 0.001);
    EXPECT_EQ(h.offset[0], 2000000.0);
    EXPECT_EQ(h.offset[1], 200000.0);
    EXPECT_EQ(h.offset[2], 0.0);
    EXPECT_DOUBLE_EQ(h.max[0], 2231096.08);
    EXPECT_DOUBLE_EQ(h.min[0], 2230738.84);
    EXPECT_DOUBLE_EQ(h.max[1], 252217.05);
    EXPECT_DOUBLE_EQ(h.min[1], 252070.78);
    EXPECT_DOUBLE_EQ(h.max[2], 75.485);
    EXPECT_DOUBLE_EQ(h.min[2], -1.256);
    EXPECT_EQ(h.waveformStart, 0u);
    EXPECT_EQ(h.evlrCount, 0u);
    EXPECT_EQ(s.vlrs, 1u);
    // The header's bounds are these points' own: the data agree.
    for (int a = 0; a < 3; ++a) {
        EXPECT_DOUBLE_EQ(s.dataMin[a], h.min[a]);
        EXPECT_DOUBLE_EQ(s.dataMax[a], h.max[a]);
    }

    EXPECT_EQ(s.crsSource, "GeoTIFF keys");
    EXPECT_EQ(s.crsDefinition, "EPSG:3645+5703");
    EXPECT_EQ(s.crsName, "NAD83(NSRS2007) / Oregon North + NAVD88 height");
    const PointImage& image = *doc.m_pPoints;
    ASSERT_TRUE(HasGeodeticOrigin(image.Header().origin));
    // Haystack Rock, off Cannon Beach.
    EXPECT_NEAR(image.Header().origin.latitude * kDegrees, 45.884, 0.01);
    EXPECT_NEAR(image.Header().origin.longitude * kDegrees, -123.969, 0.01);
    EXPECT_EQ(image.Records(), 9000);
    EXPECT_FALSE(image.HasTime());
    EXPECT_FALSE(image.HasColor());
    // The points where PROJ puts them, one by one, within a millimetre.
    std::string why;
    const auto system = CoordinateSystem::Create("EPSG:3645+5703", why);
    ASSERT_TRUE(system) << why;
    const LocalFrame frame(image.Header().origin);
    const CrsToLocal exact(*system, frame);
    const std::vector<uint8_t> bytes = ReadBytes(std::string(OXV_LAS_DATA_DIR) + "/haystack_rock_9000.las");
    for (size_t i = 0; i < 9000; i += 97) {
        int32_t raw[3];
        std::memcpy(raw, bytes.data() + 331 + 20 * i, sizeof raw);
        double x = raw[0] * 0.01 + 2000000, y = raw[1] * 0.01 + 200000, z = raw[2] * 0.001;
        ASSERT_TRUE(exact.MapExactly(&x, &y, &z, 1));
        EXPECT_NEAR(image.Xyz(i)[0], x * 1000, 1.0) << i;
        EXPECT_NEAR(image.Xyz(i)[1], y * 1000, 1.0) << i;
        EXPECT_NEAR(image.Xyz(i)[2], z * 1000, 1.0) << i;
    }
}

}  // namespace
}  // namespace oxv::test
