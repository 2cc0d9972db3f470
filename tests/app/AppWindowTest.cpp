// The viewer's window classes driven in process under a private X server:
// menu update rules, the commands behind the menus, the status bar, the
// recent-file list in the INI file, dropped files and failed loads.

#include <gtest/gtest.h>

#include <wx/dnd.h>
#include <wx/glcanvas.h>
#include <wx/menu.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>

#include <GL/gl.h>

#include <chrono>
#include <thread>

#include "AboutDlg.h"
#include "CommandIds.h"
#include "MainFrame.h"
#include "OxvellApp.h"
#include "OxvellDoc.h"
#include "OxvellView.h"
#include "SurveyFixture.h"
#include "XServer.h"

// Under the leak checker: the toolkit's libraries keep caches (fonts, themes,
// GL drivers) until the process ends; only leaks of our own count.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\nleak:libgtk-3.so\nleak:libgdk-3.so\nleak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\nleak:libpango\nleak:libcairo.so\nleak:libharfbuzz.so\n"
           "leak:libGLX_mesa.so\nleak:swrast_dri.so\nleak:libLLVM\nleak:libdbus\nleak:libatk\n";
}

namespace oxv {
namespace {

namespace cmd = oxv::cmd;

// Settings in a scratch folder, and assertion reports that fail the test
// instead of opening a dialog.
class TestApp : public COxvellApp {
public:
    std::string settingsPath;

    void OnAssertFailure(const wxChar* file, int line, const wxChar*, const wxChar* cond, const wxChar*) override
    {
        ADD_FAILURE() << "wx assertion " << wxString(cond) << " at " << wxString(file) << ":" << line;
    }

protected:
    std::string SettingsPath() const override { return settingsPath; }
};

// Message boxes are answered at once and their texts recorded.
class MessageRecorder : public wxModalDialogHook {
public:
    std::vector<std::string> messages;

protected:
    int Enter(wxDialog* dialog) override
    {
        if (auto* box = dynamic_cast<wxMessageDialog*>(dialog))
            messages.push_back(std::string(box->GetMessage().utf8_str()));
        else
            messages.push_back("<dialog " + std::string(dialog->GetTitle().utf8_str()) + ">");
        return wxID_OK;
    }
    void Exit(wxDialog*) override {}
};

// A 120 m x 60 m field of points, 1 m apart, rising eastwards; with or
// without the colour channel.
void WriteField(const std::string& path, bool colour)
{
    PointFileLayout layout;
    if (!colour) layout.channels.colour = -1;
    test::WriteSurvey(path, layout, 120 * 60, [](int32_t i, PointRecord& r) {
        const int32_t x = (i % 120) * 1000 - 60000, y = (i / 120) * 1000 - 30000;
        r.SetXyz(x, y, (i % 120) * 100);
        r.SetOrigin(x, y, 100000);
        r.SetColour(static_cast<uint8_t>(i % 256), 200, 30);
        r.SetAmplitude(static_cast<uint8_t>((i * 7) % 256));
        r.SetTime(static_cast<double>(i));
        r.SetPose(Pose{{0, 0, 0, x, y, 100000}});
    });
}

class AppWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_server = new test::XServer;
        ASSERT_TRUE(s_server->Start()) << "Xvfb could not be started";
        s_server->Export();
        s_dir = new test::ScratchDir;
        s_app = new TestApp;
        s_app->settingsPath = s_dir->File("oxvell.ini");
        wxApp::SetInstance(s_app);
        int argc = 1;
        char name[] = "oxvell";
        char* argv[] = {name, nullptr};
        ASSERT_TRUE(wxEntryStart(argc, argv));
        ASSERT_TRUE(s_app->CallOnInit());
        s_recorder = new MessageRecorder;
        s_recorder->Register();
        // Until the window is mapped and laid out, the canvas has no size.
        for (int i = 0; i < 100 && View()->Canvas()->GetClientSize().y < 100; ++i) Pump(20);
    }

    static void TearDownTestSuite()
    {
        delete s_recorder;
        s_recorder = nullptr;
        if (s_app && s_app->MainFrame()) s_app->MainFrame()->Close(true);
        Pump(100);
        if (s_app) s_app->OnExit();
        wxEntryCleanup();
        s_app = nullptr;
        delete s_dir;
        delete s_server;
    }

