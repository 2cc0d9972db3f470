// Soak: a long playback with recording on, drawn headlessly the way the view
// draws it (playback engine, scene drawing, beam lists, frame capture), for
// several thousand frames. Memory must not grow with the frame count and
// every frame file must be a complete picture.
//   OXV_SOAK_FRAMES   frames of the run (default 10000, about 100 s)
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "gl/FrameCapture.h"
#include "gl/HeadlessGL.h"
#include "playback/FrameRecording.h"
#include "playback/PlaybackEngine.h"
#include "view/BeamLines.h"
#include "view/ViewState.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/SoakSupport.h"

namespace oxv {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// The window's side of playback, as the view does it: repaint draws and
// captures, beam lists are real display lists.
class HeadlessHost final : public PlaybackHost {
public:
    HeadlessHost(ViewState& view, const PlaybackState& run, const FpvState& fpv, const SurveyDocument& doc, HeadlessGL& gl)
        : m_view(view), m_run(run), m_fpv(fpv), m_doc(doc), m_gl(gl)
    {
    }
    void StartTimer(int, int) override {}
    void KillTimer(int) override {}
    void RepaintNow() override
    {
        ShowRunState(m_view, m_run, m_fpv);
        OnDrawFrame(m_view, &m_doc, m_gl, FrameKind::Paint);
        ++paints;
    }
    void SetVehiclePose(const double*, const double*) override {}
    void CompileBeamList(const SurveyDocument& doc, const FrameSpan& span) override
    {
        CompileViewBeams(m_view, doc, span);
    }
    void DeleteBeamList() override { DeleteViewBeams(m_view); }

    long paints = 0;

private:
    ViewState& m_view;
    const PlaybackState& m_run;
    const FpvState& m_fpv;
    const SurveyDocument& m_doc;
    HeadlessGL& m_gl;
};

TEST(PlaybackSoak, LongRecordingKeepsMemoryFlatAndEveryFrameWhole)
{
    const int32_t frames = test::SoakFrames(10000);
    ASSERT_GT(frames, 100);

    std::string error;
    auto gl = HeadlessGL::Create(kWidth, kHeight, &error);
    ASSERT_NE(gl, nullptr) << error;

    test::ScratchDir dir;
    test::WriteSoakSurvey(dir.File("soak.oxv"), frames);
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
    PlaybackState run;
    FpvState fpv;
    InitViewState(view);
    SetupViewGl();
    OnInitialUpdate(view, &doc);
    view.m_bShowScannerPath = true;
    view.m_bShowGrid = true;
    FrameCapturer capturer;
    long written = 0, lost = 0;
    view.hooks.captureFrame = [&](ViewState&, GlTarget& target, int left, int top, int right, int bottom) {
        const auto path = FrameCapturePath(run, fpv, doc, dir.File("fpv"));
        if (!path) return;
        (capturer.Capture(target, right - left, bottom - top, *path) ? written : lost)++;
    };

    HeadlessHost host(view, run, fpv, doc, *gl);
    StartPlayback(run, view.m_camera, doc, host);
    ASSERT_EQ(run.m_nPlayState, kPlaying);
    const auto start = std::chrono::steady_clock::now();
    long ticks = 0;
    const long warmTicks = 200;  // allocator and driver caches settle here
    test::MemoryTrace memory;
    while (run.m_nPlayState != kStopped && ticks < frames + 1000) {
        OnTimer(run, view.m_camera, doc, host, kPlaybackTimerId);
        ++ticks;
        if (ticks >= warmTicks && ticks % 10 == 0) memory.Sample(run.m_nFrame, frames);
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    memory.Sample(frames, frames);
    ASSERT_EQ(run.m_nPlayState, kStopped) << "the run ends after its hold";

    // Every frame file 0 .. frames-1 (the last rewritten during the hold),
    // complete and decodable, and no temporary left beside them.
    const int32_t timelineFrames = doc.m_pTimeline->frames;
    const test::FrameFolderCheck check = test::CheckFrameFolder(out, timelineFrames - 1, kWidth, kHeight);
    const long files = check.files;
    std::printf("soak: %d timeline frames, %ld ticks, %ld paints, %ld frames written, %ld lost, %ld files, "
                "%.1f s (%.1f ms/tick), resident after %ld ticks %ld KiB, peak %ld KiB, heap floor by quarter "
                "%ld %ld %ld %ld KiB\n",
                timelineFrames, ticks, host.paints, written, lost, files, elapsed, 1000.0 * elapsed / static_cast<double>(ticks),
                warmTicks, memory.startRss, memory.peakRss, memory.heapFloor[0], memory.heapFloor[1],
                memory.heapFloor[2], memory.heapFloor[3]);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(check.complete, timelineFrames - 1)
        << "first incomplete frames: " << ::testing::PrintToString(check.incomplete);
    EXPECT_EQ(files, timelineFrames - 1);
    EXPECT_EQ(check.strays, 0);
    // Heap in use is what a leak grows: a few hundred bytes a frame would
    // raise its floor by megabytes over the run. The driver's heap swings by
    // a megabyte or two as it recycles the beam list's storage, and resident
    // memory creeps as those swings fragment the arenas, so neither single
    // samples nor resident memory alone tell a leak.
    EXPECT_LT(memory.heapFloor[3] - memory.heapFloor[0], 2 * 1024) << "KiB of heap grown over the run";
    EXPECT_LT(memory.peakRss - memory.startRss, 8 * 1024) << "KiB of resident growth after warm-up";
    DeleteDisplayLists(view);
}

}  // namespace
}  // namespace oxv
