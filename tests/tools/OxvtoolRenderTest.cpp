#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "tests/support/OxvtoolRun.h"
#include "tests/view/ViewFixture.h"

namespace oxv {
namespace {

int RunOxvtool(const std::string& args) { return test::RunOxvtool(args).status; }

struct Png {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    int Count(bool (*is)(int, int, int)) const
    {
        int n = 0;
        for (size_t i = 0; i + 2 < rgb.size(); i += 3) n += is(rgb[i], rgb[i + 1], rgb[i + 2]) ? 1 : 0;
        return n;
    }
};

Png Decode(const std::string& path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Png png;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return png;
    image.format = PNG_FORMAT_RGB;
    png.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, png.rgb.data(), 0, nullptr)) return {};
    png.width = static_cast<int>(image.width);
    png.height = static_cast<int>(image.height);
    return png;
}

class OxvtoolRender : public ::testing::Test {
protected:
    void SetUp() override
    {
        // One flat grey-ish patch beside the origin: Original colours (102, 255, 178).
        test::WritePatches(dir.File("s.oxv"), {{5, 5, 20, 0, 102, 255, 178, 200, 81}});
        PointFileLayout noColor;
        noColor.channels.color = -1;
        test::WritePatches(dir.File("plain.oxv"), {{5, 5, 20, 0, 0, 0, 0, 0, 81}}, noColor);
    }
    std::string Out() const { return dir.File("out.png"); }
    test::ScratchDir dir;
};

bool Green(int r, int g, int b) { return g == 255 && r == 0 && b > 100; }

TEST_F(OxvtoolRender, WritesTheOpeningFrameAtTheRequestedSize)
{
    ASSERT_EQ(RunOxvtool("render " + dir.File("s.oxv") + " --out " + Out()), 0);
    Png png = Decode(Out());
    EXPECT_EQ(png.width, 1280);
    EXPECT_EQ(png.height, 720);
    EXPECT_GT(png.Count(Green), 5000) << "Original colours";
    // The target is the data centre: points of the patch around the middle pixel.
    int nearMiddle = 0;
    for (int row = 357; row <= 363; ++row)
        for (int col = 637; col <= 643; ++col) {
            const size_t i = (static_cast<size_t>(row) * 1280 + static_cast<size_t>(col)) * 3;
            nearMiddle += Green(png.rgb[i], png.rgb[i + 1], png.rgb[i + 2]) ? 1 : 0;
        }
    EXPECT_GT(nearMiddle, 3);

    ASSERT_EQ(RunOxvtool("render " + dir.File("s.oxv") + " --out " + Out() +
                         " --size 320x200 --levels 0.4,0.95 --point-size 3"),
              0);
    png = Decode(Out());
    ASSERT_EQ(png.width, 320);
    EXPECT_GT(png.Count([](int r, int g, int b) { return r == 0 && g == 255 && std::abs(b - 138) <= 1; }), 1000);
}

TEST_F(OxvtoolRender, ColorModesDragsAndFallBack)
{
    const auto red = [](int r, int g, int b) { return r == 255 && g == 0 && b == 0; };
    ASSERT_EQ(RunOxvtool("render " + dir.File("plain.oxv") + " --out " + Out() + " --size 320x200"), 0);
    EXPECT_GT(Decode(Out()).Count(red), 1000) << "no colour channel: Height, and a flat survey is red";

    ASSERT_EQ(RunOxvtool("render " + dir.File("s.oxv") + " --out " + Out() + " --size 320x200 --color AmpBW"), 0);
    EXPECT_GT(Decode(Out()).Count([](int r, int g, int b) { return r == 255 && g == 255 && b == 255; }), 1000)
        << "one amplitude: t = 1, white";

    // Zooming in fills the frame; orbiting a quarter turn changes the picture.
    ASSERT_EQ(RunOxvtool("render " + dir.File("s.oxv") + " --out " + Out() + " --size 320x200 --zoom 54"), 0);
    const Png near = Decode(Out());
    ASSERT_EQ(RunOxvtool("render " + dir.File("s.oxv") + " --out " + Out() + " --size 320x200"), 0);
    const Png plain = Decode(Out());
    EXPECT_GT(near.Count(Green), plain.Count(Green));
    ASSERT_EQ(RunOxvtool("render " + dir.File("s.oxv") + " --out " + Out() + " --size 320x200 --orbit 150,0 --grid"),
              0);
    EXPECT_NE(Decode(Out()).rgb, plain.rgb);
}

