// Opening a survey, stage by stage, against the floor: reading the same file
// into one fresh block and touching every record once.
//
//   open_bench [--records N] [--data DIR] [benchmark flags]

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "FileReading.h"
#include "PointFile.h"
#include "PointFileWriter.h"
#include "ScannerPath.h"
#include "Statistics.h"
#include "SurveyDocument.h"
#include "Timeline.h"

namespace {

std::string g_survey;

// A helicopter-like pass: 100 kHz-ish pulses, 20 m/s, a scan line across track.
std::string EnsureSurvey(const std::string& dir, int32_t records)
{
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/bench-" + std::to_string(records) + ".oxv";
    if (std::filesystem::exists(path)) return path;
    std::fprintf(stderr, "generating %s\n", path.c_str());
    oxv::PointFileLayout layout;
    oxv::PointFileWriter writer(path, layout, records);
    oxv::PointRecord r(layout);
    for (int32_t i = 0; i < records; ++i) {
        const double t = i * 0.004;  // 1/400 s units: 100 kHz
        const double along = t / 400.0 * 20.0;
        const double across = 60.0 * std::sin(i * 0.01);
        const auto mm = [](double m) { return static_cast<int32_t>(m * 1000.0); };
        r.SetXyz(mm(along), mm(across), mm(5.0 * std::sin(along * 0.01)));
        r.SetOrigin(mm(along), 0, mm(120.0));
        r.SetColour(static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), 40);
        r.SetAmplitude(static_cast<uint8_t>(i * 7));
        r.SetTime(t);
        r.SetPose(oxv::Pose{{1000, -500, 90000, mm(along), 0, mm(120.0)}});
        writer.Write(r);
    }
    if (!writer.Finish()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    return path;
}

std::unique_ptr<oxv::PointImage> ReadImage()
{
    oxv::ImageBlock block;
    if (oxv::ReadWholeFile(g_survey, block) != oxv::ReadOutcome::Ok) std::abort();
    return std::make_unique<oxv::PointImage>(std::move(block));
}

void BM_RawReadAndSweep(benchmark::State& state)
{
    for (auto _ : state) {
        const int fd = open(g_survey.c_str(), O_RDONLY);
        const off_t size = lseek(fd, 0, SEEK_END);
        lseek(fd, 0, SEEK_SET);
        auto* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
        size_t done = 0;
        while (done < static_cast<size_t>(size)) {
            const ssize_t got = read(fd, block + done, static_cast<size_t>(size) - done);
            if (got <= 0) std::abort();
            done += static_cast<size_t>(got);
        }
        close(fd);
        int32_t count, stride;
        std::memcpy(&count, block + 72, 4);
        std::memcpy(&stride, block + 76, 4);
        int64_t sum = 0;
        for (int32_t i = 0; i < count; ++i) {
            int32_t x;
            std::memcpy(&x, block + 268 + size_t{4} * static_cast<size_t>(stride) * static_cast<size_t>(i), 4);
            sum += x;
        }
        benchmark::DoNotOptimize(sum);
        std::free(block);
    }
}

void BM_Open(benchmark::State& state)
{
    oxv::MemoryProfile profile;
    oxv::LoadObserver observer;
    for (auto _ : state) {
        oxv::SurveyDocument doc;
        if (doc.LoadPointFile(g_survey, profile, observer) != oxv::LoadStatus::Ok) std::abort();
        benchmark::DoNotOptimize(doc.m_pTimeline.get());
    }
}

void BM_StageRead(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(ReadImage());
}

void BM_StageStatistics(benchmark::State& state)
{
    const auto image = ReadImage();
    for (auto _ : state) benchmark::DoNotOptimize(oxv::ComputeStatistics(*image));
}

void BM_StageTimeline(benchmark::State& state)
{
    const auto image = ReadImage();
    for (auto _ : state) {
        std::unique_ptr<oxv::PlaybackTimeline> timeline;
        oxv::MakeTimeline(*image, 1.0, 0.0333, timeline);
        benchmark::DoNotOptimize(timeline.get());
    }
}

void BM_StageScannerPath(benchmark::State& state)
{
    const auto image = ReadImage();
    for (auto _ : state) benchmark::DoNotOptimize(oxv::MakeScannerPath(*image));
}

// Keeps each benchmark's mean time per iteration to print the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) seconds[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;  // milliseconds, as reported
};

}  // namespace

BENCHMARK(BM_RawReadAndSweep)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StageRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StageStatistics)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StageTimeline)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StageScannerPath)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    int32_t records = 10'000'000;
    std::string dir = "bench-data";
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--records") && i + 1 < argc)
            records = static_cast<int32_t>(std::atol(argv[++i]));
        else if (!std::strcmp(argv[i], "--data") && i + 1 < argc)
            dir = argv[++i];
        else
            rest.push_back(argv[i]);
    }
    g_survey = EnsureSurvey(dir, records);
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double open = reporter.seconds["BM_Open/real_time"];
    const double raw = reporter.seconds["BM_RawReadAndSweep/real_time"];
    if (open > 0 && raw > 0)
        std::printf("\n%d records: open %.1f ms, raw read + sweep %.1f ms, ratio %.2f (aim <= 1.30)\n", records, open,
                    raw, open / raw);
    benchmark::Shutdown();
    return 0;
}
