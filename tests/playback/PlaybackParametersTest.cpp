#include <gtest/gtest.h>

#include <cmath>

#include "playback/PlaybackParameters.h"
#include "survey/PlaybackSettings.h"
#include "tests/playback/PlaybackTestSupport.h"

namespace oxv {
namespace {

TEST(PlaybackParameters, TextsReadAsTheCLibraryReadsNumbers)
{
    struct Case {
        const char* text;
        double asDouble;
        long asLong;
    };
    const Case cases[] = {
        {"  12.5abc", 12.5, 12}, {"abc", 0.0, 0}, {"", 0.0, 0},     {"-3", -3.0, -3},
        {"1e3", 1000.0, 1},      {"0x10", 16.0, 0}, {"1e999", 0.0, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadLeadingDouble(c.text), c.asDouble) << c.text;
        EXPECT_EQ(ReadLeadingLong(c.text), c.asLong) << c.text;
    }
}

TEST(PlaybackParameters, FirstUseShowsTheDefaults)
{
    test::ScratchDir dir;
    SurveyDocument doc;
    test::OpenFlight(doc, dir, 10.0);
    const PlaybackDialogValues v = DialogValuesFromDocument(doc);
    EXPECT_EQ(FormatSpeedPercent(v.m_dSpeedPercent), "100.00");
    EXPECT_EQ(FormatIntervalMs(v.m_nIntervalMs), "33");
    EXPECT_EQ(FormatCameraValue(v.params.nearDistance), "100.0");
    EXPECT_EQ(FormatCameraValue(v.params.farDistance), "300.0");
    EXPECT_EQ(v.params.trackVehicle, 1);
    EXPECT_EQ(v.params.recordVideo, 0);
    EXPECT_FALSE(v.params.outputFolder);
}

TEST(PlaybackParameters, ConfirmingRebuildsAndStores)
{
    test::ScratchDir dir;
    SurveyDocument doc;
    test::OpenFlight(doc, dir, 10.0);
    MemoryProfile profile;

    PlaybackDialogValues unchanged = DialogValuesFromDocument(doc);
    ASSERT_TRUE(ApplyPlaybackDialog(doc, profile, unchanged));
    EXPECT_DOUBLE_EQ(doc.m_pTimeline->interval, 0.033) << "33 ms replaces 0.0333 s";
    EXPECT_DOUBLE_EQ(doc.m_pTimeline->step, 0.033);
    TimelineRecord stored;
    ASSERT_TRUE(LoadTimelineSettings(profile, stored));
    EXPECT_DOUBLE_EQ(stored.interval, 0.033);

    PlaybackDialogValues half = DialogValuesFromDocument(doc);
    half.m_dSpeedPercent = 50.0;
    half.m_nIntervalMs = 40;
    half.params.nearDistance = ReadLeadingDouble("abc");
    half.params.outputFolder = "/frames";
    ASSERT_TRUE(ApplyPlaybackDialog(doc, profile, half));
    EXPECT_DOUBLE_EQ(doc.m_pTimeline->step, 0.02);
    EXPECT_EQ(doc.m_pTimeline->frames, 500);
    PlaybackParams loaded;
    ASSERT_TRUE(LoadPlaybackParams(profile, loaded));
    EXPECT_EQ(loaded.nearDistance, 0.0);
    EXPECT_EQ(loaded.outputFolder, "/frames");
}

// A standard frame rate's period is no whole number of milliseconds: each
// frame covers exactly speed / rate of measurement time, and the frame
// count is the span at that rate, whole frames only.
TEST(PlaybackParameters, AnExactPeriodTimesEveryFrame)
{
    test::ScratchDir dir;
    SurveyDocument doc;
    test::OpenFlight(doc, dir, 10.0);
    MemoryProfile profile;
    const struct {
        int num, den;
        double speedPercent;
        int32_t frames;  // 10 s x rate / speed, whole frames
    } rates[] = {{24, 1, 100.0, 240},       {25, 1, 100.0, 250},   {30000, 1001, 100.0, 299},
                 {30, 1, 100.0, 300},       {50, 1, 200.0, 250},   {60, 1, 100.0, 600},
                 {24000, 1001, 50.0, 479}};
    for (const auto& r : rates) {
        PlaybackDialogValues v = DialogValuesFromDocument(doc);
        v.m_dSpeedPercent = r.speedPercent;
        const double period = static_cast<double>(r.den) / r.num;
        ASSERT_TRUE(ApplyPlaybackValues(doc, profile, v, period)) << r.num << "/" << r.den;
        EXPECT_EQ(doc.m_pTimeline->interval, period);
        EXPECT_EQ(doc.m_pTimeline->step, r.speedPercent / 100.0 * period);
        EXPECT_EQ(doc.m_pTimeline->frames, r.frames) << r.num << "/" << r.den;
    }
    PlaybackDialogValues v = DialogValuesFromDocument(doc);
    for (double refused : {0.0, -0.04, std::nan(""), 1e-12}) {
        EXPECT_FALSE(RefuseReasonForPeriod(doc, 100.0, refused).empty()) << refused;
        EXPECT_FALSE(ApplyPlaybackValues(doc, profile, v, refused)) << refused;
    }
    EXPECT_EQ(doc.m_pTimeline->frames, 479) << "a refused period changes nothing";
}

TEST(PlaybackParameters, ImpossibleValuesAreRefusedAndChangeNothing)
{
    test::ScratchDir dir;
    SurveyDocument doc;
    test::OpenFlight(doc, dir, 10.0);
    MemoryProfile profile;
    EXPECT_FALSE(SpeedAllowsOk(0.0));
    EXPECT_TRUE(IntervalAllowsOk(1));
    const struct {
        double speed;
        long ms;
    } refused[] = {{0.0, 33}, {-5.0, 33}, {100.0, 0}, {100.0, -1}, {1e-9, 33}};
    for (const auto& r : refused) {
        PlaybackDialogValues v = DialogValuesFromDocument(doc);
        v.m_dSpeedPercent = r.speed;
        v.m_nIntervalMs = static_cast<int>(r.ms);
        EXPECT_FALSE(RefuseReason(doc, r.speed, r.ms).empty()) << r.speed << " " << r.ms;
        EXPECT_FALSE(ApplyPlaybackDialog(doc, profile, v));
        EXPECT_NE(doc.m_pTimeline, nullptr);
        EXPECT_FALSE(profile.ReadString("PBV", "Data"));
    }
    doc.NewDocument();
    EXPECT_FALSE(ApplyPlaybackDialog(doc, profile, PlaybackDialogValues{})) << "no image, no rebuild";
}

}  // namespace
}  // namespace oxv
