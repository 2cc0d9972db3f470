#include "modelgl/ModelDrawing.h"

#include <GL/gl.h>

#include <unordered_map>
#include <unordered_set>
#include <cstdio>

#include "model/ModelFiles.h"
#include "modelgl/PngTexture.h"

namespace oxv {

namespace {

struct GlSink {
    void BeginTriangles() { glBegin(GL_TRIANGLES); }
    void Material(const ObjMaterial& m)
    {
        // Material changes are allowed between glBegin and glEnd.
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m.ambient);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m.diffuse);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m.specular);
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.shininess);
    }
    void Normal(const float* n) { glNormal3fv(n); }
    void TexCoord(const float* t) { glTexCoord2fv(t); }
    void Vertex(const float* v) { glVertex3fv(v); }
    void EndTriangles() { glEnd(); }
};

// The first group of each name in list order, as FindObjGroup finds it,
// without a walk along the list for every name of a long part list.
std::unordered_map<std::string_view, const ObjGroup*> IndexGroups(const ObjModel& model)
{
    std::unordered_map<std::string_view, const ObjGroup*> index;
    for (const ObjGroup* g = model.groups; g; g = g->next) index.emplace(g->name, g);
    return index;
}

}  // namespace

void BuildPartList(unsigned list, const std::vector<std::string>& groupNames,
                   const std::vector<std::string>& texturedNames, const double offset[3], const double angles[3],
                   const ObjModel& model)
{
    glNewList(list, GL_COMPILE);
    glPushMatrix();
    glTranslated(offset[0], offset[1], offset[2]);
    glRotated(angles[2], 0.0, 0.0, 1.0);
    glRotated(angles[1], -1.0, 0.0, 0.0);
    glRotated(angles[0], 0.0, 1.0, 0.0);
    const auto groups = IndexGroups(model);
    const std::unordered_set<std::string_view> textured(texturedNames.begin(), texturedNames.end());
    GlSink sink;
    for (const std::string& name : groupNames) {
        const auto group = groups.find(name);
        if (group == groups.end()) continue;  // no group, no call
        const unsigned mode =
            OBJ_DRAW_MATERIAL | OBJ_DRAW_NORMALS | (textured.count(name) ? OBJ_DRAW_TEXCOORDS : 0u);
        EmitObjGroup(model, group->second, mode, sink);
    }
    glPopMatrix();
    glEndList();
}

unsigned LoadModelTexture(const std::string& path)
{
    if (!IsRegularFile(path)) return 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return 0;
    PngTextureInfo info;
    const unsigned texture =
        BindPngTextureFile(file, PNG_NOMIPMAP, PNG_SOLID, &info, GL_REPEAT, GL_NEAREST, GL_NEAREST);
    std::fclose(file);
    return texture;
}

}  // namespace oxv
