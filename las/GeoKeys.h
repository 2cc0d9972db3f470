#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oxv::las {

// GeoTIFF keys (the GeoKeyDirectoryTag record with its double and ASCII
// parameters) as a coordinate system definition for PROJ: "EPSG:n" for a
// projected or geographic system named by its code, "EPSG:h+v" with a
// vertical one, and for a system given by parameters the PROJ string that
// libgeotiff makes of them. Empty, with the reason in `why`, when the keys
// name none.
std::string CoordinateSystemFromGeoKeys(const std::vector<uint8_t>& directory, const std::vector<uint8_t>& doubles,
                                        const std::vector<uint8_t>& ascii, std::string& why);

}  // namespace oxv::las
