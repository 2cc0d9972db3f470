// The real viewer executable under a private X server, driven from outside
// with xdotool (keys, menus by their mnemonics) and watched with screenshots.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <thread>

#include "tests/app/FieldSurvey.h"
#include "tests/support/SurveyFixture.h"
#include "tests/app/WindowShot.h"
#include "tests/app/XServer.h"
#include "settings/IniProfile.h"
#include "settings/ViewSettings.h"
#include "tests/app/CloseRequest.h"
#include "survey/PlaybackSettings.h"

namespace oxv {
namespace {

using namespace std::chrono_literals;

using test::Screenshot;
using test::Shell;
using test::WriteField;

std::string Text(const std::string& path)
{
    const auto bytes = test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// How many frame files a recording has written so far.
size_t FrameFiles(const std::string& folder)
{
    size_t n = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) n += entry.is_regular_file() ? 1 : 0;
    return n;
}

class ExecutableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.Start()) << "Xvfb could not be started";
        m_server.Export();
        const char* bin = std::getenv("OXV_BIN_DIR");
        ASSERT_NE(bin, nullptr);
        m_original = std::string(bin) + "/oxvell";
        ASSERT_TRUE(std::filesystem::exists(m_original));
    }

    void TearDown() override
    {
        test::EndProgram(m_pid);
        m_server.Stop();
    }

    // Starts a copy of the viewer named `name` in the scratch folder, so its
    // INI file lands there.
    std::string Launch(const std::string& name, const std::vector<std::string>& args)
    {
        const std::string exe = m_dir.File(name);
        std::filesystem::copy_file(m_original, exe, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::permissions(exe, std::filesystem::perms::owner_all);
        m_pid = test::StartProgram(exe, args);
        return exe;
    }

    // The id of the window with exactly this title, or empty after `timeout`.
    static std::string FindWindow(const std::string& title, std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        do {
            if (std::string id = test::WindowTitled(title); !id.empty()) return id;
            std::this_thread::sleep_for(100ms);
        } while (std::chrono::steady_clock::now() < end);
        return {};
    }

    static std::string WaitForWindow(const std::string& title)
    {
        std::string id = FindWindow(title, 20s);
        if (id.empty()) ADD_FAILURE() << "no window titled \"" << title << "\"";
        return id;
    }

    void Keys(const std::string& window, const std::string& keys)
    {
        Shell("xdotool windowfocus --sync " + window + " 2>/dev/null");
        for (size_t start = 0; start < keys.size();) {
            size_t end = keys.find(' ', start);
            if (end == std::string::npos) end = keys.size();
            Shell("xdotool key " + keys.substr(start, end - start));
            std::this_thread::sleep_for(300ms);
            start = end + 1;
        }
    }

    static std::optional<Screenshot> Shot(const std::string& window)
    {
        std::this_thread::sleep_for(500ms);  // let the paint land
        return test::ShootWindow(window);
    }

    // Waits until `folder` holds at least `count` files.
    static bool PumpUntilFrames(const std::string& folder, size_t count, std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (FrameFiles(folder) < count) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(100ms);
        }
        return true;
    }

    test::XServer m_server;
    test::ScratchDir m_dir;
    std::string m_original;
    pid_t m_pid = -1;
};

// Below the menu bar and the toolbar, and above the bottom edge: the canvas.
constexpr int kMenuHeight = 90;

TEST_F(ExecutableTest, RenamedCopyOpensItsFileShowsPointsAndKeepsItsOwnIni)
{
    const std::string file = m_dir.File("field.oxv");
    WriteField(file);
    const std::string exe = Launch("survey", {file});
    const std::string window = WaitForWindow("field.oxv - Oxvell");
    ASSERT_FALSE(window.empty());
    const auto shot = Shot(window);
    ASSERT_TRUE(shot);
    EXPECT_GT(shot->Lit(kMenuHeight), 4000);

    const std::string ini = Text(m_dir.File("survey.ini"));
    EXPECT_NE(ini.find("[Recent File List]\nFile1=" + file + "\n"), std::string::npos) << ini;
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("oxvell.ini")));
}

