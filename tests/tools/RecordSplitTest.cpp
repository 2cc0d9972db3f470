// The split-recording scripts: two GNU parallel workers, and two tasks of
// the Slurm array script run one after the other, write the single run's
// files byte for byte; the parts hold about equal work; the join refuses
// parts that do not match the plan and keeps every file; a rerun records
// only what is missing; the Slurm submission works from any folder with a
// stand-in sbatch that runs the jobs at once.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/OxvtoolRun.h"
#include "tests/support/ScratchDir.h"
#include "tests/tools/DemoSurveyTest.h"

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

std::string Scripts() { return std::string(OXV_SOURCE_DIR) + "/scripts"; }

std::string OxvtoolEnv()
{
    const char* bin = std::getenv("OXV_BIN_DIR");
    return "OXVTOOL=" + std::string(bin ? bin : ".") + "/oxvtool ";
}

// Runs `command` in `folder` with standard error kept with standard output.
test::RunResult ShellIn(const std::filesystem::path& folder, const std::string& command)
{
    FILE* pipe = popen(("cd '" + folder.string() + "' && { " + command + " ; } 2>&1").c_str(), "r");
    if (!pipe) return {-1, {}};
    std::string out;
    std::array<char, 4096> buf;
    for (size_t n; (n = fread(buf.data(), 1, buf.size(), pipe)) > 0;) out.append(buf.data(), n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

int VideoFrames(const std::string& path)
{
    const test::RunResult r = ShellIn(std::filesystem::current_path(),
                                      "ffprobe -v error -count_packets -select_streams v:0 -show_entries "
                                      "stream=nb_read_packets -of csv=p=0 '" + path + "'");
    return r.status == 0 && !r.out.empty() ? std::stoi(r.out) : -1;
}

// The video frames of a run by its --list-work: the third column's sum.
int ListedPictures(const std::string& options)
{
    std::istringstream in(test::RunOxvtool("record " + options + " --list-work").out);
    int frames = 0, pictures = 0;
    in >> frames;
    for (long long number, work, p; in >> number >> work >> p;) pictures += static_cast<int>(p);
    return pictures;
}

ino_t Inode(const std::string& path)
{
    struct stat st{};
    return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

std::string ReadText(const std::string& path)
{
    const std::vector<uint8_t> bytes = test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class RecordSplitParts : public test::DemoSurveyTest {
protected:
    std::string Options() const { return Survey() + " --size 96x64 --speed 2000 --period 100 --grid"; }
    // Slurm's array task K of N, run by hand as Slurm would run it.
    test::RunResult Task(int k, int n, const std::string& output)
    {
        return ShellIn(out.Path(), OxvtoolEnv() + "SLURM_ARRAY_TASK_ID=" + std::to_string(k) +
                                       " SLURM_ARRAY_TASK_MIN=0 SLURM_ARRAY_TASK_MAX=" + std::to_string(n - 1) +
                                       " bash " + Scripts() + "/record-slurm.sbatch " + Options() + " " + output);
    }
    test::RunResult Join(const std::string& args)
    {
        return ShellIn(out.Path(), OxvtoolEnv() + "bash " + Scripts() + "/record-slurm.sbatch --join " + args);
    }
};

// frame-ranges cuts where the work, not the file count, is halved; a plain
// --list-frames still gives equal counts, and more parts than files leave
// empty ranges that still cover everything once.
TEST(RecordSplit, RangesCutTheWorkIntoEqualParts)
{
    test::ScratchDir dir;
    const struct {
        const char* list;
        int parts;
        const char* ranges;
    } cases[] = {
        {"9\n0 1 1\n1 1 1\n2 1 1\n3 1 1\n4 1 1\n5 1 1\n6 6 1\n8 6 29\n", 2, ":6\n6:\n"},
        {"9\n0 1 1\n1 1 1\n2 1 1\n3 1 1\n4 1 1\n5 1 1\n6 6 1\n8 6 29\n", 3, ":6\n6:8\n8:\n"},
        {"6\n0\n1\n2\n3\n5\n", 2, ":2\n2:\n"},
        {"3\n0 5 1\n2 5 1\n", 4, ":0\n0:2\n2:2\n2:\n"},
    };
    for (const auto& c : cases) {
        test::WriteBytes(dir.File("list"), std::vector<uint8_t>(c.list, c.list + std::string(c.list).size()));
        const test::RunResult r = ShellIn(dir.Path(), Scripts() + "/frame-ranges " + std::to_string(c.parts) + " <list");
        EXPECT_EQ(r.out, c.ranges) << c.list << c.parts;
    }
    const test::RunResult plan = ShellIn(dir.Path(), Scripts() + "/frame-ranges --plan 2 <list");
    EXPECT_EQ(plan.out, ":2 1 5 1\n2: 1 5 1\n") << "A:B FILES WORK PICTURES";
}

// On the demo survey the parts' estimated work comes out within a few per
// cent of each other, while their file counts differ widely.
TEST_F(RecordSplitParts, PartsHoldAboutEqualWork)
{
    const std::string list = out.File("list");
    ASSERT_EQ(test::RunOxvtool("record " + Survey() + " --size 96x64 --speed 500 --list-work >" + list).status, 0);
    for (int parts : {2, 3, 4}) {
        const test::RunResult r = ShellIn(out.Path(), Scripts() + "/frame-ranges --plan " + std::to_string(parts) + " <list");
        ASSERT_EQ(r.status, 0);
        std::istringstream in(r.out);
        std::vector<double> work;
        std::vector<int> files;
        std::string range;
        for (double f, w, p; in >> range >> f >> w >> p;) {
            files.push_back(static_cast<int>(f));
            work.push_back(w);
        }
        ASSERT_EQ(static_cast<int>(work.size()), parts);
        const double mean = std::accumulate(work.begin(), work.end(), 0.0) / parts;
        for (double w : work) EXPECT_NEAR(w / mean, 1.0, 0.01) << parts << " parts";
        EXPECT_GT(files.front(), files.back() * 3 / 2) << "early frames draw less and go into fewer parts";
    }
}

// The join checks every part against the plan before it writes anything: a
// missing, short or extra part, or a part count that is not the plan's,
// fails naming the part and keeps every file. Then it joins the whole.
TEST_F(RecordSplitParts, TheJoinRefusesPartsThatDoNotMatchThePlan)
{
    for (int k = 0; k < 3; ++k) ASSERT_EQ(Task(k, 3, "--video v.mp4").status, 0) << Task(k, 3, "--video v.mp4").out;
    const std::vector<std::string> kept = {"v.part000.mp4", "v.part001.mp4", "v.part002.mp4", "v.mp4.split/plan"};
    const std::string part1 = out.File("v.part001.mp4");
    const struct {
        const char* what;
        std::function<void()> spoil, mend;
        std::string args, says;
    } cases[] = {
        {"missing", [&] { std::filesystem::rename(part1, out.File("away.mp4")); },
         [&] { std::filesystem::rename(out.File("away.mp4"), part1); }, "v.mp4", "v.part001.mp4 is missing"},
        {"short",
         [&] {
             std::filesystem::rename(part1, out.File("away.mp4"));
             test::RunOxvtool("record " + Options() + " --frames 90:95 --video " + part1);
         },
         [&] { std::filesystem::rename(out.File("away.mp4"), part1); }, "v.mp4", "v.part001.mp4 holds 5 frames, the plan says"},
        {"extra", [&] { std::filesystem::copy_file(part1, out.File("v.part003.mp4")); },
         [&] { std::filesystem::remove(out.File("v.part003.mp4")); }, "v.mp4", "v.part003.mp4 is not one of the plan's 3 parts"},
        {"count", [] {}, [] {}, "v.mp4 2", "planned in 3 parts, not 2"},
    };
    for (const auto& c : cases) {
        c.spoil();
        const test::RunResult r = Join(c.args);
        EXPECT_NE(r.status, 0) << c.what;
        EXPECT_TRUE(Contains(r.out, c.says)) << c.what << ": " << r.out;
        EXPECT_FALSE(std::filesystem::exists(out.File("v.mp4"))) << c.what;
        c.mend();
        for (const std::string& name : kept) EXPECT_TRUE(std::filesystem::exists(out.File(name))) << c.what << " " << name;
    }
    const test::RunResult joined = Join("v.mp4");
    ASSERT_EQ(joined.status, 0) << joined.out;
    EXPECT_EQ(VideoFrames(out.File("v.mp4")), ListedPictures(Options()));
    for (const std::string& name : kept) EXPECT_FALSE(std::filesystem::exists(out.File(name))) << name;
    EXPECT_FALSE(std::filesystem::exists(out.File("v.mp4.split")));
}

// A standard rate and burned-in text split as any run does: two workers'
// segments join into a video at that rate with every planned frame, and the
// frame numbers burned in are the whole run's, so the joined video is the
// single run's frame for frame.
TEST_F(RecordSplitParts, TwoWorkersKeepAStandardRateAndTheBurnedInFrames)
{
    const std::string options = Survey() + " --size 96x64 --speed 2000 --fps 30000/1001 --burn-in time,frame --caption Test"
                                " --crf 0 --pix-fmt yuv444p";
    const test::RunResult r =
        ShellIn(out.Path(), OxvtoolEnv() + Scripts() + "/record-parallel 2 " + options + " --video v.mkv");
    ASSERT_EQ(r.status, 0) << r.out;
    ASSERT_EQ(test::RunOxvtool("record " + options + " --video " + out.File("single.mkv")).status, 0);
    EXPECT_EQ(VideoFrames(out.File("v.mkv")), ListedPictures(options + " --video v.mkv"));
    const test::RunResult rate = ShellIn(out.Path(), "ffprobe -v error -select_streams v:0 -show_entries "
                                                     "stream=avg_frame_rate -of csv=p=0 v.mkv");
    EXPECT_EQ(rate.out, "30000/1001\n");
    const test::RunResult joined = ShellIn(out.Path(), "ffmpeg -v error -i v.mkv -map 0:v -f framemd5 - | grep -v '^#' | awk -F, '{print $NF}'");
    const test::RunResult single =
        ShellIn(out.Path(), "ffmpeg -v error -i single.mkv -map 0:v -f framemd5 - | grep -v '^#' | awk -F, '{print $NF}'");
    ASSERT_EQ(joined.status, 0);
    EXPECT_EQ(joined.out, single.out);
}

// A run whose second part was stopped halfway: the same command again,
// from another folder, leaves the first part and the frames the second one
// wrote alone, removes the half-written file and writes only the rest; the
// folder then holds the single run's files. A video whose part never ran
// gets only that part.
TEST_F(RecordSplitParts, ARerunRecordsOnlyWhatIsMissing)
{
    ASSERT_EQ(test::RunOxvtool("record " + Options() + " --out " + out.File("single")).status, 0);
    const auto single = FolderBytes(out.File("single"));
    const std::filesystem::path frames = out.File("frames");
    for (int k = 0; k < 2; ++k) ASSERT_EQ(Task(k, 2, "--out " + frames.string()).status, 0);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(frames)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    ASSERT_GT(names.size(), 20u);
    for (size_t i = names.size() - 6; i < names.size(); ++i) std::filesystem::remove(frames / names[i]);
    test::WriteBytes((frames / names[names.size() - 6]).string() + ".part", {1, 2, 3});
    std::filesystem::remove(out.File("frames.split/done.1"));
    const ino_t first = Inode((frames / names.front()).string());
    const ino_t kept = Inode((frames / names[names.size() - 7]).string());

    std::filesystem::create_directory(out.File("elsewhere"));
    const test::RunResult rerun = ShellIn(out.File("elsewhere"), OxvtoolEnv() + Scripts() + "/record-parallel 2 " +
                                                                     Options() + " --out " + frames.string());
    ASSERT_EQ(rerun.status, 0) << rerun.out;
    EXPECT_TRUE(Contains(rerun.out, "part 0 is recorded already")) << rerun.out;
    EXPECT_TRUE(Contains(rerun.out, "record-parallel: 6/6 frames")) << rerun.out;
    EXPECT_TRUE(FolderBytes(frames) == single);
    EXPECT_EQ(Inode((frames / names.front()).string()), first);
    EXPECT_EQ(Inode((frames / names[names.size() - 7]).string()), kept) << "written before the stop, kept";
    EXPECT_FALSE(std::filesystem::exists(out.File("frames.split")));

    ASSERT_EQ(Task(0, 3, "--video v.mkv").status, 0);
    ASSERT_EQ(Task(2, 3, "--video v.mkv").status, 0);
    const test::RunResult video =
        ShellIn(out.Path(), OxvtoolEnv() + Scripts() + "/record-parallel 3 " + Options() + " --video v.mkv");
    ASSERT_EQ(video.status, 0) << video.out;
    EXPECT_TRUE(Contains(video.out, "part 0 is recorded already") && Contains(video.out, "part 2 is recorded already"))
        << video.out;
    EXPECT_EQ(VideoFrames(out.File("v.mkv")), ListedPictures(Options()));
}

// scripts/record-slurm from a folder of its own, with a task that fails:
// the join still runs, says which part is missing and keeps the others;
// the same command again submits only that part, and the join then makes
// the video. The logs are beside the output. Submitted by hand, without
// the wrapper, the array script finds its helpers through scontrol.
TEST_F(RecordSplitParts, SlurmSubmissionReportsAFailedTaskAndRecordsItOnTheRerun)
{
    const std::string slurm = "export FAKE_SLURM_DIR=" + out.File("slurm") + " PATH=" + std::string(OXV_SOURCE_DIR) +
                              "/tests/tools/fake-slurm:$PATH " + OxvtoolEnv() + "; ";
    std::filesystem::create_directories(out.File("slurm"));
    std::filesystem::create_directories(out.File("work"));
    const std::string submit = Scripts() + "/record-slurm 3 " + Options() + " --video v.mp4";
    ASSERT_EQ(ShellIn(out.File("work"), slurm + "export FAKE_SLURM_FAIL_TASKS=1; " + submit).status, 0);
    const std::string logs = out.File("work/v.mp4.split/logs");
    const std::string join = ReadText(logs + "/join.log");
    EXPECT_TRUE(Contains(join, "part 1 ")) << join;
    EXPECT_FALSE(std::filesystem::exists(out.File("work/v.mp4")));
    EXPECT_TRUE(std::filesystem::exists(out.File("work/v.part000.mp4")));
    EXPECT_TRUE(std::filesystem::exists(out.File("work/v.part002.mp4")));

    const test::RunResult again = ShellIn(out.File("work"), slurm + submit);
    ASSERT_EQ(again.status, 0) << again.out;
    EXPECT_TRUE(Contains(again.out, "records part(s) 1\n")) << again.out;
    EXPECT_EQ(VideoFrames(out.File("work/v.mp4")), ListedPictures(Options()));
    EXPECT_TRUE(std::filesystem::exists(logs + "/part-1.log"));

    ASSERT_EQ(ShellIn(out.File("work"), slurm + "sbatch --array=0-1 --output=/dev/null " + Scripts() +
                                            "/record-slurm.sbatch " + Options() + " --out frames && sbatch "
                                            "--output=join.log " + Scripts() + "/record-slurm.sbatch --join frames")
                  .status,
              0);
    EXPECT_TRUE(Contains(ReadText(out.File("work/join.log")), "frames is whole"));
}

}  // namespace
}  // namespace oxv
