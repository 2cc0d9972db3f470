// The viewer on a display scaled two times (GDK_SCALE=2): the window's
// units are two device pixels wide, yet the Display size commands and the
// pictures drawn, saved and recorded count device pixels.

#include <cstdlib>

#include "tests/app/AppWindowFixture.h"

namespace oxv {
namespace {

namespace cmd = oxv::cmd;

class ScaledDisplayTest : public AppWindowTest {
protected:
    static void SetUpTestSuite()
    {
        // Read once by the toolkit as it starts.
        ::setenv("GDK_SCALE", "2", 1);
        ::unsetenv("GDK_DPI_SCALE");
        AppWindowTest::SetUpTestSuite();
    }

    // After a Display size command: the window manager-less server applies
    // the new size a moment later.
    static bool WaitForCanvas(const wxSize& device)
    {
        return PumpUntil([&] { return View()->Canvas()->ToPhys(View()->Canvas()->GetClientSize()) == device; }, 2000);
    }
};

TEST_F(ScaledDisplayTest, DisplaySizeCountsDevicePixelsForTheViewAndSavedPictures)
{
    ASSERT_EQ(View()->Canvas()->GetContentScaleFactor(), 2.0) << "the toolkit did not take GDK_SCALE";
    const std::pair<int, wxSize> sizes[] = {{cmd::kSize640x480, {640, 480}},
                                            {cmd::kSize1280x720, {1280, 720}},
                                            {cmd::kSize800x600, {800, 600}},
                                            {cmd::kSize1024x768, {1024, 768}}};
    for (const auto& [id, size] : sizes) {
        Command(id);
        EXPECT_TRUE(WaitForCanvas(size)) << size.x << "x" << size.y << ": the canvas has "
                                         << View()->Canvas()->GetClientSize().x << "x"
                                         << View()->Canvas()->GetClientSize().y << " window units";
        const Picture picture = Screen();
        EXPECT_EQ(wxSize(picture.width, picture.height), size);
        const std::string path = s_dir->File("picture.png");
        ASSERT_TRUE(View()->SavePicture(path));
        const wxImage saved(path, wxBITMAP_TYPE_PNG);
        ASSERT_TRUE(saved.IsOk());
        EXPECT_EQ(saved.GetSize(), size);
    }
}

TEST_F(ScaledDisplayTest, A1280x720ChoiceRecords1280x720Frames)
{
    Command(cmd::kSize1280x720);
    ASSERT_TRUE(WaitForCanvas({1280, 720}));
    const std::string frames = RecordInto("frames", 2.0, 0.05);
    const std::string file = s_dir->File("flight.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    Command(cmd::kPlayStart);
    ASSERT_TRUE(PumpUntil([] { return View()->Run().m_nFrame >= 3; }, 10000));
    Command(cmd::kPlayStop);
    const std::vector<std::string> written = FolderFiles(frames);
    ASSERT_GE(written.size(), 2u);
    for (const std::string& name : written) {
        const wxImage frame(frames + "/" + name, wxBITMAP_TYPE_PNG);
        ASSERT_TRUE(frame.IsOk()) << name;
        EXPECT_EQ(frame.GetSize(), wxSize(1280, 720)) << name;
    }
}

}  // namespace
}  // namespace oxv
