// Two viewers over one settings file: each write changes only its own keys
// in the file as it is at that moment, whole or not at all.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/init.h>

#include <filesystem>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "settings/IniProfile.h"
#include "tests/support/ScratchDir.h"

namespace oxv {
namespace {

void WriteText(const std::string& path, const std::string& text)
{
    test::WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string Text(const std::string& path)
{
    const auto bytes = test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

class IniSharingTest : public ::testing::Test {
protected:
    wxInitializer wx;
    test::ScratchDir dir;
    const std::string ini = dir.File("oxvell.ini");
};

TEST_F(IniSharingTest, EachViewerWritesOnlyItsOwnKeys)
{
    WriteText(ini, "[PBV]\nPath=/old\nSpeed=100\n[Recent File List]\nFile1=/old.oxv\n");
    IniProfile a(ini);
    IniProfile b(ini);
    ASSERT_TRUE(b.WriteString("PBV", "Path", "/newer"));
    ASSERT_TRUE(b.ReplaceSection("Recent File List", {{"File1", "/b.oxv"}, {"File2", "/old.oxv"}}));
    ASSERT_TRUE(a.WriteString("PBV", "Speed", "50"));
    ASSERT_TRUE(a.WriteString("PBF", "Data", "a"));
    // A's list is the one it read: saving it on the way out changes nothing.
    ASSERT_TRUE(a.ReplaceSection("Recent File List", {{"File1", "/old.oxv"}}));
    EXPECT_EQ(a.ReadString("PBV", "Path"), "/old") << "reads stay as loaded";

    IniProfile after(ini);
    EXPECT_EQ(after.ReadString("PBV", "Path"), "/newer") << Text(ini);
    EXPECT_EQ(after.ReadString("PBV", "Speed"), "50");
    EXPECT_EQ(after.ReadString("PBF", "Data"), "a");
    EXPECT_EQ(after.ReadString("Recent File List", "File1"), "/b.oxv");
    EXPECT_EQ(after.ReadString("Recent File List", "File2"), "/old.oxv");
    EXPECT_NE(Text(ini).find("[Recent File List]\n"), std::string::npos) << "headers stay plain";

    // A list A changed replaces the whole section, and nothing else.
    ASSERT_TRUE(a.ReplaceSection("Recent File List", {{"File1", "/a.oxv"}}));
    IniProfile last(ini);
    EXPECT_EQ(last.ReadString("Recent File List", "File1"), "/a.oxv");
    EXPECT_EQ(last.ReadString("Recent File List", "File2"), std::nullopt);
    EXPECT_EQ(last.ReadString("PBV", "Path"), "/newer");
}

TEST_F(IniSharingTest, AFailedWriteIsRetriedWithoutOverwritingNewerKeys)
{
    WriteText(ini, "[PBV]\nPath=/old\n");
    IniProfile a(ini);
    std::filesystem::remove(ini);
    std::filesystem::create_directory(ini);  // nothing can be renamed over it
    EXPECT_FALSE(a.WriteString("PBF", "Data", "a"));
    std::filesystem::remove(ini);
    {
        IniProfile b(ini);
        ASSERT_TRUE(b.WriteString("PBV", "Path", "/newer"));
    }
    ASSERT_TRUE(a.Flush());
    IniProfile after(ini);
    EXPECT_EQ(after.ReadString("PBF", "Data"), "a");
    EXPECT_EQ(after.ReadString("PBV", "Path"), "/newer") << Text(ini);
}

// Whatever stands at the file's name when a write comes, the write keeps
// this viewer's keys or changes nothing, and never waits on it.
TEST_F(IniSharingTest, FileThatCannotBeReReadKeepsThisViewersWrites)
{
    struct Case {
        const char* name;
        void (*replace)(const std::string& path);
        bool written;
        bool keepsWhatItRead;  // else the bytes that replaced the file stay, and this viewer's write joins them
    };
    const Case cases[] = {
        {"bytes that are no text",
         [](const std::string& path) {
             // A UTF-32 byte-order mark before code points that do not exist.
             test::WriteBytes(path, {0xFF, 0xFE, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F});
         },
         true, false},
        {"named pipe", [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }, true, true},
        {"folder", [](const std::string& path) { std::filesystem::create_directory(path); }, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(ini);
        WriteText(ini, "[PBV]\nPath=/mine\n");
        IniProfile a(ini);
        std::filesystem::remove(ini);
        c.replace(ini);
        EXPECT_EQ(a.WriteString("PBF", "Data", "a"), c.written);
        EXPECT_EQ(a.ReadString("PBF", "Data"), "a");
        if (c.written) {
            IniProfile after(ini);
            EXPECT_EQ(after.ReadString("PBF", "Data"), "a") << Text(ini);
            if (c.keepsWhatItRead) {
                EXPECT_EQ(after.ReadString("PBV", "Path"), "/mine");
            } else {
                const auto bytes = test::ReadBytes(ini);
                // Up to its first NUL, where the library ends a line.
                const std::vector<uint8_t> kept = {0xFF, 0xFE};
                EXPECT_NE(std::search(bytes.begin(), bytes.end(), kept.begin(), kept.end()), bytes.end()) << Text(ini);
            }
        } else {
            EXPECT_TRUE(std::filesystem::is_directory(ini));
        }
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            left.push_back(entry.path().filename().string());
        EXPECT_EQ(left, std::vector<std::string>{"oxvell.ini"}) << "no temporary file left";
    }
}

// Two processes writing their own keys at the same time, many times over:
// no key of either is lost to the other's rename.
TEST_F(IniSharingTest, TwoProcessesWritingAtOnceKeepEveryKey)
{
    constexpr int kWrites = 40;
    WriteText(ini, "[Shared]\nKeep=1\n");
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    const std::string me = child == 0 ? "B" : "A";
    {
        IniProfile profile(ini);
        if (child == 0) {
            char c;
            close(go[1]);
            if (read(go[0], &c, 1) != 1) _exit(3);
        } else {
            close(go[0]);
            EXPECT_EQ(write(go[1], "x", 1), 1);
            close(go[1]);
        }
        bool ok = true;
        for (int i = 0; i < kWrites; ++i) ok = profile.WriteString(me, "Key" + std::to_string(i), std::to_string(i)) && ok;
        if (child == 0) _exit(ok ? 0 : 1);
        EXPECT_TRUE(ok);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    IniProfile after(ini);
    EXPECT_EQ(after.ReadString("Shared", "Keep"), "1");
    int missing = 0;
    for (const char* who : {"A", "B"})
        for (int i = 0; i < kWrites; ++i)
            if (after.ReadString(who, "Key" + std::to_string(i)) != std::to_string(i)) ++missing;
    EXPECT_EQ(missing, 0) << Text(ini);
}

}  // namespace
}  // namespace oxv
