#include <charconv>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "tools/oxvtool/Commands.h"
#include "model/ObjModel.h"

namespace oxv::tool {

namespace {

struct ObjOptions {
    std::string file;
    bool json = false;
    bool full = false;
};

// A float as the shortest decimal that reads back as the same float, so
// 0.8f prints as 0.8 rather than as the double nearest to it.
double Decimal(float value)
{
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    if (ec != std::errc()) return static_cast<double>(value);
    double d = 0.0;
    std::from_chars(text, end, d);
    return d;
}

nlohmann::ordered_json Color(const float* rgba)
{
    return nlohmann::ordered_json{Decimal(rgba[0]), Decimal(rgba[1]), Decimal(rgba[2]), Decimal(rgba[3])};
}

nlohmann::ordered_json ModelToJson(const oxv::ObjModel& model, bool full)
{
    nlohmann::ordered_json j;
    j["vertices"] = model.vertexCount;
    j["normals"] = model.normalCount;
    j["texcoords"] = model.texcoordCount;
    j["triangles"] = model.triangleCount;
    j["materials"] = nlohmann::ordered_json::array();
    for (const oxv::ObjMaterial& m : model.materials) {
        j["materials"].push_back({{"name", m.name},
                                  {"ambient", Color(m.ambient)},
                                  {"diffuse", Color(m.diffuse)},
                                  {"specular", Color(m.specular)},
                                  {"shininess", Decimal(m.shininess)}});
    }
    j["groups"] = nlohmann::ordered_json::array();
    for (const oxv::ObjGroup* g = model.groups; g; g = g->next) {
        nlohmann::ordered_json group{{"name", g->name}, {"material", g->material}, {"triangle_count", g->triangleCount}};
        if (full) {
            auto& list = group["triangle_list"] = nlohmann::ordered_json::array();
            for (uint32_t i = 0; i < g->triangleCount && i < g->triangleList.size(); ++i)
                list.push_back(g->triangleList[i]);
        }
        j["groups"].push_back(std::move(group));
    }
    if (full) {
        auto& array = j["triangle_array"] = nlohmann::ordered_json::array();
        for (const oxv::ObjTriangle& t : model.triangles) {
            array.push_back({t.vertex[0], t.normal[0], t.texcoord[0], t.vertex[1], t.normal[1], t.texcoord[1],
                             t.vertex[2], t.normal[2], t.texcoord[2]});
        }
    }
    return j;
}

std::string ModelToText(const std::string& path, const oxv::ObjModel& model)
{
    std::string out = path + "\n";
    out += "  " + std::to_string(model.vertexCount) + " vertices, " + std::to_string(model.normalCount) +
           " normals, " + std::to_string(model.texcoordCount) + " texture coordinates, " +
           std::to_string(model.triangleCount) + " triangles\n";
    out += "  materials: " + std::to_string(model.materialCount) + "\n";
    for (uint32_t i = 0; i < model.materials.size(); ++i) {
        const oxv::ObjMaterial& m = model.materials[i];
        char line[200];
        std::snprintf(line, sizeof line, "    %u  diffuse %.3g %.3g %.3g %.3g  shininess %.4g  ", i,
                      static_cast<double>(m.diffuse[0]), static_cast<double>(m.diffuse[1]),
                      static_cast<double>(m.diffuse[2]), static_cast<double>(m.diffuse[3]),
                      static_cast<double>(m.shininess));
        out += line + m.name + "\n";
    }
    size_t groups = 0;
    for (const oxv::ObjGroup* g = model.groups; g; g = g->next) ++groups;
    out += "  groups: " + std::to_string(groups) + "\n";
    for (const oxv::ObjGroup* g = model.groups; g; g = g->next)
        out += "    " + g->name + "  material " + std::to_string(g->material) + "  " +
               std::to_string(g->triangleCount) + " triangles\n";
    return out;
}

int RunObj(const ObjOptions& options)
{
    // The reader reports unknown materials on standard output; keep that
    // clear for the JSON object.
    if (options.json) oxv::SetObjMessageStream(stderr);
    const oxv::ObjModelPtr model = oxv::ReadObjModel(options.file);
    std::fflush(stderr);
    std::fflush(stdout);
    if (!model) {
        std::cerr << "oxvtool: cannot open " << options.file << "\n";
        return kWorkFailed;
    }
    if (options.json)
        std::cout << ModelToJson(*model, options.full).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
    else
        std::cout << ModelToText(options.file, *model);
    return kSuccess;
}

}  // namespace

void AddObjCommand(CLI::App& app, int& exitStatus)
{
    auto options = std::make_shared<ObjOptions>();
    CLI::App* obj = app.add_subcommand("obj", "Read an OBJ model as the viewer does and describe it");
    obj->add_option("MODEL", options->file, "model file (.obj)")->required();
    obj->add_flag("--json", options->json, "print one JSON object");
    obj->add_flag("--full", options->full, "with --json: every group's triangle list and the triangle array");
    obj->callback([options, &exitStatus] { exitStatus = RunObj(*options); });
}

}  // namespace oxv::tool
