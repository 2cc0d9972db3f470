#pragma once

#include <cstdint>
#include <vector>

#include "tools/demo/Vec3.h"

namespace oxv::demo {

enum class Material : uint8_t { Grass, Field, Road, Bank, Water, Roof, Wall, Tree, Steel, Wire };

struct Color {
    uint8_t r = 0, g = 0, b = 0;
};

struct Hit {
    double t = 0.0;  // distance along the unit ray, metres
    Vec3 point;
    Vec3 normal;     // unit, facing the ray
    Material material = Material::Grass;
    Color color;   // the orthophoto's colour at the hit
    double reflectance = 0.0;
};

// Where things stand, for the flight planner and the tests.
struct SceneLayout {
    double xMin = -1000.0, xMax = 1000.0, yMin = -420.0, yMax = 420.0;
    double riverWater = 12.0;  // half width of the open water
};

// A helicopter strip's worth of countryside in the local frame (metres, x
// east, y north, z up): gentle relief, a river and a lake, two roads, houses
// with gabled roofs, woods and single trees, and a power line with lattice
// pylons and sagging wires. Built once from a seed; ray casting is read only
// and safe to share.
class Scene {
public:
    explicit Scene(uint64_t seed);

    const SceneLayout& Layout() const { return m_layout; }

    // Bare earth, and the surface a beam meets on open ground (water where
    // the earth lies below the water level).
    double TerrainHeight(double x, double y) const;
    double SurfaceHeight(double x, double y) const;
    double WaterLevelAt(double x, double y) const;  // very low where there is no water
    double RiverCentre(double x) const;             // y of the river's middle
    double RoadOneCentre(double x) const;           // y of the east-west road
    double RoadTwoCentre(double y) const;           // x of the north-south road

    // The first surface a unit ray from `origin` meets within `maxRange`.
    // `pulse` decides, reproducibly, whether this pulse slips through gaps
    // in tree crowns and lattice pylons.
    [[nodiscard]] bool CastRay(Vec3 origin, Vec3 dir, double maxRange, uint64_t pulse, Hit& hit) const;

    size_t HouseCount() const { return m_houseCount; }
    size_t TreeCount() const { return m_crowns.size(); }
    size_t PylonCount() const { return m_pylonCount; }

private:
    struct Plane {
        Vec3 n;
        double d;  // inside where Dot(n, p) <= d
    };
    struct Solid {
        uint32_t firstPlane, planeCount;
        Material material;
        Color color;
        double gap;   // share of pulses passing through (lattice work)
        Vec3 lo, hi;  // bounding box
        Color wallColor;
    };
    struct Crown {
        Vec3 centre;
        double rh, rv;
        Color color;
    };
    struct Capsule {
        Vec3 a, b;
        double radius;
    };

    double Natural(double x, double y) const;
    double RiverLevel(double x) const;
    double RoadDistance(double x, double y, int& road) const;
    Color GroundColor(Material m, double x, double y) const;

    void BuildRoadsideHouses();
    void BuildTrees();
    void BuildPowerLine();
    void AddHouse(double cx, double cy, double angle, double width, double length, double eaves, double ridge,
                  Color roof);
    uint32_t AddSolid(const std::vector<Plane>& planes, Material material, Color color, double gap, Vec3 lo,
                      Vec3 hi);
    [[nodiscard]] bool FreeForBuilding(double x, double y, double clearance) const;
    void BuildGrid();

    [[nodiscard]] bool HitSolid(const Solid& s, Vec3 o, Vec3 d, double tMax, Hit& hit) const;
    bool HitCrown(const Crown& c, Vec3 o, Vec3 d, double tMax, uint64_t pulse, uint32_t id, Hit& hit) const;
    [[nodiscard]] bool HitCapsule(const Capsule& c, Vec3 o, Vec3 d, double tMax, Hit& hit) const;
    bool HitGround(Vec3 o, Vec3 d, double maxRange, Hit& hit) const;

    uint64_t m_seed;
    SceneLayout m_layout;
    double m_phase[8];
    Vec3 m_lakeCentre{-480.0, 30.0, 0.0};
    double m_lakeRadius = 60.0;
    double m_lakeLevel = 0.0;
    Vec3 m_lineStart{-1000.0, -300.0, 0.0};
    Vec3 m_lineEnd{1000.0, 280.0, 0.0};

    std::vector<Plane> m_planes;
    std::vector<Solid> m_solids;
    std::vector<Crown> m_crowns;
    std::vector<Capsule> m_capsules;
    std::vector<Vec3> m_houseCentres;
    size_t m_houseCount = 0;
    size_t m_pylonCount = 0;

    // Uniform grid over the ground plan; each cell lists the objects whose
    // footprint touches it (kind in the top two bits, index below).
    double m_cell = 16.0;
    int m_cols = 0, m_rows = 0;
    std::vector<uint32_t> m_cellStart;
    std::vector<uint32_t> m_cellItems;
};

}  // namespace oxv::demo
