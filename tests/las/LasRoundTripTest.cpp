// .oxv to LAS and back: every channel LAS carries comes back within the LAS
// scale, in the local frame and reprojected into a coordinate system.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "geo/LocalFrame.h"
#include "las/LasWriter.h"
#include "base/Profile.h"
#include "survey/SurveyDocument.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/SurveyFixture.h"

namespace oxv::test {
namespace {

constexpr int32_t kPoints = 5000;

PointFileLayout FullLayout()
{
    PointFileLayout layout;
    layout.origin = {47.2186500 / 57.29577951308232, 8.6592100 / 57.29577951308232, 402.35};
    return layout;
}

void FillRecord(int32_t i, PointRecord& r)
{
    // Spread over 4 km by 3 km and 300 m, with odd millimetres everywhere.
    r.SetXyz(-2000000 + i * 797 + i % 7, -1500000 + (i * 7919) % 3000001, 100000 + (i * 104729) % 300001);
    r.SetOrigin(0, 0, 0);
    r.SetColor(static_cast<uint8_t>(i), static_cast<uint8_t>(i * 3), static_cast<uint8_t>(255 - i % 256));
    r.SetAmplitude(static_cast<uint8_t>(i * 7));
    // Seconds of the week, at an odd sampling rate.
    r.SetTime((345600.0 + i * 0.0013717) * 400.0);
    r.SetPose(Pose{{1, 2, 3, 4, 5, 6}});
}


bool Load(const std::string& path, SurveyDocument& doc)
{
    MemoryProfile profile;
    LoadObserver quiet;
    return doc.LoadPointFile(path, profile, quiet) == LoadStatus::Ok;
}

class LasRoundTrip : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteSurvey(m_dir.File("survey.oxv"), FullLayout(), kPoints, FillRecord);
        ASSERT_TRUE(Load(m_dir.File("survey.oxv"), m_original));
    }

    ScratchDir m_dir;
    SurveyDocument m_original;
};

TEST_F(LasRoundTrip, LocalFrameKeepsEveryChannelExactly)
{
    std::string why;
    ASSERT_TRUE(las::WriteLasFile(*m_original.m_pPoints, m_dir.File("survey.las"), "", why)) << why;
    SurveyDocument back;
    ASSERT_TRUE(Load(m_dir.File("survey.las"), back)) << back.LoadProblem();
    const PointImage& a = *m_original.m_pPoints;
    const PointImage& b = *back.m_pPoints;
    ASSERT_EQ(b.Records(), kPoints);
    EXPECT_EQ(back.LasInfo()->header.pointFormat, 7);
    EXPECT_EQ(back.LasInfo()->header.versionMinor, 4);
    EXPECT_TRUE(back.LasInfo()->originFromFile);
    EXPECT_EQ(b.Header().origin.latitude, a.Header().origin.latitude);
    EXPECT_EQ(b.Header().origin.longitude, a.Header().origin.longitude);
    EXPECT_EQ(b.Header().origin.height, a.Header().origin.height);
    double worstTime = 0.0;
    for (size_t i = 0; i < static_cast<size_t>(kPoints); ++i) {
        for (int k = 0; k < 3; ++k) ASSERT_EQ(b.Xyz(i)[k], a.Xyz(i)[k]) << i;
        ASSERT_EQ(b.Amplitude(i), a.Amplitude(i)) << i;
        for (int k = 0; k < 3; ++k) ASSERT_EQ(b.ColorBytes(i)[k], a.ColorBytes(i)[k]) << i;
        worstTime = std::max(worstTime, std::fabs(b.Time(i) - a.Time(i)) / 400.0);
    }
    // GPS time is the time stamp / 400 as a double: a few ulps of 1e5 s.
    EXPECT_LT(worstTime, 1e-9);
    // LAS carries neither the sensor origin nor the pose.
    EXPECT_FALSE(b.HasOrigin());
    EXPECT_FALSE(b.HasPose());
    std::printf("round trip, local frame: xyz 0 mm, amplitude 0, colour 0, time %.3g s at most\n", worstTime);
}

TEST_F(LasRoundTrip, ReprojectedIntoUtmComesBackWithinAMillimetre)
{
    std::string why;
    ASSERT_TRUE(las::WriteLasFile(*m_original.m_pPoints, m_dir.File("utm.las"), "EPSG:32632", why)) << why;
    SurveyDocument back;
    ASSERT_TRUE(Load(m_dir.File("utm.las"), back)) << back.LoadProblem();
    EXPECT_EQ(back.LasInfo()->crsSource, "OGC WKT");
    EXPECT_EQ(back.LasInfo()->crsName, "WGS 84 / UTM zone 32N");
    EXPECT_EQ(back.LasInfo()->header.scale[0], 0.001);
    const PointImage& a = *m_original.m_pPoints;
    const PointImage& b = *back.m_pPoints;
    int32_t worst = 0;
    for (size_t i = 0; i < static_cast<size_t>(kPoints); ++i)
        for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(b.Xyz(i)[k] - a.Xyz(i)[k]));
    // Half a millimetre of LAS scale, the lattice's hundredth of one and the
    // truncation to whole millimetres.
    EXPECT_LE(worst, 1);
    for (size_t i = 0; i < static_cast<size_t>(kPoints); ++i) ASSERT_EQ(b.Amplitude(i), a.Amplitude(i));
    std::printf("round trip, EPSG:32632: xyz within %d mm\n", worst);
}

TEST_F(LasRoundTrip, ASurveyWithoutAPlaceCannotBeReprojected)
{
    PointFileLayout layout = FullLayout();
    layout.origin = NoGeodeticOrigin();
    WriteSurvey(m_dir.File("nowhere.oxv"), layout, 10, FillRecord);
    SurveyDocument doc;
    ASSERT_TRUE(Load(m_dir.File("nowhere.oxv"), doc));
    std::string why;
    EXPECT_FALSE(las::WriteLasFile(*doc.m_pPoints, m_dir.File("x.las"), "EPSG:32632", why));
    EXPECT_NE(why.find("no geodetic origin"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("x.las")));
    EXPECT_FALSE(las::WriteLasFile(*m_original.m_pPoints, m_dir.File("y.las"), "EPSG:999999", why));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("y.las")));
}

}  // namespace
}  // namespace oxv::test
