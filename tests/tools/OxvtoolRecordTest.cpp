// oxvtool record on the demo survey: the files of a whole run, their size,
// the first-person numbering, and refusals that leave nothing behind.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "tests/support/NavFixture.h"
#include "tests/support/OxvtoolRun.h"
#include "tests/support/SurveyFixture.h"

namespace oxv {
namespace {

using test::RunOxvtool;
using test::RunResult;

// Frame numbers of the img*.png files in `folder`; -1 marks any other file.
std::set<int> FrameNumbers(const std::filesystem::path& folder)
{
    std::set<int> numbers;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        int n = 0;
        char tail[8] = {};
        if (name.size() == 13 && std::sscanf(name.c_str(), "img%6d%7s", &n, tail) == 2 && std::string(tail) == ".png")
            numbers.insert(n);
        else
            numbers.insert(-1);
    }
    return numbers;
}

// Width and height from a PNG's header chunk.
std::pair<uint32_t, uint32_t> PngSize(const std::string& path)
{
    const std::vector<uint8_t> b = test::ReadBytes(path);
    if (b.size() < 24) return {0, 0};
    auto be = [&](size_t at) {
        return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | uint32_t{b[at + 3]};
    };
    return {be(16), be(20)};
}

class OxvtoolRecord : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        demo = new test::ScratchDir;
        ASSERT_EQ(RunOxvtool("demo " + demo->Path().string() + " --points 20000").status, 0);
    }
    static void TearDownTestSuite()
    {
        delete demo;
        demo = nullptr;
    }
    static std::string Survey() { return demo->File("survey.oxv"); }
    static test::ScratchDir* demo;
    test::ScratchDir out;
};

test::ScratchDir* OxvtoolRecord::demo = nullptr;

TEST_F(OxvtoolRecord, AWholeRunSkipsOnlyTheNumberBeforeTheLast)
{
    const RunResult r = RunOxvtool("record " + Survey() + " --out " + out.Path().string() +
                                   " --size 161x90 --speed 2000 --period 100 --grid --scanner-path");
    ASSERT_EQ(r.status, 0);
    const std::set<int> numbers = FrameNumbers(out.Path());
    ASSERT_GE(numbers.size(), 4u);
    ASSERT_EQ(numbers.count(-1), 0u);
    const int last = *numbers.rbegin();
    for (int k = 0; k <= last; ++k) EXPECT_EQ(numbers.count(k), k == last - 1 ? 0u : 1u) << k;
    char name[32];
    for (int k : numbers) {
        std::snprintf(name, sizeof name, "img%06d.png", k);
        EXPECT_EQ(PngSize(out.File(name)), (std::pair<uint32_t, uint32_t>{161, 90})) << name;
    }
    // The video line: the frame period's rate, every frame by a glob, odd sides padded.
    EXPECT_NE(r.out.find("ffmpeg -framerate 1000/100 -pattern_type glob -i '" + out.Path().string() + "/img*.png'"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("pad="), std::string::npos);
}

// A short navigation folder over a small survey: n nodes, files 1 .. n-1.
TEST_F(OxvtoolRecord, FirstPersonFramesCountTheCameraPathNodes)
{
    constexpr double kDeg = 0.017453292519943278;
    test::ScratchDir scratch, nav;
    PointFileLayout layout;
    layout.origin = GeodeticOrigin{47.0 * kDeg, 8.0 * kDeg, 400.0};
    test::WriteSurvey(scratch.File("s.oxv"), layout, 400, [](int32_t i, PointRecord& r) { test::SteadyFlight(i, r); });
    std::vector<test::NavEpoch> epochs;
    for (int i = 0; i < 7; ++i) epochs.push_back({345600.25 + i * 0.5, 47.0, 8.0 + i * 1e-5, 450.0, 0.0, 0.0, 90.0});
    test::WriteNavFolder(nav, epochs);
    const std::string survey = scratch.File("s.oxv");
    const RunResult path = RunOxvtool("campath " + survey + " " + nav.Path().string() + " --json");
    ASSERT_EQ(path.status, 0);
    const int nodes = nlohmann::json::parse(path.out)["count"];
    ASSERT_GE(nodes, 3);
    const RunResult r =
        RunOxvtool("record " + survey + " --out " + out.Path().string() + " --size 64x48 --fpv " + nav.Path().string());
    ASSERT_EQ(r.status, 0);
    std::set<int> expected;
    for (int k = 1; k < nodes; ++k) expected.insert(k);
    EXPECT_EQ(FrameNumbers(out.Path()), expected);
    EXPECT_NE(r.out.find("-framerate 1000/10 "), std::string::npos) << r.out;
}

TEST_F(OxvtoolRecord, BadOptionsAndUnreadableSurveysWriteNothing)
{
    test::ScratchDir scratch;
    test::WriteBytes(scratch.File("garbage.oxv"), std::vector<uint8_t>(300, 0x5a));
    PointFileLayout noTime;
    noTime.channels.time = -1;
    test::WriteSurvey(scratch.File("notime.oxv"), noTime, 50, [](int32_t i, PointRecord& r) { r.SetXyz(i, i, i); });
    const std::string target = out.File("frames");
    const std::string ok = Survey() + " --out " + target;
    // A wrong command line exits with 2, work that cannot be done with 1.
    const std::vector<std::pair<std::string, int>> cases = {
        {ok + " --size 0x10", 2},           {ok + " --size 64", 2},           {ok + " --size 20000x10", 2},
        {ok + " --speed 0", 2},             {ok + " --speed -5", 2},          {ok + " --speed fast", 2},
        {ok + " --period 0", 2},            {ok + " --period 33.5", 2},       {ok + " --track 2", 2},
        {ok + " --auto yes", 2},            {ok + " --near far", 2},          {ok + " --pan-rate nan", 2},
        {ok + " --color purple", 2},        {ok + " --point-size 6", 2},      {ok + " --ini " + scratch.File("none.ini"), 1},
        {ok + " --fpv " + scratch.File("none"), 1}, {ok + " --fpv " + scratch.Path().string(), 1},
        {Survey(), 2},                      // no --out
        {"--out " + target, 2},             // no survey
        {scratch.File("missing.oxv") + " --out " + target, 1},
        {scratch.File("garbage.oxv") + " --out " + target, 1},
        {scratch.File("notime.oxv") + " --out " + target, 1},
    };
    for (const auto& [c, status] : cases) {
        EXPECT_EQ(RunOxvtool("record " + c).status, status) << c;
        EXPECT_FALSE(std::filesystem::exists(target)) << c;
    }
}

}  // namespace
}  // namespace oxv
