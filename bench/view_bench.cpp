// What display lists cost here: compiling a survey's points into the view's
// lists, then one 1280x720 frame replayed from them, beside the same points
// drawn from one vertex buffer in the same run; and the resident memory the
// lists add per point.
//
//   view_bench [--records N[,N...]] [--data DIR] [--reps K]
//   view_bench --survey FILE --table [--reps K]
//
// The second form prints the scoreboard rows for one survey: compile
// against the same GL calls in a bare loop, the frame against the vertex
// buffer, and the process's peak resident memory after open and compile
// against file size + lists (run it once per survey, in its own process,
// so the peak is that survey's).
//
// Defaults: 1,000,000 and 5,000,000 records, surveys cached in DIR
// (bench-data), median of K = 5 runs. Other arguments are ignored, so the
// same options can be given to every bench of scripts/bench.

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchTable.h"
#include "gl/HeadlessGL.h"
#include "survey/PointFileWriter.h"
#include "base/Profile.h"
#include "survey/SurveyDocument.h"
#include "view/ViewState.h"

namespace {

constexpr int kWidth = 1280, kHeight = 720;

// Points scattered over 100 m x 100 m around the origin, all in the
// opening view, with colour, amplitude and a gentle height.
std::string EnsureSurvey(const std::string& dir, int32_t records)
{
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/view-" + std::to_string(records) + ".oxv";
    if (std::filesystem::exists(path)) return path;
    std::fprintf(stderr, "generating %s\n", path.c_str());
    oxv::PointFileLayout layout;
    oxv::PointFileWriter writer(path, layout, records);
    oxv::PointRecord r(layout);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    const auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    };
    for (int32_t i = 0; i < records; ++i) {
        const int32_t x = static_cast<int32_t>(next() % 100000) - 50000;
        const int32_t y = static_cast<int32_t>(next() % 100000) - 50000;
        const int32_t z = static_cast<int32_t>(next() % 3000);
        r.SetXyz(x, y, z);
        r.SetOrigin(x, 0, 120000);
        const uint32_t c = next();
        r.SetColor(static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16));
        r.SetAmplitude(static_cast<uint8_t>(c >> 24));
        r.SetTime(i * 0.004);
        r.SetPose(oxv::Pose{{0, 0, 90000, x, 0, 120000}});
        writer.Write(r);
    }
    if (!writer.Finish()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    return path;
}

double ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// The process's peak resident set so far (VmHWM).
double PeakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) * 1024.0;
    return 0.0;
}

double Seconds(const std::function<void()>& run)
{
    // Processor time of the whole process (llvmpipe's threads included):
    // on a shared machine wall time says more about the neighbours.
    const auto cpu = [] {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
    };
    const double t0 = cpu();
    run();
    return cpu() - t0;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// The same points and colours as the lists, in one interleaved buffer:
// float RGB and int32 xyz per point, drawn with one glDrawArrays.
struct VertexBuffer {
    GLuint name = 0;
    GLsizei count = 0;
};
struct Vertex {
    float rgb[3];
    int32_t xyz[3];
};

VertexBuffer MakeVertexBuffer(const oxv::ViewState& view, const oxv::PointImage& image)
{
    const int32_t n = image.Records();
    std::vector<Vertex> vertices(static_cast<size_t>(n));
    const auto level = [&](uint8_t c) {
        return static_cast<float>(std::clamp(c * view.m_dRgbScale + view.m_dRgbOffset, 0.0, 1.0));
    };
    for (int32_t k = 0; k < n; ++k) {
        const uint8_t* c = image.ColorBytes(static_cast<size_t>(k));
        const int32_t* p = image.Xyz(static_cast<size_t>(k));
        vertices[static_cast<size_t>(k)] = Vertex{{level(c[0]), level(c[1]), level(c[2])}, {p[0], p[1], p[2]}};
    }
    VertexBuffer vb;
    glGenBuffers(1, &vb.name);
    glBindBuffer(GL_ARRAY_BUFFER, vb.name);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)), vertices.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    vb.count = n;
    return vb;
}

