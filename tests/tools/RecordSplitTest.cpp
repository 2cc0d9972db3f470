// The split-recording scripts: two GNU parallel workers, and two tasks of
// the Slurm array script run one after the other, write the single run's
// files byte for byte.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/OxvtoolRun.h"
#include "tests/support/ScratchDir.h"

namespace oxv {
namespace {

std::map<std::string, std::vector<uint8_t>> FolderBytes(const std::filesystem::path& folder)
{
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        files[e.path().filename().string()] = test::ReadBytes(e.path().string());
    return files;
}

int Shell(const std::string& command)
{
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RecordSplit, TwoWorkersWriteTheSingleRunsFiles)
{
    test::ScratchDir dir;
    ASSERT_EQ(test::RunOxvtool("demo " + dir.Path().string() + " --points 20000").status, 0);
    const std::string options =
        dir.File("survey.oxv") + " --size 96x64 --speed 2000 --period 100 --auto 1 --track 1 --grid";
    ASSERT_EQ(test::RunOxvtool("record " + options + " --out " + dir.File("single")).status, 0);
    const auto single = FolderBytes(dir.File("single"));
    ASSERT_GT(single.size(), 10u);

    const char* bin = std::getenv("OXV_BIN_DIR");
    const std::string env = "OXVTOOL=" + std::string(bin ? bin : ".") + "/oxvtool ";
    const std::string scripts = std::string(OXV_SOURCE_DIR) + "/scripts";
    ASSERT_EQ(Shell(env + scripts + "/record-parallel 2 " + options + " --out " + dir.File("parallel")), 0);
    EXPECT_TRUE(FolderBytes(dir.File("parallel")) == single);

    for (int task = 0; task < 2; ++task)
        ASSERT_EQ(Shell(env + "OXV_SCRIPTS=" + scripts + " SLURM_ARRAY_TASK_ID=" + std::to_string(task) +
                        " SLURM_ARRAY_TASK_MIN=0 SLURM_ARRAY_TASK_MAX=1 bash " + scripts + "/record-slurm.sbatch " +
                        options + " --out " + dir.File("array")),
                  0)
            << task;
    EXPECT_TRUE(FolderBytes(dir.File("array")) == single);
}

}  // namespace
}  // namespace oxv
