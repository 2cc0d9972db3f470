#include "tools/oxvtool/VideoWriter.h"

#include <unistd.h>

#include <cstdio>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
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

std::string VideoFormatProblem(const VideoFormat& f)
{
    if (f.width <= 0 || f.height <= 0 || f.width % 2 || f.height % 2)
        return "--video wants an even width and height (H.264 in yuv420p), not " + std::to_string(f.width) + "x" +
               std::to_string(f.height);
    if (f.periodMs <= 0) return "the frame period must be greater than 0";
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
    const AVCodec* encoder = avcodec_find_encoder_by_name("libx264");
    if (!encoder) encoder = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (!encoder) {
        error = "no H.264 encoder in this FFmpeg";
        return nullptr;
    }
    v->stream = avformat_new_stream(v->container, nullptr);
    v->codec = avcodec_alloc_context3(encoder);
    v->frame = av_frame_alloc();
    v->packet = av_packet_alloc();
    if (!v->stream || !v->codec || !v->frame || !v->packet) {
        error = "not enough memory for the video encoder";
        return nullptr;
    }
    AVRational rate{1000, format.periodMs};
    av_reduce(&rate.num, &rate.den, rate.num, rate.den, INT32_MAX);
    v->codec->width = format.width;
    v->codec->height = format.height;
    v->codec->pix_fmt = AV_PIX_FMT_YUV420P;
    v->codec->time_base = av_inv_q(rate);
    v->codec->framerate = rate;
    v->codec->color_range = AVCOL_RANGE_MPEG;
    v->codec->colorspace = AVCOL_SPC_SMPTE170M;
    v->codec->color_primaries = AVCOL_PRI_SMPTE170M;
    v->codec->color_trc = AVCOL_TRC_SMPTE170M;
    if (v->container->oformat->flags & AVFMT_GLOBALHEADER) v->codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(v->codec->priv_data, "crf", std::to_string(format.crf).c_str(), 0);
    // The encoder shares the cores with the software rasteriser: at 1280x720
    // the medium preset costs about 70 ms of CPU a frame, veryfast about 30,
    // for files of about the same size at this quality.
    av_opt_set(v->codec->priv_data, "preset", "veryfast", 0);
    int r = avcodec_open2(v->codec, encoder, nullptr);
    if (r < 0) {
        error = "cannot start the H.264 encoder: " + AvError(r);
        return nullptr;
    }
    avcodec_parameters_from_context(v->stream->codecpar, v->codec);
    v->stream->time_base = v->codec->time_base;
    v->stream->avg_frame_rate = rate;
    v->stream->r_frame_rate = rate;
    v->frame->format = AV_PIX_FMT_YUV420P;
    v->frame->width = format.width;
    v->frame->height = format.height;
    if (av_frame_get_buffer(v->frame, 0) < 0) {
        error = "not enough memory for the video frames";
        return nullptr;
    }
    v->scaler = sws_getContext(format.width, format.height, AV_PIX_FMT_RGB24, format.width, format.height,
                               AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!v->scaler) {
        error = "no colour conversion to yuv420p";
        return nullptr;
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
