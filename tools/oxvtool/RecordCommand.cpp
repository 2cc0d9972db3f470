// oxvtool record: a whole playback run (or a first-person flight) recorded
// as numbered PNG frames without a window, through the viewer's own engine,
// drawing and capture, with the settings the Parameter dialog would make.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cctype>
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
#include <vector>

#include "tools/oxvtool/SurveyOpening.h"
#include "tools/oxvtool/ColorOption.h"
#include "tools/oxvtool/Commands.h"
#include "tools/oxvtool/FrameRateOption.h"
#include "tools/oxvtool/LevelsOption.h"
#include "tools/oxvtool/NumberOption.h"
#include "tools/oxvtool/RecordProgressReport.h"
#include "tools/oxvtool/RecordTemporaries.h"
#include "tools/oxvtool/SettingsOption.h"
#include "tools/oxvtool/SizeOption.h"
#include "tools/oxvtool/TrajectoryOption.h"
#include "settings/ProgramFiles.h"
#include "gl/HeadlessGL.h"
#include "playback/FpvCamera.h"
#include "playback/FrameRecording.h"
#include "recorder/HeadlessRecorder.h"
#include "tools/oxvtool/VideoWriter.h"
#include "settings/IniProfile.h"
#include "playback/PlaybackParameters.h"
#include "playback/RecordFrames.h"
#include "base/FileReading.h"
#include "image/TextStamp.h"
#include "survey/SurveyDocument.h"

