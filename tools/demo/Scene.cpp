#include "tools/demo/Scene.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "tools/demo/Hash.h"

namespace oxv::demo {

namespace {

constexpr uint32_t kKindSolid = 0u << 30;
constexpr uint32_t kKindCrown = 1u << 30;
constexpr uint32_t kKindCapsule = 2u << 30;
constexpr uint32_t kIndexMask = (1u << 30) - 1u;

// Nothing in the scene stands taller than this above the ground.
constexpr double kTallest = 40.0;

double SmoothStep(double e0, double e1, double x)
{
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

double Lerp(double a, double b, double t) { return a + (b - a) * t; }

uint8_t ToByte(double v) { return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0)); }

Color Shade(Color c, double factor, double noise)
{
    return {ToByte(c.r * factor + noise), ToByte(c.g * factor + noise), ToByte(c.b * factor + noise)};
}

Color Pick(const Color* palette, size_t n, uint64_t h) { return palette[h % n]; }

}  // namespace

Scene::Scene(uint64_t seed) : m_seed(Mix(seed ^ 0x5ce4e5b9ull))
{
    for (int i = 0; i < 8; ++i) m_phase[i] = Uniform(0.0, 2.0 * kPi, Hash(m_seed, 100u + static_cast<uint64_t>(i)));
    m_lakeLevel = RiverLevel(m_lakeCentre.x) + 2.0;
    BuildPowerLine();
    BuildRoadsideHouses();
    BuildTrees();
    BuildGrid();
}

// ---- terrain --------------------------------------------------------------

double Scene::RiverCentre(double x) const { return -130.0 + 35.0 * std::sin(x / 300.0 + 0.5); }

double Scene::RoadOneCentre(double x) const { return 95.0 + 18.0 * std::sin(x / 260.0 + 1.0); }

double Scene::RoadTwoCentre(double y) const { return 250.0 + 12.0 * std::sin(y / 90.0); }

double Scene::RiverLevel(double x) const { return 39.0 + 0.002 * x; }

double Scene::Natural(double x, double y) const
{
    const double* p = m_phase;
    return 50.0 + 4.0 * std::sin(x / 410.0 + p[0]) * std::cos(y / 330.0 + p[1]) +
           2.5 * std::sin((x + y) / 230.0 + p[2]) + 1.2 * std::sin(x / 97.0 + p[3]) * std::sin(y / 83.0 + p[4]) +
           0.35 * std::sin(x / 23.0 + p[5]) * std::cos(y / 29.0 + p[6]);
}

double Scene::TerrainHeight(double x, double y) const
{
    double h = Natural(x, y);
    // The river's valley, then its channel.
    const double level = RiverLevel(x);
    const double d = std::fabs(y - RiverCentre(x));
    if (d < 140.0) {
        h = Lerp(level + 2.5, h, SmoothStep(25.0, 140.0, d));
        if (d < 30.0) h = Lerp(level - 1.8, h, SmoothStep(m_layout.riverWater - 3.0, 30.0, d));
    }
    // The lake in its hollow.
    const double dl = std::hypot(x - m_lakeCentre.x, y - m_lakeCentre.y) - m_lakeRadius;
    if (dl < 110.0) {
        h = Lerp(m_lakeLevel + 2.0, h, SmoothStep(15.0, 110.0, dl));
        if (dl < 18.0) h = Lerp(m_lakeLevel - 2.5, h, SmoothStep(-8.0, 18.0, dl));
    }
    return h;
}

double Scene::WaterLevelAt(double x, double y) const
{
    if (std::fabs(y - RiverCentre(x)) < 40.0) return RiverLevel(x);
    if (std::hypot(x - m_lakeCentre.x, y - m_lakeCentre.y) < m_lakeRadius + 25.0) return m_lakeLevel;
    return -1.0e9;
}

double Scene::SurfaceHeight(double x, double y) const { return std::max(TerrainHeight(x, y), WaterLevelAt(x, y)); }

double Scene::RoadDistance(double x, double y, int& road) const
{
    const double d1 = std::fabs(y - RoadOneCentre(x));
    double d2 = std::numeric_limits<double>::max();
    if (y > -60.0) d2 = std::fabs(x - RoadTwoCentre(y));
    road = d1 <= d2 ? 1 : 2;
    return std::min(d1, d2);
}

// ---- objects --------------------------------------------------------------

