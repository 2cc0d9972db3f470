// oxvtool record --video: the file decodes to the run's frames at the frame
// period's rate, its pictures are the PNG run's within the codec's loss, and
// a video that cannot be made leaves no file behind.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <csignal>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "image/TextStamp.h"
#include "tools/oxvtool/VideoWriter.h"
#include "tests/support/OxvtoolRun.h"
#include "tests/tools/DemoSurveyTest.h"
#include "tests/support/PngRead.h"
#include "tests/support/ScratchDir.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace oxv {
namespace {

using test::RunOxvtool;

struct Decoded {
    int frames = 0, width = 0, height = 0;
    AVRational rate{0, 1};
    AVCodecID codec = AV_CODEC_ID_NONE;
    uint32_t codecTag = 0;
    AVPixelFormat pixels = AV_PIX_FMT_NONE;
    AVColorSpace colorspace = AVCOL_SPC_UNSPECIFIED;
    std::vector<uint8_t> first, last;  // RGB, top row first
    std::vector<uint8_t> firstOtherMatrix;  // the first through the matrix it is not tagged with
};

// The frame as RGB through the matrix the stream is tagged with, or the
// other one of BT.709 and BT.601.
std::vector<uint8_t> ToRgb(const AVFrame* f, bool otherMatrix = false)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(f->width) * static_cast<size_t>(f->height) * 3);
    SwsContext* sws = sws_getContext(f->width, f->height, static_cast<AVPixelFormat>(f->format), f->width, f->height,
                                     AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr, nullptr);
    const int* matrix =
        sws_getCoefficients((f->colorspace == AVCOL_SPC_BT709) != otherMatrix ? SWS_CS_ITU709 : SWS_CS_DEFAULT);
    sws_setColorspaceDetails(sws, matrix, 0, matrix, 1, 0, 1 << 16, 1 << 16);
    uint8_t* dst[1] = {rgb.data()};
    const int stride[1] = {f->width * 3};
    sws_scale(sws, f->data, f->linesize, 0, f->height, dst, stride);
    sws_freeContext(sws);
    return rgb;
}

// Every frame of the file's video stream; frames 0 when it does not open.
Decoded Decode(const std::string& path)
{
    Decoded d;
    AVFormatContext* in = nullptr;
    if (avformat_open_input(&in, path.c_str(), nullptr, nullptr) < 0) return d;
    avformat_find_stream_info(in, nullptr);
    const AVCodec* codec = nullptr;
    const int s = av_find_best_stream(in, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (s < 0 || !codec) {
        avformat_close_input(&in);
        return d;
    }
    d.rate = in->streams[s]->avg_frame_rate;
    d.codec = in->streams[s]->codecpar->codec_id;
    d.codecTag = in->streams[s]->codecpar->codec_tag;
    d.pixels = static_cast<AVPixelFormat>(in->streams[s]->codecpar->format);
    d.colorspace = in->streams[s]->codecpar->color_space;
    AVCodecContext* dec = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(dec, in->streams[s]->codecpar);
    avcodec_open2(dec, codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto receive = [&] {
        while (avcodec_receive_frame(dec, frame) == 0) {
            d.width = frame->width;
            d.height = frame->height;
            if (d.frames == 0) {
                d.first = ToRgb(frame);
                d.firstOtherMatrix = ToRgb(frame, true);
            }
            d.last = ToRgb(frame);
            ++d.frames;
        }
    };
    while (av_read_frame(in, packet) >= 0) {
        if (packet->stream_index == s) {
            avcodec_send_packet(dec, packet);
            receive();
        }
        av_packet_unref(packet);
    }
    avcodec_send_packet(dec, nullptr);
    receive();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&dec);
    avformat_close_input(&in);
    return d;
}

// Over the pixels that are clearly coloured in `b`, where the matrices differ.
double ColoredDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size() || a.empty()) return 1e9;
    double sum = 0.0;
    size_t n = 0;
    for (size_t i = 0; i + 2 < b.size(); i += 3) {
        if (std::max({b[i], b[i + 1], b[i + 2]}) - std::min({b[i], b[i + 1], b[i + 2]}) < 64) continue;
        for (size_t c = i; c < i + 3; ++c) sum += std::abs(int{a[c]} - int{b[c]});
        n += 3;
    }
    return n > 300 ? sum / static_cast<double>(n) : 1e9;
}

double MeanAbsoluteDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size() || a.empty()) return 1e9;
    double sum = 0.0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int{a[i]} - int{b[i]});
    return sum / static_cast<double>(a.size());
}

class OxvtoolVideo : public test::DemoSurveyTest {};

// H.264 at the default quality moves these pictures by about one level in
// 255 on average; the run's first and tenth pictures differ by about seven.
constexpr double kCodecTolerance = 3.0;

TEST_F(OxvtoolVideo, TenFramesDecodeToThePngRunsPictures)
{
    const std::string run = "record " + Survey() + " --size 160x96 --speed 2000 --period 40 --auto 1 --frames :10";
    ASSERT_EQ(RunOxvtool(run + " --out " + out.File("png")).status, 0);
    ASSERT_EQ(RunOxvtool(run + " --video " + out.File("ten.mp4")).status, 0);
    const Decoded d = Decode(out.File("ten.mp4"));
    EXPECT_EQ(d.frames, 10);
    EXPECT_EQ(d.width, 160);
    EXPECT_EQ(d.height, 96);
    EXPECT_EQ(d.rate.num * 1, d.rate.den * 25) << d.rate.num << "/" << d.rate.den;
    int w = 0, h = 0;
    const std::vector<uint8_t> first = test::DecodePng(out.File("png/img000000.png"), w, h);
    const std::vector<uint8_t> last = test::DecodePng(out.File("png/img000009.png"), w, h);
    ASSERT_FALSE(first.empty());
    EXPECT_LT(MeanAbsoluteDifference(d.first, first), kCodecTolerance);
    EXPECT_LT(MeanAbsoluteDifference(d.last, last), kCodecTolerance);
    EXPECT_GT(MeanAbsoluteDifference(d.first, last), MeanAbsoluteDifference(d.last, last))
        << "the frames must differ for the comparison to tell them apart";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.Path()), {}), 2) << "no temporary file left";
}

// The number before the last is not in the video; the end hold's picture
// stays for the ticks the viewer shows it (3 s at 100 ms: 29 ticks).
TEST_F(OxvtoolVideo, AWholeRunHoldsTheLastPictureForTheEndHold)
{
    const std::string run = "record " + Survey() + " --size 64x48 --speed 2000 --period 100";
    const test::RunResult list = RunOxvtool(run + " --list-frames");
    ASSERT_EQ(list.status, 0);
    const int frames = std::stoi(list.out);
    ASSERT_EQ(RunOxvtool(run + " --video " + out.File("whole.mkv") + " --crf 30").status, 0);
    const Decoded d = Decode(out.File("whole.mkv"));
    EXPECT_EQ(d.frames, frames - 2 + 29);
    EXPECT_EQ(d.rate.num * 1, d.rate.den * 10);
}

TEST_F(OxvtoolVideo, AVideoThatCannotBeMadeLeavesNoFile)
{
    const std::string ok = "record " + Survey() + " --speed 2000 --period 100";
    const std::string target = out.File("v.mp4");
    test::ScratchDir blocked;
    test::WriteBytes(blocked.File("file"), {1});
    // Values that will not do are the command line's fault (2); a file that
    // cannot be written is the work failing (1).
    const std::vector<std::pair<std::string, int>> cases = {
        {ok + " --size 65x48 --video " + target, 2},  // odd width
        {ok + " --size 64x47 --video " + target, 2},  // odd height
        {ok + " --size 64x48 --crf 52 --video " + target, 2},
        {ok + " --size 64x48 --crf x --video " + target, 2},
        {ok + " --size 64x48 --video " + out.Path().string(), 2},
        {ok + " --size 64x48 --video " + out.File("v.unknown"), 1},
        {ok + " --size 64x48 --video " + blocked.File("file/v.mp4"), 1},  // its folder would be a file
    };
    for (const auto& [c, status] : cases) EXPECT_EQ(RunOxvtool(c).status, status) << c;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.Path()), {}), 0);
    // An encoder this FFmpeg lacks is named, before anything is read.
    const std::string missing = EncoderProblem("libx266", "H.266");
    EXPECT_NE(missing.find("no libx266 encoder"), std::string::npos) << missing;
    EXPECT_EQ(VideoEncoderProblem(VideoCodec::H264), "") << "this machine's FFmpeg has libx264";
    EXPECT_EQ(VideoEncoderProblem(VideoCodec::H265), "") << "this machine's FFmpeg has libx265";
}

