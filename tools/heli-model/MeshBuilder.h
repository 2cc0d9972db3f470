#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace heli {

struct V3 {
    double x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(double s, V3 a) { return {s * a.x, s * a.y, s * a.z}; }
V3 Cross(V3 a, V3 b);
V3 Unit(V3 a);

// One corner of a face: 1-based indices into the vertex, texture coordinate
// and normal lists, as the OBJ file numbers them.
struct Corner {
    int v, vt, vn;
};

// Collects named groups of faces and writes them as OBJ text: mtllib, then
// per group g and usemtl, with every face in v/vt/vn form.
class MeshBuilder {
public:
    void BeginGroup(const std::string& name, const std::string& material);

    int Vertex(V3 p);
    int Normal(V3 n);
    int TexCoord(double u, double v);

    void Face(std::vector<Corner> corners);

    // Shapes. Faces wind counter-clockwise seen from outside.
    // A box with flat sides, given its centre, half sizes and axes.
    void Box(V3 centre, V3 half, V3 ax = {1, 0, 0}, V3 ay = {0, 1, 0}, V3 az = {0, 0, 1});
    // A round tube with open ends from a to b.
    void Tube(V3 a, V3 b, double ra, double rb, int sides);
    // A flat plate of some thickness: an outline in a plane (given by two
    // axes) extruded along the plane's normal.
    void Plate(const std::vector<std::array<double, 2>>& outline, V3 origin, V3 ax, V3 ay, double thickness);
    // A smooth surface from a grid of points [ring][around], with texture
    // coordinates per point. With `seam` the last column repeats the first
    // (a closed surface whose texture wraps once).
    void Grid(const std::vector<std::vector<V3>>& points, const std::vector<std::vector<std::array<double, 2>>>& uv,
              bool seam, bool flip = false);

    size_t VertexCount() const { return m_v.size(); }
    size_t FaceCount() const;
    [[nodiscard]] bool Write(const std::string& path, const std::string& mtllib, const std::string& comment) const;

private:
    struct Group {
        std::string name, material;
        std::vector<std::vector<Corner>> faces;
    };
    std::vector<V3> m_v, m_vn;
    std::vector<std::array<double, 2>> m_vt;
    std::vector<Group> m_groups;
    int m_plainTexel = 0;  // a texture coordinate for faces without a mapping of their own
};

// Writes text whole or not at all: a temporary file renamed into place.
[[nodiscard]] bool WriteTextFile(const std::string& path, const std::string& text);

}  // namespace heli