namespace oxv::tool {

namespace {

constexpr const char* kFramesWants = "wants A:B, whole frame numbers with A <= B (either may be left out)";

// --frames: a range oxv::ParseFrameRange takes.
CLI::Validator FrameRangeOption()
{
    return CLI::Validator(
        [](const std::string& text) -> std::string { return oxv::ParseFrameRange(text) ? "" : kFramesWants; }, "A:B");
}

// --size by name: the video sizes a producer is asked for.
const std::map<std::string, std::string>& NamedSizes()
{
    static const std::map<std::string, std::string> sizes = {
        {"720p", "1280x720"}, {"1080p", "1920x1080"}, {"4k", "3840x2160"}, {"2160p", "3840x2160"}};
    return sizes;
}

// A name in any letter case ("4K" too) as its WxH; anything else as it is.
std::string SizeText(const std::string& text)
{
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const auto named = NamedSizes().find(lower);
    return named == NamedSizes().end() ? text : named->second;
}

CLI::Validator RecordSizeOption()
{
    return CLI::Validator(
        [](const std::string& text) -> std::string {
            int w = 0, h = 0;
            return ParseSize(SizeText(text), kMaxFrameSide, w, h)
                       ? ""
                       : "wants WIDTHxHEIGHT with sides 1 to " + std::to_string(kMaxFrameSide) + ", or 720p, 1080p, 4k";
        },
        "WxH|720p|1080p|4k");
}

constexpr const char* kFpsWants = "wants frames a second: a whole number (24), a fraction (30000/1001) or a decimal "
                                  "(29.97 = 2997/100), above 0 and at most 1000";

CLI::Validator FrameRateValidator()
{
    return CLI::Validator(
        [](const std::string& text) -> std::string { return ParseFrameRate(text) ? "" : kFpsWants; }, "R");
}

struct RecordOptions {
    std::string survey;
    std::string trajectory;
    std::string out;
    std::string size = "1280x720";
    std::optional<double> speed;
    std::optional<int> period;
    std::string fps;
    std::optional<int> track, autoCamera;
    std::optional<double> nearDistance, farDistance, cameraSpeed, panRate;
    int colorMode = oxv::RecordViewOptions{}.colorMode;
    int pointSize = oxv::RecordViewOptions{}.pointSize;
    bool grid = false;
    bool scannerPath = false;
    bool antialias = false;
    std::string levels;
    bool legend = false;
    std::string ini;
    std::string fpv;
    bool timings = false;
    std::string frames;
    bool listFrames = false;
    bool listWork = false;
    std::string video;
    int crf = 20;
    std::string codec = "h264";
    std::string pixFmt = "yuv420p";
    bool draft = false;
    std::string burnIn;
    std::optional<std::string> caption;
    std::string progress = "auto";
    std::optional<double> progressInterval;
};

// What the options make of the run, once they are checked together.
struct Settings {
    int width = 1280, height = 720;
    std::optional<FrameRate> rate;  // --fps; the frame period's whole milliseconds without it
    oxv::RecordViewOptions view;
    oxv::VideoCodec codec = oxv::VideoCodec::H264;
    bool fullChroma = false;
    std::string preset = "veryfast";
    bool stampTime = false, stampFrame = false;
    std::string caption;
    bool ranged = false;
    ProgressStyle progress = ProgressStyle::Bar;
    double progressInterval = 0.25;
};

bool Fail(const std::string& message)
{
    std::cerr << "oxvtool: " << message << "\n";
    return false;
}

int Failed(const std::string& message)
{
    Fail(message);
    return kWorkFailed;
}

// The checks that need more than one option, before anything is read or
// written; each option's own value was checked as it was parsed.
bool CheckOptions(const RecordOptions& o, Settings& s)
{
    if (o.survey.empty()) return Fail("record wants a SURVEY");
    const bool listing = o.listFrames || o.listWork;
    if (o.out.empty() && o.video.empty() && !listing) return Fail("record wants --out DIR or --video FILE");
    if (!ParseSize(SizeText(o.size), kMaxFrameSide, s.width, s.height))
        return Fail("--size wants WIDTHxHEIGHT with sides 1 to " + std::to_string(kMaxFrameSide));
    if (o.draft) {
        // Half the size, even, for the encoder's sake; the fastest preset.
        s.width = std::max(2, s.width / 4 * 2);
        s.height = std::max(2, s.height / 4 * 2);
        s.preset = "ultrafast";
    }
    if (o.period && !o.fps.empty()) return Fail("--fps and --period both set the frame period: give one of them");
    if (!o.fps.empty()) {
        s.rate = ParseFrameRate(o.fps);
        if (!s.rate) return Fail(std::string("--fps ") + kFpsWants);
    }
    s.view.colorMode = o.colorMode;
    s.view.pointSize = o.pointSize;
    s.view.grid = o.grid;
    s.view.scannerPath = o.scannerPath;
    s.view.timings = o.timings;
    s.view.antialias = o.antialias;
    s.view.legend = o.legend;
    if (!o.levels.empty()) {
        double black = 0.0, white = 0.0;
        if (!ParseLevels(o.levels, black, white)) return Fail("--levels must be BLACK,WHITE with BLACK below WHITE");
        s.view.levels = std::make_pair(black, white);
    }
    s.codec = o.codec == "h265" ? oxv::VideoCodec::H265 : oxv::VideoCodec::H264;
    s.fullChroma = o.pixFmt == "yuv444p";
    for (size_t at = 0; !o.burnIn.empty() && at <= o.burnIn.size();) {
        const size_t comma = std::min(o.burnIn.find(',', at), o.burnIn.size());
        const std::string item = o.burnIn.substr(at, comma - at);
        if (item == "time")
            s.stampTime = true;
        else if (item == "frame")
            s.stampFrame = true;
        else
            return Fail("--burn-in wants time, frame or both (time,frame)");
        at = comma + 1;
    }
    if (o.caption) s.caption = *o.caption;
    const bool stamped = s.stampTime || s.stampFrame || o.caption;
    if (stamped && o.video.empty())
        return Fail("--burn-in and --caption write into --video frames only; PNG frames stay as the viewer writes them");
    if (!o.video.empty() && !listing) {
        oxv::VideoFormat format{s.width, s.height, 1, o.crf};
        format.codec = s.codec;
        format.fullChroma = s.fullChroma;
        const std::string problem = oxv::VideoFormatProblem(format);
        if (!problem.empty()) return Fail(problem);
        std::error_code ec;
        if (std::filesystem::is_directory(o.video, ec)) return Fail("--video wants a file, not the folder " + o.video);
    }
    if (!o.frames.empty()) {
        const auto range = oxv::ParseFrameRange(o.frames);
        if (!range) return Fail(std::string("--frames ") + kFramesWants);
        s.view.frames = *range;
        s.ranged = true;
    }
    if (!ParseProgressStyle(o.progress, isatty(STDERR_FILENO) != 0, s.progress))
        return Fail("--progress wants auto, bar, lines or none");
    s.progressInterval = o.progressInterval.value_or(DefaultProgressInterval(s.progress));
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

// Why there is nothing to play, in the words `info` uses: a survey with
// time stamps that give no timeline says why.
std::string NoTimelineMessage(const oxv::SurveyDocument& doc)
{
    if (!doc.TimelineProblem().empty()) return "the survey has no timeline: " + doc.TimelineProblem();
    return "the survey has no time channel: there is nothing to play";
}

// The Parameter dialog's OK: the document's values, the options over them,
// Video Recording on into `folder`; the timeline is rebuilt.
bool ApplyRecordParameters(oxv::SurveyDocument& doc, const RecordOptions& o, const Settings& s,
                           const std::string& folder, int& periodMs)
{
    if (!doc.m_pTimeline) return Fail(NoTimelineMessage(doc));
    oxv::PlaybackDialogValues values = oxv::DialogValuesFromDocument(doc);
    if (o.speed) values.m_dSpeedPercent = *o.speed;
    if (o.period) values.m_nIntervalMs = *o.period;
    oxv::PlaybackParams& p = values.params;
    if (o.track) p.trackVehicle = *o.track;
    if (o.autoCamera) p.autoCamera = *o.autoCamera;
    if (o.nearDistance) p.nearDistance = *o.nearDistance;
    if (o.farDistance) p.farDistance = *o.farDistance;
    if (o.cameraSpeed) p.cameraSpeed = *o.cameraSpeed;
    if (o.panRate) p.panRate = *o.panRate;
    p.recordVideo = 1;
    p.outputFolder = folder;
    oxv::MemoryProfile scratch;  // the settings file named by --ini is only read
    if (s.rate) {
        // A standard rate's period is no whole number of milliseconds: the
        // timeline takes it exactly, and each frame covers speed / R of
        // measurement time. The timer's whole milliseconds are not used here.
        const double period = s.rate->Period();
        const std::string reason = oxv::RefuseReasonForPeriod(doc, values.m_dSpeedPercent, period);
        if (!reason.empty()) return Fail(reason);
        if (!oxv::ApplyPlaybackValues(doc, scratch, values, period) || !doc.m_pTimeline)
            return Fail("the timeline could not be built with these settings");
        periodMs = oxv::PlaybackTimerPeriodMs(period);
        return true;
    }
    const std::string reason = oxv::RefuseReason(doc, values.m_dSpeedPercent, values.m_nIntervalMs);
    if (!reason.empty()) return Fail(reason);
    if (!oxv::ApplyPlaybackDialog(doc, scratch, values) || !doc.m_pTimeline)
        return Fail(doc.TimelineProblem().empty() ? "the timeline could not be built with these settings"
                                                  : "the timeline could not be built with these settings: " +
                                                        doc.TimelineProblem());
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
std::string FfmpegCommand(const std::string& folder, const std::string& rate, int w, int h)
{
    std::string cmd = "ffmpeg -framerate " + rate + " -pattern_type glob -i " +
                      ShellQuote(GlobEscape(folder) + "/img*.png");
    if (w % 2 || h % 2) cmd += " -vf 'pad=ceil(iw/2)*2:ceil(ih/2)*2'";
    return cmd + " -c:v libx264 -pix_fmt yuv420p " + ShellQuote(folder + "/video.mp4");
}

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

// The files the run writes within --frames, in the order written.
oxv::PlaybackPlan RunPlan(const oxv::SurveyDocument& doc, const Settings& s, bool fpv)
{
    return oxv::PlanInRange(fpv ? oxv::PlanFpvFlight(doc) : oxv::PlanPlayback(doc), s.view.frames);
}

// A whole run that writes no frame is no recording: empty when it writes
// some. A --frames range that holds none is a part of a split run, which
// is fine.
std::string NothingToRecordReason(const oxv::SurveyDocument& doc, bool fpv)
{
    const oxv::PlaybackPlan whole = fpv ? oxv::PlanFpvFlight(doc) : oxv::PlanPlayback(doc);
    if (!whole.numbers.empty()) return {};
    if (fpv)
        return "the camera path has " + std::to_string(whole.frames) +
               (whole.frames == 1 ? " node" : " nodes") + ": there is no frame to record";
    if (whole.frames <= 0)
        return "the playback timeline has no frames (the time stamps span less than a frame): there is no frame to "
               "record";
    return "the playback timeline has " + std::to_string(whole.frames) +
           (whole.frames == 1 ? " frame" : " frames") + " and the run writes none of them: there is no frame to record";
}

// The plan of a run for splitting it: its timeline frame count, then the
// numbers of the files it writes (within --frames), one a line; with the
// work, each number is followed by its frame's estimated work and the video
// frames its picture fills.
int ListFrames(const oxv::PlaybackPlan& plan, const Settings& s, bool work)
{
    std::string text = std::to_string(plan.frames) + "\n";
    for (size_t i = 0; i < plan.numbers.size(); ++i) {
        text += std::to_string(plan.numbers[i]);
        if (work)
            text += " " + std::to_string(oxv::FrameWork(plan.points[i], s.width, s.height)) + " " +
                    std::to_string(plan.pictures[i]);
        text += "\n";
    }
    std::cout << text;
    return kSuccess;
}

oxv::RecordOutcome Record(oxv::HeadlessRecorder& recorder, const RecordOptions& options, const Settings& s,
                          const oxv::PlaybackPlan& plan, const std::string& folder)
{
    std::vector<int64_t> work;
    for (int64_t points : plan.points) work.push_back(oxv::FrameWork(points, s.width, s.height));
    RecordProgressReport report(std::move(work), s.progress, s.progressInterval, stderr);
    auto show = [&report](const oxv::RecordProgress& p) { report.Show(p); };
    oxv::RecordOutcome outcome = options.fpv.empty() ? recorder.RecordPlayback(show) : recorder.RecordFpv(folder, show);
    report.End();
    return outcome;
}

// "01:02:03.45": hours, minutes and seconds to the hundredth.
std::string SurveyClock(double seconds)
{
    const long long hundredths = std::llround(std::max(seconds, 0.0) * 100.0);
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%02lld", hundredths / 360000, hundredths / 6000 % 60,
                  hundredths / 100 % 60, hundredths % 100);
    return text;
}

// The caption along the top left; the survey time and the frame's file
// number along the bottom left (the colour bar stands bottom right).
void BurnIn(const oxv::RgbPicture& picture, const Settings& s, const oxv::SunkFrameStamp& stamp)
{
    const int scale = oxv::StampScale(picture.height);
    const int margin = 4 * scale;
    if (!s.caption.empty()) oxv::StampText(picture, margin, margin, scale, s.caption);
    std::string line;
    if (s.stampTime && stamp.playback) line = SurveyClock(stamp.surveySeconds);
    if (s.stampFrame) line += (line.empty() ? "" : "  ") + std::string("FRAME ") + std::to_string(stamp.number);
    if (!line.empty())
        oxv::StampText(picture, margin, picture.height - margin - oxv::TextHeight(scale), scale, line);
}

void NoteRemoved(const std::vector<std::string>& removed)
{
    for (const std::string& name : removed) std::cerr << "oxvtool: removed " << name << ", left by a run that was stopped\n";
}

// The frames go from the read-back straight into the encoder; the video
// gets its name only once it is whole.
int RecordVideo(oxv::SurveyDocument& doc, Settings& s, oxv::GlTarget& gl, const RecordOptions& options,
                const oxv::PlaybackPlan& plan, int periodMs)
{
    std::error_code ec;
    const std::filesystem::path videoFolder = std::filesystem::absolute(options.video, ec).parent_path();
    std::filesystem::create_directories(videoFolder, ec);
    if (ec || !std::filesystem::is_directory(videoFolder, ec))
        return Failed("cannot make the folder " + videoFolder.string());
    NoteRemoved(RemoveStaleVideoTemporaries(options.video));
    // Armed before the file exists: a signal never finds it unguarded.
    RemoveOnSignal(oxv::VideoTemporaryPath(options.video, getpid()));
    std::string error;
    oxv::VideoFormat format{s.width, s.height, periodMs, options.crf};
    if (s.rate) {
        format.rateNum = s.rate->num;
        format.rateDen = s.rate->den;
    }
    format.codec = s.codec;
    format.fullChroma = s.fullChroma;
    format.preset = s.preset;
    std::unique_ptr<oxv::VideoWriter> writer = oxv::VideoWriter::Open(options.video, format, error);
    if (!writer) return Failed(error);
    s.view.modelPath = oxv::ModelPathForExecutable(oxv::ExecutablePath());
    oxv::HeadlessRecorder recorder(doc, gl, s.view);
    if (!recorder.HelicopterLoaded() && options.fpv.empty())
        std::cerr << "oxvtool: no helicopter model at " << s.view.modelPath << "; recording without it\n";
    oxv::VideoWriter& video = *writer;
    const bool stamped = s.stampTime || s.stampFrame || !s.caption.empty();
    std::vector<uint8_t> stampedRows;
    recorder.SetFrameSink([&](const uint8_t* rows, size_t rowBytes, int w, int h, int repeat, std::string& why) {
        if (!stamped) return video.AddFrameBottomUp(rows, rowBytes, repeat, why);
        // The read-back stays the capturer's: the text goes into a copy.
        stampedRows.assign(rows, rows + rowBytes * static_cast<size_t>(h));
        BurnIn(oxv::RgbPicture{stampedRows.data(), rowBytes, w, h, true}, s, recorder.SinkStamp());
        return video.AddFrameBottomUp(stampedRows.data(), rowBytes, repeat, why);
    });
    // First-person frames are numbered within no folder here: the sink takes them.
    const oxv::RecordOutcome outcome = Record(recorder, options, s, plan, oxv::FpvVideoFolder());
    if (!outcome.ok) return Failed(outcome.error);
    const bool finished = writer->Finish(error);
    ForgetOnSignal();
    if (!finished) return Failed(error);
    std::cerr << "oxvtool: " << writer->Frames() << " frames encoded into " << options.video << "\n";
    if (options.timings) PrintTimings(outcome, s.width, s.height);
    return kSuccess;
}

int RunRecord(const RecordOptions& options)
{
    Settings s;
    if (!CheckOptions(options, s)) return kUsageError;
    if (!CheckInputs(options)) return kWorkFailed;
    if (!options.video.empty() && !options.listFrames && !options.listWork) {
        const std::string missing = oxv::VideoEncoderProblem(s.codec);
        if (!missing.empty()) return Failed(missing);
    }

    const std::unique_ptr<oxv::Profile> profile = OpenNamedSettings(options.ini);
    if (!profile) return kWorkFailed;
    oxv::SurveyDocument doc;
    oxv::LoadObserver quiet;
    const oxv::LoadStatus status = doc.LoadPointFile(options.survey, *profile, quiet);
    if (status != oxv::LoadStatus::Ok) return Failed(OpenFailureText(status, options.survey, doc));
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
    } else if (!ApplyRecordParameters(doc, options, s, folder, periodMs)) {
        return kWorkFailed;
    }
    const oxv::PlaybackPlan plan = RunPlan(doc, s, !options.fpv.empty());
    if (options.listFrames || options.listWork) return ListFrames(plan, s, options.listWork);
    const std::string nothing = NothingToRecordReason(doc, !options.fpv.empty());
    if (!nothing.empty()) return Failed(nothing);

    std::string error;
    auto gl = oxv::HeadlessGL::Create(s.width, s.height, &error);
    if (!gl) return Failed("no OpenGL context: " + error);
    if (video) return RecordVideo(doc, s, *gl, options, plan, periodMs);
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder, ec)) return Failed("cannot make the folder " + folder);
    NoteRemoved(RemoveStaleFrameTemporaries(folder, s.view.frames));

