#include "recorder/HeadlessRecorder.h"

#include <GL/gl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "gl/GlTarget.h"
#include "image/PngImageWriter.h"
#include "playback/FpvCamera.h"
#include "playback/FrameRecording.h"
#include "view/ColorLegend.h"

namespace oxv {

namespace {

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

double FileBytes(const std::string& path)
{
    struct stat st{};
    return stat(path.c_str(), &st) == 0 ? static_cast<double>(st.st_size) : 0.0;
}

}  // namespace

HeadlessRecorder::HeadlessRecorder(const SurveyDocument& doc, GlTarget& target, const RecordViewOptions& options)
    : RunHost(target), m_doc(doc), m_options(options)
{
    // The window loads its helicopter when its context is made, before any
    // survey is shown.
    SetUpGl(options.modelPath);
    ViewState& view = View();
    view.m_nColorMode = options.colorMode;
    view.m_nPointSize = options.pointSize;
    view.m_bShowGrid = options.grid;
    view.m_bShowScannerPath = options.scannerPath;
    view.m_bAntiAlias = options.antialias;
    if (options.levels) {
        const auto [black, white] = *options.levels;
        view.m_dBlackLevel = black;
        view.m_dWhiteLevel = white;
        view.m_dRgbOffset = -black / (white - black);
        view.m_dRgbScale = 1.0 / (white - black) / 255.0;
    }
    if (options.legend) {
        // Drawn into the frame before it is captured, where the window draws
        // it only after.
        view.hooks.captureFrame = [this, capture = view.hooks.captureFrame](ViewState& v, GlTarget& drawn, int left,
                                                                            int top, int right, int bottom) {
            if (const auto legend = LegendFor(v, &m_doc)) DrawColorLegend(*legend, right - left, bottom - top);
            if (capture) capture(v, drawn, left, top, right, bottom);
        };
    }
    OnInitialUpdate(view, &m_doc);
}

bool HeadlessRecorder::ListsFit()
{
    // Recorded frames draw every point: a subset in their place would be
    // another recording.
    if (View().m_subset.memoryProblem.empty()) return true;
    m_outcome.error = View().m_subset.memoryProblem;
    return false;
}

HeadlessRecorder::~HeadlessRecorder()
{
    (void)Target().MakeCurrent();
    ReleaseGl();
}

void HeadlessRecorder::StartTimer(int id, int periodMs) { m_timers[id] = periodMs; }

void HeadlessRecorder::KillTimer(int id) { m_timers.erase(id); }

void HeadlessRecorder::RepaintNow()
{
    if (m_skipPaint) {
        Heli().AdvanceRotors();
        return;
    }
    // A stopped orbit view records nothing: no need to draw it.
    if (!Running()) return;
    // The number this paint's file gets: playback's is known before drawing,
    // the first-person flight's is its node after the look-at steps it.
    const int32_t number = Run().m_nPlayState != kStopped ? Run().m_nFrame - 1 : Fpv().m_nFpvNode + 1;
    if (!InRange(number)) {
        FastForwardPaint();
        return;
    }
    m_paintStart = Now();
    DrawFrame(&m_doc);
}

bool HeadlessRecorder::Ranged() const
{
    return m_options.frames.first > 0 || m_options.frames.end != FrameRange{}.end;
}

// What drawing the paint would have changed for later frames, without the
// drawing: the rotors' turn in playback, the next node in first person.
void HeadlessRecorder::FastForwardPaint()
{
    m_fastForwarded = true;
    if (Run().m_nPlayState != kStopped)
        Heli().AdvanceRotors();
    else
        ComputeFpvLookAt(Fpv(), View().m_camera, m_doc, *this);
}

void HeadlessRecorder::Tick(int timerId)
{
    m_fastForwarded = false;
    const double t0 = Ranged() ? Now() : 0.0;
    OnTimer(Run(), View().m_camera, m_doc, *this, timerId);
    if (m_fastForwarded) {
        m_outcome.fastForwardTicks += 1;
        m_outcome.fastForwardSeconds += Now() - t0;
    }
}

// Every drawn frame's own step compiles its list afresh: a frame left out
// needs none.
bool HeadlessRecorder::DrawsNextFrame() const
{
    return InRange(PlaybackNumberAfterStep(Run().m_nFrame, Run().m_nFrameCount));
}

void HeadlessRecorder::CaptureFrame(GlTarget& target, int w, int h, const std::string& path)
{
    RecordTimings& t = m_outcome.timings;
    double readBack = 0.0, drawn = 0.0;
    if (m_options.timings) {
        glFinish();
        drawn = Now();
        t.drawSeconds += drawn - m_paintStart;
        // The frame read once more on its own, to tell read-back from encoding.
        const size_t rowBytes = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
        m_timingPixels.resize(rowBytes * static_cast<size_t>(h));
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadBuffer(static_cast<GLenum>(target.ReadBuffer()));
        glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, m_timingPixels.data());
        readBack = Now() - drawn;
        t.readBackSeconds += readBack;
    }
    if (m_sink) {
        SinkFrame(target, w, h, readBack);
        return;
    }
    const double c0 = Now();
    const bool written = Capturer().Capture(target, w, h, path);
    const int why = errno;
    const double captured = Now() - c0;
    if (!written) {
        // The viewer loses such a frame silently; a recording tool stops,
        // saying why (a full disk, a folder gone).
        if (m_writeError.empty()) m_writeError = "cannot write " + path + ": " + std::strerror(why);
        return;
    }
    ++m_framesDrawn;
    if (m_outcome.files.empty() || m_outcome.files.back() != path) m_outcome.files.push_back(path);
    if (m_options.timings) {
        t.frames += 1;
        t.encodeSeconds += std::max(captured - readBack, 0.0);
        t.frameBytes += FileBytes(path);
        const std::string probe = path + ".libpng-default.png";
        const double d0 = Now();
        (void)WritePngRgbBottomUp(probe, w, h, m_timingPixels.data(), (static_cast<size_t>(w) * 3 + 3) / 4 * 4, PngEncoding{});
        t.defaultEncodeSeconds += Now() - d0;
        t.defaultBytes += FileBytes(probe);
        unlink(probe.c_str());
    }
    Report();
}