// --list-work names the pictures each file fills: together, the video's frames.
TEST_F(OxvtoolVideo, TheListedPicturesAreTheVideosFrames)
{
    const std::string run = "record " + Survey() + " --size 64x48 --speed 2000 --period 100";
    for (const std::string range : {"", " --frames 5:"}) {
        const test::RunResult list = RunOxvtool(run + range + " --list-work");
        ASSERT_EQ(list.status, 0);
        std::istringstream in(list.out);
        int frames = 0, number = 0, files = 0;
        long long work = 0, pictures = 0;
        in >> frames;
        for (int p = 0; in >> number >> work >> p; ++files) pictures += p;
        ASSERT_GT(files, 3) << range;
        ASSERT_EQ(RunOxvtool(run + range + " --video " + out.File("v.mkv")).status, 0);
        EXPECT_EQ(Decode(out.File("v.mkv")).frames, pictures) << range;
    }
}

// A run stopped by a signal takes its temporary with it; one killed outright
// leaves it, and the next run into the same file removes it, but not the
// temporary of a run still going.
TEST_F(OxvtoolVideo, StoppedRunsLeaveNoTemporaryBehind)
{
    const std::string video = out.File("v.mp4");
    const std::string oxvtool = std::string(std::getenv("OXV_BIN_DIR") ? std::getenv("OXV_BIN_DIR") : ".") + "/oxvtool";
    const std::string stop = oxvtool + " record " + Survey() + " --size 64x48 --speed 100 --progress none --video " +
                             video + " 2>/dev/null & pid=$!; while [ ! -e " + video +
                             ".part$pid ]; do sleep 0.02; done; kill -TERM $pid; wait $pid; exit $?";
    const int status = std::system(stop.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.Path()), {}), 0);

    FILE* gone = popen("sh -c 'echo $$'", "r");
    long dead = 0;
    ASSERT_EQ(std::fscanf(gone, "%ld", &dead), 1);
    pclose(gone);
    test::WriteBytes(video + ".part" + std::to_string(dead), {1, 2, 3});
    test::WriteBytes(video + ".part" + std::to_string(getpid()), {1, 2, 3});
    ASSERT_EQ(RunOxvtool("record " + Survey() + " --size 64x48 --speed 2000 --frames :3 --video " + video).status, 0);
    EXPECT_FALSE(std::filesystem::exists(video + ".part" + std::to_string(dead)));
    EXPECT_TRUE(std::filesystem::exists(video + ".part" + std::to_string(getpid()))) << "its process still runs";
    EXPECT_TRUE(std::filesystem::exists(video));
}

// Seconds of measurement time between the survey's first and last records.
double SurveySpan(const std::string& survey)
{
    const nlohmann::json info = nlohmann::json::parse(RunOxvtool("info " + survey + " --json").out);
    return info["timeline"]["t1"].get<double>() - info["timeline"]["t0"].get<double>();
}

