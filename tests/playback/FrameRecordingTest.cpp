#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "playback/FrameRecording.h"
#include "tests/playback/PlaybackTestSupport.h"
#include "tests/support/ScratchDir.h"

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

TEST(FrameRecording, FrameFilesOfAnEarlierRunAreFoundAndRemovedAndNothingElse)
{
    test::ScratchDir dir;
    const std::string folder = dir.File("frames");
    std::filesystem::create_directories(folder + "/img000099.png");  // a folder, though named like a frame
    EXPECT_EQ(FrameFilesIn(dir.File("missing")), std::vector<std::string>{});
    const std::vector<std::string> frames = {"img-00001.png", "img000000.png", "img000001.png.part", "img1234567.png"};
    const std::vector<std::string> others = {"img00001.png", "img000002.png.bak", "image000003.png", "img0000x4.png",
                                             "notes.txt", "IMG000005.png"};
    for (const auto& name : frames) test::WriteBytes(folder + "/" + name, {1});
    for (const auto& name : others) test::WriteBytes(folder + "/" + name, {1});
    EXPECT_EQ(FrameFilesIn(folder), frames) << "sorted by name";

    std::string reason;
    ASSERT_TRUE(RemoveFrameFiles(folder, reason)) << reason;
    EXPECT_TRUE(FrameFilesIn(folder).empty());
    for (const auto& name : others) EXPECT_TRUE(std::filesystem::exists(folder + "/" + name)) << name;
    EXPECT_TRUE(std::filesystem::is_directory(folder + "/img000099.png"));
}

TEST(FrameRecording, AFrameFolderIsMadeWhenMissingAndRefusedWhenItCannotHoldFiles)
{
    test::ScratchDir dir;
    std::string reason;
    EXPECT_EQ(PrepareFrameFolder(dir.File("a/b/video"), reason), FrameFolderState::Made);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("a/b/video")));
    EXPECT_EQ(PrepareFrameFolder(dir.File("a/b/video"), reason), FrameFolderState::Ready);

    test::WriteBytes(dir.File("file"), {1});
    EXPECT_EQ(PrepareFrameFolder(dir.File("file"), reason), FrameFolderState::Unusable);
    EXPECT_NE(reason.find("not a folder"), std::string::npos) << reason;
    EXPECT_EQ(PrepareFrameFolder(dir.File("file/video"), reason), FrameFolderState::Unusable);
    EXPECT_NE(reason.find("cannot be made"), std::string::npos) << reason;
    EXPECT_EQ(PrepareFrameFolder("", reason), FrameFolderState::Unusable);

    if (::geteuid() != 0) {  // permissions do not stop root
        std::filesystem::create_directories(dir.File("locked"));
        std::filesystem::permissions(dir.File("locked"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        EXPECT_EQ(PrepareFrameFolder(dir.File("locked"), reason), FrameFolderState::Unusable);
        EXPECT_EQ(PrepareFrameFolder(dir.File("locked/video"), reason), FrameFolderState::Unusable);
        std::filesystem::permissions(dir.File("locked"), std::filesystem::perms::owner_all);
    }
}

}  // namespace
}  // namespace oxv