uint32_t Scene::AddSolid(const std::vector<Plane>& planes, Material material, Color color, double gap, Vec3 lo,
                         Vec3 hi)
{
    Solid s;
    s.firstPlane = static_cast<uint32_t>(m_planes.size());
    s.planeCount = static_cast<uint32_t>(planes.size());
    s.material = material;
    s.color = color;
    s.wallColor = color;
    s.gap = gap;
    s.lo = lo;
    s.hi = hi;
    m_planes.insert(m_planes.end(), planes.begin(), planes.end());
    m_solids.push_back(s);
    return static_cast<uint32_t>(m_solids.size() - 1);
}

// A gabled house: a box of the given plan turned by `angle`, walls up to the
// eaves, two roof planes meeting at the ridge along the house's length.
void Scene::AddHouse(double cx, double cy, double angle, double width, double length, double eaves, double ridge,
                     Color roof)
{
    const double base = TerrainHeight(cx, cy) - 0.3;
    const Vec3 u{std::cos(angle), std::sin(angle), 0.0};  // along the ridge
    const Vec3 v{-u.y, u.x, 0.0};                         // across it
    const Vec3 c{cx, cy, base};
    const double hl = 0.5 * length, hw = 0.5 * width;
    const double k = (ridge - eaves) / hw;  // roof slope
    std::vector<Plane> planes;
    planes.push_back({u, Dot(u, c) + hl});
    planes.push_back({-1.0 * u, -Dot(u, c) + hl});
    planes.push_back({v, Dot(v, c) + hw});
    planes.push_back({-1.0 * v, -Dot(v, c) + hw});
    planes.push_back({{0, 0, -1}, -base});
    // z + k (v.p - v.c) <= base + ridge, and the mirror image.
    for (double sgn : {1.0, -1.0}) {
        Vec3 n{sgn * k * v.x, sgn * k * v.y, 1.0};
        const double len = Length(n);
        planes.push_back({(1.0 / len) * n, (base + ridge + sgn * k * Dot(v, c)) / len});
    }
    const double r = std::hypot(hl, hw);
    const uint32_t id = AddSolid(planes, Material::Roof, roof, 0.0, {cx - r, cy - r, base}, {cx + r, cy + r, base + ridge});
    const Color walls[] = {{222, 214, 196}, {236, 232, 220}, {205, 190, 160}, {214, 200, 184}};
    m_solids[id].wallColor = Pick(walls, 4, Hash(m_seed, 7001u, id));
    m_houseCentres.push_back({cx, cy, base});
    ++m_houseCount;
}

bool Scene::FreeForBuilding(double x, double y, double clearance) const
{
    int road = 0;
    if (RoadDistance(x, y, road) < 5.0 + clearance) return false;
    if (std::fabs(y - RiverCentre(x)) < 45.0 + clearance) return false;
    if (std::hypot(x - m_lakeCentre.x, y - m_lakeCentre.y) < m_lakeRadius + 25.0 + clearance) return false;
    // The power line's corridor is kept clear.
    const Vec3 a = m_lineStart, b = m_lineEnd;
    const Vec3 ab = b - a;
    const double s = std::clamp(Dot(Vec3{x, y, 0} - a, ab) / Dot(ab, ab), 0.0, 1.0);
    const Vec3 q = a + s * ab;
    if (std::hypot(x - q.x, y - q.y) < 22.0 + clearance) return false;
    for (const Vec3& h : m_houseCentres)
        if (std::hypot(x - h.x, y - h.y) < 10.0 + clearance) return false;
    return true;
}

