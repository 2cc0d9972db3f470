#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/ImageBlock.h"
#include "survey/SurveyTypes.h"

namespace oxv {

static_assert(std::endian::native == std::endian::little, "the point file image is used in place");

inline constexpr uint32_t kPointFileMagic = 0x55667788;
inline constexpr size_t kPointHeaderSize = 268;

// Header byte offsets.
namespace header {
inline constexpr size_t kRecordCount = 72;
inline constexpr size_t kStride = 76;
inline constexpr size_t kXyz = 80;
inline constexpr size_t kOrigin = 83;
inline constexpr size_t kColor = 86;
inline constexpr size_t kAmplitude = 87;
inline constexpr size_t kTime = 88;
inline constexpr size_t kPose = 89;
inline constexpr size_t kLatitude = 96;
inline constexpr size_t kLongitude = 104;
inline constexpr size_t kHeight = 112;
}  // namespace header

// Words a channel's value occupies from its index. Colour is bytes 0-2 of a single word.
inline constexpr int kXyzWords = 3, kOriginWords = 3, kColorWords = 1, kAmplitudeWords = 1, kTimeWords = 2,
                     kPoseWords = 6;

struct ChannelLayout {
    int8_t xyz = -1;
    int8_t origin = -1;
    int8_t color = -1;
    int8_t amplitude = -1;
    int8_t time = -1;
    int8_t pose = -1;
};

struct GeodeticOrigin {
    double latitude = 0.0;   // radians
    double longitude = 0.0;  // radians
    double height = 0.0;     // metres
};

template <typename T>
inline T LoadUnaligned(const uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The parts of the header the program reads; needs at least 268 bytes.
struct PointHeader {
    uint32_t magic = 0;
    int32_t recordCount = 0;
    int32_t stride = 0;
    ChannelLayout channels;
    GeodeticOrigin origin;

    static PointHeader Decode(const uint8_t* data);
};

// True when the image can be used in place without any further checks: the
// magic, a full header, and every declared record with every present channel
// inside both its record and the image.
[[nodiscard]] bool IsWellFormedPointImage(const uint8_t* data, size_t size);
// Why the image is not well formed, in words for the user ("truncated:
// 5,000,000 of 19,200,268 bytes"); empty when it is.
std::string PointImageProblem(const uint8_t* data, size_t size);

struct Rgb {
    uint8_t r, g, b;
};

// A validated point file image, held exactly as read. Accessors address
// records in place; doubles are copied out because records are 4-aligned only.
class PointImage {
public:
    // `block` must have passed IsWellFormedPointImage.
    explicit PointImage(ImageBlock block);

    const uint8_t* Data() const { return m_block.Data(); }
    size_t Size() const { return m_block.Size(); }
    const PointHeader& Header() const { return m_header; }
    const ChannelLayout& Channels() const { return m_header.channels; }

    // The declared count; 0 or less is an empty survey.
    int32_t RecordCount() const { return m_header.recordCount; }
    int32_t Records() const { return m_header.recordCount > 0 ? m_header.recordCount : 0; }
    int32_t Stride() const { return m_header.stride; }
    size_t RecordBytes() const { return m_recordBytes; }

    [[nodiscard]] bool HasOrigin() const { return m_header.channels.origin >= 0; }
    bool HasColor() const { return m_header.channels.color >= 0; }
    [[nodiscard]] bool HasAmplitude() const { return m_header.channels.amplitude >= 0; }
    bool HasTime() const { return m_header.channels.time >= 0; }
    [[nodiscard]] bool HasPose() const { return m_header.channels.pose >= 0; }

    const uint8_t* Record(size_t i) const { return m_records + m_recordBytes * i; }
    const int32_t* Words(size_t i, int8_t channel) const
    {
        return reinterpret_cast<const int32_t*>(Record(i) + 4 * static_cast<size_t>(channel));
    }
    const int32_t* Xyz(size_t i) const { return Words(i, m_header.channels.xyz); }
    const int32_t* OriginXyz(size_t i) const { return Words(i, m_header.channels.origin); }
    const int32_t* PoseWords(size_t i) const { return Words(i, m_header.channels.pose); }
    const uint8_t* ColorBytes(size_t i) const { return Record(i) + 4 * static_cast<size_t>(m_header.channels.color); }
    uint8_t Amplitude(size_t i) const { return Record(i)[4 * static_cast<size_t>(m_header.channels.amplitude)]; }
    double Time(size_t i) const
    {
        return LoadUnaligned<double>(Record(i) + 4 * static_cast<size_t>(m_header.channels.time));
    }
    Pose PoseAt(size_t i) const
    {
        Pose p;
        std::memcpy(p.v, PoseWords(i), sizeof p.v);
        return p;
    }

private:
    ImageBlock m_block;
    PointHeader m_header;
    const uint8_t* m_records = nullptr;
    size_t m_recordBytes = 0;
};

}  // namespace oxv
