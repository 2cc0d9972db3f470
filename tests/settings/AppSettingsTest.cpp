// Where the viewer keeps its settings, and the recent-file list in them.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "settings/AppSettings.h"
#include "tests/support/LogCounter.h"
#include "survey/PlaybackSettings.h"
#include "tests/support/SurveyFixture.h"

namespace oxv {
namespace {

std::string Text(const std::string& path)
{
    const auto bytes = test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text)
{
    test::WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// Another viewer on the same file opens `file`, saves what `alsoSaves`
// saves, and exits, saving its list once more as the viewer does.
void OtherViewerOpens(const std::string& path, const std::string& file,
                      const std::function<void(SettingsFile&)>& alsoSaves = {})
{
    SettingsFile b(path);
    RecentFileList list(4);
    list.Load(b);
    list.Add(file);
    ASSERT_TRUE(b.WriteRecentFiles(list));
    if (alsoSaves) alsoSaves(b);
    ASSERT_TRUE(b.WriteRecentFiles(list));
}

// The recent files a viewer starting now would list.
std::vector<std::string> RecentFilesIn(const std::string& path)
{
    SettingsFile reopened(path);
    RecentFileList list(4);
    list.Load(reopened);
    return list.Files();
}

TEST(AppSettingsTest, RecentListIsNewestFirstWithoutDuplicatesAndBounded)
{
    RecentFileList list(4);
    for (const char* f : {"/a", "/b", "/c", "/d", "/e"}) list.Add(f);
    EXPECT_EQ(list.Files(), (std::vector<std::string>{"/e", "/d", "/c", "/b"}));
    list.Add("/c");
    EXPECT_EQ(list.Files(), (std::vector<std::string>{"/c", "/e", "/d", "/b"}));
    list.Add("");
    list.Remove(1);
    list.Remove(9);
    EXPECT_EQ(list.Files(), (std::vector<std::string>{"/c", "/d", "/b"}));
}

TEST(AppSettingsTest, RecentListLoadsFromKeysFile1ToFile4)
{
    MemoryProfile profile;
    ASSERT_TRUE(profile.WriteString("Recent File List", "File1", "/one.oxv"));
    ASSERT_TRUE(profile.WriteString("Recent File List", "File2", ""));
    ASSERT_TRUE(profile.WriteString("Recent File List", "File3", "/three.oxv"));
    ASSERT_TRUE(profile.WriteString("Recent File List", "File4", "/one.oxv"));
    ASSERT_TRUE(profile.WriteString("Recent File List", "File5", "/five.oxv"));
    RecentFileList list(4);
    list.Load(profile);
    EXPECT_EQ(list.Files(), (std::vector<std::string>{"/one.oxv", "/three.oxv"}));
}

TEST(AppSettingsTest, SettingsFileKeepsThePlainRecentSectionBesidePlaybackSettings)
{
    test::ScratchDir dir;
    const std::string path = dir.File("viewer.ini");
    {
        SettingsFile settings(path);
        RecentFileList list(4);
        list.Add("/surveys/old.oxv");
        list.Add("/surveys/with space.oxv");
        ASSERT_TRUE(settings.WriteRecentFiles(list));
        PlaybackParams params;
        params.outputFolder = "/video out";
        ASSERT_TRUE(SavePlaybackParams(settings, params));
        list.Remove(1);
        ASSERT_TRUE(settings.WriteRecentFiles(list));
    }
    const std::string text = Text(path);
    EXPECT_NE(text.find("[Recent File List]\nFile1=/surveys/with space.oxv\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("File2"), std::string::npos) << text;
    EXPECT_EQ(text.find("Recent\\"), std::string::npos) << text;
    EXPECT_NE(text.find("Path=/video out"), std::string::npos) << text;

    SettingsFile reopened(path);
    RecentFileList list(4);
    list.Load(reopened);
    EXPECT_EQ(list.Files(), std::vector<std::string>{"/surveys/with space.oxv"});
    PlaybackParams params;
    ASSERT_TRUE(LoadPlaybackParams(reopened, params));
    EXPECT_EQ(params.outputFolder, "/video out");
}

// Two viewers running at once: the one that exits last saves its unchanged
// recent-file list on the way out, which must not throw away the list and
// the playback settings the other saved meanwhile.
TEST(AppSettingsTest, ExitingViewerKeepsWhatTheOtherViewerSaved)
{
    test::ScratchDir dir;
    const std::string path = dir.File("viewer.ini");
    WriteText(path, "[Recent File List]\nFile1=/surveys/first.oxv\n");
    {
        SettingsFile a(path);
        RecentFileList aList(4);
        aList.Load(a);
        OtherViewerOpens(path, "/surveys/second.oxv", [](SettingsFile& b) {
            PlaybackParams params;
            params.outputFolder = "/frames of b";
            ASSERT_TRUE(SavePlaybackParams(b, params));
        });
        ASSERT_TRUE(a.WriteRecentFiles(aList));  // a exits
    }
    EXPECT_EQ(RecentFilesIn(path), (std::vector<std::string>{"/surveys/second.oxv", "/surveys/first.oxv"}))
        << Text(path);
    SettingsFile reopened(path);
    PlaybackParams params;
    ASSERT_TRUE(LoadPlaybackParams(reopened, params));
    EXPECT_EQ(params.outputFolder, "/frames of b");
}

// A viewer that opens a file after another viewer opened one keeps the
// other's file in the list, below its own.
TEST(AppSettingsTest, OpeningAFileKeepsWhatTheOtherViewerOpenedMeanwhile)
{
    test::ScratchDir dir;
    const std::string path = dir.File("viewer.ini");
    WriteText(path, "[Recent File List]\nFile1=/surveys/first.oxv\n");
    SettingsFile a(path);
    RecentFileList aList(4);
    aList.Load(a);
    OtherViewerOpens(path, "/surveys/second.oxv");
    ASSERT_TRUE(a.UpdateRecentFiles(aList, [](RecentFileList& list) { list.Add("/surveys/third.oxv"); }));
    const std::vector<std::string> expected = {"/surveys/third.oxv", "/surveys/second.oxv", "/surveys/first.oxv"};
    EXPECT_EQ(aList.Files(), expected);
    EXPECT_EQ(RecentFilesIn(path), expected) << Text(path);

    // With no file to read, the list is what the viewer held.
    std::filesystem::remove(path);
    ASSERT_TRUE(a.UpdateRecentFiles(aList, [](RecentFileList&) {}));
    EXPECT_EQ(aList.Files(), expected);
}

// Four viewers started at once, each with a file: every round, all four
// files are in the list afterwards.
TEST(AppSettingsTest, ViewersOpeningFilesAtTheSameMomentAllKeepTheirs)
{
    test::ScratchDir dir;
    const std::string path = dir.File("viewer.ini");
    constexpr int kViewers = 4;
    for (int round = 0; round < 5; ++round) {
        WriteText(path, "[PBF]\nData=x\n");
        int go[2];
        ASSERT_EQ(pipe(go), 0);
        std::vector<pid_t> children;
        for (int v = 0; v < kViewers; ++v) {
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                close(go[1]);
                // Started: the file read as it was, then all open at once.
                SettingsFile settings(path);
                RecentFileList list(4);
                list.Load(settings);
                char c;
                if (read(go[0], &c, 1) != 0) _exit(3);
                const std::string file = "/surveys/viewer" + std::to_string(v) + ".oxv";
                const bool ok = settings.UpdateRecentFiles(list, [&](RecentFileList& l) { l.Add(file); });
                _exit(ok ? 0 : 1);
            }
            children.push_back(child);
        }
        close(go[0]);
        usleep(100000);
        close(go[1]);  // every child's read ends at once
        for (pid_t child : children) {
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        std::vector<std::string> files = RecentFilesIn(path);
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, (std::vector<std::string>{"/surveys/viewer0.oxv", "/surveys/viewer1.oxv",
                                                   "/surveys/viewer2.oxv", "/surveys/viewer3.oxv"}))
            << "round " << round << "\n" << Text(path);
    }
}

// A hand-edited file may mark a recent file unchangeable ("!File1="); the
// list is still written and nothing is logged for the user to click away.
TEST(AppSettingsTest, RecentListOverAnUnchangeableEntryIsWrittenWithoutAWarning)
{
    test::ScratchDir dir;
    const std::string path = dir.File("viewer.ini");
    WriteText(path, "[Recent File List]\n!File1=/locked.oxv\n");
    test::LogCounter logs;
    {
        SettingsFile settings(path);
        RecentFileList list(4);
        list.Add("/surveys/new.oxv");
        ASSERT_TRUE(settings.WriteRecentFiles(list));
    }
    EXPECT_EQ(logs.records, 0) << Text(path);
    EXPECT_EQ(RecentFilesIn(path), std::vector<std::string>{"/surveys/new.oxv"}) << Text(path);
}

}  // namespace
}  // namespace oxv
