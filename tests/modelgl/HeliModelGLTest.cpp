#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "gl/HeadlessGL.h"
#include "tests/modelgl/HeliFixture.h"
#include "modelgl/HeliModel.h"
#include "model/ModelParameters.h"
#include "model/ObjModel.h"
#include "tests/support/ScratchDir.h"

namespace oxv {
namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 150;

using Image = std::vector<unsigned char>;

class HeliModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        gl = HeadlessGL::Create(kWidth, kHeight, &error);
        ASSERT_TRUE(gl) << error;
    }

    // The scene's camera looking at the origin from the front right and
    // above, far enough for `reach` metres around it.
    static void Camera(double reach)
    {
        glViewport(0, 0, kWidth, kHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, double(kWidth) / kHeight, 0.5, 10000.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const double d = reach / std::sin(22.5 * M_PI / 180) * 1.05;
        gluLookAt(0.612 * d, -0.612 * d, 0.5 * d, 0, 0, 0, 0, 0, 1);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    Image Render(gl_heli_model& heli, int32_t counter, double reach = 7.0)
    {
        Camera(reach);
        heli.rotor_counter = counter;
        heli.draw();
        gl->SwapBuffers();
        return gl->ReadRgb();
    }

    static size_t Pixels() { return size_t{kWidth} * kHeight; }
    static bool Lit(const Image& im, size_t p) { return im[p * 3] || im[p * 3 + 1] || im[p * 3 + 2]; }
    static bool Same(const Image& a, const Image& b, size_t p)
    {
        return a[p * 3] == b[p * 3] && a[p * 3 + 1] == b[p * 3 + 1] && a[p * 3 + 2] == b[p * 3 + 2];
    }

    // Renders `obj` (with its .mtl/.png) at two rotor counters, and again
    // with a parameter file that keeps only the rotor sections, and checks
    // that the two full pictures differ, and only where a rotor is in one
    // of them.
    void ExpectRotorsAloneChange(const std::string& obj, int32_t a, int32_t b, double reach)
    {
        gl_heli_model full;
        ASSERT_TRUE(full.load(obj));
        const Image fa = Render(full, a, reach);
        const Image fb = Render(full, b, reach);

        test::ScratchDir rotorsOnly;
        const std::filesystem::path source(obj);
        for (const char* ext : {".obj", ".mtl", ".png"}) {
            std::filesystem::path from = source;
            from.replace_extension(ext);
            if (std::filesystem::exists(from))
                std::filesystem::copy_file(from, rotorsOnly.Path() / ("m" + std::string(ext)));
        }
        for (const auto& entry : std::filesystem::directory_iterator(source.parent_path()))
            if (entry.path().extension() == ".mtl" && !std::filesystem::exists(rotorsOnly.Path() / entry.path().filename()))
                std::filesystem::copy_file(entry.path(), rotorsOnly.Path() / entry.path().filename());
        std::ifstream in(ReplaceExtension(obj, "par"));
        std::ostringstream par;
        std::string line;
        bool keep = false;
        while (std::getline(in, line)) {
            if (!line.empty() && line[0] == '#') keep = line == "#Main" || line == "#Tail" || line == "#Texture";
            if (keep || (!line.empty() && line[0] == '~')) par << line << "\n";
        }
        test::WriteText(rotorsOnly.File("m.par"), par.str());
        gl_heli_model rotors;
        ASSERT_TRUE(rotors.load(rotorsOnly.File("m.obj")));
        const Image ra = Render(rotors, a, reach);
        const Image rb = Render(rotors, b, reach);

        size_t changed = 0, outside = 0, rotorPixels = 0;
        for (size_t p = 0; p < Pixels(); ++p) {
            rotorPixels += Lit(ra, p);
            if (Same(fa, fb, p)) continue;
            ++changed;
            if (!Lit(ra, p) && !Lit(rb, p)) ++outside;
        }
        EXPECT_GT(rotorPixels, 30u) << "the rotors are in the picture";
        EXPECT_GT(changed, 30u) << "the rotors turned";
        EXPECT_EQ(outside, 0u) << "pixels changed where no rotor is";
    }

    std::unique_ptr<HeadlessGL> gl;
    test::ScratchDir dir;
};

TEST_F(HeliModel, LoadCompilesThreeListsReadsParametersAndMakesTheTexture)
{
    gl_heli_model heli;
    ASSERT_TRUE(heli.load(test::WriteHeli(dir.Path().string())));
    ASSERT_NE(heli.list_base, 0u);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_TRUE(glIsList(heli.list_base + i));
    ASSERT_NE(heli.texture_id, 0u);
    EXPECT_TRUE(glIsTexture(heli.texture_id));
    EXPECT_EQ(heli.main_rotor_hub[2], 1.5);
    EXPECT_EQ(heli.tail_rotor_hub[0], -5.5);
    EXPECT_EQ(heli.scale, 1.0);

    const uint32_t lists = heli.list_base, texture = heli.texture_id;
    heli.Release();
    EXPECT_EQ(heli.list_base, 0u);
    EXPECT_EQ(heli.texture_id, 0u);
    EXPECT_FALSE(glIsList(lists));
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(HeliModel, MissingModelLoadsNothingAndDrawDoesNothing)
{
    gl_heli_model heli;
    heli.scale = 2.0;
    EXPECT_FALSE(heli.load(dir.File("gray.obj")));
    EXPECT_EQ(heli.list_base, 0u);
    const Image im = Render(heli, 90);
    EXPECT_EQ(heli.rotor_counter, 90) << "nothing loaded: the counter stays";
    EXPECT_EQ(std::count(im.begin(), im.end(), 0), static_cast<long>(im.size()));
    EXPECT_EQ(heli.scale, 2.0);
}

TEST_F(HeliModel, WithoutParameterFileTheListsAreEmptyButDrawRuns)
{
    const std::string obj = test::WriteHeli(dir.Path().string());
    std::filesystem::remove(dir.File("heli.par"));
    gl_heli_model heli;
    ASSERT_TRUE(heli.load(obj));
    EXPECT_NE(heli.list_base, 0u);
    EXPECT_EQ(heli.texture_id, 0u) << "no Texture section, no texture";
    const Image im = Render(heli, 0);
    EXPECT_EQ(heli.rotor_counter, 45);
    EXPECT_EQ(std::count(im.begin(), im.end(), 0), static_cast<long>(im.size()));
}

TEST_F(HeliModel, RotorCounterWrapsAtAFullTurn)
{
    gl_heli_model heli;
    ASSERT_TRUE(heli.load(test::WriteHeli(dir.Path().string())));
    heli.rotor_counter = 3555;  // main 355.5°, tail 346.5°
    heli.draw();
    EXPECT_EQ(heli.rotor_counter, 3600);
    heli.draw();  // both rotors at 0°
    EXPECT_EQ(heli.rotor_counter, 45);
    // The frame at 3600 is the frame at 0.
    EXPECT_EQ(Render(heli, 3600), Render(heli, 0));
    EXPECT_NE(Render(heli, 3555), Render(heli, 0));
}

TEST_F(HeliModel, DrawRestoresTheStateItFound)
{
    gl_heli_model heli;
    ASSERT_TRUE(heli.load(test::WriteHeli(dir.Path().string())));
    GLint depthBefore = 0, depthAfter = 0;
    for (bool on : {true, false}) {
        Camera(7.0);
        if (on) {
            glEnable(GL_DEPTH_TEST);
            glEnable(GL_BLEND);
        } else {
            glDisable(GL_DEPTH_TEST);
            glDisable(GL_BLEND);
        }
        glDisable(GL_LIGHTING);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
        heli.draw();
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
        EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), on ? GL_TRUE : GL_FALSE);
        EXPECT_EQ(glIsEnabled(GL_BLEND), on ? GL_TRUE : GL_FALSE);
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
        EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
        EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, 0);
        EXPECT_EQ(depthAfter, depthBefore);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

TEST_F(HeliModel, RotorsAtTwoCounterValuesDifferOnlyInRotorPixels)
{
    ExpectRotorsAloneChange(test::WriteHeli(dir.Path().string()), 0, 450, 7.0);
    ExpectRotorsAloneChange(dir.File("heli.obj"), 900, 2745, 7.0);
}

TEST_F(HeliModel, BodyShowsItsTextureUnderTheLights)
{
    const auto bluish = [](const Image& im) {
        size_t n = 0;
        for (size_t p = 0; p < Pixels(); ++p)
            n += im[p * 3 + 2] > im[p * 3] + 60 && im[p * 3 + 2] > im[p * 3 + 1] + 60;
        return n;
    };
    const auto lit = [](const Image& im) {
        size_t n = 0;
        for (size_t p = 0; p < Pixels(); ++p) n += Lit(im, p);
        return n;
    };
    gl_heli_model textured;
    ASSERT_TRUE(textured.load(test::WriteHeli(dir.Path().string())));
    const Image withTexture = Render(textured, 0);
    EXPECT_GT(bluish(withTexture), 100u) << "the blue squares of the texture";

    test::ScratchDir other;
    gl_heli_model plain;
    ASSERT_TRUE(plain.load(test::WriteHeli(other.Path().string(), "~M 0 0 1.5\n#Body\nbody\n#Main\nmain\n")));
    EXPECT_EQ(plain.texture_id, 0u);
    const Image without = Render(plain, 0);
    EXPECT_EQ(bluish(without), 0u);
    EXPECT_GT(lit(without), 1000u) << "the lights show the untextured body";

    test::ScratchDir noPng;
    gl_heli_model missingTexture;
    ASSERT_TRUE(missingTexture.load(test::WriteHeli(noPng.Path().string(), test::kHeliParameters, false)));
    EXPECT_EQ(missingTexture.texture_id, 0u);
    EXPECT_GT(lit(Render(missingTexture, 0)), 1000u) << "drawn untextured";
}

TEST_F(HeliModel, PoseMovesTheWholeHelicopter)
{
    gl_heli_model heli;
    ASSERT_TRUE(heli.load(test::WriteHeli(dir.Path().string())));
    const Image home = Render(heli, 0, 20.0);
    heli.position[0] = 8.0;
    const Image moved = Render(heli, 0, 20.0);
    heli.position[0] = 0.0;
    heli.attitude[2] = 90.0;
    const Image turned = Render(heli, 0, 20.0);
    EXPECT_NE(home, moved);
    EXPECT_NE(home, turned);
    heli.attitude[2] = 0.0;
    EXPECT_EQ(Render(heli, 0, 20.0), home);
}

// The demo helicopter that ships in resources/model, once it is there.
TEST_F(HeliModel, DemoHelicopterRotorsDifferOnlyInRotorPixels)
{
    const std::string obj = std::string(OXV_SOURCE_DIR) + "/resources/model/gray.obj";
    if (!std::filesystem::exists(obj)) GTEST_SKIP() << "no demo helicopter in resources/model";
    {
        gl_heli_model demo;
        ASSERT_TRUE(demo.load(obj));
        EXPECT_NE(demo.list_base, 0u);
        EXPECT_NE(demo.texture_id, 0u) << "its Texture section names groups and gray.png decodes";
    }
    ObjModelPtr model = ReadObjModel(obj);
    ASSERT_TRUE(model);
    ModelSections sections;
    ModelParameters params;
    ASSERT_TRUE(ReadModelParameters(ReplaceExtension(obj, "par"), sections, params));
    double reach = 0;
    for (uint32_t i = 1; i <= model->vertexCount; ++i) {
        const float* v = &model->vertices[size_t{i} * 3];
        reach = std::max(reach, std::sqrt(double(v[0] * v[0] + v[1] * v[1] + v[2] * v[2])));
    }
    const double* o = params.model_offset;
    reach = reach * std::abs(params.scale) + std::sqrt(o[0] * o[0] + o[1] * o[1] + o[2] * o[2]);
    ExpectRotorsAloneChange(obj, 0, 450, reach);
}

}  // namespace
}  // namespace oxv
