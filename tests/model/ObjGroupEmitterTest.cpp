#include <gtest/gtest.h>

#include "tests/support/ModelTestSupport.h"
#include "model/ObjGroupEmitter.h"
#include "tests/support/ScratchDir.h"

namespace oxv {
namespace {

using Calls = std::vector<std::string>;

class ObjGroupEmitter : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::WriteText(dir.File("e.mtl"), "newmtl paint\nKd 1 0 0\n");
        test::WriteText(dir.File("e.obj"),
                        "mtllib e.mtl\n"
                        "v 1 0 0\nv 0 1 0\nv 0 0 1\n"
                        "vn 0 0 1\nvn 0 1 0\n"
                        "vt 0.5 1\nvt 0 0\n"
                        "g full\nusemtl paint\nf 1/1/1 2/2/2 3/1/2\n"
                        "g plain\nf 3 2 1\n"
                        "g normals\nf 1//2 2//2 3//2\n"
                        "g bad\nf 1 2 4\nf 0 1 2\nf -1 2 3\nf 1//3 2//1 3//1\nf 1/3 2/1 3/1\nf 2 3 1\n"
                        "g empty\n");
        test::ReaderMessages quiet;
        model = ReadObjModel(dir.File("e.obj"));
        ASSERT_TRUE(model);
    }

    Calls Emit(const char* group, unsigned mode, uint32_t* dropped = nullptr)
    {
        test::CallRecorder r;
        const uint32_t n = EmitObjGroup(*model, group, mode, r);
        if (dropped) *dropped = n;
        return r.calls;
    }

    test::ScratchDir dir;
    ObjModelPtr model;
};

TEST_F(ObjGroupEmitter, FullModeSendsMaterialThenNormalTexcoordVertexPerCorner)
{
    EXPECT_EQ(Emit("full", OBJ_DRAW_MATERIAL | OBJ_DRAW_NORMALS | OBJ_DRAW_TEXCOORDS),
              (Calls{"begin", "material paint", "n 0 0 1", "t 0.5 1", "v 1 0 0", "n 0 1 0", "t 0 0", "v 0 1 0",
                     "n 0 1 0", "t 0.5 1", "v 0 0 1", "end"}));
    EXPECT_EQ(Emit("full", OBJ_DRAW_NORMALS),
              (Calls{"begin", "n 0 0 1", "v 1 0 0", "n 0 1 0", "v 0 1 0", "n 0 1 0", "v 0 0 1", "end"}));
}

TEST_F(ObjGroupEmitter, DataTheFaceFormatLacksSendsNoCall)
{
    const unsigned all = OBJ_DRAW_MATERIAL | OBJ_DRAW_NORMALS | OBJ_DRAW_TEXCOORDS;
    EXPECT_EQ(Emit("plain", all), (Calls{"begin", "material paint", "v 0 0 1", "v 0 1 0", "v 1 0 0", "end"}));
    EXPECT_EQ(Emit("normals", all),
              (Calls{"begin", "material paint", "n 0 1 0", "v 1 0 0", "n 0 1 0", "v 0 1 0", "n 0 1 0", "v 0 0 1",
                     "end"}));
}

TEST_F(ObjGroupEmitter, TrianglesWithIndicesOutsideTheArraysAreLeftOut)
{
    uint32_t dropped = 0;
    const Calls calls = Emit("bad", OBJ_DRAW_NORMALS | OBJ_DRAW_TEXCOORDS, &dropped);
    EXPECT_EQ(dropped, 5u) << "vertex 4, vertex 0, vertex -1, normal 3 and texcoord 3 do not exist";
    EXPECT_EQ(calls, (Calls{"begin", "v 0 1 0", "v 0 0 1", "v 1 0 0", "end"}));
    EXPECT_EQ(Emit("bad", 0, &dropped).size(), 2u + 3 * 3);
    EXPECT_EQ(dropped, 3u) << "without normals and texture coordinates only the vertex indices matter";
}

TEST_F(ObjGroupEmitter, EmptyGroupStillSetsItsMaterialAndUnknownNameSendsNothing)
{
    EXPECT_EQ(Emit("empty", OBJ_DRAW_MATERIAL), (Calls{"begin", "material paint", "end"}))
        << "the group took the current material at its g line";
    EXPECT_EQ(Emit("nosuch", OBJ_DRAW_MATERIAL), Calls{});
    EXPECT_EQ(Emit("empty ", OBJ_DRAW_MATERIAL), Calls{}) << "a trailing blank is part of the name";
}

TEST_F(ObjGroupEmitter, MaterialOutsideTheTableSendsNoMaterialCall)
{
    model->materialCount = 0;
    model->materials.clear();
    EXPECT_EQ(Emit("empty", OBJ_DRAW_MATERIAL), (Calls{"begin", "end"}));
}

}  // namespace
}  // namespace oxv
