// Soak: a long playback with recording on, drawn headlessly the way the view
// draws it (playback engine, scene drawing, beam lists, frame capture), for
// several thousand frames. Memory must not grow with the frame count and
// every frame file must be a complete picture.
//   OXV_SOAK_FRAMES   frames of the run (default 10000, about 100 s)
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "BeamLines.h"
#include "FrameRecording.h"
#include "HeadlessGL.h"
#include "PlaybackEngine.h"
#include "PngRead.h"
#include "ScratchDir.h"
#include "SurveyFixture.h"

namespace oxv {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

long ResidentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The window's side of playback, as the view does it: repaint draws and
// captures, beam lists are real display lists.
class HeadlessHost final : public PlaybackHost {
public:
    HeadlessHost(ViewState& view, const SurveyDocument& doc, HeadlessGL& gl) : m_view(view), m_doc(doc), m_gl(gl) {}
    void StartTimer(int, int) override {}
    void KillTimer(int) override {}
    void RepaintNow() override
    {
        OnDrawFrame(m_view, &m_doc, m_gl, FrameKind::Paint);
        ++paints;
    }
    void SetVehiclePose(const double*, const double*) override {}
    unsigned NewBeamList() override { return glGenLists(1); }
    void CompileBeamList(unsigned list, const SurveyDocument& doc, const FrameSpan& span) override
    {
        oxv::CompileBeamList(list, doc, span);
    }
    void DeleteBeamList(unsigned list) override { glDeleteLists(list, 1); }

