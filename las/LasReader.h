#pragma once

#include <functional>
#include <string>

#include "las/LasSurvey.h"
#include "base/ImageBlock.h"
#include "base/LoadStatus.h"

namespace oxv::las {


// True when the file at `path` is to be read as LAS: it begins with "LASF"
// or is named .las or .laz.
bool IsLasPath(const std::string& path);

// Reads a LAS 1.0 to 1.4 file straight into a point file image in one
// block of its exact size (header, then fixed records), the form every
// other part of the program reads:
//   xyz        the local frame in millimetres: east, north, up at the
//              geodetic origin, through PROJ when the file names a system;
//   amplitude  intensity >> shift, the shift that brings the largest
//              intensity of the file within 8 bits;
//   colour     RGB >> 8, or RGB as it is when no value exceeds 255;
//   time       GPS time x 400.
// The geodetic origin is the centre of the data in WGS-84, or the origin
// our own writer recorded; a file naming no usable system gets none (NaN).
// `why` says why a file was refused; `progress` hears the fraction done and
// may cancel.
LoadStatus ReadLasFile(const std::string& path, ImageBlock& block, LasSurvey& survey, std::string& why,
                       const std::function<bool(double)>& progress = {});

}  // namespace oxv::las
