#include "app/CompileGate.h"

#include "app/CommandIds.h"

namespace oxv {

DuringCompile CommandDuringCompile(int commandId)
{
    using namespace cmd;
    if (commandId >= kPointSize1 && commandId <= kPointSize5) return DuringCompile::Runs;
    if (commandId >= kViewTop && commandId <= kViewWest) return DuringCompile::Runs;
    if (commandId >= kColorHeight && commandId <= kColorOriginal) return DuringCompile::EndsCompile;
    if (commandId >= kFileMru1 && commandId < kFileMru1 + kRecentFileCount) return DuringCompile::EndsCompile;
    switch (commandId) {
    case kZoomToExtent:
    case kResetView:
    case kShowGrid:
    case kShowScannerPath:
    case kShowCameraPath:
    case kAntiAlias:
    case kViewStatusBar:
    case kViewToolBar:
    case kRecordingMark: return DuringCompile::Runs;
    case kFileNew:
    case kFileOpen:
    case kAppExit: return DuringCompile::EndsCompile;
    default: return DuringCompile::Waits;
    }
}

}  // namespace oxv