// The floor for compiling: the point lists' own GL calls (Original
// colours, 10000 records a list) in a plain loop over the records, with no
// colour-mode dispatch, no channel accessors and nothing else compiled.
double BareLoopCompile(const oxv::ViewState& view, const oxv::PointImage& image)
{
    const int32_t n = image.Records();
    const int32_t lists = n / oxv::kPointsPerList + 1;
    const double scale = view.m_dRgbScale, offset = view.m_dRgbOffset;
    GLuint base = 0;
    const double seconds = Seconds([&] {
        base = glGenLists(lists);
        for (int32_t j = 0; j < lists; ++j) {
            const int32_t first = j * oxv::kPointsPerList;
            const int32_t end = std::min(n, first + oxv::kPointsPerList);
            glNewList(base + static_cast<GLuint>(j), GL_COMPILE);
            glBegin(GL_POINTS);
            for (int32_t k = first; k < end; ++k) {
                const uint8_t* c = image.ColorBytes(static_cast<size_t>(k));
                glColor3d(c[0] * scale + offset, c[1] * scale + offset, c[2] * scale + offset);
                const int32_t* p = image.Xyz(static_cast<size_t>(k));
                glVertex3i(p[0], p[1], p[2]);
            }
            glEnd();
            glEndList();
        }
        glFinish();
    });
    glDeleteLists(base, lists);  // they live only while they are timed
    return seconds;
}

