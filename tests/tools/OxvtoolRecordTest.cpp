// oxvtool record on the demo survey: the files of a whole run, their size,
// the first-person numbering, and refusals that leave nothing behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/NavFixture.h"
#include "tests/support/OxvtoolRun.h"
#include "tests/support/PngRead.h"
#include "tests/tools/DemoSurveyTest.h"
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

// Every file of a folder by name, with its bytes.
std::map<std::string, std::vector<uint8_t>> FolderBytes(const std::filesystem::path& folder)
{
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        files[e.path().filename().string()] = test::ReadBytes(e.path().string());
    return files;
}

// A small survey at 47 N 8 E in `scratch` ("s.oxv") and a navigation folder
// in `nav` of `epochs` epochs half a second apart, flying east and turning
// `turnDeg` degrees an epoch; returns the survey's path.
std::string WriteFirstPersonFlight(test::ScratchDir& scratch, test::ScratchDir& nav, int epochs, double turnDeg)
{
    constexpr double kDeg = 0.017453292519943278;
    PointFileLayout layout;
    layout.origin = GeodeticOrigin{47.0 * kDeg, 8.0 * kDeg, 400.0};
    test::WriteSurvey(scratch.File("s.oxv"), layout, 400, [](int32_t i, PointRecord& r) { test::SteadyFlight(i, r); });
    std::vector<test::NavEpoch> list;
    for (int i = 0; i < epochs; ++i)
        list.push_back({345600.25 + i * 0.5, 47.0, 8.0 + i * 1e-5, 450.0, 0.0, 0.0, 90.0 + turnDeg * i});
    test::WriteNavFolder(nav, list);
    return scratch.File("s.oxv");
}

// --list-frames: the frame count, then the file numbers.
std::vector<int> ListedFrames(const std::string& output)
{
    std::istringstream in(output);
    std::vector<int> numbers;
    for (int n; in >> n;) numbers.push_back(n);
    return numbers;
}

class OxvtoolRecord : public test::DemoSurveyTest {};

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
    test::ScratchDir scratch, nav;
    const std::string survey = WriteFirstPersonFlight(scratch, nav, 7, 0.0);
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

// A run split into ranges writes the whole run's files byte for byte: the
// camera's zoom and pan, the reveal and the rotors reach each range's start
// without drawing. --list-frames names the same files.
TEST_F(OxvtoolRecord, RangesTogetherWriteTheWholeRun)
{
    const std::string options = " --size 96x64 --speed 2000 --period 100 --auto 1 --track 1 --grid --scanner-path";
    const RunResult whole = RunOxvtool("record " + Survey() + " --out " + out.File("whole") + options);
    ASSERT_EQ(whole.status, 0);
    const auto expected = FolderBytes(out.File("whole"));
    const RunResult list = RunOxvtool("record " + Survey() + options + " --list-frames");
    ASSERT_EQ(list.status, 0);
    const std::vector<int> listed = ListedFrames(list.out);
    ASSERT_GE(listed.size(), 8u);
    std::set<int> numbers(listed.begin() + 1, listed.end());
    EXPECT_EQ(FrameNumbers(out.File("whole")), numbers);
    EXPECT_EQ(static_cast<int>(listed.size()), listed[0]) << "all but the number before the last";

    const int a = listed[0] / 3, b = listed[0] - 2;  // the last range holds only the end hold's file
    for (const std::string& range : {":" + std::to_string(a), std::to_string(a) + ":" + std::to_string(b),
                                    std::to_string(b) + ":"})
        ASSERT_EQ(RunOxvtool("record " + Survey() + " --out " + out.File("parts") + options + " --frames " + range).status,
                  0)
            << range;
    EXPECT_TRUE(FolderBytes(out.File("parts")) == expected);
    const RunResult middle = RunOxvtool("record " + Survey() + options + " --list-frames --frames 2:4");
    EXPECT_EQ(ListedFrames(middle.out), (std::vector<int>{listed[0], 2, 3}));
}

