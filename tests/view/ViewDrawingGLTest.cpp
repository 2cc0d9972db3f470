// Frames rendered headlessly and checked where a user would see a fault.

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>

#include "gl/HeadlessGL.h"
#include "survey/SurveyDocument.h"
#include "tests/view/ViewGLFixture.h"
#include "view/ViewState.h"

#if defined(OXV_SANITIZED)
// Mesa's software driver allocates its feedback-mode pipeline on first use
// and keeps it past the context's destruction; that is the driver's, not ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }
#endif

namespace oxv {
namespace {

struct Pixel {
    int r, g, b;
    bool Black() const { return r == 0 && g == 0 && b == 0; }
};

using test::Capture;
using test::Feedback;

class ViewGlTest : public test::ViewGLFixture<640, 480> {
protected:
    void Open(const std::vector<test::Patch>& patches, const PointFileLayout& layout = {})
    {
        test::WritePatches(dir.File("s.oxv"), patches, layout);
        ASSERT_TRUE(test::Load(doc, dir.File("s.oxv")));
        OnInitialUpdate(view, &doc);
    }

    // `count` records on a 0.2 m grid 200 points wide, all in view.
    void OpenGrid(int32_t count)
    {
        test::WriteSurvey(dir.File("g.oxv"), PointFileLayout{}, count, [](int32_t i, PointRecord& r) {
            r.SetXyz((i % 200) * 200, (i / 200) * 200, 0);
            r.SetColor(255, 255, 255);
        });
        ASSERT_TRUE(test::Load(doc, dir.File("g.oxv")));
        OnInitialUpdate(view, &doc);
    }


    // Window position of a world point (metres) in the last frame, top row first.
    bool Project(double x, double y, double z, int& col, int& row) const
    {
        GLdouble wx, wy, wz;
        if (gluProject(x, y, z, view.m_modelviewMatrix, view.m_projectionMatrix, view.m_viewport, &wx, &wy, &wz) !=
            GL_TRUE)
            return false;
        col = static_cast<int>(std::floor(wx));
        row = kH - 1 - static_cast<int>(std::floor(wy));
        return col >= 0 && col < kW && row >= 0 && row < kH;
    }

    Pixel At(const std::vector<unsigned char>& rgb, double x, double y, double z) const
    {
        int col = 0, row = 0;
        EXPECT_TRUE(Project(x, y, z, col, row));
        const size_t i = (static_cast<size_t>(row) * kW + static_cast<size_t>(col)) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }

