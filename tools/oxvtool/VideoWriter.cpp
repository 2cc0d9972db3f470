#include "tools/oxvtool/VideoWriter.h"

#include <unistd.h>

#include <cstdio>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace oxv {

namespace {

std::string AvError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace

struct VideoWriter::Impl {
    std::string path, temp;
    VideoFormat format;
    AVFormatContext* container = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    SwsContext* scaler = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    int64_t pts = 0;
    bool opened = false;  // the temporary file exists
    bool finished = false;

    ~Impl()
    {
        if (opened && container && container->pb) avio_closep(&container->pb);
        if (opened && !finished) unlink(temp.c_str());
        av_packet_free(&packet);
        av_frame_free(&frame);
        sws_freeContext(scaler);
        avcodec_free_context(&codec);
        avformat_free_context(container);
    }

    // Every packet the encoder has ready goes into the file.
    bool Drain(std::string& error)
    {
        for (;;) {
            const int r = avcodec_receive_packet(codec, packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
            if (r < 0) {
                error = "video encoder: " + AvError(r);
                return false;
            }
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            const int w = av_interleaved_write_frame(container, packet);
            if (w < 0) {
                error = "cannot write " + path + ": " + AvError(w);
                return false;
            }
        }
    }
};

const char* VideoEncoderName(VideoCodec codec) { return codec == VideoCodec::H265 ? "libx265" : "libx264"; }

std::string EncoderProblem(const std::string& encoder, const std::string& codecLabel)
{
    if (avcodec_find_encoder_by_name(encoder.c_str())) return {};
    return "this FFmpeg has no " + encoder + " encoder, which " + codecLabel +
           " videos are written with (ffmpeg -encoders lists what it has)";
}

std::string VideoEncoderProblem(VideoCodec codec)
{
    return EncoderProblem(VideoEncoderName(codec), codec == VideoCodec::H265 ? "H.265 (--codec h265)" : "H.264");
}

bool VideoIsHd(int width, int height) { return height >= 720 || width >= 1280; }

std::string VideoFormatProblem(const VideoFormat& f)
{
    const bool odd = f.width % 2 || f.height % 2;
    if (f.width <= 0 || f.height <= 0 || (odd && !f.fullChroma))
        return std::string("--video wants an even width and height (") +
               (f.codec == VideoCodec::H265 ? "H.265" : "H.264") + " in yuv420p), not " + std::to_string(f.width) +
               "x" + std::to_string(f.height);
    if (f.rateNum <= 0 && f.periodMs <= 0) return "the frame period must be greater than 0";
    if (f.rateNum > 0 && f.rateDen <= 0) return "the frame rate must be greater than 0";
    if (f.crf < 0 || f.crf > 51) return "--crf wants 0 to 51";
    return {};
}

std::string VideoTemporaryPath(const std::string& path, long pid) { return path + ".part" + std::to_string(pid); }

VideoWriter::VideoWriter(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

VideoWriter::~VideoWriter() = default;

int64_t VideoWriter::Frames() const { return m_impl->pts; }

std::unique_ptr<VideoWriter> VideoWriter::Open(const std::string& path, const VideoFormat& format, std::string& error)
{
    error = VideoFormatProblem(format);
    if (!error.empty()) return nullptr;
    // The encoder's own chatter would bury the progress bar; failures come back as errors.
    av_log_set_level(AV_LOG_ERROR);
    auto v = std::make_unique<Impl>();
    v->path = path;
    v->temp = VideoTemporaryPath(path, getpid());
    v->format = format;
    // The container is chosen by the final name; the bytes go to the temporary one.
    if (avformat_alloc_output_context2(&v->container, nullptr, nullptr, path.c_str()) < 0 || !v->container) {
        v->container = nullptr;
        error = "no video container for " + path + " (use .mp4 or .mkv)";
        return nullptr;
    }
    error = VideoEncoderProblem(format.codec);
    if (!error.empty()) return nullptr;
    const AVCodec* encoder = avcodec_find_encoder_by_name(VideoEncoderName(format.codec));
    v->stream = avformat_new_stream(v->container, nullptr);
    v->codec = avcodec_alloc_context3(encoder);
    v->frame = av_frame_alloc();
    v->packet = av_packet_alloc();
    if (!v->stream || !v->codec || !v->frame || !v->packet) {
        error = "not enough memory for the video encoder";
        return nullptr;
    }
    AVRational rate = format.rateNum > 0 ? AVRational{format.rateNum, format.rateDen} : AVRational{1000, format.periodMs};
    av_reduce(&rate.num, &rate.den, rate.num, rate.den, INT32_MAX);
    const AVPixelFormat pixels = format.fullChroma ? AV_PIX_FMT_YUV444P : AV_PIX_FMT_YUV420P;
    const bool hd = VideoIsHd(format.width, format.height);
    v->codec->width = format.width;
    v->codec->height = format.height;
    v->codec->pix_fmt = pixels;
    v->codec->time_base = av_inv_q(rate);
    v->codec->framerate = rate;
    v->codec->color_range = AVCOL_RANGE_MPEG;
    v->codec->colorspace = hd ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
    v->codec->color_primaries = hd ? AVCOL_PRI_BT709 : AVCOL_PRI_SMPTE170M;
    v->codec->color_trc = hd ? AVCOL_TRC_BT709 : AVCOL_TRC_SMPTE170M;
    if (v->container->oformat->flags & AVFMT_GLOBALHEADER) v->codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(v->codec->priv_data, "crf", std::to_string(format.crf).c_str(), 0);
    // The encoder shares the cores with the software rasteriser: at 1280x720
    // the medium preset costs about 70 ms of CPU a frame, veryfast about 30,
    // for files of about the same size at this quality.
    av_opt_set(v->codec->priv_data, "preset", format.preset.c_str(), 0);
    if (format.codec == VideoCodec::H265) {
        // libx265 prints its settings itself, past av_log, over the progress bar.
        av_opt_set(v->codec->priv_data, "x265-params", "log-level=error", 0);
    }
    int r = avcodec_open2(v->codec, encoder, nullptr);
    if (r < 0) {
        error = std::string("cannot start the ") + VideoEncoderName(format.codec) + " encoder: " + AvError(r);
        return nullptr;
    }
    avcodec_parameters_from_context(v->stream->codecpar, v->codec);
    v->stream->time_base = v->codec->time_base;
    v->stream->avg_frame_rate = rate;
    v->stream->r_frame_rate = rate;
    // Players that read HEVC from MP4 by its sample entry want "hvc1".
    if (format.codec == VideoCodec::H265 && std::string(v->container->oformat->name).find("mp4") != std::string::npos)
        v->stream->codecpar->codec_tag = MKTAG('h', 'v', 'c', '1');
    v->frame->format = pixels;
    v->frame->width = format.width;
    v->frame->height = format.height;
    if (av_frame_get_buffer(v->frame, 0) < 0) {
        error = "not enough memory for the video frames";
        return nullptr;
    }
    v->scaler = sws_getContext(format.width, format.height, AV_PIX_FMT_RGB24, format.width, format.height,
                               pixels, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!v->scaler) {
        error = std::string("no colour conversion to ") + av_get_pix_fmt_name(pixels);
        return nullptr;
    }
    if (hd) {
        // The matrix the stream is tagged with; swscale's default is BT.601.
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(v->scaler, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    }
    r = avio_open(&v->container->pb, v->temp.c_str(), AVIO_FLAG_WRITE);
    if (r < 0) {
        error = "cannot write " + path + ": " + AvError(r);
        return nullptr;
    }
    v->opened = true;
    r = avformat_write_header(v->container, nullptr);
    if (r < 0) {
        error = "cannot write " + path + ": " + AvError(r);
        return nullptr;
    }
    return std::unique_ptr<VideoWriter>(new VideoWriter(std::move(v)));
}

bool VideoWriter::AddFrameBottomUp(const uint8_t* rows, size_t rowBytes, int repeat, std::string& error)
{
    Impl& v = *m_impl;
    if (v.finished) return false;
    if (av_frame_make_writable(v.frame) < 0) {
        error = "not enough memory for the video frames";
        return false;
    }
    // The top row is the last one read back: a negative stride walks up.
    const uint8_t* top = rows + rowBytes * static_cast<size_t>(v.format.height - 1);
    const uint8_t* const src[1] = {top};
    const int stride[1] = {-static_cast<int>(rowBytes)};
    sws_scale(v.scaler, src, stride, 0, v.format.height, v.frame->data, v.frame->linesize);
    for (int k = 0; k < repeat; ++k) {
        v.frame->pts = v.pts++;
        const int r = avcodec_send_frame(v.codec, v.frame);
        if (r < 0) {
            error = "video encoder: " + AvError(r);
            return false;
        }
        if (!v.Drain(error)) return false;
    }
    return true;
}

bool VideoWriter::Finish(std::string& error)
{
    Impl& v = *m_impl;
    if (v.finished) return true;
    const int r = avcodec_send_frame(v.codec, nullptr);
    if (r < 0 && r != AVERROR_EOF) {
        error = "video encoder: " + AvError(r);
        return false;
    }
    if (!v.Drain(error)) return false;
    const int t = av_write_trailer(v.container);
    const int c = avio_closep(&v.container->pb);
    if (t < 0 || c < 0) {
        error = "cannot write " + v.path + ": " + AvError(t < 0 ? t : c);
        return false;
    }
    if (std::rename(v.temp.c_str(), v.path.c_str()) != 0) {
        error = "cannot write " + v.path;
        return false;
    }
    v.finished = true;
    return true;
}

}  // namespace oxv