void RunSurvey(const std::string& path, int reps, oxv::HeadlessGL& gl, bool table)
{
    // The program with its libraries and GL context, before any survey.
    const double startup = ResidentBytes();
    oxv::SurveyDocument doc;
    oxv::MemoryProfile profile;
    oxv::LoadObserver quiet;
    if (doc.LoadPointFile(path, profile, quiet) != oxv::LoadStatus::Ok) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        std::exit(1);
    }
    const int32_t records = doc.m_pPoints->Records();
    const double fileBytes = static_cast<double>(std::filesystem::file_size(path));
    oxv::ViewState view;
    oxv::InitViewState(view);

    const double before = ResidentBytes();
    std::vector<double> compile;
    compile.push_back(Seconds([&] {
        oxv::OnInitialUpdate(view, &doc);
        glFinish();
    }));
    const double afterCompile = ResidentBytes();
    const double peak = PeakResidentBytes();
    // Then both compiles in turn from the same state (no lists, Mesa's
    // memory already grown once), so neither pays the other's page faults.
    std::vector<double> bare, rebuild;
    for (int i = 0; i < reps; ++i) {
        oxv::DeleteDisplayLists(view);
        bare.push_back(BareLoopCompile(view, *doc.m_pPoints));
        rebuild.push_back(Seconds([&] {
            (void)oxv::BuildDisplayLists(view, &doc);
            glFinish();
        }));
    }

    std::vector<double> listFrames;
    oxv::OnDrawFrame(view, &doc, gl, oxv::FrameKind::Paint);  // warm-up: llvmpipe starts its threads
    for (int i = 0; i < reps; ++i)
        listFrames.push_back(Seconds([&] {
            oxv::OnDrawFrame(view, &doc, gl, oxv::FrameKind::Paint);
            glFinish();  // the whole frame rendered, not only queued
        }));
    const double afterFrames = ResidentBytes();

    const VertexBuffer vb = MakeVertexBuffer(view, *doc.m_pPoints);
    std::vector<double> bufferFrames;
    // The view's frame with its point lists left out, and the buffer drawn
    // under the frame's own camera transform before the swap.
    const auto bufferFrame = [&] {
        const unsigned lists = view.m_nPointListBase;
        view.m_nPointListBase = 0;
        const auto capture = view.hooks.captureFrame;
        view.hooks.captureFrame = [&](oxv::ViewState& v, oxv::GlTarget&, int, int, int, int) {
            glEnable(GL_DEPTH_TEST);
            glMatrixMode(GL_MODELVIEW);
            glLoadMatrixd(v.m_modelviewMatrix);
            glPointSize(static_cast<float>(v.m_nPointSize));
            glScaled(0.001, 0.001, 0.001);
            glBindBuffer(GL_ARRAY_BUFFER, vb.name);
            glEnableClientState(GL_COLOR_ARRAY);
            glEnableClientState(GL_VERTEX_ARRAY);
            glColorPointer(3, GL_FLOAT, sizeof(Vertex), reinterpret_cast<const void*>(offsetof(Vertex, rgb)));
            glVertexPointer(3, GL_INT, sizeof(Vertex), reinterpret_cast<const void*>(offsetof(Vertex, xyz)));
            glDrawArrays(GL_POINTS, 0, vb.count);
            glDisableClientState(GL_COLOR_ARRAY);
            glDisableClientState(GL_VERTEX_ARRAY);
            glBindBuffer(GL_ARRAY_BUFFER, 0);
            glDisable(GL_DEPTH_TEST);
        };
        oxv::OnDrawFrame(view, &doc, gl, oxv::FrameKind::Paint);
        glFinish();
        view.hooks.captureFrame = capture;
        view.m_nPointListBase = lists;
    };
    bufferFrame();
    for (int i = 0; i < reps; ++i) bufferFrames.push_back(Seconds(bufferFrame));
    glDeleteBuffers(1, &vb.name);
    oxv::DeleteDisplayLists(view);

    double listMs = Median(listFrames) * 1000, bufferMs = Median(bufferFrames) * 1000;
    if (table) {
        namespace b = oxv::bench;
        // Best of the runs: on a shared machine the neighbours only add time.
        const double c = *std::min_element(rebuild.begin(), rebuild.end());
        const double floor = *std::min_element(bare.begin(), bare.end());
        listMs = *std::min_element(listFrames.begin(), listFrames.end()) * 1000;
        bufferMs = *std::min_element(bufferFrames.begin(), bufferFrames.end()) * 1000;
        b::Row("display-list compile", records, b::Format("%.2f s", c), b::Format("%.2f s bare loop", floor),
               c / floor, "<= 1.20", c / floor <= 1.20);
        b::Row("1280x720 frame from lists", records, b::Format("%.0f ms", listMs), b::Format("%.0f ms one VBO", bufferMs),
               listMs / bufferMs, "<= 1.10", listMs / bufferMs <= 1.10);
        // Above what the program holds before any survey (libraries, GL).
        const double lists = afterCompile - before;
        const double grown = peak - startup;
        const double aim = fileBytes + 40.0 * records;
        b::Row("peak RSS after open+compile", records,
               b::Format("%.0f MiB = file+%.1f B/pt", grown / 1048576.0, (grown - fileBytes) / records),
               b::Format("%.0f MiB file+lists", (fileBytes + lists) / 1048576.0), grown / (fileBytes + lists),
               "<= file+40 B/pt", grown <= aim);
        b::Row("  program before the survey", records, b::Format("%.0f MiB", startup / 1048576.0), "", 0.0, "", false);
        b::Row("  of which lists (Mesa's copy)", records, b::Format("%.1f B/pt", lists / records),
               b::Format("%.0f B/pt in the file", fileBytes / records), lists / fileBytes, "", false);
        return;
    }
    std::printf("%10d  %8.3f s  %8.3f s  %9.1f ms  %9.1f ms  %5.2f  %7.1f B  %7.1f B\n", records, compile.front(),
                Median(rebuild), listMs, bufferMs, listMs / bufferMs, (afterCompile - before) / records,
                (afterFrames - before) / records);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<int32_t> sizes{1'000'000, 5'000'000};
    std::string dir = "bench-data";
    std::string survey;
    bool table = false;
    int reps = 5;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--records") && i + 1 < argc) {
            sizes.clear();
            for (char* p = argv[++i]; *p;) {
                char* end = nullptr;
                const long n = std::strtol(p, &end, 10);
                if (end == p || n < 0 || n > 100'000'000) {
                    std::fprintf(stderr, "--records: counts from 0 to 100000000, comma-separated\n");
                    return 2;
                }
                sizes.push_back(static_cast<int32_t>(n));
                p = *end == ',' ? end + 1 : end;
                if (*end != ',' && *end != '\0') return 2;
            }
        } else if (!std::strcmp(argv[i], "--data") && i + 1 < argc) {
            dir = argv[++i];
        } else if (!std::strcmp(argv[i], "--survey") && i + 1 < argc) {
            survey = argv[++i];
        } else if (!std::strcmp(argv[i], "--table")) {
            table = true;
        } else if (!std::strcmp(argv[i], "--reps") && i + 1 < argc) {
            reps = std::max(1, std::atoi(argv[++i]));
        }
    }
    std::string error;
    auto gl = oxv::HeadlessGL::Create(kWidth, kHeight, &error);
    if (!gl) {
        std::fprintf(stderr, "view_bench: %s\n", error.c_str());
        return 1;
    }
    oxv::SetupViewGl();
    if (!survey.empty()) {
        RunSurvey(survey, reps, *gl, table);
        return 0;
    }
    std::printf("Points in display lists against one vertex buffer, %dx%d, point size 1, median of %d\n", kWidth,
                kHeight, reps);
    std::printf("%10s  %10s  %10s  %12s  %12s  %5s  %9s  %9s\n", "points", "1st compile", "rebuild", "frame lists",
                "frame VBO", "ratio", "RSS/pt", "+frames");
    for (int32_t n : sizes) RunSurvey(EnsureSurvey(dir, n), reps, *gl, false);
    return 0;
}