void Scene::BuildRoadsideHouses()
{
    const Color roofs[] = {{160, 72, 52}, {142, 60, 48}, {96, 92, 96}, {120, 84, 64}, {70, 74, 82}, {178, 96, 64}};
    uint64_t n = 0;
    // Along the east-west road, both sides.
    for (double x = -260.0; x < 620.0;) {
        for (double side : {-1.0, 1.0}) {
            const uint64_t h = Hash(m_seed, 2000u + n++);
            if (Unit(h) < 0.18) continue;  // an empty plot
            const double set = Uniform(17.0, 24.0, Hash(h, 1));
            const double xx = x + Uniform(-4.0, 4.0, Hash(h, 2));
            const double yc = 95.0 + 18.0 * std::sin(xx / 260.0 + 1.0);
            const double angle = std::atan(18.0 / 260.0 * std::cos(xx / 260.0 + 1.0)) + Uniform(-0.08, 0.08, Hash(h, 3));
            const double yy = yc + side * set;
            const double width = Uniform(8.0, 11.0, Hash(h, 4));
            const double length = Uniform(10.0, 15.0, Hash(h, 5));
            if (!FreeForBuilding(xx, yy, 4.0)) continue;
            const double eaves = Uniform(3.2, 6.2, Hash(h, 6));
            AddHouse(xx, yy, angle, width, length, eaves, eaves + Uniform(2.4, 4.2, Hash(h, 7)), Pick(roofs, 6, Hash(h, 8)));
        }
        x += Uniform(26.0, 38.0, Hash(m_seed, 2999u, n));
    }
    // Along the north-south road.
    for (double y = -30.0; y < 330.0;) {
        for (double side : {-1.0, 1.0}) {
            const uint64_t h = Hash(m_seed, 3000u + n++);
            if (Unit(h) < 0.25) continue;
            const double yy = y + Uniform(-4.0, 4.0, Hash(h, 2));
            const double xx = 250.0 + 12.0 * std::sin(yy / 90.0) + side * Uniform(17.0, 23.0, Hash(h, 1));
            const double angle = kPi / 2 + Uniform(-0.08, 0.08, Hash(h, 3));
            const double width = Uniform(8.0, 10.0, Hash(h, 4));
            const double length = Uniform(10.0, 14.0, Hash(h, 5));
            if (!FreeForBuilding(xx, yy, 4.0)) continue;
            const double eaves = Uniform(3.2, 6.2, Hash(h, 6));
            AddHouse(xx, yy, angle, width, length, eaves, eaves + Uniform(2.4, 4.2, Hash(h, 7)), Pick(roofs, 6, Hash(h, 8)));
        }
        y += Uniform(28.0, 40.0, Hash(m_seed, 3999u, n));
    }
    // A few farmsteads out in the fields.
    for (uint64_t i = 0; i < 14; ++i) {
        const uint64_t h = Hash(m_seed, 4000u + i);
        const double xx = Uniform(-560.0, 900.0, Hash(h, 1));
        const double yy = Uniform(-90.0, 300.0, Hash(h, 2));
        if (!FreeForBuilding(xx, yy, 8.0)) continue;
        const double eaves = Uniform(4.0, 7.0, Hash(h, 6));
        AddHouse(xx, yy, Uniform(0.0, kPi, Hash(h, 3)), Uniform(10.0, 16.0, Hash(h, 4)), Uniform(16.0, 30.0, Hash(h, 5)),
                 eaves, eaves + Uniform(3.0, 5.0, Hash(h, 7)), Pick(roofs, 6, Hash(h, 8)));
    }
}

