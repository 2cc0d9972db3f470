// The command line every subcommand shares: exit statuses a script can rely
// on (0 done, 1 the work failed, 2 a usage error) and messages of our own for
// option values that will not do.

#include <gtest/gtest.h>

#include <string>
#include <utility>

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

}  // namespace
}  // namespace oxv
