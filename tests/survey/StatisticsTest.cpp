#include <gtest/gtest.h>

#include "survey/Statistics.h"
#include "survey/SurveyDocument.h"
#include "tests/support/SurveyFixture.h"

namespace oxv {
namespace {

TEST(Statistics, RangeAndTimeAreTruncatedToWholeUnits)
{
    const int32_t point[3] = {0, 0, 0};
    const int32_t origin[3] = {1000, 45, 0};
    EXPECT_EQ(PointRangeMm(point, origin), 1001);
    EXPECT_EQ(TimeStampToMs(1.0), 2);
    EXPECT_EQ(TimeStampToMs(-1.0), -2) << "toward zero";
    EXPECT_EQ(TimeStampToMs(1e300), INT32_MAX) << "hostile values saturate";
    EXPECT_EQ(TimeStampToMs(std::nan("")), 0);
}

TEST(Statistics, OneRecordSurveyAndAbsentChannels)
{
    test::ScratchDir dir;
    PointFileLayout layout;
    layout.stride = 3;
    layout.channels = ChannelLayout{0, -1, -1, -1, -1, -1};
    test::WriteSurvey(dir.File("one.oxv"), layout, 1, [](int32_t, PointRecord& r) { r.SetXyz(5, -6, 7); });
    SurveyDocument doc;
    MemoryProfile profile;
    LoadObserver observer;
    ASSERT_EQ(doc.LoadPointFile(dir.File("one.oxv"), profile, observer), LoadStatus::Ok);
    EXPECT_EQ(doc.m_xStat.min, 5);
    EXPECT_EQ(doc.m_xStat.max, 5);
    EXPECT_EQ(doc.m_yStat.max, -6);
    EXPECT_EQ(doc.m_zStat.valid, 1);
    EXPECT_EQ(doc.m_ampStat.valid, 0);
    EXPECT_EQ(doc.m_timeStat.valid, 0);
    EXPECT_EQ(doc.m_rangeStat.valid, 0);
    EXPECT_EQ(doc.m_pScannerPath, nullptr);
    EXPECT_EQ(doc.m_pTimeline, nullptr);
}

TEST(Statistics, SpanAllRecords)
{
    test::ScratchDir dir;
    test::WriteSurvey(dir.File("s.oxv"), PointFileLayout{}, 500,
                      [](int32_t i, PointRecord& r) { test::SteadyFlight(i, r); });
    SurveyDocument doc;
    MemoryProfile profile;
    LoadObserver observer;
    ASSERT_EQ(doc.LoadPointFile(dir.File("s.oxv"), profile, observer), LoadStatus::Ok);
    EXPECT_EQ(doc.m_xStat.min, 0);
    EXPECT_EQ(doc.m_xStat.max, 49900);
    EXPECT_EQ(doc.m_ampStat.min, 0);
    EXPECT_EQ(doc.m_ampStat.max, 255);
    EXPECT_EQ(doc.m_rangeStat.min, 100000);
    EXPECT_EQ(doc.m_rangeStat.max, 100000);
    EXPECT_EQ(doc.m_timeStat.max, 1247);  // 499 / 400 s
}

}  // namespace
}  // namespace oxv