    void SetUp() override
    {
        ASSERT_NE(s_app, nullptr);
        ASSERT_TRUE(s_app->NewDocument());
        // Every test starts from the view as a fresh start leaves it.
        ViewState& state = View()->State();
        state.m_bShowGrid = state.m_bShowScannerPath = state.m_bShowCameraPath = 0;
        state.m_bFpvMode = 0;
        state.m_nPointSize = 1;
        state.m_bAntiAlias = 0;
        InitViewState(state);
        s_recorder->messages.clear();
        Pump(50);
    }

    // Runs the event loop for a while: layout, paints and idle updates.
    static void Pump(int ms)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            while (s_app->Pending()) s_app->Dispatch();
            s_app->ProcessPendingEvents();
            s_app->ProcessIdle();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    static CMainFrame* Frame() { return s_app->MainFrame(); }
    static COxvellView* View() { return wxDynamicCast(s_app->Document()->GetFirstView(), COxvellView); }

    // A menu command as a menu selection sends it.
    static void Command(int id)
    {
        wxCommandEvent event(wxEVT_MENU, id);
        event.SetEventObject(Frame());
        Frame()->GetEventHandler()->ProcessEvent(event);
    }

    struct ItemState {
        bool enabled;
        bool checked;
        std::string label;
    };
    static ItemState Item(int id)
    {
        Frame()->GetMenuBar()->UpdateMenus();
        wxMenuItem* item = Frame()->GetMenuBar()->FindItem(id);
        if (!item) {
            ADD_FAILURE() << "no menu item " << id;
            return {};
        }
        return {item->IsEnabled(), item->IsCheckable() && item->IsChecked(),
                std::string(item->GetItemLabel().utf8_str())};
    }

    struct Picture {
        int width = 0, height = 0;
        std::vector<uint8_t> rgb;
        int Lit() const
        {
            int n = 0;
            for (size_t i = 0; i + 2 < rgb.size(); i += 3)
                if (rgb[i] > 20 || rgb[i + 1] > 20 || rgb[i + 2] > 20) ++n;
            return n;
        }
        // Lit pixels whose three channels are equal within a small tolerance.
        int Grey() const
        {
            int n = 0;
            for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
                const int r = rgb[i], g = rgb[i + 1], b = rgb[i + 2];
                if ((r > 20 || g > 20 || b > 20) && std::abs(r - g) <= 2 && std::abs(g - b) <= 2) ++n;
            }
            return n;
        }
    };

    // The picture of a repaint, read back as the frame recorder reads it:
    // at the end of the frame, before the swap.
    static Picture Screen()
    {
        Picture p;
        View()->State().hooks.captureFrame = [&p](ViewState&, GlTarget& target, int, int, int, int) {
            p.width = target.Width();
            p.height = target.Height();
            p.rgb.resize(static_cast<size_t>(p.width) * static_cast<size_t>(p.height) * 3);
            glReadBuffer(target.ReadBuffer());
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, p.width, p.height, GL_RGB, GL_UNSIGNED_BYTE, p.rgb.data());
        };
        View()->RepaintNow();
        View()->State().hooks.captureFrame = nullptr;
        EXPECT_FALSE(p.rgb.empty()) << "no frame was drawn";
        return p;
    }

    static std::string Ini()
    {
        const auto bytes = test::ReadBytes(s_app->settingsPath);
        return std::string(bytes.begin(), bytes.end());
    }

    static std::string Title() { return std::string(Frame()->GetTitle().utf8_str()); }

    static inline TestApp* s_app = nullptr;
    static inline test::XServer* s_server = nullptr;
    static inline test::ScratchDir* s_dir = nullptr;
    static inline MessageRecorder* s_recorder = nullptr;
};

