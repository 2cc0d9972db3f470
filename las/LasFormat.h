#pragma once

#include <cstddef>
#include <cstdint>

namespace oxv::las {

inline constexpr char kSignature[4] = {'L', 'A', 'S', 'F'};

// Public header block sizes by minor version: 1.0 to 1.2, 1.3 (waveform
// start), 1.4 (extended VLRs and 64-bit counts).
inline constexpr size_t kHeaderSize12 = 227;
inline constexpr size_t kHeaderSize13 = 235;
inline constexpr size_t kHeaderSize14 = 375;
inline constexpr size_t kVlrHeaderSize = 54;
inline constexpr size_t kEvlrHeaderSize = 60;

// Public header byte offsets.
namespace offset {
inline constexpr size_t kFileSourceId = 4;
inline constexpr size_t kGlobalEncoding = 6;
inline constexpr size_t kVersionMajor = 24;
inline constexpr size_t kVersionMinor = 25;
inline constexpr size_t kSystemId = 26;
inline constexpr size_t kSoftware = 58;
inline constexpr size_t kCreationDay = 90;
inline constexpr size_t kCreationYear = 92;
inline constexpr size_t kHeaderSize = 94;
inline constexpr size_t kPointDataOffset = 96;
inline constexpr size_t kVlrCount = 100;
inline constexpr size_t kPointFormat = 104;
inline constexpr size_t kRecordLength = 105;
inline constexpr size_t kLegacyPointCount = 107;
inline constexpr size_t kLegacyByReturn = 111;
inline constexpr size_t kScale = 131;
inline constexpr size_t kOffset = 155;
inline constexpr size_t kMaxX = 179;  // then min x, max y, min y, max z, min z
inline constexpr size_t kWaveformStart = 227;
inline constexpr size_t kEvlrStart = 235;
inline constexpr size_t kEvlrCount = 243;
inline constexpr size_t kPointCount = 247;
inline constexpr size_t kByReturn = 255;
}  // namespace offset

// Global encoding bits.
inline constexpr uint16_t kAdjustedStandardGpsTime = 1u << 0;
inline constexpr uint16_t kWktCrs = 1u << 4;

// The point data format byte: the format in the low bits; the two top bits
// are set by compressors, whose files we cannot read.
inline constexpr uint8_t kCompressionBits = 0xC0;
inline constexpr int kLastPointFormat = 10;

// Where each standard field lies in a record of one point data format; -1
// where the format has no such field. X, Y, Z (int32) and intensity (uint16)
// are at 0, 4, 8 and 12 in every format.
struct PointFormat {
    int size;        // bytes of the standard fields
    int gpsTime;     // float64
    int rgb;         // 3 x uint16
    int returnByte;  // return number and number of returns
    int classification;
};

inline constexpr PointFormat kPointFormats[kLastPointFormat + 1] = {
    {20, -1, -1, 14, 15},  // 0
    {28, 20, -1, 14, 15},  // 1
    {26, -1, 20, 14, 15},  // 2
    {34, 20, 28, 14, 15},  // 3
    {57, 20, -1, 14, 15},  // 4: 1 + wave packet
    {63, 20, 28, 14, 15},  // 5: 3 + wave packet
    {30, 22, -1, 14, 16},  // 6
    {36, 22, 30, 14, 16},  // 7
    {38, 22, 30, 14, 16},  // 8: 7 + NIR
    {59, 22, -1, 14, 16},  // 9: 6 + wave packet
    {67, 22, 30, 14, 16},  // 10: 8 + wave packet
};

// The VLR that holds our own survey's geodetic origin when we write a file
// in its local frame: three float64, latitude and longitude in radians and
// ellipsoidal height in metres, as the point file header has them.
inline constexpr char kOriginUserId[] = "Oxvell";
inline constexpr uint16_t kOriginRecordId = 1;

// The coordinate system records.
inline constexpr char kProjectionUserId[] = "LASF_Projection";
inline constexpr uint16_t kGeoKeyDirectoryId = 34735;
inline constexpr uint16_t kGeoDoubleParamsId = 34736;
inline constexpr uint16_t kGeoAsciiParamsId = 34737;
inline constexpr uint16_t kOgcWktId = 2112;

}  // namespace oxv::las
