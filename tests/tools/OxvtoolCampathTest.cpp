#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "tests/support/NavFixture.h"
#include "tests/support/SurveyFixture.h"
#include "tests/support/OxvtoolRun.h"

namespace oxv {
namespace {

using test::RunOxvtool;
using test::RunResult;

constexpr double kDeg = 0.017453292519943278;

class OxvtoolCampath : public ::testing::Test {
protected:
    void SetUp() override
    {
        PointFileLayout layout;
        layout.origin = GeodeticOrigin{47.0 * kDeg, 8.0 * kDeg, 400.0};
        test::WriteSurvey(dir.File("s.oxv"), layout, 10, [](int32_t i, PointRecord& r) { test::SteadyFlight(i, r); });
        test::WriteNavFolder(nav, {{345600.25, 47.0, 8.0, 450.0, 1.5, -2.25, -12.3456},
                                   {345600.75, 47.0, 8.0001, 450.0, 0.0, 0.0, 90.0},
                                   {345601.25, 47.0001, 8.0001, 449.0, 0.0, 0.0, 180.0}});
    }
    std::string Args(const std::string& extra = "") const
    {
        return "campath " + dir.File("s.oxv") + " " + nav.Path().string() + extra;
    }
    test::ScratchDir dir;
    test::ScratchDir nav;
};

TEST_F(OxvtoolCampath, JsonListsTheNodesAndWhereTheyCameFrom)
{
    const RunResult first = RunOxvtool(Args(" --json"));
    ASSERT_EQ(first.status, 0) << first.out;
    const auto j = nlohmann::json::parse(first.out);
    EXPECT_EQ(j["count"], 3);
    EXPECT_EQ(j["source"], "text");
    ASSERT_EQ(j["nodes"].size(), 3u);
    EXPECT_EQ(j["nodes"][0], (nlohmann::json{3, 1500, -2250, -12345, 0, 0, 50000})) << "node 0's key holds the count";
    EXPECT_EQ(j["nodes"][1][0], 500);
    EXPECT_EQ(j["nodes"][1][3], 90000);
    EXPECT_GT(j["nodes"][1][4], 7000) << "a ten-thousandth of a degree east at 47 degrees is about 7.6 m";
    EXPECT_LT(j["nodes"][1][4], 8000);
    EXPECT_EQ(j["nodes"][2][6], 49000);
    EXPECT_TRUE(std::filesystem::exists(nav.File("cam_path.bin")));

    const auto again = nlohmann::json::parse(RunOxvtool(Args(" --json")).out);
    EXPECT_EQ(again["source"], "cache");
    EXPECT_EQ(again["nodes"], j["nodes"]);
}

TEST_F(OxvtoolCampath, PlainOutputIsTheNodeCount)
{
    const RunResult r = RunOxvtool(Args());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "3\n");
}

// A cache that cannot be written is no failure, but it is said, every run,
// with the reason; a written one is said nothing about.
TEST_F(OxvtoolCampath, ACacheThatCannotBeWrittenIsSaidOnStandardError)
{
    const std::string withErrors = " 2>&1 >/dev/null #";
    const struct {
        const char* name;
        bool blocked;
        std::string expect;
    } cases[] = {
        {"written", false, ""},
        {"a folder in the cache's place", true,
         "oxvtool: note: the camera path is not cached: cannot write " + nav.File("cam_path.bin") +
             ": Is a directory\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(nav.File("cam_path.bin"));
        std::filesystem::remove_all(nav.File("cam_path.src"));
        if (c.blocked) std::filesystem::create_directories(nav.Path() / "cam_path.bin" / "keep");
        for (int run = 0; run < 2; ++run) {
            const RunResult r = RunOxvtool(Args(" --json"));
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(nlohmann::json::parse(r.out)["source"], c.blocked || run == 0 ? "text" : "cache");
            EXPECT_EQ(RunOxvtool(Args() + withErrors).out, c.blocked ? c.expect : "") << "run " << run;
        }
    }
}

TEST_F(OxvtoolCampath, FailuresExitWithStatusOne)
{
    test::ScratchDir empty;
    const RunResult noFiles = RunOxvtool("campath --json " + dir.File("s.oxv") + " " + empty.Path().string());
    EXPECT_EQ(noFiles.status, 1);
    EXPECT_EQ(nlohmann::json::parse(noFiles.out),
              (nlohmann::json{{"count", 0}, {"nodes", nlohmann::json::array()}, {"source", nullptr}}));

    test::WriteText(dir.File("bad.oxv"), "not a survey");
    const RunResult badSurvey = RunOxvtool("campath " + dir.File("bad.oxv") + " " + nav.Path().string());
    EXPECT_EQ(badSurvey.status, 1);
    EXPECT_EQ(badSurvey.out, "");
    EXPECT_FALSE(std::filesystem::exists(nav.File("cam_path.bin"))) << "no import without a survey";
}

}  // namespace
}  // namespace oxv
