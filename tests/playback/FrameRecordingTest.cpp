#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>

#include "FrameRecording.h"
#include "HeadlessGL.h"
#include "PlaybackTestSupport.h"
#include "PngRead.h"

namespace oxv {
namespace {

using test::DecodePng;

TEST(FrameRecording, FileNamesAndWhenTheyAreWritten)
{
    EXPECT_EQ(FrameFileName("/v", 0), "/v/img000000.png");
    EXPECT_EQ(FrameFileName("/v", -1), "/v/img-00001.png");
    EXPECT_EQ(FrameFileName("/v", 1234567), "/v/img1234567.png");

    SurveyDocument doc;
    ViewState view;
    EXPECT_FALSE(FrameCapturePath(view, doc, "/fpv")) << "nothing recorded by default";
    view.m_bFpvMode = 1;
    view.m_nFpvNode = 3;
    EXPECT_EQ(FrameCapturePath(view, doc, "/fpv"), "/fpv/img000003.png");

    doc.m_pPlaybackParams = std::make_unique<PlaybackParams>();
    view.m_nPlayState = kPlaying;
    view.m_nFrame = 5;
    EXPECT_FALSE(FrameCapturePath(view, doc, "/fpv")) << "playback and FPV without a folder writes nothing";
    view.m_bFpvMode = 0;
    doc.m_pPlaybackParams->recordVideo = 1;
    EXPECT_FALSE(FrameCapturePath(view, doc, "/fpv")) << "Video Recording without a folder";
    doc.m_pPlaybackParams->outputFolder = "/out";
    EXPECT_EQ(FrameCapturePath(view, doc, "/fpv"), "/out/img000004.png");
    view.m_nFrame = 0;
    EXPECT_FALSE(FrameCapturePath(view, doc, "/fpv")) << "a paint before the first tick";
    view.m_nFrame = 1;
    EXPECT_EQ(FrameCapturePath(view, doc, "/fpv"), "/out/img000000.png");
    view.m_nFrame = 5;
    view.m_nPlayState = kPaused;
    EXPECT_EQ(FrameCapturePath(view, doc, "/fpv"), "/out/img000004.png") << "paused paints rewrite";
    doc.m_pPlaybackParams->recordVideo = 0;
    view.m_bFpvMode = 1;
    EXPECT_EQ(FrameCapturePath(view, doc, "/fpv"), "/out/img000004.png") << "FPV alone turns recording on";
}

class FrameCaptureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        gl = HeadlessGL::Create(641, 480, &error);
        ASSERT_NE(gl, nullptr) << error;
    }

    // Red top half, blue bottom left quarter, green bottom right quarter.
    void DrawMarkers(int w, int h)
    {
        glViewport(0, 0, w, h);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, w, 0, h, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        auto rect = [](int x0, int y0, int x1, int y1) {
            glBegin(GL_QUADS);
            glVertex2i(x0, y0);
            glVertex2i(x1, y0);
            glVertex2i(x1, y1);
            glVertex2i(x0, y1);
            glEnd();
        };
        glColor3ub(255, 0, 0);
        rect(0, h / 2, w, h);
        glColor3ub(0, 0, 255);
        rect(0, 0, w / 2, h / 2);
        glColor3ub(0, 255, 0);
        rect(w / 2, 0, w, h / 2);
    }

    void ExpectUpright(const std::string& path, int w, int h)
    {
        int pw = 0, ph = 0;
        const std::vector<uint8_t> rgb = DecodePng(path, pw, ph);
        ASSERT_EQ(pw, w);
        ASSERT_EQ(ph, h);
        auto px = [&](int x, int y) { return rgb.data() + (static_cast<size_t>(y) * w + x) * 3; };
        EXPECT_EQ(px(5, 5)[0], 255) << "red on top";
        EXPECT_EQ(px(w - 6, 5)[0], 255);
        EXPECT_EQ(px(5, h - 5)[2], 255) << "blue bottom left, colours unswapped";
        EXPECT_EQ(px(5, h - 5)[0], 0);
        EXPECT_EQ(px(w - 6, h - 5)[1], 255) << "green bottom right: no skew across rows";
    }

    std::unique_ptr<HeadlessGL> gl;
    test::ScratchDir dir;
};

TEST_F(FrameCaptureTest, OddWidthsAndResizesStayUpright)
{
    FrameCapturer capturer;
    DrawMarkers(641, 480);
    ASSERT_TRUE(capturer.Capture(*gl, 641, 480, dir.File("a.png")));
    ExpectUpright(dir.File("a.png"), 641, 480);

    ASSERT_TRUE(gl->Resize(1280, 720));
    DrawMarkers(1280, 720);
    ASSERT_TRUE(capturer.Capture(*gl, 1280, 720, dir.File("b.png")));
    ExpectUpright(dir.File("b.png"), 1280, 720);
    EXPECT_EQ(capturer.Width(), 1280);
}

TEST_F(FrameCaptureTest, UnwritableFolderLosesTheFrameOnly)
{
    FrameCapturer capturer;
    DrawMarkers(641, 480);
    EXPECT_FALSE(capturer.Capture(*gl, 641, 480, dir.File("missing/img000000.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
    EXPECT_TRUE(capturer.Capture(*gl, 641, 480, dir.File("img000001.png"))) << "the next frame is tried";
}

}  // namespace
}  // namespace oxv
