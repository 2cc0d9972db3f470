// oxvtool record: a whole playback run (or a first-person flight) recorded
// as numbered PNG frames without a window, through the viewer's own engine,
// drawing and capture, with the settings the Parameter dialog would make.

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <system_error>

#include "tools/oxvtool/Commands.h"
#include "tools/oxvtool/SettingsOption.h"
#include "tools/oxvtool/SizeOption.h"
#include "tools/oxvtool/TrajectoryOption.h"
#include "view/ColorModeNames.h"
#include "settings/ProgramFiles.h"
#include "gl/HeadlessGL.h"
#include "playback/FpvCamera.h"
#include "recorder/HeadlessRecorder.h"
#include "tools/oxvtool/VideoWriter.h"
#include "settings/IniProfile.h"
#include "playback/PlaybackParameters.h"
#include "playback/RecordFrames.h"
#include "base/FileReading.h"
#include "survey/SurveyDocument.h"

namespace oxvtool {

namespace {

constexpr int kBarWidth = 30;

struct RecordOptions {
    std::string survey;
    std::string trajectory;
    std::string out;
    std::string size = "1280x720";
    std::string speed, period, track, autoCamera, nearDistance, farDistance, cameraSpeed, panRate;
    std::string color, pointSize;
    bool grid = false;
    bool scannerPath = false;
    std::string ini;
    std::string fpv;
    bool timings = false;
    std::string frames;
    bool listFrames = false;
    std::string video;
    std::string crf;
};

// The whole text as one number, or nothing.
template <typename T>
std::optional<T> ParseNumber(const std::string& text)
{
    T value{};
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, value);
    if (text.empty() || r.ec != std::errc() || r.ptr != end) return std::nullopt;
    if constexpr (std::is_floating_point_v<T>)
        if (!std::isfinite(value)) return std::nullopt;
    return value;
}

// The checks of every option before anything is read or written.
struct Settings {
    int width = 1280, height = 720;
    std::optional<double> speed;
    std::optional<long> period;
    std::optional<int> track, autoCamera;
    std::optional<double> nearDistance, farDistance, cameraSpeed, panRate;
    oxv::RecordViewOptions view;
    bool ranged = false;
    int crf = 20;
};

bool Fail(const std::string& message)
{
    std::cerr << "oxvtool: " << message << "\n";
    return false;
}

int Failed(const std::string& message)
{
    Fail(message);
    return 1;
}

bool ParseDouble(const std::string& text, const char* name, std::optional<double>& value)
{
    if (text.empty()) return true;
    value = ParseNumber<double>(text);
    return value ? true : Fail(std::string(name) + " wants a number");
}

bool ParseSwitch(const std::string& text, const char* name, std::optional<int>& value)
{
    if (text.empty()) return true;
    if (text == "0" || text == "1") {
        value = text == "1";
        return true;
    }
    return Fail(std::string(name) + " wants 0 or 1");
}

bool CheckOptions(const RecordOptions& o, Settings& s)
{
    if (o.survey.empty()) return Fail("record wants a SURVEY");
    if (o.out.empty() && o.video.empty() && !o.listFrames) return Fail("record wants --out DIR or --video FILE");
    if (!ParseSize(o.size, kMaxFrameSide, s.width, s.height))
        return Fail("--size wants WIDTHxHEIGHT with sides 1 to " + std::to_string(kMaxFrameSide));
    if (!ParseDouble(o.speed, "--speed", s.speed)) return false;
    if (s.speed && !oxv::SpeedAllowsOk(*s.speed)) return Fail("--speed must be greater than 0");
    if (!o.period.empty()) {
        s.period = ParseNumber<long>(o.period);
        if (!s.period || !oxv::IntervalAllowsOk(*s.period) || *s.period > INT_MAX)
            return Fail("--period wants whole milliseconds greater than 0");
    }
    if (!ParseSwitch(o.track, "--track", s.track) || !ParseSwitch(o.autoCamera, "--auto", s.autoCamera)) return false;
    if (!ParseDouble(o.nearDistance, "--near", s.nearDistance) || !ParseDouble(o.farDistance, "--far", s.farDistance) ||
        !ParseDouble(o.cameraSpeed, "--camera-speed", s.cameraSpeed) || !ParseDouble(o.panRate, "--pan-rate", s.panRate))
        return false;
    if (!o.color.empty()) {
        const auto mode = oxv::ColorModeFromName(o.color);
        if (!mode) return Fail("--color wants " + oxv::ColorModeNameList());
        s.view.colorMode = *mode;
    }
    if (!o.pointSize.empty()) {
        const auto size = ParseNumber<int>(o.pointSize);
        if (!size || *size < 1 || *size > 5) return Fail("--point-size wants 1 to 5");
        s.view.pointSize = *size;
    }
    s.view.grid = o.grid;
    s.view.scannerPath = o.scannerPath;
    s.view.timings = o.timings;
    if (!o.crf.empty()) {
        const auto crf = ParseNumber<int>(o.crf);
        if (!crf || *crf < 0 || *crf > 51) return Fail("--crf wants 0 to 51");
        s.crf = *crf;
    }
    if (!o.video.empty() && !o.listFrames) {
        oxv::VideoFormat format{s.width, s.height, 1, s.crf};
        const std::string problem = oxv::VideoFormatProblem(format);
        if (!problem.empty()) return Fail(problem);
        std::error_code ec;
        if (std::filesystem::is_directory(o.video, ec)) return Fail("--video wants a file, not the folder " + o.video);
    }
    if (!o.frames.empty()) {
        const auto range = oxv::ParseFrameRange(o.frames);
        if (!range) return Fail("--frames wants A:B, whole frame numbers with A <= B (either may be left out)");
        s.view.frames = *range;
        s.ranged = true;
    }
    return true;
}

// The files the options name, as far as they can be checked before the run.
bool CheckInputs(const RecordOptions& o)
{
    if (!o.fpv.empty()) {
        std::error_code ec;
        if (!std::filesystem::is_directory(o.fpv, ec)) return Fail("--fpv wants a folder: " + o.fpv);
    }
    return true;
}

// The Parameter dialog's OK: the document's values, the options over them,
// Video Recording on into `folder`; the timeline is rebuilt.
bool ApplyRecordParameters(oxv::SurveyDocument& doc, const Settings& s, const std::string& folder, int& periodMs)
{
    if (!doc.m_pTimeline) return Fail("the survey has no time channel: there is nothing to play");
    oxv::PlaybackDialogValues values = oxv::DialogValuesFromDocument(doc);
    if (s.speed) values.m_dSpeedPercent = *s.speed;
    if (s.period) values.m_nIntervalMs = static_cast<int>(*s.period);
    oxv::PlaybackParams& p = values.params;
    if (s.track) p.trackVehicle = *s.track;
    if (s.autoCamera) p.autoCamera = *s.autoCamera;
    if (s.nearDistance) p.nearDistance = *s.nearDistance;
    if (s.farDistance) p.farDistance = *s.farDistance;
    if (s.cameraSpeed) p.cameraSpeed = *s.cameraSpeed;
    if (s.panRate) p.panRate = *s.panRate;
    p.recordVideo = 1;
    p.outputFolder = folder;
    const std::string reason = oxv::RefuseReason(doc, values.m_dSpeedPercent, values.m_nIntervalMs);
    if (!reason.empty()) return Fail(reason);
    oxv::MemoryProfile scratch;  // the settings file named by --ini is only read
    if (!oxv::ApplyPlaybackDialog(doc, scratch, values) || !doc.m_pTimeline)
        return Fail("the timeline could not be built with these settings");
    periodMs = values.m_nIntervalMs;
    return true;
}

std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The folder as a glob pattern matches only itself.
std::string GlobEscape(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        if (c == '*' || c == '?' || c == '[' || c == ']' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// The frames skip a number before the last one, which ffmpeg's numbered
// pattern would stop at; a glob takes them all in name order.
std::string FfmpegCommand(const std::string& folder, int periodMs, int w, int h)
{
    std::string cmd = "ffmpeg -framerate 1000/" + std::to_string(periodMs) + " -pattern_type glob -i " +
                      ShellQuote(GlobEscape(folder) + "/img*.png");
    if (w % 2 || h % 2) cmd += " -vf 'pad=ceil(iw/2)*2:ceil(ih/2)*2'";
    return cmd + " -c:v libx264 -pix_fmt yuv420p " + ShellQuote(folder + "/video.mp4");
}

class ProgressBar {
public:
    void Show(const oxv::RecordProgress& p)
    {
        const double now = p.elapsedSeconds;
        if (p.framesDrawn < p.framesExpected && now - m_last < 0.25 && m_shown) return;
        m_last = now;
        m_shown = true;
        const double fraction =
            p.framesExpected > 0 ? std::min(1.0, static_cast<double>(p.framesDrawn) / static_cast<double>(p.framesExpected)) : 1.0;
        const int filled = static_cast<int>(fraction * kBarWidth);
        std::string bar(static_cast<size_t>(filled), '#');
        bar.append(static_cast<size_t>(kBarWidth - filled), '-');
        const double left = p.framesDrawn > 0 ? now / static_cast<double>(p.framesDrawn) *
                                                    static_cast<double>(p.framesExpected - p.framesDrawn)
                                              : 0.0;
        std::fprintf(stderr, "\r[%s] %3d%%  %lld/%lld frames  %.0f s left   ", bar.c_str(),
                     static_cast<int>(fraction * 100.0), static_cast<long long>(p.framesDrawn),
                     static_cast<long long>(p.framesExpected), std::max(left, 0.0));
        std::fflush(stderr);
    }
    void End()
    {
        if (m_shown) std::fputc('\n', stderr);
    }

private:
    double m_last = 0.0;
    bool m_shown = false;
};

void PrintTimings(const oxv::RecordOutcome& outcome, int w, int h)
{
    const oxv::RecordTimings& t = outcome.timings;
    const double seconds = outcome.seconds;
    if (outcome.fastForwardTicks > 0)
        std::printf("%lld ticks before the range stepped without drawing: %.4f ms per tick\n",
                    static_cast<long long>(outcome.fastForwardTicks),
                    outcome.fastForwardSeconds / static_cast<double>(outcome.fastForwardTicks) * 1000.0);
    if (t.frames <= 0) return;
    const double n = static_cast<double>(t.frames);
    const double frameMs = (t.drawSeconds + t.readBackSeconds + t.encodeSeconds) / n * 1000.0;
    // The run's own rate: the comparison encodes and the second read-back
    // of this mode are left out.
    std::printf("%lld frames of %dx%d: %.2f frames per second (%.2f s in all with the comparison encodes)\n",
                static_cast<long long>(t.frames), w, h, 1000.0 / frameMs, seconds);
    std::printf("  drawing    %8.2f ms per frame\n", t.drawSeconds / n * 1000.0);
    std::printf("  read-back  %8.2f ms per frame\n", t.readBackSeconds / n * 1000.0);
    std::printf("  encoding   %8.2f ms per frame\n", t.encodeSeconds / n * 1000.0);
    std::printf("  sum        %8.2f ms per frame\n", frameMs);
    if (t.defaultBytes <= 0) return;  // a video run has no PNG encodes to compare
    std::printf("  encoder on the same frames: frames' setting %.2f ms, %.0f bytes; libpng defaults %.2f ms, %.0f bytes "
                "(size %.3fx, %.2fx faster)\n",
                t.encodeSeconds / n * 1000.0, t.frameBytes / n, t.defaultEncodeSeconds / n * 1000.0, t.defaultBytes / n,
                t.defaultBytes > 0 ? t.frameBytes / t.defaultBytes : 0.0,
                t.encodeSeconds > 0 ? t.defaultEncodeSeconds / t.encodeSeconds : 0.0);
}

// Frames left in the folder by another run would be taken by the glob too.
void WarnAboutOtherFrames(const std::string& folder, const std::vector<std::string>& written)
{
    const std::set<std::string> ours(written.begin(), written.end());
    int others = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("img", 0) == 0 && name.size() > 7 && name.compare(name.size() - 4, 4, ".png") == 0 &&
            !ours.count(folder + "/" + name))
            ++others;
    }
    if (others > 0)
        std::cerr << "oxvtool: note: " << folder << " holds " << others
                  << " more img*.png files from elsewhere; the video would take them too\n";
}

// The plan of a run for splitting it: its timeline frame count, then the
// numbers of the files it writes (within --frames), one a line.
int ListFrames(const oxv::SurveyDocument& doc, const Settings& s, bool fpv)
{
    int32_t frames = 0;
    std::vector<int32_t> numbers;
    if (fpv) {
        frames = oxv::PathNodeCount(doc.m_pCameraPath.get());
        numbers = oxv::FpvFileNumbers(frames);
    } else {
        const oxv::PlaybackPlan plan = oxv::PlanPlayback(doc);
        frames = plan.frames;
        numbers = plan.numbers;
    }
    std::string text = std::to_string(frames) + "\n";
    for (int32_t n : oxv::NumbersInRange(numbers, s.view.frames)) text += std::to_string(n) + "\n";
    std::cout << text;
    return 0;
}

oxv::RecordOutcome Record(oxv::HeadlessRecorder& recorder, const RecordOptions& options, const std::string& folder)
{
    ProgressBar bar;
    auto show = [&bar](const oxv::RecordProgress& p) { bar.Show(p); };
    oxv::RecordOutcome outcome = options.fpv.empty() ? recorder.RecordPlayback(show) : recorder.RecordFpv(folder, show);
    bar.End();
    return outcome;
}

// The frames go from the read-back straight into the encoder; the video
// gets its name only once it is whole.
int RecordVideo(oxv::SurveyDocument& doc, Settings& s, oxv::GlTarget& gl, const RecordOptions& options, int periodMs)
{
    std::string error;
    const oxv::VideoFormat format{s.width, s.height, periodMs, s.crf};
    std::unique_ptr<oxv::VideoWriter> writer = oxv::VideoWriter::Open(options.video, format, error);
    if (!writer) return Failed(error);
    s.view.modelPath = oxv::ModelPathForExecutable(oxv::ExecutablePath());
    oxv::HeadlessRecorder recorder(doc, gl, s.view);
    if (!recorder.HelicopterLoaded() && options.fpv.empty())
        std::cerr << "oxvtool: no helicopter model at " << s.view.modelPath << "; recording without it\n";
    oxv::VideoWriter& video = *writer;
    recorder.SetFrameSink([&video](const uint8_t* rows, size_t rowBytes, int, int, int repeat, std::string& why) {
        return video.AddFrameBottomUp(rows, rowBytes, repeat, why);
    });
    // First-person frames are numbered within no folder here: the sink takes them.
    const oxv::RecordOutcome outcome = Record(recorder, options, oxv::FpvVideoFolder());
    if (!outcome.ok) return Failed(outcome.error);
    if (!writer->Finish(error)) return Failed(error);
    std::cerr << "oxvtool: " << writer->Frames() << " frames encoded into " << options.video << "\n";
    if (options.timings) PrintTimings(outcome, s.width, s.height);
    return 0;
}

int RunRecord(const RecordOptions& options)
{
    Settings s;
    if (!CheckOptions(options, s)) return kUsageError;
    if (!CheckInputs(options)) return 1;

    const std::unique_ptr<oxv::Profile> profile = OpenNamedSettings(options.ini);
    if (!profile) return kWorkFailed;
    oxv::SurveyDocument doc;
    oxv::LoadObserver quiet;
    const oxv::LoadStatus status = doc.LoadPointFile(options.survey, *profile, quiet);
    if (status == oxv::LoadStatus::CannotOpen)
        return Failed("cannot open " + options.survey + ": " + oxv::CannotOpenReason(options.survey));
    if (status != oxv::LoadStatus::Ok) return Failed(oxv::LoadFailureText(status, options.survey, doc.LoadProblem()));
    if (!ApplyTrajectoryOption(doc, options.trajectory)) return kWorkFailed;

    std::error_code ec;
    std::filesystem::path outPath =
        std::filesystem::absolute(options.out.empty() ? std::string(".") : options.out, ec).lexically_normal();
    const bool video = !options.video.empty();
    // A video run writes no frame files; the folder only names them.
    if (video) outPath = std::filesystem::absolute(options.video, ec).parent_path();
    if (ec) return Failed("bad --out " + options.out);
    std::string folder = outPath.string();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!options.listFrames && !video && std::filesystem::exists(folder, ec) && !std::filesystem::is_directory(folder, ec))
        return Failed(folder + " is not a folder");