void Scene::BuildTrees()
{
    const Color leaves[] = {{52, 86, 40}, {62, 98, 46}, {44, 74, 38}, {76, 104, 52}, {58, 80, 34}};
    const Color needles[] = {{30, 58, 36}, {36, 66, 40}, {26, 50, 32}};
    auto add = [this](double x, double y, double trunk, double rh, double rv, Color c) {
        const double g = TerrainHeight(x, y);
        if (g < WaterLevelAt(x, y) + 0.5) return;
        m_crowns.push_back({{x, y, g + trunk + rv}, rh, rv, c});
    };
    auto inCorridor = [this](double x, double y) {
        const Vec3 ab = m_lineEnd - m_lineStart;
        const double s = std::clamp(Dot(Vec3{x, y, 0} - m_lineStart, ab) / Dot(ab, ab), 0.0, 1.0);
        const Vec3 q = m_lineStart + s * ab;
        return std::hypot(x - q.x, y - q.y) < 20.0;
    };
    int road = 0;
    // A wood in the west, conifers with some broadleaf trees.
    for (double x = -960.0; x < -620.0; x += 7.0)
        for (double y = -400.0; y < 400.0; y += 7.0) {
            const uint64_t h = Hash(m_seed, CellKey(static_cast<int64_t>(x), static_cast<int64_t>(y)), 5000u);
            const double xx = x + Uniform(-3.0, 3.0, Hash(h, 1)), yy = y + Uniform(-3.0, 3.0, Hash(h, 2));
            const double edge = -620.0 - 40.0 * std::sin(yy / 70.0 + m_phase[7]);
            if (xx > edge || inCorridor(xx, yy) || RoadDistance(xx, yy, road) < 6.0) continue;
            if (std::fabs(yy - RiverCentre(xx)) < 24.0) continue;
            if (Unit(h) < 0.7)
                add(xx, yy, Uniform(3.0, 6.0, Hash(h, 3)), Uniform(1.8, 2.7, Hash(h, 4)), Uniform(5.0, 8.5, Hash(h, 5)),
                    Pick(needles, 3, Hash(h, 6)));
            else
                add(xx, yy, Uniform(4.0, 7.0, Hash(h, 3)), Uniform(2.8, 4.5, Hash(h, 4)), Uniform(3.0, 5.0, Hash(h, 5)),
                    Pick(leaves, 5, Hash(h, 6)));
        }
    // Trees along both banks of the river.
    for (double x = -620.0; x < 1000.0; x += 9.0)
        for (double side : {-1.0, 1.0}) {
            const uint64_t h = Hash(m_seed, CellKey(static_cast<int64_t>(x), side > 0 ? 1 : 2), 6000u);
            if (Unit(h) < 0.35) continue;
            const double xx = x + Uniform(-3.0, 3.0, Hash(h, 1));
            const double yy = RiverCentre(xx) + side * Uniform(17.0, 30.0, Hash(h, 2));
            if (inCorridor(xx, yy)) continue;
            add(xx, yy, Uniform(2.0, 5.0, Hash(h, 3)), Uniform(2.5, 5.0, Hash(h, 4)), Uniform(2.5, 4.5, Hash(h, 5)),
                Pick(leaves, 5, Hash(h, 6)));
        }
    // An avenue along the north-south road.
    for (double y = -40.0; y < 400.0; y += 14.0)
        for (double side : {-1.0, 1.0}) {
            const double xx = 250.0 + 12.0 * std::sin(y / 90.0) + side * 8.5;
            if (inCorridor(xx, y)) continue;
            const uint64_t h = Hash(m_seed, CellKey(static_cast<int64_t>(y), side > 0 ? 3 : 4), 7000u);
            add(xx, y, Uniform(3.5, 5.0, Hash(h, 3)), Uniform(3.0, 4.0, Hash(h, 4)), Uniform(3.0, 4.0, Hash(h, 5)),
                Pick(leaves, 5, Hash(h, 6)));
        }
    // Garden trees behind the houses and copses in the fields.
    for (size_t i = 0; i < m_houseCentres.size(); ++i) {
        const uint64_t h = Hash(m_seed, 8000u + i);
        const int count = static_cast<int>(Unit(h) * 3.0);
        for (int k = 0; k < count; ++k) {
            const double a = Uniform(0.0, 2.0 * kPi, Hash(h, 10u + static_cast<uint64_t>(k)));
            const double r = Uniform(11.0, 16.0, Hash(h, 20u + static_cast<uint64_t>(k)));
            const double xx = m_houseCentres[i].x + r * std::cos(a), yy = m_houseCentres[i].y + r * std::sin(a);
            if (RoadDistance(xx, yy, road) < 7.0 || inCorridor(xx, yy)) continue;
            add(xx, yy, Uniform(1.5, 4.0, Hash(h, 30u + static_cast<uint64_t>(k))), Uniform(2.0, 3.5, Hash(h, 40u + static_cast<uint64_t>(k))),
                Uniform(2.0, 3.5, Hash(h, 50u + static_cast<uint64_t>(k))), Pick(leaves, 5, Hash(h, 60u + static_cast<uint64_t>(k))));
        }
    }
    for (uint64_t i = 0; i < 10; ++i) {
        const uint64_t h = Hash(m_seed, 9000u + i);
        const double cx = Uniform(-560.0, 950.0, Hash(h, 1)), cy = Uniform(-330.0, 330.0, Hash(h, 2));
        for (uint64_t k = 0; k < 25; ++k) {
            const double xx = cx + Uniform(-22.0, 22.0, Hash(h, 100u + k)), yy = cy + Uniform(-16.0, 16.0, Hash(h, 200u + k));
            if (!FreeForBuilding(xx, yy, 0.0)) continue;
            add(xx, yy, Uniform(2.0, 5.0, Hash(h, 300u + k)), Uniform(2.5, 4.5, Hash(h, 400u + k)),
                Uniform(2.5, 4.5, Hash(h, 500u + k)), Pick(leaves, 5, Hash(h, 600u + k)));
        }
    }
}

