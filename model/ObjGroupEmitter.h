#pragma once

// The calls that draw one group of an ObjModel, independent of OpenGL: the
// drawing code instantiates EmitObjGroup with a sink that issues the GL
// calls, the tests with one that records them.

#include <cstdint>
#include <string_view>

#include "model/ObjModel.h"

namespace oxv {

enum ObjDrawMode : unsigned {
    OBJ_DRAW_NORMALS = 0x02,    // the normal of each corner before its vertex
    OBJ_DRAW_TEXCOORDS = 0x04,  // the texture coordinate of each corner before its vertex
    OBJ_DRAW_MATERIAL = 0x10,   // the group's material
};

// Sink: BeginTriangles(), Material(const ObjMaterial&), Normal(const float*),
// TexCoord(const float*), Vertex(const float*), EndTriangles().
//
// Indices are never trusted: a triangle with a vertex index outside
// 1 … vertexCount, or a normal or texture index outside its array, is left
// out of the drawing. An index of 0 is what a face whose format lacks that
// datum leaves, so a 0 normal or texture index sends no call for it. A group
// whose material is not in the table gets no material calls. Returns the
// number of triangles left out.
template <typename Sink>
uint32_t EmitObjGroup(const ObjModel& model, const ObjGroup* group, unsigned mode, Sink& sink)
{
    if (!group) return 0;
    sink.BeginTriangles();
    if ((mode & OBJ_DRAW_MATERIAL) && group->material < model.materialCount &&
        group->material < model.materials.size())
        sink.Material(model.materials[group->material]);

    const bool normals = (mode & OBJ_DRAW_NORMALS) != 0;
    const bool texcoords = (mode & OBJ_DRAW_TEXCOORDS) != 0;
    const auto inRange = [](int32_t index, uint32_t count, size_t slots) {
        return index > 0 && static_cast<uint32_t>(index) <= count && static_cast<size_t>(index) < slots;
    };
    const auto optional = [&](int32_t index, uint32_t count, size_t slots) {
        return index == 0 || inRange(index, count, slots);
    };
    uint32_t dropped = 0;
    const size_t listed = group->triangleCount < group->triangleList.size() ? group->triangleCount
                                                                             : group->triangleList.size();
    for (size_t i = 0; i < listed; ++i) {
        const uint32_t t = group->triangleList[i];
        if (t >= model.triangleCount || t >= model.triangles.size()) {
            ++dropped;
            continue;
        }
        const ObjTriangle& tri = model.triangles[t];
        bool usable = true;
        for (int k = 0; k < 3 && usable; ++k) {
            usable = inRange(tri.vertex[k], model.vertexCount, model.vertices.size() / 3) &&
                     (!normals || optional(tri.normal[k], model.normalCount, model.normals.size() / 3)) &&
                     (!texcoords || optional(tri.texcoord[k], model.texcoordCount, model.texcoords.size() / 2));
        }
        if (!usable) {
            ++dropped;
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            if (normals && tri.normal[k] != 0) sink.Normal(&model.normals[static_cast<size_t>(tri.normal[k]) * 3]);
            if (texcoords && tri.texcoord[k] != 0)
                sink.TexCoord(&model.texcoords[static_cast<size_t>(tri.texcoord[k]) * 2]);
            sink.Vertex(&model.vertices[static_cast<size_t>(tri.vertex[k]) * 3]);
        }
    }
    sink.EndTriangles();
    return dropped;
}

template <typename Sink>
uint32_t EmitObjGroup(const ObjModel& model, std::string_view name, unsigned mode, Sink& sink)
{
    return EmitObjGroup(model, FindObjGroup(model, name), mode, sink);
}

}  // namespace oxv
