#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace oxv::las {

// The public header block of a LAS 1.0 to 1.4 file, as far as reading its
// points needs it and `oxvtool info` shows it.
struct Header {
    uint8_t versionMajor = 0;
    uint8_t versionMinor = 0;
    uint16_t fileSourceId = 0;
    uint16_t globalEncoding = 0;
    std::string systemId;
    std::string software;
    uint16_t creationDay = 0;
    uint16_t creationYear = 0;
    uint16_t headerSize = 0;
    uint32_t pointDataOffset = 0;
    uint32_t vlrCount = 0;
    uint8_t pointFormatByte = 0;  // as stored, compression bits included
    int pointFormat = 0;
    uint16_t recordLength = 0;
    uint32_t legacyPointCount = 0;
    uint64_t pointCount = 0;  // the count that holds: 64-bit in 1.4 when set
    uint64_t pointsByReturn[15] = {};
    double scale[3] = {0, 0, 0};
    double offset[3] = {0, 0, 0};
    double max[3] = {0, 0, 0};
    double min[3] = {0, 0, 0};
    uint64_t waveformStart = 0;
    uint64_t evlrStart = 0;
    uint32_t evlrCount = 0;

    // The standard fields' size for the point format, and what follows them.
    int ExtraBytes() const;
    bool AdjustedStandardGpsTime() const;
};

// Parses and checks the header from the file's first bytes (`size` of them;
// the whole file is `fileSize` bytes). Returns why the file cannot be read,
// in words for the user, or empty when the points can be read: a known
// version and point format, no compression, scales that are finite and not
// zero, finite offsets and bounds, a record long enough for its format and a
// point count the file holds.
std::string ParseHeader(const uint8_t* data, size_t size, uint64_t fileSize, Header& header);

// True when the bytes begin like a LAS file.
bool HasSignature(const uint8_t* data, size_t size);

}  // namespace oxv::las
