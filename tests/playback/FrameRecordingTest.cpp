#include <gtest/gtest.h>

#include "playback/FrameRecording.h"
#include "tests/playback/PlaybackTestSupport.h"

namespace oxv {
namespace {

TEST(FrameRecording, FileNamesAndWhenTheyAreWritten)
{
    EXPECT_EQ(FrameFileName("/v", 0), "/v/img000000.png");
    EXPECT_EQ(FrameFileName("/v", -1), "/v/img-00001.png");
    EXPECT_EQ(FrameFileName("/v", 1234567), "/v/img1234567.png");

    SurveyDocument doc;
    PlaybackState run;
    FpvState fpv;
    EXPECT_FALSE(FrameCapturePath(run, fpv, doc, "/fpv")) << "nothing recorded by default";
    fpv.m_bFpvMode = true;
    fpv.m_nFpvNode = 3;
    EXPECT_EQ(FrameCapturePath(run, fpv, doc, "/fpv"), "/fpv/img000003.png");

    doc.m_pPlaybackParams = std::make_unique<PlaybackParams>();
    run.m_nPlayState = kPlaying;
    run.m_nFrame = 5;
    EXPECT_FALSE(FrameCapturePath(run, fpv, doc, "/fpv")) << "playback and FPV without a folder writes nothing";
    fpv.m_bFpvMode = false;
    doc.m_pPlaybackParams->recordVideo = 1;
    EXPECT_FALSE(FrameCapturePath(run, fpv, doc, "/fpv")) << "Video Recording without a folder";
    doc.m_pPlaybackParams->outputFolder = "/out";
    EXPECT_EQ(FrameCapturePath(run, fpv, doc, "/fpv"), "/out/img000004.png");
    run.m_nFrame = 0;
    EXPECT_FALSE(FrameCapturePath(run, fpv, doc, "/fpv")) << "a paint before the first tick";
    run.m_nFrame = 1;
    EXPECT_EQ(FrameCapturePath(run, fpv, doc, "/fpv"), "/out/img000000.png");
    run.m_nFrame = 5;
    run.m_nPlayState = kPaused;
    EXPECT_EQ(FrameCapturePath(run, fpv, doc, "/fpv"), "/out/img000004.png") << "paused paints rewrite";
    doc.m_pPlaybackParams->recordVideo = 0;
    fpv.m_bFpvMode = true;
    EXPECT_EQ(FrameCapturePath(run, fpv, doc, "/fpv"), "/out/img000004.png") << "FPV alone turns recording on";
}

}  // namespace
}  // namespace oxv
