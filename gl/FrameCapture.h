#pragma once

// Reading a drawn frame back from GL and writing it as a PNG file.

#include <cstdint>
#include <string>
#include <vector>

#include "image/PngImageWriter.h"

namespace oxv {

class GlTarget;

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
    // frame is lost, the next one is tried), errno then saying why.
    [[nodiscard]] bool Capture(GlTarget& target, int w, int h, const std::string& path);
    // Only the read-back: the frame's rows, bottom row first, RowBytes()
    // apart; nothing for an empty size.
    const uint8_t* ReadBack(GlTarget& target, int w, int h);
    size_t RowBytes() const { return m_rowBytes; }

    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    std::vector<uint8_t> m_pFrameImage;  // RGB rows, bottom row first, 4-byte aligned
    int m_width = 0;
    int m_height = 0;
    size_t m_rowBytes = 0;
};

}  // namespace oxv
