#include <limits>
#include <new>
#include <string>
#include <unordered_map>

#include "model/ModelFiles.h"
#include "model/ObjModel.h"
#include "base/TextScan.h"

namespace oxv {

namespace {

using scan::Cursor;
using scan::FirstWord;

std::FILE* g_messageStream = nullptr;

constexpr uint64_t kMaxCount = std::numeric_limits<uint32_t>::max() - 1;

// The format of every corner of a face, decided by its first corner.
enum class FaceFormat { VertexNormal, VertexTexNormal, VertexTex, Vertex };

// One corner as the face's format reads it. The same record serves every
// corner of a face, so a corner that reads fewer numbers keeps the rest from
// the corner before (a two-corner face repeats its second corner).
struct Corner {
    int32_t v = 0;
    int32_t t = 0;
    int32_t n = 0;
};

// How many numbers of the format were read.
int ReadCorner(Cursor& c, FaceFormat format, Corner& corner)
{
    if (!c.Int(corner.v)) return 0;
    switch (format) {
    case FaceFormat::Vertex:
        return 1;
    case FaceFormat::VertexNormal:
        if (!c.Literal('/') || !c.Literal('/') || !c.Int(corner.n)) return 1;
        return 2;
    case FaceFormat::VertexTex:
        if (!c.Literal('/') || !c.Int(corner.t)) return 1;
        return 2;
    case FaceFormat::VertexTexNormal:
        if (!c.Literal('/') || !c.Int(corner.t)) return 1;
        if (!c.Literal('/') || !c.Int(corner.n)) return 2;
        return 3;
    }
    return 0;
}

FaceFormat ClassifyFirstCorner(std::string_view word, Corner& first)
{
    if (word.find("//") != std::string_view::npos) {
        Cursor c(word);
        ReadCorner(c, FaceFormat::VertexNormal, first);
        return FaceFormat::VertexNormal;
    }
    Corner probe;
    Cursor three(word);
    if (ReadCorner(three, FaceFormat::VertexTexNormal, probe) == 3) {
        first = probe;
        return FaceFormat::VertexTexNormal;
    }
    probe = Corner{};
    Cursor two(word);
    if (ReadCorner(two, FaceFormat::VertexTex, probe) == 2) {
        first = probe;
        return FaceFormat::VertexTex;
    }
    Cursor one(word);
    ReadCorner(one, FaceFormat::Vertex, first);
    return FaceFormat::Vertex;
}

void SetCorner(ObjTriangle& tri, int k, FaceFormat format, const Corner& c)
{
    tri.vertex[k] = c.v;
    if (format == FaceFormat::VertexNormal || format == FaceFormat::VertexTexNormal) tri.normal[k] = c.n;
    if (format == FaceFormat::VertexTex || format == FaceFormat::VertexTexNormal) tri.texcoord[k] = c.t;
}

// Reads the face after its keyword and hands each triangle of its fan to
// `emit`. Both passes parse faces with this one routine, so they agree on
// where a face ends and how many triangles it makes.
template <typename Emit>
void ParseFace(Cursor& c, Emit&& emit)
{
    Corner first;
    const FaceFormat format = ClassifyFirstCorner(c.Word(), first);
    Corner corner = first;
    ObjTriangle tri;
    SetCorner(tri, 0, format, first);
    ReadCorner(c, format, corner);
    SetCorner(tri, 1, format, corner);
    ReadCorner(c, format, corner);
    SetCorner(tri, 2, format, corner);
    emit(tri);
    while (ReadCorner(c, format, corner) > 0) {
        ObjTriangle next;
        SetCorner(next, 0, format, first);
        next.vertex[1] = tri.vertex[2];
        next.normal[1] = tri.normal[2];
        next.texcoord[1] = tri.texcoord[2];
        SetCorner(next, 2, format, corner);
        tri = next;
        emit(tri);
    }
}

std::string_view GroupNameOf(std::string_view rest)
{
    const std::string_view name = FirstWord(rest);
    // A bare `g` selects the group of faces outside any named group.
    return name.empty() ? std::string_view("default") : name;
}

using GroupIndex = std::unordered_map<std::string_view, ObjGroup*>;

GroupIndex IndexGroups(const ObjModel& model)
{
    GroupIndex index;
    for (ObjGroup* g = model.groups; g; g = g->next) index.emplace(g->name, g);
    return index;
}

ObjGroup* AddGroup(ObjModel& model, GroupIndex& index, std::string_view name)
{
    auto* group = new ObjGroup;
    group->name = std::string(name);
    group->next = model.groups;
    model.groups = group;
    index.emplace(group->name, group);
    return group;
}

// Parses the numbers after `v`, `vn` or `vt` into `slot` (three or two
// floats, stopping at the first that does not parse).
void ReadFloats(Cursor& c, float* slot, int n)
{
    for (int i = 0; i < n; ++i)
        if (!c.Number(slot[i])) return;
}

std::string DirectoryOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Both passes over a material library; the counting pass only counts the
// `newmtl` lines but consumes the text exactly as the filling pass does.
template <bool Fill>
uint64_t ParseMaterialText(std::string_view text, std::vector<ObjMaterial>* table)
{
    Cursor c(text);
    uint64_t count = 1;
    size_t current = 0;
    float pendingAlpha = 1.0f;
    float scratch[4] = {0, 0, 0, 0};
    auto currentMaterial = [&]() -> ObjMaterial* {
        if constexpr (Fill) return current < table->size() ? &(*table)[current] : nullptr;
        return nullptr;
    };
    for (;;) {
        const std::string_view word = c.Word();
        if (word.empty()) break;
        switch (word[0]) {
        case 'n': {
            const std::string_view name = FirstWord(c.RestOfLine());
            ++count;
            ++current;
            if (ObjMaterial* m = currentMaterial()) m->name = std::string(name);
            break;
        }
        case 'K': {
            ObjMaterial* m = currentMaterial();
            float* target = scratch;
            const char which = word.size() > 1 ? word[1] : '\0';
            if (which == 'a') target = m ? m->ambient : scratch;
            else if (which == 'd') target = m ? m->diffuse : scratch;
            else if (which == 's') target = m ? m->specular : scratch;
            else {
                c.SkipLine();
                break;
            }
            ReadFloats(c, target, 3);
            break;
        }
        case 'N': {
            // Ns (and, by its first letter, Ni): 0..1000 in the file, 0..128 for OpenGL.
            ObjMaterial* m = currentMaterial();
            float& shininess = m ? m->shininess : scratch[0];
            (void)c.Number(shininess);  // no number: the value stays
            shininess /= 1000.0f;
            shininess *= 128.0f;
            break;
        }
        case 'd': {
            (void)c.Number(pendingAlpha);  // no number: the value stays
            if (ObjMaterial* m = currentMaterial()) m->ambient[3] = m->diffuse[3] = m->specular[3] = pendingAlpha;
            break;
        }
        default:
            c.SkipLine();
            break;
        }
    }
    return count;
}

// The filling pass looks materials up by name often; the index keeps the
// first material of each name, as the linear search from 0 upwards finds it.
class MaterialIndex {
public:
    explicit MaterialIndex(const ObjModel& model) : m_model(model)
    {
        for (uint32_t i = 0; i < model.materialCount; ++i) m_index.emplace(model.materials[i].name, i);
    }
    uint32_t Find(std::string_view name) const
    {
        const auto it = m_index.find(name);
        return it != m_index.end() ? it->second : FindObjMaterial(m_model, name);
    }

private:
    const ObjModel& m_model;
    std::unordered_map<std::string_view, uint32_t> m_index;
};

}  // namespace

ObjModel::~ObjModel()
{
    // Iteratively: a hostile file can hold a million groups.
    while (groups) {
        ObjGroup* next = groups->next;
        delete groups;
        groups = next;
    }
}

void ObjModelDeleter::operator()(ObjModel* model) const { FreeObjModel(model); }

void FreeObjModel(ObjModel* model) { delete model; }

void SetObjMessageStream(std::FILE* stream) { g_messageStream = stream; }

bool ReadMaterialLibrary(ObjModel& model, const std::string& libraryName)
{
    ImageBlock block;
    if (!ReadModelFile(DirectoryOf(model.path) + libraryName, block)) return false;
    const std::string_view text(reinterpret_cast<const char*>(block.Data()), block.Size());
    const uint64_t count = ParseMaterialText<false>(text, nullptr);
    if (count > kMaxCount) return false;
    std::vector<ObjMaterial> table(static_cast<size_t>(count));
    table[0].name = "default";
    ParseMaterialText<true>(text, &table);
    model.materials = std::move(table);
    model.materialCount = static_cast<uint32_t>(count);
    return true;
}

bool CountObjFile(ObjModel& model, std::string_view text)
{
    GroupIndex index = IndexGroups(model);
    ObjGroup* current = index.count("default") ? index["default"] : AddGroup(model, index, "default");
    uint64_t vertices = 0, normals = 0, texcoords = 0, triangles = 0;
    float scratch[3];
    // Each library read replaces the table and nothing looks materials up
    // before the filling pass, so the table is that of the last library
    // that can be read: trying them from the last backwards gives the same
    // table without reading a library once per `mtllib` line.
    std::vector<std::string_view> libraries;
    Cursor c(text);
    for (;;) {
        const std::string_view word = c.Word();
        if (word.empty()) break;
        switch (word[0]) {
        case 'f':
            ParseFace(c, [&](const ObjTriangle&) {
                ++triangles;
                if (current->triangleCount < std::numeric_limits<uint32_t>::max()) ++current->triangleCount;
            });
            break;
        case 'g': {
            const std::string_view name = GroupNameOf(c.RestOfLine());
            const auto it = index.find(name);
            current = it != index.end() ? it->second : AddGroup(model, index, name);
            break;
        }
        case 'm':
            libraries.push_back(FirstWord(c.RestOfLine()));
            break;
        case 'v':
            // Read like the filling pass reads them, so both passes stay in step.
            if (word.size() == 1) {
                ++vertices;
                ReadFloats(c, scratch, 3);
            } else if (word[1] == 'n') {
                ++normals;
                ReadFloats(c, scratch, 3);
            } else if (word[1] == 't') {
                ++texcoords;
                ReadFloats(c, scratch, 2);
            } else {
                c.SkipLine();  // vp and other v-keywords carry nothing we draw
            }
            break;
        default:
            c.SkipLine();
            break;
        }
    }
    for (auto it = libraries.rbegin(); it != libraries.rend(); ++it)
        if (ReadMaterialLibrary(model, std::string(*it))) break;
    if (vertices > kMaxCount || normals > kMaxCount || texcoords > kMaxCount || triangles > kMaxCount) return false;
    model.vertexCount = static_cast<uint32_t>(vertices);
    model.normalCount = static_cast<uint32_t>(normals);
    model.texcoordCount = static_cast<uint32_t>(texcoords);
    model.triangleCount = static_cast<uint32_t>(triangles);
    for (ObjGroup* g = model.groups; g; g = g->next) {
        g->triangleList = std::vector<uint32_t>(g->triangleCount);
        g->triangleCount = 0;
    }
    return true;
}

void FillObjModel(ObjModel& model, std::string_view text)
{
    const GroupIndex index = IndexGroups(model);
    const MaterialIndex materials(model);
    const auto defaultGroup = index.find("default");
    if (defaultGroup == index.end()) return;
    ObjGroup* current = defaultGroup->second;
    uint32_t material = 0;
    uint32_t nextVertex = 1, nextNormal = 1, nextTexcoord = 1, nextTriangle = 0;
    float scratch[3];
    Cursor c(text);
    for (;;) {
        const std::string_view word = c.Word();
        if (word.empty()) break;
        switch (word[0]) {
        case 'f':
            ParseFace(c, [&](const ObjTriangle& tri) {
                // The passes parse alike; the bounds only guard the arrays.
                if (nextTriangle >= model.triangleCount) return;
                model.triangles[nextTriangle] = tri;
                if (current->triangleCount < current->triangleList.size())
                    current->triangleList[current->triangleCount++] = nextTriangle;
                ++nextTriangle;
            });
            break;
        case 'g': {
            const auto it = index.find(GroupNameOf(c.RestOfLine()));
            if (it != index.end()) {
                current = it->second;
                current->material = material;
            }
            break;
        }
        case 'u':
            material = materials.Find(FirstWord(c.RestOfLine()));
            current->material = material;
            break;
        case 'v':
            if (word.size() == 1) {
                float* slot = nextVertex <= model.vertexCount ? &model.vertices[size_t{nextVertex++} * 3] : scratch;
                ReadFloats(c, slot, 3);
            } else if (word[1] == 'n') {
                float* slot = nextNormal <= model.normalCount ? &model.normals[size_t{nextNormal++} * 3] : scratch;
                ReadFloats(c, slot, 3);
            } else if (word[1] == 't') {
                float* slot =
                    nextTexcoord <= model.texcoordCount ? &model.texcoords[size_t{nextTexcoord++} * 2] : scratch;
                ReadFloats(c, slot, 2);
            } else {
                c.SkipLine();
            }
            break;
        default:
            c.SkipLine();
            break;
        }
    }
}

ObjModelPtr ReadObjModel(const std::string& path)
{
    ImageBlock block;
    if (!ReadModelFile(path, block)) return nullptr;
    const std::string_view text(reinterpret_cast<const char*>(block.Data()), block.Size());
    try {
        ObjModelPtr model(new ObjModel);
        model->path = path;
        if (!CountObjFile(*model, text)) return nullptr;
        model->vertices = std::vector<float>((size_t{model->vertexCount} + 1) * 3);
        model->triangles = std::vector<ObjTriangle>(model->triangleCount);
        if (model->normalCount != 0) model->normals = std::vector<float>((size_t{model->normalCount} + 1) * 3);
        if (model->texcoordCount != 0) model->texcoords = std::vector<float>((size_t{model->texcoordCount} + 1) * 2);
        FillObjModel(*model, text);
        return model;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void ScaleObjModel(ObjModel& model, float factor)
{
    const size_t end = (size_t{model.vertexCount} + 1) * 3;
    for (size_t i = 3; i < end && i < model.vertices.size(); ++i) model.vertices[i] *= factor;
}

ObjGroup* FindObjGroup(const ObjModel& model, std::string_view name)
{
    for (ObjGroup* g = model.groups; g; g = g->next)
        if (g->name == name) return g;
    return nullptr;
}

uint32_t FindObjMaterial(const ObjModel& model, std::string_view name)
{
    for (uint32_t i = 0; i < model.materialCount && i < model.materials.size(); ++i)
        if (model.materials[i].name == name) return i;
    const std::string printable(name);
    std::fprintf(g_messageStream ? g_messageStream : stdout, "FindObjMaterial():  can't find material \"%s\".\n",
                 printable.c_str());
    return 0;
}

}  // namespace oxv
