// The helicopter files beside the executables: every part the parameter
// file names exists, faces and materials are complete, the rotors turn
// about their hubs and the model is to scale with its nose along -x.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <array>
#include <vector>

namespace {

std::string ModelDir()
{
    const char* bin = std::getenv("OXV_BIN_DIR");
    return std::string(bin ? bin : ".") + "/model/";
}

struct V {
    double x, y, z;
};

struct Obj {
    std::string mtllib;
    std::vector<V> v;
    size_t vt = 0, vn = 0;
    std::map<std::string, std::set<int>> groupVertices;
    std::map<std::string, std::string> groupMaterial;
    size_t quads = 0, faces = 0;
    bool allCornersFull = true, indicesInRange = true;
};

Obj ReadObj(const std::string& path)
{
    Obj o;
    std::ifstream in(path);
    std::string line, group = "default";
    std::vector<std::vector<int>> pending;  // checked once every list is known
    std::vector<std::array<int, 3>> corners;
    while (std::getline(in, line)) {
        std::istringstream s(line);
        std::string k;
        s >> k;
        if (k == "mtllib")
            s >> o.mtllib;
        else if (k == "v") {
            V p;
            s >> p.x >> p.y >> p.z;
            o.v.push_back(p);
        } else if (k == "vt")
            ++o.vt;
        else if (k == "vn")
            ++o.vn;
        else if (k == "g")
            s >> group;
        else if (k == "usemtl")
            s >> o.groupMaterial[group];
        else if (k == "f") {
            std::string c;
            int n = 0;
            while (s >> c) {
                int a, b, d;
                if (std::sscanf(c.c_str(), "%d/%d/%d", &a, &b, &d) != 3) o.allCornersFull = false;
                corners.push_back({a, b, d});
                o.groupVertices[group].insert(a);
                ++n;
            }
            ++o.faces;
            if (n == 4) ++o.quads;
        }
    }
    for (const auto& c : corners)
        if (c[0] < 1 || c[0] > static_cast<int>(o.v.size()) || c[1] < 1 || c[1] > static_cast<int>(o.vt) || c[2] < 1 ||
            c[2] > static_cast<int>(o.vn))
            o.indicesInRange = false;
    return o;
}

struct Par {
    std::map<char, std::vector<double>> values;
    std::map<std::string, std::vector<std::string>> sections;
};

Par ReadPar(const std::string& path)
{
    Par p;
    std::ifstream in(path);
    std::string line, section;
    while (std::getline(in, line)) {
        if (line.size() >= 2 && line[0] == '~') {
            std::istringstream s(line.substr(2));
            for (double d; s >> d;) p.values[line[1]].push_back(d);
        } else if (!line.empty() && line[0] == '#') {
            section = line.substr(1);
            p.sections[section];
        } else if (!section.empty()) {
            p.sections[section].push_back(line);
        }
    }
    return p;
}

V Centroid(const Obj& o, const std::string& group)
{
    V c{0, 0, 0};
    const auto& ids = o.groupVertices.at(group);
    for (int i : ids) {
        const V& p = o.v[static_cast<size_t>(i - 1)];
        c.x += p.x;
        c.y += p.y;
        c.z += p.z;
    }
    const double n = static_cast<double>(ids.size());
    return {c.x / n, c.y / n, c.z / n};
}

TEST(HeliModelFiles, PartsMaterialsAndFacesAreComplete)
{
    const Obj o = ReadObj(ModelDir() + "gray.obj");
    const Par p = ReadPar(ModelDir() + "gray.par");
    ASSERT_FALSE(o.v.empty());
    EXPECT_EQ(o.mtllib, "gray.mtl");
    EXPECT_TRUE(o.allCornersFull);
    EXPECT_TRUE(o.indicesInRange);
    EXPECT_GT(o.quads, 100u);
    EXPECT_GT(o.faces, o.quads);  // triangles as well

    for (char k : {'S', 'B', 'C', 'M', 'T'}) EXPECT_EQ(p.values.count(k), 1u) << k;
    EXPECT_EQ(p.values.at('S').size(), 1u);
    for (char k : {'B', 'C', 'M', 'T'}) EXPECT_EQ(p.values.at(k).size(), 3u) << k;
    for (const char* s : {"Body", "Main", "Tail", "Texture"}) {
        ASSERT_EQ(p.sections.count(s), 1u) << s;
        EXPECT_FALSE(p.sections.at(s).empty()) << s;
        for (const std::string& g : p.sections.at(s)) EXPECT_EQ(o.groupVertices.count(g), 1u) << s << ": " << g;
    }

    // Every material used is defined with all its colours.
    std::ifstream mtl(ModelDir() + "gray.mtl");
    std::map<std::string, std::map<std::string, std::vector<double>>> m;
    std::string line, cur;
    while (std::getline(mtl, line)) {
        std::istringstream s(line);
        std::string k;
        s >> k;
        if (k == "newmtl")
            s >> cur;
        else if (!k.empty() && k[0] != '#')
            for (double d; s >> d;) m[cur][k].push_back(d);
    }
    for (const auto& [group, material] : o.groupMaterial) {
        ASSERT_EQ(m.count(material), 1u) << group << " uses " << material;
        for (const char* k : {"Ka", "Kd", "Ks"}) EXPECT_EQ(m[material][k].size(), 3u) << material << " " << k;
        EXPECT_EQ(m[material]["Ns"].size(), 1u) << material;
        EXPECT_EQ(m[material]["d"].size(), 1u) << material;
    }
    EXPECT_LT(m[o.groupMaterial.at("canopy")]["d"][0], 1.0);  // tinted, see-through glass

    // The livery is a real PNG.
    std::ifstream png(ModelDir() + "gray.png", std::ios::binary);
    char sig[8] = {};
    png.read(sig, 8);
    EXPECT_EQ(std::string(sig, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

TEST(HeliModelFiles, ToScaleNoseAlongMinusXRotorsAboutTheirHubs)
{
    const Obj o = ReadObj(ModelDir() + "gray.obj");
    const Par p = ReadPar(ModelDir() + "gray.par");
    const double scale = p.values.at('S')[0];
    const auto& c = p.values.at('C');
    const auto& mh = p.values.at('M');
    const auto& th = p.values.at('T');

    // Main rotor: blades balanced about the hub in the horizontal plane.
    double reach = 0.0;
    for (const std::string& g : p.sections.at("Main")) {
        const V k = Centroid(o, g);
        EXPECT_NEAR(k.x * scale, mh[0], 0.05) << g;
        EXPECT_NEAR(k.y * scale, mh[1], 0.05) << g;
        for (int i : o.groupVertices.at(g)) {
            const V& v = o.v[static_cast<size_t>(i - 1)];
            reach = std::max(reach, std::hypot(v.x * scale - mh[0], v.y * scale - mh[1]));
            EXPECT_NEAR(v.z * scale, mh[2], 0.25);
        }
    }
    EXPECT_GT(reach, 4.0);  // a light helicopter's rotor, in metres
    EXPECT_LT(reach, 7.0);
    // Tail rotor: balanced about its hub in the x-z plane, turning about y.
    for (const std::string& g : p.sections.at("Tail")) {
        const V k = Centroid(o, g);
        EXPECT_NEAR(k.x * scale, th[0], 0.05) << g;
        EXPECT_NEAR(k.z * scale, th[2], 0.05) << g;
        for (int i : o.groupVertices.at(g)) EXPECT_NEAR(o.v[static_cast<size_t>(i - 1)].y * scale, th[1], 0.15);
    }
    // Nose forward along -x, tail rotor behind the main rotor.
    double minX = 1e9, maxX = -1e9;
    for (int i : o.groupVertices.at("fuselage")) minX = std::min(minX, o.v[static_cast<size_t>(i - 1)].x * scale);
    for (const V& v : o.v) maxX = std::max(maxX, v.x * scale);
    EXPECT_LT(minX, mh[0] - 2.0);
    EXPECT_GT(th[0], mh[0] + 5.0);
    EXPECT_GT(maxX - minX, 8.0);
    EXPECT_LT(maxX - minX, 14.0);
    // The offset brings the scanner to the pose position.
    const V s = Centroid(o, "scanner");
    EXPECT_NEAR(s.x * scale + c[0], 0.0, 0.2);
    EXPECT_NEAR(s.y * scale + c[1], 0.0, 0.2);
    EXPECT_NEAR(s.z * scale + c[2], 0.0, 0.2);
}

}  // namespace

namespace {

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The committed files are the generator's output: remaking them changes nothing.
TEST(HeliModelFiles, CommittedFilesAreTheGeneratorsOutput)
{
    const char* bin = std::getenv("OXV_BIN_DIR");
    char pattern[] = "/tmp/oxv-heli-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string out = pattern;
    const std::string cmd = std::string(bin ? bin : ".") + "/heli_model " + out + " >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (const char* name : {"gray.obj", "gray.mtl", "gray.par"}) {
        const std::string made = ReadText(out + "/" + name);
        EXPECT_FALSE(made.empty()) << name;
        EXPECT_EQ(made, ReadText(std::string(OXV_MODEL_SOURCE_DIR) + "/" + name)) << name;
    }
    for (const char* name : {"gray.obj", "gray.mtl", "gray.par", "gray.png"}) std::remove((out + "/" + name).c_str());
    rmdir(out.c_str());
}

}  // namespace
