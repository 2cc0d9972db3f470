// The vehicle model: reading an OBJ file (two passes over one block) against
// the floor of reading its lines, compiling the helicopter's display lists,
// and drawing it from them.
//
//   model_bench [--triangles N] [--data DIR] [benchmark flags]

#include <GL/gl.h>
#include <GL/glu.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "gl/HeadlessGL.h"
#include "modelgl/HeliModel.h"
#include "model/ObjModel.h"

namespace {

std::string g_obj;
std::unique_ptr<oxv::HeadlessGL> g_gl;

// A closed surface of quads (a torus) split into 20 groups, with normals
// and texture coordinates, as an exporter writes a helicopter.
std::string EnsureModel(const std::string& dir, int32_t triangles)
{
    const int rings = std::max(4, static_cast<int>(std::sqrt(triangles / 2.0)));
    const std::string folder = dir + "/model-" + std::to_string(rings);
    const std::string obj = folder + "/heli.obj";
    if (std::filesystem::exists(obj)) return obj;
    std::fprintf(stderr, "generating %s\n", obj.c_str());
    std::filesystem::create_directories(folder);
    std::FILE* f = std::fopen((obj + ".part").c_str(), "w");
    if (!f) std::exit(1);
    std::fprintf(f, "mtllib heli.mtl\n");
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < rings; ++j) {
            const double a = 2 * M_PI * i / rings, b = 2 * M_PI * j / rings;
            std::fprintf(f, "v %.6f %.6f %.6f\n", (5 + 1.5 * std::cos(b)) * std::cos(a),
                         (5 + 1.5 * std::cos(b)) * std::sin(a), 1.5 * std::sin(b));
            std::fprintf(f, "vn %.6f %.6f %.6f\n", std::cos(b) * std::cos(a), std::cos(b) * std::sin(a), std::sin(b));
            std::fprintf(f, "vt %.6f %.6f\n", double(i) / rings, double(j) / rings);
        }
    const auto at = [&](int i, int j) { return (i % rings) * rings + (j % rings) + 1; };
    for (int i = 0; i < rings; ++i) {
        if (i % std::max(1, rings / 20) == 0) std::fprintf(f, "g part%d\nusemtl m%d\n", i, i % 3);
        for (int j = 0; j < rings; ++j) {
            const int q[4] = {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
            std::fprintf(f, "f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d\n", q[0], q[0], q[0], q[1], q[1], q[1], q[2], q[2],
                         q[2], q[3], q[3], q[3]);
        }
    }
    if (std::fclose(f) != 0) std::exit(1);
    std::FILE* m = std::fopen((folder + "/heli.mtl").c_str(), "w");
    std::FILE* p = std::fopen((folder + "/heli.par").c_str(), "w");
    if (!m || !p) std::exit(1);
    for (int i = 0; i < 3; ++i) std::fprintf(m, "newmtl m%d\nKd 0.%d 0.5 0.5\nNs 50\n", i, 3 + i);
    std::fprintf(p, "~M 0 0 0\n#Body\n");
    for (int i = 0; i < rings; ++i)
        if (i % std::max(1, rings / 20) == 0) std::fprintf(p, "part%d\n", i);
    std::fclose(m);
    std::fclose(p);
    std::filesystem::rename(obj + ".part", obj);
    return obj;
}

void BM_LinesOnly(benchmark::State& state)
{
    char line[256];
    for (auto _ : state) {
        size_t lines = 0;
        std::FILE* f = std::fopen(g_obj.c_str(), "r");
        for (int pass = 0; pass < 2; ++pass) {
            std::rewind(f);
            while (std::fgets(line, sizeof line, f)) ++lines;
        }
        std::fclose(f);
        benchmark::DoNotOptimize(lines);
    }
}

void BM_ReadObjModel(benchmark::State& state)
{
    for (auto _ : state) {
        const oxv::ObjModelPtr model = oxv::ReadObjModel(g_obj);
        if (!model) std::abort();
        state.counters["triangles"] = model->triangleCount;
    }
}

void BM_LoadHelicopter(benchmark::State& state)
{
    for (auto _ : state) {
        oxv::gl_heli_model heli;
        if (!heli.load(g_obj)) std::abort();
        glFinish();
    }
}

void BM_DrawHelicopter(benchmark::State& state)
{
    oxv::gl_heli_model heli;
    if (!heli.load(g_obj)) std::abort();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1280.0 / 720.0, 0.5, 10000.0);
    glMatrixMode(GL_MODELVIEW);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        gluLookAt(12, -12, 10, 0, 0, 0, 0, 0, 1);
        heli.draw();
        glFinish();
    }
}

}  // namespace

BENCHMARK(BM_LinesOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadObjModel)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadHelicopter)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DrawHelicopter)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    int32_t triangles = 200'000;
    std::string dir = "bench-data";
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--triangles") && i + 1 < argc)
            triangles = static_cast<int32_t>(std::atol(argv[++i]));
        else if (!std::strcmp(argv[i], "--data") && i + 1 < argc)
            dir = argv[++i];
        else if ((!std::strcmp(argv[i], "--records") || !std::strcmp(argv[i], "--epochs")) && i + 1 < argc)
            ++i;  // the other benchmarks' sizes, passed to every benchmark
        else
            rest.push_back(argv[i]);
    }
    g_obj = EnsureModel(dir, triangles);
    std::string error;
    g_gl = oxv::HeadlessGL::Create(1280, 720, &error);
    if (!g_gl) {
        std::fprintf(stderr, "model_bench: %s\n", error.c_str());
        return 1;
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_gl.reset();
    return 0;
}
