#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <vector>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "tools/oxvtool/Commands.h"
#include "tools/oxvtool/SizeOption.h"
#include "gl/HeadlessGL.h"
#include "modelgl/HeliModel.h"
#include "model/ObjModel.h"
#include "image/PngImageWriter.h"

namespace oxv::tool {

namespace {


struct ModelOptions {
    std::string file;
    std::string out;
    std::string size = "800x600";
    std::string attitude = "0,0,0";
    int64_t draws = 0;
};

bool ParseTriple(std::string_view text, double* values)
{
    const char* p = text.data();
    const char* end = p + text.size();
    for (int i = 0; i < 3; ++i) {
        const auto r = std::from_chars(p, end, values[i]);
        if (r.ec != std::errc() || !std::isfinite(values[i])) return false;
        p = r.ptr;
        if (i < 2) {
            if (p == end || *p != ',') return false;
            ++p;
        }
    }
    return p == end;
}

using Vec = std::array<double, 3>;

// Roll about y, then pitch about -x, then heading about z: the drawing's
// rotation order, for framing the picture.
Vec Rotate(const Vec& v, const double* angles)
{
    const double r = angles[0] * M_PI / 180, p = angles[1] * M_PI / 180, h = angles[2] * M_PI / 180;
    const Vec a{v[0] * std::cos(r) + v[2] * std::sin(r), v[1], -v[0] * std::sin(r) + v[2] * std::cos(r)};
    const Vec b{a[0], a[1] * std::cos(p) + a[2] * std::sin(p), -a[1] * std::sin(p) + a[2] * std::cos(p)};
    return {b[0] * std::cos(h) - b[1] * std::sin(h), b[0] * std::sin(h) + b[1] * std::cos(h), b[2]};
}

// The middle of the placed model and how far it reaches from there, in
// metres, with room for the rotors to turn.
void Frame(const oxv::ObjModel& model, const oxv::gl_heli_model& heli, Vec& centre, double& reach)
{
    std::vector<Vec> placed;
    placed.reserve(model.vertexCount);
    Vec lo{HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi{-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (uint32_t i = 1; i <= model.vertexCount; ++i) {
        const float* v = &model.vertices[size_t{i} * 3];
        Vec p = Rotate({v[0] * heli.scale, v[1] * heli.scale, v[2] * heli.scale}, heli.model_rotation);
        for (int k = 0; k < 3; ++k) p[k] += heli.model_offset[k];
        p = Rotate(p, heli.attitude);
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) continue;
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], p[k]);
            hi[k] = std::max(hi[k], p[k]);
        }
        placed.push_back(p);
    }
    centre = {0, 0, 0};
    reach = 0.0;
    if (placed.empty()) return;
    for (int k = 0; k < 3; ++k) centre[k] = (lo[k] + hi[k]) / 2;
    for (const Vec& p : placed)
        reach = std::max(reach, std::hypot(p[0] - centre[0], p[1] - centre[1], p[2] - centre[2]));
    reach *= 1.1;
}

int RunModel(const ModelOptions& options)
{
    int width = 0, height = 0;
    double attitude[3];
    if (!ParseSize(options.size, kMaxFrameSide, width, height)) {
        std::cerr << "oxvtool: --size wants WIDTHxHEIGHT, as 800x600, sides 1 to " << kMaxFrameSide << "\n";
        return kUsageError;
    }
    if (!ParseTriple(options.attitude, attitude)) {
        std::cerr << "oxvtool: --attitude wants ROLL,PITCH,HEADING in degrees\n";
        return kUsageError;
    }
    if (options.draws < 0) {
        std::cerr << "oxvtool: --draws must not be negative\n";
        return kUsageError;
    }
    std::string error;
    auto gl = oxv::HeadlessGL::Create(width, height, &error);
    if (!gl) {
        std::cerr << "oxvtool: " << error << "\n";
        return kWorkFailed;
    }
    oxv::gl_heli_model heli;
    if (!heli.load(options.file)) {
        std::cerr << "oxvtool: cannot open " << options.file << "\n";
        return kWorkFailed;
    }
    // Read once more for its size; the reader's messages were given by the load.
    std::FILE* quiet = std::fopen("/dev/null", "w");
    if (quiet) oxv::SetObjMessageStream(quiet);
    const oxv::ObjModelPtr model = oxv::ReadObjModel(options.file);
    oxv::SetObjMessageStream(nullptr);
    if (quiet) std::fclose(quiet);
    std::copy_n(attitude, 3, heli.attitude);
    Vec centre{0, 0, 0};
    double reach = 0.0;
    if (model) Frame(*model, heli, centre, reach);
    reach = std::max(reach, 0.1);

    // A fixed three-quarter view from one side, ahead and above, on the
    // middle of the model; its whole reach fits the narrower field of view.
    constexpr double kFovY = 45.0;
    const double aspect = static_cast<double>(width) / height;
    const double halfFov = std::min(kFovY / 2, std::atan(std::tan(kFovY / 2 * M_PI / 180) * aspect) * 180 / M_PI);
    const double distance = reach / std::sin(halfFov * M_PI / 180) * 1.05;
    const double direction[3] = {0.612, -0.612, 0.5};

    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(kFovY, aspect, distance * 0.05, distance + 4 * reach);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(centre[0] + direction[0] * distance, centre[1] + direction[1] * distance,
              centre[2] + direction[2] * distance, centre[0], centre[1], centre[2], 0, 0, 1);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The rotors stand after N draws as they stand after N mod 80: 80 × 45 is
    // the main rotor's full turn and three of the tail rotor's.
    heli.rotor_counter = static_cast<int32_t>(options.draws % 80) * 45;
    heli.draw();
    gl->SwapBuffers();
    const std::vector<unsigned char> rgb = gl->ReadRgb();
    if (!oxv::WritePngRgb(options.out, width, height, rgb.data(), static_cast<size_t>(width) * 3)) {
        std::cerr << "oxvtool: cannot write " << options.out << "\n";
        return kWorkFailed;
    }
    return kSuccess;
}

}  // namespace

void AddModelCommand(CLI::App& app, int& exitStatus)
{
    auto options = std::make_shared<ModelOptions>();
    CLI::App* cmd = app.add_subcommand("model", "Render the helicopter model headlessly into a PNG image");
    cmd->add_option("MODEL", options->file, "model file (.obj) with its .mtl, .par and .png beside it")->required();
    cmd->add_option("--out", options->out, "PNG file to write")->required();
    cmd->add_option("--size", options->size, "image size WIDTHxHEIGHT")->capture_default_str();
    cmd->add_option("--attitude", options->attitude, "roll,pitch,heading in degrees")->capture_default_str();
    cmd->add_option("--draws", options->draws, "draws before this one (turns the rotors)")->capture_default_str();
    cmd->callback([options, &exitStatus] { exitStatus = RunModel(*options); });
}

}  // namespace oxv::tool