TEST_F(AppWindowTest, FreshStartIsAnEmptyUntitledViewWithEverythingThatNeedsDataDisabled)
{
    EXPECT_EQ(Title(), "Untitled - Oxvell");
    EXPECT_FALSE(Frame()->StatusBar()->IsShown());
    for (int id = cmd::kColorHeight; id <= cmd::kColorOriginal; ++id) {
        EXPECT_FALSE(Item(id).enabled) << id;
        EXPECT_FALSE(Item(id).checked) << id;
    }
    for (int id : {cmd::kShowGrid, cmd::kShowScannerPath, cmd::kShowCameraPath, cmd::kFileSave, cmd::kFileSaveAs,
                   cmd::kImportCameraPath, cmd::kPlayStart, cmd::kPlayPause, cmd::kPlayStop, cmd::kPlayParameter,
                   cmd::kFpvMode})
        EXPECT_FALSE(Item(id).enabled) << id;
    EXPECT_EQ(Item(cmd::kPlayPause).label, "Pause/Resume");
    EXPECT_TRUE(Item(cmd::kPointSize1).checked);
    EXPECT_TRUE(Item(cmd::kPointSize1 + 2).enabled);
    EXPECT_TRUE(Item(cmd::kFpvFov).enabled);
    EXPECT_TRUE(Item(cmd::kSize640x480).enabled);
    // Black, apart from the axis indicator at the origin.
    const Picture empty = Screen();
    EXPECT_GT(empty.Lit(), 0);
    EXPECT_LT(empty.Lit(), 1000);
}

TEST_F(AppWindowTest, OpeningASurveyWithoutColourShowsHeightCheckedAndOriginalDisabled)
{
    const std::string file = s_dir->File("field.oxv");
    WriteField(file, false);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    EXPECT_EQ(Title(), "field.oxv - Oxvell");
    EXPECT_TRUE(Item(cmd::kColorHeight).checked);
    EXPECT_TRUE(Item(cmd::kColorHeight).enabled);
    EXPECT_FALSE(Item(cmd::kColorOriginal).enabled);
    EXPECT_FALSE(Item(cmd::kColorOriginal).checked);
    EXPECT_TRUE(Item(cmd::kColorAmp).enabled);
    EXPECT_TRUE(Item(cmd::kColorRange).enabled);
    EXPECT_TRUE(Item(cmd::kShowGrid).enabled);
    EXPECT_TRUE(Item(cmd::kShowScannerPath).enabled);
    EXPECT_FALSE(Item(cmd::kShowCameraPath).enabled);
    EXPECT_TRUE(Item(cmd::kImportCameraPath).enabled);
    // A read-only document: Save and Save As stay greyed with data too.
    EXPECT_FALSE(Item(cmd::kFileSave).enabled);
    EXPECT_FALSE(Item(cmd::kFileSaveAs).enabled);
    // Playback has a timeline to start.
    EXPECT_TRUE(Item(cmd::kPlayStart).enabled);
    EXPECT_FALSE(Item(cmd::kPlayStop).enabled);
    EXPECT_TRUE(Item(cmd::kPlayParameter).enabled);
    EXPECT_GT(Screen().Lit(), 4000);
}

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

TEST_F(AppWindowTest, BadMagicAfterASurveyShowsFormatErrorAndLeavesAnEmptyView)
{
    const std::string good = s_dir->File("good.oxv");
    WriteField(good, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(good));
    const int withPoints = Screen().Lit();

    const std::string bad = s_dir->File("bad.oxv");
    auto bytes = test::ReadBytes(good);
    bytes[0] ^= 0xFF;
    test::WriteBytes(bad, bytes);
    EXPECT_TRUE(s_app->OpenDocumentFile(bad));
    EXPECT_EQ(s_recorder->messages, std::vector<std::string>{"File format error"});
    EXPECT_FALSE(s_app->Document()->Survey().IsLoaded());
    // The open still counts: the name is the title and heads the recent list.
    EXPECT_EQ(Title(), "bad.oxv - Oxvell");
    ASSERT_FALSE(s_app->RecentFiles().Files().empty());
    EXPECT_EQ(s_app->RecentFiles().Files().front(), bad);
    EXPECT_FALSE(Item(cmd::kColorOriginal).enabled);
    EXPECT_FALSE(Item(cmd::kImportCameraPath).enabled);
    EXPECT_FALSE(Item(cmd::kPlayStart).enabled);
    const int empty = Screen().Lit();
    EXPECT_LT(empty, 1000);
    EXPECT_GT(withPoints, 10 * empty);
}

