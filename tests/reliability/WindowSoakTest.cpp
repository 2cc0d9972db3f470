// Soak through the viewer's own window under a private X server: the survey
// opened as a user opens it, Start from the menu, its timer, paints and frame
// capture from the window's buffer, for thousands of recorded frames. Memory
// must not grow with the frame count and every frame file must be whole.
//   OXV_SOAK_FRAMES   frames of the run (default 10000)
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "tests/app/AppHarness.h"
#include "app/CommandIds.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/SoakSupport.h"

namespace oxv {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// Start from the menu, as a user does, and pump until the run has stopped
// by itself; the run's seconds, or a negative number when it did not stop.
double PlayToTheEnd(test::AppSession& session, test::MemoryTrace& memory, int frames)
{
    COxvellView* view = session.View();
    wxCommandEvent start(wxEVT_MENU, cmd::kPlayStart);
    start.SetEventObject(session.app->MainFrame());
    session.app->MainFrame()->GetEventHandler()->ProcessEvent(start);
    if (view->Run().m_nPlayState != kPlaying) return -1;
    long polls = 0;
    const auto began = std::chrono::steady_clock::now();
    const bool stopped = test::PumpUntil(
        [&] {
            if (++polls % 16 == 0) memory.Sample(view->Run().m_nFrame, frames);
            return view->Run().m_nPlayState == kStopped;
        },
        frames * 200 + 60000);
    memory.Sample(frames, frames);
    return stopped ? std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count() : -1;
}

TEST(WindowSoak, RecordingFromTheViewerWindowKeepsMemoryFlatAndEveryFrameWhole)
{
    const int frames = test::SoakFrames(10000);
    ASSERT_GT(frames, 400);
    test::ScratchDir dir;
    test::AppSession session;
    struct Closer {
        test::AppSession& s;
        ~Closer() { s.Stop(); }
    } closer{session};
    ASSERT_TRUE(session.Start(dir.File("oxvell.ini")));
    COxvellView* view = session.View();
    view->SetDisplaySize(kWidth, kHeight);
    ASSERT_TRUE(test::PumpUntil([&] { return view->Canvas()->GetClientSize() == wxSize(kWidth, kHeight); }, 5000));

    // Frames of 1/30 s of survey, shown every 5 ms: as fast as the window
    // draws, with a hold of 600 ticks at the end.
    const std::string out = dir.File("frames");
    std::filesystem::create_directory(out);
    PlaybackParams params;
    params.recordVideo = 1;
    params.outputFolder = out;
    test::StorePlaybackSettings(session.app->Settings(), 0.0333, 0.005, params);
    test::WriteSoakSurvey(dir.File("soak.oxv"), frames);
    ASSERT_TRUE(session.app->OpenDocumentFile(dir.File("soak.oxv")));
    const SurveyDocument& survey = session.app->Document()->Survey();
    ASSERT_NE(survey.m_pTimeline, nullptr);
    const int timelineFrames = survey.m_pTimeline->frames;
    ASSERT_GE(timelineFrames, frames - 1);
    view->State().m_bShowGrid = true;
    view->State().m_bShowScannerPath = true;

    // The driver's bins and the allocator's arenas grow with the geometry a
    // frame shows, for the first few thousand frames of a run; the first run
    // takes them to their size, the second, rewriting every file, is judged.
    test::MemoryTrace first, memory;
    const double firstSeconds = PlayToTheEnd(session, first, timelineFrames);
    ASSERT_GT(firstSeconds, 0) << "the first run ends after its hold; at frame " << view->Run().m_nFrame;
    // The folder holds the first run's frames: Start asks, and the answer
    // Overwrite has the second run write every file afresh.
    session.recorder.answers = {wxID_YES};
    const double seconds = PlayToTheEnd(session, memory, timelineFrames);
    ASSERT_GT(seconds, 0) << "the second run ends after its hold; at frame " << view->Run().m_nFrame;

    const test::FrameFolderCheck check = test::CheckFrameFolder(out, timelineFrames - 1, kWidth, kHeight);
    std::printf("window soak: %d timeline frames, %ld files; first run %.1f s, resident %ld -> %ld KiB, heap floor "
                "by quarter %ld %ld %ld %ld KiB\n",
                timelineFrames, check.files, firstSeconds, first.startRss, first.peakRss, first.heapFloor[0],
                first.heapFloor[1], first.heapFloor[2], first.heapFloor[3]);
    std::printf("window soak: second run %.1f s (%.1f ms a tick), resident %ld -> peak %ld KiB, heap floor by quarter "
                "%ld %ld %ld %ld KiB\n",
                seconds, 1000.0 * seconds / (timelineFrames + 600), memory.startRss, memory.peakRss,
                memory.heapFloor[0], memory.heapFloor[1], memory.heapFloor[2], memory.heapFloor[3]);

    ASSERT_EQ(session.recorder.messages.size(), 1u) << ::testing::PrintToString(session.recorder.messages);
    EXPECT_NE(session.recorder.messages[0].find("already holds"), std::string::npos) << session.recorder.messages[0];
    EXPECT_EQ(check.complete, timelineFrames - 1)
        << "first incomplete frames: " << ::testing::PrintToString(check.incomplete);
    // A paint between Start and the first tick (the window's repaint for
    // the start camera) writes number -1; it is a whole picture too.
    EXPECT_EQ(check.files, timelineFrames - 1 + (check.startPicture ? 1 : 0));
    EXPECT_EQ(check.strays, 0);
    // Heap in use is what a leak grows: a few hundred bytes a frame would
    // raise the floor by megabytes over the run. Resident memory also takes
    // in what the toolkit and the driver hold outside the heap.
    EXPECT_LT(memory.heapFloor[3] - memory.heapFloor[0], 2 * 1024) << "KiB of heap grown over the second run";
    EXPECT_LT(memory.peakRss - memory.startRss, 4 * 1024) << "KiB of resident growth over the second run";
}

}  // namespace
}  // namespace oxv
