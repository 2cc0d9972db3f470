#include "tools/demo/DemoSurvey.h"

#include <chrono>
#include <ctime>
#include <cmath>
#include <filesystem>
#include <sstream>

namespace oxv::demo {

namespace {

constexpr double kSurveyGpsStart = 382830.0;  // seconds of the GPS week: a Thursday, mid-morning
constexpr int kTrialPulses = 4000;

}  // namespace

bool ParseChannelList(const std::string& list, DemoChannels& channels, std::string& error)
{
    DemoChannels c{false, false, false, false, false};
    bool xyz = false;
    std::stringstream in(list);
    std::string name;
    while (std::getline(in, name, ',')) {
        if (name == "xyz")
            xyz = true;
        else if (name == "origin")
            c.origin = true;
        else if (name == "colour" || name == "color")
            c.color = true;
        else if (name == "amplitude")
            c.amplitude = true;
        else if (name == "time")
            c.time = true;
        else if (name == "pose")
            c.pose = true;
        else {
            error = "unknown channel \"" + name + "\" (known: xyz, origin, colour, amplitude, time, pose)";
            return false;
        }
    }
    if (!xyz) {
        error = "the channel list must include xyz";
        return false;
    }
    channels = c;
    return true;
}

PointFileLayout LayoutFor(const DemoChannels& channels, const GeodeticOrigin& origin)
{
    PointFileLayout layout;
    layout.origin = origin;
    int8_t word = 0;
    auto place = [&word](bool present, int words) -> int8_t {
        if (!present) return -1;
        const int8_t at = word;
        word = static_cast<int8_t>(word + words);
        return at;
    };
    layout.channels.xyz = place(true, 3);
    layout.channels.origin = place(channels.origin, 3);
    layout.channels.color = place(channels.color, 1);
    layout.channels.amplitude = place(channels.amplitude, 1);
    layout.channels.time = place(channels.time, 2);
    layout.channels.pose = place(channels.pose, 6);
    layout.stride = word;
    return layout;
}

DemoWorld::DemoWorld(uint64_t seed)
    : m_scene(std::make_unique<Scene>(seed)), m_gpsStart(kSurveyGpsStart)
{
    m_survey = std::make_unique<Flight>(*m_scene, Flight::SurveyPlan());
    m_firstPerson = std::make_unique<Flight>(*m_scene, Flight::FirstPersonPlan(*m_scene));
    // Rolling farmland north of the Alps; the local frame's origin sits at
    // ground level, so heights in the survey read as metres above it.
    m_origin.latitude = 47.21865 * kDeg;
    m_origin.longitude = 8.65921 * kDeg;
    m_origin.height = 402.35;
}

double DemoWorld::FirstPersonGpsStart() const
{
    // Flown after the survey, once the helicopter has come round again.
    return std::floor(m_gpsStart + m_survey->Duration() + 240.0);
}

ScannerSettings DemoWorld::PlanScanner(int32_t points) const
{
    ScannerSettings s;
    const double work = m_survey->WorkEndTime();
    const double swath = 2.0 * 110.0 * std::tan(s.halfAngle * kDeg);
    auto shape = [&](double rate) {
        // Square-ish spacing: as far between sweeps as between pulses.
        s.pulseRate = rate;
        s.pulsesPerLine = std::max(8, static_cast<int>(std::lround(std::sqrt(rate * swath / 22.0))));
    };
    shape(std::max(1.0, points / work));
    const Scanner trial(*m_scene, *m_survey, s, m_gpsStart);
    const double totalPulses = s.pulseRate * work;
    int echoes = 0;
    Echo echo;
    for (int i = 0; i < kTrialPulses; ++i)
        if (trial.Fire(static_cast<uint64_t>((i + 0.5) * totalPulses / kTrialPulses), echo)) ++echoes;
    const double share = std::max(0.05, static_cast<double>(echoes) / kTrialPulses);
    shape(std::max(1.0, points / (share * work)));
    return s;
}

bool WriteDemo(const std::string& folder, const DemoOptions& options, const std::function<void(double)>& progress,
               DemoReport& report, std::string& error)
{
    const auto started = std::chrono::steady_clock::now();
    const std::clock_t cpuStarted = std::clock();
    if (options.points <= 0) {
        error = "the number of points must be positive";
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = "cannot create " + folder + ": " + ec.message();
        return false;
    }
    const DemoWorld world(options.seed);
    const ScannerSettings settings = world.PlanScanner(options.points);
    const Scanner scanner(world.GetScene(), world.SurveyFlight(), settings, world.GpsStart());

    const PointFileLayout layout = LayoutFor(options.channels, world.Origin());
    const std::string path = (std::filesystem::path(folder) / "survey.oxv").string();
    PointFileWriter writer(path, layout, options.points);
    if (!writer.Ok()) {
        error = "cannot create " + path;
        return false;
    }
    PointRecord record(layout);
    Echo echo;
    const double end = world.SurveyFlight().Duration();
    const int32_t tick = std::max(1, options.points / 200);
    uint64_t k = 0;
    double firstTime = 0.0, lastTime = 0.0;
    for (int32_t n = 0; n < options.points; ++k) {
        if (scanner.PulseTime(k) > end) {
            error = "the flight ended before all points were measured";
            return false;
        }
        if (!scanner.Fire(k, echo)) continue;
        record.SetXyz(echo.xyz[0], echo.xyz[1], echo.xyz[2]);
        record.SetOrigin(echo.origin[0], echo.origin[1], echo.origin[2]);
        record.SetColor(echo.color.r, echo.color.g, echo.color.b);
        record.SetAmplitude(echo.amplitude);
        record.SetTime(echo.time);
        record.SetPose(echo.pose);
        writer.Write(record);
        if (n == 0) firstTime = echo.time;
        lastTime = echo.time;
        ++n;
        if (progress && n % tick == 0) progress(static_cast<double>(n) / options.points);
    }
    if (!writer.Finish()) {
        error = "cannot write " + path;
        return false;
    }

    NavigationExport nav;
    nav.gpsStart = world.FirstPersonGpsStart();
    report.navigationEpochs = WriteNavigationFiles(folder, world.FirstPersonFlight(), world.Frame(), nav, error);
    if (report.navigationEpochs == 0) return false;

    report.records = options.points;
    report.pulses = k;
    report.pulseRate = settings.pulseRate;
    report.pulsesPerLine = settings.pulsesPerLine;
    report.surveySeconds = (lastTime - firstTime) / 400.0;
    report.cpuSeconds = static_cast<double>(std::clock() - cpuStarted) / CLOCKS_PER_SEC;
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (progress) progress(1.0);
    return true;
}

}  // namespace oxv::demo
