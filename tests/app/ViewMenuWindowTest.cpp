// The View menu and the mouse driven in process under a private X server:
// colour modes and toggles, the status bar, display sizes, level keys, the
// orbit camera and the double-click pick.

#include "tests/app/AppWindowFixture.h"

namespace oxv {
namespace {

namespace cmd = oxv::cmd;

TEST_F(AppWindowTest, ViewCommandsChangeThePicture)
{
    const std::string file = s_dir->File("colour.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    EXPECT_TRUE(Item(cmd::kColorOriginal).checked);
    const Picture original = Screen();
    ASSERT_GT(original.Lit(), 4000);

    Command(cmd::kColorAmpBw);
    EXPECT_TRUE(Item(cmd::kColorAmpBw).checked);
    EXPECT_FALSE(Item(cmd::kColorOriginal).checked);
    const Picture bw = Screen();
    EXPECT_GT(bw.Grey(), bw.Lit() * 9 / 10);
    EXPECT_LT(original.Grey(), original.Lit() / 10);

    Command(cmd::kPointSize1 + 2);
    EXPECT_TRUE(Item(cmd::kPointSize1 + 2).checked);
    EXPECT_FALSE(Item(cmd::kPointSize1).checked);
    EXPECT_GT(Screen().Lit(), bw.Lit() * 3 / 2);
    Command(cmd::kPointSize1);

    // The grid reaches beyond the data: it lights pixels the points leave dark.
    Command(cmd::kShowGrid);
    EXPECT_TRUE(Item(cmd::kShowGrid).checked);
    const Picture grid = Screen();
    EXPECT_GT(grid.Lit(), bw.Lit() + 500);
    Command(cmd::kShowGrid);
    EXPECT_FALSE(Item(cmd::kShowGrid).checked);
}

TEST_F(AppWindowTest, GridStaysOnForTheNextFile)
{
    const std::string file = s_dir->File("first.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    Command(cmd::kShowGrid);
    const std::string second = s_dir->File("second.oxv");
    WriteField(second, false);
    ASSERT_TRUE(s_app->OpenDocumentFile(second));
    EXPECT_TRUE(Item(cmd::kShowGrid).checked);
    EXPECT_TRUE(Item(cmd::kShowGrid).enabled);
}

TEST_F(AppWindowTest, StatusBarToggleShowsTheLockIndicatorPanes)
{
    wxStatusBar* bar = Frame()->StatusBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->IsShown());
    EXPECT_FALSE(Item(cmd::kViewStatusBar).checked);
    const wxSize before = View()->Canvas()->GetClientSize();
    Command(cmd::kViewStatusBar);
    for (int i = 0; i < 40 && View()->Canvas()->GetClientSize() == before; ++i) Pump(25);
    EXPECT_TRUE(bar->IsShown());
    EXPECT_TRUE(Item(cmd::kViewStatusBar).checked);
    EXPECT_EQ(bar->GetFieldsCount(), 4);
    for (int i = 1; i < 4; ++i) EXPECT_GT(bar->GetStatusWidth(i), 0) << i;
    EXPECT_EQ(bar->GetStatusWidth(0), -1);
    EXPECT_EQ(bar->GetStatusText(0), "Ready");
    // The view gives the bar its room.
    EXPECT_LT(View()->Canvas()->GetClientSize().y, before.y);
    Command(cmd::kViewStatusBar);
    for (int i = 0; i < 40 && View()->Canvas()->GetClientSize() != before; ++i) Pump(25);
    EXPECT_FALSE(bar->IsShown());
    EXPECT_EQ(View()->Canvas()->GetClientSize(), before);
}

TEST_F(AppWindowTest, DisplaySizeMakesTheClientAreaExactlyThatSize)
{
    const std::pair<int, wxSize> sizes[] = {{cmd::kSize640x480, {640, 480}},
                                            {cmd::kSize1024x768, {1024, 768}},
                                            {cmd::kSize800x600, {800, 600}}};
    for (const auto& [id, size] : sizes) {
        Command(id);
        for (int i = 0; i < 40 && View()->Canvas()->GetClientSize() != size; ++i) Pump(25);
        EXPECT_EQ(View()->Canvas()->GetClientSize(), size) << id;
    }
}

TEST_F(AppWindowTest, LevelKeysOnlyActInOriginalMode)
{
    const std::string file = s_dir->File("levels.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    const Picture before = Screen();
    wxKeyEvent key(wxEVT_KEY_DOWN);
    key.m_keyCode = WXK_PAGEDOWN;  // lower the white level: brighter points
    key.SetEventObject(View()->Canvas());
    View()->Canvas()->GetEventHandler()->ProcessEvent(key);
    EXPECT_NEAR(View()->State().m_dWhiteLevel, 0.95, 1e-12);
    const Picture after = Screen();
    EXPECT_NE(before.rgb, after.rgb);

    Command(cmd::kColorHeight);
    View()->Canvas()->GetEventHandler()->ProcessEvent(key);
    EXPECT_NEAR(View()->State().m_dWhiteLevel, 0.95, 1e-12);
}

TEST_F(AppWindowTest, LeftDragTurnsTheCameraWithTheMouseCaptured)
{
    const std::string file = s_dir->File("drag.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    wxGLCanvas* canvas = View()->Canvas();
    const wxSize size = canvas->GetClientSize();
    const double eyeBefore = View()->State().m_camera.eye[0];
    auto send = [&](wxEventType type, int x, int y) {
        wxMouseEvent event(type);
        event.SetPosition({x, y});
        event.SetEventObject(canvas);
        canvas->GetEventHandler()->ProcessEvent(event);
    };
    send(wxEVT_LEFT_DOWN, size.x / 2, size.y / 2);
    EXPECT_TRUE(canvas->HasCapture());
    send(wxEVT_MOTION, size.x / 2 + 40, size.y / 2);
    EXPECT_NE(View()->State().m_camera.eye[0], eyeBefore);
    // Far outside the inner box: the drag goes on from the centre.
    send(wxEVT_MOTION, size.x - 2, size.y / 2);
    EXPECT_EQ(View()->State().m_camera.lastX, size.x / 2);
    send(wxEVT_LEFT_UP, size.x + 50, size.y / 2);
    EXPECT_FALSE(canvas->HasCapture());
    EXPECT_EQ(View()->State().m_camera.leftDrag, 0);
}

TEST_F(AppWindowTest, ACameraPathUpdateEnablesShowCameraPathAndDrawsIt)
{
    const std::string file = s_dir->File("campath.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    EXPECT_FALSE(Item(cmd::kShowCameraPath).enabled);
    // What a camera path import leaves: a path in the document, then the
    // update with the rebuild hint.
    auto path = std::make_unique<PathNode[]>(3);
    path[0] = {3, 0, 0, 0, -50000, -20000, 30000};
    path[1] = {100, 0, 0, 0, 0, 0, 30000};
    path[2] = {200, 0, 0, 0, 50000, 20000, 30000};
    s_app->Document()->Survey().m_pCameraPath = std::move(path);
    s_app->Document()->UpdateAllViewsWithHint(kUpdateHintRebuild);
    EXPECT_TRUE(Item(cmd::kShowCameraPath).enabled);
    EXPECT_FALSE(Item(cmd::kShowCameraPath).checked);
    const int without = Screen().Lit();
    Command(cmd::kShowCameraPath);
    EXPECT_TRUE(Item(cmd::kShowCameraPath).checked);
    EXPECT_GT(Screen().Lit(), without + 50);
    // Any other hint does nothing.
    s_app->Document()->Survey().m_pCameraPath.reset();
    s_app->Document()->UpdateAllViewsWithHint(0);
    EXPECT_TRUE(Item(cmd::kShowCameraPath).enabled);
}

TEST_F(AppWindowTest, DoubleClickRecentresTheOrbitOnAPointAndIgnoresBackground)
{
    const std::string file = s_dir->File("pick.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    wxGLCanvas* canvas = View()->Canvas();
    const wxSize size = canvas->GetClientSize();
    auto doubleClick = [&](int x, int y) {
        wxMouseEvent event(wxEVT_LEFT_DCLICK);
        event.SetPosition({x, y});
        event.SetEventObject(canvas);
        canvas->GetEventHandler()->ProcessEvent(event);
    };
    // Points of 5 pixels leave no gaps for the 5x5 square to fall into.
    Command(cmd::kPointSize5);
    const OrbitCamera before = View()->State().m_camera;
    doubleClick(2, 2);  // the corner: sky
    EXPECT_EQ(View()->State().m_camera.target[0], before.target[0]);
    EXPECT_EQ(View()->State().m_camera.target[1], before.target[1]);

    // The camera looks east: left of the centre lies the north of the field.
    doubleClick(size.x * 3 / 8, size.y / 2);
    const OrbitCamera& after = View()->State().m_camera;
    EXPECT_GT(after.target[1], before.target[1] + 5.0);
    EXPECT_EQ(after.distance, before.distance);

    // In first-person mode the mouse leaves the camera alone.
    View()->Fpv().m_bFpvMode = 1;
    const double y = after.target[1];
    doubleClick(size.x * 5 / 8, size.y / 2);
    EXPECT_EQ(View()->State().m_camera.target[1], y);
    View()->Fpv().m_bFpvMode = 0;
}

}  // namespace
}  // namespace oxv
