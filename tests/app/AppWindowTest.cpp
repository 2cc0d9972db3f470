// The viewer's window classes driven in process under a private X server:
// menu update rules, the commands behind the menus, the status bar, the
// recent-file list in the INI file, dropped files and failed loads.

#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dnd.h>
#include <wx/glcanvas.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include <GL/gl.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

#include "AboutDlg.h"
#include "AppHarness.h"
#include "CameraPath.h"
#include "CommandIds.h"
#include "FovDlg.h"
#include "MainFrame.h"
#include "OxvellApp.h"
#include "OxvellDoc.h"
#include "OxvellView.h"
#include "PBDlg.h"
#include "PlaybackSettings.h"
#include "SurveyFixture.h"
#include "ViewFit.h"

namespace oxv {
namespace {

namespace cmd = oxv::cmd;

using test::MessageRecorder;
using test::Pump;
using test::PumpUntil;
using test::StorePlaybackSettings;
using test::TestApp;

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
        s_dir = new test::ScratchDir;
        s_session = new test::AppSession;
        if (!s_session->Start(s_dir->File("oxvell.ini"))) return;
        s_app = s_session->app;
        s_recorder = &s_session->recorder;
    }

    static void TearDownTestSuite()
    {
        s_recorder = nullptr;
        s_app = nullptr;
        if (s_session) s_session->Stop();
        delete s_session;
        s_session = nullptr;
        delete s_dir;
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
        s_recorder->drive = nullptr;
        Pump(50);
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
        // The view's own capture (frame recording) is put back afterwards.
        auto recording = std::move(View()->State().hooks.captureFrame);
        View()->State().hooks.captureFrame = [&p](ViewState&, GlTarget& target, int, int, int, int) {
            p.width = target.Width();
            p.height = target.Height();
            p.rgb.resize(static_cast<size_t>(p.width) * static_cast<size_t>(p.height) * 3);
            glReadBuffer(target.ReadBuffer());
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, p.width, p.height, GL_RGB, GL_UNSIGNED_BYTE, p.rgb.data());
        };
        View()->RepaintNow();
        View()->State().hooks.captureFrame = std::move(recording);
        EXPECT_FALSE(p.rgb.empty()) << "no frame was drawn";
        return p;
    }

    static std::string Ini()
    {
        const auto bytes = test::ReadBytes(s_app->settingsPath);
        return std::string(bytes.begin(), bytes.end());
    }

    static std::string Title() { return std::string(Frame()->GetTitle().utf8_str()); }

    static inline test::AppSession* s_session = nullptr;
    static inline TestApp* s_app = nullptr;
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

// ---- Playback, recording and the first-person camera ----

std::string FrameFile(const std::string& folder, int number)
{
    char name[32];
    std::snprintf(name, sizeof name, "/img%06d.png", number);
    return folder + name;
}

