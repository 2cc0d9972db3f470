#include <gtest/gtest.h>

#include <cmath>

#include "view/PointReadout.h"
#include "view/StatusLine.h"
#include "survey/SurveyDocument.h"
#include "tests/view/ViewFixture.h"

namespace oxv {
namespace {

TEST(StatusLine, ThousandsAreGrouped)
{
    const std::pair<long long, const char*> cases[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {1234567, "1,234,567"}, {-1234, "-1,234"}, {100000, "100,000"}};
    for (const auto& [n, text] : cases) EXPECT_EQ(GroupThousands(n), text) << n;
}

TEST(StatusLine, SaysWhatTheViewShows)
{
    ViewState view;
    PlaybackState run;
    FpvState fpv;
    InitViewState(view);
    StatusExtras extras;
    EXPECT_EQ(StatusLine(view, run, fpv, nullptr, extras), "") << "nothing to say without a survey";
    SurveyDocument doc;
    EXPECT_EQ(StatusLine(view, run, fpv, &doc, extras), "");

    test::ScratchDir dir;
    test::WritePatches(dir.File("s.oxv"), {{0, 0, 10, 0, 1, 2, 3, 4, 40}});  // 1,600 records
    ASSERT_TRUE(test::Load(doc, dir.File("s.oxv")));
    EXPECT_EQ(StatusLine(view, run, fpv, &doc, extras), "1,600 records | Original black 0.40 white 1.00");

    view.m_nColorMode = kColorAmpBw;
    extras.cursor = std::array<double, 3>{12.345, -6.5, 100.0};
    EXPECT_EQ(StatusLine(view, run, fpv, &doc, extras), "1,600 records | Amp BW | x 12.35 y -6.50 z 100.00");

    ASSERT_NE(doc.m_pTimeline, nullptr);
    run.m_nPlayState = kPlaying;
    run.m_nFrameCount = doc.m_pTimeline->frames;
    run.m_nFrame = 3;
    extras.cursor.reset();
    extras.recording = true;
    const std::string playing = StatusLine(view, run, fpv, &doc, extras);
    char expected[128];
    std::snprintf(expected, sizeof expected, "t %.2f s frame 3 of %d REC", doc.m_pTimeline->t0 + 3 * doc.m_pTimeline->step,
                  doc.m_pTimeline->frames);
    EXPECT_NE(playing.find(expected), std::string::npos) << playing;
    run.m_nPlayState = kPaused;
    extras.recording = false;
    EXPECT_NE(StatusLine(view, run, fpv, &doc, extras).find(" paused"), std::string::npos);
    EXPECT_EQ(StatusLine(view, run, fpv, &doc, extras).find("REC"), std::string::npos);

    run.m_nPlayState = kStopped;
    doc.m_pCameraPath = std::make_unique<PathNode[]>(3);
    doc.m_pCameraPath[0].key = 3;
    extras.cameraPathCache = "/nav/cam_path.bin";
    EXPECT_EQ(StatusLine(view, run, fpv, &doc, extras), "1,600 records | Amp BW | camera path 3 nodes, cache /nav/cam_path.bin");
}

TEST(StatusLine, ThePointUnderTheCursorIsToldWithEveryChannelItsSurveyHas)
{
    test::ScratchDir dir;
    // Records 1 m apart along x, every channel, times in 1/400 s.
    PointFileLayout layout;
    test::WriteSurvey(dir.File("all.oxv"), layout, 100, [](int32_t i, PointRecord& r) {
        r.SetXyz(i * 1000, -2500, 12345);
        r.SetOrigin(i * 1000, -2500, 12345 + 100000);
        r.SetColor(static_cast<uint8_t>(i), 200, 30);
        r.SetAmplitude(static_cast<uint8_t>(i * 2));
        r.SetTime(400.0 * 1000.0 + i * 100.0);
    });
    SurveyDocument doc;
    ASSERT_TRUE(test::Load(doc, dir.File("all.oxv")));
    const PointImage& image = *doc.m_pPoints;

    const double near42[3] = {42.3, -2.4, 12.4};
    EXPECT_EQ(NearestRecord(image, near42, 2.0), 42);
    const double far[3] = {42.3, 10.0, 12.4};
    EXPECT_EQ(NearestRecord(image, far, 2.0), std::nullopt) << "nothing drawn within reach";
    const double bad[3] = {NAN, 0, 0};
    EXPECT_EQ(NearestRecord(image, bad, 2.0), std::nullopt);

    EXPECT_EQ(PointReadout(image, 42),
              "record 42 | x 42.000 y -2.500 z 12.345 m | colour 42 200 30 | amplitude 84 | time 1010.5000 s | "
              "range 100.000 m");
    EXPECT_EQ(PointReadout(image, 100), "");
    EXPECT_EQ(PointReadout(image, -1), "");

    // The status line shows the readout in place of the bare position.
    ViewState view;
    PlaybackState run;
    FpvState fpv;
    InitViewState(view);
    view.m_nColorMode = kColorHeight;
    StatusExtras extras;
    extras.cursor = std::array<double, 3>{42.3, -2.4, 12.4};
    extras.cursorRecord = 42;
    EXPECT_EQ(StatusLine(view, run, fpv, &doc, extras), "100 records | Height | " + PointReadout(image, 42));

    // Only the channels the survey has: position alone.
    PointFileLayout bare;
    bare.channels.origin = bare.channels.color = bare.channels.amplitude = bare.channels.time = bare.channels.pose = -1;
    test::WriteSurvey(dir.File("bare.oxv"), bare, 3, [](int32_t i, PointRecord& r) { r.SetXyz(i * 1000, 0, -500); });
    SurveyDocument plain;
    ASSERT_TRUE(test::Load(plain, dir.File("bare.oxv")));
    EXPECT_EQ(PointReadout(*plain.m_pPoints, 2), "record 2 | x 2.000 y 0.000 z -0.500 m");
}

}  // namespace
}  // namespace oxv
