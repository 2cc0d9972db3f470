#pragma once

// A recorded run encoded straight into a video file: H.264 in yuv420p at
// constant quality, MP4 or Matroska by the file's extension. The file is
// written under a temporary name beside it and renamed only when the video
// is complete, so a failed run leaves nothing under the file's name.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace oxv {

struct VideoFormat {
    int width = 0, height = 0;  // both even: yuv420p halves them
    int periodMs = 33;          // one frame every periodMs: 1000/periodMs frames a second
    int crf = 20;               // constant quality, 0 (lossless) to 51
};

// The name the video of process `pid` is written under until it is whole.
std::string VideoTemporaryPath(const std::string& path, long pid);

// Why the format cannot be written, or empty.
std::string VideoFormatProblem(const VideoFormat& format);

class VideoWriter {
public:
    // Nothing, with the reason in `error`, when the file cannot be started.
    static std::unique_ptr<VideoWriter> Open(const std::string& path, const VideoFormat& format, std::string& error);
    // An unfinished video's temporary file goes.
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // One picture of RGB rows, bottom row first as GL reads them back,
    // shown for `repeat` frame periods.
    [[nodiscard]] bool AddFrameBottomUp(const uint8_t* rows, size_t rowBytes, int repeat, std::string& error);
    // Flushes the encoder, writes the trailer and gives the file its name.
    [[nodiscard]] bool Finish(std::string& error);

    int64_t Frames() const;

private:
    struct Impl;
    explicit VideoWriter(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

}  // namespace oxv