std::vector<std::string> FolderFiles(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

int LitPixels(const wxImage& image)
{
    int n = 0;
    const unsigned char* p = image.GetData();
    const long count = static_cast<long>(image.GetWidth()) * image.GetHeight();
    for (long i = 0; i < count; ++i, p += 3)
        if (p[0] > 20 || p[1] > 20 || p[2] > 20) ++n;
    return n;
}

// Beam yellow: red and green near full, little blue (the survey's own
// colours stay darker than this).
int BeamPixels(const wxImage& image)
{
    int n = 0;
    const unsigned char* p = image.GetData();
    const long count = static_cast<long>(image.GetWidth()) * image.GetHeight();
    for (long i = 0; i < count; ++i, p += 3)
        if (p[0] > 200 && p[1] > 200 && p[2] < 80) ++n;
    return n;
}

void ClickOk(wxDialog* dialog)
{
    auto* ok = wxDynamicCast(dialog->FindWindow(wxID_OK), wxButton);
    ASSERT_NE(ok, nullptr);
    wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
    click.SetEventObject(ok);
    ok->ProcessWindowEvent(click);
}

wxTextCtrl* Field(wxDialog* dialog, int id)
{
    return wxDynamicCast(dialog->FindWindow(id), wxTextCtrl);
}

TEST_F(AppWindowTest, PlaybackRecordsEveryFramePausesAndStopsByItselfAfterTheHold)
{
    // A client width whose rows are not a multiple of 4 bytes.
    View()->SetDisplaySize(641, 400);
    ASSERT_TRUE(PumpUntil([] { return View()->Canvas()->GetClientSize() == wxSize(641, 400); }, 2000));
    const std::string frames = s_dir->File("frames");
    std::filesystem::create_directories(frames);
    PlaybackParams params;
    params.recordVideo = 1;
    params.outputFolder = frames;
    // 18 s of survey in 2 s frames, one every 50 ms: a hold of 60 ticks.
    StorePlaybackSettings(s_app->Settings(), 2.0, 0.05, params);
    const std::string file = s_dir->File("flight.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    const SurveyDocument& survey = s_app->Document()->Survey();
    ASSERT_NE(survey.m_pTimeline, nullptr);
    const int n = survey.m_pTimeline->frames;
    ASSERT_GE(n, 5);
    ASSERT_EQ(survey.m_pTimeline->interval, 0.05);
    // The helicopter is loaded from model/ beside the executable.
    EXPECT_NE(View()->HeliModel().list_base, 0u);
    EXPECT_EQ(Item(cmd::kPlayPause).label, "Pause/Resume");

    Command(cmd::kPlayStart);
    EXPECT_TRUE(View()->IsTimerRunning(kPlaybackTimerId));
    EXPECT_TRUE(Item(cmd::kPlayStart).checked);
    EXPECT_FALSE(Item(cmd::kPlayStart).enabled);
    EXPECT_TRUE(Item(cmd::kPlayStop).enabled);
    EXPECT_FALSE(Item(cmd::kPlayStop).checked);
    EXPECT_FALSE(Item(cmd::kPlayParameter).enabled);
    EXPECT_EQ(Item(cmd::kPlayPause).label, "P&ause");
    EXPECT_FALSE(Item(cmd::kPlayPause).checked);
    EXPECT_DOUBLE_EQ(View()->State().m_camera.distance, params.nearDistance);

    // Paused: nothing advances, nothing is written.
    ASSERT_TRUE(PumpUntil([] { return View()->State().m_nFrame >= 2; }, 5000));
    Command(cmd::kPlayPause);
    EXPECT_EQ(Item(cmd::kPlayPause).label, "&Resume");
    EXPECT_TRUE(Item(cmd::kPlayPause).checked);
    EXPECT_TRUE(Item(cmd::kPlayParameter).enabled);
    const int pausedAt = View()->State().m_nFrame;
    const auto writtenWhilePausing = FolderFiles(frames);
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(View()->State().m_nFrame, pausedAt);
    EXPECT_EQ(FolderFiles(frames), writtenWhilePausing);
    Command(cmd::kPlayPause);
    EXPECT_EQ(Item(cmd::kPlayPause).label, "P&ause");

    // The last frame is held for about three seconds, then the run stops.
    ASSERT_TRUE(PumpUntil([] { return View()->State().m_nFrame == View()->State().m_nFrameCount; }, 10000));
    const auto lastFrame = std::chrono::steady_clock::now();
    ASSERT_TRUE(PumpUntil([] { return View()->State().m_nPlayState == kStopped; }, 20000));
    const double hold = std::chrono::duration<double>(std::chrono::steady_clock::now() - lastFrame).count();
    EXPECT_GE(hold, 2.9);
    EXPECT_FALSE(View()->IsTimerRunning(kPlaybackTimerId));
    EXPECT_TRUE(Item(cmd::kPlayStart).enabled);
    EXPECT_FALSE(Item(cmd::kPlayStart).checked);
    EXPECT_TRUE(Item(cmd::kPlayStop).checked);
    EXPECT_EQ(Item(cmd::kPlayPause).label, "Pause/Resume");

    // img000000 .. N-3, no N-2, then N-1 with the held picture.
    for (int k = 0; k <= n - 3; ++k) EXPECT_TRUE(std::filesystem::exists(FrameFile(frames, k))) << k;
    EXPECT_FALSE(std::filesystem::exists(FrameFile(frames, n - 2)));
    ASSERT_TRUE(std::filesystem::exists(FrameFile(frames, n - 1)));
    EXPECT_FALSE(std::filesystem::exists(FrameFile(frames, n)));
    for (const std::string& name : FolderFiles(frames))
        EXPECT_TRUE(name.size() == 13 && name.rfind("img", 0) == 0 && name.substr(9) == ".png") << name;

    // Pictures of the client size. The first frame shows its beams, bright
    // yellow lines to the sensor; the held picture has none.
    wxImage first(FrameFile(frames, 0), wxBITMAP_TYPE_PNG);
    wxImage last(FrameFile(frames, n - 1), wxBITMAP_TYPE_PNG);
    ASSERT_TRUE(first.IsOk() && last.IsOk());
    EXPECT_EQ(first.GetWidth(), 641);
    EXPECT_EQ(first.GetHeight(), 400);
    EXPECT_EQ(last.GetWidth(), 641);
    EXPECT_EQ(last.GetHeight(), 400);
    EXPECT_GT(BeamPixels(first), 30);
    EXPECT_EQ(BeamPixels(last), 0);
    EXPECT_GT(LitPixels(last), 500);
    EXPECT_TRUE(s_recorder->messages.empty());
}

TEST_F(AppWindowTest, ParameterDialogShowsTheValuesAndOkRebuildsTheTimeline)
{
    StorePlaybackSettings(s_app->Settings(), 0.0333, 0.0333, PlaybackParams{});
    s_app->Settings().WriteString(kParamsSection, kPathKey, "");
    const std::string file = s_dir->File("params.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    SurveyDocument& survey = s_app->Document()->Survey();

    // A paused run is stopped before the dialog opens.
    Command(cmd::kPlayStart);
    Command(cmd::kPlayPause);
    std::map<int, std::string> shown;
    bool recordChecked = true, trackChecked = false;
    s_recorder->drive = [&](wxDialog* dialog) {
        ASSERT_NE(dynamic_cast<CPBDlg*>(dialog), nullptr);
        for (int id : {CPBDlg::IDC_SPEED, CPBDlg::IDC_INTERVAL, CPBDlg::IDC_NEAR, CPBDlg::IDC_FAR,
                       CPBDlg::IDC_CAMERA_SPEED, CPBDlg::IDC_PAN_RATE, CPBDlg::IDC_OUTPUT_FOLDER})
            shown[id] = std::string(Field(dialog, id)->GetValue().utf8_str());
        recordChecked = wxDynamicCast(dialog->FindWindow(CPBDlg::IDC_RECORD_VIDEO), wxCheckBox)->GetValue();
        trackChecked = wxDynamicCast(dialog->FindWindow(CPBDlg::IDC_TRACK_VEHICLE), wxCheckBox)->GetValue();
        EXPECT_EQ(View()->State().m_nPlayState, kStopped);
        EXPECT_FALSE(View()->IsTimerRunning(kPlaybackTimerId));
        // A speed of 0 with a positive frame period typed last reaches OK,
        // which refuses it and keeps the dialog open.
        Field(dialog, CPBDlg::IDC_SPEED)->SetValue("0");
        Field(dialog, CPBDlg::IDC_INTERVAL)->SetValue("40");
        ClickOk(dialog);
        EXPECT_TRUE(dialog->IsModal());
        Field(dialog, CPBDlg::IDC_SPEED)->SetValue("50");
        Field(dialog, CPBDlg::IDC_NEAR)->SetValue("abc");
        ClickOk(dialog);
    };
    Command(cmd::kPlayParameter);
    s_recorder->drive = nullptr;

    EXPECT_EQ(shown[CPBDlg::IDC_SPEED], "100.00");
    EXPECT_EQ(shown[CPBDlg::IDC_INTERVAL], "33");
    EXPECT_EQ(shown[CPBDlg::IDC_NEAR], "100.0");
    EXPECT_EQ(shown[CPBDlg::IDC_FAR], "300.0");
    EXPECT_EQ(shown[CPBDlg::IDC_CAMERA_SPEED], "10.0");
    EXPECT_EQ(shown[CPBDlg::IDC_PAN_RATE], "10.0");
    EXPECT_EQ(shown[CPBDlg::IDC_OUTPUT_FOLDER], "");
    EXPECT_FALSE(recordChecked);
    EXPECT_TRUE(trackChecked);
    ASSERT_EQ(s_recorder->messages.size(), 2u);
    EXPECT_EQ(s_recorder->messages[0], "<dialog Playback Parameter Dialog>");
    EXPECT_NE(s_recorder->messages[1].find("speed"), std::string::npos) << s_recorder->messages[1];

    // Speed 50 % at 40 ms: 0.02 s of survey per frame, and stored.
    EXPECT_EQ(View()->State().m_nPlayState, kStopped);
    ASSERT_NE(survey.m_pTimeline, nullptr);
    EXPECT_DOUBLE_EQ(survey.m_pTimeline->interval, 0.04);
    EXPECT_DOUBLE_EQ(survey.m_pTimeline->step, 0.02);
    ASSERT_NE(survey.m_pPlaybackParams, nullptr);
    EXPECT_EQ(survey.m_pPlaybackParams->nearDistance, 0.0);
    TimelineRecord stored;
    ASSERT_TRUE(LoadTimelineSettings(s_app->Settings(), stored));
    EXPECT_DOUBLE_EQ(stored.interval, 0.04);
    EXPECT_DOUBLE_EQ(stored.step, 0.02);
    PlaybackParams storedParams;
    ASSERT_TRUE(LoadPlaybackParams(s_app->Settings(), storedParams));
    EXPECT_EQ(storedParams.nearDistance, 0.0);

    // Recording into a folder that does not exist: frames are lost, nothing
    // is said, the folder is not made, and the run goes on.
    const std::string missing = s_dir->File("no-such-folder");
    survey.m_pPlaybackParams->recordVideo = 1;
    survey.m_pPlaybackParams->outputFolder = missing;
    s_recorder->messages.clear();
    Command(cmd::kPlayStart);
    ASSERT_TRUE(PumpUntil([] { return View()->State().m_nFrame >= 3; }, 5000));
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_TRUE(s_recorder->messages.empty());

    // Opening another file stops the run before the document changes.
    const std::string other = s_dir->File("other.oxv");
    WriteField(other, false);
    ASSERT_TRUE(s_app->OpenDocumentFile(other));
    EXPECT_EQ(View()->State().m_nPlayState, kStopped);
    EXPECT_FALSE(View()->IsTimerRunning(kPlaybackTimerId));
    EXPECT_TRUE(Item(cmd::kPlayStart).enabled);
}

TEST_F(AppWindowTest, FirstPersonFlightAlongAnImportedPathWritesItsFramesIntoWorkVideo)
{
    const std::string home = s_dir->File("home");
    const std::string video = home + "/work/video";
    std::filesystem::create_directories(video);
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", home.c_str(), 1);

    const std::string file = s_dir->File("fpv.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    SurveyDocument& survey = s_app->Document()->Survey();
    EXPECT_FALSE(Item(cmd::kFpvMode).enabled);

    // A navigation folder with its cached path: nodes flying east at 60 m
    // west of the field, heading 180 degrees (the camera looks along -x of
    // the node frame, so east) and pitched 45 degrees down onto the field.
    const std::string nav = s_dir->File("nav");
    std::filesystem::create_directories(nav);
    auto writePath = [&](int32_t count) {
        std::vector<PathNode> nodes(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i)
            nodes[static_cast<size_t>(i)] = {i == 0 ? count : i * 100, 0, -45000, 180000, -80000 + i * 1000, 0, 60000};
        ASSERT_TRUE(WriteCameraPathCache(nav + "/cam_path.bin", nodes.data()));
    };
    writePath(5);
    ASSERT_EQ(survey.ImportCameraPath(nav), CameraPathSource::Cache);
    s_app->Document()->UpdateAllViewsWithHint(kUpdateHintRebuild);
    EXPECT_TRUE(Item(cmd::kFpvMode).enabled);

    const double orbitFov = View()->State().m_camera.fovY;
    Command(cmd::kFpvMode);
    EXPECT_TRUE(Item(cmd::kFpvMode).checked);
    EXPECT_TRUE(View()->IsTimerRunning(kFpvTimerId));
    // Five paints show nodes 0 to 4; the fifth ends the mode unrecorded.
    ASSERT_TRUE(PumpUntil([] { return View()->State().m_bFpvMode == 0; }, 5000));
    EXPECT_FALSE(View()->IsTimerRunning(kFpvTimerId));
    EXPECT_FALSE(Item(cmd::kFpvMode).checked);
    EXPECT_EQ(FolderFiles(video),
              (std::vector<std::string>{"img000001.png", "img000002.png", "img000003.png", "img000004.png"}));
    wxImage picture(FrameFile(video, 1), wxBITMAP_TYPE_PNG);
    ASSERT_TRUE(picture.IsOk());
    EXPECT_EQ(picture.GetSize(), View()->Canvas()->GetClientSize());
    EXPECT_GT(LitPixels(picture), 1000);  // the field seen from above its west end

    // The FOV dialog shows the angle and takes a new one for the next flight.
    std::string fovShown;
    s_recorder->drive = [&](wxDialog* dialog) {
        ASSERT_NE(dynamic_cast<CFovDlg*>(dialog), nullptr);
        fovShown = std::string(Field(dialog, CFovDlg::IDC_FOV)->GetValue().utf8_str());
        Field(dialog, CFovDlg::IDC_FOV)->SetValue("60");
        ClickOk(dialog);
    };
    Command(cmd::kFpvFov);
    s_recorder->drive = nullptr;
    EXPECT_EQ(fovShown, "30.00");
    EXPECT_EQ(View()->State().m_dFpvFov, 60.0);

    // Importing a path again while flying ends the flight; so does New.
    writePath(100000);
    Command(cmd::kFpvMode);
    EXPECT_EQ(View()->State().m_camera.fovY, 60.0);
    ASSERT_EQ(survey.ImportCameraPath(nav), CameraPathSource::Cache);
    s_app->Document()->UpdateAllViewsWithHint(kUpdateHintRebuild);
    EXPECT_EQ(View()->State().m_bFpvMode, 0);
    EXPECT_FALSE(View()->IsTimerRunning(kFpvTimerId));
    EXPECT_EQ(View()->State().m_camera.fovY, orbitFov);
    Command(cmd::kFpvMode);
    EXPECT_TRUE(View()->IsTimerRunning(kFpvTimerId));
    ASSERT_TRUE(s_app->NewDocument());
    EXPECT_EQ(View()->State().m_bFpvMode, 0);
    EXPECT_FALSE(View()->IsTimerRunning(kFpvTimerId));
    EXPECT_EQ(View()->State().m_camera.fovY, orbitFov);
    EXPECT_FALSE(Item(cmd::kFpvMode).enabled);
    Pump(100);

    if (oldHome)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
}

TEST_F(AppWindowTest, FovAndParameterDialogsRefuseWhatCannotWorkAndSayWhy)
{
    // FOV: text and angles out of range keep the dialog open; the angle
    // stays as it was until one is taken.
    View()->State().m_dFpvFov = 30.0;
    s_recorder->drive = [&](wxDialog* dialog) {
        ASSERT_NE(dynamic_cast<CFovDlg*>(dialog), nullptr);
        for (const char* bad : {"abc", "180", ""}) {
            Field(dialog, CFovDlg::IDC_FOV)->SetValue(bad);
            ClickOk(dialog);
            EXPECT_TRUE(dialog->IsModal()) << bad;
        }
        Field(dialog, CFovDlg::IDC_FOV)->SetValue("45");
        ClickOk(dialog);
    };
    Command(cmd::kFpvFov);
    s_recorder->drive = nullptr;
    EXPECT_EQ(View()->State().m_dFpvFov, 45.0);
    ASSERT_EQ(s_recorder->messages.size(), 4u);
    EXPECT_NE(s_recorder->messages[1].find("\"abc\" is not a number"), std::string::npos) << s_recorder->messages[1];
    EXPECT_NE(s_recorder->messages[2].find("out of range"), std::string::npos) << s_recorder->messages[2];
    EXPECT_NE(s_recorder->messages[3].find("less than 180"), std::string::npos) << s_recorder->messages[3];

    // Parameter: Video Recording without a folder asks for one; cancelled,
    // OK is refused with the reason; chosen, the folder is taken.
    s_recorder->messages.clear();
    for (const std::string chosen : {"", "/chosen/frames"}) {
        PlaybackDialogValues values;
        int asked = 0;
        CPBDlg dialog(Frame(), values, {}, [&](wxWindow*, const wxString&) {
            ++asked;
            return wxString::FromUTF8(chosen.c_str());
        });
        s_recorder->drive = [&](wxDialog* shown) {
            wxDynamicCast(shown->FindWindow(CPBDlg::IDC_RECORD_VIDEO), wxCheckBox)->SetValue(true);
            ClickOk(shown);
            if (shown->IsModal()) shown->EndModal(wxID_CANCEL);
        };
        const int result = dialog.ShowModal();
        s_recorder->drive = nullptr;
        EXPECT_EQ(asked, 1) << chosen;
        if (chosen.empty()) {
            EXPECT_EQ(result, wxID_CANCEL);
            ASSERT_EQ(s_recorder->messages.size(), 2u);
            EXPECT_NE(s_recorder->messages[1].find("needs an output folder"), std::string::npos)
                << s_recorder->messages[1];
        } else {
            EXPECT_EQ(result, wxID_OK);
            EXPECT_EQ(values.params.recordVideo, 1);
            EXPECT_EQ(values.params.outputFolder, chosen);
        }
        s_recorder->messages.clear();
    }
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
    wxMouseEvent wheel(wxEVT_MOUSEWHEEL);
    wheel.m_wheelRotation = 120;
    wheel.m_wheelDelta = 120;
    wheel.m_wheelAxis = wxMOUSE_WHEEL_VERTICAL;
    View()->Canvas()->GetEventHandler()->ProcessEvent(wheel);
    EXPECT_DOUBLE_EQ(camera.distance, opened.distance * 0.9);
    wheel.m_wheelRotation = -240;
    View()->Canvas()->GetEventHandler()->ProcessEvent(wheel);
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
    const std::string frames = s_dir->File("status-frames");
    std::filesystem::create_directories(frames);
    PlaybackParams params;
    params.recordVideo = 1;
    params.outputFolder = frames;
    StorePlaybackSettings(s_app->Settings(), 0.5, 0.01, params);
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
    const wxSize client = View()->Canvas()->GetClientSize();
    wxMouseEvent move(wxEVT_MOTION);
    move.m_x = client.x / 2;
    move.m_y = client.y / 2;
    View()->Canvas()->GetEventHandler()->ProcessEvent(move);
    EXPECT_TRUE(PumpUntil([&] { return text().find(" | x ") != std::string::npos; }, 3000)) << text();

    // Playback: time, frame n of N and REC; Esc stops it as Stop does.
    Command(cmd::kPlayStart);
    ASSERT_TRUE(PumpUntil([&] { return text().find(" REC") != std::string::npos; }, 3000)) << text();
    EXPECT_NE(text().find(" frame "), std::string::npos) << text();
    EXPECT_EQ(text().find(" | x "), std::string::npos) << "no cursor point during playback: " << text();
    key(WXK_ESCAPE);
    EXPECT_EQ(View()->State().m_nPlayState, kStopped);
    EXPECT_FALSE(View()->IsTimerRunning(kPlaybackTimerId));
    EXPECT_EQ(text().find(" REC"), std::string::npos) << text();
    Command(cmd::kViewStatusBar);
    Pump(100);
}

TEST_F(AppWindowTest, ColourBarShowsInTheWindowButNotInTheCapturedFrame)
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
        shown.width = target.Width();
        shown.height = target.Height();
        shown.rgb.resize(static_cast<size_t>(shown.width) * static_cast<size_t>(shown.height) * 3);
        glReadBuffer(target.ReadBuffer());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, shown.width, shown.height, GL_RGB, GL_UNSIGNED_BYTE, shown.rgb.data());
    };
    const Picture captured = Screen();
    View()->State().hooks.drawOverlay = overlay;
    ASSERT_FALSE(shown.rgb.empty());
    EXPECT_EQ(cornerWhite(captured), 0) << "a recorded frame holds no colour bar";
    EXPECT_GT(cornerWhite(shown), 40) << "the window shows the colour bar's labels";
    Command(cmd::kColorOriginal);
}

TEST_F(AppWindowTest, SavePictureWritesTheViewAtTheClientSize)
{
    EXPECT_TRUE(Item(cmd::kSavePicture).enabled);
    const std::string file = s_dir->File("picture.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    Command(cmd::kColorHeight);
    const std::string png = s_dir->File("saved.png");
    ASSERT_TRUE(View()->SavePicture(png));
    wxImage saved(png, wxBITMAP_TYPE_PNG);
    ASSERT_TRUE(saved.IsOk());
    EXPECT_EQ(saved.GetSize(), View()->Canvas()->GetClientSize());
    EXPECT_GT(LitPixels(saved), 3000);
    EXPECT_FALSE(View()->SavePicture(s_dir->File("no-such-folder/saved.png")));
    EXPECT_FALSE(std::filesystem::exists(s_dir->File("no-such-folder")));
    Command(cmd::kColorOriginal);
}

TEST_F(AppWindowTest, EscEndsAFirstPersonFlightAsItsCommandDoes)
{
    const std::string home = s_dir->File("esc-home");  // no work/video: nothing is written
    std::filesystem::create_directories(home);
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", home.c_str(), 1);
    const std::string file = s_dir->File("esc.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    SurveyDocument& survey = s_app->Document()->Survey();
    const int32_t count = 100000;
    survey.m_pCameraPath = std::make_unique<PathNode[]>(count);
    for (int32_t i = 0; i < count; ++i)
        survey.m_pCameraPath[i] = {i == 0 ? count : i * 100, 0, -45000, 180000, -80000 + i, 0, 60000};
    s_app->Document()->UpdateAllViewsWithHint(kUpdateHintRebuild);
    const double orbitFov = View()->State().m_camera.fovY;
    View()->State().m_dFpvFov = 50.0;
    Command(cmd::kFpvMode);
    ASSERT_TRUE(PumpUntil([] { return View()->State().m_nFpvNode > 3; }, 5000));
    wxKeyEvent esc(wxEVT_KEY_DOWN);
    esc.m_keyCode = WXK_ESCAPE;
    View()->Canvas()->GetEventHandler()->ProcessEvent(esc);
    EXPECT_EQ(View()->State().m_bFpvMode, 0);
    EXPECT_FALSE(View()->IsTimerRunning(kFpvTimerId));
    EXPECT_EQ(View()->State().m_camera.fovY, orbitFov);
    EXPECT_FALSE(Item(cmd::kFpvMode).checked);
    View()->State().m_dFpvFov = 30.0;
    if (oldHome)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
}

}  // namespace
}  // namespace oxv
