#pragma once

// A recorded run encoded straight into a video file: H.264 (libx264) or
// H.265 (libx265), in yuv420p or yuv444p, at constant quality, MP4 or
// Matroska by the file's extension. Frames of HD size and larger are
// converted and tagged as BT.709, smaller ones as BT.601 (SMPTE 170M). The
// file is written under a temporary name beside it and renamed only when the
// video is complete, so a failed run leaves nothing under the file's name.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace oxv {

enum class VideoCodec { H264, H265 };

struct VideoFormat {
    int width = 0, height = 0;  // both even for yuv420p, which halves them
    int periodMs = 33;          // one frame every periodMs: 1000/periodMs frames a second
    int crf = 20;               // constant quality, 0 (lossless) to 51
    // When rateNum is above 0, rateNum/rateDen frames a second instead of periodMs.
    int rateNum = 0, rateDen = 1;
    VideoCodec codec = VideoCodec::H264;
    bool fullChroma = false;  // yuv444p: every pixel keeps its own colour
    std::string preset = "veryfast";
};

// The FFmpeg encoder each codec is written with: libx264, libx265.
const char* VideoEncoderName(VideoCodec codec);

// Why `encoder` cannot write `codecLabel` here (this FFmpeg lacks it), or empty.
std::string EncoderProblem(const std::string& encoder, const std::string& codecLabel);
std::string VideoEncoderProblem(VideoCodec codec);

// HD and larger (720 lines or 1280 columns and up) is BT.709 by convention.
[[nodiscard]] bool VideoIsHd(int width, int height);

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