TEST_F(OxvtoolRecord, FirstPersonRangesTogetherWriteTheWholeFlight)
{
    test::ScratchDir scratch, nav;
    const std::string survey = WriteFirstPersonFlight(scratch, nav, 9, 1.0);
    const std::string run = "record " + survey + " --size 64x48 --fpv " + nav.Path().string();
    ASSERT_EQ(RunOxvtool(run + " --out " + out.File("whole")).status, 0);
    const std::vector<int> listed = ListedFrames(RunOxvtool(run + " --list-frames").out);
    ASSERT_GE(listed.size(), 4u);
    EXPECT_EQ(FrameNumbers(out.File("whole")), std::set<int>(listed.begin() + 1, listed.end()));
    for (const char* range : {":2", "2:4", "4:"})
        ASSERT_EQ(RunOxvtool(run + " --out " + out.File("parts") + " --frames " + range).status, 0) << range;
    EXPECT_TRUE(FolderBytes(out.File("parts")) == FolderBytes(out.File("whole")));
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
        {ok + " --frames 5", 2},           {ok + " --frames 7:3", 2},        {ok + " --frames -1:3", 2},
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

// Time stamps that give no timeline, or a timeline without a frame to
// write: both outputs are refused with the reason `info` gives, and nothing
// is written.
TEST_F(OxvtoolRecord, NothingToPlayIsRefusedWithTheReason)
{
    test::ScratchDir scratch;
    const struct {
        const char* name;
        int32_t records;
        double (*time)(int32_t i, int32_t n);
        const char* reason;  // empty: the timeline problem `info` reports
    } cases[] = {
        {"a NaN time stamp", 50, [](int32_t i, int32_t n) { return i == n - 1 ? std::nan("") : double(i); }, ""},
        {"decreasing time stamps", 50, [](int32_t i, int32_t n) { return double(n - i) * 400.0; }, ""},
        {"a span of 5e6 s", 2, [](int32_t i, int32_t) { return i * 400.0 * 5e6; }, ""},
        {"equal time stamps", 50, [](int32_t, int32_t) { return 4000.0; },
         "the playback timeline has no frames (the time stamps span less than a frame): there is no frame to record"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string survey = scratch.File("t.oxv");
        test::WriteSurvey(survey, PointFileLayout{}, c.records, [&c](int32_t i, PointRecord& r) {
            test::SteadyFlight(i, r);
            r.SetTime(c.time(i, c.records));
        });
        std::string reason = c.reason;
        if (reason.empty()) {
            const auto info = nlohmann::json::parse(RunOxvtool("info --json " + survey).out);
            ASSERT_TRUE(info.contains("timeline_problem"));
            reason = "the survey has no timeline: " + info["timeline_problem"].get<std::string>();
        }
        for (const std::string& output : {" --out " + out.File("frames"), " --video " + out.File("v.mp4")}) {
            const RunResult r = RunOxvtool("record " + survey + " --size 64x48" + output + " 2>&1 >/dev/null #");
            EXPECT_EQ(r.status, 1) << output;
            EXPECT_EQ(r.out, "oxvtool: " + reason + "\n") << output;
            EXPECT_TRUE(std::filesystem::is_empty(out.Path())) << output;
        }
    }
}

// Numbers are plain decimal: a leading zero is not octal, and hexadecimal
// is refused, as the frame count of the run's plan shows.
TEST_F(OxvtoolRecord, NumbersAreReadAsPlainDecimal)
{
    const std::string list = "record " + Survey() + " --speed 2000 --list-frames";
    const RunResult ten = RunOxvtool(list + " --period 10");
    ASSERT_EQ(ten.status, 0);
    EXPECT_EQ(RunOxvtool(list + " --period 010").out, ten.out);
    EXPECT_EQ(RunOxvtool(list + " --period 10 --crf 020 --point-size 05").out, ten.out);
    for (const char* bad : {" --period 0x10", " --period 1e1", " --crf 0x10", " --speed 0x10 --period 10", " --near inf"})
        EXPECT_EQ(RunOxvtool(list + bad).status, 2) << bad;
}

// --list-work lists the numbers --list-frames lists, each with a work that
// grows as the cloud does, and one picture but for the end hold's.
TEST_F(OxvtoolRecord, TheWorkListFollowsTheFramesAndTheGrowingCloud)
{
    const std::string run = "record " + Survey() + " --size 96x64 --speed 2000 --period 100";
    const RunResult frames = RunOxvtool(run + " --list-frames");
    const RunResult work = RunOxvtool(run + " --list-work");
    ASSERT_EQ(work.status, 0);
    std::istringstream in(work.out);
    std::vector<int> numbers;
    std::vector<long long> works, pictures;
    int count = 0;
    in >> count;
    numbers.push_back(count);
    for (long long n, w, p; in >> n >> w >> p;) {
        numbers.push_back(static_cast<int>(n));
        works.push_back(w);
        pictures.push_back(p);
    }
    EXPECT_EQ(numbers, ListedFrames(frames.out));
    ASSERT_GE(works.size(), 10u);
    EXPECT_TRUE(std::is_sorted(works.begin(), works.end()));
    EXPECT_GT(works.back(), works.front() + 15000) << "the 20000 points are drawn by the end";
    EXPECT_LT(works.front() - 96 * 64 / 3, 1000) << "the first frame draws next to nothing";
    EXPECT_EQ(pictures.back(), 29) << "the 3 s end hold at 100 ms";
    EXPECT_EQ(std::count(pictures.begin(), pictures.end(), 1), static_cast<long>(pictures.size()) - 1);
}

// Standard error that is no terminal gets whole lines, a few in all, the
// last one saying the run is done; the bar is for terminals.
TEST_F(OxvtoolRecord, ALogGetsProgressLinesNotABar)
{
    const std::string run = "record " + Survey() + " --size 96x64 --speed 2000 --out " + out.Path().string();
    const RunResult log = RunOxvtool(run + " 2>&1 >/dev/null #");
    ASSERT_EQ(log.status, 0);
    EXPECT_EQ(log.out.find('\r'), std::string::npos);
    EXPECT_NE(log.out.find("frames, 100.0% of the work"), std::string::npos) << log.out;
    EXPECT_NE(log.out.find(", done\n"), std::string::npos) << log.out;
    EXPECT_LE(std::count(log.out.begin(), log.out.end(), '\n'), 4) << log.out;
    const RunResult bar = RunOxvtool(run + " --progress bar 2>&1 >/dev/null #");
    EXPECT_NE(bar.out.find("\r["), std::string::npos) << bar.out;
    const RunResult every = RunOxvtool(run + " --progress lines --progress-interval 0 2>&1 >/dev/null #");
    EXPECT_GE(std::count(every.out.begin(), every.out.end(), '\n'), 300) << "one line a frame";
    EXPECT_EQ(RunOxvtool(run + " --progress-interval -1").status, 2);
}

// A frame file half written by a run that was killed is removed by the next
// run writing that number, and left to runs writing other numbers.
TEST_F(OxvtoolRecord, HalfWrittenFramesOfAStoppedRunGo)
{
    test::WriteBytes(out.File("img000002.png.part"), {1, 2, 3});
    test::WriteBytes(out.File("img000009.png.part"), {1, 2, 3});
    const std::string run = "record " + Survey() + " --size 96x64 --speed 2000 --out " + out.Path().string();
    ASSERT_EQ(RunOxvtool(run + " --frames :5").status, 0);
    EXPECT_FALSE(std::filesystem::exists(out.File("img000002.png.part")));
    EXPECT_TRUE(std::filesystem::exists(out.File("img000009.png.part")));
    EXPECT_EQ(FrameNumbers(out.Path()), (std::set<int>{-1, 0, 1, 2, 3, 4}));
}

// Refusals of the rate, look and video options: the command line's fault,
// nothing written.
TEST_F(OxvtoolRecord, BadRateLookAndVideoOptionsAreUsageErrors)
{
    const std::string frames = out.File("frames"), video = out.File("v.mp4");
    const std::string png = Survey() + " --out " + frames, mp4 = Survey() + " --video " + video;
    for (const std::string& c :
         {png + " --fps 0", png + " --fps -24", png + " --fps 24/0", png + " --fps 0/1", png + " --fps abc",
          png + " --fps 1001", png + " --fps 24.", png + " --fps 1e2", png + " --fps ' 24'",
          png + " --fps 24 --period 40", mp4 + " --fps 30 --period 33", png + " --burn-in time",
          png + " --caption hello", mp4 + " --burn-in date", mp4 + " --burn-in time,", mp4 + " --codec vp9",
          mp4 + " --pix-fmt rgb24", png + " --size 8k", png + " --size 720", png + " --size p720", png + " --levels 0.9,0.1",
          png + " --levels 0.5", mp4 + " --size 161x96"}) {
        EXPECT_EQ(RunOxvtool("record " + c).status, 2) << c;
        EXPECT_FALSE(std::filesystem::exists(frames)) << c;
        EXPECT_FALSE(std::filesystem::exists(video)) << c;
    }
}

// The rate picks the timeline and the ffmpeg line's rate; without --fps the
// frame period's whole milliseconds are as they were. Ranges of a run at a
// standard rate write its files, as they do at a period.
TEST_F(OxvtoolRecord, AStandardRateNamesTheFfmpegRateAndSplitsAsAPeriodDoes)
{
    const std::string run = "record " + Survey() + " --size 96x64 --speed 2000";
    const RunResult period = RunOxvtool(run + " --period 40 --frames :2 --out " + out.File("p"));
    EXPECT_NE(period.out.find("ffmpeg -framerate 1000/40 -pattern_type glob"), std::string::npos) << period.out;
    const RunResult ntsc = RunOxvtool(run + " --fps 30000/1001 --out " + out.File("whole"));
    ASSERT_EQ(ntsc.status, 0);
    EXPECT_NE(ntsc.out.find("ffmpeg -framerate 30000/1001 -pattern_type glob"), std::string::npos) << ntsc.out;
    EXPECT_NE(RunOxvtool(run + " --fps 25 --frames :1 --out " + out.File("pal")).out.find("-framerate 25 "),
              std::string::npos);
    const RunResult listed = RunOxvtool(run + " --fps 30000/1001 --list-frames");
    EXPECT_EQ(ListedFrames(listed.out).size() - 1, FolderBytes(out.File("whole")).size());
    for (const char* range : {":7", "7:20", "20:"})
        ASSERT_EQ(RunOxvtool(run + " --fps 30000/1001 --out " + out.File("parts") + " --frames " + range).status, 0);
    EXPECT_TRUE(FolderBytes(out.File("parts")) == FolderBytes(out.File("whole")));
}

// Named sizes are the producer's sizes; a draft is half of them, even.
TEST_F(OxvtoolRecord, NamedSizesAndDraftsGiveTheirFrameSizes)
{
    const struct {
        const char* size;
        uint32_t width, height;
    } cases[] = {{"720p", 1280, 720},         {"1080p", 1920, 1080}, {"4K", 3840, 2160},
                 {"720p --draft", 640, 360}, {"161x97 --draft", 80, 48}};
    for (const auto& c : cases) {
        const std::string folder = out.File(std::string("f") + std::to_string(&c - cases));
        ASSERT_EQ(RunOxvtool("record " + Survey() + " --speed 2000 --frames 3:4 --size " + c.size + " --out " + folder)
                      .status,
                  0)
            << c.size;
        EXPECT_EQ(PngSize(folder + "/img000003.png"), std::make_pair(c.width, c.height)) << c.size;
    }
}

// The look options change the recorded frames as they change render's
// picture: the colour bar only in its corner, levels only in Original
// colours (the view's own levels given again change nothing), round points.
TEST_F(OxvtoolRecord, TheLookOptionsChangeTheFrames)
{
    const std::string run =
        "record " + Survey() + " --size 320x192 --speed 2000 --auto 0 --track 0 --point-size 3 --frames 200:201 --out ";
    auto frame = [&](const std::string& options) {
        const std::string folder = out.File("look" + std::to_string(std::hash<std::string>{}(options)));
        EXPECT_EQ(RunOxvtool(run + folder + " " + options).status, 0) << options;
        int w = 0, h = 0;
        return test::DecodePng(folder + "/img000200.png", w, h);
    };
    const std::vector<uint8_t> height = frame("--color height"), original = frame("--color original");
    ASSERT_EQ(height.size(), 320u * 192u * 3u);
    EXPECT_NE(frame("--color height --antialias"), height);
    EXPECT_NE(frame("--color original --levels 0.1,0.5"), original);
    EXPECT_EQ(frame("--color original --levels 0.4,1"), original);
    EXPECT_EQ(frame("--color height --levels 0.1,0.5"), height);
    const std::vector<uint8_t> legend = frame("--color height --legend");
    int outside = 0, inside = 0;
    for (size_t i = 0; i < legend.size(); ++i) {
        const size_t x = i / 3 % 320, y = i / 3 / 320;
        if (legend[i] == height[i]) continue;
        (x >= 160 && y >= 96 ? inside : outside) += 1;
    }
    EXPECT_GT(inside, 100) << "the colour bar stands in the bottom-right corner";
    EXPECT_EQ(outside, 0);
}

}  // namespace
}  // namespace oxv