void Scene::BuildPowerLine()
{
    const Vec3 along = Normalised(m_lineEnd - m_lineStart);
    const Vec3 across{-along.y, along.x, 0.0};
    const double length = Length(m_lineEnd - m_lineStart);
    const Color steel{150, 152, 156};
    std::vector<Vec3> pylons;
    for (double s = 30.0; s < length; s += 245.0) {
        const Vec3 p = m_lineStart + s * along;
        pylons.push_back({p.x, p.y, TerrainHeight(p.x, p.y) - 0.2});
    }
    // Lattice tower as a tapering square shaft, crossarms as boxes.
    auto box = [&](Vec3 c, double halfAlong, double halfAcross, double z0, double z1, double gap) {
        std::vector<Plane> pl{{along, Dot(along, c) + halfAlong},
                              {-1.0 * along, -Dot(along, c) + halfAlong},
                              {across, Dot(across, c) + halfAcross},
                              {-1.0 * across, -Dot(across, c) + halfAcross},
                              {{0, 0, 1}, z1},
                              {{0, 0, -1}, -z0}};
        const double r = std::hypot(halfAlong, halfAcross);
        AddSolid(pl, Material::Steel, steel, gap, {c.x - r, c.y - r, z0}, {c.x + r, c.y + r, z1});
    };
    for (const Vec3& p : pylons) {
        const double h = 31.0, base = 3.6, top = 0.9;
        std::vector<Plane> pl;
        for (Vec3 n : {along, -1.0 * along, across, -1.0 * across}) {
            // Side plane through the base edge and the top edge.
            const double slope = (base - top) / h;
            Vec3 nn{n.x, n.y, slope};
            const double len = Length(nn);
            nn = (1.0 / len) * nn;
            pl.push_back({nn, (Dot(n, p) + base + slope * p.z) / len});
        }
        pl.push_back({{0, 0, 1}, p.z + h});
        pl.push_back({{0, 0, -1}, -p.z});
        AddSolid(pl, Material::Steel, steel, 0.55, {p.x - base * 1.5, p.y - base * 1.5, p.z}, {p.x + base * 1.5, p.y + base * 1.5, p.z + h});
        box(p, 0.6, 7.0, p.z + 24.0, p.z + 25.0, 0.3);
        box(p, 0.5, 4.0, p.z + 29.0, p.z + 29.8, 0.3);
        ++m_pylonCount;
    }
    // Conductors hang below the arm ends; the earth wire runs over the peak.
    struct Wire {
        double lateral, height, sag;
    };
    const Wire wires[] = {{-6.5, 23.6, 7.0}, {6.5, 23.6, 7.0}, {-3.6, 28.6, 6.0}, {3.6, 28.6, 6.0}, {0.0, 31.0, 5.0}};
    for (size_t i = 0; i + 1 < pylons.size(); ++i)
        for (const Wire& w : wires) {
            const Vec3 a = pylons[i] + w.lateral * across + Vec3{0, 0, w.height};
            const Vec3 b = pylons[i + 1] + w.lateral * across + Vec3{0, 0, w.height};
            const int pieces = 60;
            Vec3 prev = a;
            for (int k = 1; k <= pieces; ++k) {
                const double s = static_cast<double>(k) / pieces;
                Vec3 q = a + s * (b - a);
                q.z -= 4.0 * w.sag * s * (1.0 - s);  // a parabola is a close enough catenary here
                m_capsules.push_back({prev, q, 0.18});
                prev = q;
            }
        }
}

