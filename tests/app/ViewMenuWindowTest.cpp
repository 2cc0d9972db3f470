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
    // views told of it.
    auto path = std::make_unique<PathNode[]>(3);
    path[0] = {3, 0, 0, 0, -50000, -20000, 30000};
    path[1] = {100, 0, 0, 0, 0, 0, 30000};
    path[2] = {200, 0, 0, 0, 50000, 20000, 30000};
    s_app->Document()->Survey().m_pCameraPath = std::move(path);
    s_app->Document()->NotifyCameraPathChanged();
    EXPECT_TRUE(Item(cmd::kShowCameraPath).enabled);
    EXPECT_FALSE(Item(cmd::kShowCameraPath).checked);
    const int without = Screen().Lit();
    Command(cmd::kShowCameraPath);
    EXPECT_TRUE(Item(cmd::kShowCameraPath).checked);
    EXPECT_GT(Screen().Lit(), without + 50);
    // Any other hint does nothing.
    s_app->Document()->Survey().m_pCameraPath.reset();
    s_app->Document()->UpdateAllViews();
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
    View()->Fpv().m_bFpvMode = true;
    const double y = after.target[1];
    doubleClick(size.x * 5 / 8, size.y / 2);
    EXPECT_EQ(View()->State().m_camera.target[1], y);
    View()->Fpv().m_bFpvMode = false;
}