TEST_F(OxvtoolRender, FitShowsTheWholeSurveyFromTheOrientationReached)
{
    // Two patches 2 km apart: green in the south-west, magenta in the north-east.
    const std::string wide = dir.File("wide.oxv");
    test::WritePatches(wide, {{-1000, -600, 20, 0, 102, 255, 178, 200, 41}, {980, 580, 20, 30, 255, 102, 178, 200, 41}});
    const auto magenta = [](int r, int g, int b) { return r == 255 && g == 0 && b > 100; };
    ASSERT_EQ(RunOxvtool("render " + wide + " --out " + Out() + " --size 320x200"), 0);
    const Png opening = Decode(Out());
    EXPECT_FALSE(opening.Count(Green) > 0 && opening.Count(magenta) > 0) << "the opening view shows only the centre";
    for (const char* orbit : {"", " --orbit 150,0", " --orbit 40,-60"}) {
        ASSERT_EQ(RunOxvtool("render " + wide + " --out " + Out() + " --size 320x200 --fit" + orbit), 0) << orbit;
        const Png fit = Decode(Out());
        EXPECT_GT(fit.Count(Green), 0) << orbit;
        EXPECT_GT(fit.Count(magenta), 0) << orbit;
        // Nothing of the survey on the picture's border rows and columns.
        int edge = 0;
        for (int y = 0; y < fit.height; ++y)
            for (int x = 0; x < fit.width; ++x) {
                if (x != 0 && y != 0 && x != fit.width - 1 && y != fit.height - 1) continue;
                const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(fit.width) + static_cast<size_t>(x)) * 3;
                edge += Green(fit.rgb[i], fit.rgb[i + 1], fit.rgb[i + 2]) || magenta(fit.rgb[i], fit.rgb[i + 1], fit.rgb[i + 2]);
            }
        EXPECT_EQ(edge, 0) << orbit;
    }
}

TEST_F(OxvtoolRender, LegendAddsTheColorBarInTheCornerOnly)
{
    // Heights from 0 to 30 m: a ramp with both ends.
    const std::string hills = dir.File("hills.oxv");
    test::WritePatches(hills, {{-20, -20, 10, 0, 1, 2, 3, 40, 11}, {10, 10, 10, 30, 1, 2, 3, 200, 11}});
    const std::string base = "render " + hills + " --out " + Out() + " --size 400x300 --color height";
    ASSERT_EQ(RunOxvtool(base), 0);
    const Png plain = Decode(Out());
    ASSERT_EQ(RunOxvtool(base + " --legend"), 0);
    const Png legend = Decode(Out());
    ASSERT_EQ(plain.rgb.size(), legend.rgb.size());
    int changedOutside = 0, red = 0, green = 0, white = 0;
    for (int y = 0; y < legend.height; ++y)
        for (int x = 0; x < legend.width; ++x) {
            const size_t i = (static_cast<size_t>(y) * 400 + static_cast<size_t>(x)) * 3;
            const uint8_t* p = &legend.rgb[i];
            const bool corner = x >= 400 - 160 && y >= 300 - 130;  // bottom right
            if (!corner) {
                changedOutside += std::memcmp(p, &plain.rgb[i], 3) != 0;
                continue;
            }
            red += p[0] > 240 && p[1] < 20 && p[2] == 0;
            green += p[1] > 240 && p[0] < 20 && p[2] == 0;
            white += p[0] == 255 && p[1] == 255 && p[2] == 255;
        }
    EXPECT_EQ(changedOutside, 0);
    EXPECT_GT(red, 20) << "the bar's top, the highest colour";
    EXPECT_GT(green, 20) << "the bar's bottom";
    EXPECT_GT(white, 40) << "the labels";

    // Original colours have no bar.
    ASSERT_EQ(RunOxvtool("render " + hills + " --out " + Out() + " --size 400x300"), 0);
    const Png original = Decode(Out());
    ASSERT_EQ(RunOxvtool("render " + hills + " --out " + Out() + " --size 400x300 --legend"), 0);
    EXPECT_EQ(Decode(Out()).rgb, original.rgb);
}

