// The reader against OBJ files nobody here wrote: the test models Debian
// ships with its asset-import library (package assimp-testmodels), checked
// against a plain line-by-line count of the same files.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/ModelTestSupport.h"
#include "model/ObjGroupEmitter.h"
#include "model/ObjModel.h"

namespace oxv {
namespace {

const std::filesystem::path kModels = "/usr/share/assimp/models/OBJ";

struct LineCount {
    uint32_t vertices = 0, normals = 0, texcoords = 0, triangles = 0;
    std::map<std::string, uint32_t> groupTriangles{{"default", 0}};
    std::map<std::string, std::string> groupMaterial{{"default", ""}};
    std::vector<std::string> libraries;
};

std::string FirstWordOf(std::istringstream& words)
{
    std::string w;
    words >> w;
    return w.substr(0, 127);
}

// Every statement on its own line, one face per line: true of these files.
LineCount CountLines(const std::filesystem::path& path)
{
    LineCount c;
    std::ifstream in(path, std::ios::binary);
    std::string line, group = "default", material;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        if (!(words >> key)) continue;
        if (key == "v") ++c.vertices;
        else if (key == "vn") ++c.normals;
        else if (key == "vt") ++c.texcoords;
        else if (key == "f") {
            int corners = 0;
            std::string corner;
            while (words >> corner) ++corners;
            const uint32_t triangles = corners >= 3 ? static_cast<uint32_t>(corners - 2) : 1;
            c.triangles += triangles;
            c.groupTriangles[group] += triangles;
        } else if (key == "g") {
            group = FirstWordOf(words);
            if (group.empty()) group = "default";
            c.groupTriangles[group] += 0;
            c.groupMaterial[group] = material;
        } else if (key == "usemtl") {
            material = FirstWordOf(words);
            c.groupMaterial[group] = material;
        } else if (key == "mtllib") {
            c.libraries.push_back(FirstWordOf(words));
        }
    }
    return c;
}

uint32_t CountNewmtl(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string line;
    uint32_t n = 0;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        if (words >> key && key[0] == 'n') ++n;
    }
    return n;
}

std::vector<std::filesystem::path> ModelFiles()
{
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(kModels, ec))
        if (entry.path().extension() == ".obj") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(ObjRealModels, CountsGroupsAndMaterialsAgreeWithALineCount)
{
    const auto files = ModelFiles();
    if (files.empty()) GTEST_SKIP() << "assimp-testmodels is not installed (scripts/install-deps installs it)";
    int checked = 0;
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        test::ReaderMessages quiet;
        const ObjModelPtr m = ReadObjModel(path.string());
        ASSERT_TRUE(m);
        if (path.filename() == "box_UTF16BE.obj") {
            EXPECT_EQ(m->vertexCount, 0u) << "UTF-16 text holds no keyword the reader knows";
            continue;
        }
        const LineCount expected = CountLines(path);
        EXPECT_EQ(m->vertexCount, expected.vertices);
        EXPECT_EQ(m->normalCount, expected.normals);
        EXPECT_EQ(m->texcoordCount, expected.texcoords);
        EXPECT_EQ(m->triangleCount, expected.triangles);

        std::map<std::string, uint32_t> groups;
        for (const ObjGroup* g = m->groups; g; g = g->next) {
            groups[g->name] = g->triangleCount;
            EXPECT_EQ(g->triangleCount, g->triangleList.size()) << g->name;
            const auto material = expected.groupMaterial.find(g->name);
            ASSERT_NE(material, expected.groupMaterial.end()) << g->name;
            uint32_t expectedMaterial = 0;
            for (uint32_t i = 0; i < m->materialCount; ++i)
                if (m->materials[i].name == material->second) {
                    expectedMaterial = i;
                    break;
                }
            EXPECT_EQ(g->material, expectedMaterial) << g->name << " uses " << material->second;
            // Files with faces for every group draw every triangle.
            test::CallRecorder calls;
            EXPECT_EQ(EmitObjGroup(*m, g->name, OBJ_DRAW_MATERIAL | OBJ_DRAW_NORMALS | OBJ_DRAW_TEXCOORDS, calls), 0u)
                << g->name;
        }
        EXPECT_EQ(groups, expected.groupTriangles);

        uint32_t materials = 0;
        for (const std::string& library : expected.libraries)
            if (std::filesystem::is_regular_file(kModels / library)) materials = 1 + CountNewmtl(kModels / library);
        EXPECT_EQ(m->materialCount, materials);
        ++checked;
    }
    EXPECT_GE(checked, 20);
}

TEST(ObjRealModels, SpiderKeepsItsFaceIndicesAndMaterialColors)
{
    const auto path = kModels / "spider.obj";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "assimp-testmodels is not installed";
    test::ReaderMessages quiet;
    const ObjModelPtr m = ReadObjModel(path.string());
    ASSERT_TRUE(m);
    ASSERT_EQ(m->materialCount, 6u);
    EXPECT_EQ(m->materials[1].name, "Skin");
    EXPECT_FLOAT_EQ(m->materials[1].diffuse[0], 0.827451f);
    EXPECT_FLOAT_EQ(m->materials[1].ambient[2], 0.2f);
    // Every corner of these v/t/n faces names a vertex, a normal and a
    // texture coordinate.
    for (const ObjTriangle& t : m->triangles)
        for (int k = 0; k < 3; ++k) {
            ASSERT_GE(t.vertex[k], 1);
            ASSERT_GE(t.normal[k], 1);
            ASSERT_GE(t.texcoord[k], 1);
        }
}

}  // namespace
}  // namespace oxv
