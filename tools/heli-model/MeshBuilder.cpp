#include "tools/heli-model/MeshBuilder.h"

#include <cmath>
#include <cstdio>

namespace heli {

V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

V3 Unit(V3 a)
{
    const double l = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return l > 0 ? (1.0 / l) * a : V3{0, 0, 1};
}

void MeshBuilder::BeginGroup(const std::string& name, const std::string& material)
{
    m_groups.push_back({name, material, {}});
}

int MeshBuilder::Vertex(V3 p)
{
    m_v.push_back(p);
    return static_cast<int>(m_v.size());
}

int MeshBuilder::Normal(V3 n)
{
    m_vn.push_back(Unit(n));
    return static_cast<int>(m_vn.size());
}

int MeshBuilder::TexCoord(double u, double v)
{
    m_vt.push_back({u, v});
    return static_cast<int>(m_vt.size());
}

void MeshBuilder::Face(std::vector<Corner> corners) { m_groups.back().faces.push_back(std::move(corners)); }

size_t MeshBuilder::FaceCount() const
{
    size_t n = 0;
    for (const Group& g : m_groups) n += g.faces.size();
    return n;
}

void MeshBuilder::Box(V3 c, V3 h, V3 ax, V3 ay, V3 az)
{
    if (!m_plainTexel) m_plainTexel = TexCoord(0.01, 0.01);
    auto corner = [&](double sx, double sy, double sz) { return c + (sx * h.x) * ax + (sy * h.y) * ay + (sz * h.z) * az; };
    struct Side {
        V3 n;
        double s[4][3];
    };
    const Side sides[6] = {
        {ax, {{1, -1, -1}, {1, 1, -1}, {1, 1, 1}, {1, -1, 1}}},
        {-1.0 * ax, {{-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}}},
        {ay, {{1, 1, -1}, {-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}}},
        {-1.0 * ay, {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}},
        {az, {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}}},
        {-1.0 * az, {{-1, 1, -1}, {1, 1, -1}, {1, -1, -1}, {-1, -1, -1}}},
    };
    for (const Side& s : sides) {
        const int n = Normal(s.n);
        std::vector<Corner> f;
        for (const auto& k : s.s) f.push_back({Vertex(corner(k[0], k[1], k[2])), m_plainTexel, n});
        Face(f);
    }
}

void MeshBuilder::Tube(V3 a, V3 b, double ra, double rb, int sides)
{
    if (!m_plainTexel) m_plainTexel = TexCoord(0.01, 0.01);
    const V3 axis = Unit(b - a);
    const V3 helper = std::fabs(axis.z) < 0.9 ? V3{0, 0, 1} : V3{1, 0, 0};
    const V3 u = Unit(Cross(axis, helper));
    const V3 w = Cross(axis, u);
    std::vector<int> va, vb, vn;
    for (int i = 0; i < sides; ++i) {
        const double t = 2.0 * M_PI * i / sides;
        const V3 radial = std::cos(t) * u + std::sin(t) * w;
        va.push_back(Vertex(a + ra * radial));
        vb.push_back(Vertex(b + rb * radial));
        vn.push_back(Normal(radial));
    }
    for (int i = 0; i < sides; ++i) {
        const int j = (i + 1) % sides;
        const size_t si = static_cast<size_t>(i), sj = static_cast<size_t>(j);
        Face({{va[si], m_plainTexel, vn[si]}, {va[sj], m_plainTexel, vn[sj]}, {vb[sj], m_plainTexel, vn[sj]}, {vb[si], m_plainTexel, vn[si]}});
    }
}