// The view and the window as a run left them come back at the next start,
// and what that start changes is kept for the one after; keys it did not
// change stay as they were.
TEST_F(ExecutableTest, ViewAndWindowSettingsStayForTheNextStart)
{
    const std::string file = m_dir.File("field.oxv");
    WriteField(file);
    const std::string ini = m_dir.File("oxvell.ini");
    const std::string stored = "[View]\nGrid=1\nScannerPath=0\nPointSize=3\nSmoothing=1\nColorMode=ampbw\n"
                               "BlackLevel=0.30\nWhiteLevel=0.90\nStatusBar=1\nToolbar=0\n"
                               "[Window]\nLeft=60\nTop=40\nWidth=900\nHeight=650\nOpenFolder=" +
                               m_dir.Path().string() + "\n";
    test::WriteBytes(ini, std::vector<uint8_t>(stored.begin(), stored.end()));
    Launch("oxvell", {file});
    const std::string window = WaitForWindow("field.oxv - Oxvell");
    ASSERT_FALSE(window.empty());
    // The toolkit asks the X server for the stored place and size; the
    // server's answer may come a moment after the title.
    std::string geometry;
    for (int i = 0; i < 50; ++i) {
        geometry = Shell("xdotool getwindowgeometry " + window);
        if (geometry.find("Geometry: 900x650") != std::string::npos) break;
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_NE(geometry.find("Position: 60,40"), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("Geometry: 900x650"), std::string::npos) << geometry;
    const auto restored = Shot(window);
    ASSERT_TRUE(restored);
    auto bottomLight = [](const Screenshot& s) {
        return s.Count(s.height - 10, s.height, [](int r, int g, int b) { return r > 150 && g > 150 && b > 150; });
    };
    EXPECT_GT(bottomLight(*restored), restored->width * 5) << "no status bar";

    // The grid was on: View > Show Grid turns it off, and fewer pixels light.
    Keys(window, "alt+v g");
    const auto gridOff = Shot(window);
    ASSERT_TRUE(gridOff);
    EXPECT_LT(gridOff->Lit(kMenuHeight) + 500, restored->Lit(kMenuHeight));
    // Amp BW: the points grey (the field's own colours are not), above the status bar.
    const int viewBottom = gridOff->height - 30;
    EXPECT_GT(gridOff->Grey(kMenuHeight, viewBottom), gridOff->Lit(kMenuHeight, viewBottom) * 8 / 10);
    ASSERT_TRUE(test::SendCloseRequest(window));
    for (int i = 0; i < 100 && ::waitpid(m_pid, nullptr, WNOHANG) == 0; ++i) std::this_thread::sleep_for(100ms);
    m_pid = -1;

    IniProfile after(ini);
    const ViewSettings kept = LoadViewSettings(after);
    EXPECT_FALSE(kept.grid) << Text(ini);
    EXPECT_EQ(kept.pointSize, 3);
    EXPECT_TRUE(kept.smoothing);
    EXPECT_EQ(kept.colorMode, "ampbw");
    EXPECT_DOUBLE_EQ(kept.blackLevel, 0.30);
    EXPECT_DOUBLE_EQ(kept.whiteLevel, 0.90);
    EXPECT_TRUE(kept.statusBar);
    EXPECT_FALSE(kept.toolbar);
    ASSERT_TRUE(kept.window);
    EXPECT_EQ(kept.window->width, 900);
    EXPECT_EQ(kept.window->height, 650);
    EXPECT_EQ(kept.openFolder, m_dir.Path().string());
}

TEST_F(ExecutableTest, MenuMnemonicsSwitchColorModeAndGrid)
{
    const std::string file = m_dir.File("field.oxv");
    WriteField(file);
    Launch("oxvell", {file});
    const std::string window = WaitForWindow("field.oxv - Oxvell");
    ASSERT_FALSE(window.empty());
    const auto original = Shot(window);
    ASSERT_TRUE(original);
    ASSERT_GT(original->Lit(kMenuHeight), 4000);
    EXPECT_LT(original->Grey(kMenuHeight), original->Lit(kMenuHeight) / 5);

    Keys(window, "alt+v c b");  // View > Color Mode > Amp BW
    const auto bw = Shot(window);
    ASSERT_TRUE(bw);
    EXPECT_GT(bw->Grey(kMenuHeight), bw->Lit(kMenuHeight) * 8 / 10);

    Keys(window, "alt+v g");  // View > Show Grid (10m)
    const auto grid = Shot(window);
    ASSERT_TRUE(grid);
    EXPECT_GT(grid->Lit(kMenuHeight), bw->Lit(kMenuHeight) + 500);
}

TEST_F(ExecutableTest, StatusBarAppearsAndGoesByTheViewMenu)
{
    Launch("oxvell", {});
    const std::string window = WaitForWindow("Untitled - Oxvell");
    ASSERT_FALSE(window.empty());
    // The bottom rows are the canvas (black) until the status bar shows there.
    auto bottomLight = [](const Screenshot& s) {
        return s.Count(s.height - 10, s.height, [](int r, int g, int b) { return r > 150 && g > 150 && b > 150; });
    };
    const auto before = Shot(window);
    ASSERT_TRUE(before);
    EXPECT_LT(bottomLight(*before), before->width);
    // No other item of the View menu has the mnemonic s: it reaches
    // "&Status Bar" at once.
    Keys(window, "alt+v s");
    const auto shown = Shot(window);
    ASSERT_TRUE(shown);
    EXPECT_GT(bottomLight(*shown), shown->width * 5);
    Keys(window, "alt+v s");
    const auto hidden = Shot(window);
    ASSERT_TRUE(hidden);
    EXPECT_LT(bottomLight(*hidden), hidden->width);
}

TEST_F(ExecutableTest, BadMagicShowsAMessageAndLeavesAnEmptyView)
{
    const std::string file = m_dir.File("bad.oxv");
    WriteField(file);
    auto bytes = test::ReadBytes(file);
    bytes[3] = 0;
    test::WriteBytes(file, bytes);
    Launch("oxvell", {file});
    // The message box comes first, titled with the program's name.
    const std::string box = WaitForWindow("Oxvell");
    ASSERT_FALSE(box.empty());
    // Return answers it (again, if the first key came before the box had
    // the focus). The file that failed never becomes the title: the window
    // stays a new document's.
    const auto boxShown = [&box] {
        return Shell("xdotool search --onlyvisible --name '^Oxvell$' 2>/dev/null").find(box) != std::string::npos;
    };
    for (int attempt = 0; attempt < 20 && boxShown(); ++attempt) Keys(box, "Return");
    ASSERT_FALSE(boxShown());
    const std::string window = WaitForWindow("Untitled - Oxvell");
    ASSERT_FALSE(window.empty());
    EXPECT_TRUE(FindWindow("bad.oxv - Oxvell", 100ms).empty());
    const auto shot = Shot(window);
    ASSERT_TRUE(shot);
    EXPECT_LT(shot->Lit(kMenuHeight), 1000);  // the axis indicator alone
}

TEST_F(ExecutableTest, LevelKeysBrightenTheOriginalColors)
{
    const std::string file = m_dir.File("field.oxv");
    WriteField(file);
    Launch("oxvell", {file});
    const std::string window = WaitForWindow("field.oxv - Oxvell");
    ASSERT_FALSE(window.empty());
    const auto before = Shot(window);
    ASSERT_TRUE(before);
    // Page Down lowers the white level, End the black level: brighter points.
    Keys(window, "Next Next Next End End End");
    const auto after = Shot(window);
    ASSERT_TRUE(after);
    auto brightness = [](const Screenshot& s) {  // of the canvas, below the menu
        long sum = 0;
        for (size_t i = static_cast<size_t>(kMenuHeight) * static_cast<size_t>(s.width) * 3; i < s.rgb.size(); ++i)
            sum += s.rgb[i];
        return sum;
    };
    EXPECT_GT(brightness(*after), brightness(*before) * 12 / 10);
}

TEST_F(ExecutableTest, FileOpenThroughTheDialogTypedPath)
{
    const std::string file = m_dir.File("typed.oxv");
    WriteField(file);
    Launch("oxvell", {});
    const std::string window = WaitForWindow("Untitled - Oxvell");
    ASSERT_FALSE(window.empty());
    Keys(window, "ctrl+o");
    const std::string dialog = WaitForWindow("Open");
    ASSERT_FALSE(dialog.empty());
    Shell("xdotool windowfocus --sync " + dialog + " 2>/dev/null");
    Keys(dialog, "ctrl+l");
    Shell("xdotool type --delay 20 '" + file + "'");
    std::string opened;
    for (int attempt = 0; attempt < 10 && opened.empty(); ++attempt) {
        Keys(dialog, "Return");
        opened = FindWindow("typed.oxv - Oxvell", 1s);
    }
    ASSERT_FALSE(opened.empty());
    const auto shot = Shot(opened);
    ASSERT_TRUE(shot);
    EXPECT_GT(shot->Lit(kMenuHeight), 4000);
}

TEST_F(ExecutableTest, AFileOnTheCommandLineThatCannotBeOpenedEndsTheProgramAfterItsMessage)
{
    Launch("oxvell", {m_dir.File("missing.oxv")});
    const std::string box = WaitForWindow("Oxvell");
    ASSERT_FALSE(box.empty());
    int status = -1;
    for (int attempt = 0; attempt < 20; ++attempt) {
        Keys(box, "Return");
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            break;
        }
        std::this_thread::sleep_for(500ms);
    }
    ASSERT_EQ(m_pid, -1) << "the program did not end";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 0);
}

