#pragma once

// A whole recorded run without a window: the view's playback (or its
// first-person flight) driven tick by tick through the same engine, scene
// drawing and frame capture the viewer uses, into an offscreen target.
// Timers are only remembered; the run loop delivers their ticks back to
// back, so a run takes as long as its drawing and encoding, not its frame
// period.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "playback/RecordFrames.h"
#include "run/RunHost.h"
#include "survey/SurveyDocument.h"

namespace oxv {

class GlTarget;

struct RecordViewOptions {
    int32_t colorMode = kColorOriginal;
    int32_t pointSize = 1;
    bool grid = false;
    bool scannerPath = false;
    bool antialias = false;  // round, smoothed points
    // The Original mode's black and white levels (0..1); the view's own when not set.
    std::optional<std::pair<double, double>> levels;
    // The colour bar with its minimum and maximum in every recorded frame
    // (the window keeps it out of its frames).
    bool legend = false;
    // The helicopter's OBJ file ("<exe dir>/model/gray.obj"); empty flies none.
    std::string modelPath;
    // Split each frame's time into drawing, read-back and encoding, and
    // encode every frame a second time with libpng's defaults to compare.
    bool timings = false;
    // Draw and write every tick of the end hold, as the viewer does, instead
    // of only the last one; the files end the same, only slower.
    bool everyHoldTick = false;
    // Only the files numbered in this range are drawn and written; the ticks
    // before it step the engine without drawing, so the files are the whole
    // run's, and the run ends once the range is written.
    FrameRange frames;
};

// Sums over the frames written.
struct RecordTimings {
    int64_t frames = 0;
    double drawSeconds = 0.0;      // scene drawing until the GL work is finished
    double readBackSeconds = 0.0;  // glReadPixels of the finished frame
    double encodeSeconds = 0.0;    // PNG encoding and writing with the frames' settings
    double frameBytes = 0.0;       // bytes of the files written
    double defaultEncodeSeconds = 0.0;  // the same frames with libpng's defaults
    double defaultBytes = 0.0;
};

// Takes the frames instead of PNG files: the read-back rows, bottom row
// first, `rowBytes` apart, shown for `repeat` frame periods; false with
// `error` set ends the run.
using FrameSink = std::function<bool(const uint8_t* rows, size_t rowBytes, int w, int h, int repeat, std::string& error)>;

// What the picture handed to the frame sink shows: its file number (the
// first-person flight's node), and in playback the measurement time
// reached, in seconds since the survey's first record.
struct SunkFrameStamp {
    int32_t number = 0;
    bool playback = false;
    double surveySeconds = 0.0;
};

struct RecordProgress {
    int64_t framesDrawn = 0;
    int64_t framesExpected = 0;  // an estimate; framesDrawn may reach it early
    double elapsedSeconds = 0.0;
};
using RecordProgressFn = std::function<void(const RecordProgress&)>;

struct RecordOutcome {
    bool ok = false;
    std::string error;                // why not ok
    std::vector<std::string> files;   // every file written, in the order first written
    int64_t sunkFrames = 0;           // pictures handed to the frame sink instead
    int64_t ticks = 0;                // timer ticks delivered
    double seconds = 0.0;             // wall time of the run
    RecordTimings timings;            // filled with RecordViewOptions::timings
    int64_t fastForwardTicks = 0;     // ticks stepped without drawing, for a frame range
    double fastForwardSeconds = 0.0;  // their wall time
};

class HeadlessRecorder final : public RunHost {
public:
    // The target's context must be current; it stays in use until the
    // recorder is gone. The document must outlive the recorder.
    HeadlessRecorder(const SurveyDocument& doc, GlTarget& target, const RecordViewOptions& options);
    ~HeadlessRecorder() override;
    HeadlessRecorder(const HeadlessRecorder&) = delete;
    HeadlessRecorder& operator=(const HeadlessRecorder&) = delete;

    // False when a model path was given and could not be read.
    [[nodiscard]] bool HelicopterLoaded() const { return Helicopter().list_base != 0; }

    // Start, then playback ticks until the run stops itself. Needs the
    // document's timeline with Video Recording on and an output folder.
    // The end hold rewrites the last file on every tick in the viewer; here
    // it is drawn and written once, on the hold's last recording tick, with
    // the same picture. A frame period above the hold's length holds the
    // last picture one tick, as the viewer does. Neither run starts when the
    // point lists did not fit in memory (the outcome's error says so).
    RecordOutcome RecordPlayback(const RecordProgressFn& progress = {});

    // FPV Camera Mode along the document's camera path, one paint per tick
    // until the mode ends itself, written into `folder` as the viewer
    // numbers it: a path of n nodes gives img000001 .. img(n-1).
    RecordOutcome RecordFpv(const std::string& folder, const RecordProgressFn& progress = {});

    // With a sink, the frames go to it instead of files: each file number
    // once, and the end hold's picture for as many periods as the viewer
    // shows it.
    void SetFrameSink(FrameSink sink) { m_sink = std::move(sink); }
    // The picture the sink is being handed; valid during the sink's call.
    [[nodiscard]] const SunkFrameStamp& SinkStamp() const { return m_stamp; }

    // PlaybackHost: timers only remembered, paints drawn at once.
    void StartTimer(int id, int periodMs) override;
    void KillTimer(int id) override;
    void RepaintNow() override;

protected:
    const SurveyDocument* Document() const override { return &m_doc; }
    [[nodiscard]] bool DrawsNextFrame() const override;
    void CaptureFrame(GlTarget& target, int width, int height, const std::string& path) override;

private:
    void SinkFrame(GlTarget& target, int w, int h, double readBack);
    void Report();
    [[nodiscard]] bool Ranged() const;
    bool InRange(int32_t number) const { return !Ranged() || m_options.frames.Contains(number); }
    void FastForwardPaint();
    void Tick(int timerId);
    RecordOutcome Finish();
    // False, with the outcome's error set, when the view holds only a
    // subset for want of memory.
    [[nodiscard]] bool ListsFit();

    const SurveyDocument& m_doc;
    RecordViewOptions m_options;
    std::map<int, int> m_timers;  // id -> period in ms

    // The current run.
    bool m_skipPaint = false;  // a hold tick whose picture a later tick writes again
    bool m_fastForwarded = false;  // the tick's paint was left out, being before the range
    double m_paintStart = 0.0;
    int64_t m_framesDrawn = 0;
    int64_t m_framesExpected = 0;
    double m_runStart = 0.0;
    std::string m_writeError;
    RecordOutcome m_outcome;
    RecordProgressFn m_progress;
    std::vector<uint8_t> m_timingPixels;
    FrameSink m_sink;
    int32_t m_holdTicks = 0;  // the run's end hold as started
    SunkFrameStamp m_stamp;
};

}  // namespace oxv
