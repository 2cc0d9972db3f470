#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/support/NavFixture.h"
#include "survey/NavigationFiles.h"

namespace oxv {
namespace {

class NavText : public ::testing::Test {
protected:
    UniqueFile Open(const std::string& text)
    {
        const std::string path = dir.File("f" + std::to_string(files++) + ".txt");
        test::WriteText(path, text);
        UniqueFile file = OpenRegularFile(path, "r");
        if (!file) ADD_FAILURE() << "cannot open " << path;
        return file;
    }
    std::vector<NavRecord> Nav(const std::string& text, TimeWindow window = {})
    {
        const UniqueFile file = Open(text);
        const int64_t n = ReadNavRecords(nullptr, 0, file.get(), window);
        std::vector<NavRecord> records(static_cast<size_t>(n > 0 ? n : 0));
        EXPECT_EQ(ReadNavRecords(records.data(), records.size(), file.get(), window), n) << "both passes agree";
        return records;
    }
    test::ScratchDir dir;
    int files = 0;
};

TEST(NavLine, ConvertsAllElevenFieldsOrNothing)
{
    struct Case {
        const char* line;
        bool accepted;
    };
    const Case cases[] = {
        {"7 100.5 1 2 3 4 5 6 1.5 -2.25 270\n", true},
        {"7 100.5 1 2 3 4 5 6 1.5 -2.25 270 99\n", true},  // extra fields are ignored
        {"7 100.5 1 2 3 4 5 6 1.5 -2.25\n", false},        // ten numbers
        {"%7 100.5 1 2 3 4 5 6 1.5 -2.25 270\n", false},   // comment
        {"  \t7 100.5 1 2 3 4 5 6 1.5 -2.25 270\r\n", true},
        {"7 100.5 1 2 3 4 5 6 1.5 -2.25 heading\n", false},
        {"x 100.5 1 2 3 4 5 6 1.5 -2.25 270\n", false},    // field 1 must be an integer
        {"99999999999999999999 100.5 1 2 3 4 5 6 1.5 -2.25 270\n", true},  // unused, out of int range
        {"+7 1.005e2 1 2 3 4 5 6 +1.5 -2.25 2.7E2\n", true},
        {"", false},
        {"\n", false},
    };
    for (const Case& c : cases) {
        NavRecord r{};
        EXPECT_EQ(ParseNavLine(c.line, r), c.accepted) << c.line;
        if (c.accepted) {
            EXPECT_EQ(r.time, 100.5) << c.line;
            EXPECT_EQ(r.roll, 1.5) << c.line;
            EXPECT_EQ(r.pitch, -2.25) << c.line;
            EXPECT_EQ(r.heading, 270.0) << c.line;
            EXPECT_EQ(r.east, 1.0) << "fields 3 to 5 are kept until the conversion replaces them";
        }
    }
}

TEST(GeoLine, ConvertsFourFieldsOrNothing)
{
    struct Case {
        const char* line;
        bool accepted;
    };
    const Case cases[] = {
        {"345600.25 47.5 8.25 512.75\n", true},
        {"345600.25 47.5 8.25 512.75 0.1 0.2\n", true},
        {"345600.25 47.5 8.25\n", false},
        {"% 345600.25 47.5 8.25 512.75\n", false},
        {"345600.25,47.5,8.25,512.75\n", false},
        {"345600.25 47.5 8.25 512.75\r\n", true},
    };
    for (const Case& c : cases) {
        GeoRecord r{};
        EXPECT_EQ(ParseGeoLine(c.line, r), c.accepted) << c.line;
        if (c.accepted) {
            EXPECT_EQ((std::vector<double>{r.time, r.latitude, r.longitude, r.height}),
                      (std::vector<double>{345600.25, 47.5, 8.25, 512.75}));
        }
    }
}

TEST(NavNumbers, ReadAsTheCLibraryReadsThemInTheCLocale)
{
    const char* tokens[] = {"1.5",   "-0.25",   "+3",     ".5",        "5.",     "1e3",       "1E-3",
                            "-1.5e+2", "inf",   "-Infinity", "NAN",   "0x1p3",     "-0x1.8p1", "1e999",
                            "-1e999", "1e-400", "4.9e-324", "00012.50", "123456789012345678901234567890",
                            "345600.123456789", "+-1",   "--1",    "e5",        ".",        "-",
                            "+",     "x",       "1e",     "1.5x"};
    for (const char* token : tokens) {
        char* end = nullptr;
        const double want = std::strtod(token, &end);
        const bool whole = end != token && *end == '\0';
        GeoRecord r{};
        const std::string line = std::string(token) + " 0 0 0\n";
        EXPECT_EQ(ParseGeoLine(line.c_str(), r), whole) << token;
        if (!whole) continue;
        if (std::isnan(want))
            EXPECT_TRUE(std::isnan(r.time)) << token;
        else
            EXPECT_EQ(r.time, want) << token;
    }
}

TEST_F(NavText, NumbersIgnoreTheProcessLocale)
{
    // The viewer's toolkit may switch the process to the user's locale,
    // where "1.5" would read as 1 and the rest would fail.
    const std::string defs = dir.File("locales");
    const std::string make = "localedef -i de_DE -f UTF-8 " + defs + "/de_DE.UTF-8 >/dev/null 2>&1";
    std::filesystem::create_directories(defs);
    if (std::system(make.c_str()) != 0) GTEST_SKIP() << "cannot build a German locale here";
    setenv("LOCPATH", defs.c_str(), 1);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "German locale not usable";
    const double localRead = std::strtod("1.5", nullptr);
    GeoRecord r{};
    const bool parsed = ParseGeoLine("345600.25 47.5 8.25 512.75\n", r);
    TimeWindow w;
    const UniqueFile file = Open("100.5\n200.25\n");
    ReadTimeWindow(file.get(), w);
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
    ASSERT_EQ(localRead, 1.0) << "the locale took effect";
    EXPECT_TRUE(parsed);
    EXPECT_EQ((std::vector<double>{r.time, r.latitude, r.longitude, r.height}),
              (std::vector<double>{345600.25, 47.5, 8.25, 512.75}));
    EXPECT_EQ(w.start, 100.5);
    EXPECT_EQ(w.end, 200.25);
}

TEST_F(NavText, TimeWindowTakesTheFirstTwoLinesAsTheyAre)
{
    struct Case {
        const char* text;
        double start, end;
    };
    const Case cases[] = {
        {"100.0\n200.0\n", 100.0, 200.0},
        {"  150.5 extra\r\n300\r\n", 150.5, 300.0},
        {"% not a comment here\n200\n", 0.0, 200.0},  // a line without a number counts as 0
        {"100.0\n", 0.0, 0.0},                        // one line is no window
        {"100.0", 0.0, 0.0},
        {"", 0.0, 0.0},
        {"100\n200\n300\n", 100.0, 200.0},
    };
    for (const Case& c : cases) {
        TimeWindow w{7.0, 9.0};
        const UniqueFile file = Open(c.text);
        ReadTimeWindow(file.get(), w);
        EXPECT_EQ(w.start, c.start) << c.text;
        EXPECT_EQ(w.end, c.end) << c.text;
    }
}

TEST_F(NavText, WindowIsStrictOnBothSidesAndOnlyWhenEndIsAfterStart)
{
    std::string text;
    for (double t : {99.0, 100.0, 100.5, 150.0, 199.5, 200.0, 250.0})
        text += test::NavxLine(1, test::NavEpoch{t, 0, 0, 0});
    const auto times = [&](TimeWindow w) {
        std::vector<double> out;
        for (const NavRecord& r : Nav(text, w)) out.push_back(r.time);
        return out;
    };
    EXPECT_EQ(times({100.0, 200.0}), (std::vector<double>{100.5, 150.0, 199.5}));
    EXPECT_EQ(times({200.0, 100.0}).size(), 7u) << "reversed window: everything";
    EXPECT_EQ(times({100.0, 100.0}).size(), 7u) << "empty window: everything";
    EXPECT_EQ(times({}).size(), 7u);

    const UniqueFile geo = Open("100.0 1 2 3\n100.5 1 2 3\n200.0 1 2 3\n");
    EXPECT_EQ(ReadGeoRecords(nullptr, 0, geo.get(), TimeWindow{100.0, 200.0}), 1);
}

TEST_F(NavText, SkipsCommentsAndShortLinesKeepingOrder)
{
    const auto records = Nav(
        "% header\n"
        "1 10.0 0 0 0 0 0 0 1 2 3\n"
        "2 11.0 0 0 0 0 0 0 1 2\n"
        "\n"
        "3 12.0 0 0 0 0 0 0 1 2 3 4\n"
        "garbage\n"
        "4 9.0 0 0 0 0 0 0 1 2 -12.3456\n");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].time, 10.0);
    EXPECT_EQ(records[1].time, 12.0);
    EXPECT_EQ(records[2].time, 9.0) << "order of the file, not of time";
    EXPECT_EQ(records[2].heading, -12.3456);
}

