// Where the compiled parts put the model's vertices: the rotation order of
// the part lists and of the helicopter's attitude, the scale, offset and
// rotor hubs, read back through OpenGL's feedback mode.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "gl/HeadlessGL.h"
#include "modelgl/HeliModel.h"
#include "modelgl/ModelDrawing.h"
#include "tests/support/ModelTestSupport.h"
#include "tests/support/ScratchDir.h"

#ifdef OXV_SANITIZED
// Mesa's software rasteriser keeps the buffers of its feedback stage past
// the context's end; the leak checker would count them against this test.
extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }
#endif

namespace oxv {
namespace {

using Vec = std::array<double, 3>;

double Rad(double deg) { return deg * M_PI / 180.0; }

// Roll about y, then pitch about -x, then heading about z, as the drawing
// code describes them in words.
Vec Rotate(const Vec& v, double roll, double pitch, double heading)
{
    const double r = Rad(roll), p = Rad(pitch), h = Rad(heading);
    Vec a{v[0] * std::cos(r) + v[2] * std::sin(r), v[1], -v[0] * std::sin(r) + v[2] * std::cos(r)};
    Vec b{a[0], a[1] * std::cos(p) + a[2] * std::sin(p), -a[1] * std::sin(p) + a[2] * std::cos(p)};
    return {b[0] * std::cos(h) - b[1] * std::sin(h), b[0] * std::sin(h) + b[1] * std::cos(h), b[2]};
}

Vec Add(const Vec& a, const Vec& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec Sub(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec Scale(const Vec& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }

class PartPlacement : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        gl = HeadlessGL::Create(16, 16, &error);
        ASSERT_TRUE(gl) << error;
        test::WriteText(dir.File("p.obj"),
                        "v 1 0 0\nv 0 1 0\nv 0 0 1\nv 2 3 4\n"
                        "g body\nf 1 2 3\ng main\nf 4 1 2\ng tail\nf 4 2 3\n");
    }

    // Eye coordinates of every vertex drawn by `draw`, in order.
    template <typename Draw>
    std::vector<Vec> Feedback(Draw&& draw)
    {
        constexpr double kHalf = 1000.0;
        glViewport(0, 0, 2000, 2000);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-kHalf, kHalf, -kHalf, kHalf, -kHalf, kHalf);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        std::vector<GLfloat> buffer(4096);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
        glRenderMode(GL_FEEDBACK);
        draw();
        const GLint n = glRenderMode(GL_RENDER);
        std::vector<Vec> out;
        for (GLint i = 0; i < n;) {
            const auto token = static_cast<GLint>(buffer[static_cast<size_t>(i++)]);
            if (token != GL_POLYGON_TOKEN) {
                ADD_FAILURE() << "unexpected feedback token " << token;
                break;
            }
            const auto count = static_cast<GLint>(buffer[static_cast<size_t>(i++)]);
            for (GLint k = 0; k < count; ++k, i += 3) {
                const auto at = [&](GLint j) { return static_cast<double>(buffer[static_cast<size_t>(j)]); };
                out.push_back({at(i) - kHalf, at(i + 1) - kHalf, kHalf - 2 * kHalf * at(i + 2)});
            }
        }
        return out;
    }

    static void ExpectNear(const std::vector<Vec>& got, const std::vector<Vec>& want)
    {
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i)
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[i][k], want[i][k], 2e-3) << "vertex " << i << " axis " << k;
    }

    std::unique_ptr<HeadlessGL> gl;
    test::ScratchDir dir;
};

