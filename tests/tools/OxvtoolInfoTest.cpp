#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "survey/SettingsCodec.h"
#include "tests/support/SurveyFixture.h"
#include "tests/support/OxvtoolRun.h"

namespace oxv {
namespace {

using test::RunOxvtool;
using test::RunResult;

class OxvtoolInfo : public ::testing::Test {
protected:
    void SetUp() override
    {
        layout.origin = GeodeticOrigin{0.9, 0.15, 312.25};
        test::WriteSurvey(dir.File("s.oxv"), layout, 400, [](int32_t i, PointRecord& r) { test::SteadyFlight(i, r); });
    }
    test::ScratchDir dir;
    PointFileLayout layout;
};

TEST_F(OxvtoolInfo, ProgressGoesToStandardErrorOnly)
{
    const std::string quiet = RunOxvtool("info --json " + dir.File("s.oxv")).out;
    const std::string errFile = dir.File("err.txt");
    // Standard error into a file (RunOxvtool discards it).
    const RunResult r = RunOxvtool("info --json --progress " + dir.File("s.oxv") + " 2>" + errFile + "; exit $?");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out, quiet) << "the JSON on standard output is unchanged";
    EXPECT_TRUE(nlohmann::json::accept(r.out));
    const std::vector<uint8_t> err = test::ReadBytes(errFile);
    const std::string text(err.begin(), err.end());
    EXPECT_NE(text.find("info: 100%"), std::string::npos) << text;
}

TEST_F(OxvtoolInfo, JsonDescribesTheOpenedSurvey)
{
    const RunResult r = RunOxvtool("info --json " + dir.File("s.oxv"));
    ASSERT_EQ(r.status, 0) << r.out;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["status"], "ok");
    EXPECT_EQ(j["records"], 400);
    EXPECT_EQ(j["stride"], 16);
    EXPECT_EQ(j["channels"]["pose"], 10);
    EXPECT_EQ(j["origin"]["height"], 312.25);
    EXPECT_EQ(j["origin"]["latitude"].get<double>(), 0.9);
    EXPECT_NEAR(j["origin"]["latitude_deg"].get<double>(), 51.5662, 1e-4) << "the origin in degrees too";
    EXPECT_NEAR(j["origin"]["longitude_deg"].get<double>(), 8.5944, 1e-4);
    EXPECT_EQ(j["stats"]["x"], (nlohmann::json{{"max", 39900}, {"min", 0}, {"valid", 1}}));
    EXPECT_EQ(j["stats"]["range"]["min"], 100000);
    EXPECT_EQ(j["scanner_path"]["count"], 100);
    EXPECT_FALSE(j["scanner_path"].contains("nodes"));
    EXPECT_EQ(j["timeline"]["frames"], 29);  // 0.9975 s / 0.0333
    EXPECT_EQ(j["timeline"]["interval"].get<double>(), 0.0333) << "doubles read back exactly";
    EXPECT_EQ(j["params"]["outputFolder"], nullptr);
    EXPECT_EQ(j["params"]["nearDistance"], 100.0);
}

TEST_F(OxvtoolInfo, FullAddsNodesSpansAndPoses)
{
    const auto j = nlohmann::json::parse(RunOxvtool("info --json --full " + dir.File("s.oxv")).out);
    const auto& nodes = j["scanner_path"]["nodes"];
    ASSERT_EQ(nodes.size(), 100u);
    EXPECT_EQ(nodes[0], (nlohmann::json{100, 0, 0, 90000, 0, 0, 100000})) << "node 0's key holds the count";
    EXPECT_EQ(nodes[1][0], 4);
    const auto& timeline = j["timeline"];
    ASSERT_EQ(timeline["spans"].size(), 29u);
    EXPECT_EQ(timeline["spans"][0], (nlohmann::json{0, 13}));
    ASSERT_EQ(timeline["poses"].size(), 29u);
    EXPECT_EQ(timeline["poses"][0][3], 0);
}

TEST_F(OxvtoolInfo, SettingsComeFromTheIniFile)
{
    PlaybackParams params;
    params.outputFolder = "/frames";
    params.panRate = 2.5;
    const std::string ini = "[PBV]\nData=" + EncodeBinaryValue(EncodePlaybackParams(params).data(), 48) +
                            "\nPath=/frames\n[PBF]\nData=" +
                            EncodeBinaryValue(EncodeTimelineRecord({0, 0, 0, 0.1, 0.05}).data(), 40) + "\n";
    test::WriteBytes(dir.File("o.ini"), std::vector<uint8_t>(ini.begin(), ini.end()));
    const auto j = nlohmann::json::parse(RunOxvtool("info --json --ini " + dir.File("o.ini") + " " + dir.File("s.oxv")).out);
    EXPECT_EQ(j["params"]["outputFolder"], "/frames");
    EXPECT_EQ(j["params"]["panRate"], 2.5);
    EXPECT_EQ(j["timeline"]["interval"].get<double>(), 0.05);
    EXPECT_EQ(j["timeline"]["frames"], 9);  // 0.9975 s / 2 / 0.05
}

