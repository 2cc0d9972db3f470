#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "camera/OrbitCamera.h"

namespace oxv {
namespace {

constexpr double kPi = std::numbers::pi;

void ExpectVec(const double* v, double x, double y, double z, double tol = 1e-9)
{
    EXPECT_NEAR(v[0], x, tol);
    EXPECT_NEAR(v[1], y, tol);
    EXPECT_NEAR(v[2], z, tol);
}

// Column 0 of the rotation: where the camera looks.
void ViewDir(const OrbitCamera& c, double d[3])
{
    for (int i = 0; i < 3; ++i) d[i] = c.rotation[3 * i];
}

double AngleBetween(const double a[3], const double b[3])
{
    const double dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    const double na = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    const double nb = std::sqrt(b[0] * b[0] + b[1] * b[1] + b[2] * b[2]);
    return std::acos(std::clamp(dot / (na * nb), -1.0, 1.0));
}

double EyeToTarget(const OrbitCamera& c)
{
    const double d[3] = {c.eye[0] - c.target[0], c.eye[1] - c.target[1], c.eye[2] - c.target[2]};
    return std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}

CameraInput Event(int32_t type, int32_t x, int32_t y, int32_t w = 800, int32_t h = 600)
{
    return CameraInput{type, 0, 0, w, h, x, y};
}

TEST(OrbitCamera, InitialLookAtIsEastAndFortyFiveDegreesDown)
{
    OrbitCamera c;
    InitOrbitCamera(c);
    ComputeLookAt(c);
    const double r = 75.0 * std::sqrt(2.0);
    ExpectVec(c.lookEye, -r, 0, r);
    ExpectVec(c.lookCenter, 0, 0, 0, 1e-9);
    ExpectVec(c.lookUp, std::sqrt(0.5), 0, std::sqrt(0.5));
    EXPECT_EQ(c.fovY, 30.0);
    EXPECT_EQ(c.distance, 150.0);
    EXPECT_EQ(c.leftDrag + c.rightDrag, 0);
}

TEST(OrbitCamera, EulerAppliesXThenYThenZAboutWorldAxes)
{
    // Rx(90) takes y to z, then Rz(90) leaves z; x goes to y under Rz only.
    const double angles[3] = {kPi / 2, 0, kPi / 2};
    double q[4], R[9];
    EulerToQuaternion(angles, q);
    QuaternionToMatrix(q, R);
    const double ex[3] = {1, 0, 0}, ey[3] = {0, 1, 0};
    double out[3];
    MatVecMul(3, out, R, 3, ex);
    ExpectVec(out, 0, 1, 0);
    MatVecMul(3, out, R, 3, ey);
    ExpectVec(out, 0, 0, 1);
}

TEST(OrbitCamera, ZeroQuaternionIsLeftAlone)
{
    double q[4] = {0, 0, 0, 0};
    EXPECT_EQ(NormalizeQuaternion(q), 0);
    EXPECT_EQ(q[0] + q[1] + q[2] + q[3], 0.0);
    double p[4] = {2, 0, 0, 0};
    EXPECT_EQ(NormalizeQuaternion(p), 1);
    EXPECT_EQ(p[0], 1.0);
}

TEST(OrbitCamera, TurnByANonFiniteAngleKeepsTheOrientation)
{
    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    const double angles[][3] = {{0, 0, nan}, {inf, 0, 0}, {0, -inf, 0}};
    for (const auto& a : angles) {
        OrbitCamera c;
        InitOrbitCamera(c);
        const OrbitCamera before = c;
        RotateCameraWorld(a[0], a[1], a[2], c);
        RotateCameraLocal(a[0], a[1], a[2], c);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(c.orientation[i], before.orientation[i]);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(c.eye[i], before.eye[i]);
        RotateCameraWorld(0, 0, 10, c);
        EXPECT_TRUE(std::isfinite(c.orientation[0])) << "a later turn still works";
        EXPECT_NE(c.orientation[3], before.orientation[3]);
    }
    double q[4] = {std::nan(""), 0, 0, 0};
    EXPECT_EQ(NormalizeQuaternion(q), 0);
}

TEST(OrbitCamera, LeftDragTurnsByTheFirstOrderStepOrNearlyFovInSmallSteps)
{
    const int32_t h = 600;
    const double fov = 30.0 * kPi / 180.0;
    {
        OrbitCamera c;
        InitOrbitCamera(c);
        double before[3], after[3];
        ViewDir(c, before);
        EXPECT_EQ(CameraMouseEvent(Event(kLeftPress, 400, 0), c), 1);
        EXPECT_EQ(CameraMouseEvent(Event(kMouseMove, 400, h), c), 0);
        ViewDir(c, after);
        EXPECT_NEAR(AngleBetween(before, after), 2 * std::atan(30.0 * kPi / 360.0), 1e-9);
        EXPECT_LT(AngleBetween(before, after), fov);
        EXPECT_NEAR(EyeToTarget(c), 150.0, 1e-9) << "the eye orbits the target";
        ExpectVec(c.eye, -150 * after[0], -150 * after[1], -150 * after[2]);
    }
    {
        OrbitCamera c;
        InitOrbitCamera(c);
        double before[3], after[3];
        ViewDir(c, before);
        CameraMouseEvent(Event(kLeftPress, 400, 0), c);
        for (int32_t y = 1; y <= h; ++y) CameraMouseEvent(Event(kMouseMove, 400, y), c);
        ViewDir(c, after);
        EXPECT_NEAR(AngleBetween(before, after), fov, 1e-5);
        // A vertical drag pitches: the turn stays in the vertical plane through x.
        EXPECT_NEAR(after[1], 0.0, 1e-9);
    }
}

TEST(OrbitCamera, HorizontalLeftDragYawsAboutTheCameraUp)
{
    OrbitCamera c;
    InitOrbitCamera(c);
    double upBefore[3] = {c.rotation[2], c.rotation[5], c.rotation[8]};
    CameraMouseEvent(Event(kLeftPress, 100, 300), c);
    CameraMouseEvent(Event(kMouseMove, 160, 300), c);
    const double upAfter[3] = {c.rotation[2], c.rotation[5], c.rotation[8]};
    EXPECT_NEAR(AngleBetween(upBefore, upAfter), 0.0, 1e-9);
    double dir[3];
    ViewDir(c, dir);
    EXPECT_LT(dir[1], 0.0) << "dragging right turns the view to the right (south when looking east)";
}

TEST(OrbitCamera, RightDragZoomsWithClampAndRollsOnHorizontalMotion)
{
    struct Case {
        int32_t dy;
        double distance;
    };
    for (const Case& k : {Case{600, 0.1}, Case{-600, 650.0}, Case{60, 100.0}, Case{179, 150.0 - 500.0 * 179 / 600}}) {
        OrbitCamera c;
        InitOrbitCamera(c);
        CameraMouseEvent(Event(kRightPress, 400, 0), c);
        CameraMouseEvent(Event(kMouseMove, 400, k.dy), c);
        EXPECT_NEAR(c.distance, k.distance, 1e-12) << k.dy;
        EXPECT_NEAR(EyeToTarget(c), c.distance, 1e-9);
    }
    OrbitCamera c;
    InitOrbitCamera(c);
    double dirBefore[3], dirAfter[3];
    ViewDir(c, dirBefore);
    const double upBefore[3] = {c.rotation[2], c.rotation[5], c.rotation[8]};
    CameraMouseEvent(Event(kRightPress, 100, 300), c);
    CameraMouseEvent(Event(kMouseMove, 300, 300), c);
    ViewDir(c, dirAfter);
    const double upAfter[3] = {c.rotation[2], c.rotation[5], c.rotation[8]};
    EXPECT_EQ(c.distance, 150.0);
    EXPECT_NEAR(AngleBetween(dirBefore, dirAfter), 0.0, 1e-9) << "a roll keeps the viewing axis";
    EXPECT_NEAR(AngleBetween(upBefore, upAfter), 2 * std::atan(10.0 * kPi / 360.0), 1e-9);
}

TEST(OrbitCamera, DragStateMachine)
{
    OrbitCamera c;
    InitOrbitCamera(c);
    const OrbitCamera start = c;
    EXPECT_EQ(CameraMouseEvent(Event(kMouseMove, 10, 10), c), 0);
    EXPECT_EQ(std::memcmp(c.orientation, start.orientation, sizeof c.orientation), 0);
    EXPECT_EQ(c.distance, start.distance);

    EXPECT_EQ(CameraMouseEvent(Event(kLeftRelease, 0, 0), c), 0) << "a release without a press";
    EXPECT_EQ(c.leftDrag, 0);
    EXPECT_EQ(CameraMouseEvent(Event(99, 0, 0), c), 0);

    // Both buttons: the left rule consumes the motion, the zoom sees none.
    EXPECT_EQ(CameraMouseEvent(Event(kLeftPress, 400, 300), c), 1);
    EXPECT_EQ(CameraMouseEvent(Event(kRightPress, 400, 300), c), 1);
    CameraMouseEvent(Event(kMouseMove, 400, 500), c);
    EXPECT_EQ(c.distance, 150.0);
    EXPECT_EQ(c.lastY, 500);
    CameraMouseEvent(Event(kRightRelease, 400, 500), c);
    CameraMouseEvent(Event(kLeftRelease, 400, 500), c);
    EXPECT_EQ(c.leftDrag + c.rightDrag, 0);

    // A client area with no height: nothing turns, nothing becomes NaN.
    CameraMouseEvent(Event(kLeftPress, 0, 0, 800, 0), c);
    const OrbitCamera before = c;
    CameraMouseEvent(Event(kMouseMove, 50, 50, 800, 0), c);
    EXPECT_EQ(std::memcmp(c.orientation, before.orientation, sizeof c.orientation), 0);
    EXPECT_FALSE(std::isnan(c.eye[0]));
}

TEST(OrbitCamera, WorldTurnOfNinetyDegreesTurnsByTwoAtanQuarterPi)
{
    OrbitCamera c;
    InitOrbitCamera(c);
    const double target[3] = {10, 20, 5};
    SetCameraTarget(c, target);
    double total = 0.0;
    for (int i = 0; i < 4; ++i) {
        double before[3], after[3];
        ViewDir(c, before);
        RotateCameraWorld(0, 0, 90, c);
        ViewDir(c, after);
        const double turn = std::atan2(after[1], after[0]) - std::atan2(before[1], before[0]);
        const double heading = std::remainder(turn, 2 * kPi);
        EXPECT_NEAR(heading, 2 * std::atan(kPi / 4), 1e-9);
        EXPECT_NEAR(after[2], -std::sqrt(0.5), 1e-9) << "a turn about the vertical keeps the pitch";
        EXPECT_NEAR(EyeToTarget(c), 150.0, 1e-9);
        total += heading;
    }
    EXPECT_NEAR(total * 180 / kPi, 4 * 2 * std::atan(kPi / 4) * 180 / kPi, 1e-6);
    EXPECT_NEAR(total * 180 / kPi, 305.2, 0.1);
}

TEST(OrbitCamera, TargetAndDistanceMoveTheEye)
{
    OrbitCamera c;
    InitOrbitCamera(c);
    const double p[3] = {100, -50, 20};
    SetCameraTarget(c, p);
    ComputeLookAt(c);
    ExpectVec(c.lookCenter, 100, -50, 20, 1e-9);
    SetCameraDistance(0.01, c);  // no clamp here
    EXPECT_EQ(c.distance, 0.01);
    EXPECT_NEAR(EyeToTarget(c), 0.01, 1e-12);
    SetCameraTarget(c, c.target);  // aliasing the camera's own target
    ExpectVec(c.target, 100, -50, 20);
}

TEST(OrbitCamera, MatrixToQuaternionGivesTheRotationBackIncludingHalfTurns)
{
    // Every branch: w largest, then x, y or z largest (half turns about
    // each axis have w = 0), and turns about skew axes.
    const double angleSets[][3] = {{0, 0, 0},          {kPi, 0, 0},     {0, kPi, 0},          {0, 0, kPi},
                                   {0.3, -1.2, 2.9},   {kPi, 0, kPi / 2}, {-2.5, 0.4, -3.0},  {0, kPi / 2, kPi}};
    for (const auto& angles : angleSets) {
        double q[4], R[9], back[4], again[9];
        EulerToQuaternion(angles, q);
        QuaternionToMatrix(q, R);
        MatrixToQuaternion(R, back);
        QuaternionToMatrix(back, again);
        for (int i = 0; i < 9; ++i) EXPECT_NEAR(again[i], R[i], 1e-12) << angles[0] << " " << angles[1] << " " << angles[2];
        EXPECT_NEAR(back[0] * back[0] + back[1] * back[1] + back[2] * back[2] + back[3] * back[3], 1.0, 1e-12);
    }
}

TEST(OrbitCamera, SetCameraAxesLooksWhereToldAndTheOrbitStillTurnsFromThere)
{
    struct Case {
        double look[3], up[3];
        double left[3];  // the picture's left the camera must end with
    };
    const Case cases[] = {
        {{0, 0, -1}, {0, 1, 0}, {-1, 0, 0}},  // straight down, north up: west on the left
        {{0, 1, 0}, {0, 0, 1}, {-1, 0, 0}},   // north
        {{0, -1, 0}, {0, 0, 1}, {1, 0, 0}},   // south
        {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},    // east
        {{-1, 0, 0}, {0, 0, 1}, {0, -1, 0}},  // west: a half turn from the identity
        {{3, 0, -3}, {0, 0, 5}, {0, 1, 0}},   // not unit, up not square to the look
    };
    for (const Case& c : cases) {
        OrbitCamera cam;
        InitOrbitCamera(cam);
        const double target[3] = {100, -50, 20};
        SetCameraTarget(cam, target);
        SetCameraDistance(40, cam);
        ASSERT_TRUE(SetCameraAxes(cam, c.look, c.up));
        const double n = std::sqrt(c.look[0] * c.look[0] + c.look[1] * c.look[1] + c.look[2] * c.look[2]);
        double dir[3];
        ViewDir(cam, dir);
        ExpectVec(dir, c.look[0] / n, c.look[1] / n, c.look[2] / n);
        const double left[3] = {cam.rotation[1], cam.rotation[4], cam.rotation[7]};
        ExpectVec(left, c.left[0], c.left[1], c.left[2]);
        ExpectVec(cam.target, 100, -50, 20);
        EXPECT_NEAR(EyeToTarget(cam), 40, 1e-9);
        ComputeLookAt(cam);
        ExpectVec(cam.lookCenter, 100, -50, 20, 1e-9);

        // A left drag from there turns about the camera's own up as always.
        const OrbitCamera before = cam;
        CameraMouseEvent(Event(kLeftPress, 400, 300), cam);
        CameraMouseEvent(Event(kMouseMove, 410, 300), cam);
        double turned[3];
        ViewDir(cam, turned);
        EXPECT_GT(AngleBetween(dir, turned), 0.001);
        const double up[3] = {before.rotation[2], before.rotation[5], before.rotation[8]};
        const double upAfter[3] = {cam.rotation[2], cam.rotation[5], cam.rotation[8]};
        EXPECT_LT(AngleBetween(up, upAfter), 1e-9) << "a sideways drag keeps the up";
    }

    OrbitCamera cam;
    InitOrbitCamera(cam);
    const OrbitCamera before = cam;
    const double zero[3] = {0, 0, 0}, down[3] = {0, 0, -2}, up[3] = {0, 0, 1};
    EXPECT_FALSE(SetCameraAxes(cam, zero, up));
    EXPECT_FALSE(SetCameraAxes(cam, down, up)) << "up along the look";
    EXPECT_FALSE(SetCameraAxes(cam, up, zero));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(cam.orientation[i], before.orientation[i]);
}

}  // namespace
}  // namespace oxv
