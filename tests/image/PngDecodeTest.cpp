#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "image/PngDecode.h"
#include "tests/support/PngFixture.h"
#include "tests/support/ScratchDir.h"

namespace oxv {
namespace {

using Bytes = std::vector<uint8_t>;

class PngDecoding : public ::testing::Test {
protected:
    bool Decode(const std::string& name, int transparency = PNG_SOLID, double screenGamma = 2.2)
    {
        std::FILE* f = std::fopen(dir.File(name).c_str(), "rb");
        if (!f) return false;
        const bool ok = DecodePng(f, transparency, screenGamma, image);
        std::fclose(f);
        return ok;
    }
    void Write(const std::string& name, const test::PngPicture& picture) { ASSERT_TRUE(test::WritePng(dir.File(name), picture)); }

    test::ScratchDir dir;
    PngPixels image;
};

TEST_F(PngDecoding, EveryColorTypeAndDepthBecomesEightBitRgb)
{
    struct Case {
        const char* what;
        test::PngPicture picture;
        Bytes rgb;
    };
    std::vector<Case> cases;
    {
        test::PngPicture s;
        s.width = 2;
        s.rows = {10, 20, 30, 200, 210, 220};
        cases.push_back({"rgb 8", s, {10, 20, 30, 200, 210, 220}});
    }
    {
        test::PngPicture s;
        s.width = 3;
        s.colorType = PNG_COLOR_TYPE_PALETTE;
        s.palette = {{255, 0, 0}, {0, 255, 0}, {1, 2, 3}};
        s.rows = {2, 0, 1};
        cases.push_back({"palette 8", s, {1, 2, 3, 255, 0, 0, 0, 255, 0}});
    }
    {
        test::PngPicture s;
        s.width = 3;
        s.colorType = PNG_COLOR_TYPE_PALETTE;
        s.bitDepth = 4;
        s.palette = {{9, 9, 9}, {40, 50, 60}};
        s.rows = {0x10, 0x10};  // indices 1, 0, 1 packed two to a byte
        cases.push_back({"palette 4", s, {40, 50, 60, 9, 9, 9, 40, 50, 60}});
    }
    {
        test::PngPicture s;
        s.width = 2;
        s.colorType = PNG_COLOR_TYPE_GRAY;
        s.rows = {0, 77};
        cases.push_back({"grey 8", s, {0, 0, 0, 77, 77, 77}});
    }
    {
        test::PngPicture s;
        s.width = 3;
        s.colorType = PNG_COLOR_TYPE_GRAY;
        s.bitDepth = 1;
        s.rows = {0xA0};  // 1, 0, 1
        cases.push_back({"grey 1", s, {255, 255, 255, 0, 0, 0, 255, 255, 255}});
    }
    {
        test::PngPicture s;
        s.width = 1;
        s.colorType = PNG_COLOR_TYPE_GRAY;
        s.bitDepth = 16;
        s.rows = {0x80, 0x00};
        cases.push_back({"grey 16", s, {128, 128, 128}});
    }
    {
        test::PngPicture s;
        s.width = 1;
        s.bitDepth = 16;
        s.rows = {0xFF, 0xFF, 0x00, 0x00, 0xAB, 0xCD};
        cases.push_back({"rgb 16", s, {255, 0, 171}});
    }
    {
        test::PngPicture s;
        s.width = 1;
        s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
        s.rows = {1, 2, 3, 0};
        cases.push_back({"rgba, alpha dropped", s, {1, 2, 3}});
    }
    {
        test::PngPicture s;
        s.width = 2;
        s.height = 2;
        s.interlaced = true;
        s.rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        cases.push_back({"interlaced", s, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}});
    }
    for (const Case& c : cases) {
        Write("c.png", c.picture);
        ASSERT_TRUE(Decode("c.png")) << c.what;
        EXPECT_EQ(image.pixels, c.rgb) << c.what;
        EXPECT_EQ(image.components, 3u) << c.what;
        EXPECT_EQ(image.width, static_cast<unsigned>(c.picture.width)) << c.what;
        EXPECT_EQ(image.fileDepth, static_cast<unsigned>(c.picture.bitDepth)) << c.what;
    }
}

TEST_F(PngDecoding, AlphaModeKeepsAlphaAndTransparentColors)
{
    test::PngPicture s;
    s.width = 2;
    s.colorType = PNG_COLOR_TYPE_PALETTE;
    s.palette = {{10, 20, 30}, {40, 50, 60}};
    s.transparentIndices = {0};
    s.rows = {0, 1};
    Write("p.png", s);
    ASSERT_TRUE(Decode("p.png", PNG_ALPHA));
    EXPECT_EQ(image.pixels, (Bytes{10, 20, 30, 0, 40, 50, 60, 255}));
    EXPECT_TRUE(image.fileAlpha);
    ASSERT_TRUE(Decode("p.png", PNG_SOLID));
    EXPECT_EQ(image.pixels, (Bytes{10, 20, 30, 40, 50, 60})) << "solid ignores the transparent entry";

    test::PngPicture rgb;
    rgb.rows = {7, 8, 9};
    Write("o.png", rgb);
    ASSERT_TRUE(Decode("o.png", PNG_ALPHA));
    EXPECT_EQ(image.pixels, (Bytes{7, 8, 9, 255})) << "opaque when the file has no alpha";
    EXPECT_FALSE(image.fileAlpha);
    EXPECT_FALSE(Decode("o.png", -3)) << "unknown transparency mode";
}

TEST_F(PngDecoding, GammaMapsTheFileGammaToTheScreen)
{
    const auto expected = [](double value, double fileGamma, double screenGamma) {
        return std::lround(255.0 * std::pow(value / 255.0, 1.0 / (fileGamma * screenGamma)));
    };
    test::PngPicture s;
    s.rows = {128, 64, 255};
    Write("plain.png", s);
    ASSERT_TRUE(Decode("plain.png", PNG_SOLID, 2.2));
    EXPECT_EQ(image.pixels, (Bytes{128, 64, 255})) << "no gAMA (1/2.2) on a 2.2 screen: unchanged";

    ASSERT_TRUE(Decode("plain.png", PNG_SOLID, 1.0));
    EXPECT_NEAR(image.pixels[0], expected(128, 1 / 2.2, 1.0), 1);
    EXPECT_NEAR(image.pixels[1], expected(64, 1 / 2.2, 1.0), 1);
    EXPECT_EQ(image.pixels[2], 255);

    s.gamma = 1.0;  // linear data
    Write("linear.png", s);
    ASSERT_TRUE(Decode("linear.png", PNG_SOLID, 2.2));
    EXPECT_NEAR(image.pixels[0], expected(128, 1.0, 2.2), 1);
    EXPECT_GT(image.pixels[0], 180);
}

TEST(PngScreenGamma, ComesFromViewingGammaWhenItIsAPositiveNumber)
{
    const char* saved = std::getenv("VIEWING_GAMMA");
    const std::string keep = saved ? saved : "";
    unsetenv("VIEWING_GAMMA");
    EXPECT_EQ(ScreenGammaFromEnvironment(), 2.2);
    const std::vector<std::pair<const char*, double>> cases = {
        {"1.8", 1.8}, {" 1.0", 1.0}, {"abc", 2.2}, {"-1", 2.2}, {"0", 2.2}, {"", 2.2}, {"nan", 2.2}};
    for (const auto& [text, gamma] : cases) {
        setenv("VIEWING_GAMMA", text, 1);
        EXPECT_EQ(ScreenGammaFromEnvironment(), gamma) << text;
    }
    if (saved)
        setenv("VIEWING_GAMMA", keep.c_str(), 1);
    else
        unsetenv("VIEWING_GAMMA");
}

TEST_F(PngDecoding, BadFilesFailCleanly)
{
    test::PngPicture good;
    good.width = 16;
    good.height = 16;
    good.rows.assign(16 * 16 * 3, 99);
    Write("good.png", good);
    const Bytes bytes = test::ReadBytes(dir.File("good.png"));
    ASSERT_GT(bytes.size(), 60u);

    std::vector<std::pair<std::string, Bytes>> bad;
    bad.push_back({"empty", {}});
    bad.push_back({"text", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'}});
    bad.push_back({"signature only", Bytes(bytes.begin(), bytes.begin() + 8)});
    bad.push_back({"truncated", Bytes(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() - 20))});
    Bytes corrupt = bytes;
    corrupt[bytes.size() - 30] ^= 0xFF;  // inside the image data: its checksum fails
    bad.push_back({"corrupt", corrupt});
    Bytes huge = bytes;
    huge[16] = huge[20] = 0x7F;  // IHDR width and height far beyond the limit
    bad.push_back({"huge", huge});
    for (const auto& [what, data] : bad) {
        test::WriteBytes(dir.File("bad.png"), data);
        EXPECT_FALSE(Decode("bad.png")) << what;
        EXPECT_TRUE(image.pixels.empty()) << what;
    }
    EXPECT_FALSE(DecodePng(nullptr, PNG_SOLID, 2.2, image));
    EXPECT_TRUE(Decode("good.png"));
}

TEST(PngTextureSize, FitsToPowersOfTwoWhenNeededAndToTheLimit)
{
    struct Case {
        unsigned w, h;
        bool pot;
        unsigned max, fw, fh;
    };
    const Case cases[] = {
        {300, 200, false, 4096, 300, 200}, {300, 200, true, 4096, 256, 256}, {400, 5, true, 4096, 512, 4},
        {384, 1, true, 4096, 512, 1},      {5000, 10, false, 4096, 4096, 10}, {5000, 10, true, 4096, 4096, 8},
        {1, 1, true, 4096, 1, 1},
    };
    for (const Case& c : cases) {
        unsigned w = 0, h = 0;
        FitTextureSize(c.w, c.h, c.pot, c.max, w, h);
        EXPECT_EQ(w, c.fw) << c.w << "x" << c.h << " pot " << c.pot;
        EXPECT_EQ(h, c.fh) << c.w << "x" << c.h << " pot " << c.pot;
    }
}

}  // namespace
}  // namespace oxv
