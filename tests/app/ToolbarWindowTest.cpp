// The toolbar, the standard views, the keys the menus show, and what a run
// that records says before and while it writes frames, driven in process
// under a private X server.

#include <wx/toolbar.h>

#include <set>

#include "tests/app/AppWindowFixture.h"

namespace oxv {
namespace {

namespace cmd = oxv::cmd;

// Steps the tests share, with the fixture's window at hand.
struct Steps : AppWindowTest {
    // A plain key pressed on the canvas.
    static void Key(int code)
    {
        wxKeyEvent event(wxEVT_KEY_DOWN);
        event.m_keyCode = code;
        event.SetEventObject(View()->Canvas());
        View()->Canvas()->GetEventHandler()->ProcessEvent(event);
    }

    struct ToolState {
        bool enabled;
        bool checked;
    };

    // A toolbar button as the idle update leaves it.
    static ToolState Tool(int id)
    {
        wxToolBar* bar = Frame()->ToolBar();
        bar->UpdateWindowUI(wxUPDATE_UI_FROMIDLE);
        return {bar->GetToolEnabled(id), bar->GetToolState(id)};
    }

    static std::string RecordingMarkShown()
    {
        auto* mark = wxDynamicCast(Frame()->ToolBar()->FindWindow(cmd::kRecordingMark), wxStaticText);
        if (!mark) return "<no mark>";
        mark->UpdateWindowUI(wxUPDATE_UI_FROMIDLE);
        return std::string(mark->GetLabel().utf8_str());
    }

