#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/ModelTestSupport.h"
#include "model/ObjGroupEmitter.h"
#include "model/ObjModel.h"
#include "tests/support/ScratchDir.h"

namespace oxv {
namespace {

class ObjReader : public ::testing::Test {
protected:
    ObjModelPtr Read(const std::string& obj, const std::string& mtl = "")
    {
        if (!mtl.empty()) test::WriteText(dir.File("m.mtl"), mtl);
        test::WriteText(dir.File("m.obj"), obj);
        return ReadObjModel(dir.File("m.obj"));
    }

    static std::vector<std::string> GroupNames(const ObjModel& m)
    {
        std::vector<std::string> names;
        for (const ObjGroup* g = m.groups; g; g = g->next) names.push_back(g->name);
        return names;
    }

    static std::vector<uint32_t> List(const ObjGroup* g)
    {
        return std::vector<uint32_t>(g->triangleList.begin(), g->triangleList.begin() + g->triangleCount);
    }

    static std::vector<int32_t> Vertices(const ObjTriangle& t) { return {t.vertex[0], t.vertex[1], t.vertex[2]}; }
    static std::vector<int32_t> Normals(const ObjTriangle& t) { return {t.normal[0], t.normal[1], t.normal[2]}; }
    static std::vector<int32_t> Texcoords(const ObjTriangle& t)
    {
        return {t.texcoord[0], t.texcoord[1], t.texcoord[2]};
    }

    // Every group's list is filled exactly to its counted size and the
    // lists together hold every triangle once.
    static void ExpectExactLists(const ObjModel& m)
    {
        uint64_t total = 0;
        for (const ObjGroup* g = m.groups; g; g = g->next) {
            EXPECT_EQ(g->triangleCount, g->triangleList.size()) << g->name;
            EXPECT_EQ(g->triangleList.capacity(), g->triangleList.size()) << g->name;
            total += g->triangleCount;
        }
        EXPECT_EQ(total, m.triangleCount);
        EXPECT_EQ(m.vertices.size(), (size_t{m.vertexCount} + 1) * 3);
        EXPECT_EQ(m.normals.size(), m.normalCount ? (size_t{m.normalCount} + 1) * 3 : 0);
        EXPECT_EQ(m.texcoords.size(), m.texcoordCount ? (size_t{m.texcoordCount} + 1) * 2 : 0);
        EXPECT_EQ(m.triangles.size(), m.triangleCount);
    }

