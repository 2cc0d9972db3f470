#include "survey/SettingsCodec.h"

#include <cstring>

namespace oxv {

namespace {

template <typename T>
void Put(uint8_t* out, size_t offset, T value)
{
    std::memcpy(out + offset, &value, sizeof value);
}

template <typename T>
T Get(const uint8_t* in, size_t offset)
{
    T value;
    std::memcpy(&value, in + offset, sizeof value);
    return value;
}

}  // namespace

std::string EncodeBinaryValue(const uint8_t* bytes, size_t size)
{
    std::string text;
    text.reserve(2 * size);
    for (size_t i = 0; i < size; ++i) {
        text.push_back(static_cast<char>('A' + (bytes[i] & 0x0F)));
        text.push_back(static_cast<char>('A' + (bytes[i] >> 4)));
    }
    return text;
}

std::vector<uint8_t> DecodeBinaryValue(std::string_view letters)
{
    std::vector<uint8_t> bytes(letters.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned low = static_cast<unsigned char>(letters[2 * i]) - unsigned{'A'};
        const unsigned high = static_cast<unsigned char>(letters[2 * i + 1]) - unsigned{'A'};
        bytes[i] = static_cast<uint8_t>(low + 16 * high);
    }
    return bytes;
}

std::array<uint8_t, kTimelineRecordBytes> EncodeTimelineRecord(const TimelineRecord& record)
{
    std::array<uint8_t, kTimelineRecordBytes> out{};
    Put(out.data(), 0, record.frames);
    Put(out.data(), 8, record.t0);
    Put(out.data(), 16, record.t1);
    Put(out.data(), 24, record.step);
    Put(out.data(), 32, record.interval);
    return out;
}

TimelineRecord DecodeTimelineRecord(const uint8_t* bytes)
{
    TimelineRecord r;
    r.frames = Get<int32_t>(bytes, 0);
    r.t0 = Get<double>(bytes, 8);
    r.t1 = Get<double>(bytes, 16);
    r.step = Get<double>(bytes, 24);
    r.interval = Get<double>(bytes, 32);
    return r;
}

std::array<uint8_t, kPlaybackParamsBytes> EncodePlaybackParams(const PlaybackParams& p)
{
    std::array<uint8_t, kPlaybackParamsBytes> out{};
    Put(out.data(), 0, p.recordVideo);
    Put(out.data(), 8, p.trackVehicle);
    Put(out.data(), 12, p.autoCamera);
    Put(out.data(), 16, p.nearDistance);
    Put(out.data(), 24, p.farDistance);
    Put(out.data(), 32, p.cameraSpeed);
    Put(out.data(), 40, p.panRate);
    return out;
}

PlaybackParams DecodePlaybackParams(const uint8_t* bytes)
{
    PlaybackParams p;
    p.recordVideo = Get<int32_t>(bytes, 0);
    p.trackVehicle = Get<int32_t>(bytes, 8);
    p.autoCamera = Get<int32_t>(bytes, 12);
    p.nearDistance = Get<double>(bytes, 16);
    p.farDistance = Get<double>(bytes, 24);
    p.cameraSpeed = Get<double>(bytes, 32);
    p.panRate = Get<double>(bytes, 40);
    return p;
}

}  // namespace oxv