    // Primitives of one list under an orthographic box of +-500 m.
    Feedback CaptureList(unsigned list, double scale)
    {
        return Capture([&] {
            glViewport(0, 0, kW, kH);
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(-500, 500, -500, 500, -1e6, 1e6);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            glScaled(scale, scale, scale);
            glCallList(list);
        });
    }
};

int CountPixels(const std::vector<unsigned char>& rgb, bool (*is)(int, int, int))
{
    int n = 0;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) n += is(rgb[i], rgb[i + 1], rgb[i + 2]) ? 1 : 0;
    return n;
}

TEST_F(ViewGlTest, EmptyDocumentShowsTheAxisIndicatorAtTheOrigin)
{
    OnInitialUpdate(view, &doc);
    EXPECT_EQ(view.m_nPointListBase + view.m_nGridList + view.m_nScannerPathList, 0u);
    std::vector<unsigned char> rgb = Paint();
    // From 150 m the indicator is a small mark at the centre, on black.
    int lit = 0;
    for (int row = 0; row < kH; ++row)
        for (int col = 0; col < kW; ++col) {
            const size_t i = (static_cast<size_t>(row) * kW + static_cast<size_t>(col)) * 3;
            if (rgb[i] + rgb[i + 1] + rgb[i + 2] == 0) continue;
            ++lit;
            EXPECT_LT(std::abs(col - kW / 2) + std::abs(row - kH / 2), 30) << col << "," << row;
        }
    EXPECT_GT(lit, 10);

    // Closer and turned, the three arrows separate: red east, green north, blue up.
    SetCameraDistance(5.0, view.m_camera);
    RotateCameraWorld(0, 0, 45, view.m_camera);
    rgb = Paint();
    EXPECT_GT(CountPixels(rgb, [](int r, int g, int b) { return r > 200 && g < 60 && b < 60; }), 50);
    EXPECT_GT(CountPixels(rgb, [](int r, int g, int b) { return g > 200 && r < 60 && b < 60; }), 50);
    EXPECT_GT(CountPixels(rgb, [](int r, int g, int b) { return b > 200 && r < 60 && g < 60; }), 50);
    const Pixel eastTip = At(rgb, 0.8, 0, 0), northTip = At(rgb, 0, 0.8, 0), upTip = At(rgb, 0, 0, 0.8);
    EXPECT_GT(eastTip.r, 200);
    EXPECT_GT(northTip.g, 200);
    EXPECT_GT(upTip.b, 200);

    // The frame leaves nothing enabled behind it.
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ViewGlTest, NoDocumentDrawsNothing)
{
    int captures = 0;
    view.hooks.captureFrame = [&](ViewState&, GlTarget&, int, int, int, int) { ++captures; };
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    OnDrawFrame(view, nullptr, *gl, FrameKind::Paint);
    const std::vector<unsigned char> rgb = gl->ReadRgb();
    EXPECT_EQ(CountPixels(rgb, [](int r, int g, int b) { return r == 0 && g == 0 && b == 255; }), kW * kH);
    EXPECT_EQ(captures, 0);
}

TEST_F(ViewGlTest, HeightColorsRunFromGreenLowToRedHighAndFlatIsRed)
{
    view.m_nColorMode = kColorHeight;
    view.m_nPointSize = 3;
    Open({{-25, -5, 10, 0.0, 0, 0, 0, 0, 41}, {15, -5, 10, 5.0, 0, 0, 0, 0, 41}});
    std::vector<unsigned char> rgb = Paint();
    const Pixel low = At(rgb, -20, 0, 0), high = At(rgb, 20, 0, 5);
    EXPECT_EQ(low.r, 0);
    EXPECT_EQ(low.g, 255);
    EXPECT_EQ(high.r, 255);
    EXPECT_EQ(high.g, 0);

    Open({{-5, -5, 10, 3.0, 0, 0, 0, 0, 41}});
    rgb = Paint();
    int red = 0, other = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        if (rgb[i] + rgb[i + 1] + rgb[i + 2] == 0) continue;
        (rgb[i] == 255 && rgb[i + 1] == 0 && rgb[i + 2] == 0 ? red : other)++;
    }
    EXPECT_GT(red, 2000);
    EXPECT_LT(other, 50) << "only the axis indicator's edges may differ";
}

TEST_F(ViewGlTest, PointSizeGivesSquaresAndAntiAliasRoundsThem)
{
    // One white point away from the axis indicator.
    Open({{6, 6, 0, 0, 255, 255, 255, 0, 1}});
    const auto white = [](int r, int g, int b) { return r == 255 && g == 255 && b == 255; };
    // Smoothed edges may be blended towards the black background.
    const auto lit = [](int r, int g, int b) { return r + g + b > 0 && r == g && g == b; };
    for (int size = 1; size <= 5; ++size) {
        view.m_nPointSize = size;
        EXPECT_EQ(CountPixels(Paint(), white), size * size) << size;
    }
    view.m_bAntiAlias = true;
    const std::vector<unsigned char> rgb = Paint();
    const int round = CountPixels(rgb, lit);
    EXPECT_LT(round, 25) << "the square's corners go";
    EXPECT_GE(round, 12);
    EXPECT_FALSE(glIsEnabled(GL_POINT_SMOOTH));
}

TEST_F(ViewGlTest, AmpBwIsGreyByAmplitude)
{
    view.m_nColorMode = kColorAmpBw;
    view.m_nPointSize = 3;
    // Away from the origin, where the axis indicator stands.
    Open({{-25, 5, 10, 0, 0, 0, 0, 0, 41}, {-5, 5, 10, 0, 0, 0, 0, 128, 41}, {15, 5, 10, 0, 0, 0, 0, 255, 41}});
    const std::vector<unsigned char> rgb = Paint();
    const Pixel black = At(rgb, -20, 10, 0), mid = At(rgb, 0, 10, 0), white = At(rgb, 20, 10, 0);
    EXPECT_TRUE(black.Black());
    for (int c : {mid.r, mid.g, mid.b}) EXPECT_NEAR(c, 128, 1);
    for (int c : {white.r, white.g, white.b}) EXPECT_EQ(c, 255);
}

