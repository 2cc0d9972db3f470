#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "Commands.h"
#include "HeadlessGL.h"
#include "HeliModel.h"
#include "ObjModel.h"
#include "PngImageWriter.h"

namespace oxvtool {

namespace {

struct ModelOptions {
    std::string file;
    std::string out;
    std::string size = "800x600";
    std::string attitude = "0,0,0";
    int64_t draws = 0;
};

bool ParseSize(std::string_view text, int& width, int& height)
{
    const size_t x = text.find('x');
    if (x == std::string_view::npos) return false;
    const char* end = text.data() + text.size();
    const auto w = std::from_chars(text.data(), text.data() + x, width);
    const auto h = std::from_chars(text.data() + x + 1, end, height);
    return w.ec == std::errc() && w.ptr == text.data() + x && h.ec == std::errc() && h.ptr == end && width > 0 &&
           height > 0 && width <= 8192 && height <= 8192;
}

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

// How far the model reaches from the vehicle's position, in metres, after
// scaling and placement (rotations keep distances).
double ReachOf(const oxv::ObjModel& model, const oxv::gl_heli_model& heli)
{
    double reach = 0.0;
    for (uint32_t i = 1; i <= model.vertexCount; ++i) {
        const float* v = &model.vertices[size_t{i} * 3];
        reach = std::max(reach, std::sqrt(static_cast<double>(v[0] * v[0] + v[1] * v[1] + v[2] * v[2])));
    }
    const double* o = heli.model_offset;
    return reach * std::abs(heli.scale) + std::sqrt(o[0] * o[0] + o[1] * o[1] + o[2] * o[2]);
}

int RunModel(const ModelOptions& options)
{
    int width = 0, height = 0;
    double attitude[3];
    if (!ParseSize(options.size, width, height)) {
        std::cerr << "oxvtool: --size wants WIDTHxHEIGHT, as 800x600\n";
        return 1;
    }
    if (!ParseTriple(options.attitude, attitude)) {
        std::cerr << "oxvtool: --attitude wants ROLL,PITCH,HEADING in degrees\n";
        return 1;
    }
    if (options.draws < 0) {
        std::cerr << "oxvtool: --draws must not be negative\n";
        return 1;
    }
    std::string error;
    auto gl = oxv::HeadlessGL::Create(width, height, &error);
    if (!gl) {
        std::cerr << "oxvtool: " << error << "\n";
        return 1;
    }
    oxv::gl_heli_model heli;
    if (!heli.load(options.file)) {
        std::cerr << "oxvtool: cannot open " << options.file << "\n";
        return 1;
    }
    // Read once more for its size; the reader's messages were given by the load.
    std::FILE* quiet = std::fopen("/dev/null", "w");
    if (quiet) oxv::SetObjMessageStream(quiet);
    const oxv::ObjModelPtr model = oxv::ReadObjModel(options.file);
    oxv::SetObjMessageStream(nullptr);
    if (quiet) std::fclose(quiet);
    const double reach = std::max(model ? ReachOf(*model, heli) : 0.0, 0.1);

    // A fixed three-quarter view from the front right and above; the model's
    // whole reach fits the narrower field of view.
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
    gluLookAt(direction[0] * distance, direction[1] * distance, direction[2] * distance, 0, 0, 0, 0, 0, 1);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    std::copy_n(attitude, 3, heli.attitude);
    // The rotors stand after N draws as they stand after N mod 80: 80 × 45 is
    // the main rotor's full turn and three of the tail rotor's.
    heli.rotor_counter = static_cast<int32_t>(options.draws % 80) * 45;
    heli.draw();
    gl->SwapBuffers();
    const std::vector<unsigned char> rgb = gl->ReadRgb();
    if (!oxv::WritePngRgb(options.out, width, height, rgb.data(), static_cast<size_t>(width) * 3)) {
        std::cerr << "oxvtool: cannot write " << options.out << "\n";
        return 1;
    }
    return 0;
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

}  // namespace oxvtool