    test::ScratchDir dir;
};

constexpr const char* kFourVertices = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\n";

TEST_F(ObjReader, WithoutGroupsEverythingIsDefaultAndSlotZeroStaysUnused)
{
    auto m = Read(std::string(kFourVertices) + "vn 0 0 1\nvt 0.25 0.75\nf 1 2 3\nf 1 3 4\n");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->path, dir.File("m.obj"));
    EXPECT_EQ(m->vertexCount, 5u);
    EXPECT_EQ(m->normalCount, 1u);
    EXPECT_EQ(m->texcoordCount, 1u);
    EXPECT_EQ(GroupNames(*m), std::vector<std::string>{"default"});
    EXPECT_EQ(List(m->groups), (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(m->materialCount, 0u);
    EXPECT_TRUE(m->materials.empty());
    EXPECT_EQ(m->vertices[6], 1.0f);  // vertex 2's x
    EXPECT_EQ(m->texcoords[2], 0.25f);
    EXPECT_EQ(m->texcoords[3], 0.75f);
    ExpectExactLists(*m);

    m->vertices[0] = 7.0f;
    ScaleObjModel(*m, 0.01f);
    EXPECT_EQ(m->vertices[0], 7.0f) << "slot 0 is not a vertex";
    EXPECT_FLOAT_EQ(m->vertices[6], 0.01f);
    EXPECT_FLOAT_EQ(m->vertices[17], 0.01f);  // vertex 5's z
    EXPECT_EQ(m->normals[5], 1.0f) << "normals are not scaled";
}

TEST_F(ObjReader, GroupsCollectTheirStretchesAndTakeTheLastMaterial)
{
    const std::string mtl = "newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 1\n";
    auto m = Read("mtllib m.mtl\n" + std::string(kFourVertices) +
                      "f 1 2 3\n"          // 0: before any g
                      "g body\nf 1 2 3 4\n"  // 1, 2
                      "g rotor\nusemtl red\nf 2 3 4\n"  // 3
                      "g body\nf 4 3 2\n"               // 4: body again, red is current
                      "g rotor\nusemtl blue\n",
                  mtl);
    ASSERT_TRUE(m);
    EXPECT_EQ(GroupNames(*m), (std::vector<std::string>{"rotor", "body", "default"})) << "newest first";
    const ObjGroup* body = FindObjGroup(*m, "body");
    const ObjGroup* rotor = FindObjGroup(*m, "rotor");
    ASSERT_TRUE(body && rotor);
    EXPECT_EQ(List(body), (std::vector<uint32_t>{1, 2, 4}));
    EXPECT_EQ(List(rotor), (std::vector<uint32_t>{3}));
    EXPECT_EQ(List(FindObjGroup(*m, "default")), (std::vector<uint32_t>{0}));
    EXPECT_EQ(body->material, 1u) << "set by its last g line while red was current";
    EXPECT_EQ(rotor->material, 2u) << "the usemtl after its last g line";
    EXPECT_EQ(FindObjGroup(*m, "default")->material, 0u);
    EXPECT_EQ(FindObjGroup(*m, "Body"), nullptr) << "names compare case-sensitively";
    ExpectExactLists(*m);
}

TEST_F(ObjReader, PolygonsBecomeFansWithTheirIndicesFollowingTheCorners)
{
    auto m = Read(std::string(kFourVertices) +
                  "f 1 2 3 4 5\n"
                  "f 1/11/21 2/12/22 3/13/23 4/14/24\n"
                  "f 1//4 2//5 3//6\n"
                  "f 1/7 2/8 3/9\n");
    ASSERT_TRUE(m);
    ASSERT_EQ(m->triangleCount, 7u);
    const auto& t = m->triangles;
    EXPECT_EQ(Vertices(t[0]), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(Vertices(t[1]), (std::vector<int32_t>{1, 3, 4}));
    EXPECT_EQ(Vertices(t[2]), (std::vector<int32_t>{1, 4, 5}));
    EXPECT_EQ(Normals(t[2]), (std::vector<int32_t>{0, 0, 0})) << "a plain face carries only vertices";
    EXPECT_EQ(Texcoords(t[3]), (std::vector<int32_t>{11, 12, 13})) << "v/t/n: the middle number is the texture index";
    EXPECT_EQ(Normals(t[3]), (std::vector<int32_t>{21, 22, 23}));
    EXPECT_EQ(Vertices(t[4]), (std::vector<int32_t>{1, 3, 4}));
    EXPECT_EQ(Texcoords(t[4]), (std::vector<int32_t>{11, 13, 14}));
    EXPECT_EQ(Normals(t[4]), (std::vector<int32_t>{21, 23, 24}));
    EXPECT_EQ(Normals(t[5]), (std::vector<int32_t>{4, 5, 6}));
    EXPECT_EQ(Texcoords(t[5]), (std::vector<int32_t>{0, 0, 0}));
    EXPECT_EQ(Texcoords(t[6]), (std::vector<int32_t>{7, 8, 9}));
    EXPECT_EQ(Normals(t[6]), (std::vector<int32_t>{0, 0, 0}));
}

TEST_F(ObjReader, FaceEndsAtTheFirstCornerThatDoesNotReadAndCornersCrossLineEnds)
{
    auto m = Read(std::string(kFourVertices) +
                  "f 1 2\n"         // two corners: the third repeats the second
                  "f 3 4\n5\n"      // corners continue on the next line
                  "f 1 2 3 # note\n");
    ASSERT_TRUE(m);
    ASSERT_EQ(m->triangleCount, 3u);
    EXPECT_EQ(Vertices(m->triangles[0]), (std::vector<int32_t>{1, 2, 2}));
    EXPECT_EQ(Vertices(m->triangles[1]), (std::vector<int32_t>{3, 4, 5}));
    EXPECT_EQ(Vertices(m->triangles[2]), (std::vector<int32_t>{1, 2, 3}));
}

// The filling pass reads a vertex's numbers across the line end; the
// counting pass reads them the same way, so the face that follows on that
// line is counted before it is stored.
TEST_F(ObjReader, BothPassesReadNumbersAcrossLineEndsAlike)
{
    auto m = Read("v 0 0\n1 f 1 2 3\nv 2 2 2\nv 3 3 3 4 f 1 2 3\n");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->vertexCount, 3u);
    EXPECT_EQ(m->vertices[5], 1.0f);
    EXPECT_EQ(m->triangleCount, 1u);
    ExpectExactLists(*m);
}

TEST_F(ObjReader, MaterialLibraryReadsColorsShininessAndAlpha)
{
    const std::string mtl =
        "# library\n"
        "newmtl shiny extra words\n"
        "Ka 0.1 0.2 0.3\nKd 0.4 0.5 0.6\nKs 0.7 0.8 0.9\nKe 5 5 5\n"
        "Ns 96\n"
        "newmtl glass\n"
        "d 0.5\n"
        "Ns 96\nNi 1.45\n"
        "illum 2\nmap_Kd tex.png\n"
        "newmtl plain\n";
    auto m = Read("mtllib m.mtl\n" + std::string(kFourVertices) + "usemtl glass\nf 1 2 3\n", mtl);
    ASSERT_TRUE(m);
    ASSERT_EQ(m->materialCount, 4u);
    ASSERT_EQ(m->materials.size(), 4u);
    const ObjMaterial& def = m->materials[0];
    EXPECT_EQ(def.name, "default");
    EXPECT_EQ(std::vector<float>(def.diffuse, def.diffuse + 4), (std::vector<float>{0.8f, 0.8f, 0.8f, 1.0f}));
    EXPECT_EQ(std::vector<float>(def.ambient, def.ambient + 4), (std::vector<float>{0.2f, 0.2f, 0.2f, 1.0f}));
    EXPECT_EQ(std::vector<float>(def.specular, def.specular + 4), (std::vector<float>{0.0f, 0.0f, 0.0f, 1.0f}));
    const ObjMaterial& shiny = m->materials[1];
    EXPECT_EQ(shiny.name, "shiny") << "the first word names the material";
    EXPECT_EQ(std::vector<float>(shiny.ambient, shiny.ambient + 4), (std::vector<float>{0.1f, 0.2f, 0.3f, 1.0f}));
    EXPECT_EQ(std::vector<float>(shiny.diffuse, shiny.diffuse + 4), (std::vector<float>{0.4f, 0.5f, 0.6f, 1.0f}));
    EXPECT_EQ(std::vector<float>(shiny.specular, shiny.specular + 4), (std::vector<float>{0.7f, 0.8f, 0.9f, 1.0f}));
    EXPECT_FLOAT_EQ(shiny.shininess, 12.288f);
    const ObjMaterial& glass = m->materials[2];
    EXPECT_FLOAT_EQ(glass.shininess, 0.1856f) << "Ni is read as the N line and overrides Ns";
    EXPECT_EQ(glass.ambient[3], 0.5f);
    EXPECT_EQ(glass.diffuse[3], 0.5f);
    EXPECT_EQ(glass.specular[3], 0.5f);
    EXPECT_EQ(shiny.diffuse[3], 1.0f) << "d sets the current material only";
    EXPECT_EQ(m->materials[3].diffuse[3], 1.0f);
    EXPECT_EQ(m->groups->material, 2u);
    EXPECT_EQ(FindObjMaterial(*m, "plain"), 3u);
}

TEST_F(ObjReader, LaterLibraryReplacesTheTable)
{
    test::WriteText(dir.File("a.mtl"), "newmtl a1\nnewmtl a2\n");
    test::WriteText(dir.File("b.mtl"), "newmtl b1\n");
    test::WriteText(dir.File("m.obj"), std::string("mtllib a.mtl\nmtllib b.mtl\n") + kFourVertices);
    auto m = ReadObjModel(dir.File("m.obj"));
    ASSERT_TRUE(m);
    ASSERT_EQ(m->materialCount, 2u);
    EXPECT_EQ(m->materials[1].name, "b1");

    test::WriteText(dir.File("m.obj"), std::string("mtllib a.mtl\nmtllib missing.mtl\n") + kFourVertices);
    m = ReadObjModel(dir.File("m.obj"));
    ASSERT_TRUE(m);
    ASSERT_EQ(m->materialCount, 3u) << "a library that cannot be read leaves the table as it was";
    EXPECT_EQ(m->materials[2].name, "a2");
}

TEST_F(ObjReader, UnknownMaterialIsReportedAndGivesMaterialZero)
{
    test::ReaderMessages messages;
    auto m = Read("mtllib m.mtl\n" + std::string(kFourVertices) + "g hull\nusemtl nosuch\nf 1 2 3\n",
                  "newmtl red\n");
    ASSERT_TRUE(m);
    EXPECT_EQ(messages.Text(), "FindObjMaterial():  can't find material \"nosuch\".\n");
    EXPECT_EQ(FindObjGroup(*m, "hull")->material, 0u);
}

TEST_F(ObjReader, MissingLibraryLeavesNoTableAndEveryNameUnknown)
{
    test::ReaderMessages messages;
    auto m = Read("mtllib absent.mtl\n" + std::string(kFourVertices) + "usemtl red\nf 1 2 3\nusemtl blue\n");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->materialCount, 0u);
    EXPECT_EQ(messages.Text(), "FindObjMaterial():  can't find material \"red\".\n"
                               "FindObjMaterial():  can't find material \"blue\".\n");
    EXPECT_EQ(m->groups->material, 0u);
}

TEST_F(ObjReader, MissingModelFileGivesNull)
{
    EXPECT_EQ(ReadObjModel(dir.File("nothing.obj")), nullptr);
    EXPECT_EQ(ReadObjModel(dir.Path().string()), nullptr) << "a folder is not a model";
    ASSERT_EQ(mkfifo(dir.File("pipe.obj").c_str(), 0600), 0);
    EXPECT_EQ(ReadObjModel(dir.File("pipe.obj")), nullptr) << "a pipe with no writer would block the open";
}

TEST_F(ObjReader, PathWithoutFolderFindsTheLibraryInTheCurrentFolder)
{
    test::WriteText(dir.File("here.mtl"), "newmtl here\n");
    test::WriteText(dir.File("here.obj"), "mtllib here.mtl\nv 0 0 0\n");
    char previous[4096];
    ASSERT_TRUE(getcwd(previous, sizeof previous));
    ASSERT_EQ(chdir(dir.Path().c_str()), 0);
    auto m = ReadObjModel("here.obj");
    ASSERT_EQ(chdir(previous), 0);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->materialCount, 2u);
}

TEST_F(ObjReader, OtherVKeywordsAreSkippedInBothPasses)
{
    auto m = Read("v 0 0 0\nvp 0.5 0.5\nv 1 0 0\nvx 9 9 9\nv 0 1 0\nvn 0 0 1\nvt 0 1\nf 1 2 3\n");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->vertexCount, 3u);
    EXPECT_EQ(m->normalCount, 1u);
    EXPECT_EQ(m->texcoordCount, 1u);
    EXPECT_EQ(m->triangleCount, 1u);
    EXPECT_EQ(m->vertices[10], 1.0f) << "vertex 3 is (0, 1, 0), not shifted by the vp line";
    ExpectExactLists(*m);
}

