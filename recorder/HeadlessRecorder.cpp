#include "recorder/HeadlessRecorder.h"

#include <GL/gl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "view/BeamLines.h"
#include "playback/FpvCamera.h"
#include "gl/GlTarget.h"
#include "image/PngImageWriter.h"

namespace oxv {

namespace {

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

double FileBytes(const std::string& path)
{
    struct stat st{};
    return stat(path.c_str(), &st) == 0 ? static_cast<double>(st.st_size) : 0.0;
}

// The draw the viewer would have made, for the rotor angle of later frames:
// a loaded helicopter turns its rotors one step per drawn frame.
void AdvanceRotors(gl_heli_model& heli)
{
    if (heli.list_base != 0) heli.rotor_counter = (heli.rotor_counter + 45) % 3600;
}

}  // namespace

HeadlessRecorder::HeadlessRecorder(const SurveyDocument& doc, GlTarget& target, const RecordViewOptions& options)
    : m_doc(doc), m_target(target), m_options(options), m_fpvFolder(FpvVideoFolder())
{
    InitViewState(m_view);
    SetupViewGl();
    m_view.m_nColorMode = options.colorMode;
    m_view.m_nPointSize = options.pointSize;
    m_view.m_bShowGrid = options.grid;
    m_view.m_bShowScannerPath = options.scannerPath;
    // The window loads its helicopter when its context is made, before any
    // survey is shown.
    if (!options.modelPath.empty()) m_heli.load(options.modelPath);
    OnInitialUpdate(m_view, &m_doc);
    m_view.hooks.drawVehicle = [this](ViewState&) { m_heli.draw(); };
    m_view.hooks.computeFpvLookAt = [this](ViewState& view, const SurveyDocument& d) {
        ComputeFpvLookAt(m_fpv, view.m_camera, d, *this);
    };
    m_view.hooks.captureFrame = [this](ViewState&, GlTarget& t, int left, int top, int right, int bottom) {
        CaptureFrame(t, left, top, right, bottom);
    };
}

HeadlessRecorder::~HeadlessRecorder()
{
    m_target.MakeCurrent();
    DeleteDisplayLists(m_view);
    m_heli.release();
}

void HeadlessRecorder::StartTimer(int id, int periodMs) { m_timers[id] = periodMs; }

void HeadlessRecorder::KillTimer(int id) { m_timers.erase(id); }

void HeadlessRecorder::RepaintNow()
{
    if (m_skipPaint) {
        AdvanceRotors(m_heli);
        return;
    }
    // A stopped orbit view records nothing: no need to draw it.
    if (m_run.m_nPlayState == kStopped && !m_fpv.m_bFpvMode) return;
    // The number this paint's file gets: playback's is known before drawing,
    // the first-person flight's is its node after the look-at steps it.
    const int32_t number = m_run.m_nPlayState != kStopped ? m_run.m_nFrame - 1 : m_fpv.m_nFpvNode + 1;
    if (!InRange(number)) {
        FastForwardPaint();
        return;
    }
    m_paintStart = Now();
    ShowRunState(m_view, m_run, m_fpv);
    OnDrawFrame(m_view, &m_doc, m_target, FrameKind::Paint);
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
    if (m_run.m_nPlayState != kStopped)
        AdvanceRotors(m_heli);
    else
        ComputeFpvLookAt(m_fpv, m_view.m_camera, m_doc, *this);
}

void HeadlessRecorder::Tick(int timerId)
{
    m_fastForwarded = false;
    const double t0 = Ranged() ? Now() : 0.0;
    OnTimer(m_run, m_view.m_camera, m_doc, *this, timerId);
    if (m_fastForwarded) {
        m_outcome.fastForwardTicks += 1;
        m_outcome.fastForwardSeconds += Now() - t0;
    }
}

void HeadlessRecorder::SetVehiclePose(const double attitude[3], const double position[3])
{
    for (int i = 0; i < 3; ++i) {
        m_heli.attitude[i] = attitude[i];
        m_heli.position[i] = position[i];
    }
}

void HeadlessRecorder::CompileBeamList(const SurveyDocument& doc, const FrameSpan& span)
{
    // Every drawn frame's own step compiles its list afresh: a frame left
    // out needs none.
    if (!InRange(PlaybackNumberAfterStep(m_run.m_nFrame, m_run.m_nFrameCount))) return;
    CompileViewBeams(m_view, doc, span);
}

void HeadlessRecorder::DeleteBeamList() { DeleteViewBeams(m_view); }

void HeadlessRecorder::CaptureFrame(GlTarget& target, int left, int top, int right, int bottom)
{
    const std::optional<std::string> path = FrameCapturePath(m_run, m_fpv, m_doc, m_fpvFolder);
    if (!path) return;
    const int w = right - left, h = bottom - top;
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
    const bool written = m_capturer.Capture(target, w, h, *path);
    const double captured = Now() - c0;
    if (!written) {
        // The viewer loses such a frame silently; a recording tool stops.
        if (m_writeError.empty()) m_writeError = "cannot write " + *path;
        return;
    }
    ++m_framesDrawn;
    if (m_outcome.files.empty() || m_outcome.files.back() != *path) m_outcome.files.push_back(*path);
    if (m_options.timings) {
        t.frames += 1;
        t.encodeSeconds += std::max(captured - readBack, 0.0);
        t.frameBytes += FileBytes(*path);
        const std::string probe = *path + ".libpng-default.png";
        const double d0 = Now();
        WritePngRgbBottomUp(probe, w, h, m_timingPixels.data(), (static_cast<size_t>(w) * 3 + 3) / 4 * 4, PngEncoding{});
        t.defaultEncodeSeconds += Now() - d0;
        t.defaultBytes += FileBytes(probe);
        unlink(probe.c_str());
    }
    Report();
}

void HeadlessRecorder::SinkFrame(GlTarget& target, int w, int h, double readBack)
{
    const bool playback = m_run.m_nPlayState != kStopped;
    // The viewer shows the hold's picture on all its ticks but the last.
    const bool holdPicture = playback && m_run.m_nFrame >= m_run.m_nFrameCount;
    const int repeat = holdPicture && !m_options.everyHoldTick && m_holdTicks >= 2 ? m_holdTicks - 1 : 1;
    const double c0 = Now();
    const uint8_t* rows = m_capturer.ReadBack(target, w, h);
    std::string error = "no frame to read back";
    if (!rows || !m_sink(rows, m_capturer.RowBytes(), w, h, repeat, error)) {
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
    const PlaybackParams* params = m_doc.m_pPlaybackParams.get();
    if (!params || !params->recordVideo || !params->outputFolder) {
        m_outcome.error = "Video Recording is off or has no output folder";
        return Finish();
    }
    m_progress = progress;

    StartPlayback(m_run, m_view.m_camera, m_doc, *this);
    const int32_t frames = m_run.m_nFrameCount;
    const int32_t hold = m_run.m_nHoldTicks;
    m_holdTicks = hold;
    // A hold shorter than one tick never counts down to its end.
    const bool endless = hold <= 0;
    // Pictures drawn: one per stepped frame before the hold, and the hold's last.
    m_framesExpected =
        static_cast<int64_t>(NumbersInRange(PlaybackFileNumbers(frames, hold), m_options.frames).size());
    const int64_t tickLimit = int64_t{frames} + std::max(hold, 1) + 4;

    m_outcome.ok = true;
    while (m_timers.count(kPlaybackTimerId) && m_writeError.empty()) {
        if (m_outcome.ticks >= tickLimit) {
            StopPlayback(m_run, *this);
            m_outcome.ok = false;
            m_outcome.error = "playback did not come to its end";
            break;
        }
        if (Ranged() && m_run.m_nPlayState == kPlaying &&
            PlaybackNumberAfterStep(m_run.m_nFrame, m_run.m_nFrameCount) >= m_options.frames.end)
            break;
        // Predict the tick from the engine's rules: a hold tick, and whether
        // its picture is the one the hold ends with.
        const bool holdTick = m_run.m_nPlayState == kPlaying && m_run.m_nFrame + 1 >= m_run.m_nFrameCount - 1;
        const int32_t holdLeft = m_run.m_nHoldTicks - 1;
        const bool lastPicture = endless || holdLeft == 1;
        m_skipPaint = !m_options.everyHoldTick && holdTick && !lastPicture && holdLeft != 0;
        Tick(kPlaybackTimerId);
        m_skipPaint = false;
        ++m_outcome.ticks;
        if (endless && holdTick) StopPlayback(m_run, *this);
    }
    if (m_timers.count(kPlaybackTimerId)) StopPlayback(m_run, *this);
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
    // What the view does when told of the imported path: its list is built,
    // which enables the command.
    OnCameraPathChanged(m_view, &m_doc);
    if (!GetFpvCommandState(m_fpv, m_view.m_nCameraPathList != 0).enabled) {
        m_outcome.error = "the camera path could not be drawn";
        return Finish();
    }
    m_fpvFolder = folder;
    m_progress = progress;
    m_framesExpected = static_cast<int64_t>(NumbersInRange(FpvFileNumbers(nodes), m_options.frames).size());
    ToggleFpvMode(m_fpv, m_view.m_camera, *this);
    m_outcome.ok = true;
    const int64_t tickLimit = int64_t{nodes} + 4;
    while (m_timers.count(kFpvTimerId) && m_writeError.empty()) {
        if (m_outcome.ticks >= tickLimit) {
            m_outcome.ok = false;
            m_outcome.error = "the first-person flight did not come to its end";
            break;
        }
        if (Ranged() && m_fpv.m_nFpvNode + 1 >= m_options.frames.end) break;
        Tick(kFpvTimerId);
        ++m_outcome.ticks;
    }
    if (m_fpv.m_bFpvMode) ToggleFpvMode(m_fpv, m_view.m_camera, *this);
    m_fpvFolder = FpvVideoFolder();
    return Finish();
}

}  // namespace oxv
