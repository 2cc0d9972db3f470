#pragma once

#include <cstdint>
#include <string>

#include "las/LasHeader.h"

namespace oxv::las {

// What a LAS file held and how it became the survey: shown by `oxvtool info`.
struct LasSurvey {
    Header header;
    uint64_t vlrs = 0;   // VLRs and extended VLRs read
    std::string crsSource;  // "OGC WKT", "GeoTIFF keys" or empty
    std::string crsDefinition;  // as given to PROJ (WKT shortened)
    std::string crsName;        // PROJ's name for it; empty without one
    std::string crsProblem;     // why a system the file names could not be used
    std::string operation;      // PROJ's operation to WGS-84
    bool originFromFile = false;  // our own origin record placed the frame
    double centre[3] = {0, 0, 0};  // of the data, in the file's units
    double dataMin[3] = {0, 0, 0};
    double dataMax[3] = {0, 0, 0};
    // How the points reached the local frame: 0 lattice cells without a
    // system or when every point went through PROJ.
    int latticeColumns = 0;
    int latticeRows = 0;
    double latticeError = 0.0;  // metres
    int intensityShift = 0;      // amplitude = intensity >> shift
    bool colorHighBytes = true;  // colour = RGB >> 8; false: the values themselves
    uint16_t intensityMax = 0;
    uint16_t colorMax = 0;
    bool timeOrdered = true;  // GPS times never decrease from one point to the next
    double timeMin = 0.0;     // seconds
    double timeMax = 0.0;
};

}  // namespace oxv::las