TEST_F(AppWindowTest, AFileThatCannotBeOpenedKeepsTheDocumentAndTheRecentList)
{
    const std::string good = s_dir->File("kept.oxv");
    WriteField(good, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(good));
    const auto recent = s_app->RecentFiles().Files();
    EXPECT_FALSE(s_app->OpenDocumentFile(s_dir->File("missing.oxv")));
    ASSERT_EQ(s_recorder->messages.size(), 1u);
    EXPECT_NE(s_recorder->messages[0].find("missing.oxv"), std::string::npos);
    EXPECT_TRUE(s_app->Document()->Survey().IsLoaded());
    EXPECT_EQ(Title(), "kept.oxv - Oxvell");
    EXPECT_EQ(s_app->RecentFiles().Files(), recent);
}

TEST_F(AppWindowTest, DroppedFileOpensAndHeadsTheRecentListInTheIniFile)
{
    const std::string older = s_dir->File("older.oxv");
    const std::string dropped = s_dir->File("dropped.oxv");
    WriteField(older, true);
    WriteField(dropped, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(older));

    auto* target = dynamic_cast<wxFileDropTarget*>(View()->Canvas()->GetDropTarget());
    ASSERT_NE(target, nullptr);
    wxArrayString files;
    files.Add(wxString::FromUTF8(dropped.c_str()));
    EXPECT_TRUE(target->OnDropFiles(10, 10, files));
    for (int i = 0; i < 40 && Title() != "dropped.oxv - Oxvell"; ++i) Pump(25);
    EXPECT_EQ(Title(), "dropped.oxv - Oxvell");
    ASSERT_GE(s_app->RecentFiles().Files().size(), 2u);
    EXPECT_EQ(s_app->RecentFiles().Files()[0], dropped);
    EXPECT_EQ(s_app->RecentFiles().Files()[1], older);

    const std::string ini = Ini();
    EXPECT_NE(ini.find("[Recent File List]\nFile1=" + dropped + "\nFile2=" + older + "\n"), std::string::npos)
        << ini;
    EXPECT_EQ(ini.find('\\'), std::string::npos) << ini;
    // The File menu lists it first.
    EXPECT_NE(Item(cmd::kFileMru1).label.find("dropped.oxv"), std::string::npos);
    EXPECT_TRUE(Item(cmd::kFileMru1).enabled);
}

TEST_F(AppWindowTest, RecentListKeepsFourFilesWithoutDuplicates)
{
    std::vector<std::string> files;
    for (int i = 0; i < 6; ++i) {
        files.push_back(s_dir->File("r" + std::to_string(i) + ".oxv"));
        WriteField(files.back(), false);
        ASSERT_TRUE(s_app->OpenDocumentFile(files.back()));
    }
    ASSERT_TRUE(s_app->OpenDocumentFile(files[3]));
    EXPECT_EQ(s_app->RecentFiles().Files(), (std::vector<std::string>{files[3], files[5], files[4], files[2]}));
    const std::string ini = Ini();
    EXPECT_NE(ini.find("File4=" + files[2]), std::string::npos) << ini;
    EXPECT_EQ(ini.find("File5"), std::string::npos) << ini;
    // Recent file 2 from the menu opens that file.
    Command(cmd::kFileMru1 + 1);
    EXPECT_EQ(Title(), "r5.oxv - Oxvell");
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
    View()->State().m_bFpvMode = 1;
    const double y = after.target[1];
    doubleClick(size.x * 5 / 8, size.y / 2);
    EXPECT_EQ(View()->State().m_camera.target[1], y);
    View()->State().m_bFpvMode = 0;
}

TEST_F(AppWindowTest, AboutShowsTheProgramNameAndVersionModally)
{
    Command(cmd::kAppAbout);
    EXPECT_EQ(s_recorder->messages, std::vector<std::string>{"<dialog About Oxvell>"});
    CAboutDlg about(Frame());
    std::vector<std::string> texts;
    for (wxWindow* child : about.GetChildren())
        if (auto* text = dynamic_cast<wxStaticText*>(child)) texts.push_back(std::string(text->GetLabel().utf8_str()));
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], "Oxvell, Version 1.0");
    EXPECT_NE(about.FindWindow(wxID_OK), nullptr);
}

}  // namespace
}  // namespace oxv