TEST_F(ObjReader, LongWordsLongLinesCarriageReturnsAndNoFinalNewline)
{
    const std::string longName(300, 'x');
    const std::string comment = "# " + std::string(200, '-') + " v 9 9 9 f 1 2 3\n";
    auto m = Read(comment + "v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\ng " + longName + "\r\nf 1 2 3\r\ng wing\r\nf 3 2 1");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->vertexCount, 3u) << "a long comment is skipped whole";
    EXPECT_EQ(m->triangleCount, 2u) << "the last face has no line feed";
    EXPECT_EQ(GroupNames(*m), (std::vector<std::string>{"wing", std::string(127, 'x'), "default"}))
        << "names are cut at 127 characters, carriage returns are blanks";
    ExpectExactLists(*m);
}

TEST_F(ObjReader, IndicesAreStoredAsWrittenEvenWhenUnusable)
{
    auto m = Read("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\nf -1 -2 -3\nf 1 2 99999999999\n");
    ASSERT_TRUE(m);
    ASSERT_EQ(m->triangleCount, 3u);
    EXPECT_EQ(Vertices(m->triangles[0]), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(Vertices(m->triangles[1]), (std::vector<int32_t>{-1, -2, -3}));
    EXPECT_EQ(m->triangles[2].vertex[2], 2147483647) << "saturates instead of overflowing";
}

// Random text built from the characters that matter to the reader: no
// input may make the passes disagree, write outside an array or let the
// drawing read outside one.
TEST_F(ObjReader, RandomTextKeepsEveryArrayInBounds)
{
    test::WriteText(dir.File("r.mtl"), "newmtl a\nnewmtl b\n");
    const std::string alphabet = "fvgnutmd/ -0123456789\n\n#.e+r";
    const std::vector<std::string> words = {"f ", "v ", "vn ", "vt ", "g a\n", "g b\n", "usemtl a\n",
                                            "usemtl b\n", "mtllib r.mtl\n", "vp ", "1/2/3 ", "4//5 ", "\n"};
    std::mt19937 rng(12345);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int pieces = std::uniform_int_distribution<int>(0, 200)(rng);
        for (int i = 0; i < pieces; ++i) {
            if (rng() % 2)
                text += words[rng() % words.size()];
            else
                text += alphabet[rng() % alphabet.size()];
        }
        test::ReaderMessages quiet;
        test::WriteText(dir.File("r.obj"), text);
        auto m = ReadObjModel(dir.File("r.obj"));
        ASSERT_TRUE(m);
        ExpectExactLists(*m);
        for (const ObjGroup* g = m->groups; g; g = g->next) {
            test::CallRecorder calls;
            EmitObjGroup(*m, g->name, OBJ_DRAW_MATERIAL | OBJ_DRAW_NORMALS | OBJ_DRAW_TEXCOORDS, calls);
            ASSERT_LT(g->material, std::max<uint32_t>(m->materialCount, 1)) << text;
        }
        if (HasFailure()) {
            ADD_FAILURE() << "input: " << text;
            break;
        }
    }
}

}  // namespace
}  // namespace oxv
