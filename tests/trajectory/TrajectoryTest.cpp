// Trajectories: both file forms, the sensor origin and pose they give each
// point (against values worked out by hand), time bases and refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include "geo/LocalFrame.h"
#include "base/Profile.h"
#include "survey/SurveyDocument.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/SurveyFixture.h"
#include "trajectory/TimeBase.h"
#include "trajectory/Trajectory.h"

namespace oxv::test {
namespace {

// At the equator, on the origin's meridian and height 0, the local frame is
// plain: east = longitude x k x a, north = latitude x k x a(1 - e^2).
constexpr double kDegToRad = 0.017453292519943278;
constexpr double kA = 6378137.0;
constexpr double kM = 6378137.0 * (1.0 - 0.006694379990126406);
const double kLon200East = 200.0 / (kDegToRad * kA);
const double kLat100North = 100.0 / (kDegToRad * kM);

// Two epochs two seconds apart: 200 m east, 100 m north and 10 m up; roll
// from 2 to 6, pitch from -4 to 0, heading from 350 through north to 10.
std::string TwoEpochText()
{
    char text[512];
    std::snprintf(text, sizeof text,
                  "# time lat lon height roll pitch heading\n"
                  "100.0 0 0 100 2 -4 350\n"
                  "102.0,%.15f,%.15f,110,6,0,10\n",
                  kLat100North, kLon200East);
    return text;
}

std::vector<uint8_t> TwoEpochSbet(double wander)
{
    constexpr double r = kDegToRad;
    const double records[2][17] = {
        {100.0, 0, 0, 100, 0, 0, 0, 2 * r, -4 * r, (350 + wander) * r, wander * r, 0, 0, 0, 0, 0, 0},
        {102.0, kLat100North * r, kLon200East * r, 110, 0, 0, 0, 6 * r, 0, (10 + wander) * r, wander * r, 0, 0, 0, 0, 0,
         0}};
    std::vector<uint8_t> bytes(sizeof records);
    std::memcpy(bytes.data(), records, sizeof records);
    return bytes;
}

// Points at 99, 100.5, 101 and 103 s, without origin or pose.
void WriteTimedSurvey(const std::string& path, GeodeticOrigin origin, double t0 = 0.0)
{
    PointFileLayout layout;
    layout.stride = 5;
    layout.channels = {0, -1, -1, -1, 3, -1};
    layout.origin = origin;
    const double times[4] = {99.0, 100.5, 101.0, 103.0};
    WriteSurvey(path, layout, 4, [&](int32_t i, PointRecord& r) {
        r.SetXyz(i * 1000, 0, 0);
        r.SetTime((t0 + times[i]) * 400.0);
    });
}

class TrajectoryOnSurvey : public ::testing::Test {
protected:
    void Open(GeodeticOrigin origin = {0, 0, 0}, double t0 = 0.0)
    {
        WriteTimedSurvey(m_dir.File("survey.oxv"), origin, t0);
        MemoryProfile profile;
        LoadObserver quiet;
        ASSERT_EQ(m_doc.LoadPointFile(m_dir.File("survey.oxv"), profile, quiet), LoadStatus::Ok);
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        WriteBytes(m_dir.File(name), bytes);
        return m_dir.File(name);
    }
    std::string WriteText(const std::string& name, const std::string& text)
    {
        return Write(name, std::vector<uint8_t>(text.begin(), text.end()));
    }
    void ExpectHandComputed()
    {
        const PointImage& image = *m_doc.m_pPoints;
        ASSERT_TRUE(image.HasOrigin());
        ASSERT_TRUE(image.HasPose());
        // origin x, y, z (mm); pose roll (= pitch), pitch (= roll), heading
        // (270 - compass heading), x, y, z.
        const int32_t expected[4][9] = {
            {0, 0, 100000, -4000, 2000, -80000, 0, 0, 100000},                // held at the first epoch
            {50000, 25000, 102500, -3000, 3000, -85000, 50000, 25000, 102500},  // a quarter on: compass 355
            {100000, 50000, 105000, -2000, 4000, -90000, 100000, 50000, 105000},  // halfway: due north
            {200000, 100000, 110000, 0, 6000, -100000, 200000, 100000, 110000},   // held at the last
        };
        for (size_t i = 0; i < 4; ++i) {
            SCOPED_TRACE(i);
            for (int k = 0; k < 3; ++k) EXPECT_EQ(image.OriginXyz(i)[k], expected[i][k]);
            for (int k = 0; k < 6; ++k) EXPECT_EQ(image.PoseWords(i)[k], expected[i][3 + k]);
        }
        const TrajectoryReport* report = m_doc.TrajectoryInfo();
        ASSERT_NE(report, nullptr);
        EXPECT_EQ(report->pointsBefore, 1);
        EXPECT_EQ(report->pointsAfter, 1);
        EXPECT_EQ(report->records, 2u);
        // The rest of the survey follows: range and the scanner path.
        EXPECT_EQ(m_doc.m_rangeStat.valid, 1);
        EXPECT_EQ(m_doc.m_rangeStat.min, 100000);
        ASSERT_NE(m_doc.m_pScannerPath, nullptr);
        EXPECT_EQ(m_doc.m_pScannerPath[0].key, 4);
    }

