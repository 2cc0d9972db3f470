#include "survey/PointFile.h"

#include <utility>

#include "base/NumberText.h"

namespace oxv {

PointHeader PointHeader::Decode(const uint8_t* data)
{
    PointHeader h;
    h.magic = LoadUnaligned<uint32_t>(data);
    h.recordCount = LoadUnaligned<int32_t>(data + header::kRecordCount);
    h.stride = LoadUnaligned<int32_t>(data + header::kStride);
    h.channels.xyz = static_cast<int8_t>(data[header::kXyz]);
    h.channels.origin = static_cast<int8_t>(data[header::kOrigin]);
    h.channels.color = static_cast<int8_t>(data[header::kColor]);
    h.channels.amplitude = static_cast<int8_t>(data[header::kAmplitude]);
    h.channels.time = static_cast<int8_t>(data[header::kTime]);
    h.channels.pose = static_cast<int8_t>(data[header::kPose]);
    h.origin.latitude = LoadUnaligned<double>(data + header::kLatitude);
    h.origin.longitude = LoadUnaligned<double>(data + header::kLongitude);
    h.origin.height = LoadUnaligned<double>(data + header::kHeight);
    return h;
}

namespace {

bool ChannelFits(int8_t index, int words, int32_t stride)
{
    return index < 0 || static_cast<int64_t>(index) + words <= stride;
}

// The first four bytes in file order, as a hex dump shows them: printed as
// one number they read like the very magic a big-endian writer meant.
std::string FirstBytesText(const uint8_t* data)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < 4; ++i) {
        if (i > 0) text += ' ';
        text += kHex[data[i] >> 4];
        text += kHex[data[i] & 15];
    }
    return text;
}

struct ChannelExtent {
    const char* name;
    int8_t index;
    int words;
};

std::string ChannelProblem(const PointHeader& h)
{
    const ChannelLayout& c = h.channels;
    const ChannelExtent channels[] = {
        {"xyz", c.xyz, kXyzWords},          {"origin", c.origin, kOriginWords},
        {"colour", c.color, kColorWords}, {"amplitude", c.amplitude, kAmplitudeWords},
        {"time", c.time, kTimeWords},       {"pose", c.pose, kPoseWords},
    };
    for (const ChannelExtent& channel : channels) {
        if (ChannelFits(channel.index, channel.words, h.stride)) continue;
        return std::string("the ") + channel.name + " channel (word " + std::to_string(channel.index) + ", " +
               std::to_string(channel.words) + (channel.words == 1 ? " word" : " words") + ") does not fit a record of " +
               std::to_string(h.stride) + (h.stride == 1 ? " word" : " words");
    }
    return {};
}

}  // namespace

bool IsWellFormedPointImage(const uint8_t* data, size_t size)
{
    return PointImageProblem(data, size).empty();
}

std::string PointImageProblem(const uint8_t* data, size_t size)
{
    if (size == 0) return "not a point file (empty)";
    if (size < 4) return "not a point file (" + std::to_string(size) + (size == 1 ? " byte)" : " bytes)");
    if (LoadUnaligned<uint32_t>(data) != kPointFileMagic) return "not a point file (first bytes " + FirstBytesText(data) + ")";
    if (size < kPointHeaderSize)
        return "truncated: " + GroupedDigits(size) + " of at least " + GroupedDigits(kPointHeaderSize) + " bytes (the header)";
    const PointHeader h = PointHeader::Decode(data);
    if (h.channels.xyz < 0) return "no xyz channel";
    if (h.recordCount <= 0) return {};
    if (h.stride <= 0) return "a record of " + std::to_string(h.stride) + " words";
    if (std::string channel = ChannelProblem(h); !channel.empty()) return channel;
    const uint64_t recordBytes = 4 * static_cast<uint64_t>(h.stride);
    const uint64_t available = size - kPointHeaderSize;
    if (static_cast<uint64_t>(h.recordCount) <= available / recordBytes) return {};
    const uint64_t needed = kPointHeaderSize + recordBytes * static_cast<uint64_t>(h.recordCount);
    return "truncated: " + GroupedDigits(size) + " of " + GroupedDigits(needed) + " bytes";
}

PointImage::PointImage(ImageBlock block) : m_block(std::move(block))
{
    m_header = PointHeader::Decode(m_block.Data());
    m_records = m_block.Data() + kPointHeaderSize;
    m_recordBytes = m_header.stride > 0 ? 4 * static_cast<size_t>(m_header.stride) : 0;
}

}  // namespace oxv
