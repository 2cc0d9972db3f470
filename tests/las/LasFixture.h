#pragma once

// LAS files built byte by byte for the tests, from the format's own layout
// rather than from the writer under test.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "las/LasFormat.h"

namespace oxv::test {

struct LasPoint {
    int32_t x = 0, y = 0, z = 0;
    uint16_t intensity = 0;
    uint16_t rgb[3] = {0, 0, 0};
    double gpsTime = 0.0;
};

struct LasVlrRecipe {
    std::string userId;
    uint16_t recordId = 0;
    std::vector<uint8_t> payload;
    bool extended = false;  // an EVLR after the points (1.4)
};

struct LasRecipe {
    int minor = 4;
    int format = 6;
    int extraBytes = 0;
    uint16_t globalEncoding = 0;
    double scale[3] = {0.01, 0.01, 0.01};
    double offset[3] = {0, 0, 0};
    // Header bounds; left NaN-free but deliberately not the data's unless set.
    double min[3] = {0, 0, 0};
    double max[3] = {0, 0, 0};
    std::vector<LasPoint> points;
    std::vector<LasVlrRecipe> vlrs;
    bool legacyCountOnly = false;  // 1.4: leave the 64-bit count 0
};

template <typename T>
inline void PutAt(std::vector<uint8_t>& bytes, size_t offset, T value)
{
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

inline size_t HeaderSizeFor(int minor)
{
    return minor >= 4 ? las::kHeaderSize14 : minor == 3 ? las::kHeaderSize13 : las::kHeaderSize12;
}

inline std::vector<uint8_t> LasRecord(const LasRecipe& recipe, const LasPoint& p)
{
    const las::PointFormat& f = las::kPointFormats[recipe.format];
    std::vector<uint8_t> r(static_cast<size_t>(f.size + recipe.extraBytes), 0xAB);
    std::memset(r.data(), 0, static_cast<size_t>(f.size));
    PutAt(r, 0, p.x);
    PutAt(r, 4, p.y);
    PutAt(r, 8, p.z);
    PutAt(r, 12, p.intensity);
    r[static_cast<size_t>(f.returnByte)] = recipe.format >= 6 ? 0x11 : 0x09;
    r[static_cast<size_t>(f.classification)] = 2;
    if (f.gpsTime >= 0) PutAt(r, static_cast<size_t>(f.gpsTime), p.gpsTime);
    if (f.rgb >= 0)
        for (int c = 0; c < 3; ++c) PutAt(r, static_cast<size_t>(f.rgb + 2 * c), p.rgb[c]);
    return r;
}

inline std::vector<uint8_t> VlrBytes(const LasVlrRecipe& v)
{
    const size_t headerSize = v.extended ? las::kEvlrHeaderSize : las::kVlrHeaderSize;
    std::vector<uint8_t> b(headerSize, 0);
    std::memcpy(b.data() + 2, v.userId.data(), std::min<size_t>(16, v.userId.size()));
    PutAt(b, 18, v.recordId);
    if (v.extended)
        PutAt<uint64_t>(b, 20, v.payload.size());
    else
        PutAt<uint16_t>(b, 20, static_cast<uint16_t>(v.payload.size()));
    b.insert(b.end(), v.payload.begin(), v.payload.end());
    return b;
}

inline std::vector<uint8_t> MakeLas(const LasRecipe& recipe)
{
    const size_t headerSize = HeaderSizeFor(recipe.minor);
    std::vector<uint8_t> bytes(headerSize, 0);
    std::memcpy(bytes.data(), "LASF", 4);
    PutAt(bytes, las::offset::kGlobalEncoding, recipe.globalEncoding);
    bytes[las::offset::kVersionMajor] = 1;
    bytes[las::offset::kVersionMinor] = static_cast<uint8_t>(recipe.minor);
    std::memcpy(bytes.data() + las::offset::kSystemId, "TEST SYSTEM", 11);
    std::memcpy(bytes.data() + las::offset::kSoftware, "oxv tests", 9);
    PutAt<uint16_t>(bytes, las::offset::kCreationDay, 42);
    PutAt<uint16_t>(bytes, las::offset::kCreationYear, 2024);
    PutAt<uint16_t>(bytes, las::offset::kHeaderSize, static_cast<uint16_t>(headerSize));
    std::vector<uint8_t> vlrs, evlrs;
    uint32_t vlrCount = 0, evlrCount = 0;
    for (const LasVlrRecipe& v : recipe.vlrs) {
        const std::vector<uint8_t> b = VlrBytes(v);
        (v.extended ? evlrs : vlrs).insert((v.extended ? evlrs : vlrs).end(), b.begin(), b.end());
        ++(v.extended ? evlrCount : vlrCount);
    }
    const uint32_t pointOffset = static_cast<uint32_t>(headerSize + vlrs.size());
    PutAt(bytes, las::offset::kPointDataOffset, pointOffset);
    PutAt(bytes, las::offset::kVlrCount, vlrCount);
    bytes[las::offset::kPointFormat] = static_cast<uint8_t>(recipe.format);
    const uint16_t length = static_cast<uint16_t>(las::kPointFormats[recipe.format].size + recipe.extraBytes);
    PutAt(bytes, las::offset::kRecordLength, length);
    const uint64_t count = recipe.points.size();
    if (recipe.minor < 4 || recipe.format < 6 || recipe.legacyCountOnly)
        PutAt<uint32_t>(bytes, las::offset::kLegacyPointCount, static_cast<uint32_t>(count));
    for (int a = 0; a < 3; ++a) {
        PutAt(bytes, las::offset::kScale + 8 * static_cast<size_t>(a), recipe.scale[a]);
        PutAt(bytes, las::offset::kOffset + 8 * static_cast<size_t>(a), recipe.offset[a]);
        PutAt(bytes, las::offset::kMaxX + 16 * static_cast<size_t>(a), recipe.max[a]);
        PutAt(bytes, las::offset::kMaxX + 16 * static_cast<size_t>(a) + 8, recipe.min[a]);
    }
    if (recipe.minor >= 4) {
        if (!recipe.legacyCountOnly) PutAt<uint64_t>(bytes, las::offset::kPointCount, count);
        PutAt<uint32_t>(bytes, las::offset::kEvlrCount, evlrCount);
    }
    bytes.insert(bytes.end(), vlrs.begin(), vlrs.end());
    for (const LasPoint& p : recipe.points) {
        const std::vector<uint8_t> r = LasRecord(recipe, p);
        bytes.insert(bytes.end(), r.begin(), r.end());
    }
    if (recipe.minor >= 4 && evlrCount > 0) {
        PutAt<uint64_t>(bytes, las::offset::kEvlrStart, bytes.size());
        bytes.insert(bytes.end(), evlrs.begin(), evlrs.end());
    }
    return bytes;
}

inline std::vector<uint8_t> TextPayload(const std::string& text)
{
    std::vector<uint8_t> p(text.begin(), text.end());
    p.push_back(0);
    return p;
}

// A GeoTIFF key directory naming a projected system by its EPSG code.
inline std::vector<uint8_t> GeoKeysForProjected(uint16_t epsg, uint16_t vertical = 0)
{
    std::vector<uint16_t> keys = {1, 1, 0, 0, 1024, 0, 1, 1, 3072, 0, 1, epsg};
    if (vertical) keys.insert(keys.end(), {4096, 0, 1, vertical});
    keys[3] = static_cast<uint16_t>((keys.size() - 4) / 4);
    std::vector<uint8_t> bytes(keys.size() * 2);
    std::memcpy(bytes.data(), keys.data(), bytes.size());
    return bytes;
}

}  // namespace oxv::test