    // A camera path of `count` nodes over the field, set straight into the
    // document as Import Camera Path leaves it.
    static void FlyOverField(int32_t count)
    {
        SurveyDocument& survey = s_app->Document()->Survey();
        survey.m_pCameraPath = std::make_unique<PathNode[]>(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i)
            survey.m_pCameraPath[i] = {i == 0 ? count : i * 100, 0, -45000, 180000, -80000 + i, 0, 60000};
        s_app->Document()->NotifyCameraPathChanged();
    }
};

void SetHome(const std::string& home, std::string& saved, bool& had)
{
    const char* old = std::getenv("HOME");
    had = old != nullptr;
    saved = old ? old : "";
    ::setenv("HOME", home.c_str(), 1);
}

void RestoreHome(const std::string& saved, bool had)
{
    if (had)
        ::setenv("HOME", saved.c_str(), 1);
    else
        ::unsetenv("HOME");
}

TEST_F(AppWindowTest, ARunThatWouldWriteOverEarlierFramesAsksFirst)
{
    const std::string frames = RecordInto("earlier-run", 2.0, 0.05);
    for (int k = 0; k < 10; ++k) test::WriteBytes(FrameFile(frames, k), {1});
    test::WriteBytes(frames + "/notes.txt", {1});
    const std::string file = s_dir->File("prompt.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    ASSERT_NE(s_app->Document()->Survey().m_pTimeline, nullptr);
    ASSERT_FALSE(Frame()->StatusBar()->IsShown());

    // Cancel: nothing starts and nothing is touched.
    s_recorder->answers = {wxID_CANCEL};
    Command(cmd::kPlayStart);
    ASSERT_EQ(s_recorder->messages.size(), 1u);
    EXPECT_NE(s_recorder->messages[0].find(frames), std::string::npos) << s_recorder->messages[0];
    EXPECT_NE(s_recorder->messages[0].find("10 frame files (img000000.png to img000009.png)"), std::string::npos)
        << s_recorder->messages[0];
    EXPECT_EQ(View()->Run().m_nPlayState, kStopped);
    EXPECT_EQ(FolderFiles(frames).size(), 11u);

    // Another folder: chosen, asked about again (it holds frames too), then
    // a third, empty one is taken, kept for the next run, and written.
    const std::string busy = s_dir->File("busy"), fresh = s_dir->File("fresh");
    std::filesystem::create_directories(busy);
    std::filesystem::create_directories(fresh);
    test::WriteBytes(FrameFile(busy, 3), {1});
    std::vector<std::string> offered;
    const std::vector<std::string> choices = {busy, fresh};
    View()->FolderChooser() = [&](wxWindow*, const wxString& initial) {
        offered.push_back(std::string(initial.utf8_str()));
        return wxString::FromUTF8(choices[offered.size() - 1].c_str());
    };
    s_recorder->messages.clear();
    s_recorder->answers = {wxID_NO, wxID_NO};
    Command(cmd::kPlayStart);
    EXPECT_EQ(offered, (std::vector<std::string>{frames, busy}));
    ASSERT_EQ(s_recorder->messages.size(), 2u);
    EXPECT_NE(s_recorder->messages[1].find(busy), std::string::npos) << s_recorder->messages[1];
    ASSERT_EQ(View()->Run().m_nPlayState, kPlaying);
    EXPECT_EQ(s_app->Document()->Survey().m_pPlaybackParams->outputFolder, fresh);
    PlaybackParams stored;
    ASSERT_TRUE(LoadPlaybackParams(s_app->Settings(), stored));
    EXPECT_EQ(stored.outputFolder, fresh);

    // While frames are written the title and the toolbar say so, with the
    // status bar hidden.
    ASSERT_TRUE(PumpUntil([&] { return std::filesystem::exists(FrameFile(fresh, 1)); }, 5000));
    EXPECT_EQ(Title(), "[REC] prompt.oxv - Oxvell");
    EXPECT_EQ(Steps::RecordingMarkShown(), "REC");
    Command(cmd::kPlayStop);
    EXPECT_EQ(Title(), "prompt.oxv - Oxvell");
    EXPECT_EQ(Steps::RecordingMarkShown(), "");
    EXPECT_EQ(FolderFiles(frames).size(), 11u) << "the first folder is as it was";

    // Overwrite: the earlier frames go before the new ones are written, so
    // none of them is left among the new run's; other files stay.
    test::WriteBytes(FrameFile(fresh, 500), {1});
    test::WriteBytes(fresh + "/notes.txt", {1});
    s_recorder->messages.clear();
    s_recorder->answers = {wxID_YES};
    Command(cmd::kPlayStart);
    ASSERT_EQ(s_recorder->messages.size(), 1u);
    ASSERT_EQ(View()->Run().m_nPlayState, kPlaying);
    EXPECT_FALSE(std::filesystem::exists(FrameFile(fresh, 500)));
    EXPECT_TRUE(std::filesystem::exists(fresh + "/notes.txt"));
    ASSERT_TRUE(PumpUntil([&] { return std::filesystem::exists(FrameFile(fresh, 0)); }, 5000));
    Command(cmd::kPlayStop);

    // Without recording nothing is asked.
    s_app->Document()->Survey().m_pPlaybackParams->recordVideo = 0;
    s_recorder->messages.clear();
    Command(cmd::kPlayStart);
    EXPECT_TRUE(s_recorder->messages.empty());
    EXPECT_EQ(View()->Run().m_nPlayState, kPlaying);
    Command(cmd::kPlayStop);
    View()->FolderChooser() = BrowseForFolder;
}

TEST_F(AppWindowTest, FirstPersonFlightMakesItsMissingFolderOrSaysAtTheStartThatNothingCanBeWritten)
{
    std::string savedHome;
    bool hadHome = false;
    const std::string home = s_dir->File("home-without-video");
    std::filesystem::create_directories(home);
    SetHome(home, savedHome, hadHome);
    const std::string file = s_dir->File("fpv-folder.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));

    // work/video is missing: made, and the flight's frames are in it.
    Steps::FlyOverField(5);
    Command(cmd::kFpvMode);
    EXPECT_TRUE(s_recorder->messages.empty());
    ASSERT_TRUE(PumpUntil([] { return View()->Fpv().m_bFpvMode == 0; }, 5000));
    EXPECT_EQ(FolderFiles(home + "/work/video"),
              (std::vector<std::string>{"img000001.png", "img000002.png", "img000003.png", "img000004.png"}));

    // A home where work/video cannot be made: said before the flight;
    // Cancel keeps the orbit view, flying anyway shows in the title that
    // nothing is written.
    const std::string blocked = s_dir->File("home-blocked");
    std::filesystem::create_directories(blocked);
    test::WriteBytes(blocked + "/work", {1});
    ::setenv("HOME", blocked.c_str(), 1);
    Steps::FlyOverField(100000);
    s_recorder->answers = {wxID_CANCEL};
    Command(cmd::kFpvMode);
    ASSERT_EQ(s_recorder->messages.size(), 1u);
    EXPECT_NE(s_recorder->messages[0].find("cannot record"), std::string::npos) << s_recorder->messages[0];
    EXPECT_NE(s_recorder->messages[0].find(blocked + "/work/video"), std::string::npos) << s_recorder->messages[0];
    EXPECT_EQ(View()->Fpv().m_bFpvMode, 0);
    EXPECT_FALSE(View()->IsTimerRunning(kFpvTimerId));

    Command(cmd::kFpvMode);  // answered "Fly Without Recording"
    EXPECT_EQ(s_recorder->messages.size(), 2u);
    ASSERT_TRUE(View()->Fpv().m_bFpvMode);
    ASSERT_TRUE(PumpUntil([] { return View()->Fpv().m_nFpvNode > 3; }, 5000));
    EXPECT_EQ(Title(), "[REC: frames not written] fpv-folder.oxv - Oxvell");
    Steps::Key(WXK_ESCAPE);
    EXPECT_EQ(View()->Fpv().m_bFpvMode, 0);
    EXPECT_EQ(Title(), "fpv-folder.oxv - Oxvell");
    RestoreHome(savedHome, hadHome);
}

TEST_F(AppWindowTest, ToolbarButtonsFollowTheMenuRulesAndViewToolbarHidesIt)
{
    wxToolBar* bar = Frame()->ToolBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->IsShown());
    EXPECT_TRUE(Item(cmd::kViewToolBar).checked);
    for (int id : std::initializer_list<int>{cmd::kFileOpen, cmd::kZoomToExtent, cmd::kViewTop, cmd::kViewTop + 1, cmd::kViewTop + 2,
                   cmd::kViewTop + 3, cmd::kViewWest, cmd::kColorHeight, cmd::kColorAmp, cmd::kColorAmpBw,
                   cmd::kColorRange, cmd::kColorOriginal, cmd::kPlayStart, cmd::kPlayPause, cmd::kPlayStop,
                   cmd::kFpvMode})
        EXPECT_NE(bar->FindById(id), nullptr) << id;

    // Nothing open: only Open can be used.
    EXPECT_TRUE(Steps::Tool(cmd::kFileOpen).enabled);
    for (int id : std::initializer_list<int>{cmd::kZoomToExtent, cmd::kViewTop, cmd::kViewWest, cmd::kColorHeight, cmd::kColorOriginal,
                   cmd::kPlayStart, cmd::kPlayPause, cmd::kPlayStop, cmd::kFpvMode})
        EXPECT_FALSE(Steps::Tool(id).enabled) << id;

    // Playback without recording, whatever an earlier test stored.
    StorePlaybackSettings(s_app->Settings(), 2.0, 0.05, PlaybackParams{});
    const std::string file = s_dir->File("toolbar.oxv");
    WriteField(file, false);  // no colour channel: Original cannot be chosen
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    for (int id : std::initializer_list<int>{cmd::kZoomToExtent, cmd::kViewTop, cmd::kViewWest, cmd::kColorHeight,
                                             cmd::kColorAmp, cmd::kPlayStart})
        EXPECT_TRUE(Steps::Tool(id).enabled) << id;
    EXPECT_FALSE(Steps::Tool(cmd::kColorOriginal).enabled);
    EXPECT_FALSE(Steps::Tool(cmd::kFpvMode).enabled) << "no camera path";
    EXPECT_TRUE(Steps::Tool(cmd::kColorHeight).checked);
    EXPECT_FALSE(Steps::Tool(cmd::kPlayPause).enabled);
    EXPECT_TRUE(Steps::Tool(cmd::kPlayStop).checked) << "Stop is checked while stopped, as in the menu";

    // A click on a button is its menu command.
    wxCommandEvent click(wxEVT_TOOL, cmd::kColorAmp);
    click.SetEventObject(bar);
    bar->ProcessWindowEvent(click);
    EXPECT_EQ(View()->State().m_nColorMode, kColorAmp);
    EXPECT_TRUE(Steps::Tool(cmd::kColorAmp).checked);
    EXPECT_FALSE(Steps::Tool(cmd::kColorHeight).checked);
    EXPECT_EQ(Steps::Tool(cmd::kColorAmp).checked, Item(cmd::kColorAmp).checked);

    // Space starts, pauses and resumes; the buttons follow.
    Steps::Key(WXK_SPACE);
    EXPECT_EQ(View()->Run().m_nPlayState, kPlaying);
    EXPECT_TRUE(Steps::Tool(cmd::kPlayStart).checked);
    EXPECT_FALSE(Steps::Tool(cmd::kPlayStart).enabled);
    EXPECT_TRUE(Steps::Tool(cmd::kPlayPause).enabled);
    EXPECT_FALSE(Steps::Tool(cmd::kPlayStop).checked);
    Steps::Key(WXK_SPACE);
    EXPECT_EQ(View()->Run().m_nPlayState, kPaused);
    EXPECT_TRUE(Steps::Tool(cmd::kPlayPause).checked);
    Steps::Key(WXK_SPACE);
    EXPECT_EQ(View()->Run().m_nPlayState, kPlaying);
    EXPECT_FALSE(Steps::Tool(cmd::kPlayPause).checked);
    Steps::Key(WXK_ESCAPE);
    EXPECT_EQ(View()->Run().m_nPlayState, kStopped);

    // With a camera path the flight's button can be used.
    Steps::FlyOverField(3);
    EXPECT_TRUE(Steps::Tool(cmd::kFpvMode).enabled);

    // View > Toolbar: hidden, the view takes its room; shown again, it gives it back.
    const wxSize withBar = View()->Canvas()->GetClientSize();
    Command(cmd::kViewToolBar);
    ASSERT_TRUE(PumpUntil([&] { return View()->Canvas()->GetClientSize().y > withBar.y; }, 2000));
    EXPECT_FALSE(bar->IsShown());
    EXPECT_FALSE(Item(cmd::kViewToolBar).checked);
    EXPECT_EQ(View()->Canvas()->GetClientSize().x, withBar.x);
    Command(cmd::kViewToolBar);
    ASSERT_TRUE(PumpUntil([&] { return View()->Canvas()->GetClientSize() == withBar; }, 2000));
    EXPECT_TRUE(Item(cmd::kViewToolBar).checked);
}

TEST_F(AppWindowTest, MenusShowTheKeysAndNoTwoViewItemsShareAMnemonic)
{
    EXPECT_EQ(Item(cmd::kViewTop).label, "&Top\tT");
    EXPECT_EQ(Item(cmd::kViewTop + 1).label, "Looking &North\tN");
    EXPECT_EQ(Item(cmd::kViewWest).label, "Looking &West\tW");
    EXPECT_EQ(Item(cmd::kZoomToExtent).label, "Zoom to &Extent\tF");
    EXPECT_EQ(Item(cmd::kPlayStart).label, "&Start\tSpace");
    EXPECT_EQ(Item(cmd::kPlayPause).label, "Pause/Resume\tSpace");

    wxMenuBar* bar = Frame()->GetMenuBar();
    wxMenu* view = bar->GetMenu(bar->FindMenu("View"));
    ASSERT_NE(view, nullptr);
    std::set<wxChar> mnemonics;
    for (wxMenuItem* item : view->GetMenuItems()) {
        if (item->IsSeparator()) continue;
        const wxString label = item->GetItemLabel().BeforeFirst('\t');
        const int at = label.Find('&');
        if (at == wxNOT_FOUND || at + 1 >= static_cast<int>(label.length())) continue;
        const wxChar letter = static_cast<wxChar>(wxTolower(label[static_cast<size_t>(at + 1)]));
        EXPECT_TRUE(mnemonics.insert(letter).second) << "shared mnemonic in " << label;
    }
    EXPECT_NE(bar->FindMenuItem("View", "Point Size"), wxNOT_FOUND);
}

TEST_F(AppWindowTest, StandardViewsShowTheWholeFieldFromAboveAndFromEachSide)
{
    const std::string file = s_dir->File("standard.oxv");
    WriteField(file, true);  // 120 m east-west by 60 m, rising 12 m eastwards
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    Command(cmd::kColorHeight);
    const OrbitCamera& camera = View()->State().m_camera;
    const double centre[3] = {-0.5, -0.5, 5.95};

    // Lit pixels' box, and the mean red of the left and right thirds of it:
    // in Height colours the high east end is red.
    struct Seen {
        int left = 1 << 30, right = -1, bottom = 1 << 30, top = -1;
        double redLeft = 0, redRight = 0;
    };
    auto look = [] {
        const Picture p = Screen();
        Seen s;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(p.width) + static_cast<size_t>(x)) * 3;
                if (p.rgb[i] <= 20 && p.rgb[i + 1] <= 20 && p.rgb[i + 2] <= 20) continue;
                s.left = std::min(s.left, x);
                s.right = std::max(s.right, x);
                s.bottom = std::min(s.bottom, y);
                s.top = std::max(s.top, y);
            }
        int nLeft = 0, nRight = 0;
        const int third = (s.right - s.left) / 3;
        for (int y = s.bottom; y <= s.top; ++y)
            for (int x = s.left; x <= s.right; ++x) {
                const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(p.width) + static_cast<size_t>(x)) * 3;
                if (p.rgb[i] <= 20 && p.rgb[i + 1] <= 20 && p.rgb[i + 2] <= 20) continue;
                if (x < s.left + third) s.redLeft += p.rgb[i], ++nLeft;
                if (x > s.right - third) s.redRight += p.rgb[i], ++nRight;
            }
        s.redLeft /= std::max(nLeft, 1);
        s.redRight /= std::max(nRight, 1);
        return s;
    };
    const wxSize client = View()->Canvas()->GetClientSize();