TEST_F(OxvtoolRender, RefusesBadInputWithoutWritingAFile)
{
    test::WriteBytes(dir.File("bad.oxv"), {1, 2, 3, 4, 5});
    const std::string s = dir.File("s.oxv") + " --out " + Out();
    for (const std::string& args :
         {"render " + dir.File("missing.oxv") + " --out " + Out(), "render " + dir.File("bad.oxv") + " --out " + Out(),
          "render " + s + " --size 0x10", "render " + s + " --size 640", "render " + s + " --size 99999x10",
          "render " + s + " --levels 0.9,0.5", "render " + s + " --levels x,1", "render " + s + " --point-size 6",
          "render " + s + " --color purple", "render " + s + " --orbit 3", "render " + dir.File("s.oxv"),
          "render " + s + " --budget -1", "render " + s + " --budget many", "render " + s + " --budget 1000000001"}) {
        EXPECT_NE(RunOxvtool(args), 0) << args;
        EXPECT_FALSE(std::filesystem::exists(Out())) << args;
    }
    EXPECT_NE(RunOxvtool("render " + dir.File("s.oxv") + " --out " + dir.File("no/such/dir.png")), 0);
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(OxvtoolRender, BudgetDrawsEveryKthRecordAndTimingsSayWhatItCost)
{
    // 6,561 records; a budget of 1,000 takes every 7th: 938 points.
    const std::string base = "render " + dir.File("s.oxv") + " --size 400x300 --out ";
    const test::RunResult full = test::RunOxvtool(base + Out() + " --timings");
    ASSERT_EQ(full.status, 0);
    const nlohmann::json timings = nlohmann::json::parse(full.out);
    ASSERT_TRUE(timings.is_object()) << full.out;
    EXPECT_EQ(timings.size(), 4u);
    for (const char* key : {"open_ms", "compile_ms", "frame_ms"}) {
        ASSERT_TRUE(timings.contains(key) && timings[key].is_number()) << key << " in " << full.out;
        EXPECT_GE(timings[key].get<double>(), 0.0) << key;
    }
    EXPECT_EQ(timings.at("points_drawn"), 6561);
    const int fullGreen = Decode(Out()).Count(Green);

    const test::RunResult moving = test::RunOxvtool(base + dir.File("b.png") + " --budget 1000 --timings");
    ASSERT_EQ(moving.status, 0);
    EXPECT_EQ(nlohmann::json::parse(moving.out).at("points_drawn"), 938);
    const int movingGreen = Decode(dir.File("b.png")).Count(Green);
    EXPECT_GT(movingGreen, 0) << "in the same colours";
    EXPECT_LT(movingGreen, fullGreen / 3);
}

TEST_F(OxvtoolRender, WithoutABudgetBelowOrOffThePictureIsTheStillFrame)
{
    const std::string base = "render " + dir.File("s.oxv") + " --size 400x300 --color height --grid --out ";
    ASSERT_EQ(RunOxvtool(base + Out()), 0);
    const std::string still = FileBytes(Out());
    ASSERT_FALSE(still.empty());
    for (const char* extra : {" --timings", " --budget 0", " --budget 6561", " --budget 100000 --timings"}) {
        ASSERT_EQ(RunOxvtool(base + dir.File("other.png") + extra), 0) << extra;
        EXPECT_EQ(FileBytes(dir.File("other.png")), still) << extra;
    }
    EXPECT_EQ(test::RunOxvtool(base + Out()).out, "") << "nothing on standard output without --timings";
}

}  // namespace
}  // namespace oxv