    long paints = 0;

private:
    ViewState& m_view;
    const SurveyDocument& m_doc;
    HeadlessGL& m_gl;
};

// A cut stream fails to decode, so a torn file is never counted complete.
bool CompletePng(const std::string& path)
{
    int w = 0, h = 0;
    return !test::DecodePng(path, w, h).empty() && w == kWidth && h == kHeight;
}

TEST(PlaybackSoak, LongRecordingKeepsMemoryFlatAndEveryFrameWhole)
{
    const char* env = std::getenv("OXV_SOAK_FRAMES");
    const int32_t frames = env ? std::atoi(env) : 10000;
    ASSERT_GT(frames, 100);

    std::string error;
    auto gl = HeadlessGL::Create(kWidth, kHeight, &error);
    ASSERT_NE(gl, nullptr) << error;

    // 250 records a second (2.5 chunks of point lists every 100 s), flying
    // along x at 10 m/s with beams from 100 m up; timeline at 30 frames a second.
    test::ScratchDir dir;
    const double seconds = frames * 0.0333;
    const int32_t records = static_cast<int32_t>(seconds * 250) + 1;
    test::WriteSurvey(dir.File("soak.oxv"), PointFileLayout{}, records, [](int32_t i, PointRecord& r) {
        const int32_t x = i * 40;
        r.SetXyz(x, (i % 50) * 400 - 10000, (i % 7) * 300);
        r.SetOrigin(x, 0, 100000);
        r.SetColour(static_cast<uint8_t>(i), static_cast<uint8_t>(i / 3), 200);
        r.SetAmplitude(static_cast<uint8_t>(i % 200));
        r.SetTime(i * 1.6);
        r.SetPose(Pose{{1000, -2000, 90000, x, 0, 100000}});
    });
    SurveyDocument doc;
    MemoryProfile profile;
    LoadObserver quiet;
    ASSERT_EQ(doc.LoadPointFile(dir.File("soak.oxv"), profile, quiet), LoadStatus::Ok);
    ASSERT_NE(doc.m_pTimeline, nullptr);
    ASSERT_NE(doc.m_pPlaybackParams, nullptr);
    ASSERT_GE(doc.m_pTimeline->frames, frames - 1);
    const std::string out = dir.File("frames");
    std::filesystem::create_directory(out);
    doc.m_pPlaybackParams->recordVideo = 1;
    doc.m_pPlaybackParams->outputFolder = out;

    ViewState view;
    InitViewState(view);
    SetupViewGl();
    OnInitialUpdate(view, &doc);
    view.m_bShowScannerPath = 1;
    view.m_bShowGrid = 1;
    FrameCapturer capturer;
    long written = 0, lost = 0;
    view.hooks.captureFrame = [&](ViewState& v, GlTarget& target, int left, int top, int right, int bottom) {
        const auto path = FrameCapturePath(v, doc, dir.File("fpv"));
        if (!path) return;
        (capturer.Capture(target, right - left, bottom - top, *path) ? written : lost)++;
    };

    HeadlessHost host(view, doc, *gl);
    StartPlayback(view, doc, host);
    ASSERT_EQ(view.m_nPlayState, kPlaying);
    const auto start = std::chrono::steady_clock::now();
    long rssWarm = 0, rssPeakAfterWarm = 0;
    long ticks = 0;
    const long warmTicks = 200;
    std::vector<long> rssQuarters;  // RSS at every quarter of the frames
    while (view.m_nPlayState != kStopped && ticks < frames + 1000) {
        OnTimer(view, doc, host, kPlaybackTimerId);
        ++ticks;
        if (ticks == warmTicks) rssWarm = ResidentKiB();
        if (ticks > warmTicks && ticks % 100 == 0) rssPeakAfterWarm = std::max(rssPeakAfterWarm, ResidentKiB());
        if (ticks % (frames / 4) == 0) rssQuarters.push_back(ResidentKiB());
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long rssEnd = ResidentKiB();
    rssPeakAfterWarm = std::max(rssPeakAfterWarm, rssEnd);
    ASSERT_EQ(view.m_nPlayState, kStopped) << "the run ends after its hold";

    // Every frame file 0 .. frames-1 (the last rewritten during the hold),
    // complete and decodable, and no temporary left beside them.
    const int32_t timelineFrames = doc.m_pTimeline->frames;
    long complete = 0;
    std::vector<int32_t> bad;
    for (int32_t f = 0; f < timelineFrames; ++f) {
        if (f == timelineFrames - 2) continue;  // the frame the run never shows (last step holds)
        if (CompletePng(FrameFileName(out, f)))
            ++complete;
        else if (bad.size() < 10)
            bad.push_back(f);
    }
    long files = 0;
    for (const auto& e : std::filesystem::directory_iterator(out)) {
        ++files;
        EXPECT_EQ(e.path().extension().string(), ".png") << e.path();
    }
    std::printf("soak: %d timeline frames, %ld ticks, %ld paints, %ld frames written, %ld lost, %ld files, "
                "%.1f s (%.1f ms/tick), RSS after %ld ticks %ld KiB, peak after %ld KiB, end %ld KiB, "
                "growth %ld KiB\n",
                timelineFrames, ticks, host.paints, written, lost, files, elapsed, 1000.0 * elapsed / static_cast<double>(ticks),
                warmTicks, rssWarm, rssPeakAfterWarm, rssEnd, rssPeakAfterWarm - rssWarm);
    std::printf("soak: RSS at each quarter of the run (KiB):");
    for (long kib : rssQuarters) std::printf(" %ld", kib);
    std::printf("\n");
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(complete, timelineFrames - 1) << "first incomplete frames: " << ::testing::PrintToString(bad);
    EXPECT_EQ(files, timelineFrames - 1);
    // A leak of even a few hundred bytes a frame would show over thousands of
    // frames; allocator and driver caches settle within the warm-up.
    EXPECT_LT(rssPeakAfterWarm - rssWarm, 8 * 1024) << "KiB of growth after warm-up";
    ASSERT_GE(rssQuarters.size(), 4u);
    EXPECT_LT(rssQuarters[3] - rssQuarters[1], 2 * 1024) << "KiB of growth over the second half";
    DeleteDisplayLists(view);
}

}  // namespace
}  // namespace oxv