void HeadlessRecorder::SinkFrame(GlTarget& target, int w, int h, double readBack)
{
    const bool playback = Run().m_nPlayState != kStopped;
    // The viewer shows the hold's picture on all its ticks but the last.
    const bool holdPicture = playback && Run().m_nFrame >= Run().m_nFrameCount;
    const int repeat = holdPicture && !m_options.everyHoldTick && m_holdTicks >= 2 ? m_holdTicks - 1 : 1;
    m_stamp = {};
    m_stamp.playback = playback;
    if (playback) {
        m_stamp.number = Run().m_nFrame - 1;
        // The last step reached frame m_nFrame; the hold shows the one before its count.
        const PlaybackTimeline* timeline = m_doc.m_pTimeline.get();
        if (timeline)
            m_stamp.surveySeconds = std::min(Run().m_nFrame, Run().m_nFrameCount - 1) * timeline->step;
    } else {
        m_stamp.number = Fpv().m_nFpvNode;
    }
    const double c0 = Now();
    const uint8_t* rows = Capturer().ReadBack(target, w, h);
    std::string error = "no frame to read back";
    if (!rows || !m_sink(rows, Capturer().RowBytes(), w, h, repeat, error)) {
        if (m_writeError.empty()) m_writeError = error;
        return;
    }
    const double sunk = Now() - c0;
    ++m_framesDrawn;
    m_outcome.sunkFrames += repeat;
    if (m_options.timings) {
        m_outcome.timings.frames += 1;
        m_outcome.timings.encodeSeconds += std::max(sunk - readBack, 0.0);
    }
    Report();
}

void HeadlessRecorder::Report()
{
    if (!m_progress) return;
    RecordProgress p;
    p.framesDrawn = m_framesDrawn;
    p.framesExpected = std::max(m_framesExpected, m_framesDrawn);
    p.elapsedSeconds = Now() - m_runStart;
    m_progress(p);
}

RecordOutcome HeadlessRecorder::Finish()
{
    m_outcome.seconds = Now() - m_runStart;
    if (!m_writeError.empty()) {
        m_outcome.ok = false;
        m_outcome.error = m_writeError;
    }
    m_progress = {};
    m_skipPaint = false;
    return std::move(m_outcome);
}

