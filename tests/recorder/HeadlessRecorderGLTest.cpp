// The headless run: which files a whole playback run leaves, that they end
// as the viewer's tick-by-tick run ends them, and what the frames show.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "gl/HeadlessGL.h"
#include "recorder/HeadlessRecorder.h"
#include "image/PngDecode.h"
#include "tests/support/SurveyFixture.h"

namespace oxv {
namespace {

constexpr int kW = 160, kH = 120;

// 4 s of flight east at 10 m/s, 20 m above a 20 m wide strip of ground
// points, 400 records a second.
void OpenStrip(SurveyDocument& doc, const test::ScratchDir& dir)
{
    test::WriteSurvey(dir.File("strip.oxv"), PointFileLayout{}, 1600, [](int32_t i, PointRecord& r) {
        const int32_t x = i * 25;
        r.SetXyz(x, (i % 40) * 500 - 10000, 0);
        r.SetOrigin(x, 0, 20000);
        r.SetColor(200, 200, 200);
        r.SetAmplitude(128);
        r.SetTime(static_cast<double>(i));
        r.SetPose(Pose{{0, 0, 90000, x, 0, 20000}});
    });
    MemoryProfile profile;
    LoadObserver quiet;
    ASSERT_EQ(doc.LoadPointFile(dir.File("strip.oxv"), profile, quiet), LoadStatus::Ok);
}

// Video Recording into `folder` with the camera left where it is.
void RecordInto(SurveyDocument& doc, const std::string& folder, double interval, bool track = false)
{
    PlaybackParams params;
    params.recordVideo = 1;
    params.outputFolder = folder;
    params.trackVehicle = track;
    params.autoCamera = 0;
    ASSERT_EQ(doc.BuildTimeline(&params, 1.0, interval), 1);
}

std::set<std::string> FilesIn(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

std::string Name(int n)
{
    char text[32];
    std::snprintf(text, sizeof text, "img%06d.png", n);
    return text;
}

PngPixels Decode(const std::string& path)
{
    PngPixels png;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    EXPECT_TRUE(f) << path;
    if (!f) return png;
    EXPECT_TRUE(DecodePng(f, PNG_SOLID, 2.2, png)) << path;
    std::fclose(f);
    return png;
}

std::string ModelPath() { return std::string(OXV_SOURCE_DIR) + "/resources/model/gray.obj"; }

class HeadlessRecorderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        gl = HeadlessGL::Create(kW, kH, &error);
        ASSERT_TRUE(gl) << error;
        OpenStrip(doc, dir);
    }
    RecordOutcome Run(RecordViewOptions options = {})
    {
        HeadlessRecorder recorder(doc, *gl, options);
        return recorder.RecordPlayback();
    }
    test::ScratchDir dir;
    test::ScratchDir out;
    std::unique_ptr<HeadlessGL> gl;
    SurveyDocument doc;
};

TEST_F(HeadlessRecorderTest, WritesEveryFrameButTheOneBeforeTheLast)
{
    RecordInto(doc, out.Path().string(), 0.25);
    const int32_t n = doc.m_pTimeline->frames;
    ASSERT_GE(n, 10);
    RecordViewOptions options;
    options.modelPath = ModelPath();
    const RecordOutcome outcome = Run(options);
    ASSERT_TRUE(outcome.ok) << outcome.error;

    std::set<std::string> expected;
    std::vector<std::string> order;
    for (int k = 0; k <= n - 3; ++k) order.push_back(Name(k));
    order.push_back(Name(n - 1));
    expected.insert(order.begin(), order.end());
    EXPECT_EQ(FilesIn(out.Path()), expected);  // no temporary or comparison files left either
    ASSERT_EQ(outcome.files.size(), order.size());
    for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(outcome.files[i], out.File(order[i]));
    // Ticks up to the one that ends the hold: N + H - 2 with H = 12.
    EXPECT_EQ(outcome.ticks, n + 12 - 2);

    const PngPixels last = Decode(out.File(Name(n - 1)));
    EXPECT_EQ(last.width, static_cast<unsigned>(kW));
    EXPECT_EQ(last.height, static_cast<unsigned>(kH));
}

// The sink hears each picture's file number and the measurement time its
// last step reached: the end of the stepped frame, and for the end hold the
// end of the one before the last (the last frame is never stepped).
TEST_F(HeadlessRecorderTest, TheSinkHearsEachPicturesNumberAndSurveyTime)
{
    RecordInto(doc, out.Path().string(), 1.0 / 24.0);
    const int32_t n = doc.m_pTimeline->frames;
    const double step = doc.m_pTimeline->step;
    ASSERT_EQ(n, 95) << "3.9975 s at 24 frames a second";
    HeadlessRecorder recorder(doc, *gl, RecordViewOptions{});
    std::vector<SunkFrameStamp> stamps;
    std::vector<int> repeats;
    recorder.SetFrameSink([&](const uint8_t*, size_t, int, int, int repeat, std::string&) {
        stamps.push_back(recorder.SinkStamp());
        repeats.push_back(repeat);
        return true;
    });
    ASSERT_TRUE(recorder.RecordPlayback().ok);
    ASSERT_EQ(stamps.size(), static_cast<size_t>(n - 1));
    for (size_t i = 0; i < stamps.size(); ++i) {
        const int32_t number = i + 1 < stamps.size() ? static_cast<int32_t>(i) : n - 1;
        EXPECT_TRUE(stamps[i].playback);
        EXPECT_EQ(stamps[i].number, number);
        EXPECT_DOUBLE_EQ(stamps[i].surveySeconds, std::min(number + 1, n - 1) * step) << number;
    }
    EXPECT_EQ(repeats.back(), 71) << "3 s at 24 frames a second, less the tick that stops";
}

// Writing the hold once must leave the same bytes as the viewer's rewrite on
// every hold tick, rotor angle included.
TEST_F(HeadlessRecorderTest, TheHoldWrittenOnceEndsAsTheViewersRewrites)
{
    test::ScratchDir every;
    RecordViewOptions options;
    options.modelPath = ModelPath();
    RecordInto(doc, out.Path().string(), 0.2, true);
    const RecordOutcome once = Run(options);
    ASSERT_TRUE(once.ok) << once.error;

    options.everyHoldTick = true;
    RecordInto(doc, every.Path().string(), 0.2, true);
    const RecordOutcome all = Run(options);
    ASSERT_TRUE(all.ok) << all.error;

    ASSERT_EQ(FilesIn(out.Path()), FilesIn(every.Path()));
    for (const std::string& name : FilesIn(out.Path()))
        EXPECT_EQ(test::ReadBytes(out.File(name)), test::ReadBytes(every.File(name))) << name;
}

// A frame period above the hold's 3 s: the last picture is held for one
// tick, as the viewer holds it, and written once; the next tick stops.
TEST_F(HeadlessRecorderTest, AFramePeriodLongerThanTheHoldHoldsOneTick)
{
    PlaybackParams params;
    params.recordVideo = 1;
    params.outputFolder = out.Path().string();
    params.autoCamera = 0;
    ASSERT_EQ(doc.BuildTimeline(&params, 0.25, 4.0), 1);
    ASSERT_EQ(doc.m_pTimeline->frames, 3);
    const RecordOutcome outcome = Run();
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(FilesIn(out.Path()), (std::set<std::string>{Name(0), Name(2)}));
    EXPECT_EQ(outcome.ticks, 3);
}

int LitPixels(const PngPixels& png)
{
    int lit = 0;
    for (size_t i = 0; i + 2 < png.pixels.size(); i += 3)
        if (png.pixels[i] + png.pixels[i + 1] + png.pixels[i + 2] > 30) ++lit;
    return lit;
}

// Centre of the pixels where two pictures differ; false when none do.
bool DifferenceCentre(const PngPixels& a, const PngPixels& b, double& x, double& y)
{
    double sx = 0, sy = 0;
    int count = 0;
    for (unsigned r = 0; r < a.height; ++r)
        for (unsigned c = 0; c < a.width; ++c) {
            const size_t i = (size_t{r} * a.width + c) * 3;
            if (a.pixels[i] != b.pixels[i] || a.pixels[i + 1] != b.pixels[i + 1] || a.pixels[i + 2] != b.pixels[i + 2]) {
                sx += c;
                sy += r;
                ++count;
            }
        }
    if (count == 0) return false;
    x = sx / count;
    y = sy / count;
    return true;
}

TEST_F(HeadlessRecorderTest, TheHelicopterFliesAndTheCloudGrows)
{
    test::ScratchDir bare;
    RecordViewOptions withHeli;
    withHeli.modelPath = ModelPath();
    RecordInto(doc, out.Path().string(), 0.25);
    ASSERT_TRUE(Run(withHeli).ok);
    RecordInto(doc, bare.Path().string(), 0.25);
    HeadlessRecorder none(doc, *gl, RecordViewOptions{});
    ASSERT_TRUE(none.RecordPlayback().ok);
    const int32_t n = doc.m_pTimeline->frames;

    // The same frames without the helicopter: what differs is the helicopter.
    const PngPixels early = Decode(out.File(Name(1))), earlyBare = Decode(bare.File(Name(1)));
    const PngPixels late = Decode(out.File(Name(n - 3))), lateBare = Decode(bare.File(Name(n - 3)));
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    ASSERT_TRUE(DifferenceCentre(early, earlyBare, x0, y0));
    ASSERT_TRUE(DifferenceCentre(late, lateBare, x1, y1));
    EXPECT_GT(std::hypot(x1 - x0, y1 - y0), 10.0) << x0 << "," << y0 << " -> " << x1 << "," << y1;

    // The camera stays put, so the revealed strip only grows.
    EXPECT_LT(LitPixels(earlyBare) * 2, LitPixels(lateBare));
}

TEST_F(HeadlessRecorderTest, FirstPersonFramesAreNumberedFromOne)
{
    auto path = std::make_unique<PathNode[]>(5);
    for (int32_t i = 0; i < 5; ++i) path[i] = PathNode{i == 0 ? 5 : i * 500, 0, 0, 90000, i * 5000, 0, 20000};
    doc.m_pCameraPath = std::move(path);
    HeadlessRecorder recorder(doc, *gl, RecordViewOptions{});
    const RecordOutcome outcome = recorder.RecordFpv(out.Path().string());
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(FilesIn(out.Path()), (std::set<std::string>{Name(1), Name(2), Name(3), Name(4)}));
    EXPECT_EQ(outcome.ticks, 5);
    EXPECT_EQ(recorder.Fpv().m_bFpvMode, 0);
}

TEST_F(HeadlessRecorderTest, RefusesWithoutRecordingOrPath)
{
    PlaybackParams params;  // Video Recording off
    ASSERT_EQ(doc.BuildTimeline(&params, 1.0, 0.25), 1);
    HeadlessRecorder recorder(doc, *gl, RecordViewOptions{});
    EXPECT_FALSE(recorder.RecordPlayback().ok);
    EXPECT_FALSE(recorder.RecordFpv(out.Path().string()).ok);
    EXPECT_TRUE(FilesIn(out.Path()).empty());
}

TEST_F(HeadlessRecorderTest, AFrameThatCannotBeWrittenEndsTheRun)
{
    RecordInto(doc, out.File("missing"), 0.25);
    const RecordOutcome outcome = Run();
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, "cannot write " + out.File("missing") + "/img000000.png: No such file or directory");
    EXPECT_TRUE(outcome.files.empty());
}

}  // namespace
}  // namespace oxv