void Scene::BuildGrid()
{
    m_cols = static_cast<int>(std::ceil((m_layout.xMax - m_layout.xMin) / m_cell)) + 1;
    m_rows = static_cast<int>(std::ceil((m_layout.yMax - m_layout.yMin) / m_cell)) + 1;
    const size_t cells = static_cast<size_t>(m_cols) * static_cast<size_t>(m_rows);
    std::vector<uint32_t> count(cells + 1, 0);
    // Two passes, counting then filling, so the item list is one exact block.
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<uint32_t> fill;
        if (pass == 1) {
            m_cellStart.assign(cells + 1, 0);
            for (size_t c = 0; c < cells; ++c) m_cellStart[c + 1] = m_cellStart[c] + count[c];
            m_cellItems.assign(m_cellStart[cells], 0);
            fill.assign(m_cellStart.begin(), m_cellStart.end() - 1);
        }
        auto visit = [&](double x0, double y0, double x1, double y1, uint32_t item) {
            const int c0 = std::clamp(static_cast<int>((x0 - m_layout.xMin) / m_cell), 0, m_cols - 1);
            const int c1 = std::clamp(static_cast<int>((x1 - m_layout.xMin) / m_cell), 0, m_cols - 1);
            const int r0 = std::clamp(static_cast<int>((y0 - m_layout.yMin) / m_cell), 0, m_rows - 1);
            const int r1 = std::clamp(static_cast<int>((y1 - m_layout.yMin) / m_cell), 0, m_rows - 1);
            for (int r = r0; r <= r1; ++r)
                for (int c = c0; c <= c1; ++c) {
                    const size_t cell = static_cast<size_t>(r) * static_cast<size_t>(m_cols) + static_cast<size_t>(c);
                    if (pass == 0)
                        ++count[cell];
                    else
                        m_cellItems[fill[cell]++] = item;
                }
        };
        for (size_t i = 0; i < m_solids.size(); ++i)
            visit(m_solids[i].lo.x, m_solids[i].lo.y, m_solids[i].hi.x, m_solids[i].hi.y, kKindSolid | static_cast<uint32_t>(i));
        for (size_t i = 0; i < m_crowns.size(); ++i) {
            const Crown& c = m_crowns[i];
            visit(c.centre.x - c.rh, c.centre.y - c.rh, c.centre.x + c.rh, c.centre.y + c.rh, kKindCrown | static_cast<uint32_t>(i));
        }
        for (size_t i = 0; i < m_capsules.size(); ++i) {
            const Capsule& c = m_capsules[i];
            visit(std::min(c.a.x, c.b.x) - c.radius, std::min(c.a.y, c.b.y) - c.radius, std::max(c.a.x, c.b.x) + c.radius,
                  std::max(c.a.y, c.b.y) + c.radius, kKindCapsule | static_cast<uint32_t>(i));
        }
    }
}

// ---- ray casting ----------------------------------------------------------

bool Scene::HitSolid(const Solid& s, Vec3 o, Vec3 d, double tMax, Hit& hit) const
{
    double tIn = 0.0, tOut = tMax;
    const Plane* entering = nullptr;
    for (uint32_t i = 0; i < s.planeCount; ++i) {
        const Plane& p = m_planes[s.firstPlane + i];
        const double denom = Dot(p.n, d);
        const double num = p.d - Dot(p.n, o);
        if (std::fabs(denom) < 1e-12) {
            if (num < 0.0) return false;
            continue;
        }
        const double t = num / denom;
        if (denom < 0.0) {
            if (t > tIn) {
                tIn = t;
                entering = &p;
            }
        } else if (t < tOut) {
            tOut = t;
        }
        if (tIn > tOut) return false;
    }
    if (!entering || tIn >= tMax) return false;
    hit.t = tIn;
    hit.normal = entering->n;
    const bool roof = s.material == Material::Roof && entering->n.z > 0.3;
    hit.material = s.material == Material::Roof && !roof ? Material::Wall : s.material;
    hit.color = s.material == Material::Roof && !roof ? s.wallColor : s.color;
    return true;
}

bool Scene::HitCrown(const Crown& c, Vec3 o, Vec3 d, double tMax, uint64_t pulse, uint32_t id, Hit& hit) const
{
    // Ellipsoid as a unit sphere after scaling z.
    const double sz = c.rh / c.rv;
    const Vec3 oc{o.x - c.centre.x, o.y - c.centre.y, (o.z - c.centre.z) * sz};
    const Vec3 ds{d.x, d.y, d.z * sz};
    const double a = Dot(ds, ds), b = Dot(oc, ds), cc = Dot(oc, oc) - c.rh * c.rh;
    const double disc = b * b - a * cc;
    if (disc <= 0.0) return false;
    const double root = std::sqrt(disc);
    double t = (-b - root) / a;
    const double tFar = (-b + root) / a;
    if (t < 0.0 || t >= tMax) return false;
    // Foliage is not a shell: a share of pulses slips through the gaps, the
    // rest return from some depth inside the crown.
    const uint64_t h = Hash(pulse, id, 0x7ee);
    if (Unit(h) < 0.28) return false;
    t += std::min(tFar - t, 2.0) * Unit(Hash(h, 1)) * 0.6;
    const Vec3 p = o + t * d;
    hit.t = t;
    hit.normal = Normalised(Vec3{p.x - c.centre.x, p.y - c.centre.y, (p.z - c.centre.z) * sz * sz});
    hit.material = Material::Tree;
    hit.color = c.color;
    return true;
}

