// The OBJ reader's two passes over arbitrary text, then the drawing calls
// of every group: the passes must agree and nothing may leave the arrays.
#include <cstdlib>
#include <string_view>

#include "model/ObjGroupEmitter.h"
#include "model/ObjModel.h"

namespace {

struct NullSink {
    void BeginTriangles() {}
    void Material(const oxv::ObjMaterial&) {}
    void Normal(const float*) {}
    void TexCoord(const float*) {}
    void Vertex(const float* v) { sum += v[0]; }
    void EndTriangles() {}
    float sum = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::FILE* quiet = [] {
        std::FILE* f = std::fopen("/dev/null", "w");
        oxv::SetObjMessageStream(f);
        return f;
    }();
    (void)quiet;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    oxv::ObjModel model;
    model.path = "/nonexistent/";  // no material library is found
    if (!oxv::CountObjFile(model, text)) return 0;
    model.vertices.resize((size_t{model.vertexCount} + 1) * 3);
    model.triangles.resize(model.triangleCount);
    if (model.normalCount) model.normals.resize((size_t{model.normalCount} + 1) * 3);
    if (model.texcoordCount) model.texcoords.resize((size_t{model.texcoordCount} + 1) * 2);
    oxv::FillObjModel(model, text);
    uint64_t listed = 0;
    for (const oxv::ObjGroup* g = model.groups; g; g = g->next) {
        if (g->triangleCount != g->triangleList.size()) std::abort();
        listed += g->triangleCount;
        NullSink sink;
        oxv::EmitObjGroup(model, g->name, oxv::OBJ_DRAW_MATERIAL | oxv::OBJ_DRAW_NORMALS | oxv::OBJ_DRAW_TEXCOORDS,
                          sink);
    }
    if (listed != model.triangleCount) std::abort();
    return 0;
}
