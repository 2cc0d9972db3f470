// The command line every subcommand shares: exit statuses a script can rely
// on (0 done, 1 the work failed, 2 a usage error) and messages of our own for
// option values that will not do.

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tools/oxvtool/FrameRateOption.h"
#include "tests/support/OxvtoolRun.h"
#include "tests/support/ScratchDir.h"

namespace oxv {
namespace {

using test::RunOxvtool;

TEST(OxvtoolCommandLine, EverySubcommandTellsUsageErrorsFromFailedWork)
{
    test::ScratchDir dir;
    const std::string missing = dir.File("missing.oxv");
    const std::string out = " --out " + dir.File("o.png");
    const std::pair<std::string, int> cases[] = {
        {"", 2},
        {"nonsense", 2},
        {"info --bogus " + missing, 2},
        {"info " + missing, 1},
        {"campath", 2},
        {"campath " + missing + " " + dir.Path().string(), 1},
        {"demo", 2},
        {"demo " + dir.File("d") + " --channels colour", 2},
        {"render " + missing + out + " --color purple", 2},
        {"render " + missing + out + " --size 10", 2},
        {"render " + missing + out, 1},
        {"obj", 2},
        {"obj " + dir.File("none.obj"), 1},
        {"model " + dir.File("none.obj") + out + " --attitude 1", 2},
        {"model " + dir.File("none.obj") + out, 1},
        {"record " + missing, 2},
        {"record " + missing + " --out " + dir.File("f"), 1},
    };
    for (const auto& [args, status] : cases) EXPECT_EQ(RunOxvtool(args).status, status) << args;
}

TEST(OxvtoolCommandLine, HelpStatesTheExitStatusesAndBadColorsNameTheGoodOnes)
{
    for (const char* command : {"", "info", "campath", "demo", "render", "obj", "model", "record"}) {
        const test::RunResult help = RunOxvtool(std::string(command) + " --help");
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.out.find("Exit status: 0 done, 1 the work failed, 2 a usage error."), std::string::npos)
            << command;
    }
    // Standard error is where the message goes; read it through the shell.
    test::ScratchDir dir;
    const test::RunResult bad =
        RunOxvtool("render " + dir.File("s.oxv") + " --out " + dir.File("o.png") + " --color purple 2>&1 #");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.out.find("height, amp, ampbw, range or original"), std::string::npos) << bad.out;
}

// --fps takes the rate as the exact fraction the video is tagged with.
TEST(OxvtoolCommandLine, FrameRatesAreExactFractions)
{
    const struct {
        const char* text;
        int num, den;  // 0: refused
    } cases[] = {{"24", 24, 1},          {"30000/1001", 30000, 1001}, {"29.97", 2997, 100}, {"23.976", 2997, 125},
                 {"60/2", 30, 1},        {"0.5", 1, 2},               {"1000", 1000, 1},    {"1001", 0, 0},
                 {"2000/2", 1000, 1},    {"0", 0, 0},                 {"0/5", 0, 0},        {"24/0", 0, 0},
                 {"-24", 0, 0},          {"+24", 0, 0},               {"24.", 0, 0},        {".5", 0, 0},
                 {"1e2", 0, 0},          {"24 ", 0, 0},               {"24/1/1", 0, 0},     {"1/1000001", 0, 0},
                 {"2000000/2000001", 0, 0}, {"1.0000001", 0, 0},      {"", 0, 0},           {"99999999999999/3", 0, 0}};
    for (const auto& c : cases) {
        const auto rate = oxv::tool::ParseFrameRate(c.text);
        ASSERT_EQ(rate.has_value(), c.num != 0) << c.text;
        if (!rate) continue;
        EXPECT_EQ(rate->num, c.num) << c.text;
        EXPECT_EQ(rate->den, c.den) << c.text;
    }
    EXPECT_EQ(oxv::tool::ParseFrameRate("30000/1001")->Text(), "30000/1001");
    EXPECT_EQ(oxv::tool::ParseFrameRate("50/2")->Text(), "25");
    EXPECT_EQ(oxv::tool::ParseFrameRate("24")->Period(), 1.0 / 24.0);
}

}  // namespace
}  // namespace oxv
