#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "las/LasFile.h"
#include "las/LasHeader.h"

namespace oxv::las {

// One variable length record, in the header area or (1.4) after the points.
struct VariableRecord {
    bool extended = false;
    std::string userId;
    uint16_t recordId = 0;
    uint64_t dataOffset = 0;  // of the payload, in the file
    uint64_t length = 0;      // of the payload
    std::string description;
};

// Walks the VLRs between the header and the point data and, in 1.4, the
// extended VLRs. Returns why they cannot be read ("VLR 2 of 3 runs past the
// start of the point data at byte 1,234"), or empty.
std::string ReadVariableRecords(const LasFile& file, const Header& header, std::vector<VariableRecord>& records);

// The payload of a record, refused (false) above `limit` bytes or when it
// cannot be read.
[[nodiscard]] bool ReadPayload(const LasFile& file, const VariableRecord& record, size_t limit,
                               std::vector<uint8_t>& payload);

}  // namespace oxv::las
