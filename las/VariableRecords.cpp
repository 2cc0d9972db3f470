#include "las/VariableRecords.h"

#include <cstring>

#include "las/LasFormat.h"
#include "base/NumberText.h"
#include "survey/PointFile.h"

namespace oxv::las {

namespace {

std::string FixedText(const uint8_t* p, size_t n)
{
    size_t length = 0;
    while (length < n && p[length] != 0) ++length;
    return std::string(reinterpret_cast<const char*>(p), length);
}

std::string Which(const char* kind, uint64_t index, uint64_t count)
{
    return std::string(kind) + " " + GroupedDigits(index + 1) + " of " + GroupedDigits(count);
}

}  // namespace

std::string ReadVariableRecords(const LasFile& file, const Header& header, std::vector<VariableRecord>& records)
{
    records.clear();
    uint64_t at = header.headerSize;
    const uint64_t end = header.pointDataOffset;
    for (uint32_t i = 0; i < header.vlrCount; ++i) {
        uint8_t h[kVlrHeaderSize];
        if (at + kVlrHeaderSize > end || !file.Read(at, h, sizeof h))
            return Which("VLR", i, header.vlrCount) + " runs past the start of the point data at byte " +
                   GroupedDigits(end);
        VariableRecord r;
        r.userId = FixedText(h + 2, 16);
        r.recordId = LoadUnaligned<uint16_t>(h + 18);
        r.length = LoadUnaligned<uint16_t>(h + 20);
        r.description = FixedText(h + 22, 32);
        r.dataOffset = at + kVlrHeaderSize;
        if (r.dataOffset + r.length > end)
            return Which("VLR", i, header.vlrCount) + " (" + r.userId + " " + std::to_string(r.recordId) +
                   ") runs past the start of the point data at byte " + GroupedDigits(end);
        at = r.dataOffset + r.length;
        records.push_back(std::move(r));
    }
    if (header.evlrCount == 0) return {};
    at = header.evlrStart;
    const uint64_t size = file.Size();
    for (uint32_t i = 0; i < header.evlrCount; ++i) {
        uint8_t h[kEvlrHeaderSize];
        if (at > size || size - at < kEvlrHeaderSize || !file.Read(at, h, sizeof h))
            return Which("extended VLR", i, header.evlrCount) + " runs past the end of the file at byte " +
                   GroupedDigits(size);
        VariableRecord r;
        r.extended = true;
        r.userId = FixedText(h + 2, 16);
        r.recordId = LoadUnaligned<uint16_t>(h + 18);
        r.length = LoadUnaligned<uint64_t>(h + 20);
        r.description = FixedText(h + 28, 32);
        r.dataOffset = at + kEvlrHeaderSize;
        if (r.length > size - r.dataOffset)
            return Which("extended VLR", i, header.evlrCount) + " (" + r.userId + " " + std::to_string(r.recordId) +
                   ") runs past the end of the file at byte " + GroupedDigits(size);
        at = r.dataOffset + r.length;
        records.push_back(std::move(r));
    }
    return {};
}

bool ReadPayload(const LasFile& file, const VariableRecord& record, size_t limit, std::vector<uint8_t>& payload)
{
    if (record.length > limit) return false;
    payload.resize(static_cast<size_t>(record.length));
    return payload.empty() || file.Read(record.dataOffset, payload.data(), payload.size());
}

}  // namespace oxv::las
