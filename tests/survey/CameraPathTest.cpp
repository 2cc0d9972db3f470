#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <vector>

#include "survey/CameraPath.h"
#include "tests/support/NavFixture.h"
#include "survey/SurveyDocument.h"
#include "tests/support/SurveyFixture.h"

namespace oxv {

// Found by argument lookup for vectors of nodes.
bool operator==(const PathNode& a, const PathNode& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

namespace {

constexpr double kDeg = 0.017453292519943278;
constexpr double kLat0 = 47.0, kLon0 = 8.0, kH0 = 400.0;

PointFileLayout LayoutAt(double latDeg, double lonDeg, double h)
{
    PointFileLayout layout;
    layout.origin = GeodeticOrigin{latDeg * kDeg, lonDeg * kDeg, h};
    return layout;
}

PointImage ImageAt(double latDeg, double lonDeg, double h)
{
    const auto bytes = test::SurveyBytes(LayoutAt(latDeg, lonDeg, h), 4,
                                         [](int32_t i, PointRecord& r) { test::SteadyFlight(i, r); });
    return test::ImageOf(bytes);
}

std::vector<PathNode> Nodes(const PathNode* path)
{
    return path ? std::vector<PathNode>(path, path + path[0].key) : std::vector<PathNode>{};
}

std::vector<uint8_t> Bytes(const std::vector<PathNode>& nodes)
{
    const auto* p = reinterpret_cast<const uint8_t*>(nodes.data());
    return std::vector<uint8_t>(p, p + nodes.size() * sizeof(PathNode));
}

// A short flight east and north of the origin.
std::vector<test::NavEpoch> Flight(int count = 5)
{
    std::vector<test::NavEpoch> epochs;
    for (int i = 0; i < count; ++i)
        epochs.push_back({345600.25 + 0.5 * i, kLat0 + 0.0001 * i, kLon0 + 0.0002 * i, kH0 + 50.0, 1.5, -2.25,
                          -12.3456 + i});
    return epochs;
}

std::vector<std::string> FolderEntries(const test::ScratchDir& dir)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(BuildCameraPath, KeysAnglesAndPositionsTruncateTowardZero)
{
    const PointImage image = ImageAt(kLat0, kLon0, kH0);
    NavRecord nav[3] = {{345600.25, 9, 9, 9, 0, 0, 0, 1.5, -2.25, -12.3456},
                        {345600.75, 9, 9, 9, 0, 0, 0, 0.0009, -0.0009, 179.9999},
                        {345601.2509, 9, 9, 9, 0, 0, 0, 0, 0, 0}};
    const GeoRecord geo[3] = {{0, kLat0, kLon0, kH0}, {0, kLat0, kLon0, kH0 - 0.0015}, {0, kLat0 + 0.001, kLon0, kH0}};
    const auto path = BuildCameraPath(nav, 3, geo, image);
    ASSERT_TRUE(path);
    EXPECT_EQ(path[0].key, 3) << "node 0's key holds the count";
    EXPECT_EQ(path[1].key, 500);
    EXPECT_EQ(path[2].key, 1000) << "1000.9 ms";
    EXPECT_EQ((std::vector<int32_t>{path[0].roll, path[0].pitch, path[0].heading}),
              (std::vector<int32_t>{1500, -2250, -12345}));
    EXPECT_EQ((std::vector<int32_t>{path[1].roll, path[1].pitch, path[1].heading}),
              (std::vector<int32_t>{0, 0, 179999}));
    EXPECT_EQ((std::vector<int32_t>{path[0].x, path[0].y, path[0].z}), (std::vector<int32_t>{0, 0, 0}))
        << "the origin, whatever navx.txt said about the position";
    EXPECT_EQ(path[1].z, -1) << "-1.5 mm";
    EXPECT_EQ(path[2].x, 0);
    // A thousandth of a degree along the meridian radius at 47 degrees
    // (6369620.02 m, plus the origin's 400 m).
    EXPECT_EQ(path[2].y, 111177);
    EXPECT_NEAR(nav[2].north, 111.1778, 1e-4) << "local positions are written into the records";
}

TEST(BuildCameraPath, NonFiniteAndHugeValuesSaturate)
{
    const PointImage image = ImageAt(kLat0, kLon0, kH0);
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    NavRecord nav[2] = {{0, 0, 0, 0, 0, 0, 0, nan, inf, -inf}, {1e300, 0, 0, 0, 0, 0, 0, 1e12, -1e12, 0}};
    const GeoRecord geo[2] = {{0, nan, inf, -inf}, {0, 1e300, -1e300, 1e300}};
    const auto path = BuildCameraPath(nav, 2, geo, image);
    ASSERT_TRUE(path);
    EXPECT_EQ(path[0].roll, 0) << "NaN";
    EXPECT_EQ(path[0].pitch, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(path[0].heading, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(path[1].key, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(path[1].z, std::numeric_limits<int32_t>::max());
    EXPECT_FALSE(BuildCameraPath(nav, 0, geo, image));
}

class CameraPathImportTest : public ::testing::Test {
protected:
    std::string CachePath() const { return nav.File("cam_path.bin"); }
    CameraPathImport Import() const { return ImportCameraPath(nav.Path().string(), image); }
    test::ScratchDir nav;
    PointImage image = ImageAt(kLat0, kLon0, kH0);
};

TEST_F(CameraPathImportTest, TextFilesBecomeAPathAndItsCache)
{
    auto epochs = Flight();
    test::WriteNavFolder(nav, epochs);
    // geo.txt pairs with navx.txt by order, whatever its own times say.
    std::string geo;
    for (auto e : epochs) geo += test::GeoLine({e.time + 0.1, e.latitude, e.longitude, e.height});
    test::WriteText(nav.File("geo.txt"), geo);

    const CameraPathImport imported = Import();
    ASSERT_EQ(imported.source, CameraPathSource::Text);
    EXPECT_TRUE(imported.cached);
    const auto nodes = Nodes(imported.path.get());
    ASSERT_EQ(nodes.size(), 5u);
    EXPECT_EQ(nodes[0].key, 5);
    EXPECT_EQ(nodes[4].key, 2000);
    EXPECT_EQ(nodes[0].heading, -12345);
    EXPECT_EQ(nodes[0].z, 50000);
    EXPECT_GT(nodes[4].x, 0);
    EXPECT_GT(nodes[4].y, 0);
    EXPECT_EQ(test::ReadBytes(CachePath()), Bytes(nodes)) << "the cache is the array as held";
    EXPECT_EQ(FolderEntries(nav), (std::vector<std::string>{"cam_path.bin", "cam_path.src", "geo.txt", "navx.txt"}))
        << "no temporary file left behind";
    EXPECT_EQ(imported.cacheProblem, "");
}

TEST_F(CameraPathImportTest, TimeWindowSelectsEpochsStrictly)
{
    test::WriteNavFolder(nav, Flight(5), std::make_pair(345600.25, 345602.25));
    const auto nodes = Nodes(Import().path.get());
    ASSERT_EQ(nodes.size(), 3u) << "the first and last epochs lie on the window's edges";
    EXPECT_EQ(nodes[1].key, 500) << "keys count from the first accepted record";
    EXPECT_EQ(nodes[0].heading, -11345);
}

// The cache serves the survey origin and the text files it was built from;
// anything else builds the path again and rewrites the cache and its record.
TEST_F(CameraPathImportTest, CacheServesOnlyTheOriginAndFilesItWasBuiltFrom)
{
    const PointImage north = ImageAt(kLat0 + 0.0001 / kDeg, kLon0, kH0 + 7.0);
    const auto later = [](const std::string& path) {
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
    };
    struct Case {
        const char* name;
        std::function<void(const test::ScratchDir&)> change;
        bool otherSurvey;
        CameraPathSource expect;
        size_t nodes;
    };
    const Case cases[] = {
        {"nothing changed", [](auto&) {}, false, CameraPathSource::Cache, 5},
        {"a survey further north and higher", [](auto&) {}, true, CameraPathSource::Text, 5},
        {"navx.txt and geo.txt of another flight", [](auto& d) { test::WriteNavFolder(d, Flight(9)); }, false,
         CameraPathSource::Text, 9},
        {"gps_tw.txt added", [](auto& d) { test::WriteText(d.File("gps_tw.txt"), "345600.25\n345602.25\n"); }, false,
         CameraPathSource::Text, 3},
        {"geo.txt touched", [&](auto& d) { later(d.File("geo.txt")); }, false, CameraPathSource::Text, 5},
        {"text files gone, same survey", [](auto& d) {
             std::filesystem::remove(d.File("navx.txt"));
             std::filesystem::remove(d.File("geo.txt"));
         },
         false, CameraPathSource::Cache, 5},
        {"text files gone, another survey", [](auto& d) {
             std::filesystem::remove(d.File("navx.txt"));
             std::filesystem::remove(d.File("geo.txt"));
         },
         true, CameraPathSource::None, 0},
        {"no record beside the cache", [](auto& d) { std::filesystem::remove(d.File("cam_path.src")); }, false,
         CameraPathSource::Text, 5},
        {"a record that is not ours", [](auto& d) { test::WriteText(d.File("cam_path.src"), "\x01\x02garbage"); },
         false, CameraPathSource::Text, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ScratchDir dir;
        test::WriteNavFolder(dir, Flight(5));
        const CameraPathImport first = ImportCameraPath(dir.Path().string(), image);
        ASSERT_TRUE(first.cached);
        c.change(dir);
        const PointImage& survey = c.otherSurvey ? north : image;
        const CameraPathImport imported = ImportCameraPath(dir.Path().string(), survey);
        EXPECT_EQ(imported.source, c.expect);
        const auto nodes = Nodes(imported.path.get());
        ASSERT_EQ(nodes.size(), c.nodes);
        if (c.expect == CameraPathSource::Cache) {
            EXPECT_EQ(nodes, Nodes(first.path.get()));
        }
        if (c.expect != CameraPathSource::Text) continue;
        EXPECT_TRUE(imported.cached);
        EXPECT_EQ(test::ReadBytes(dir.File("cam_path.bin")), Bytes(nodes));
        if (c.otherSurvey) {
            // 0.0001 rad along the meridian is some 637 m; 7 m higher.
            EXPECT_NEAR(nodes[1].y - Nodes(first.path.get())[1].y, -637000, 2000);
            EXPECT_EQ(nodes[1].z - Nodes(first.path.get())[1].z, -7000);
        }
        const CameraPathImport again = ImportCameraPath(dir.Path().string(), survey);
        EXPECT_EQ(again.source, CameraPathSource::Cache) << "the rebuilt cache serves the next import";
        EXPECT_EQ(Nodes(again.path.get()), nodes);
    }
}

TEST_F(CameraPathImportTest, CacheWithoutItsTextFilesStillLoads)
{
    const std::vector<PathNode> nodes = {{2, 1, 2, 3, 4, 5, 6}, {100, 7, 8, 9, 10, 11, 12}};
    test::WriteBytes(CachePath(), Bytes(nodes));
    const CameraPathImport imported = Import();
    EXPECT_EQ(imported.source, CameraPathSource::Cache);
    EXPECT_EQ(Nodes(imported.path.get()), nodes);
}

TEST_F(CameraPathImportTest, InvalidCacheIsIgnoredAndReplaced)
{
    test::WriteNavFolder(nav, Flight(5));
    const auto good = Nodes(Import().path.get());
    std::vector<uint8_t> cache = Bytes(good);
    const auto withCount = [&](int32_t count, size_t length) {
        std::vector<uint8_t> bytes(length, 0x5a);
        std::copy_n(cache.begin(), std::min(length, cache.size()), bytes.begin());
        if (length >= 4) std::memcpy(bytes.data(), &count, 4);
        return bytes;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"shorter than a count", {5, 0}},
        {"count 0", withCount(0, 0 * 28)},
        {"negative count", withCount(-1, 28)},
        {"one node short", withCount(5, 4 * 28)},
        {"one byte long", withCount(5, 5 * 28 + 1)},
        {"huge count, small file", withCount(std::numeric_limits<int32_t>::max(), 28)},
        {"count times 28 wraps to the length in 32 bits", withCount(153391690, 24)},
    };
    for (const Case& c : cases) {
        test::WriteBytes(CachePath(), c.bytes);
        const CameraPathImport imported = Import();
        EXPECT_EQ(imported.source, CameraPathSource::Text) << c.name;
        EXPECT_EQ(Nodes(imported.path.get()), good) << c.name;
        EXPECT_TRUE(imported.cached) << c.name;
        EXPECT_EQ(test::ReadBytes(CachePath()), cache) << c.name << ": replaced by a whole cache";
    }
}

TEST_F(CameraPathImportTest, MissingOrUnpairedFilesImportNothing)
{
    struct Case {
        const char* name;
        std::string navx, geo;
    };
    const std::string navx = test::NavxLine(1, {10.0, kLat0, kLon0, kH0}) + test::NavxLine(2, {11.0, kLat0, kLon0, kH0});
    const std::string geo = test::GeoLine({10.0, kLat0, kLon0, kH0}) + test::GeoLine({11.0, kLat0, kLon0, kH0});
    const Case cases[] = {
        {"no navx.txt", "", geo},
        {"no geo.txt", navx, ""},
        {"no accepted navx record", "% only a comment\n", "% only a comment\n"},
        {"one geo record too few", navx, test::GeoLine({10.0, kLat0, kLon0, kH0})},
        {"one geo record too many", navx, geo + geo},
    };
    for (const Case& c : cases) {
        test::ScratchDir dir;
        if (!c.navx.empty()) test::WriteText(dir.File("navx.txt"), c.navx);
        if (!c.geo.empty()) test::WriteText(dir.File("geo.txt"), c.geo);
        const CameraPathImport imported = ImportCameraPath(dir.Path().string(), image);
        EXPECT_EQ(imported.source, CameraPathSource::None) << c.name;
        EXPECT_FALSE(imported.path) << c.name;
        EXPECT_FALSE(std::filesystem::exists(dir.File("cam_path.bin"))) << c.name;
    }
}

TEST_F(CameraPathImportTest, NamedPipesDoNotHangTheImport)
{
    ASSERT_EQ(mkfifo(nav.File("cam_path.bin").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(nav.File("navx.txt").c_str(), 0600), 0);
    test::WriteText(nav.File("geo.txt"), test::GeoLine({10.0, kLat0, kLon0, kH0}));
    EXPECT_EQ(Import().source, CameraPathSource::None);
}

TEST_F(CameraPathImportTest, CacheInTheWayIsBuiltButNotCached)
{
    // A folder where the cache should go: the rename fails, as it does in a
    // folder without write access, and nothing is left behind.
    test::WriteNavFolder(nav, Flight(5));
    std::filesystem::create_directories(nav.Path() / "cam_path.bin" / "keep");
    const CameraPathImport imported = Import();
    EXPECT_EQ(imported.source, CameraPathSource::Text);
    EXPECT_EQ(Nodes(imported.path.get()).size(), 5u);
    EXPECT_FALSE(imported.cached);
    EXPECT_EQ(imported.cacheProblem, "cannot write " + CachePath() + ": Is a directory");
    EXPECT_EQ(FolderEntries(nav), (std::vector<std::string>{"cam_path.bin", "geo.txt", "navx.txt"}));
}

TEST_F(CameraPathImportTest, ReadOnlyFolderIsBuiltButNotCached)
{
    test::WriteNavFolder(nav, Flight(5));
    std::filesystem::permissions(nav.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (access(nav.Path().c_str(), W_OK) == 0) GTEST_SKIP() << "running with rights that ignore folder permissions";
    const CameraPathImport imported = Import();
    EXPECT_EQ(imported.source, CameraPathSource::Text);
    EXPECT_EQ(Nodes(imported.path.get()).size(), 5u);
    EXPECT_FALSE(imported.cached);
    EXPECT_FALSE(std::filesystem::exists(CachePath()));
}

TEST_F(CameraPathImportTest, InterruptedWriteLeavesTheOldCacheWhole)
{
    // The file size limit cuts the write after 100 bytes, as a full disk would.
    const std::vector<PathNode> old = {{1, 0, 0, 0, 7, 7, 7}};
    test::WriteBytes(CachePath(), Bytes(old));
    std::vector<PathNode> nodes(10, PathNode{0, 1, 2, 3, 4, 5, 6});
    nodes[0].key = 10;

    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteCameraPathCache(CachePath(), nodes.data());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(written);
    EXPECT_EQ(test::ReadBytes(CachePath()), Bytes(old));
    EXPECT_EQ(FolderEntries(nav), (std::vector<std::string>{"cam_path.bin"}));
    EXPECT_TRUE(WriteCameraPathCache(CachePath(), nodes.data()));
    EXPECT_EQ(test::ReadBytes(CachePath()), Bytes(nodes));
}

TEST_F(CameraPathImportTest, DocumentImportsOnlyWithASurveyAndKeepsItsPathOnFailure)
{
    test::WriteNavFolder(nav, Flight(5));
    SurveyDocument doc;
    EXPECT_EQ(doc.ImportCameraPath(nav.Path().string()), CameraPathSource::None) << "no survey loaded";
    EXPECT_FALSE(doc.m_pCameraPath);
    EXPECT_FALSE(std::filesystem::exists(CachePath()));

    test::ScratchDir surveys;
    test::WriteSurvey(surveys.File("s.oxv"), LayoutAt(kLat0, kLon0, kH0), 10,
                      [](int32_t i, PointRecord& r) { test::SteadyFlight(i, r); });
    MemoryProfile profile;
    LoadObserver quiet;
    ASSERT_EQ(doc.LoadPointFile(surveys.File("s.oxv"), profile, quiet), LoadStatus::Ok);
    EXPECT_EQ(doc.ImportCameraPath(nav.Path().string()), CameraPathSource::Text);
    const auto imported = Nodes(doc.m_pCameraPath.get());
    ASSERT_EQ(imported.size(), 5u);

    test::ScratchDir empty;
    EXPECT_EQ(doc.ImportCameraPath(empty.Path().string()), CameraPathSource::None);
    EXPECT_EQ(Nodes(doc.m_pCameraPath.get()), imported) << "a failed import keeps the previous path";
    test::WriteBytes(empty.File("cam_path.bin"), {1, 2, 3});
    EXPECT_EQ(doc.ImportCameraPath(empty.Path().string()), CameraPathSource::None);
    EXPECT_EQ(Nodes(doc.m_pCameraPath.get()), imported) << "so does a corrupt cache without text files";

    ASSERT_EQ(doc.LoadPointFile(surveys.File("s.oxv"), profile, quiet), LoadStatus::Ok);
    EXPECT_FALSE(doc.m_pCameraPath) << "opening a survey discards the camera path";
    EXPECT_EQ(doc.ImportCameraPath(nav.Path().string()), CameraPathSource::Cache);
}

}  // namespace
}  // namespace oxv