TEST_F(PartPlacement, PartListRollsThenPitchesThenTurnsThenMoves)
{
    test::ReaderMessages quiet;
    const ObjModelPtr model = ReadObjModel(dir.File("p.obj"));
    ASSERT_TRUE(model);
    const Vec vertices[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const std::array<double, 3> cases[] = {{90, 0, 0}, {0, 90, 0}, {0, 0, 90}, {30, -20, 135}};
    const double offset[3] = {10, 20, 30};
    const GLuint list = glGenLists(1);
    for (const auto& angles : cases) {
        BuildPartList(list, {"body"}, {}, offset, angles.data(), *model);
        std::vector<Vec> want;
        for (const Vec& v : vertices)
            want.push_back(Add(Rotate(v, angles[0], angles[1], angles[2]), {offset[0], offset[1], offset[2]}));
        SCOPED_TRACE(testing::Message() << angles[0] << " " << angles[1] << " " << angles[2]);
        ExpectNear(Feedback([&] { glCallList(list); }), want);
    }
    const double none[3] = {0, 0, 0};
    BuildPartList(list, {}, {}, offset, none, *model);
    EXPECT_TRUE(Feedback([&] { glCallList(list); }).empty()) << "an empty part list draws nothing";
    BuildPartList(list, {"body", "body", "nosuch", "body "}, {}, none, none, *model);
    EXPECT_EQ(Feedback([&] { glCallList(list); }).size(), 6u) << "named twice, drawn twice; unknown names skipped";
    glDeleteLists(list, 1);
}

TEST_F(PartPlacement, HelicopterPlacesBodyAndRotorsAsItsParametersSay)
{
    test::WriteText(dir.File("p.par"),
                    "~S 2\n~C 1 2 3\n~B 10 20 30\n~M 4 0 0\n~T 0 5 0\n#Body\nbody\n#Main\nmain\n#Tail\ntail\n");
    gl_heli_model heli;
    ASSERT_TRUE(heli.load(dir.File("p.obj")));
    heli.position[0] = 100;
    heli.position[1] = -50;
    heli.position[2] = 7;
    heli.attitude[0] = 5;
    heli.attitude[1] = -15;
    heli.attitude[2] = 200;
    heli.rotor_counter = 3555;  // main 355.5°, tail 346.5°
    const Vec offset{1, 2, 3}, position{100, -50, 7}, mainHub{4, 0, 0}, tailHub{0, 5, 0};

    // position + A·(offset + B·(scale·v)), rotors turned about offset + hub first.
    const auto place = [&](const Vec& v) {
        return Add(position, Rotate(Add(offset, Rotate(Scale(v, 2), 10, 20, 30)), 5, -15, 200));
    };
    const auto spin = [&](const Vec& p, const Vec& hub, double degrees, int axis) {
        // Clockwise about the axis (seen from its positive end).
        const Vec c = Add(offset, hub);
        const Vec d = Sub(p, c);
        const double a = -Rad(degrees);
        Vec r = d;
        if (axis == 2) r = {d[0] * std::cos(a) - d[1] * std::sin(a), d[0] * std::sin(a) + d[1] * std::cos(a), d[2]};
        if (axis == 1) r = {d[0] * std::cos(a) + d[2] * std::sin(a), d[1], -d[0] * std::sin(a) + d[2] * std::cos(a)};
        return Add(c, r);
    };
    const auto local = [&](const Vec& v) { return Add(offset, Rotate(Scale(v, 2), 10, 20, 30)); };
    const auto world = [&](const Vec& p) { return Add(position, Rotate(p, 5, -15, 200)); };

    std::vector<Vec> want;
    for (const Vec& v : {Vec{1, 0, 0}, Vec{0, 1, 0}, Vec{0, 0, 1}}) want.push_back(place(v));
    for (const Vec& v : {Vec{2, 3, 4}, Vec{1, 0, 0}, Vec{0, 1, 0}}) want.push_back(world(spin(local(v), mainHub, 355.5, 2)));
    for (const Vec& v : {Vec{2, 3, 4}, Vec{0, 1, 0}, Vec{0, 0, 1}}) want.push_back(world(spin(local(v), tailHub, 346.5, 1)));
    ExpectNear(Feedback([&] { heli.draw(); }), want);
    EXPECT_EQ(heli.rotor_counter, 3600);
}

}  // namespace
}  // namespace oxv