TEST_F(NavText, LongLinesArriveInPiecesOfTheBufferSize)
{
    const std::string record = "1 10.0 0 0 0 0 0 0 1 2 3";
    const std::string piece(kNavLineBuffer - 1, 'x');
    // A record after a full buffer of junk is a line of its own; a record
    // followed by a long tail is read from its first piece; a record cut by
    // the buffer's end converts in neither piece.
    const std::string cut = std::string(kNavLineBuffer - 1 - 10, ' ') + record;
    EXPECT_EQ(Nav(piece + record + "\n").size(), 1u);
    EXPECT_EQ(Nav(record + std::string(5000, ' ') + "\n").size(), 1u);
    EXPECT_EQ(Nav(cut + "\n").size(), 0u);
    EXPECT_EQ(Nav(std::string(1 << 20, '7') + "\n" + record + "\n").size(), 1u) << "a megabyte line";
}

TEST_F(NavText, FillingStopsAtTheCapacityOfTheCountingPass)
{
    // A file that grew between the passes must not be written past the array.
    const UniqueFile file = Open("1 1 0 0 0 0 0 0 0 0 0\n2 2 0 0 0 0 0 0 0 0 0\n3 3 0 0 0 0 0 0 0 0 0\n");
    std::vector<NavRecord> records(3);
    records[2].time = -1.0;
    EXPECT_EQ(ReadNavRecords(records.data(), 2, file.get(), {}), 3);
    EXPECT_EQ(records[1].time, 2.0);
    EXPECT_EQ(records[2].time, -1.0);
}

