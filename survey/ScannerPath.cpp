#include "survey/ScannerPath.h"

#include <cmath>

namespace oxv {

namespace {

// Walks the pose track, calling keep(i) for every record that becomes a node
// after record 0. Distances run from the last kept node, not the previous record.
// -1 when `progress` (reported as base + share x fraction walked) stops it.
template <typename Keep>
int32_t ThinPoseTrack(const PointImage& image, Keep keep, const StageProgress& progress = {}, double base = 0.0,
                      double share = 1.0)
{
    const int32_t n = image.Records();
    const int32_t* last = image.PoseWords(0);
    int32_t count = 1;
    for (int32_t i = 1; i < n; ++i) {
        if (progress && i % kProgressChunk == 0 && !progress(base + share * i / n)) return -1;
        const int32_t* cur = image.PoseWords(static_cast<size_t>(i));
        const double dx = (static_cast<double>(last[kPosX]) - cur[kPosX]) / 1000.0;
        const double dy = (static_cast<double>(last[kPosY]) - cur[kPosY]) / 1000.0;
        const double dz = (static_cast<double>(last[kPosZ]) - cur[kPosZ]) / 1000.0;
        if (std::sqrt(dx * dx + dy * dy + dz * dz) > kScannerPathSpacing) {
            last = cur;
            keep(i, cur);
            ++count;
        }
    }
    return count;
}

bool HasScannerPath(const PointImage& image) { return image.HasPose() && image.RecordCount() >= 2; }

void WriteNode(PathNode& node, int32_t key, const int32_t* pose)
{
    node = PathNode{key, pose[kRoll], pose[kPitch], pose[kHeading], pose[kPosX], pose[kPosY], pose[kPosZ]};
}

}  // namespace

int32_t CountScannerPathNodes(const PointImage& image)
{
    if (!HasScannerPath(image)) return 0;
    return ThinPoseTrack(image, [](int32_t, const int32_t*) {});
}

std::unique_ptr<PathNode[]> MakeScannerPath(const PointImage& image, const StageProgress& progress)
{
    if (!HasScannerPath(image)) return nullptr;
    const int32_t count = ThinPoseTrack(image, [](int32_t, const int32_t*) {}, progress, 0.0, 0.5);
    if (count <= 0) return nullptr;
    std::unique_ptr<PathNode[]> path(new (std::nothrow) PathNode[static_cast<size_t>(count)]);
    if (!path) return nullptr;
    WriteNode(path[0], count, image.PoseWords(0));
    int32_t next = 1;
    if (ThinPoseTrack(
            image, [&](int32_t i, const int32_t* pose) { WriteNode(path[static_cast<size_t>(next++)], i, pose); },
            progress, 0.5, 0.5) < 0)
        return nullptr;
    return path;
}

}  // namespace oxv
