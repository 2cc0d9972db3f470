#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/init.h>

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

// Bytes that decode to no character: a value holding them reads as absent,
// the file cannot be written back, so the write fails quietly, the value is
// kept for the session and the file stays.
TEST_F(IniProfileTest, FileWithUndecodableBytesIsKeptAndTheWriteFailsQuietly)
{
    const std::string ini = dir.File("oxvell.ini");
    const std::vector<uint8_t> bytes = {'[', 'P', 'B', 'V', ']', '\n', 'O', 'l', 'd', '=', '/', 0xF4, 0xAF,
                                        0xA2, 0xB9, '\n', 'K', '=', 'v', '\n'};
    test::WriteBytes(ini, bytes);
    AssertCounter asserts;
    LogCounter logs;
    {
        IniProfile profile(ini);
        EXPECT_EQ(profile.ReadString("PBV", "Old"), std::nullopt);
        EXPECT_EQ(profile.ReadString("PBV", "K"), "v");
        const bool written = profile.WriteString("PBV", "Path", "/frames");
        EXPECT_EQ(profile.ReadString("PBV", "Path"), "/frames");
        if (!written) {
            EXPECT_EQ(test::ReadBytes(ini), bytes);
        }
    }
    EXPECT_EQ(asserts.Reports(), 0);
    EXPECT_EQ(logs.records, 0);
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
