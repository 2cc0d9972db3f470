#include <GL/gl.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

#include "gl/HeadlessGL.h"
#include "modelgl/ModelDrawing.h"
#include "tests/support/PngFixture.h"
#include "modelgl/PngTexture.h"
#include "tests/support/ScratchDir.h"

namespace oxv {
namespace {

using Bytes = std::vector<uint8_t>;

class PngTexture : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        gl = HeadlessGL::Create(16, 16, &error);
        ASSERT_TRUE(gl) << error;
        // Top row red, green; bottom row blue, white.
        ASSERT_TRUE(test::WriteRgbPng(dir.File("t.png"), 2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
    }

    unsigned Bind(const std::string& name, int mipmap = PNG_NOMIPMAP, PngTextureSizing sizing = PngTextureSizing::Auto,
                  PngTextureInfo* info = nullptr)
    {
        std::FILE* f = std::fopen(dir.File(name).c_str(), "rb");
        if (!f) return 0;
        const unsigned t = BindPngTextureFile(f, mipmap, PNG_SOLID, info, GL_CLAMP, GL_LINEAR, GL_NEAREST, sizing);
        std::fclose(f);
        return t;
    }

    static GLint Level(int level, GLenum what)
    {
        GLint v = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, what, &v);
        return v;
    }
    static GLint Param(GLenum what)
    {
        GLint v = -1;
        glGetTexParameteriv(GL_TEXTURE_2D, what, &v);
        return v;
    }
    static Bytes Texels(int width, int height)
    {
        Bytes texels(size_t(width) * height * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        return texels;
    }

    std::unique_ptr<HeadlessGL> gl;
    test::ScratchDir dir;
};

TEST_F(PngTexture, UploadsTheImageUnflippedWithTheRequestedModes)
{
    PngTextureInfo info;
    const unsigned t = Bind("t.png", PNG_NOMIPMAP, PngTextureSizing::Auto, &info);
    ASSERT_NE(t, 0u);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<unsigned>(bound), t) << "left bound";
    EXPECT_EQ(Level(0, GL_TEXTURE_WIDTH), 2);
    EXPECT_EQ(Level(0, GL_TEXTURE_HEIGHT), 2);
    EXPECT_EQ(Texels(2, 2), (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}))
        << "the file's first row is texture row t = 0";
    EXPECT_EQ(Param(GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(Param(GL_TEXTURE_WRAP_T), GL_CLAMP);
    EXPECT_EQ(Param(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(Param(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(info.width, 2u);
    EXPECT_EQ(info.height, 2u);
    EXPECT_EQ(info.depth, 8u);
    EXPECT_EQ(info.alpha, 0u);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4) << "the unpack alignment is restored";
}

TEST_F(PngTexture, ScalesToPowersOfTwoWhenAskedAndBuildsMipmaps)
{
    Bytes rgb(3 * 5 * 3, 200);
    ASSERT_TRUE(test::WriteRgbPng(dir.File("odd.png"), 3, 5, rgb));
    PngTextureInfo info;
    ASSERT_NE(Bind("odd.png", PNG_NOMIPMAP, PngTextureSizing::PowerOfTwo, &info), 0u);
    EXPECT_EQ(Level(0, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(Level(0, GL_TEXTURE_HEIGHT), 4);
    EXPECT_EQ(info.width, 3u) << "the info describes the file";
    EXPECT_EQ(Texels(4, 4), Bytes(4 * 4 * 3, 200)) << "a flat colour stays flat when scaled";

    ASSERT_NE(Bind("odd.png"), 0u);
    EXPECT_EQ(Level(0, GL_TEXTURE_WIDTH), 3) << "this implementation takes any size";

    // Rows of 3 bytes: scaling writes them unpadded whatever the caller's
    // pack alignment (padded rows would overrun the scaled image).
    ASSERT_TRUE(test::WriteRgbPng(dir.File("thin.png"), 1, 300, Bytes(300 * 3, 90)));
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    ASSERT_NE(Bind("thin.png", PNG_NOMIPMAP, PngTextureSizing::PowerOfTwo), 0u);
    EXPECT_EQ(Level(0, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(Level(0, GL_TEXTURE_HEIGHT), 256);
    GLint pack = 0;
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack);
    EXPECT_EQ(pack, 8) << "restored";
    EXPECT_EQ(Texels(1, 256), Bytes(256 * 3, 90));

    ASSERT_NE(Bind("odd.png", PNG_BUILDMIPMAP), 0u);
    EXPECT_GT(Level(1, GL_TEXTURE_WIDTH), 0) << "a level 1 exists";
    EXPECT_EQ(Bind("odd.png", 3), 0u) << "unknown mipmap mode";
}

TEST_F(PngTexture, ViewingGammaChangesTheTexels)
{
    ASSERT_TRUE(test::WriteRgbPng(dir.File("g.png"), 1, 1, {128, 128, 128}));
    setenv("VIEWING_GAMMA", "1.0", 1);
    const unsigned t = Bind("g.png");
    unsetenv("VIEWING_GAMMA");
    ASSERT_NE(t, 0u);
    const Bytes texel = Texels(1, 1);
    EXPECT_NEAR(texel[0], 56, 1) << "an uncorrected screen: 255 × (128/255)^2.2";
    ASSERT_NE(Bind("g.png"), 0u);
    EXPECT_EQ(Texels(1, 1)[0], 128) << "2.2 by default, matching the assumed file gamma";
}

TEST_F(PngTexture, FailuresGiveZeroAndLeaveNoTexture)
{
    test::WriteBytes(dir.File("bad.png"), {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0});
    GLuint probe = 0;
    glGenTextures(1, &probe);
    EXPECT_EQ(Bind("bad.png"), 0u);
    GLuint next = 0;
    glGenTextures(1, &next);
    EXPECT_EQ(next, probe + 1) << "no texture name was taken by the failure";
    EXPECT_EQ(LoadModelTexture(dir.File("missing.png")), 0u);
    EXPECT_EQ(LoadModelTexture(dir.File("bad.png")), 0u);
    EXPECT_EQ(LoadModelTexture(dir.Path().string()), 0u) << "a folder";
    ASSERT_EQ(mkfifo(dir.File("pipe.png").c_str(), 0600), 0);
    EXPECT_EQ(LoadModelTexture(dir.File("pipe.png")), 0u) << "a pipe with no writer would block the open";
}

TEST_F(PngTexture, ModelTextureRepeatsWithNearestFiltering)
{
    const unsigned t = LoadModelTexture(dir.File("t.png"));
    ASSERT_NE(t, 0u);
    EXPECT_EQ(Param(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(Param(GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(Param(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(Param(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(Level(1, GL_TEXTURE_WIDTH), 0) << "no mipmaps";
}

}  // namespace
}  // namespace oxv