// Menus opened and closed while a recording plays, under a window manager:
// the toolkit's focus bookkeeping and the menus' paints must be served
// between frames, whose period here is shorter than one frame takes to draw
// and write; Esc then ends the run.
TEST_F(ExecutableTest, MenusOpenDuringARecordingAndEscStopsIt)
{
    // 300,000 points, 0.2 m apart: a frame takes far longer than the period.
    const std::string file = m_dir.File("field.oxv");
    test::WriteSurvey(file, PointFileLayout{}, 600 * 500, [](int32_t i, PointRecord& r) {
        const int32_t x = (i % 600) * 200 - 60000, y = (i / 600) * 200 - 50000;
        r.SetXyz(x, y, (i % 600) * 20);
        r.SetOrigin(x, y, 100000);
        r.SetColor(static_cast<uint8_t>(i % 256), 200, 30);
        r.SetAmplitude(static_cast<uint8_t>((i * 7) % 256));
        r.SetTime(static_cast<double>(i) / 40.0);
        r.SetPose(Pose{{0, 0, 0, x, y, 100000}});
    });
    const std::string frames = m_dir.File("frames");
    std::filesystem::create_directory(frames);
    {
        IniProfile ini(m_dir.File("oxvell.ini"));
        PlaybackTimeline timeline;
        timeline.step = 0.0002;     // thousands of frames of the field
        timeline.interval = 0.001;  // faster than a frame is drawn
        ASSERT_TRUE(SaveTimelineSettings(ini, timeline));
        PlaybackParams params;
        params.recordVideo = 1;
        params.outputFolder = frames;
        ASSERT_TRUE(SavePlaybackParams(ini, params));
    }
    const pid_t wm = ::fork();
    if (wm == 0) {
        ::execlp("openbox", "openbox", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(wm, 0);
    struct Reaper {
        pid_t pid;
        ~Reaper()
        {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    } reaper{wm};
    std::this_thread::sleep_for(1s);

    Launch("oxvell", {file});
    const std::string window = WaitForWindow("field.oxv - Oxvell");
    ASSERT_FALSE(window.empty());
    // View > Video > Playback > Start.
    Keys(window, "alt+v Down Down Down Down Right p Return");
    ASSERT_TRUE(PumpUntilFrames(frames, 5, 20s)) << "the recording did not start";

    auto alive = [this] { return ::waitpid(m_pid, nullptr, WNOHANG) == 0; };
    // The menus drawn white over the dark canvas, below the menu bar.
    auto menuPixels = [] {
        const auto shot = Shot("root");
        if (!shot) return 0;
        return shot->Count(kMenuHeight, shot->height, [](int r, int g, int b) { return r > 230 && g > 230 && b > 230; });
    };
    const int closed = menuPixels();
    const size_t before = FrameFiles(frames);
    for (int round = 0; round < 3; ++round) {
        // View, hovering Video > FPV Camera, Esc three times, then File.
        Keys(window, "alt+v Down Down Down Down Right Down Down Right Escape Escape Escape alt+f");
        const int menu = menuPixels();
        EXPECT_GT(menu, closed + 2000) << "the File menu did not show in round " << round;
        Keys(window, "Escape");
        ASSERT_TRUE(alive()) << "the viewer ended during round " << round;
    }
    // The Escs that closed the menus did not end the run.
    const size_t during = FrameFiles(frames);
    EXPECT_GT(during, before) << "the recording stopped while the menus were used";
    EXPECT_LT(during, 7000u) << "the run was over before it could be stopped";

    std::this_thread::sleep_for(1500ms);
    Keys(window, "Escape");
    std::this_thread::sleep_for(1s);
    const size_t stopped = FrameFiles(frames);
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(FrameFiles(frames), stopped) << "Esc did not stop the recording";
    EXPECT_FALSE(std::filesystem::exists(frames + "/img-00001.png")) << "a frame numbered below 0";
    EXPECT_TRUE(alive());
}

}  // namespace
}  // namespace oxv

namespace oxv {
namespace {

// The exit status, or -1 if the process still runs after `timeout`.
int WaitForExit(pid_t pid, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > end) return -1;
        std::this_thread::sleep_for(50ms);
    }
    return status;
}

void Stop(pid_t pid)
{
    ::kill(pid, SIGCONT);
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}

TEST_F(ExecutableTest, ASecondStartHandsItsFileToTheRunningViewerUnlessItAsksForItsOwnOrGetsNoAnswer)
{
    const std::string first = m_dir.File("first.oxv"), second = m_dir.File("second.oxv");
    WriteField(first);
    WriteField(second);
    const std::string exe = Launch("oxvell", {first});
    ASSERT_FALSE(WaitForWindow("first.oxv - Oxvell").empty());

    // Two starts, one process: the second ends at once and its file opens
    // in the first, which lists it as File > Open would.
    const int status = WaitForExit(test::StartProgram(exe, {second}), 10s);
    ASSERT_NE(status, -1) << "the second start did not end";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_FALSE(WaitForWindow("second.oxv - Oxvell").empty());
    EXPECT_TRUE(FindWindow("first.oxv - Oxvell", 0ms).empty());
    EXPECT_EQ(::waitpid(m_pid, nullptr, WNOHANG), 0) << "the first viewer ended";
    const std::string ini = Text(m_dir.File("oxvell.ini"));
    EXPECT_NE(ini.find("File1=" + second + "\nFile2=" + first + "\n"), std::string::npos) << ini;

    // --new-window: a viewer of its own, the running one keeps its file.
    const pid_t own = test::StartProgram(exe, {"--new-window", first});
    EXPECT_FALSE(WaitForWindow("first.oxv - Oxvell").empty());
    EXPECT_FALSE(FindWindow("second.oxv - Oxvell", 0ms).empty());
    Stop(own);

    // A running viewer that does not answer: after a second the start opens
    // a window of its own.
    ::kill(m_pid, SIGSTOP);
    const auto asked = std::chrono::steady_clock::now();
    const pid_t unanswered = test::StartProgram(exe, {first});
    EXPECT_FALSE(WaitForWindow("first.oxv - Oxvell").empty());
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 15s);
    Stop(unanswered);
    ::kill(m_pid, SIGCONT);
}

}  // namespace
}  // namespace oxv