// At a standard rate the video plays at exactly that rate, each frame a
// 1/R step of measurement time at the speed: the timeline's frames are the
// survey's span at that rate (whole frames), and the video holds them as
// playback writes them (the number before the last left out, the last
// frame's picture held 3 s less a tick).
TEST_F(OxvtoolVideo, StandardRatesTimeTheVideoByTheSurvey)
{
    const double span = SurveySpan(Survey());
    ASSERT_GT(span, 1.0);
    const struct {
        const char* fps;
        int num, den;
        int holdTicks;  // 3 s at the rate, whole ticks
    } rates[] = {{"24", 24, 1, 72},   {"25", 25, 1, 75},   {"30000/1001", 30000, 1001, 89}, {"30", 30, 1, 90},
                 {"50", 50, 1, 150},  {"60", 60, 1, 180},  {"29.97", 2997, 100, 89},        {"120/5", 24, 1, 72}};
    // About 40 frames of survey at every rate.
    for (const auto& r : rates) {
        const double rate = static_cast<double>(r.num) / r.den;
        const double speed = span * rate / 40.0;
        char speedText[32];
        std::snprintf(speedText, sizeof speedText, "%.3f", speed * 100.0);
        const double exactSpeed = std::strtod(speedText, nullptr) / 100.0;
        const std::string run = "record " + Survey() + " --size 64x48 --speed " + speedText + " --fps " + r.fps;
        const test::RunResult list = RunOxvtool(run + " --list-frames");
        ASSERT_EQ(list.status, 0) << r.fps;
        const int frames = std::stoi(list.out);
        const double exact = span * rate / exactSpeed;
        EXPECT_LE(frames, exact + 1e-9) << r.fps;
        EXPECT_GT(frames, exact - 1.0) << r.fps;
        ASSERT_EQ(RunOxvtool(run + " --crf 40 --video " + out.File("v.mkv")).status, 0) << r.fps;
        const Decoded d = Decode(out.File("v.mkv"));
        EXPECT_EQ(d.rate.num, r.num) << r.fps;
        EXPECT_EQ(d.rate.den, r.den) << r.fps;
        EXPECT_EQ(d.frames, frames - 3 + r.holdTicks) << r.fps;
    }
}

// H.265 is HEVC, tagged for MP4 players; yuv444p keeps the colours that
// 4:2:0 averages over 2x2 pixels, so its pictures lie closer to the PNGs.
TEST_F(OxvtoolVideo, CodecAndChromaAreTheOnesAskedFor)
{
    const std::string run =
        "record " + Survey() + " --size 160x96 --speed 2000 --period 40 --auto 1 --point-size 1 --frames :4";
    ASSERT_EQ(RunOxvtool(run + " --out " + out.File("png")).status, 0);
    int w = 0, h = 0;
    const std::vector<uint8_t> png = test::DecodePng(out.File("png/img000003.png"), w, h);
    const struct {
        const char* options;
        AVCodecID codec;
        AVPixelFormat pixels;
    } cases[] = {{"", AV_CODEC_ID_H264, AV_PIX_FMT_YUV420P},
                 {" --codec h265", AV_CODEC_ID_HEVC, AV_PIX_FMT_YUV420P},
                 {" --pix-fmt yuv444p", AV_CODEC_ID_H264, AV_PIX_FMT_YUV444P},
                 {" --codec h265 --pix-fmt yuv444p", AV_CODEC_ID_HEVC, AV_PIX_FMT_YUV444P}};
    double difference[4] = {};
    for (size_t i = 0; i < 4; ++i) {
        // A folder of its own, made as --out makes one.
        const std::string video = out.File("new/" + std::to_string(i) + "/v.mp4");
        ASSERT_EQ(RunOxvtool(run + cases[i].options + " --crf 10 --video " + video).status, 0) << cases[i].options;
        const Decoded d = Decode(video);
        EXPECT_EQ(d.frames, 4);
        EXPECT_EQ(d.codec, cases[i].codec) << cases[i].options;
        EXPECT_EQ(d.pixels, cases[i].pixels) << cases[i].options;
        EXPECT_EQ(d.codecTag == MKTAG('h', 'v', 'c', '1'), d.codec == AV_CODEC_ID_HEVC) << cases[i].options;
        difference[i] = MeanAbsoluteDifference(d.last, png);
    }
    EXPECT_LT(difference[2], difference[0] * 0.8) << difference[2] << " against " << difference[0];
    EXPECT_LT(difference[3], difference[1] * 0.8) << difference[3] << " against " << difference[1];
}