    int periodMs = oxv::kFpvTimerPeriodMs;
    if (!options.fpv.empty()) {
        if (doc.ImportCameraPath(options.fpv) == oxv::CameraPathSource::None)
            return Failed("no camera path from " + options.fpv);
    } else if (!ApplyRecordParameters(doc, s, folder, periodMs)) {
        return 1;
    }
    if (options.listFrames) return ListFrames(doc, s, !options.fpv.empty());

    std::string error;
    auto gl = oxv::HeadlessGL::Create(s.width, s.height, &error);
    if (!gl) return Failed("no OpenGL context: " + error);
    if (video) return RecordVideo(doc, s, *gl, options, periodMs);
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder, ec)) return Failed("cannot make the folder " + folder);

    s.view.modelPath = oxv::ModelPathForExecutable(oxv::ExecutablePath());
    oxv::HeadlessRecorder recorder(doc, *gl, s.view);
    if (!recorder.HelicopterLoaded() && options.fpv.empty())
        std::cerr << "oxvtool: no helicopter model at " << s.view.modelPath << "; recording without it\n";
    const oxv::RecordOutcome outcome = Record(recorder, options, folder);
    if (!outcome.ok) return Failed(outcome.error);
    std::cerr << "oxvtool: " << outcome.files.size() << " frames written to " << folder << "\n";
    if (options.timings) PrintTimings(outcome, s.width, s.height);
    // A part of a split run shares its folder with the other parts.
    if (!s.ranged) WarnAboutOtherFrames(folder, outcome.files);
    std::cout << FfmpegCommand(folder, periodMs, s.width, s.height) << "\n";
    return 0;
}

}  // namespace