bool Scene::HitCapsule(const Capsule& c, Vec3 o, Vec3 d, double tMax, Hit& hit) const
{
    // Closest approach between the ray and the wire piece; the beam's
    // footprint, not the wire's own thickness, sets the radius.
    const Vec3 e = c.b - c.a;
    const Vec3 w = o - c.a;
    const double ee = Dot(e, e), de = Dot(d, e), dw = Dot(d, w), ew = Dot(e, w);
    const double denom = ee - de * de;
    if (denom < 1e-12) return false;
    double s = std::clamp((ew - de * dw) / denom, 0.0, 1.0);
    const Vec3 q = c.a + s * e;
    const double t = Dot(q - o, d);
    if (t <= 0.0 || t >= tMax) return false;
    const Vec3 p = o + t * d;
    if (Length(p - q) > c.radius) return false;
    hit.t = t;
    hit.normal = Normalised(p - q);
    if (Length(hit.normal) == 0.0) hit.normal = -1.0 * d;
    hit.material = Material::Wire;
    hit.color = {58, 58, 62};
    return true;
}

bool Scene::HitGround(Vec3 o, Vec3 d, double maxRange, Hit& hit) const
{
    if (d.z > -0.05) return false;  // nearly level beams never come down in range
    auto f = [&](double t) { return o.z + t * d.z - SurfaceHeight(o.x + t * d.x, o.y + t * d.y); };
    // Relaxation on the flat-ground step, then secant steps; the terrain is
    // gentle enough that this converges in a few evaluations.
    double t0 = (o.z - SurfaceHeight(o.x, o.y)) / -d.z;
    double f0 = f(t0);
    double t1 = t0 + f0 / -d.z;
    double f1 = f(t1);
    for (int i = 0; i < 12 && std::fabs(f1) > 1e-5; ++i) {
        const double slope = (f1 - f0) / (t1 - t0);
        double t2 = (std::fabs(slope) > 1e-9 && std::fabs(t1 - t0) > 1e-12) ? t1 - f1 / slope : t1 + f1 / -d.z;
        if (!(t2 > 0.0) || t2 > 4.0 * maxRange) t2 = t1 + f1 / -d.z;
        t0 = t1;
        f0 = f1;
        t1 = t2;
        f1 = f(t1);
    }
    if (!(t1 > 0.0) || t1 >= maxRange || std::fabs(f1) > 0.01) return false;
    const Vec3 p = o + t1 * d;
    const double water = WaterLevelAt(p.x, p.y);
    const double ground = TerrainHeight(p.x, p.y);
    hit.t = t1;
    if (water > ground) {
        hit.material = Material::Water;
        hit.normal = {0, 0, 1};
    } else {
        const double e = 0.5;
        hit.normal = Normalised(Vec3{SurfaceHeight(p.x - e, p.y) - SurfaceHeight(p.x + e, p.y),
                                     SurfaceHeight(p.x, p.y - e) - SurfaceHeight(p.x, p.y + e), 2.0 * e});
        int road = 0;
        if (RoadDistance(p.x, p.y, road) < 3.5)
            hit.material = Material::Road;
        else if (ground < water + 0.7)
            hit.material = Material::Bank;
        else
            hit.material = Material::Grass;
    }
    hit.color = GroundColor(hit.material, p.x, p.y);
    return true;
}