void MeshBuilder::Plate(const std::vector<std::array<double, 2>>& outline, V3 origin, V3 ax, V3 ay, double thickness)
{
    if (!m_plainTexel) m_plainTexel = TexCoord(0.01, 0.01);
    const V3 n = Unit(Cross(ax, ay));
    const size_t k = outline.size();
    std::vector<int> top, bottom;
    for (const auto& p : outline) {
        const V3 q = origin + p[0] * ax + p[1] * ay;
        top.push_back(Vertex(q + (0.5 * thickness) * n));
        bottom.push_back(Vertex(q - (0.5 * thickness) * n));
    }
    const int nt = Normal(n), nb = Normal(-1.0 * n);
    std::vector<Corner> f1, f2;
    for (size_t i = 0; i < k; ++i) f1.push_back({top[i], m_plainTexel, nt});
    for (size_t i = k; i-- > 0;) f2.push_back({bottom[i], m_plainTexel, nb});
    Face(f1);
    Face(f2);
    for (size_t i = 0; i < k; ++i) {
        const size_t j = (i + 1) % k;
        const V3 a = origin + outline[i][0] * ax + outline[i][1] * ay;
        const V3 b = origin + outline[j][0] * ax + outline[j][1] * ay;
        const int ne = Normal(Cross(b - a, n));
        Face({{bottom[i], m_plainTexel, ne}, {bottom[j], m_plainTexel, ne}, {top[j], m_plainTexel, ne}, {top[i], m_plainTexel, ne}});
    }
}

void MeshBuilder::Grid(const std::vector<std::vector<V3>>& p, const std::vector<std::vector<std::array<double, 2>>>& uv,
                       bool seam, bool flip)
{
    const size_t rings = p.size(), around = p[0].size();
    std::vector<std::vector<int>> vi(rings, std::vector<int>(around)), ni = vi, ti = vi;
    for (size_t i = 0; i < rings; ++i)
        for (size_t j = 0; j < around; ++j) {
            // Normal from the neighbours along and around; across a seam the
            // neighbours of the repeated column are those of the first.
            const size_t i0 = i ? i - 1 : i, i1 = i + 1 < rings ? i + 1 : i;
            size_t j0 = j ? j - 1 : (seam ? around - 2 : j), j1 = j + 1 < around ? j + 1 : (seam ? 1 : j);
            V3 n = Cross(p[i1][j] - p[i0][j], p[i][j1] - p[i][j0]);
            if (flip) n = -1.0 * n;
            vi[i][j] = Vertex(p[i][j]);
            ni[i][j] = Normal(n);
            ti[i][j] = TexCoord(uv[i][j][0], uv[i][j][1]);
        }
    for (size_t i = 0; i + 1 < rings; ++i)
        for (size_t j = 0; j + 1 < around; ++j) {
            const size_t k = j + 1;
            std::vector<Corner> f{{vi[i][j], ti[i][j], ni[i][j]},
                                  {vi[i + 1][j], ti[i + 1][j], ni[i + 1][j]},
                                  {vi[i + 1][k], ti[i + 1][k], ni[i + 1][k]},
                                  {vi[i][k], ti[i][k], ni[i][k]}};
            if (flip) std::swap(f[1], f[3]);
            Face(f);
        }
}

bool MeshBuilder::Write(const std::string& path, const std::string& mtllib, const std::string& comment) const
{
    std::string out;
    char line[256];
    out += comment;
    out += "mtllib " + mtllib + "\n";
    for (const V3& v : m_v) {
        std::snprintf(line, sizeof line, "v %.4f %.4f %.4f\n", v.x, v.y, v.z);
        out += line;
    }
    for (const auto& t : m_vt) {
        std::snprintf(line, sizeof line, "vt %.5f %.5f\n", t[0], t[1]);
        out += line;
    }
    for (const V3& n : m_vn) {
        std::snprintf(line, sizeof line, "vn %.4f %.4f %.4f\n", n.x, n.y, n.z);
        out += line;
    }
    for (const Group& g : m_groups) {
        out += "g " + g.name + "\nusemtl " + g.material + "\n";
        for (const auto& f : g.faces) {
            out += "f";
            for (const Corner& c : f) {
                std::snprintf(line, sizeof line, " %d/%d/%d", c.v, c.vt, c.vn);
                out += line;
            }
            out += "\n";
        }
    }
    return WriteTextFile(path, out);
}

bool WriteTextFile(const std::string& path, const std::string& text)
{
    const std::string temp = path + ".part";
    FILE* f = std::fopen(temp.c_str(), "w");
    if (!f) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace heli
