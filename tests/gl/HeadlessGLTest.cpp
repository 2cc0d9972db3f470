#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include "gl/HeadlessGL.h"
#include "image/PngImageWriter.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/PngRead.h"

namespace oxv {
namespace {

using test::DecodePng;

TEST(HeadlessGL, DrawsReadsBackTopRowFirstAndWritesPng)
{
    std::string error;
    auto gl = HeadlessGL::Create(64, 32, &error);
    ASSERT_NE(gl, nullptr) << error;
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 64, 0, 32, -1, 1);
    glColor3ub(255, 0, 0);
    glBegin(GL_QUADS);  // the upper half, in GL's bottom-up coordinates
    glVertex2i(0, 16);
    glVertex2i(64, 16);
    glVertex2i(64, 32);
    glVertex2i(0, 32);
    glEnd();
    gl->SwapBuffers();
    const std::vector<unsigned char> rgb = gl->ReadRgb();
    ASSERT_EQ(rgb.size(), 64u * 32u * 3u);
    EXPECT_EQ(rgb[0], 255);
    EXPECT_EQ(rgb[2], 0) << "row 0 is the top row";
    const size_t bottom = (31 * 64) * 3;
    EXPECT_EQ(rgb[bottom], 0);
    EXPECT_EQ(rgb[bottom + 2], 255);

    test::ScratchDir dir;
    ASSERT_TRUE(WritePngRgb(dir.File("f.png"), 64, 32, rgb.data(), 64 * 3));
    int w = 0, h = 0;
    EXPECT_EQ(DecodePng(dir.File("f.png"), w, h), rgb);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 32);
    EXPECT_FALSE(WritePngRgb(dir.File("missing/f.png"), 64, 32, rgb.data(), 64 * 3));
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing/f.png.part")));

    ASSERT_TRUE(gl->Resize(8, 8));
    EXPECT_EQ(gl->ReadRgb().size(), 8u * 8u * 3u);
}

}  // namespace
}  // namespace oxv