TEST_F(NavText, HostileBytesNeitherCrashNorHang)
{
    std::mt19937 rng(8);
    std::string junk(200000, '\0');
    for (char& c : junk) c = static_cast<char>(rng() & 0xff);
    // A line whose NUL byte hides the rest, and non-finite values, which
    // convert like any number.
    junk += std::string("\n1 5.0 0 0 0\0 0 0 0 0 0 0\n", 26);
    junk += "2 nan 0 0 0 0 0 0 inf -inf 1e999\n";
    const UniqueFile file = Open(junk);
    const int64_t n = ReadNavRecords(nullptr, 0, file.get(), {});
    std::vector<NavRecord> records(static_cast<size_t>(n));
    ASSERT_EQ(ReadNavRecords(records.data(), records.size(), file.get(), {}), n);
    ASSERT_GE(n, 1);
    EXPECT_TRUE(std::isnan(records.back().time));
    EXPECT_TRUE(std::isinf(records.back().heading));
    EXPECT_GE(ReadGeoRecords(nullptr, 0, file.get(), {}), 0);
}

TEST_F(NavText, OnlyRegularFilesOpen)
{
    EXPECT_FALSE(OpenRegularFile(dir.File("missing.txt"), "r"));
    EXPECT_FALSE(OpenRegularFile(dir.Path().string(), "r")) << "a folder";
    // A named pipe with no writer would block a plain open for ever.
    ASSERT_EQ(mkfifo(dir.File("pipe.txt").c_str(), 0600), 0);
    EXPECT_FALSE(OpenRegularFile(dir.File("pipe.txt"), "r"));
    EXPECT_FALSE(OpenRegularFile("/dev/zero", "r")) << "a device that never ends";
}

}  // namespace
}  // namespace oxv
