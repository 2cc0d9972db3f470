// `oxvtool demo` as a user runs it: the same seed gives the same files, a
// channel list leaves out exactly what it does not name, bad lists fail.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "survey/PointFile.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/OxvtoolRun.h"

namespace oxv {
namespace {

using test::RunOxvtool;
using test::RunResult;

class OxvtoolDemo : public ::testing::Test {
protected:
    std::string Make(const std::string& name, const std::string& options)
    {
        const std::string folder = dir.File(name);
        const RunResult r = RunOxvtool("demo " + folder + " --points 20000 " + options);
        EXPECT_EQ(r.status, 0) << r.out;
        return folder;
    }
    test::ScratchDir dir;
};

TEST_F(OxvtoolDemo, SameSeedSameFilesOtherSeedOtherSurvey)
{
    const std::string a = Make("a", "--seed 5"), b = Make("b", "--seed 5"), c = Make("c", "--seed 6");
    for (const char* file : {"survey.oxv", "navx.txt", "geo.txt", "gps_tw.txt"}) {
        const auto fa = test::ReadBytes(a + "/" + file);
        ASSERT_FALSE(fa.empty()) << file;
        EXPECT_EQ(fa, test::ReadBytes(b + "/" + file)) << file;
    }
    EXPECT_NE(test::ReadBytes(a + "/survey.oxv"), test::ReadBytes(c + "/survey.oxv"));
    // Nothing half-written is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(a))
        EXPECT_EQ(entry.path().extension().string().find("part"), std::string::npos) << entry.path();
}

TEST_F(OxvtoolDemo, ChannelListKeepsOnlyTheNamedChannelsWithTheSameValues)
{
    const std::string full = Make("full", "--seed 2");
    const std::string part = Make("part", "--seed 2 --channels xyz,time,pose");
    const RunResult info = RunOxvtool("info --json " + part + "/survey.oxv");
    ASSERT_EQ(info.status, 0) << info.out;
    const auto j = nlohmann::json::parse(info.out);
    EXPECT_EQ(j["records"], 20000);
    EXPECT_EQ(j["stride"], 11);
    EXPECT_EQ(j["channels"]["origin"], -1);
    EXPECT_EQ(j["channels"]["colour"], -1);
    EXPECT_EQ(j["channels"]["amplitude"], -1);
    EXPECT_GE(j["channels"]["time"], 0);
    EXPECT_GE(j["channels"]["pose"], 0);

    // Same pulses, fewer words per record.
    const auto f = test::ReadBytes(full + "/survey.oxv");
    const auto p = test::ReadBytes(part + "/survey.oxv");
    ASSERT_EQ(f.size(), kPointHeaderSize + 20000u * 64u);
    ASSERT_EQ(p.size(), kPointHeaderSize + 20000u * 44u);
    EXPECT_EQ(std::memcmp(f.data() + 96, p.data() + 96, 24), 0);  // the same geodetic origin
    for (size_t i = 0; i < 20000; i += 101) {
        const uint8_t* rf = f.data() + kPointHeaderSize + 64 * i;
        const uint8_t* rp = p.data() + kPointHeaderSize + 44 * i;
        ASSERT_EQ(std::memcmp(rf, rp, 12), 0) << i;               // xyz
        ASSERT_EQ(std::memcmp(rf + 32, rp + 12, 8), 0) << i;      // time
        ASSERT_EQ(std::memcmp(rf + 40, rp + 20, 24), 0) << i;     // pose
    }
    // Only xyz: the minimal survey still opens.
    const std::string bare = Make("bare", "--seed 2 --channels xyz");
    EXPECT_EQ(test::ReadBytes(bare + "/survey.oxv").size(), kPointHeaderSize + 20000u * 12u);
}

TEST_F(OxvtoolDemo, BadArgumentsFailWithoutWritingAnything)
{
    for (const char* args : {"--channels time,pose", "--channels xyz,height", "--points 0", "--points -5"}) {
        const std::string folder = dir.File("bad");
        const RunResult r = RunOxvtool("demo " + folder + " " + args);
        EXPECT_NE(r.status, 0) << args;
        EXPECT_FALSE(std::filesystem::exists(folder + "/survey.oxv")) << args;
    }
}

}  // namespace
}  // namespace oxv