    ScratchDir m_dir;
    SurveyDocument m_doc;
};

TEST_F(TrajectoryOnSurvey, TextGivesTheHandComputedOriginsAndPoses)
{
    Open();
    ASSERT_EQ(m_doc.AttachTrajectory(WriteText("nav.txt", TwoEpochText())), TrajectoryStatus::Attached)
        << m_doc.TrajectoryProblem();
    EXPECT_EQ(m_doc.TrajectoryInfo()->format, TrajectoryFormat::Text);
    ExpectHandComputed();
}

TEST_F(TrajectoryOnSurvey, SbetGivesTheSameWithTheWanderAngleTakenOff)
{
    Open();
    ASSERT_EQ(m_doc.AttachTrajectory(Write("nav.out", TwoEpochSbet(30.0))), TrajectoryStatus::Attached)
        << m_doc.TrajectoryProblem();
    EXPECT_EQ(m_doc.TrajectoryInfo()->format, TrajectoryFormat::Sbet);
    ExpectHandComputed();
}

TEST_F(TrajectoryOnSurvey, ASecondTrajectoryTakesThePlaceOfTheFirst)
{
    Open();
    ASSERT_EQ(m_doc.AttachTrajectory(WriteText("far.txt", "100 0.01 0.01 500 0 0 0\n102 0.01 0.01 500 0 0 0\n")),
              TrajectoryStatus::Attached);
    const int32_t stride = m_doc.m_pPoints->Stride();
    ASSERT_EQ(m_doc.AttachTrajectory(WriteText("nav.txt", TwoEpochText())), TrajectoryStatus::Attached);
    EXPECT_EQ(m_doc.m_pPoints->Stride(), stride);
    ExpectHandComputed();
}

TEST_F(TrajectoryOnSurvey, AdjustedStandardSurveyMeetsWeekSecondsWithinItsWeek)
{
    // Week 2300 began 391,040,000 s after the adjusted epoch.
    Open({0, 0, 0}, 2300 * 604800.0 - 1e9);
    ASSERT_EQ(m_doc.AttachTrajectory(WriteText("nav.txt", TwoEpochText())), TrajectoryStatus::Attached)
        << m_doc.TrajectoryProblem();
    EXPECT_NE(m_doc.TrajectoryInfo()->timeBase.find("matched within GPS week 2300"), std::string::npos);
    ExpectHandComputed();
}

TEST_F(TrajectoryOnSurvey, RefusalsSayWhyAndLeaveTheSurveyAsItWas)
{
    Open();
    const std::string good = WriteText("nav.txt", TwoEpochText());
    struct Case {
        std::string file;
        TrajectoryStatus status;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {m_dir.File("missing.txt"), TrajectoryStatus::CannotOpen, "No such file"},
        {WriteText("one.txt", "100 0 0 0 0 0 0\n"), TrajectoryStatus::BadFile, "one record"},
        {WriteText("back.txt", "100 0 0 0 0 0 0\n99 0 0 0 0 0 0\n"), TrajectoryStatus::BadFile,
         "times go backwards at record 2"},
        {WriteText("lat.txt", "100 91 0 0 0 0 0\n101 0 0 0 0 0 0\n"), TrajectoryStatus::BadFile,
         "line 1 holds a value that is not a position"},
        {WriteText("short.txt", "100 0 0 0 0 0 0\n101 0 0 0\n"), TrajectoryStatus::BadFile, "line 2 does not hold"},
        {WriteText("empty.txt", "# nothing\n"), TrajectoryStatus::BadFile, "no trajectory records"},
        {WriteText("later.txt", "5000 0 0 0 0 0 0\n5001 0 0 0 0 0 0\n"), TrajectoryStatus::Refused,
         "no point's time falls within the trajectory's"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(m_doc.AttachTrajectory(c.file), c.status);
        EXPECT_NE(m_doc.TrajectoryProblem().find(c.reason), std::string::npos) << m_doc.TrajectoryProblem();
        EXPECT_FALSE(m_doc.m_pPoints->HasOrigin());
        EXPECT_EQ(m_doc.TrajectoryInfo(), nullptr);
    }
}

TEST(TrajectoryRefusals, SurveysThatCannotTakeOne)
{
    ScratchDir dir;
    const std::string text = TwoEpochText();
    WriteBytes(dir.File("nav.txt"), std::vector<uint8_t>(text.begin(), text.end()));
    struct Case {
        const char* name;
        PointFileLayout layout;
        const char* reason;
    };
    PointFileLayout noTime;
    noTime.channels = {0, -1, -1, -1, -1, -1};
    PointFileLayout nowhere;
    nowhere.channels = {0, -1, -1, -1, 3, -1};
    nowhere.origin = NoGeodeticOrigin();
    PointFileLayout ownPose;  // the default layout: origin and pose of its own
    const std::vector<Case> cases = {
        {"no time", noTime, "no time stamps"},
        {"no geodetic origin", nowhere, "no geodetic origin"},
        {"its own pose", ownPose, "already has its own sensor origin and pose"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSurvey(dir.File("s.oxv"), c.layout, 3, [](int32_t i, PointRecord& r) { r.SetTime((100 + i) * 400.0); });
        SurveyDocument doc;
        MemoryProfile profile;
        LoadObserver quiet;
        ASSERT_EQ(doc.LoadPointFile(dir.File("s.oxv"), profile, quiet), LoadStatus::Ok);
        EXPECT_EQ(doc.AttachTrajectory(dir.File("nav.txt")), TrajectoryStatus::Refused);
        EXPECT_NE(doc.TrajectoryProblem().find(c.reason), std::string::npos) << doc.TrajectoryProblem();
    }
}

TEST(TimeBases, MatchedWhereTheyCanBeAndSaidWhereNot)
{
    const double week2300 = 2300 * kSecondsPerWeek;
    struct Case {
        TimeBase survey;
        double s0, s1;
        TimeBase trajectory;
        double t0, t1;
        bool matched;
        double shift;
        const char* words;
    };
    const std::vector<Case> cases = {
        {TimeBase::WeekSeconds, 345600, 345700, TimeBase::WeekSeconds, 345000, 346000, true, 0.0, "survey and trajectory"},
        {TimeBase::AdjustedStandard, week2300 - 1e9 + 345600, week2300 - 1e9 + 345700, TimeBase::WeekSeconds, 345000,
         346000, true, week2300 - 1e9, "matched within GPS week 2300"},
        {TimeBase::AdjustedStandard, week2300 - 1e9 + 604000, week2300 - 1e9 + 605000, TimeBase::WeekSeconds, 0, 100,
         false, 0.0, "span GPS weeks 2300 to 2301"},
        {TimeBase::WeekSeconds, 345600, 345700, TimeBase::Standard, week2300 + 345000, week2300 + 346000, true,
         -week2300, "matched within GPS week 2300"},
        {TimeBase::Standard, 1.4e9, 1.4e9 + 10, TimeBase::AdjustedStandard, 4e8, 4e8 + 10, true, 1e9,
         "matched by the 1e9 s"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words);
        const TimeMatch m = MatchTimeBases(c.survey, c.s0, c.s1, c.trajectory, c.t0, c.t1);
        EXPECT_EQ(m.matched, c.matched);
        if (c.matched) {
            EXPECT_EQ(m.shift, c.shift);
        }
        EXPECT_NE((m.matched ? m.note : m.why).find(c.words), std::string::npos) << m.note << m.why;
    }
    EXPECT_EQ(TimeBaseOfSpan(0, 604800), TimeBase::WeekSeconds);
    EXPECT_EQ(TimeBaseOfSpan(3.9e8, 3.91e8), TimeBase::AdjustedStandard);
    EXPECT_EQ(TimeBaseOfSpan(1.39e9, 1.39e9 + 1), TimeBase::Standard);
}

}  // namespace
}  // namespace oxv::test