// A relative --ini names a file in the working folder, as any other path
// on the command line does.
TEST_F(OxvtoolInfo, RelativeIniIsReadFromTheWorkingFolder)
{
    PlaybackParams params;
    params.panRate = 7.5;
    const std::string ini = "[PBV]\nData=" + EncodeBinaryValue(EncodePlaybackParams(params).data(), 48) + "\n";
    test::WriteBytes(dir.File("rel.ini"), std::vector<uint8_t>(ini.begin(), ini.end()));
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const RunResult r = RunOxvtool("info --ini rel.ini s.oxv");
    std::filesystem::current_path(before);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("pan 7.50 deg/s"), std::string::npos) << r.out;
}

// Named settings that cannot be read are not quietly replaced by defaults.
TEST_F(OxvtoolInfo, IniThatCannotBeReadFailsNamingTheFile)
{
    std::filesystem::create_directory(dir.File("folder.ini"));
    const struct {
        std::string ini;
        std::string reason;
    } cases[] = {
        {dir.File("missing.ini"), "No such file or directory"},
        {dir.File("folder.ini"), "Is a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        const std::string errFile = dir.File("err.txt");
        const RunResult r = RunOxvtool("info --json --ini " + c.ini + " " + dir.File("s.oxv") + " 2>" + errFile + "; exit $?");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "") << "no description of a survey under other settings";
        const std::vector<uint8_t> err = test::ReadBytes(errFile);
        const std::string text(err.begin(), err.end());
        EXPECT_EQ(text, "oxvtool: cannot read settings file " + c.ini + ": " + c.reason + "\n");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing.ini"))) << "reading made no file";
}

TEST_F(OxvtoolInfo, SaysWhyASurveyHasNoTimeline)
{
    test::WriteSurvey(dir.File("long.oxv"), layout, 2, [](int32_t i, PointRecord& r) {
        test::SteadyFlight(i, r);
        r.SetTime(i * 400.0 * 5e6);
    });
    const RunResult r = RunOxvtool("info --json " + dir.File("long.oxv"));
    ASSERT_EQ(r.status, 0);
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["timeline"], nullptr);
    const std::string why =
        "the survey's 5e+06 s at 0.0333 s a frame make 150,150,150 frames, more than the 134,217,728 playback can hold";
    EXPECT_EQ(j["timeline_problem"], why);
    EXPECT_NE(RunOxvtool("info " + dir.File("long.oxv")).out.find("Timeline:   none (" + why + ")"), std::string::npos);
    EXPECT_FALSE(nlohmann::json::parse(RunOxvtool("info --json " + dir.File("s.oxv")).out).contains("timeline_problem"));
}

TEST_F(OxvtoolInfo, FailedLoadReportsItsMessageAndExitsWithOne)
{
    test::WriteBytes(dir.File("bad.oxv"), {0x55, 0x66, 0x77, 0x88});
    const RunResult r = RunOxvtool("info --json " + dir.File("bad.oxv"));
    EXPECT_EQ(r.status, 1);
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["status"], "File format error");
    EXPECT_EQ(j["reason"], "not a point file (first bytes 55 66 77 88)");
    EXPECT_EQ(j["records"], nullptr);
    EXPECT_EQ(j["timeline"], nullptr);
    // The viewer's message, word for word, for info and render alike.
    const std::string message = "File format error\n" + dir.File("bad.oxv") + ": not a point file (first bytes 55 66 77 88)\n";
    const std::string withErrors = " 2>&1 #";  // standard error in the output, the dropping commented out
    EXPECT_EQ(RunOxvtool("info " + dir.File("bad.oxv") + withErrors).out, message);
    const RunResult render = RunOxvtool("render " + dir.File("bad.oxv") + " --out " + dir.File("bad.png") + withErrors);
    EXPECT_EQ(render.status, 1);
    EXPECT_EQ(render.out, message);
    const RunResult missing = RunOxvtool("info " + dir.File("missing.oxv") + withErrors);
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "oxvtool: cannot open " + dir.File("missing.oxv") + ": No such file or directory\n");
    EXPECT_NE(RunOxvtool("info " + dir.File("s.oxv")).out.find("100 nodes"), std::string::npos);
}

}  // namespace
}  // namespace oxv
