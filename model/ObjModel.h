#pragma once

// The vehicle's polygon model as read from a Wavefront OBJ file and its MTL
// material library. Every array is allocated once at its exact size: a
// counting pass over the file sizes them, a filling pass fills them.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace oxv {

// One triangle after fan splitting: per corner, in corner order, the 1-based
// indices as written in the file. An index the face's format does not carry
// is 0.
struct ObjTriangle {
    int32_t vertex[3] = {0, 0, 0};
    int32_t normal[3] = {0, 0, 0};
    int32_t texcoord[3] = {0, 0, 0};
};

struct ObjMaterial {
    std::string name;
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float shininess = 0.0f;  // already in OpenGL's 0..128 range
};

// A named group: the triangles it holds (indices into the model's triangle
// array, in file order) and its one material (index into the table).
struct ObjGroup {
    std::string name;
    uint32_t triangleCount = 0;
    std::vector<uint32_t> triangleList;  // sized by the counting pass
    uint32_t material = 0;
    ObjGroup* next = nullptr;
};

struct ObjModel {
    ObjModel() = default;
    ~ObjModel();
    ObjModel(const ObjModel&) = delete;
    ObjModel& operator=(const ObjModel&) = delete;

    std::string path;  // its directory locates the material library

    // Slot 0 of each array is unused: OBJ indices are 1-based and address
    // the slots directly.
    uint32_t vertexCount = 0;
    std::vector<float> vertices;  // 3 × (vertexCount + 1)
    uint32_t normalCount = 0;
    std::vector<float> normals;  // 3 × (normalCount + 1), empty when none
    uint32_t texcoordCount = 0;
    std::vector<float> texcoords;  // 2 × (texcoordCount + 1), empty when none

    uint32_t triangleCount = 0;
    std::vector<ObjTriangle> triangles;

    uint32_t materialCount = 0;  // 0 while no library was read
    std::vector<ObjMaterial> materials;  // entry 0 is "default"

    // Newest group first; the list ends with "default".
    ObjGroup* groups = nullptr;
};

struct ObjModelDeleter {
    void operator()(ObjModel* model) const;
};
using ObjModelPtr = std::unique_ptr<ObjModel, ObjModelDeleter>;

// Null when the file cannot be opened or read (or the model would not fit
// in memory). Nothing is printed on failure.
ObjModelPtr ReadObjModel(const std::string& path);

// Releases the model with its arrays, materials and groups.
void FreeObjModel(ObjModel* model);

// Multiplies every vertex slot 1 … vertexCount by the factor.
void ScaleObjModel(ObjModel& model, float factor);

// The first group in list order with exactly this name, or null.
ObjGroup* FindObjGroup(const ObjModel& model, std::string_view name);

// Index of the first material with exactly this name. When there is none it
// says so on the reader's message stream and returns 0.
uint32_t FindObjMaterial(const ObjModel& model, std::string_view name);

// Where the reader's one message goes: standard output unless changed (a
// tool printing JSON on standard output moves it to standard error).
void SetObjMessageStream(std::FILE* stream);

// Internal steps of ReadObjModel, exposed for the tests: the counting pass
// and the filling pass over the file's text, and the material library.
[[nodiscard]] bool CountObjFile(ObjModel& model, std::string_view text);
void FillObjModel(ObjModel& model, std::string_view text);
// Replaces the material table with the library's; false (table kept) when
// the library cannot be read.
[[nodiscard]] bool ReadMaterialLibrary(ObjModel& model, const std::string& libraryName);

}  // namespace oxv