TEST_F(ViewGlTest, OriginalLevelsAndRefusedKeys)
{
    view.m_nPointSize = 3;
    Open({{-5, 5, 10, 0, 102, 255, 178, 0, 41}});
    ASSERT_EQ(view.m_nColorMode, kColorOriginal);
    std::vector<unsigned char> rgb = Paint();
    Pixel p = At(rgb, 0, 10, 0);
    EXPECT_EQ(p.r, 0);
    EXPECT_EQ(p.g, 255);
    EXPECT_NEAR(p.b, 127, 1);

    // A refused key changes nothing and rebuilds nothing (the beam list survives).
    view.m_nBeamList = glGenLists(1);
    const unsigned beam = view.m_nBeamList;
    const ViewState before = view;
    view.m_dBlackLevel = 0.96;
    EXPECT_FALSE(OnLevelKey(view, &doc, LevelKey::Home));
    EXPECT_FALSE(OnLevelKey(view, &doc, LevelKey::PageDown));
    EXPECT_EQ(view.m_dBlackLevel, 0.96);
    EXPECT_EQ(view.m_dWhiteLevel, 1.0);
    EXPECT_EQ(view.m_dRgbScale, before.m_dRgbScale);
    EXPECT_EQ(view.m_nBeamList, beam);
    EXPECT_EQ(Paint(), rgb);

    view.m_dBlackLevel = 0.4;
    EXPECT_TRUE(OnLevelKey(view, &doc, LevelKey::PageDown));
    EXPECT_EQ(view.m_nBeamList, 0u) << "a rebuild deletes the beam list";
    rgb = Paint();
    p = At(rgb, 0, 10, 0);
    EXPECT_EQ(p.r, 0);
    EXPECT_EQ(p.g, 255);
    EXPECT_NEAR(p.b, 138, 1) << "178 between black 0.4 and white 0.95";

    view.m_nColorMode = kColorHeight;
    EXPECT_FALSE(OnLevelKey(view, &doc, LevelKey::PageUp));
}

