#pragma once

#include <cstddef>
#include <vector>

#include "geo/CoordinateSystem.h"
#include "geo/LocalFrame.h"

namespace oxv {

// Takes coordinates of a file's coordinate system into a survey's local
// frame (metres east, north, up): PROJ to WGS-84, then the local frame.
//
// PROJ costs about a microsecond a point, ten seconds for ten million. Over
// a survey's extent the mapping is smooth, so Prepare evaluates it through
// PROJ on a lattice of nodes and the points are interpolated between them;
// the lattice is refined until, at the centre of every checked cell, the
// interpolation is within kLatticeTolerance of PROJ's own answer. Where no
// lattice of reasonable size gets there (a survey hundreds of kilometres
// across), every point goes through PROJ.
class CrsToLocal {
public:
    static constexpr double kLatticeTolerance = 5e-5;  // metres

    CrsToLocal(const CoordinateSystem& system, const LocalFrame& frame) : m_system(system), m_frame(frame) {}

    enum class Preparation {
        Ready,
        Unconvertible,  // PROJ cannot convert the box's corners or centre
        TooFar,         // a corner lies beyond kFrameReach of the origin
    };
    // Millimetres in an int32 either side of the origin, in metres.
    static constexpr double kFrameReach = 2147483.0;

    // For points within [low, high] (the system's units).
    [[nodiscard]] Preparation Prepare(const double low[3], const double high[3]);

    // In place, `count` points: the system's x, y, z to local metres. False
    // when PROJ could not convert some of them (those become infinite).
    bool Map(double* x, double* y, double* z, size_t count) const;

    bool UsesLattice() const { return !m_nodes.empty(); }
    // Cells across and along (0 without a lattice), and the largest
    // difference from PROJ found at the checked cell centres, metres.
    int LatticeColumns() const { return m_columns; }
    int LatticeRows() const { return m_rows; }
    double LatticeError() const { return m_error; }

    // Through PROJ alone, no lattice.
    bool MapExactly(double* x, double* y, double* z, size_t count) const;

private:
    bool BuildLattice(int columns, int rows);
    void FindUniformHeight();
    double CheckLattice() const;
    void Interpolate(double x, double y, double z, double out[3]) const;

    const CoordinateSystem& m_system;
    const LocalFrame& m_frame;
    double m_low[3] = {0, 0, 0};
    double m_high[3] = {0, 0, 0};
    int m_columns = 0;
    int m_rows = 0;
    int m_levels = 0;  // heights: 1 when the box is flat, else 2
    double m_cellX = 0, m_cellY = 0, m_cellZ = 0;
    double m_perCellX = 0, m_perCellY = 0;  // cells per unit, 0 for a flat side
    // Where height shifts every node alike (PROJ passes heights through or
    // adds the same to all), one level and this gradient per unit of height
    // stand for the two levels.
    bool m_uniformHeight = false;
    double m_heightGradient[3] = {0, 0, 0};
    std::vector<double> m_nodes;  // (level, row, column) -> east, north, up
    double m_error = 0.0;
};

}  // namespace oxv
