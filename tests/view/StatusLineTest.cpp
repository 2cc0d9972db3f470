#include <gtest/gtest.h>

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

}  // namespace
}  // namespace oxv