Color Scene::GroundColor(Material m, double x, double y) const
{
    const double pixel = Unit(m_seed, CellKey(static_cast<int64_t>(std::floor(x * 2.0)), static_cast<int64_t>(std::floor(y * 2.0)))) - 0.5;
    switch (m) {
    case Material::Water:
        return Shade({44, 72, 84}, 1.0, 8.0 * pixel);
    case Material::Road: {
        int road = 0;
        const double dist = RoadDistance(x, y, road);
        const double along = road == 1 ? x : y;
        if (dist < 0.12 && std::fmod(std::fabs(along), 12.0) < 6.0) return Shade({226, 226, 218}, 1.0, 10.0 * pixel);
        return Shade({98, 98, 102}, 1.0, 14.0 * pixel);
    }
    case Material::Bank:
        return Shade({168, 150, 112}, 1.0, 18.0 * pixel);
    default:
        break;
    }
    // Fields in a slightly turned patchwork; meadows near the village.
    const double ca = std::cos(0.21), sa = std::sin(0.21);
    const double u = x * ca + y * sa, v = -x * sa + y * ca;
    const int64_t fu = static_cast<int64_t>(std::floor(u / 85.0)), fv = static_cast<int64_t>(std::floor(v / 58.0));
    const uint64_t field = Hash(m_seed, CellKey(fu, fv), 0xf1e1d);
    const Color crops[] = {{96, 140, 62}, {118, 156, 70}, {150, 160, 84}, {190, 176, 104}, {132, 112, 78}, {84, 124, 56}};
    Color c = Pick(crops, 6, field);
    // Tramlines and furrows in the crops, darker field margins.
    const double fu01 = u / 85.0 - static_cast<double>(fu), fv01 = v / 58.0 - static_cast<double>(fv);
    double factor = 1.0;
    if (fu01 < 0.02 || fu01 > 0.98 || fv01 < 0.03 || fv01 > 0.97) factor = 0.8;
    else if ((field & 8u) && std::fmod(std::fabs(v), 3.0) < 0.5) factor = 0.9;
    return Shade(c, factor, 22.0 * pixel);
}

bool Scene::CastRay(Vec3 origin, Vec3 dir, double maxRange, uint64_t pulse, Hit& hit) const
{
    bool found = HitGround(origin, dir, maxRange, hit);
    double tMax = found ? hit.t : maxRange;
    // Objects can only be met on the stretch of the beam that runs below the
    // tallest of them.
    const Vec3 end = origin + tMax * dir;
    const double groundZ = found ? end.z : SurfaceHeight(end.x, end.y);
    double tTop = dir.z < 0.0 ? (origin.z - (groundZ + kTallest)) / -dir.z : 0.0;
    tTop = std::clamp(tTop, 0.0, tMax);
    const Vec3 a = origin + tTop * dir, b = origin + tMax * dir;
    const int c0 = std::clamp(static_cast<int>((std::min(a.x, b.x) - m_layout.xMin) / m_cell), 0, m_cols - 1);
    const int c1 = std::clamp(static_cast<int>((std::max(a.x, b.x) - m_layout.xMin) / m_cell), 0, m_cols - 1);
    const int r0 = std::clamp(static_cast<int>((std::min(a.y, b.y) - m_layout.yMin) / m_cell), 0, m_rows - 1);
    const int r1 = std::clamp(static_cast<int>((std::max(a.y, b.y) - m_layout.yMin) / m_cell), 0, m_rows - 1);
    Hit candidate;
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) {
            const size_t cell = static_cast<size_t>(r) * static_cast<size_t>(m_cols) + static_cast<size_t>(c);
            for (uint32_t k = m_cellStart[cell]; k < m_cellStart[cell + 1]; ++k) {
                const uint32_t item = m_cellItems[k];
                const uint32_t index = item & kIndexMask;
                bool got = false;
                switch (item & ~kIndexMask) {
                case kKindSolid: {
                    const Solid& s = m_solids[index];
                    if (s.gap > 0.0 && Unit(Hash(pulse, index, 0x501d)) < s.gap) break;
                    got = HitSolid(s, origin, dir, tMax, candidate);
                    break;
                }
                case kKindCrown:
                    got = HitCrown(m_crowns[index], origin, dir, tMax, pulse, index, candidate);
                    break;
                default:
                    got = HitCapsule(m_capsules[index], origin, dir, tMax, candidate);
                    break;
                }
                if (got && candidate.t < tMax) {
                    hit = candidate;
                    tMax = candidate.t;
                    found = true;
                }
            }
        }
    if (!found) return false;
    hit.point = origin + hit.t * dir;
    if (Dot(hit.normal, dir) > 0.0) hit.normal = -1.0 * hit.normal;
    // Ambient light plus a sun from the south-west, as the orthophoto saw it.
    const Vec3 sun = Normalised(Vec3{-0.4, -0.55, 0.73});
    const double light = 0.72 + 0.38 * std::max(0.0, Dot(hit.normal, sun));
    if (hit.material != Material::Water && hit.material != Material::Road) hit.color = Shade(hit.color, light, 0.0);
    static constexpr double kReflectance[] = {0.55, 0.5, 0.22, 0.6, 0.05, 0.32, 0.42, 0.45, 0.5, 0.35};
    hit.reflectance = kReflectance[static_cast<int>(hit.material)];
    return true;
}

}  // namespace oxv::demo
