#pragma once

#include <memory>

#include "survey/PointFile.h"
#include "survey/SurveyTypes.h"

namespace oxv {

// Consecutive scanner path nodes lie more than this far apart (metres).
inline constexpr double kScannerPathSpacing = 0.3;

// Nodes the thinned pose track has; 0 without a pose channel or with fewer
// than two records.
int32_t CountScannerPathNodes(const PointImage& image);

// The path in one exact-size array, node 0's key holding the count; null
// where CountScannerPathNodes gives 0.
// With `progress` (count pass the first half, fill pass the second), a
// stopped build also gives null.
std::unique_ptr<PathNode[]> MakeScannerPath(const PointImage& image, const StageProgress& progress = {});

}  // namespace oxv
