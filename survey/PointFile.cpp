#include "survey/PointFile.h"

#include <utility>

namespace oxv {

PointHeader PointHeader::Decode(const uint8_t* data)
{
    PointHeader h;
    h.magic = LoadUnaligned<uint32_t>(data);
    h.recordCount = LoadUnaligned<int32_t>(data + header::kRecordCount);
    h.stride = LoadUnaligned<int32_t>(data + header::kStride);
    h.channels.xyz = static_cast<int8_t>(data[header::kXyz]);
    h.channels.origin = static_cast<int8_t>(data[header::kOrigin]);
    h.channels.colour = static_cast<int8_t>(data[header::kColour]);
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

}  // namespace

bool IsWellFormedPointImage(const uint8_t* data, size_t size)
{
    if (size < 4 || LoadUnaligned<uint32_t>(data) != kPointFileMagic) return false;
    if (size < kPointHeaderSize) return false;
    const PointHeader h = PointHeader::Decode(data);
    if (h.channels.xyz < 0) return false;
    if (h.recordCount <= 0) return true;
    if (h.stride <= 0) return false;
    const ChannelLayout& c = h.channels;
    if (!ChannelFits(c.xyz, channel_words::kXyz, h.stride) || !ChannelFits(c.origin, channel_words::kOrigin, h.stride) ||
        !ChannelFits(c.colour, channel_words::kColour, h.stride) ||
        !ChannelFits(c.amplitude, channel_words::kAmplitude, h.stride) ||
        !ChannelFits(c.time, channel_words::kTime, h.stride) || !ChannelFits(c.pose, channel_words::kPose, h.stride))
        return false;
    const uint64_t recordBytes = 4 * static_cast<uint64_t>(h.stride);
    const uint64_t available = size - kPointHeaderSize;
    return static_cast<uint64_t>(h.recordCount) <= available / recordBytes;
}

PointImage::PointImage(ImageBlock block) : m_block(std::move(block))
{
    m_header = PointHeader::Decode(m_block.Data());
    m_records = m_block.Data() + kPointHeaderSize;
    m_recordBytes = m_header.stride > 0 ? 4 * static_cast<size_t>(m_header.stride) : 0;
}

}  // namespace oxv
