// oxvtool with LAS surveys and trajectories, as users run it: convert both
// ways, info on a LAS file with and without its trajectory, playback
// recorded on a LAS survey, and the refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "geo/LocalFrame.h"
#include "base/Profile.h"
#include "survey/SurveyDocument.h"
#include "tests/las/LasFixture.h"
#include "tests/support/OxvtoolRun.h"
#include "tests/support/ScratchDir.h"

namespace oxv::test {
namespace {

// The demo survey's own sensor track as a text trajectory: what a LAS copy
// of it needs to fly again.
void WriteTrajectoryOf(const std::string& survey, const std::string& out)
{
    SurveyDocument doc;
    MemoryProfile profile;
    LoadObserver quiet;
    ASSERT_EQ(doc.LoadPointFile(survey, profile, quiet), LoadStatus::Ok);
    const PointImage& image = *doc.m_pPoints;
    const LocalFrame frame(image.Header().origin);
    FILE* f = std::fopen(out.c_str(), "w");
    ASSERT_NE(f, nullptr);
    for (size_t i = 0; i < static_cast<size_t>(image.Records()); ++i) {
        const Pose p = image.PoseAt(i);
        const double local[3] = {p.v[3] / 1000.0, p.v[4] / 1000.0, p.v[5] / 1000.0};
        double lat, lon, h;
        frame.ToGeodetic(local, lat, lon, h);
        std::fprintf(f, "%.6f %.11f %.11f %.4f %.4f %.4f %.4f\n", image.Time(i) / 400.0, lat, lon, h, p.v[1] / 1000.0,
                     p.v[0] / 1000.0, std::fmod(270.0 - p.v[2] / 1000.0 + 360.0, 360.0));
    }
    std::fclose(f);
}

class OxvtoolLas : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new ScratchDir;
        ASSERT_EQ(RunOxvtool("demo " + s_dir->File("demo") + " --points 3000").status, 0);
        WriteTrajectoryOf(s_dir->File("demo/survey.oxv"), s_dir->File("nav.txt"));
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }
    static std::string File(const std::string& name) { return s_dir->File(name); }
    static nlohmann::json Info(const std::string& args)
    {
        const RunResult r = RunOxvtool("info --json " + args);
        return nlohmann::json::parse(r.out);
    }

    static ScratchDir* s_dir;
};

ScratchDir* OxvtoolLas::s_dir = nullptr;

TEST_F(OxvtoolLas, ConvertsBothWaysAndInfoDescribesTheLasFile)
{
    const std::string oxv = File("demo/survey.oxv");
    ASSERT_EQ(RunOxvtool("convert " + oxv + " " + File("s.las")).status, 0);
    const nlohmann::json las = Info(File("s.las"));
    EXPECT_EQ(las["status"], "ok");
    EXPECT_EQ(las["records"], 3000);
    EXPECT_EQ(las["las"]["version"], "1.4");
    EXPECT_EQ(las["las"]["point_format"], 7);
    EXPECT_EQ(las["las"]["origin_from_file"], true);
    EXPECT_EQ(las["channels"]["origin"], -1);
    EXPECT_FALSE(las.contains("trajectory"));
    // A point file's description has no LAS or trajectory part.
    const nlohmann::json original = Info(oxv);
    EXPECT_FALSE(original.contains("las"));
    EXPECT_EQ(las["stats"]["x"], original["stats"]["x"]);
    EXPECT_EQ(las["stats"]["amplitude"], original["stats"]["amplitude"]);
    EXPECT_EQ(las["origin"], original["origin"]);

    ASSERT_EQ(RunOxvtool("convert " + File("s.las") + " " + File("back.oxv")).status, 0);
    const nlohmann::json back = Info(File("back.oxv"));
    EXPECT_EQ(back["stats"]["z"], original["stats"]["z"]);
    EXPECT_EQ(back["stats"]["time"], original["stats"]["time"]);
}

