#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <memory>

#include "survey/SurveyDocument.h"
#include "view/ViewFit.h"

namespace oxv {
namespace {

// The box's corners seen through the camera's own look-at (as the frame
// uses it): the largest of their normalised picture coordinates, 1 at the
// picture's edge; infinity when a corner lies behind the eye.
double LargestPictureCoordinate(OrbitCamera camera, double aspect, const double centre[3], const double size[3])
{
    ComputeLookAt(camera);
    double dir[3], up[3], right[3];
    double n = 0;
    for (int i = 0; i < 3; ++i) {
        dir[i] = camera.lookCenter[i] - camera.lookEye[i];
        n += dir[i] * dir[i];
    }
    for (double& d : dir) d /= std::sqrt(n);
    for (int i = 0; i < 3; ++i) up[i] = camera.lookUp[i];
    right[0] = dir[1] * up[2] - dir[2] * up[1];
    right[1] = dir[2] * up[0] - dir[0] * up[2];
    right[2] = dir[0] * up[1] - dir[1] * up[0];
    const double tanV = std::tan(camera.fovY * 3.141592653589793 / 360.0), tanH = tanV * aspect;
    double largest = 0;
    for (int corner = 0; corner < 8; ++corner) {
        double z = 0, x = 0, y = 0;
        for (int i = 0; i < 3; ++i) {
            const double q = centre[i] + ((corner >> i) & 1 ? 0.5 : -0.5) * size[i] - camera.lookEye[i];
            z += q * dir[i];
            x += q * right[i];
            y += q * up[i];
        }
        if (z <= 0) return INFINITY;
        largest = std::max({largest, std::fabs(x) / (z * tanH), std::fabs(y) / (z * tanV)});
    }
    return largest;
}

TEST(ViewFit, TheWholeBoxFitsTightlyWhateverTheOrientationAndAspect)
{
    struct Case {
        double turnX, turnY, turnZ;  // world turns after the initial camera, degrees
        double aspect;
        double size[3];
        double fov;
    };
    const Case cases[] = {
        {0, 0, 0, 16.0 / 9.0, {1200, 400, 60}, 30},   // a strip, initial view
        {0, 0, 90, 16.0 / 9.0, {1200, 400, 60}, 30},  // turned across the strip
        {0, 40, 0, 0.5, {300, 300, 80}, 30},          // steep, narrow window
        {25, -10, 200, 1.0, {50, 2000, 10}, 60},      // rolled, wide field of view
        {0, 0, 0, 4.0 / 3.0, {0, 0, 0}, 30},          // a single point
    };
    for (const Case& c : cases) {
        OrbitCamera camera;
        InitOrbitCamera(camera);
        camera.fovY = c.fov;
        RotateCameraWorld(c.turnX, c.turnY, c.turnZ, camera);
        const double centre[3] = {5000, -200, 310};
        SetCameraTarget(camera, centre);
        const double before[9] = {camera.rotation[0], camera.rotation[1], camera.rotation[2],
                                  camera.rotation[3], camera.rotation[4], camera.rotation[5],
                                  camera.rotation[6], camera.rotation[7], camera.rotation[8]};
        SetCameraDistance(FitDistance(camera.rotation, camera.fovY, c.aspect, c.size), camera);
        for (int i = 0; i < 9; ++i) EXPECT_EQ(camera.rotation[i], before[i]) << "orientation kept";
        const double largest = LargestPictureCoordinate(camera, c.aspect, centre, c.size);
        if (c.size[0] == 0) {
            EXPECT_EQ(camera.distance, kMinFitDistance * kFitMargin);
            continue;
        }
        EXPECT_LE(largest, 1.0) << c.turnX << " " << c.turnY << " " << c.turnZ;
        EXPECT_GE(largest, 0.9) << "fits with room to spare: " << c.turnX << " " << c.turnY << " " << c.turnZ;
    }
}

// Where a world point lands in the picture: x to the right, y upwards, in
// units of the half-width and half-height.
void PictureOf(OrbitCamera camera, double aspect, const double p[3], double& x, double& y)
{
    ComputeLookAt(camera);
    double dir[3], right[3], z = 0;
    const double* up = camera.lookUp;
    for (int i = 0; i < 3; ++i) dir[i] = (camera.lookCenter[i] - camera.lookEye[i]) / camera.distance;
    right[0] = dir[1] * up[2] - dir[2] * up[1];
    right[1] = dir[2] * up[0] - dir[0] * up[2];
    right[2] = dir[0] * up[1] - dir[1] * up[0];
    x = y = 0;
    for (int i = 0; i < 3; ++i) {
        const double q = p[i] - camera.lookEye[i];
        z += q * dir[i];
        x += q * right[i];
        y += q * up[i];
    }
    const double tanV = std::tan(camera.fovY * 3.141592653589793 / 360.0);
    x /= z * tanV * aspect;
    y /= z * tanV;
}

TEST(ViewFit, StandardViewsLookTheirWayAtTheDataCentreWithTheWholeSurveyInThePicture)
{
    // A survey 1200 m east-west, 400 m north-south, 60 m high, off the origin.
    auto doc = std::make_unique<SurveyDocument>();
    const int32_t lo[3] = {4'400'000, -400'000, 280'000}, hi[3] = {5'600'000, 0, 340'000};
    ValueRange* axes[3] = {&doc->m_xStat, &doc->m_yStat, &doc->m_zStat};
    for (int i = 0; i < 3; ++i) {
        axes[i]->valid = true;
        axes[i]->min = lo[i];
        axes[i]->max = hi[i];
    }
    const double centre[3] = {5000, -200, 310}, size[3] = {1200, 400, 60};
    struct Case {
        StandardView which;
        double look[3];
        // Picture positions of the points east and north of the centre
        // (+1 right or up, -1 left or down, 0 on the centre line).
        int eastX, eastY, northX, northY;
    };
    const Case cases[] = {
        {StandardView::Top, {0, 0, -1}, 1, 0, 0, 1},
        {StandardView::North, {0, 1, 0}, 1, 0, 0, 0},
        {StandardView::South, {0, -1, 0}, -1, 0, 0, 0},
        {StandardView::East, {1, 0, 0}, 0, 0, -1, 0},
        {StandardView::West, {-1, 0, 0}, 0, 0, 1, 0},
    };
    for (double aspect : {16.0 / 9.0, 0.6}) {
        for (const Case& c : cases) {
            ViewState view;
            InitViewState(view);
            view.m_camera.fovY = 40.0;
            RotateCameraWorld(20, -30, 75, view.m_camera);  // wherever the user left it
            ASSERT_TRUE(ShowStandardView(view, doc.get(), aspect, c.which));
            const OrbitCamera& camera = view.m_camera;
            for (int i = 0; i < 3; ++i) {
                EXPECT_NEAR(camera.rotation[3 * i], c.look[i], 1e-12) << static_cast<int>(c.which);
                EXPECT_DOUBLE_EQ(camera.target[i], centre[i]);
            }
            EXPECT_EQ(camera.fovY, 40.0);
            const double largest = LargestPictureCoordinate(camera, aspect, centre, size);
            EXPECT_LE(largest, 1.0) << static_cast<int>(c.which) << " aspect " << aspect;
            // The margin lengthens the whole distance, so a survey deep along
            // the look (1200 m looking east) fills a little less.
            EXPECT_GE(largest, 0.85) << "fills the picture: " << static_cast<int>(c.which) << " aspect " << aspect;

            auto sign = [](double v) { return v > 1e-6 ? 1 : v < -1e-6 ? -1 : 0; };
            const double east[3] = {centre[0] + 100, centre[1], centre[2]};
            const double north[3] = {centre[0], centre[1] + 100, centre[2]};
            const double above[3] = {centre[0], centre[1], centre[2] + 10};
            double x, y;
            PictureOf(camera, aspect, east, x, y);
            EXPECT_EQ(sign(x), c.eastX) << static_cast<int>(c.which);
            EXPECT_EQ(sign(y), c.eastY) << static_cast<int>(c.which);
            PictureOf(camera, aspect, north, x, y);
            EXPECT_EQ(sign(x), c.northX) << static_cast<int>(c.which);
            EXPECT_EQ(sign(y), c.northY) << static_cast<int>(c.which);
            PictureOf(camera, aspect, above, x, y);
            EXPECT_EQ(sign(y), c.which == StandardView::Top ? 0 : 1) << "heights rise in the side views";
        }
    }

    ViewState view;
    InitViewState(view);
    const OrbitCamera before = view.m_camera;
    EXPECT_FALSE(ShowStandardView(view, nullptr, 1.0, StandardView::North)) << "no data, no view";
    view.m_scene.firstPerson = true;
    EXPECT_FALSE(ShowStandardView(view, doc.get(), 1.0, StandardView::Top));
    for (int i = 0; i < 9; ++i) EXPECT_EQ(view.m_camera.rotation[i], before.rotation[i]);
}

TEST(ViewFit, WheelStepsAreATenthOfTheDistance)
{
    EXPECT_DOUBLE_EQ(WheelZoomDistance(100.0, 1), 90.0);
    EXPECT_DOUBLE_EQ(WheelZoomDistance(100.0, 2), 81.0);
    EXPECT_NEAR(WheelZoomDistance(WheelZoomDistance(100.0, 3), -3), 100.0, 1e-9) << "back out as far";
    EXPECT_DOUBLE_EQ(WheelZoomDistance(100.0, 0.5), 100.0 * std::sqrt(0.9)) << "smooth-scrolling fractions";
    EXPECT_EQ(WheelZoomDistance(0.6, 5), kMinWheelDistance);
    EXPECT_EQ(WheelZoomDistance(100.0, NAN), 100.0);
    EXPECT_EQ(WheelZoomDistance(100.0, -1e6), 100.0) << "an absurd step leaves the distance";
}

TEST(ViewFit, ZoomAndResetNeedDataAndTheOrbitCamera)
{
    ViewState view;
    InitViewState(view);
    EXPECT_FALSE(ZoomToExtent(view, nullptr, 1.0));
    EXPECT_EQ(view.m_camera.distance, 150.0);
    // What a first-person flight that ends by itself leaves, and a turned,
    // zoomed and moved orbit.
    view.m_camera.fovY = 45.0;
    RotateCameraWorld(10.0, -20.0, 30.0, view.m_camera);
    SetCameraDistance(20.0, view.m_camera);
    const double moved[3] = {5.0, 6.0, 7.0};
    SetCameraTarget(view.m_camera, moved);
    EXPECT_TRUE(ResetView(view, nullptr));
    ViewState fresh;
    InitViewState(fresh);
    EXPECT_EQ(view.m_camera.fovY, fresh.m_camera.fovY) << "the opening field of view";
    EXPECT_EQ(view.m_camera.distance, fresh.m_camera.distance);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(view.m_camera.orientation[i], fresh.m_camera.orientation[i]);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(view.m_camera.eye[i], fresh.m_camera.eye[i]);
        EXPECT_EQ(view.m_camera.target[i], fresh.m_camera.target[i]);
    }
    view.m_scene.firstPerson = true;
    view.m_camera.distance = 20.0;
    EXPECT_FALSE(ResetView(view, nullptr));
    EXPECT_EQ(view.m_camera.distance, 20.0);
}

}  // namespace
}  // namespace oxv
