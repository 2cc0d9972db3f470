#include "survey/PointFileWriter.h"

#include <cstring>

namespace oxv {

std::array<uint8_t, kPointHeaderSize> MakePointHeader(const PointFileLayout& layout, int32_t recordCount)
{
    std::array<uint8_t, kPointHeaderSize> h{};
    auto put = [&h](size_t offset, auto value) { std::memcpy(h.data() + offset, &value, sizeof value); };
    put(0, kPointFileMagic);
    put(header::kRecordCount, recordCount);
    put(header::kStride, layout.stride);
    put(header::kXyz, layout.channels.xyz);
    put(header::kOrigin, layout.channels.origin);
    put(header::kColor, layout.channels.color);
    put(header::kAmplitude, layout.channels.amplitude);
    put(header::kTime, layout.channels.time);
    put(header::kPose, layout.channels.pose);
    put(header::kLatitude, layout.origin.latitude);
    put(header::kLongitude, layout.origin.longitude);
    put(header::kHeight, layout.origin.height);
    return h;
}

PointRecord::PointRecord(const PointFileLayout& layout)
    : m_channels(layout.channels), m_words(static_cast<size_t>(layout.stride > 0 ? layout.stride : 0), 0u)
{
}

uint8_t* PointRecord::ChannelBytes(int8_t index, int words)
{
    if (index < 0 || static_cast<size_t>(index) + static_cast<size_t>(words) > m_words.size()) return nullptr;
    return reinterpret_cast<uint8_t*>(m_words.data() + index);
}

void PointRecord::SetXyz(int32_t x, int32_t y, int32_t z)
{
    const int32_t v[3] = {x, y, z};
    if (uint8_t* p = ChannelBytes(m_channels.xyz, kXyzWords)) std::memcpy(p, v, sizeof v);
}

void PointRecord::SetOrigin(int32_t x, int32_t y, int32_t z)
{
    const int32_t v[3] = {x, y, z};
    if (uint8_t* p = ChannelBytes(m_channels.origin, kOriginWords)) std::memcpy(p, v, sizeof v);
}

void PointRecord::SetColor(uint8_t r, uint8_t g, uint8_t b)
{
    uint8_t* p = ChannelBytes(m_channels.color, kColorWords);
    if (!p) return;
    p[0] = r;
    p[1] = g;
    p[2] = b;
}

void PointRecord::SetAmplitude(uint8_t amplitude)
{
    if (uint8_t* p = ChannelBytes(m_channels.amplitude, kAmplitudeWords)) p[0] = amplitude;
}

void PointRecord::SetTime(double t)
{
    if (uint8_t* p = ChannelBytes(m_channels.time, kTimeWords)) std::memcpy(p, &t, sizeof t);
}

void PointRecord::SetPose(const Pose& pose)
{
    if (uint8_t* p = ChannelBytes(m_channels.pose, kPoseWords)) std::memcpy(p, pose.v, sizeof pose.v);
}

PointFileWriter::PointFileWriter(std::string path, const PointFileLayout& layout, int32_t recordCount)
    : m_path(std::move(path)), m_tempPath(m_path + ".part")
{
    m_file = std::fopen(m_tempPath.c_str(), "wb");
    if (!m_file) return;
    const auto header = MakePointHeader(layout, recordCount);
    WriteRaw(header.data(), header.size());
}

PointFileWriter::~PointFileWriter()
{
    if (m_file) {
        std::fclose(m_file);
        std::remove(m_tempPath.c_str());
    }
}

void PointFileWriter::Write(const PointRecord& record) { WriteRaw(record.Bytes(), record.ByteSize()); }

void PointFileWriter::WriteRaw(const void* bytes, size_t size)
{
    if (!m_file || m_failed) return;
    if (std::fwrite(bytes, 1, size, m_file) != size) m_failed = true;
}

bool PointFileWriter::Finish()
{
    if (!m_file) return false;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (m_failed || !closed || std::rename(m_tempPath.c_str(), m_path.c_str()) != 0) {
        std::remove(m_tempPath.c_str());
        return false;
    }
    return true;
}

}  // namespace oxv