TEST_F(OxvtoolLas, ATrajectoryLetsTheLasSurveyFlyAsTheOriginalDid)
{
    ASSERT_EQ(RunOxvtool("convert " + File("demo/survey.oxv") + " " + File("utm.las") + " --crs EPSG:32632").status, 0);
    const nlohmann::json flown = Info(File("utm.las") + " --trajectory " + File("nav.txt"));
    const nlohmann::json original = Info(File("demo/survey.oxv"));
    ASSERT_EQ(flown["status"], "ok");
    EXPECT_GE(flown["channels"]["origin"], 0);
    EXPECT_GE(flown["channels"]["pose"], 0);
    EXPECT_EQ(flown["las"]["crs"]["name"], "WGS 84 / UTM zone 32N");
    EXPECT_EQ(flown["trajectory"]["format"], "text");
    EXPECT_EQ(flown["trajectory"]["points_outside"], 0);
    // The ranges of the original within a few millimetres.
    EXPECT_NEAR(flown["stats"]["range"]["min"].get<int>(), original["stats"]["range"]["min"].get<int>(), 3);
    EXPECT_NEAR(flown["stats"]["range"]["max"].get<int>(), original["stats"]["range"]["max"].get<int>(), 3);
    EXPECT_NE(flown["scanner_path"], nullptr);

    // Playback recorded on the LAS survey: helicopter, beams, the cloud.
    EXPECT_EQ(RunOxvtool("record " + File("utm.las") + " --trajectory " + File("nav.txt") + " --out " +
                         File("frames") + " --frames 10:12 --size 64x48 --color range")
                  .status,
              0);
    EXPECT_TRUE(std::filesystem::exists(File("frames/img000010.png")));
    EXPECT_TRUE(std::filesystem::exists(File("frames/img000011.png")));
}

TEST_F(OxvtoolLas, RefusalsExitWithStatusOneAndTheReason)
{
    // A survey with its own sensor channels takes no trajectory.
    EXPECT_EQ(RunOxvtool("info " + File("demo/survey.oxv") + " --trajectory " + File("nav.txt")).status, 1);
    ASSERT_EQ(RunOxvtool("convert " + File("demo/survey.oxv") + " " + File("s.las")).status, 0);
    EXPECT_EQ(RunOxvtool("info " + File("s.las") + " --trajectory " + File("missing.txt")).status, 1);
    // --crs belongs to a LAS output.
    EXPECT_EQ(RunOxvtool("convert " + File("demo/survey.oxv") + " " + File("x.oxv") + " --crs EPSG:32632").status, 2);
    EXPECT_FALSE(std::filesystem::exists(File("x.oxv")));

    // A LAS file without a coordinate system: no camera path, and why.
    LasRecipe recipe;
    recipe.points = {{0, 0, 0, 1, {}, 1.0}, {100, 100, 100, 2, {}, 2.0}};
    WriteBytes(File("nowhere.las"), MakeLas(recipe));
    const RunResult campath = RunOxvtool("campath " + File("nowhere.las") + " " + File("demo") + " --json");
    EXPECT_EQ(campath.status, 1);
    EXPECT_EQ(nlohmann::json::parse(campath.out)["count"], 0);
    const nlohmann::json nowhere = Info(File("nowhere.las"));
    EXPECT_EQ(nowhere["origin"]["latitude"], nullptr);

    // A damaged one: the reason in the JSON.
    std::vector<uint8_t> bytes = MakeLas(recipe);
    bytes[104] |= 0x80;
    WriteBytes(File("packed.las"), bytes);
    const RunResult bad = RunOxvtool("info --json " + File("packed.las"));
    EXPECT_EQ(bad.status, 1);
    const nlohmann::json j = nlohmann::json::parse(bad.out);
    EXPECT_EQ(j["status"], "File format error");
    EXPECT_EQ(j["reason"], "compressed LAS is not supported; decompress it first");
}

}  // namespace
}  // namespace oxv::test
