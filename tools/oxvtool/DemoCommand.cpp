#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>

#include "tools/oxvtool/Commands.h"
#include "tools/demo/DemoSurvey.h"

namespace oxv::tool {

namespace {

struct DemoCommandOptions {
    std::string folder;
    int32_t points = 2'000'000;
    uint64_t seed = 1;
    std::string channels;
};

// A one-line bar on standard error, redrawn only when the percentage moves;
// into a log (not a terminal) it writes a plain line every quarter instead.
class ProgressBar {
public:
    void operator()(double fraction)
    {
        const int percent = static_cast<int>(fraction * 100.0);
        if (percent == m_shown) return;
        if (!m_terminal) {
            if (percent / 25 == m_shown / 25 && m_shown >= 0) return;
            m_shown = percent;
            std::fprintf(stderr, "demo: %d%%\n", percent / 25 * 25);
            return;
        }
        m_shown = percent;
        constexpr int kWidth = 40;
        const int filled = percent * kWidth / 100;
        std::fprintf(stderr, "\rdemo [%.*s%.*s] %3d%%", filled, "########################################", kWidth - filled,
                     "                                        ", percent);
        if (percent >= 100) std::fputc('\n', stderr);
        std::fflush(stderr);
    }

private:
    int m_shown = -1;
    bool m_terminal = isatty(2) != 0;
};

int RunDemo(const DemoCommandOptions& options)
{
    oxv::demo::DemoOptions demo;
    demo.points = options.points;
    demo.seed = options.seed;
    std::string error;
    if (!options.channels.empty() && !oxv::demo::ParseChannelList(options.channels, demo.channels, error)) {
        std::cerr << "oxvtool demo: " << error << "\n";
        return kUsageError;
    }
    auto bar = std::make_shared<ProgressBar>();
    oxv::demo::DemoReport report;
    if (!oxv::demo::WriteDemo(options.folder, demo, [bar](double f) { (*bar)(f); }, report, error)) {
        std::fputc('\n', stderr);
        std::cerr << "oxvtool demo: " << error << "\n";
        return kWorkFailed;
    }
    const std::filesystem::path survey = std::filesystem::path(options.folder) / "survey.oxv";
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(survey, ec);
    std::printf("survey: %s, %d points, %llu bytes\n", survey.string().c_str(), report.records,
                static_cast<unsigned long long>(ec ? 0 : bytes));
    std::printf("scanner: %llu pulses at %.0f Hz, %d per sweep, %.1f s of flight\n",
                static_cast<unsigned long long>(report.pulses), report.pulseRate, report.pulsesPerLine,
                report.surveySeconds);
    std::printf("navigation: gps_tw.txt, navx.txt, geo.txt with %d epochs\n", report.navigationEpochs);
    std::printf("generated in %.2f s, %.2f s of processor time (%.0f points per processor second)\n",
                report.seconds, report.cpuSeconds, report.cpuSeconds > 0.0 ? report.records / report.cpuSeconds : 0.0);
    return kSuccess;
}

}  // namespace

void AddDemoCommand(CLI::App& app, int& exitStatus)
{
    auto options = std::make_shared<DemoCommandOptions>();
    CLI::App* demo = app.add_subcommand("demo", "Write a synthetic helicopter survey and its navigation files");
    demo->add_option("OUTDIR", options->folder, "folder for survey.oxv, gps_tw.txt, navx.txt and geo.txt")->required();
    demo->add_option("--points", options->points, "number of point records (default 2000000)")
        ->check(CLI::Range(1, 200'000'000));
    demo->add_option("--seed", options->seed, "seed of the scene and the scanner (default 1)");
    demo->add_option("--channels", options->channels,
                     "channels to keep, comma-separated, from xyz,origin,colour,amplitude,time,pose (default all)");
    demo->callback([options, &exitStatus] { exitStatus = RunDemo(*options); });
}

}  // namespace oxv::tool
