// oxvtool render: the frame the viewer shows right after opening a survey,
// drawn by the viewer's own drawing code in an offscreen context.

#include <GL/gl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/oxvtool/SurveyOpening.h"
#include "tools/oxvtool/ColorOption.h"
#include "tools/oxvtool/LevelsOption.h"
#include "tools/oxvtool/Commands.h"
#include "tools/oxvtool/SizeOption.h"
#include "tools/oxvtool/TrajectoryOption.h"
#include "gl/HeadlessGL.h"
#include "image/PngImageWriter.h"
#include "base/FileReading.h"
#include "survey/SurveyDocument.h"
#include "view/ViewState.h"
#include "view/ColorLegend.h"
#include "view/PointSubset.h"
#include "view/ViewFit.h"

namespace oxv::tool {

namespace {

constexpr int kMaxDrag = 100000;
constexpr int32_t kMaxBudget = 1'000'000'000;

struct RenderOptions {
    std::string file;
    std::string trajectory;
    std::string out;
    std::string size = "1280x720";
    int colorMode = oxv::kColorOriginal;
    int pointSize = 1;
    bool antialias = false;
    bool grid = false;
    bool scannerPath = false;
    std::string levels;
    std::string orbit;
    int zoom = 0;
    bool fit = false;
    bool legend = false;
    int32_t budget = 0;  // 0: the still frame
    bool timings = false;
};

double MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// A frame of a moving camera needs the subset and the scene's other lists,
// not the point lists: only those are compiled when there is a subset.
void CompileLists(oxv::ViewState& view, const oxv::SurveyDocument& doc)
{
    if (view.m_subset.budget == 0) return oxv::OnInitialUpdate(view, &doc);
    (void)oxv::BuildPreviewLists(view, &doc);
    if (view.m_subset.listBase == 0) return oxv::OnInitialUpdate(view, &doc);
    double centre[3];
    if (oxv::GetDataExtent(&doc, centre, nullptr)) oxv::SetCameraTarget(view.m_camera, centre);
}

// "AxB" with both parts whole numbers; false on anything else.
bool ParsePair(const std::string& text, char separator, long& a, long& b)
{
    const size_t at = text.find(separator);
    if (at == std::string::npos || at == 0 || at + 1 >= text.size()) return false;
    const std::string first = text.substr(0, at), second = text.substr(at + 1);
    char* end = nullptr;
    a = std::strtol(first.c_str(), &end, 10);
    if (*end != '\0') return false;
    b = std::strtol(second.c_str(), &end, 10);
    return *end == '\0';
}

// A drag as the window delivers it: a press, one move per pixel along the
// way, a release.
void Drag(oxv::OrbitCamera& camera, int32_t pressType, int32_t releaseType, int w, int h, long dx, long dy)
{
    oxv::CameraInput input{pressType, 0, 0, w, h, w / 2, h / 2};
    oxv::CameraMouseEvent(input, camera);
    const long steps = std::max(std::labs(dx), std::labs(dy));
    for (long i = 1; i <= steps; ++i) {
        input.type = oxv::kMouseMove;
        input.x = static_cast<int32_t>(w / 2 + dx * i / steps);
        input.y = static_cast<int32_t>(h / 2 + dy * i / steps);
        oxv::CameraMouseEvent(input, camera);
    }
    input.type = releaseType;
    oxv::CameraMouseEvent(input, camera);
}

int RunRender(const RenderOptions& options)
{
    int w = 0, h = 0;
    if (!ParseSize(options.size, kMaxFrameSide, w, h)) {
        std::cerr << "oxvtool: --size must be WxH with sides 1 to " << kMaxFrameSide << "\n";
        return kUsageError;
    }
    long orbitX = 0, orbitY = 0;
    if (!options.orbit.empty() &&
        (!ParsePair(options.orbit, ',', orbitX, orbitY) || std::labs(orbitX) > kMaxDrag || std::labs(orbitY) > kMaxDrag)) {
        std::cerr << "oxvtool: --orbit must be DX,DY in pixels\n";
        return kUsageError;
    }
    double black = 0.4, white = 1.0;
    if (!options.levels.empty() && !ParseLevels(options.levels, black, white)) {
        std::cerr << "oxvtool: --levels must be BLACK,WHITE with BLACK below WHITE\n";
        return kUsageError;
    }

    oxv::SurveyDocument doc;
    oxv::MemoryProfile profile;
    oxv::LoadObserver quiet;
    const auto openStart = std::chrono::steady_clock::now();
    const oxv::LoadStatus status = OpenSurveyOrExplain(doc, options.file, profile, quiet);
    const bool placed = status != oxv::LoadStatus::Ok || ApplyTrajectoryOption(doc, options.trajectory);
    const double openMs = MsSince(openStart);
    if (status != oxv::LoadStatus::Ok || !placed) return kWorkFailed;

    std::string error;
    auto gl = oxv::HeadlessGL::Create(static_cast<int>(w), static_cast<int>(h), &error);
    if (!gl) {
        std::cerr << "oxvtool: no OpenGL context: " << error << "\n";
        return kWorkFailed;
    }

    oxv::ViewState view;
    oxv::InitViewState(view);
    oxv::SetupViewGl();
    view.m_nColorMode = options.colorMode;
    view.m_dBlackLevel = black;
    view.m_dWhiteLevel = white;
    view.m_dRgbOffset = -black / (white - black);
    view.m_dRgbScale = 1.0 / (white - black) / 255.0;
    view.m_nPointSize = options.pointSize;
    view.m_bAntiAlias = options.antialias;
    view.m_bShowGrid = options.grid;
    view.m_bShowScannerPath = options.scannerPath;
    view.m_subset.budget = options.budget;
    view.m_subset.moving = options.budget > 0;
    const auto compileStart = std::chrono::steady_clock::now();
    CompileLists(view, doc);
    glFinish();
    const double compileMs = MsSince(compileStart);
    // The viewer would show a smaller subset in place of lists that do not
    // fit; a picture of other points than asked for is no answer here.
    if (!view.m_subset.memoryProblem.empty() &&
        (options.budget == 0 || view.m_subset.step != oxv::SubsetStep(doc.m_pPoints->Records(), options.budget))) {
        oxv::DeleteDisplayLists(view);
        std::cerr << "oxvtool: " << view.m_subset.memoryProblem << "\n";
        return kWorkFailed;
    }

    const int cw = static_cast<int>(w), ch = static_cast<int>(h);
    if (orbitX != 0 || orbitY != 0) Drag(view.m_camera, oxv::kLeftPress, oxv::kLeftRelease, cw, ch, orbitX, orbitY);
    // Zoom to Extent from the orientation reached; a zoom drag then starts there.
    if (options.fit) (void)oxv::ZoomToExtent(view, &doc, static_cast<double>(cw) / ch);
    if (options.zoom != 0) Drag(view.m_camera, oxv::kRightPress, oxv::kRightRelease, cw, ch, 0, options.zoom);

    const auto frameStart = std::chrono::steady_clock::now();
    oxv::OnDrawFrame(view, &doc, *gl, oxv::FrameKind::Paint);
    if (options.legend)
        if (const auto legend = oxv::LegendFor(view, &doc)) oxv::DrawColorLegend(*legend, cw, ch);
    glFinish();
    const double frameMs = MsSince(frameStart);
    const int64_t pointsDrawn = view.m_subset.lastFramePoints;
    const std::vector<unsigned char> rgb = gl->ReadRgb();
    oxv::DeleteDisplayLists(view);
    if (rgb.size() != static_cast<size_t>(cw) * static_cast<size_t>(ch) * 3) {
        std::cerr << "oxvtool: cannot write " << options.out << ": the frame could not be read back\n";
        return kWorkFailed;
    }
    if (!oxv::WritePngRgb(options.out, cw, ch, rgb.data(), static_cast<size_t>(cw) * 3)) {
        std::cerr << "oxvtool: cannot write " << options.out << ": " << std::strerror(errno) << "\n";
        return kWorkFailed;
    }
    if (options.timings)
        std::cout << nlohmann::ordered_json{{"open_ms", openMs},
                                            {"compile_ms", compileMs},
                                            {"frame_ms", frameMs},
                                            {"points_drawn", pointsDrawn}}
                         .dump()
                  << "\n";
    return kSuccess;
}

}  // namespace

void AddRenderCommand(CLI::App& app, int& exitStatus)
{
    auto options = std::make_shared<RenderOptions>();
    CLI::App* render = app.add_subcommand("render", "Render the view of a survey right after opening it, as PNG");
    render->add_option("SURVEY", options->file, "survey (.oxv or .las)")->required();
    AddTrajectoryOption(render, options->trajectory);
    render->add_option("--out", options->out, "PNG file to write")->required();
    render->add_option("--size", options->size, "frame size WxH")->capture_default_str();
    render->add_option("--color", options->colorMode, "height|amp|ampbw|range|original (falls back to height)")
        ->transform(ColorModeOption());
    render->add_option("--point-size", options->pointSize, "point size in pixels")->check(CLI::Range(1, 5));
    render->add_flag("--antialias", options->antialias, "round, smoothed points");
    render->add_flag("--grid", options->grid, "show the 10 m grid");
    render->add_flag("--scanner-path", options->scannerPath, "show the scanner path");
    render->add_option("--levels", options->levels, "Original mode: BLACK,WHITE channel levels (0..1)");
    render->add_option("--orbit", options->orbit, "left drag of DX,DY pixels");
    render->add_option("--zoom", options->zoom, "right drag of DY pixels (down comes closer)")
        ->check(CLI::Range(-kMaxDrag, kMaxDrag));
    render->add_flag("--fit", options->fit, "Zoom to Extent: the whole survey in the picture, after --orbit");
    render->add_flag("--legend", options->legend, "the colour bar with its minimum and maximum (not in Original mode)");
    render->add_option("--budget", options->budget,
                       "the frame of a moving camera: every k-th record, about N points (0: the still frame)")
        ->check(CLI::Range(0, kMaxBudget));
    render->add_flag("--timings", options->timings,
                     "print {\"open_ms\", \"compile_ms\", \"frame_ms\", \"points_drawn\"} as one JSON object");
    render->callback([options, &exitStatus] { exitStatus = RunRender(*options); });
}

}  // namespace oxv::tool