TEST_F(AppWindowTest, ZoomToExtentResetViewAndTheWheel)
{
    EXPECT_FALSE(Item(cmd::kZoomToExtent).enabled) << "no data, no extent";
    EXPECT_FALSE(Item(cmd::kResetView).enabled);
    const std::string file = s_dir->File("extent.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    EXPECT_TRUE(Item(cmd::kZoomToExtent).enabled);
    OrbitCamera& camera = View()->State().m_camera;
    const OrbitCamera opened = camera;

    // The wheel: a tenth of the distance a notch, forward comes closer.
    Wheel(120);
    EXPECT_DOUBLE_EQ(camera.distance, opened.distance * 0.9);
    Wheel(-240);
    EXPECT_NEAR(camera.distance, opened.distance * 0.9 / 0.81, 1e-9);

    // Zoom to Extent from a turned camera keeps the turn; Reset goes back.
    RotateCameraWorld(0, 0, 90, camera);
    const OrbitCamera turned = camera;
    Command(cmd::kZoomToExtent);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(camera.rotation[i], turned.rotation[i]);
    const wxSize client = View()->Canvas()->GetClientSize();
    const double size[3] = {119.0, 59.0, 11.9};  // the field's extent
    EXPECT_NEAR(camera.distance,
                FitDistance(camera.rotation, camera.fovY, static_cast<double>(client.x) / client.y, size), 1.0);
    const Picture fitted = Screen();
    EXPECT_GT(fitted.Lit(), 3000);
    Command(cmd::kResetView);
    for (int i = 0; i < 9; ++i) EXPECT_DOUBLE_EQ(camera.rotation[i], opened.rotation[i]);
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(camera.target[i], opened.target[i]);
    EXPECT_DOUBLE_EQ(camera.distance, opened.distance);
}


TEST_F(AppWindowTest, StatusBarSaysRecordsLevelsCursorAndPlayback)
{
    const std::string frames = RecordInto("status-frames", 0.5, 0.01);
    const std::string file = s_dir->File("status.oxv");
    WriteField(file, true);
    ViewState& state = View()->State();  // the levels as a fresh start has them
    state.m_dWhiteLevel = 1.0;
    state.m_dBlackLevel = 0.4;
    state.m_dRgbScale = 1.0 / 153.0;
    state.m_dRgbOffset = -2.0 / 3.0;
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    wxStatusBar* bar = Frame()->StatusBar();
    auto text = [bar] { return std::string(bar->GetStatusText(0).utf8_str()); };
    EXPECT_EQ(text(), "7,200 records | Original black 0.40 white 1.00");

    auto key = [](int code) {
        wxKeyEvent event(wxEVT_KEY_DOWN);
        event.m_keyCode = code;
        event.SetEventObject(View()->Canvas());
        View()->Canvas()->GetEventHandler()->ProcessEvent(event);
    };
    key(WXK_PAGEDOWN);
    EXPECT_EQ(text(), "7,200 records | Original black 0.40 white 0.95");

    // The point under a resting cursor, once the bar shows.
    Command(cmd::kViewStatusBar);
    Pump(100);
    // Over a drawn point: the field's points lie a few pixels apart.
    const Picture picture = Screen();
    const wxSize client = View()->Canvas()->GetClientSize();
    wxMouseEvent move(wxEVT_MOTION);
    move.m_x = client.x / 2;
    move.m_y = client.y / 2;
    for (int dy = 0, found = 0; dy < 20 && !found; ++dy)
        for (int dx = 0; dx < 20 && !found; ++dx) {
            const int x = client.x / 2 + dx, row = picture.height - 1 - (client.y / 2 + dy);
            const size_t i = (static_cast<size_t>(row) * static_cast<size_t>(picture.width) + static_cast<size_t>(x)) * 3;
            if (picture.rgb[i] > 20 || picture.rgb[i + 1] > 20 || picture.rgb[i + 2] > 20) {
                move.m_x = x;
                move.m_y = client.y / 2 + dy;
                found = 1;
            }
        }
    View()->Canvas()->GetEventHandler()->ProcessEvent(move);
    EXPECT_TRUE(PumpUntil([&] { return text().find(" | x ") != std::string::npos; }, 3000)) << text();

    // Playback: time, frame n of N and REC; Esc stops it as Stop does.
    Command(cmd::kPlayStart);
    ASSERT_TRUE(PumpUntil([&] { return text().find(" REC") != std::string::npos; }, 3000)) << text();
    EXPECT_NE(text().find(" frame "), std::string::npos) << text();
    EXPECT_EQ(text().find(" | x "), std::string::npos) << "no cursor point during playback: " << text();
    key(WXK_ESCAPE);
    EXPECT_EQ(View()->Run().m_nPlayState, kStopped);
    EXPECT_FALSE(View()->IsTimerRunning(kPlaybackTimerId));
    EXPECT_EQ(text().find(" REC"), std::string::npos) << text();
    Command(cmd::kViewStatusBar);
    Pump(100);
}


TEST_F(AppWindowTest, ColorBarShowsInTheWindowButNotInTheCapturedFrame)
{
    const std::string file = s_dir->File("legend.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    Command(cmd::kColorHeight);
    // White label pixels in the bottom-right corner (the field's own points
    // are never white in Height mode).
    auto cornerWhite = [](const Picture& p) {
        int n = 0;
        for (int y = 0; y < std::min(p.height, 130); ++y)  // rows count from the bottom
            for (int x = std::max(p.width - 160, 0); x < p.width; ++x) {
                const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(p.width) + static_cast<size_t>(x)) * 3;
                n += p.rgb[i] == 255 && p.rgb[i + 1] == 255 && p.rgb[i + 2] == 255;
            }
        return n;
    };
    // What goes on screen: the back buffer as the swap takes it.
    Picture shown;
    auto overlay = View()->State().hooks.drawOverlay;
    View()->State().hooks.drawOverlay = [&](ViewState& view, GlTarget& target) {
        overlay(view, target);
        shown.Read(target);
    };
    const Picture captured = Screen();
    View()->State().hooks.drawOverlay = overlay;
    ASSERT_FALSE(shown.rgb.empty());
    EXPECT_EQ(cornerWhite(captured), 0) << "a recorded frame holds no colour bar";
    EXPECT_GT(cornerWhite(shown), 40) << "the window shows the colour bar's labels";
    Command(cmd::kColorOriginal);
}

}  // namespace
}  // namespace oxv