    // Top, by the key the menu shows: north up, east to the right, the
    // whole field inside the picture and filling it.
    Steps::Key('T');
    EXPECT_NEAR(camera.rotation[6], -1.0, 1e-12) << "looking straight down";  // column 0 looks
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(camera.target[i], centre[i], 1e-9);
    Seen top = look();
    EXPECT_GT(top.left, 0);
    EXPECT_LT(top.right, client.x - 1);
    EXPECT_GT(top.bottom, 0);
    EXPECT_LT(top.top, client.y - 1);
    EXPECT_GT(top.right - top.left, 1.7 * (top.top - top.bottom)) << "120 m across, 60 m up the picture";
    EXPECT_GT(top.right - top.left, client.x / 2);
    EXPECT_GT(top.redRight, top.redLeft + 60) << "east on the right";

    // Looking north from the side: a low band, east still on the right.
    Command(cmd::kViewTop + 1);
    EXPECT_NEAR(camera.rotation[3], 1.0, 1e-12) << "looking north";
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(camera.target[i], centre[i], 1e-9);
    const Seen north = look();
    EXPECT_LT(north.top - north.bottom, (north.right - north.left) / 3);
    EXPECT_GT(north.right - north.left, client.x / 2);
    EXPECT_GT(north.redRight, north.redLeft + 60);

