#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "survey/PointFile.h"

namespace oxv {

// Writes point files for the demo kit, tests and benchmarks (the viewer
// itself never writes one).
struct PointFileLayout {
    int32_t stride = 16;
    ChannelLayout channels{0, 3, 6, 7, 8, 10};
    GeodeticOrigin origin;
};

std::array<uint8_t, kPointHeaderSize> MakePointHeader(const PointFileLayout& layout, int32_t recordCount);

// One record's words, filled channel by channel; absent channels, and
// channels a malformed layout puts past the record's end, are ignored.
class PointRecord {
public:
    explicit PointRecord(const PointFileLayout& layout);

    void SetXyz(int32_t x, int32_t y, int32_t z);
    void SetOrigin(int32_t x, int32_t y, int32_t z);
    void SetColor(uint8_t r, uint8_t g, uint8_t b);
    void SetAmplitude(uint8_t amplitude);
    void SetTime(double t);
    void SetPose(const Pose& pose);

    const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(m_words.data()); }
    size_t ByteSize() const { return m_words.size() * 4; }

private:
    // The bytes of a channel of `words` words at `index`, or null when the
    // channel is absent or does not fit the record.
    uint8_t* ChannelBytes(int8_t index, int words);

    ChannelLayout m_channels;
    std::vector<uint32_t> m_words;
};

// Streams a point file: the header first (its count given up front), then
// the records in order. Written to a temporary name and renamed on Finish,
// so an interrupted run never leaves a torn file.
class PointFileWriter {
public:
    PointFileWriter(std::string path, const PointFileLayout& layout, int32_t recordCount);
    ~PointFileWriter();
    PointFileWriter(const PointFileWriter&) = delete;
    PointFileWriter& operator=(const PointFileWriter&) = delete;

    [[nodiscard]] bool Ok() const { return m_file != nullptr && !m_failed; }
    void Write(const PointRecord& record);
    void WriteRaw(const void* bytes, size_t size);
    [[nodiscard]] bool Finish();

private:
    std::string m_path;
    std::string m_tempPath;
    FILE* m_file = nullptr;
    bool m_failed = false;
};

}  // namespace oxv
