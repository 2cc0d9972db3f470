#pragma once

// What a recording run killed before its end leaves behind: the video under
// its temporary name (FILE.part<PID>) and a frame file half written
// (imgNNNNNN.png.part, the PNG writer's temporary). The next run into the
// same output removes them, and a run stopped by a signal removes its own
// video temporary on the way out.

#include <string>
#include <vector>

#include "playback/RecordFrames.h"

namespace oxv::tool {

// FILE.part<PID> beside `video` whose process no longer runs on this
// machine; returns the names removed.
std::vector<std::string> RemoveStaleVideoTemporaries(const std::string& video);

// imgNNNNNN.png.part in `folder` with a number within `range`: no run
// writing those numbers into the folder is still going; returns the names
// removed.
std::vector<std::string> RemoveStaleFrameTemporaries(const std::string& folder, const oxv::FrameRange& range);

// Until Forget, SIGINT, SIGTERM and SIGHUP remove `path` before the process
// ends by the signal as it would have.
void RemoveOnSignal(const std::string& path);
void ForgetOnSignal();

}  // namespace oxv::tool