RecordOutcome HeadlessRecorder::RecordPlayback(const RecordProgressFn& progress)
{
    m_outcome = {};
    m_writeError.clear();
    m_framesDrawn = 0;
    m_runStart = Now();
    if (!m_doc.m_pPoints || !m_doc.m_pTimeline) {
        m_outcome.error = "the survey has no timeline to play (no time channel)";
        return Finish();
    }
    if (!ListsFit()) return Finish();
    const PlaybackParams* params = m_doc.m_pPlaybackParams.get();
    if (!params || !params->recordVideo || !params->outputFolder) {
        m_outcome.error = "Video Recording is off or has no output folder";
        return Finish();
    }
    m_progress = progress;

    StartPlayback(Run(), View().m_camera, m_doc, *this);
    const int32_t frames = Run().m_nFrameCount;
    const int32_t hold = Run().m_nHoldTicks;
    m_holdTicks = hold;
    // Pictures drawn: one per stepped frame before the hold, and the hold's last.
    m_framesExpected =
        static_cast<int64_t>(NumbersInRange(PlaybackFileNumbers(frames, hold), m_options.frames).size());
    const int64_t tickLimit = int64_t{frames} + std::max(hold, 1) + 4;

    m_outcome.ok = true;
    while (m_timers.count(kPlaybackTimerId) && m_writeError.empty()) {
        if (m_outcome.ticks >= tickLimit) {
            StopPlayback(Run(), *this);
            m_outcome.ok = false;
            m_outcome.error = "playback did not come to its end";
            break;
        }
        if (Ranged() && Run().m_nPlayState == kPlaying &&
            PlaybackNumberAfterStep(Run().m_nFrame, Run().m_nFrameCount) >= m_options.frames.end)
            break;
        // Predict the tick from the engine's rules: a hold tick, and whether
        // its picture is the one the hold ends with.
        const bool holdTick = Run().m_nPlayState == kPlaying && Run().m_nFrame + 1 >= Run().m_nFrameCount - 1;
        const int32_t holdLeft = Run().m_nHoldTicks - 1;
        const bool lastPicture = holdLeft == 1;
        m_skipPaint = !m_options.everyHoldTick && holdTick && !lastPicture && holdLeft != 0;
        Tick(kPlaybackTimerId);
        m_skipPaint = false;
        ++m_outcome.ticks;
    }
    if (m_timers.count(kPlaybackTimerId)) StopPlayback(Run(), *this);
    return Finish();
}

RecordOutcome HeadlessRecorder::RecordFpv(const std::string& folder, const RecordProgressFn& progress)
{
    m_outcome = {};
    m_writeError.clear();
    m_framesDrawn = 0;
    m_runStart = Now();
    const int32_t nodes = PathNodeCount(m_doc.m_pCameraPath.get());
    if (!m_doc.m_pPoints || nodes <= 0) {
        m_outcome.error = "the survey has no camera path";
        return Finish();
    }
    if (!ListsFit()) return Finish();
    // What the view does when told of the imported path: its list is built,
    // which enables the command.
    OnCameraPathChanged(View(), &m_doc);
    if (!GetFpvCommandState(Fpv(), View().m_nCameraPathList != 0).enabled) {
        m_outcome.error = "the camera path could not be drawn";
        return Finish();
    }
    SetFpvFolder(folder);
    m_progress = progress;
    m_framesExpected = static_cast<int64_t>(NumbersInRange(FpvFileNumbers(nodes), m_options.frames).size());
    ToggleFpvMode(Fpv(), View().m_camera, *this);
    m_outcome.ok = true;
    const int64_t tickLimit = int64_t{nodes} + 4;
    while (m_timers.count(kFpvTimerId) && m_writeError.empty()) {
        if (m_outcome.ticks >= tickLimit) {
            m_outcome.ok = false;
            m_outcome.error = "the first-person flight did not come to its end";
            break;
        }
        if (Ranged() && Fpv().m_nFpvNode + 1 >= m_options.frames.end) break;
        Tick(kFpvTimerId);
        ++m_outcome.ticks;
    }
    if (Fpv().m_bFpvMode) ToggleFpvMode(Fpv(), View().m_camera, *this);
    SetFpvFolder({});
    return Finish();
}

}  // namespace oxv
