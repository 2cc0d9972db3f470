// Import Camera Path from text files and from the cache, against the floor:
// reading both text files twice line by line without converting anything.
//
//   campath_bench [--epochs N] [--data DIR] [benchmark flags]

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "survey/CameraPath.h"
#include "survey/PointFileWriter.h"

namespace {

constexpr double kDeg = 0.017453292519943278;

std::string g_folder;
std::unique_ptr<oxv::PointImage> g_image;

// A flight at 100 Hz circling about the survey origin at 47 N 8 E.
std::string EnsureNavFolder(const std::string& dir, int32_t epochs)
{
    const std::string folder = dir + "/nav-" + std::to_string(epochs);
    if (std::filesystem::exists(folder + "/geo.txt")) return folder;
    std::fprintf(stderr, "generating %s\n", folder.c_str());
    std::filesystem::create_directories(folder);
    std::FILE* nav = std::fopen((folder + "/navx.txt.part").c_str(), "w");
    std::FILE* geo = std::fopen((folder + "/geo.txt.part").c_str(), "w");
    if (!nav || !geo) std::exit(1);
    std::fprintf(nav, "%% index time east north up ve vn vu roll pitch heading\n");
    std::fprintf(geo, "%% time latitude longitude height\n");
    for (int32_t i = 0; i < epochs; ++i) {
        const double t = 345600.0 + i * 0.01;
        const double a = i * 1e-4;
        std::fprintf(nav, "%d %.3f %.3f %.3f %.3f 0.010 0.020 0.030 %.6f %.6f %.6f\n", i, t, 800 * std::cos(a),
                     800 * std::sin(a), 450.0, 2.0 * std::sin(a * 7), -1.5, std::fmod(a * 57.3, 360.0) - 180.0);
        std::fprintf(geo, "%.3f %.10f %.10f %.4f\n", t, 47.0 + 0.0072 * std::sin(a), 8.0 + 0.0105 * std::cos(a),
                     450.0 + std::sin(a * 3));
    }
    if (std::fclose(nav) != 0 || std::fclose(geo) != 0) std::exit(1);
    std::filesystem::rename(folder + "/navx.txt.part", folder + "/navx.txt");
    std::filesystem::rename(folder + "/geo.txt.part", folder + "/geo.txt");
    return folder;
}

std::unique_ptr<oxv::PointImage> SurveyAtOrigin()
{
    oxv::PointFileLayout layout;
    layout.origin = oxv::GeodeticOrigin{47.0 * kDeg, 8.0 * kDeg, 400.0};
    const auto header = oxv::MakePointHeader(layout, 0);
    oxv::ImageBlock block;
    if (!oxv::ImageBlock::Allocate(header.size(), block)) std::abort();
    std::memcpy(block.Data(), header.data(), header.size());
    return std::make_unique<oxv::PointImage>(std::move(block));
}

std::string Cache() { return g_folder + "/" + oxv::kCameraPathCacheName; }

void BM_LinesOnly(benchmark::State& state)
{
    char line[oxv::kNavLineBuffer];
    for (auto _ : state) {
        size_t lines = 0;
        for (const char* name : {oxv::kNavFileName, oxv::kGeoFileName}) {
            std::FILE* f = std::fopen((g_folder + "/" + name).c_str(), "r");
            for (int pass = 0; pass < 2; ++pass) {
                std::rewind(f);
                while (std::fgets(line, sizeof line, f)) lines += line[0] != '%';
            }
            std::fclose(f);
        }
        benchmark::DoNotOptimize(lines);
    }
}

void BM_ImportFromText(benchmark::State& state)
{
    for (auto _ : state) {
        std::filesystem::remove(Cache());
        const auto imported = oxv::ImportCameraPath(g_folder, *g_image);
        if (imported.source != oxv::CameraPathSource::Text) std::abort();
    }
}

void BM_ImportFromCache(benchmark::State& state)
{
    if (!std::filesystem::exists(Cache())) oxv::ImportCameraPath(g_folder, *g_image);
    for (auto _ : state) {
        const auto imported = oxv::ImportCameraPath(g_folder, *g_image);
        if (imported.source != oxv::CameraPathSource::Cache) std::abort();
    }
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) ms[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> ms;
};

}  // namespace

BENCHMARK(BM_LinesOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportFromText)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportFromCache)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    int32_t epochs = 360'000;  // an hour at 100 Hz
    std::string dir = "bench-data";
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--epochs") && i + 1 < argc)
            epochs = static_cast<int32_t>(std::atol(argv[++i]));
        else if (!std::strcmp(argv[i], "--data") && i + 1 < argc)
            dir = argv[++i];
        else if (!std::strcmp(argv[i], "--records") && i + 1 < argc)
            ++i;  // the survey benchmark's size, passed to every benchmark
        else
            rest.push_back(argv[i]);
    }
    g_folder = EnsureNavFolder(dir, epochs);
    g_image = SurveyAtOrigin();
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double lines = reporter.ms["BM_LinesOnly/real_time"];
    const double text = reporter.ms["BM_ImportFromText/real_time"];
    const double cache = reporter.ms["BM_ImportFromCache/real_time"];
    if (lines > 0 && text > 0)
        std::printf("\n%d epochs: import from text %.1f ms, lines only %.1f ms, ratio %.2f; from cache %.1f ms\n",
                    epochs, text, lines, text / lines, cache);
    benchmark::Shutdown();
    return 0;
}
