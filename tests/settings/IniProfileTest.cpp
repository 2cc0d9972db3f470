#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/init.h>

#include <filesystem>

#include "settings/IniProfile.h"
#include "settings/IniText.h"
#include "tests/support/LogCounter.h"
#include "survey/PlaybackSettings.h"
#include "survey/SettingsCodec.h"
#include "tests/support/SurveyFixture.h"

namespace oxv {
namespace {

std::string Text(const std::string& path)
{
    const auto bytes = test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

class IniProfileTest : public ::testing::Test {
protected:
    wxInitializer wx;
    test::ScratchDir dir;
};

TEST_F(IniProfileTest, WritesSectionsKeysAndValuesVerbatim)
{
    const std::string ini = dir.File("oxvell.ini");
    PlaybackParams params;
    params.outputFolder = "/data/a b\\c";
    {
        IniProfile profile(ini);
        ASSERT_TRUE(SavePlaybackParams(profile, params));
    }
    const std::string text = Text(ini);
    EXPECT_NE(text.find("[PBV]"), std::string::npos) << text;
    EXPECT_NE(text.find("Data=" + EncodeBinaryValue(EncodePlaybackParams(params).data(), 48)), std::string::npos) << text;
    EXPECT_NE(text.find("Path=/data/a b\\c"), std::string::npos) << text;

    IniProfile reopened(ini);
    PlaybackParams loaded;
    ASSERT_TRUE(LoadPlaybackParams(reopened, loaded));
    EXPECT_EQ(loaded.outputFolder, params.outputFolder);
}

TEST_F(IniProfileTest, ReadsAHandWrittenFile)
{
    const std::string ini = dir.File("hand.ini");
    const std::string text =
        "[Recent File List]\r\nFile1=/surveys/a.oxv\r\n[PBF]\r\nData=" +
        EncodeBinaryValue(EncodeTimelineRecord(TimelineRecord{0, 0, 0, 0.08, 0.04}).data(), 40) + "\r\n";
    test::WriteBytes(ini, std::vector<uint8_t>(text.begin(), text.end()));
    IniProfile profile(ini);
    TimelineRecord record;
    ASSERT_TRUE(LoadTimelineSettings(profile, record));
    EXPECT_EQ(record.step, 0.08);
    EXPECT_EQ(profile.ReadString("Recent File List", "File1"), "/surveys/a.oxv");
}

TEST_F(IniProfileTest, UnwritableFileKeepsValuesForTheSessionAndTheOldFileWhole)
{
    const std::string ini = dir.File("blocked/oxvell.ini");
    test::WriteBytes(dir.File("blocked"), {1, 2, 3});  // the folder is a file
    IniProfile profile(ini);
    EXPECT_FALSE(profile.WriteString("PBV", "Path", "/x"));
    EXPECT_EQ(profile.ReadString("PBV", "Path"), "/x");
    EXPECT_EQ(test::ReadBytes(dir.File("blocked")), (std::vector<uint8_t>{1, 2, 3}));
}

// Counts the toolkit's assertion reports while it lives.
class AssertCounter {
public:
    AssertCounter() : m_previous(wxSetAssertHandler(&AssertCounter::Count)) { s_count = 0; }
    ~AssertCounter() { wxSetAssertHandler(m_previous); }
    int Reports() const { return s_count; }

private:
    static void Count(const wxString&, int, const wxString&, const wxString&, const wxString&) { ++s_count; }
    static inline int s_count = 0;
    wxAssertHandler_t m_previous;
};

// Hand-edited settings may name a section twice; its keys are read from
// both, a write keeps the file readable, and none of it is reported as a
// fault (the toolkit's report is an assertion with a stack trace on stderr).
TEST_F(IniProfileTest, SectionNamedTwiceIsReadWholeAndWrittenBackWithoutAReport)
{
    const std::string ini = dir.File("twice.ini");
    const std::string text = "[PBV]\nPath=/frames\n[Recent File List]\nFile1=/a.oxv\n[PBV]\nOther=1\n";
    test::WriteBytes(ini, std::vector<uint8_t>(text.begin(), text.end()));
    AssertCounter asserts;
    {
        IniProfile profile(ini);
        EXPECT_EQ(profile.ReadString("PBV", "Path"), "/frames");
        EXPECT_EQ(profile.ReadString("PBV", "Other"), "1");
        EXPECT_EQ(profile.ReadString("Recent File List", "File1"), "/a.oxv");
        EXPECT_TRUE(profile.WriteString("PBV", "Path", "/video"));
    }
    IniProfile reopened(ini);
    EXPECT_EQ(reopened.ReadString("PBV", "Path"), "/video");
    EXPECT_EQ(reopened.ReadString("Recent File List", "File1"), "/a.oxv");
    EXPECT_EQ(asserts.Reports(), 0) << Text(ini);
}

using test::LogCounter;

// Output folders are paths as the user typed them: a '$' is a character of
// the name, not a variable of the environment to put in its place.
TEST_F(IniProfileTest, DollarSignsInValuesAreKeptVerbatim)
{
    const std::string ini = dir.File("oxvell.ini");
    const std::vector<std::string> folders = {"$HOME/frames", "/data/$(broken", "/v/${PATH}", "/a/$$/b", "/x/%HOME%"};
    LogCounter logs;
    for (size_t i = 0; i < folders.size(); ++i) {
        const std::string key = "Path" + std::to_string(i);
        {
            IniProfile profile(ini);
            ASSERT_TRUE(profile.WriteString("PBV", key, folders[i]));
            EXPECT_EQ(profile.ReadString("PBV", key), folders[i]);
        }
        IniProfile reopened(ini);
        EXPECT_EQ(reopened.ReadString("PBV", key), folders[i]);
    }
    EXPECT_EQ(logs.records, 0);
}

// The file is UTF-8. Bytes in it that are not (a name typed in Latin-1)
// garble nothing: the UTF-8 around them reads right, they read as the
// bytes they are, and every later write keeps them byte for byte.
TEST_F(IniProfileTest, BytesThatAreNotUtf8AreKeptAndTheTextAroundThemReadsRight)
{
    struct Case {
        const char* name;
        std::string text;
        const char* section;
        const char* key;
        std::string value;
    };
    const std::string flight = "/surveys/\xC3\x9C" "berflug.oxv";  // "Überflug" in UTF-8
    const Case cases[] = {
        {"Latin-1 in another section", "[Notes]\nBy=Ren\xE9\n[Recent File List]\nFile1=" + flight + "\n",
         "Recent File List", "File1", flight},
        {"Latin-1 before an output folder", "[Notes]\nBy=Ren\xE9\n[PBV]\nPath=/tmp/frames-\xC3\x9C" "berflug\n",
         "PBV", "Path", "/tmp/frames-\xC3\x9C" "berflug"},
        {"the value's own Latin-1 byte", "[PBV]\nPath=/tmp/frames-\xDC" "berflug\n", "PBV", "Path",
         "/tmp/frames-\xDC" "berflug"},
        {"broken sequences beside a whole one",
         "[X]\nK=\x80|\xE2\x82|\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\xE2\x82\xAC\n", "X", "K",
         "\x80|\xE2\x82|\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\xE2\x82\xAC"},
        {"a byte-order mark", "\xEF\xBB\xBF[PBV]\nPath=/tmp/\xC3\xA9t\xE9\n", "PBV", "Path",
         "/tmp/\xC3\xA9t\xE9"},
    };
    const std::string ini = dir.File("oxvell.ini");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteBytes(ini, std::vector<uint8_t>(c.text.begin(), c.text.end()));
        {
            IniProfile profile(ini);
            EXPECT_EQ(profile.ReadString(c.section, c.key), c.value);
            ASSERT_TRUE(profile.WriteString("PBF", "Data", "x"));
            // A value of ours with such a byte is written as it is, too.
            ASSERT_TRUE(profile.WriteString("Mine", "Folder", "/frames-\xE9"));
        }
        const std::string after = Text(ini);
        EXPECT_EQ(after.rfind(c.text, 0), 0u) << "the file's own bytes changed:\n" << after;
        IniProfile reopened(ini);
        EXPECT_EQ(reopened.ReadString(c.section, c.key), c.value);
        EXPECT_EQ(reopened.ReadString("PBF", "Data"), "x");
        EXPECT_EQ(reopened.ReadString("Mine", "Folder"), "/frames-\xE9");
    }
}

// A settings file reached through a symbolic link: the link stays, and the
// file it names (however it names it) gets every write.
TEST_F(IniProfileTest, WritesGoThroughASymbolicLinkToTheFileItNames)
{
    namespace fs = std::filesystem;
    struct Case {
        const char* name;
        std::string target;  // as the link gives it
        std::string chainVia;  // a second link in between, when not empty
        bool targetExists;
    };
    const std::string shared = dir.File("shared");
    fs::create_directory(shared);
    const Case cases[] = {
        {"absolute, into another folder", shared + "/oxvell.ini", "", true},
        {"relative", "shared/oxvell.ini", "", true},
        {"a chain of two", shared + "/oxvell.ini", dir.File("middle.ini"), true},
        {"to a file not there yet", shared + "/oxvell.ini", "", false},
    };
    const std::string link = dir.File("oxvell.ini");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(link);
        if (!c.chainVia.empty()) fs::remove(c.chainVia);
        fs::remove(shared + "/oxvell.ini");
        if (c.targetExists) test::WriteBytes(shared + "/oxvell.ini", {'[', 'K', ']', '\n', 'A', '=', '1', '\n'});
        if (c.chainVia.empty()) {
            fs::create_symlink(c.target, link);
        } else {
            fs::create_symlink(c.target, c.chainVia);
            fs::create_symlink(c.chainVia, link);
        }
        {
            IniProfile profile(link);
            ASSERT_TRUE(profile.WriteString("PBV", "Path", "/frames"));
        }
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_TRUE(c.chainVia.empty() || fs::is_symlink(c.chainVia));
        const std::string text = Text(shared + "/oxvell.ini");
        EXPECT_NE(text.find("Path=/frames"), std::string::npos) << text;
        EXPECT_EQ(c.targetExists, text.find("A=1") != std::string::npos) << text;
        size_t files = 0;
        for (const fs::path& folder : {dir.Path(), fs::path(shared)})
            for (const auto& entry : fs::directory_iterator(folder))
                files += entry.is_regular_file() && !entry.is_symlink() ? 1 : 0;
        EXPECT_EQ(files, 1u) << "a temporary file left, or a copy beside the link";
    }
}

// The toolkit reads "!Key=" as a key it must never change. A write to it
// fails (the file keeps its value) without a warning, which the viewer
// would show as a message box.
TEST_F(IniProfileTest, KeyMarkedUnchangeableFailsItsWriteQuietly)
{
    const std::string ini = dir.File("oxvell.ini");
    const std::string text = "[PBV]\n!Path=/old\n";
    test::WriteBytes(ini, std::vector<uint8_t>(text.begin(), text.end()));
    LogCounter logs;
    IniProfile profile(ini);
    EXPECT_FALSE(profile.WriteString("PBV", "Path", "/new"));
    EXPECT_TRUE(profile.WriteString("PBV", "Other", "1"));
    EXPECT_EQ(logs.records, 0);
}

TEST_F(IniProfileTest, GarbageFileReadsAsMostlyEmpty)
{
    const std::string ini = dir.File("garbage.ini");
    std::vector<uint8_t> junk;
    for (int i = 0; i < 5000; ++i) junk.push_back(static_cast<uint8_t>((i * 7919) % 251));
    test::WriteBytes(ini, junk);
    IniProfile profile(ini);
    PlaybackParams params;
    EXPECT_FALSE(LoadPlaybackParams(profile, params));
}

TEST(IniTextTest, SectionHeadersAreWrittenPlain)
{
    EXPECT_EQ(PlainSectionHeaders("[Recent\\ File\\ List]\nFile1=/a\\ b\n[PBV]\nPath=c:\\ x\n"),
              "[Recent File List]\nFile1=/a\\ b\n[PBV]\nPath=c:\\ x\n");
    EXPECT_EQ(PlainSectionHeaders("no newline"), "no newline");
}

}  // namespace
}  // namespace oxv