void AddRecordCommand(CLI::App& app, int& exitStatus)
{
    auto o = std::make_shared<RecordOptions>();
    CLI::App* record = app.add_subcommand(
        "record", "Record a whole playback run (or, with --fpv, the first-person flight) as numbered PNG frames");
    record->add_option("SURVEY", o->survey, "survey (.oxv or .las)");
    AddTrajectoryOption(record, o->trajectory);
    record->add_option("--out", o->out, "folder for img%06d.png (made when missing)");
    record->add_option("--size", o->size, "frame size WxH")->capture_default_str();
    record->add_option("--speed", o->speed, "playback speed in percent of measurement time");
    record->add_option("--period", o->period, "frame period in ms");
    record->add_option("--track", o->track, "Track Vehicle 0|1");
    record->add_option("--auto", o->autoCamera, "Auto Camera 0|1");
    record->add_option("--near", o->nearDistance, "Auto Camera start distance in m");
    record->add_option("--far", o->farDistance, "Auto Camera end distance in m");
    record->add_option("--camera-speed", o->cameraSpeed, "Auto Camera zoom-out speed in m/s");
    record->add_option("--pan-rate", o->panRate, "Auto Camera turn rate in degrees per second");
    record->add_option("--color", o->color, "height|amp|ampbw|range|original (falls back to height)");
    record->add_option("--point-size", o->pointSize, "point size in pixels, 1 to 5");
    record->add_flag("--grid", o->grid, "show the 10 m grid");
    record->add_flag("--scanner-path", o->scannerPath, "show the scanner path as far as flown");
    record->add_option("--ini", o->ini, "settings file whose playback parameters are the starting values");
    record->add_option("--fpv", o->fpv, "navigation folder: record the first-person flight along its camera path");
    record->add_flag("--timings", o->timings, "print drawing, read-back and encoding times per frame");
    record->add_option("--frames", o->frames,
                       "A:B: only the files numbered A to B-1 of the whole run (either side may be left out)");
    record->add_flag("--list-frames", o->listFrames,
                     "print the run's frame count, then the numbers of the files it writes, and draw nothing");
    record->add_option("--video", o->video,
                       "encode the frames straight into FILE: H.264 in MP4 (or Matroska for .mkv), no PNG files");
    record->add_option("--crf", o->crf, "the video's constant quality, 0 (lossless) to 51; 20 when not given");
    record->callback([o, &exitStatus] { exitStatus = RunRecord(*o); });
}

}  // namespace oxvtool
