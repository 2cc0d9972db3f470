#pragma once

// Frame recording: every picture the view draws while recording is active
// becomes a numbered PNG file.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "PngImageWriter.h"
#include "SurveyDocument.h"
#include "ViewState.h"

namespace oxv {

class GlTarget;

// "<folder>/img%06d.png"; the number is at least six digits, zero padded
// after any sign.
std::string FrameFileName(const std::string& folder, int32_t number);

// First-person frames go to work/video in the user's home folder.
std::string FpvVideoFolder();

// The file the current picture goes to, or none when recording is off:
// during playback (playing or paused) with Video Recording on and a folder,
// numbered m_nFrame - 1 in that folder; in first-person mode, numbered
// m_nFpvNode in `fpvFolder`. Playback with first-person mode on but no
// output folder writes nothing, and neither does a number below 0.
std::optional<std::string> FrameCapturePath(const ViewState& view, const SurveyDocument& doc,
                                            const std::string& fpvFolder);

// Frames are written with zlib level 1 and no row filter: on rendered
// survey frames about 3% larger than libpng's defaults and 4 to 5 times
// faster (bench/capture_bench).
PngEncoding FrameEncoding();

// Reads the drawn frame back and writes it. Keeps its pixel buffer from
// frame to frame and re-creates it only when the size changes.
class FrameCapturer {
public:
    // Reads the w x h frame from the target's read buffer (context current)
    // and writes it to `path`; false when the file could not be written (the
    // frame is lost, the next one is tried).
    bool Capture(GlTarget& target, int w, int h, const std::string& path);

    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    std::vector<uint8_t> m_pFrameImage;  // RGB rows, bottom row first, 4-byte aligned
    int m_width = 0;
    int m_height = 0;
    size_t m_rowBytes = 0;
};

}  // namespace oxv