    s.view.modelPath = oxv::ModelPathForExecutable(oxv::ExecutablePath());
    oxv::HeadlessRecorder recorder(doc, *gl, s.view);
    if (!recorder.HelicopterLoaded() && options.fpv.empty())
        std::cerr << "oxvtool: no helicopter model at " << s.view.modelPath << "; recording without it\n";
    const oxv::RecordOutcome outcome = Record(recorder, options, s, plan, folder);
    if (!outcome.ok) return Failed(outcome.error);
    std::cerr << "oxvtool: " << outcome.files.size() << " frames written to " << folder << "\n";
    if (options.timings) PrintTimings(outcome, s.width, s.height);
    // A part of a split run shares its folder with the other parts.
    if (!s.ranged) WarnAboutOtherFrames(folder, outcome.files);
    const std::string rate = s.rate ? s.rate->Text() : "1000/" + std::to_string(periodMs);
    std::cout << FfmpegCommand(folder, rate, s.width, s.height) << "\n";
    return kSuccess;
}

}  // namespace

void AddRecordCommand(CLI::App& app, int& exitStatus)
{
    auto o = std::make_shared<RecordOptions>();
    const auto number = [] { return NumberOption("wants a number"); };
    CLI::App* record = app.add_subcommand(
        "record", "Record a whole playback run (or, with --fpv, the first-person flight) as numbered PNG frames");
    record->add_option("SURVEY", o->survey, "survey (.oxv or .las)")->required();
    AddTrajectoryOption(record, o->trajectory);
    record->add_option("--out", o->out, "folder for img%06d.png (made when missing)");
    record->add_option("--size", o->size, "frame size WxH, or 720p (1280x720), 1080p (1920x1080), 4k (3840x2160)")
        ->capture_default_str()
        ->check(RecordSizeOption());
    record->add_option("--speed", o->speed, "playback speed in percent of measurement time")
        ->transform(NumberOption("wants a number greater than 0", [](double v) { return oxv::SpeedAllowsOk(v); }));
    // The Parameter dialog takes any period above 0 (oxv::IntervalAllowsOk); the timer wants an int.
    record->add_option("--period", o->period, "frame period in ms")
        ->transform(WholeNumberOption(1, INT_MAX, "wants whole milliseconds greater than 0"));
    record->add_option("--fps", o->fps,
                       "frames a second, R: 24, 25, 30000/1001, 30, 50, 60 or any fraction; each frame covers speed / R "
                       "of measurement time and the video plays at R (instead of --period)")
        ->check(FrameRateValidator());
    record->add_option("--track", o->track, "Track Vehicle 0|1")->check(SwitchOption());
    record->add_option("--auto", o->autoCamera, "Auto Camera 0|1")->check(SwitchOption());
    record->add_option("--near", o->nearDistance, "Auto Camera start distance in m")->transform(number());
    record->add_option("--far", o->farDistance, "Auto Camera end distance in m")->transform(number());
    record->add_option("--camera-speed", o->cameraSpeed, "Auto Camera zoom-out speed in m/s")
        ->transform(number());
    record->add_option("--pan-rate", o->panRate, "Auto Camera turn rate in degrees per second")
        ->transform(number());
    record->add_option("--color", o->colorMode, "height|amp|ampbw|range|original (falls back to height)")
        ->transform(ColorModeOption());
    record->add_option("--point-size", o->pointSize, "point size in pixels, 1 to 5")
        ->transform(WholeNumberOption(1, 5, "wants 1 to 5"));
    record->add_flag("--grid", o->grid, "show the 10 m grid");
    record->add_flag("--scanner-path", o->scannerPath, "show the scanner path as far as flown");
    record->add_flag("--antialias", o->antialias, "round, smoothed points");
    record->add_option("--levels", o->levels, "Original mode: BLACK,WHITE channel levels (0..1)");
    record->add_flag("--legend", o->legend,
                     "the colour bar with its minimum and maximum in every frame (not in Original mode)");
    record->add_option("--ini", o->ini, "settings file whose playback parameters are the starting values");
    record->add_option("--fpv", o->fpv, "navigation folder: record the first-person flight along its camera path");
    record->add_flag("--timings", o->timings, "print drawing, read-back and encoding times per frame");
    record->add_option("--frames", o->frames,
                       "A:B: only the files numbered A to B-1 of the whole run (either side may be left out)")
        ->check(FrameRangeOption());
    record->add_flag("--list-frames", o->listFrames,
                     "print the run's frame count, then the numbers of the files it writes, and draw nothing");
    record->add_option("--video", o->video,
                       "encode the frames straight into FILE: H.264 in MP4 (or Matroska for .mkv), no PNG files");
    record->add_flag("--list-work", o->listWork,
                     "as --list-frames, each number followed by its frame's estimated work (points drawn plus a "
                     "third of the pixels) and the video frames its picture fills");
    record->add_option("--progress", o->progress,
                       "auto|bar|lines|none: a bar redrawn in place, or a line every few seconds for a log "
                       "(auto: a bar when standard error is a terminal)")
        ->capture_default_str()
        ->check(CLI::IsMember({"auto", "bar", "lines", "none"}));
    record->add_option("--progress-interval", o->progressInterval,
                       "seconds between progress reports (0.25 for the bar, 5 for lines when not given)")
        ->transform(NumberOption("wants seconds, 0 or more", [](double v) { return v >= 0.0; }));
    record->add_option("--crf", o->crf, "the video's constant quality, 0 (lossless) to 51; 20 when not given")
        ->transform(WholeNumberOption(0, 51, "wants 0 to 51"));
    record->add_option("--codec", o->codec, "h264|h265: the video's codec (libx264 or libx265)")
        ->capture_default_str()
        ->check(CLI::IsMember({"h264", "h265"}));
    record->add_option("--pix-fmt", o->pixFmt,
                       "yuv420p|yuv444p: the video's chroma; yuv444p keeps pixel-sized points' colours, in a larger "
                       "file that fewer players take")
        ->capture_default_str()
        ->check(CLI::IsMember({"yuv420p", "yuv444p"}));
    record->add_flag("--draft", o->draft, "a quick preview: half the size and the encoder's fastest preset");
    record->add_option("--burn-in", o->burnIn,
                       "time,frame: write the survey time and/or the frame number into the video's frames");
    record->add_option("--caption", o->caption, "write TEXT into the top left of the video's frames");
    record->callback([o, &exitStatus] { exitStatus = RunRecord(*o); });
}

}  // namespace oxv::tool
