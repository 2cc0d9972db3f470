#include "las/LasHeader.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "las/LasFormat.h"
#include "base/NumberText.h"
#include "survey/PointFile.h"

namespace oxv::las {

namespace {

std::string FixedText(const uint8_t* p, size_t n)
{
    size_t length = 0;
    while (length < n && p[length] != 0) ++length;
    std::string text(reinterpret_cast<const char*>(p), length);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

size_t MinimumHeaderSize(int minor)
{
    if (minor >= 4) return kHeaderSize14;
    if (minor == 3) return kHeaderSize13;
    return kHeaderSize12;
}

std::string Bytes(uint64_t n) { return GroupedDigits(n) + (n == 1 ? " byte" : " bytes"); }

std::string Number(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string CheckNumbers(const Header& h)
{
    static const char* const kAxis[3] = {"x", "y", "z"};
    for (int a = 0; a < 3; ++a) {
        if (!std::isfinite(h.scale[a]) || h.scale[a] == 0.0)
            return "a scale factor of " + Number(h.scale[a]) + " in " + kAxis[a];
        if (!std::isfinite(h.offset[a])) return "an offset of " + Number(h.offset[a]) + " in " + kAxis[a];
        if (std::isnan(h.min[a]) || std::isnan(h.max[a])) return std::string("NaN bounds in ") + kAxis[a];
    }
    return {};
}

}  // namespace

int Header::ExtraBytes() const { return recordLength - kPointFormats[pointFormat].size; }

bool Header::AdjustedStandardGpsTime() const { return (globalEncoding & kAdjustedStandardGpsTime) != 0; }

bool HasSignature(const uint8_t* data, size_t size)
{
    return size >= 4 && std::memcmp(data, kSignature, 4) == 0;
}

std::string ParseHeader(const uint8_t* d, size_t size, uint64_t fileSize, Header& h)
{
    if (!HasSignature(d, size)) return "not a LAS file";
    if (size < kHeaderSize12)
        return "truncated: " + Bytes(fileSize) + ", less than the " + Bytes(kHeaderSize12) + " of a LAS header";
    h = Header{};
    h.versionMajor = d[offset::kVersionMajor];
    h.versionMinor = d[offset::kVersionMinor];
    if (h.versionMajor != 1 || h.versionMinor > 4)
        return "LAS " + std::to_string(h.versionMajor) + "." + std::to_string(h.versionMinor) +
               " is not supported (1.0 to 1.4 are)";
    h.fileSourceId = LoadUnaligned<uint16_t>(d + offset::kFileSourceId);
    // 1.0 and 1.1 reserve these bytes; only 1.2 on gives them a meaning.
    h.globalEncoding = h.versionMinor >= 2 ? LoadUnaligned<uint16_t>(d + offset::kGlobalEncoding) : 0;
    h.systemId = FixedText(d + offset::kSystemId, 32);
    h.software = FixedText(d + offset::kSoftware, 32);
    h.creationDay = LoadUnaligned<uint16_t>(d + offset::kCreationDay);
    h.creationYear = LoadUnaligned<uint16_t>(d + offset::kCreationYear);
    h.headerSize = LoadUnaligned<uint16_t>(d + offset::kHeaderSize);
    h.pointDataOffset = LoadUnaligned<uint32_t>(d + offset::kPointDataOffset);
    h.vlrCount = LoadUnaligned<uint32_t>(d + offset::kVlrCount);
    h.pointFormatByte = d[offset::kPointFormat];
    h.recordLength = LoadUnaligned<uint16_t>(d + offset::kRecordLength);
    h.legacyPointCount = LoadUnaligned<uint32_t>(d + offset::kLegacyPointCount);
    for (int r = 0; r < 5; ++r)
        h.pointsByReturn[r] = LoadUnaligned<uint32_t>(d + offset::kLegacyByReturn + 4 * static_cast<size_t>(r));
    for (int a = 0; a < 3; ++a) {
        h.scale[a] = LoadUnaligned<double>(d + offset::kScale + 8 * static_cast<size_t>(a));
        h.offset[a] = LoadUnaligned<double>(d + offset::kOffset + 8 * static_cast<size_t>(a));
        h.max[a] = LoadUnaligned<double>(d + offset::kMaxX + 16 * static_cast<size_t>(a));
        h.min[a] = LoadUnaligned<double>(d + offset::kMaxX + 16 * static_cast<size_t>(a) + 8);
    }

    const size_t minimum = MinimumHeaderSize(h.versionMinor);
    if (h.headerSize < minimum)
        return "a header size of " + Bytes(h.headerSize) + ", less than LAS 1." + std::to_string(h.versionMinor) +
               "'s " + Bytes(minimum);
    if (size < minimum || fileSize < h.headerSize)
        return "truncated: " + Bytes(fileSize) + ", less than its " + Bytes(h.headerSize) + " header";
    if (h.versionMinor >= 3) h.waveformStart = LoadUnaligned<uint64_t>(d + offset::kWaveformStart);
    h.pointCount = h.legacyPointCount;
    if (h.versionMinor >= 4) {
        h.evlrStart = LoadUnaligned<uint64_t>(d + offset::kEvlrStart);
        h.evlrCount = LoadUnaligned<uint32_t>(d + offset::kEvlrCount);
        const uint64_t count = LoadUnaligned<uint64_t>(d + offset::kPointCount);
        // Writers of 1.4 files with legacy formats often fill only the old count.
        if (count != 0 || h.legacyPointCount == 0) h.pointCount = count;
        for (int r = 0; r < 15; ++r)
            h.pointsByReturn[r] = LoadUnaligned<uint64_t>(d + offset::kByReturn + 8 * static_cast<size_t>(r));
    }

    if (h.pointFormatByte & kCompressionBits) return "compressed LAS is not supported; decompress it first";
    h.pointFormat = h.pointFormatByte;
    if (h.pointFormat > kLastPointFormat)
        return "point data format " + std::to_string(h.pointFormat) + " is not supported (0 to 10 are)";
    const int standard = kPointFormats[h.pointFormat].size;
    if (h.recordLength < standard)
        return "records of " + Bytes(h.recordLength) + ", less than point data format " +
               std::to_string(h.pointFormat) + "'s " + Bytes(static_cast<uint64_t>(standard));
    if (std::string numbers = CheckNumbers(h); !numbers.empty()) return numbers;
    if (h.pointDataOffset < h.headerSize)
        return "the point data starts at byte " + GroupedDigits(h.pointDataOffset) + ", inside the " +
               Bytes(h.headerSize) + " header";
    if (h.pointDataOffset > fileSize)
        return "truncated: " + Bytes(fileSize) + ", but the point data starts at byte " +
               GroupedDigits(h.pointDataOffset);
    const uint64_t room = (fileSize - h.pointDataOffset) / h.recordLength;
    if (h.pointCount > room)
        return "a point count of " + GroupedDigits(h.pointCount) + " that the file cannot hold: " + Bytes(fileSize) +
               " hold " + GroupedDigits(room) + " records of " + Bytes(h.recordLength) + " after byte " +
               GroupedDigits(h.pointDataOffset);
    if (h.pointCount > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
        return GroupedDigits(h.pointCount) + " points, more than the 2,147,483,647 a survey can hold";
    return {};
}

}  // namespace oxv::las