// HD and larger is converted and tagged as BT.709, smaller as BT.601; both
// decode to the PNG frame's colours through the matrix they are tagged with.
TEST_F(OxvtoolVideo, HdIsTaggedBt709AndDecodesToThePngsColours)
{
    for (const auto& [size, space] : std::vector<std::pair<std::string, AVColorSpace>>{
             {"720p", AVCOL_SPC_BT709}, {"720p --draft", AVCOL_SPC_SMPTE170M}, {"160x96", AVCOL_SPC_SMPTE170M}}) {
        const std::string run =
            "record " + Survey() + " --size " + size + " --speed 2000 --period 40 --color height --frames 200:201";
        ASSERT_EQ(RunOxvtool(run + " --out " + out.File("png")).status, 0);
        // Full chroma, lossless: what is left is the conversion's own.
        ASSERT_EQ(RunOxvtool(run + " --pix-fmt yuv444p --crf 0 --video " + out.File("v.mp4")).status, 0);
        int w = 0, h = 0;
        const std::vector<uint8_t> png = test::DecodePng(out.File("png/img000200.png"), w, h);
        const Decoded d = Decode(out.File("v.mp4"));
        EXPECT_EQ(d.colorspace, space) << size;
        EXPECT_EQ(d.width, w) << size;
        EXPECT_LT(MeanAbsoluteDifference(d.first, png), 1.0) << size;
        // The matrix tagged is the one converted with: the other one moves
        // the survey's colours further from the PNG's.
        const double tagged = ColoredDifference(d.first, png), other = ColoredDifference(d.firstOtherMatrix, png);
        EXPECT_LT(tagged * 3.0, other) << size << ": " << tagged << " against " << other;
        std::filesystem::remove_all(out.File("png"));
    }
}

// The survey time, frame number and caption are burned into the video's
// frames exactly as the built-in font writes them, and nothing else changes.
TEST_F(OxvtoolVideo, BurnedInTextIsTheFontsAndOnlyInTheVideo)
{
    // Lossless, full chroma: the decoded pictures are the encoded ones.
    const std::string run = "record " + Survey() +
                            " --size 320x192 --speed 2000 --period 40 --frames 3:5 --crf 0 --pix-fmt yuv444p --video ";
    ASSERT_EQ(RunOxvtool(run + out.File("plain.mkv")).status, 0);
    ASSERT_EQ(RunOxvtool(run + out.File("text.mkv") + " --burn-in time,frame --caption 'North strip'").status, 0);
    const Decoded plain = Decode(out.File("plain.mkv"));
    const Decoded text = Decode(out.File("text.mkv"));
    ASSERT_EQ(text.frames, 2);
    // Frame 3 was drawn after 4 steps of 20 x 40 ms.
    const struct {
        const std::vector<uint8_t>& plain;
        const std::vector<uint8_t>& text;
        const char* line;
    } frames[] = {{plain.first, text.first, "00:00:03.20  FRAME 3"}, {plain.last, text.last, "00:00:04.00  FRAME 4"}};
    for (const auto& f : frames) {
        std::vector<uint8_t> expected = f.plain;
        const RgbPicture picture{expected.data(), 320 * 3, 320, 192, false};
        const int scale = StampScale(192), margin = 4 * scale;
        StampText(picture, margin, margin, scale, "North strip");
        StampText(picture, margin, 192 - margin - TextHeight(scale), scale, f.line);
        EXPECT_GT(MeanAbsoluteDifference(f.plain, expected), 0.5) << "the text is there to see";
        EXPECT_LT(MeanAbsoluteDifference(f.text, expected), 0.05) << f.line;
    }
}

}  // namespace
}  // namespace oxv