    // Looking south, east is on the left; looking west, the field's 60 m
    // north-south span fills the width.
    Steps::Key('S');
    const Seen south = look();
    EXPECT_GT(south.redLeft, south.redRight + 60);
    Steps::Key('W');
    EXPECT_NEAR(camera.rotation[0], -1.0, 1e-12) << "looking west";
    const Seen west = look();
    EXPECT_GT(west.left, 0);
    EXPECT_LT(west.right, client.x - 1);
    EXPECT_GT(west.right - west.left, client.x / 3);

    // The orbit goes on from a standard view as from any other.
    const double before = camera.rotation[0];
    wxMouseEvent press(wxEVT_LEFT_DOWN), move(wxEVT_MOTION), release(wxEVT_LEFT_UP);
    press.m_x = move.m_x = release.m_x = client.x / 2;
    press.m_y = client.y / 2;
    move.m_y = release.m_y = client.y / 2 + 20;
    move.m_leftDown = true;
    for (wxMouseEvent* e : {&press, &move, &release}) View()->Canvas()->GetEventHandler()->ProcessEvent(*e);
    EXPECT_NE(camera.rotation[0], before);
    Command(cmd::kColorOriginal);
}

TEST_F(AppWindowTest, TheStatusBarTellsEveryChannelOfThePointUnderTheCursor)
{
    const std::string file = s_dir->File("readout.oxv");
    WriteField(file, true);
    ASSERT_TRUE(s_app->OpenDocumentFile(file));
    Command(cmd::kViewTop);
    Command(cmd::kViewStatusBar);
    Pump(100);
    wxStatusBar* bar = Frame()->StatusBar();
    auto text = [bar] { return std::string(bar->GetStatusText(0).utf8_str()); };
    // Rest the cursor over a drawn point near the middle.
    const Picture picture = Screen();
    const wxSize client = View()->Canvas()->GetClientSize();
    wxMouseEvent move(wxEVT_MOTION);
    bool found = false;
    for (int dy = 0; dy < 30 && !found; ++dy)
        for (int dx = 0; dx < 30 && !found; ++dx) {
            const int x = client.x / 2 + dx, row = picture.height - 1 - (client.y / 2 + dy);
            const size_t i = (static_cast<size_t>(row) * static_cast<size_t>(picture.width) + static_cast<size_t>(x)) * 3;
            if (picture.rgb[i] > 20 || picture.rgb[i + 1] > 20 || picture.rgb[i + 2] > 20) {
                move.m_x = x;
                move.m_y = client.y / 2 + dy;
                found = true;
            }
        }
    ASSERT_TRUE(found);
    View()->Canvas()->GetEventHandler()->ProcessEvent(move);
    ASSERT_TRUE(PumpUntil([&] { return text().find("record ") != std::string::npos; }, 3000)) << text();
    const std::string line = text();
    // The field's record i lies at x = i % 120 - 60, y = i / 120 - 30 (m),
    // colour (i % 256, 200, 30), amplitude 7 i % 256, time i / 400 s, and
    // 100 m below its origin.
    const size_t at = line.find("record ");
    std::string digits;
    for (size_t i = at + 7; i < line.size() && line[i] != ' '; ++i)
        if (line[i] != ',') digits += line[i];
    const int record = std::atoi(digits.c_str());
    ASSERT_GE(record, 0);
    ASSERT_LT(record, 7200);
    char expected[200];
    std::snprintf(expected, sizeof expected, "record %s | x %.3f y %.3f z %.3f m | colour %d 200 30 | amplitude %d | time %.4f s | range",
                  GroupThousands(record).c_str(), record % 120 - 60.0, record / 120 - 30.0, (record % 120) * 0.1, record % 256, (record * 7) % 256,
                  record / 400.0);
    EXPECT_NE(line.find(expected), std::string::npos) << line << "\n" << expected;
    Command(cmd::kViewStatusBar);
    Pump(100);
}

}  // namespace
}  // namespace oxv