TEST_F(ViewGlTest, PointChunksHoldTenThousandRecordsEach)
{
    struct Case {
        int32_t records;
        std::vector<int> perList;
    };
    for (const Case& k : {Case{25000, {10000, 10000, 5000}}, Case{20000, {10000, 10000, 0}}, Case{0, {0}}}) {
        OpenGrid(k.records);
        ASSERT_EQ(view.m_nPointListCount, static_cast<int32_t>(k.perList.size())) << k.records;
        ASSERT_NE(view.m_nPointListBase, 0u);
        for (size_t j = 0; j < k.perList.size(); ++j) {
            const Feedback fb = CaptureList(view.m_nPointListBase + static_cast<unsigned>(j), 0.001);
            EXPECT_FALSE(fb.overflow);
            EXPECT_EQ(fb.points, k.perList[j]) << k.records << " list " << j;
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "every list closed";
    }
}

TEST_F(ViewGlTest, LongCompilesLetTheWindowPaintBetweenChunksWithTheSameLists)
{
    // Two and a half rounds of chunks: two breaks, and the lists as always.
    const int32_t records = 2 * kListsBetweenYields * kPointsPerList + 5 * kPointsPerList + 1234;
    int calls = 0;
    view.hooks.betweenListChunks = [&] {
        ++calls;
        GLint open = -1;
        glGetIntegerv(GL_LIST_INDEX, &open);
        EXPECT_EQ(open, 0) << "no list is being compiled";
        EXPECT_EQ(view.m_nPointListBase, 0u) << "a frame drawn now must not call half-made lists";
        // What a window does meanwhile: a frame.
        Paint();
        return true;
    };
    OpenGrid(records);
    EXPECT_EQ(calls, 2);
    ASSERT_EQ(view.m_nPointListCount, records / kPointsPerList + 1);
    ASSERT_NE(view.m_nPointListBase, 0u);
    const auto last = static_cast<unsigned>(view.m_nPointListCount - 1);
    EXPECT_EQ(CaptureList(view.m_nPointListBase + last, 0.001).points, 1234);
    EXPECT_EQ(CaptureList(view.m_nPointListBase + kListsBetweenYields, 0.001).points, kPointsPerList);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    view.hooks.betweenListChunks = nullptr;
}

TEST_F(ViewGlTest, PlaybackShowsExactlyTheReachedRecords)
{
    OpenGrid(25000);
    const auto drawn = [&](int32_t state, int32_t reached) {
        view.m_scene.playing = state != kStopped;
        view.m_scene.revealedRecord = reached;
        return Capture([&] { OnDrawFrame(view, &doc, *gl, FrameKind::Pick); }).points;
    };
    EXPECT_EQ(drawn(kStopped, 0), 25000);
    EXPECT_EQ(drawn(kPlaying, 0), 0);
    EXPECT_EQ(drawn(kPlaying, 15000), 15000);
    EXPECT_EQ(drawn(kPaused, 25000), 25000);
    EXPECT_EQ(drawn(kPlaying, 20000), 20000);
    // A count past the survey shows what there is and reads nothing beyond it.
    EXPECT_EQ(drawn(kPlaying, 99999), 25000);
    EXPECT_EQ(drawn(kPlaying, -5), 0);
}

TEST_F(ViewGlTest, GridReachesHalfTheExtentInTenMetreStepsAtLeastThirty)
{
    struct Case {
        double sx, sy;
        int alongY, alongX;
        double halfX, halfY;
    };
    for (const Case& k : {Case{35, 12, 7, 7, 30, 30}, Case{400, 100, 41, 11, 200, 50}}) {
        Open({{0, 0, 0, 0, 0, 0, 0, 0, 1}, {k.sx, k.sy, 0, 0, 0, 0, 0, 0, 1}});
        ASSERT_NE(view.m_nGridList, 0u);
        const Feedback fb = CaptureList(view.m_nGridList, 1.0);
        std::set<int> xs, ys;
        const auto metres = [](float w, int pixels) { return static_cast<int>(std::lround(static_cast<double>(w) / pixels * 1000.0 - 500.0)); };
        for (const auto& l : fb.lines) {
            if (std::abs(l[0] - l[2]) < 0.01f) {
                xs.insert(metres(l[0], kW));
                EXPECT_NEAR(std::abs(metres(l[1], kH)), k.halfY, 1);
            } else {
                ys.insert(metres(l[1], kH));
                EXPECT_NEAR(std::abs(metres(l[0], kW)), k.halfX, 1);
            }
        }
        EXPECT_EQ(static_cast<int>(xs.size()), k.alongY);
        EXPECT_EQ(static_cast<int>(ys.size()), k.alongX);
        EXPECT_EQ(*xs.begin(), -static_cast<int>(k.halfX));
        EXPECT_EQ(*xs.rbegin(), static_cast<int>(k.halfX));
        EXPECT_EQ(*ys.rbegin(), static_cast<int>(k.halfY));
        EXPECT_EQ(fb.lines.size(), static_cast<size_t>(k.alongX + k.alongY));
    }
}

TEST_F(ViewGlTest, PathsFollowTheirKeysAndShowInTheirColors)
{
    // The sensor drifts 100 mm per record: a node every fourth record.
    test::WriteSurvey(dir.File("p.oxv"), PointFileLayout{}, 40, [](int32_t i, PointRecord& r) {
        test::SteadyFlight(i, r);
        r.SetOrigin(i * 100, 0, 1000);
        r.SetPose(Pose{{0, 0, 0, i * 100, 0, 1000}});
    });
    ASSERT_TRUE(test::Load(doc, dir.File("p.oxv")));
    ASSERT_EQ(PathNodeCount(doc.m_pScannerPath.get()), 10);
    OnInitialUpdate(view, &doc);
    ASSERT_NE(view.m_nScannerPathList, 0u);
    EXPECT_EQ(view.m_nScannerPathListCount, 1);
    EXPECT_EQ(CaptureList(view.m_nScannerPathList, 0.01).lines.size(), 9u) << "every node";
    const auto upTo = [&](int32_t limit) {
        return Capture([&] { DrawScannerPathUpTo(doc.m_pScannerPath.get(), limit); }).lines.size();
    };
    EXPECT_EQ(upTo(9), 2u) << "keys 0, 4 and 8";
    EXPECT_EQ(upTo(8), 2u);
    EXPECT_EQ(upTo(0), 0u) << "one vertex: nothing visible";
    EXPECT_EQ(upTo(-1), 9u) << "a negative limit draws it all";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // A camera path arrives by the document's update.
    EXPECT_EQ(view.m_nCameraPathList, 0u);
    doc.m_pCameraPath = std::make_unique<PathNode[]>(2);
    doc.m_pCameraPath[0] = PathNode{2, 0, 0, 0, -20000, 5000, 2000};
    doc.m_pCameraPath[1] = PathNode{1000, 0, 0, 0, 20000, 5000, 2000};
    OnCameraPathChanged(view, &doc);
    ASSERT_NE(view.m_nCameraPathList, 0u);

    const auto cyan = [](int r, int g, int b) { return r < 60 && g > 200 && b > 200; };
    const auto blue = [](int r, int g, int b) { return r < 40 && g < 40 && b > 80; };  // smoothed 1-pixel lines
    SetColorMode(view, &doc, kColorHeight);  // points are never blue or cyan
    SetCameraDistance(20.0, view.m_camera);
    std::vector<unsigned char> rgb = Paint();
    EXPECT_EQ(CountPixels(rgb, cyan), 0) << "paths are hidden until shown";
    const int axesBlue = CountPixels(rgb, blue);
    view.m_bShowCameraPath = true;
    view.m_bShowScannerPath = true;
    rgb = Paint();
    EXPECT_GT(CountPixels(rgb, cyan), 100);
    EXPECT_GT(CountPixels(rgb, blue), axesBlue + 20) << "the scanner path adds blue to the axis";
}

TEST_F(ViewGlTest, PickFindsTheRenderedPointAndNothingOnBackground)
{
    Open({{3, 4, 0, 2, 255, 255, 255, 0, 1}, {-30, -30, 4, 0, 255, 255, 255, 0, 5}});
    Paint();
    int col = 0, row = 0;
    ASSERT_TRUE(Project(3, 4, 2, col, row));
    double p[3];
    ASSERT_TRUE(PickPoint(view, &doc, *gl, col, row, p));
    const double footprint = 2 * 150 * std::tan(15.0 * M_PI / 180) / kH;  // metres per pixel at the target
    EXPECT_LT(std::hypot(p[0] - 3, p[1] - 4, p[2] - 2), 2 * footprint) << p[0] << " " << p[1] << " " << p[2];

    // Background, corners and outside points find nothing and change nothing.
    const OrbitCamera camera = view.m_camera;
    EXPECT_FALSE(PickAndRecentre(view, &doc, *gl, 5, 5));
    for (auto [x, y] : {std::pair{0, 0}, {kW - 1, kH - 1}, {kW + 100, -50}, {-7, kH + 3}})
        EXPECT_FALSE(PickPoint(view, &doc, *gl, x, y, p)) << x << "," << y;
    EXPECT_EQ(std::memcmp(camera.target, view.m_camera.target, sizeof camera.target), 0);

    // A double-click on the point re-centres the orbit there.
    ASSERT_TRUE(PickAndRecentre(view, &doc, *gl, col, row));
    EXPECT_LT(std::hypot(view.m_camera.target[0] - 3, view.m_camera.target[1] - 4, view.m_camera.target[2] - 2),
              2 * footprint);
    EXPECT_NEAR(view.m_camera.distance, camera.distance, 1e-12);
    view.m_scene.firstPerson = true;
    EXPECT_FALSE(PickAndRecentre(view, &doc, *gl, col, row)) << "no pick in first-person mode";

    // A client area smaller than the pick square is read within its bounds.
    view.m_scene.firstPerson = false;
    ASSERT_TRUE(gl->Resize(3, 2));
    (void)PickPoint(view, &doc, *gl, 1, 1, p);  // hit or not, never outside the buffer
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ViewGlTest, HooksRunWherePlaybackFpvAndRecordingNeedThem)
{
    int vehicle = 0, fpv = 0;
    std::vector<std::array<int, 4>> captures;
    view.hooks.drawVehicle = [&](ViewState&) { ++vehicle; };
    view.hooks.captureFrame = [&](ViewState&, GlTarget& target, int l, int t, int r, int b) {
        EXPECT_EQ(&target, gl.get());
        captures.push_back({l, t, r, b});
    };
    OnInitialUpdate(view, &doc);

    view.m_scene.playing = true;
    std::vector<unsigned char> rgb = Paint();
    EXPECT_EQ(vehicle, 1);
    EXPECT_EQ(CountPixels(rgb, [](int r, int g, int b) { return r + g + b > 0; }), 0) << "no axes during playback";
    OnDrawFrame(view, &doc, *gl, FrameKind::Pick);
    EXPECT_EQ(vehicle, 1) << "the pick frame has no vehicle";
    ASSERT_EQ(captures.size(), 2u) << "every frame reaches the capture hook";
    EXPECT_EQ(captures[1], (std::array<int, 4>{0, 0, kW, kH}));

    view.m_scene.playing = false;
    rgb = Paint();
    EXPECT_EQ(vehicle, 1);
    EXPECT_GT(CountPixels(rgb, [](int r, int g, int b) { return r + g + b > 0; }), 0) << "axes are back";

    view.m_scene.firstPerson = true;
    view.hooks.computeFpvLookAt = [&](ViewState& v, const SurveyDocument&) {
        ++fpv;
        const double block[9] = {0, 0, 50, 0, 0, 0, 0, 1, 0};
        std::memcpy(v.m_camera.lookEye, block, sizeof block);
    };
    Paint();
    EXPECT_EQ(fpv, 1);
    EXPECT_EQ(view.m_camera.lookEye[2], 50.0) << "the orbit look-at does not overwrite first-person";
    EXPECT_NEAR(view.m_modelviewMatrix[14], -50.0, 1e-9);
}

}  // namespace
}  // namespace oxv
