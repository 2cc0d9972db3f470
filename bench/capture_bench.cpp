// Frame capture: read-back plus PNG encoding of a rendered 1280x720 survey
// frame, with the encoder settings frames use beside libpng's defaults and
// a few alternatives, so the choice can be checked on this machine.
//
//   capture_bench SURVEY.oxv [--frames N] [--table]
//
// --table prints the scoreboard row instead: the frames' capture against
// read-back + libpng's default encoder. scripts/bench runs it on one core.

#include <GL/gl.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchTable.h"
#include "gl/FrameCapture.h"
#include "gl/HeadlessGL.h"
#include "image/PngImageWriter.h"
#include "survey/SurveyDocument.h"
#include "view/ViewState.h"

namespace {

// Processor time of the process, pinned to one core by scripts/bench: on a
// shared machine wall time says more about the neighbours.
struct Clock {
    static double now()
    {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
    }
};

double Seconds(double a, double b) { return b - a; }

long FileSize(const std::string& path)
{
    struct stat st{};
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: capture_bench SURVEY.oxv [--frames N]\n");
        return 2;
    }
    int frames = 20;
    bool table = false;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--frames") && i + 1 < argc) frames = std::max(1, std::atoi(argv[i + 1]));
        if (!std::strcmp(argv[i], "--table")) table = true;
    }

    const int w = 1280, h = 720;
    std::string error;
    auto gl = oxv::HeadlessGL::Create(w, h, &error);
    if (!gl) {
        std::fprintf(stderr, "no GL: %s\n", error.c_str());
        return 1;
    }
    oxv::SurveyDocument doc;
    oxv::MemoryProfile profile;
    oxv::LoadObserver quiet;
    if (doc.LoadPointFile(argv[1], profile, quiet) != oxv::LoadStatus::Ok) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    oxv::ViewState view;
    oxv::InitViewState(view);
    oxv::SetupViewGl();
    oxv::OnInitialUpdate(view, &doc);
    oxv::OnDrawFrame(view, &doc, *gl, oxv::FrameKind::Pick);

    const std::string dir = std::filesystem::temp_directory_path() / "oxv-capture-bench";
    std::filesystem::create_directories(dir);
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 3);

    auto t0 = Clock::now();
    for (int i = 0; i < frames; ++i) {
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    }
    const double readBack = Seconds(t0, Clock::now()) / frames;

    struct Setting {
        const char* name;
        oxv::PngEncoding encoding;
    };
    const Setting settings[] = {
        {"libpng default (level 6, adaptive filters)", oxv::PngEncoding{}},
        {"frames: level 1, no filter", oxv::FrameEncoding()},
        {"level 1, adaptive filters", oxv::PngEncoding{1, true}},
        {"level 3, no filter", oxv::PngEncoding{3, false}},
        {"level 0 (stored)", oxv::PngEncoding{0, false}},
        {"level 1, no filter, run-length strategy", oxv::PngEncoding{1, false, 3}},
        {"level 1, no filter, Huffman only", oxv::PngEncoding{1, false, 2}},
        {"level 1, up filter, run-length strategy", oxv::PngEncoding{1, true, 3}},
    };
    double defaultSeconds = 0;
    long defaultBytes = 0;
    if (!table) {
        std::printf("%d frames of %dx%d, read-back %.1f ms per frame\n", frames, w, h, readBack * 1000);
        std::printf("%-44s %10s %10s %8s %8s\n", "encoder", "ms/frame", "bytes", "size", "speed");
    }
    for (const Setting& s : settings) {
        const std::string path = dir + "/frame.png";
        auto a = Clock::now();
        for (int i = 0; i < frames; ++i) (void)oxv::WritePngRgbBottomUp(path, w, h, pixels.data(), static_cast<size_t>(w) * 3, s.encoding);
        const double sec = Seconds(a, Clock::now()) / frames;
        const long bytes = FileSize(path);
        if (defaultSeconds == 0) {
            defaultSeconds = sec;
            defaultBytes = bytes;
        }
        if (table) break;  // only the default is the baseline
        std::printf("%-44s %10.1f %10ld %7.2fx %7.2fx\n", s.name, sec * 1000, bytes,
                    static_cast<double>(bytes) / static_cast<double>(defaultBytes), defaultSeconds / sec);
    }
    oxv::FrameCapturer capturer;
    auto c0 = Clock::now();
    for (int i = 0; i < frames; ++i) (void)capturer.Capture(*gl, w, h, dir + "/img.png");
    const double capture = Seconds(c0, Clock::now()) / frames;
    if (table) {
        namespace b = oxv::bench;
        const double baseline = readBack + defaultSeconds;
        b::Row("capture 1280x720 (read-back + PNG)", doc.m_pPoints->Records(),
               b::Format("%.1f ms = %.0f fps", capture * 1000, 1.0 / capture),
               b::Format("%.1f ms libpng default", baseline * 1000), capture / baseline, ">= 40 fps, one core",
               1.0 / capture >= 40.0);
    } else {
        std::printf("capture (read-back + frame PNG): %.1f ms per frame, %.1f frames per second\n", capture * 1000,
                    1.0 / capture);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
