#include "geo/CrsToLocal.h"

#include <algorithm>
#include <cmath>

namespace oxv {

namespace {

// Lattices from 16 x 16 cells up to 512 x 512 (about 6 MB of nodes a level).
constexpr int kFirstCells = 16;
constexpr int kMostCells = 512;
// Cell centres checked against PROJ: all of a small lattice, an even spread
// of a large one.
constexpr int kMostChecks = 16384;

}  // namespace

bool CrsToLocal::MapExactly(double* x, double* y, double* z, size_t count) const
{
    const bool converted = m_system.ToGeodetic(x, y, z, count);
    for (size_t i = 0; i < count; ++i) {
        double local[3];
        m_frame.ToLocal(y[i], x[i], z[i], local);
        x[i] = local[0];
        y[i] = local[1];
        z[i] = local[2];
    }
    return converted;
}

CrsToLocal::Preparation CrsToLocal::Prepare(const double low[3], const double high[3])
{
    m_nodes.clear();
    m_columns = m_rows = 0;
    m_error = 0.0;
    for (int a = 0; a < 3; ++a) {
        m_low[a] = low[a];
        m_high[a] = std::max(high[a], low[a]);
    }
    // The corners and the centre must convert, lattice or not, and lie
    // within the frame's reach: a box a continent wide is a damaged file,
    // and would only send every point through PROJ's slowest paths.
    double x[9], y[9], z[9];
    for (int k = 0; k < 8; ++k) {
        x[k] = (k & 1) ? m_high[0] : m_low[0];
        y[k] = (k & 2) ? m_high[1] : m_low[1];
        z[k] = (k & 4) ? m_high[2] : m_low[2];
    }
    x[8] = 0.5 * (m_low[0] + m_high[0]);
    y[8] = 0.5 * (m_low[1] + m_high[1]);
    z[8] = 0.5 * (m_low[2] + m_high[2]);
    if (!MapExactly(x, y, z, 9)) return Preparation::Unconvertible;
    for (int k = 0; k < 9; ++k)
        if (!(std::max({std::fabs(x[k]), std::fabs(y[k]), std::fabs(z[k])}) < kFrameReach)) return Preparation::TooFar;

    m_levels = m_high[2] > m_low[2] ? 2 : 1;
    const double width = m_high[0] - m_low[0];
    const double depth = m_high[1] - m_low[1];
    for (int cells = kFirstCells; cells <= kMostCells; cells *= 2) {
        // Square cells where the box allows: the longer side gets `cells`.
        const double longer = std::max(width, depth);
        const int columns = longer > 0 ? std::max(1, static_cast<int>(std::ceil(cells * width / longer))) : 1;
        const int rows = longer > 0 ? std::max(1, static_cast<int>(std::ceil(cells * depth / longer))) : 1;
        if (!BuildLattice(columns, rows)) break;
        m_error = CheckLattice();
        if (m_error <= kLatticeTolerance) return Preparation::Ready;
    }
    m_nodes.clear();
    m_columns = m_rows = 0;
    return Preparation::Ready;
}

bool CrsToLocal::BuildLattice(int columns, int rows)
{
    m_columns = columns;
    m_rows = rows;
    m_cellX = (m_high[0] - m_low[0]) / columns;
    m_cellY = (m_high[1] - m_low[1]) / rows;
    m_cellZ = m_high[2] - m_low[2];
    const size_t perLevel = static_cast<size_t>(columns + 1) * static_cast<size_t>(rows + 1);
    const size_t count = perLevel * static_cast<size_t>(m_levels);
    std::vector<double> x(count), y(count), z(count);
    size_t k = 0;
    for (int level = 0; level < m_levels; ++level)
        for (int r = 0; r <= rows; ++r)
            for (int c = 0; c <= columns; ++c, ++k) {
                x[k] = c == columns ? m_high[0] : m_low[0] + c * m_cellX;
                y[k] = r == rows ? m_high[1] : m_low[1] + r * m_cellY;
                z[k] = level == 0 ? m_low[2] : m_high[2];
            }
    if (!MapExactly(x.data(), y.data(), z.data(), count)) {
        m_nodes.clear();
        return false;
    }
    m_nodes.resize(count * 3);
    for (size_t i = 0; i < count; ++i) {
        m_nodes[3 * i] = x[i];
        m_nodes[3 * i + 1] = y[i];
        m_nodes[3 * i + 2] = z[i];
    }
    m_perCellX = m_cellX > 0 ? 1.0 / m_cellX : 0.0;
    m_perCellY = m_cellY > 0 ? 1.0 / m_cellY : 0.0;
    FindUniformHeight();
    return true;
}

void CrsToLocal::FindUniformHeight()
{
    m_uniformHeight = false;
    if (m_levels < 2 || !(m_cellZ > 0)) return;
    const size_t perLevel = m_nodes.size() / 6;
    for (int a = 0; a < 3; ++a) {
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        for (size_t i = 0; i < perLevel; ++i) {
            const double d = m_nodes[3 * (perLevel + i) + static_cast<size_t>(a)] - m_nodes[3 * i + static_cast<size_t>(a)];
            lo = std::min(lo, d);
            hi = std::max(hi, d);
        }
        // Within a tenth of the tolerance over the whole height span.
        if (!(hi - lo <= 0.1 * kLatticeTolerance)) return;
        m_heightGradient[a] = 0.5 * (lo + hi) / m_cellZ;
    }
    m_uniformHeight = true;
}

double CrsToLocal::CheckLattice() const
{
    const size_t cells = static_cast<size_t>(m_columns) * static_cast<size_t>(m_rows);
    const size_t stride = std::max<size_t>(1, cells / kMostChecks);
    std::vector<double> x, y, z, expected;
    for (size_t cell = 0; cell < cells; cell += stride) {
        const double c = static_cast<double>(cell % static_cast<size_t>(m_columns)) + 0.5;
        const double r = static_cast<double>(cell / static_cast<size_t>(m_columns)) + 0.5;
        x.push_back(m_low[0] + c * m_cellX);
        y.push_back(m_low[1] + r * m_cellY);
        z.push_back(0.5 * (m_low[2] + m_high[2]));
    }
    const size_t n = x.size();
    std::vector<double> px(x), py(y), pz(z);
    if (!MapExactly(px.data(), py.data(), pz.data(), n)) return HUGE_VAL;
    double worst = 0.0;
    for (size_t i = 0; i < n; ++i) {
        double local[3];
        Interpolate(x[i], y[i], z[i], local);
        worst = std::max({worst, std::fabs(local[0] - px[i]), std::fabs(local[1] - py[i]), std::fabs(local[2] - pz[i])});
    }
    return worst;
}

void CrsToLocal::Interpolate(double x, double y, double z, double out[3]) const
{
    double u = (x - m_low[0]) * m_perCellX;
    double v = (y - m_low[1]) * m_perCellY;
    const int c = std::clamp(static_cast<int>(std::floor(u)), 0, m_columns - 1);
    const int r = std::clamp(static_cast<int>(std::floor(v)), 0, m_rows - 1);
    u -= c;
    v -= r;
    const double w = m_levels > 1 && m_cellZ > 0 ? (z - m_low[2]) / m_cellZ : 0.0;
    const size_t rowLength = static_cast<size_t>(m_columns) + 1;
    const size_t perLevel = rowLength * (static_cast<size_t>(m_rows) + 1);
    const size_t base = static_cast<size_t>(r) * rowLength + static_cast<size_t>(c);
    if (m_uniformHeight) {
        const double* n = m_nodes.data() + 3 * base;
        const double* m = n + 3 * rowLength;
        const double w00 = (1 - v) * (1 - u), w01 = (1 - v) * u, w10 = v * (1 - u), w11 = v * u;
        const double dz = z - m_low[2];
        for (int a = 0; a < 3; ++a)
            out[a] = w00 * n[a] + w01 * n[3 + a] + w10 * m[a] + w11 * m[3 + a] + dz * m_heightGradient[a];
        return;
    }
    for (int a = 0; a < 3; ++a) {
        double level[2] = {0.0, 0.0};
        for (int l = 0; l < m_levels; ++l) {
            const double* n = m_nodes.data() + 3 * (l * perLevel + base) + a;
            const double n00 = n[0], n01 = n[3], n10 = n[3 * rowLength], n11 = n[3 * rowLength + 3];
            level[l] = (1 - v) * ((1 - u) * n00 + u * n01) + v * ((1 - u) * n10 + u * n11);
        }
        out[a] = m_levels > 1 ? level[0] + w * (level[1] - level[0]) : level[0];
    }
}

bool CrsToLocal::Map(double* x, double* y, double* z, size_t count) const
{
    if (m_nodes.empty()) return MapExactly(x, y, z, count);
    for (size_t i = 0; i < count; ++i) {
        double local[3];
        Interpolate(x[i], y[i], z[i], local);
        x[i] = local[0];
        y[i] = local[1];
        z[i] = local[2];
    }
    return true;
}

}  // namespace oxv
