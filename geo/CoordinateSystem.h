#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace oxv {

// A coordinate system a file names (OGC WKT, "EPSG:n", a PROJ string) and
// PROJ's way between it and WGS-84 geodetic coordinates (latitude and
// longitude in degrees, ellipsoidal height in metres). Coordinates in the
// system are in its own units, east (or longitude) first.
class CoordinateSystem {
public:
    ~CoordinateSystem();
    CoordinateSystem(const CoordinateSystem&) = delete;
    CoordinateSystem& operator=(const CoordinateSystem&) = delete;

    // Null, with the reason in `why`, when PROJ does not know the system or
    // knows no way from it to WGS-84.
    static std::unique_ptr<CoordinateSystem> Create(const std::string& definition, std::string& why);

    // The system's own name ("WGS 84 / UTM zone 32N").
    const std::string& Name() const { return m_name; }
    bool IsGeographic() const { return m_geographic; }
    // What PROJ does between the system and WGS-84 ("Inverse of UTM zone
    // 32N + ..."), as it chose it for the last conversion.
    std::string OperationName() const;

    // In place: x, y, z in the system to longitude, latitude (degrees) and
    // ellipsoidal height; false when any of them could not be converted
    // (those come back as infinities).
    bool ToGeodetic(double* x, double* y, double* z, size_t count) const;
    // In place: longitude, latitude (degrees), ellipsoidal height to x, y, z.
    bool FromGeodetic(double* x, double* y, double* z, size_t count) const;

    // The system as OGC WKT for a LAS file: WKT1 where it has one, else WKT2.
    std::string Wkt() const;

private:
    struct Proj;
    explicit CoordinateSystem(std::unique_ptr<Proj> proj);

    std::unique_ptr<Proj> m_proj;
    std::string m_name;
    bool m_geographic = false;
};

}  // namespace oxv
