#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "tests/modelgl/HeliFixture.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/OxvtoolRun.h"
#include "tests/support/PngRead.h"

namespace oxv {
namespace {

using test::RunOxvtool;
using test::RunResult;
using test::DecodePng;

TEST(OxvtoolObj, JsonListsCountsMaterialsAndGroups)
{
    test::ScratchDir dir;
    const std::string obj = test::WriteHeli(dir.Path().string());
    const RunResult r = RunOxvtool("obj --json " + obj);
    ASSERT_EQ(r.status, 0) << r.out;
    const auto j = nlohmann::ordered_json::parse(r.out);
    std::vector<std::string> keys;
    for (const auto& [key, value] : j.items()) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"vertices", "normals", "texcoords", "triangles", "materials", "groups"}));
    EXPECT_EQ(j["vertices"], 24);
    EXPECT_EQ(j["normals"], 6);
    EXPECT_EQ(j["texcoords"], 4);
    EXPECT_EQ(j["triangles"], 36);
    ASSERT_EQ(j["materials"].size(), 3u);
    EXPECT_EQ(j["materials"][0]["name"], "default");
    EXPECT_EQ(j["materials"][1], (nlohmann::ordered_json{{"name", "hull"},
                                                          {"ambient", {0.6, 0.6, 0.6, 1.0}},
                                                          {"diffuse", {0.9, 0.9, 0.9, 1.0}},
                                                          {"specular", {0.2, 0.2, 0.2, 1.0}},
                                                          {"shininess", 12.8}}));
    ASSERT_EQ(j["groups"].size(), 4u);
    EXPECT_EQ(j["groups"][0], (nlohmann::ordered_json{{"name", "tail"}, {"material", 2}, {"triangle_count", 12}}));
    EXPECT_EQ(j["groups"][3]["name"], "default");
}

TEST(OxvtoolObj, FullAddsTriangleListsAndTheTriangleArray)
{
    test::ScratchDir dir;
    test::WriteText(dir.File("q.obj"), "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\n"
                                       "g a\nusemtl nosuch\nf 1//1 2//1 3//1 4//1\ng b\nf 4 3 2\n");
    const RunResult r = RunOxvtool("obj --json --full " + dir.File("q.obj"));
    ASSERT_EQ(r.status, 0);
    const auto j = nlohmann::json::parse(r.out);  // the reader's not-found message stays out of it
    EXPECT_EQ(j["materials"], nlohmann::json::array());
    EXPECT_EQ(j["groups"][0]["triangle_list"], (nlohmann::json{2}));
    EXPECT_EQ(j["groups"][1]["triangle_list"], (nlohmann::json{0, 1}));
    EXPECT_EQ(j["groups"][2]["triangle_list"], nlohmann::json::array());
    ASSERT_EQ(j["triangle_array"].size(), 3u);
    EXPECT_EQ(j["triangle_array"][0], (nlohmann::json{1, 1, 0, 2, 1, 0, 3, 1, 0}));
    EXPECT_EQ(j["triangle_array"][1], (nlohmann::json{1, 1, 0, 3, 1, 0, 4, 1, 0}));
    EXPECT_EQ(j["triangle_array"][2], (nlohmann::json{4, 0, 0, 3, 0, 0, 2, 0, 0}));
    EXPECT_NE(RunOxvtool("obj " + dir.File("q.obj")).out.find("FindObjMaterial():  can't find material \"nosuch\"."),
              std::string::npos)
        << "without --json the message is on standard output as in the viewer";
}

TEST(OxvtoolObj, NamesThatAreNotUtf8StillGiveOneJsonObject)
{
    test::ScratchDir dir;
    test::WriteText(dir.File("l.mtl"), "newmtl Terrain\xE6k\n");
    test::WriteText(dir.File("l.obj"), "mtllib l.mtl\ng h\xF8j\nusemtl Terrain\xE6k\n");
    const RunResult r = RunOxvtool("obj --json " + dir.File("l.obj"));
    ASSERT_EQ(r.status, 0);
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["materials"].size(), 2u);
    EXPECT_EQ(j["groups"][0]["material"], 1);
}

TEST(OxvtoolObj, UnreadableModelExitsWithOne)
{
    test::ScratchDir dir;
    EXPECT_EQ(RunOxvtool("obj " + dir.File("none.obj")).status, 1);
    EXPECT_EQ(RunOxvtool("obj --json " + dir.File("none.obj")).status, 1);
}

TEST(OxvtoolModel, RendersThePoseAndTheRotorsIntoAPng)
{
    test::ScratchDir dir;
    const std::string obj = test::WriteHeli(dir.Path().string());
    ASSERT_EQ(RunOxvtool("model " + obj + " --out " + dir.File("a.png") + " --size 160x100").status, 0);
    ASSERT_EQ(RunOxvtool("model " + obj + " --out " + dir.File("b.png") + " --size 160x100 --draws 10").status, 0);
    ASSERT_EQ(RunOxvtool("model " + obj + " --out " + dir.File("c.png") + " --size 160x100 --draws 90").status, 0);
    ASSERT_EQ(RunOxvtool("model " + obj + " --out " + dir.File("d.png") + " --size 160x100 --attitude=0,0,90").status,
              0);
    int w = 0, h = 0;
    const auto a = DecodePng(dir.File("a.png"), w, h);
    EXPECT_EQ(w, 160);
    EXPECT_EQ(h, 100);
    EXPECT_GT(std::count_if(a.begin(), a.end(), [](uint8_t v) { return v != 0; }), 500) << "the model is in view";
    EXPECT_NE(DecodePng(dir.File("b.png"), w, h), a) << "ten draws turn the rotors";
    EXPECT_EQ(DecodePng(dir.File("c.png"), w, h), DecodePng(dir.File("b.png"), w, h)) << "90 draws look like 10";
    EXPECT_NE(DecodePng(dir.File("d.png"), w, h), a);

    EXPECT_EQ(RunOxvtool("model " + obj + " --out " + dir.File("e.png") + " --size 160").status, 2);
    EXPECT_EQ(RunOxvtool("model " + obj + " --out " + dir.File("e.png") + " --attitude 1,2").status, 2);
    EXPECT_EQ(RunOxvtool("model " + dir.File("none.obj") + " --out " + dir.File("e.png")).status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("e.png")));
}

}  // namespace
}  // namespace oxv
