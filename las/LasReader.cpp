#include "las/LasReader.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "geo/CoordinateSystem.h"
#include "geo/CrsToLocal.h"
#include "geo/LocalFrame.h"
#include "las/GeoKeys.h"
#include "las/LasFile.h"
#include "las/LasFormat.h"
#include "las/VariableRecords.h"
#include "survey/Geodesy.h"
#include "base/NumberText.h"
#include "base/NumericConversion.h"
#include "survey/PointFileWriter.h"

namespace oxv::las {

namespace {

constexpr size_t kChunkRecords = 65536;
constexpr size_t kBatch = 4096;
constexpr size_t kProjectionLimit = size_t{1} << 20;
constexpr double kReadShare = 0.85;
constexpr double kFrameReach = CrsToLocal::kFrameReach;

bool EndsWith(const std::string& text, const char* suffix)
{
    const size_t n = std::strlen(suffix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != suffix[i]) return false;
    return true;
}

PointFileLayout LayoutFor(const PointFormat& format)
{
    PointFileLayout layout;
    layout.channels = ChannelLayout{};
    layout.channels.xyz = 0;
    layout.channels.amplitude = 3;
    int8_t next = 4;
    if (format.rgb >= 0) layout.channels.color = next++;
    if (format.gpsTime >= 0) {
        layout.channels.time = next;
        next = static_cast<int8_t>(next + 2);
    }
    layout.stride = next;
    return layout;
}

std::string PayloadText(const std::vector<uint8_t>& payload)
{
    size_t n = payload.size();
    while (n > 0 && (payload[n - 1] == 0 || payload[n - 1] == ' ' || payload[n - 1] == '\n')) --n;
    return std::string(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(n));
}

const VariableRecord* FindRecord(const std::vector<VariableRecord>& records, const char* user, uint16_t id)
{
    for (const VariableRecord& r : records)
        if (r.userId == user && r.recordId == id) return &r;
    return nullptr;
}

// The coordinate system the file names: OGC WKT where there is one (1.4's
// way), else the GeoTIFF keys of the earlier versions.
void FindCoordinateSystem(const LasFile& file, const std::vector<VariableRecord>& records, LasSurvey& survey)
{
    std::vector<uint8_t> payload;
    if (const VariableRecord* wkt = FindRecord(records, kProjectionUserId, kOgcWktId)) {
        survey.crsSource = "OGC WKT";
        if (!ReadPayload(file, *wkt, kProjectionLimit, payload))
            survey.crsProblem = "an OGC WKT record that cannot be read";
        else
            survey.crsDefinition = PayloadText(payload);
        if (survey.crsDefinition.empty() && survey.crsProblem.empty()) survey.crsProblem = "an empty OGC WKT record";
        return;
    }
    const VariableRecord* directory = FindRecord(records, kProjectionUserId, kGeoKeyDirectoryId);
    if (!directory) return;
    survey.crsSource = "GeoTIFF keys";
    std::vector<uint8_t> keys, doubles, ascii;
    if (!ReadPayload(file, *directory, kProjectionLimit, keys)) {
        survey.crsProblem = "a GeoTIFF key directory that cannot be read";
        return;
    }
    if (const VariableRecord* r = FindRecord(records, kProjectionUserId, kGeoDoubleParamsId))
        if (!ReadPayload(file, *r, kProjectionLimit, doubles)) doubles.clear();
    if (const VariableRecord* r = FindRecord(records, kProjectionUserId, kGeoAsciiParamsId))
        if (!ReadPayload(file, *r, kProjectionLimit, ascii)) ascii.clear();
    survey.crsDefinition = CoordinateSystemFromGeoKeys(keys, doubles, ascii, survey.crsProblem);
}

bool FindOwnOrigin(const LasFile& file, const std::vector<VariableRecord>& records, GeodeticOrigin& origin)
{
    const VariableRecord* r = FindRecord(records, kOriginUserId, kOriginRecordId);
    std::vector<uint8_t> payload;
    if (!r || r->length != 24 || !ReadPayload(file, *r, 24, payload)) return false;
    GeodeticOrigin o{LoadUnaligned<double>(payload.data()), LoadUnaligned<double>(payload.data() + 8),
                     LoadUnaligned<double>(payload.data() + 16)};
    if (!HasGeodeticOrigin(o) || std::fabs(o.latitude) > 1.6 || std::fabs(o.longitude) > 6.3) return false;
    origin = o;
    return true;
}

int BitWidth(unsigned v) { return v == 0 ? 0 : 32 - std::countl_zero(v); }

// The first pass's findings over the raw records.
struct RawFindings {
    int32_t low[3] = {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(),
                      std::numeric_limits<int32_t>::max()};
    int32_t high[3] = {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min(),
                       std::numeric_limits<int32_t>::min()};
    uint16_t intensityMax = 0;
    uint16_t colorMax = 0;
    size_t wideColorFrom = 0;  // first record with a colour value above 255
    bool timeOrdered = true;
    double timeMin = std::numeric_limits<double>::infinity();
    double timeMax = -std::numeric_limits<double>::infinity();
};

class Converter {
public:
    Converter(const Header& header, const PointFileLayout& layout, uint8_t* records, size_t count)
        : m_header(header), m_format(kPointFormats[header.pointFormat]), m_layout(layout), m_records(records),
          m_recordBytes(4 * static_cast<size_t>(layout.stride)), m_count(count)
    {
    }

    // Raw coordinates, intensity, colour and time into the records.
    void Take(const uint8_t* source, size_t first, size_t n)
    {
        const size_t length = m_header.recordLength;
        for (size_t j = 0; j < n; ++j) {
            const uint8_t* p = source + j * length;
            uint8_t* rec = m_records + (first + j) * m_recordBytes;
            int32_t xyz[3];
            std::memcpy(xyz, p, sizeof xyz);
            std::memcpy(rec, xyz, sizeof xyz);
            for (int a = 0; a < 3; ++a) {
                m_raw.low[a] = std::min(m_raw.low[a], xyz[a]);
                m_raw.high[a] = std::max(m_raw.high[a], xyz[a]);
            }
            const uint32_t intensity = LoadUnaligned<uint16_t>(p + 12);
            m_raw.intensityMax = std::max(m_raw.intensityMax, static_cast<uint16_t>(intensity));
            std::memcpy(rec + 12, &intensity, 4);
            if (m_format.rgb >= 0) TakeColor(p + m_format.rgb, rec + 4 * static_cast<size_t>(m_layout.channels.color), first + j);
            if (m_format.gpsTime >= 0) {
                const double t = LoadUnaligned<double>(p + m_format.gpsTime);
                if (t < m_lastTime) m_raw.timeOrdered = false;
                m_lastTime = t;
                m_raw.timeMin = std::min(m_raw.timeMin, t);
                m_raw.timeMax = std::max(m_raw.timeMax, t);
                const double stamp = t * 400.0;
                std::memcpy(rec + 4 * static_cast<size_t>(m_layout.channels.time), &stamp, sizeof stamp);
            }
        }
    }

    const RawFindings& Raw() const { return m_raw; }
    bool WideColor() const { return m_wide; }

    // Amplitude and colour to their 8-bit values.
    void FinishValues(int intensityShift)
    {
        for (size_t i = 0; i < m_count; ++i) {
            uint8_t* amp = m_records + i * m_recordBytes + 12;
            uint32_t intensity;
            std::memcpy(&intensity, amp, 4);
            const uint32_t value = (intensity >> intensityShift) & 0xFFu;
            std::memcpy(amp, &value, 4);
        }
        if (m_format.rgb < 0 || !m_wide) return;
        // Before the first wide value every value was below 256, whose high
        // byte is 0.
        for (size_t i = 0; i < m_raw.wideColorFrom; ++i)
            std::memset(m_records + i * m_recordBytes + 4 * static_cast<size_t>(m_layout.channels.color), 0, 4);
    }

private:
    void TakeColor(const uint8_t* p, uint8_t* word, size_t index)
    {
        uint16_t rgb[3];
        std::memcpy(rgb, p, sizeof rgb);
        const uint16_t top = std::max({rgb[0], rgb[1], rgb[2]});
        m_raw.colorMax = std::max(m_raw.colorMax, top);
        if (!m_wide && top > 255) {
            m_wide = true;
            m_raw.wideColorFrom = index;
        }
        const int shift = m_wide ? 8 : 0;
        word[0] = static_cast<uint8_t>(rgb[0] >> shift);
        word[1] = static_cast<uint8_t>(rgb[1] >> shift);
        word[2] = static_cast<uint8_t>(rgb[2] >> shift);
        word[3] = 0;
    }

    const Header& m_header;
    const PointFormat& m_format;
    const PointFileLayout& m_layout;
    uint8_t* m_records;
    size_t m_recordBytes;
    size_t m_count;
    RawFindings m_raw;
    bool m_wide = false;
    double m_lastTime = -std::numeric_limits<double>::infinity();
};

// How a file coordinate reaches local metres.
struct Placement {
    const CrsToLocal* mapper = nullptr;  // through PROJ; else a shift
    double shift[3] = {0, 0, 0};
};

bool PlacePoints(uint8_t* records, size_t recordBytes, size_t count, const Header& h, const Placement& place)
{
    double x[kBatch], y[kBatch], z[kBatch];
    for (size_t first = 0; first < count; first += kBatch) {
        const size_t n = std::min(kBatch, count - first);
        for (size_t j = 0; j < n; ++j) {
            int32_t raw[3];
            std::memcpy(raw, records + (first + j) * recordBytes, sizeof raw);
            x[j] = raw[0] * h.scale[0] + h.offset[0] - place.shift[0];
            y[j] = raw[1] * h.scale[1] + h.offset[1] - place.shift[1];
            z[j] = raw[2] * h.scale[2] + h.offset[2] - place.shift[2];
        }
        if (place.mapper && !place.mapper->Map(x, y, z, n)) return false;
        for (size_t j = 0; j < n; ++j) {
            const int32_t mm[3] = {StoredMillimetres(x[j]), StoredMillimetres(y[j]), StoredMillimetres(z[j])};
            std::memcpy(records + (first + j) * recordBytes, mm, sizeof mm);
        }
    }
    return true;
}

std::string Metres(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

// The header and the VLRs, checked.
LoadStatus ReadHeaderAndRecords(const LasFile& file, LasSurvey& survey, std::vector<VariableRecord>& records,
                                std::string& why)
{
    uint8_t head[kHeaderSize14] = {};
    const size_t headBytes = static_cast<size_t>(std::min<uint64_t>(file.Size(), sizeof head));
    if (!file.Read(0, head, headBytes)) {
        why = "the header cannot be read";
        return LoadStatus::ReadError;
    }
    if (why = ParseHeader(head, headBytes, file.Size(), survey.header); !why.empty()) return LoadStatus::FormatError;
    if (why = ReadVariableRecords(file, survey.header, records); !why.empty()) return LoadStatus::FormatError;
    survey.vlrs = records.size();
    return LoadStatus::Ok;
}

// The first pass: the file's records, chunk by chunk, into the image as raw values.
LoadStatus ReadPoints(const LasFile& file, const Header& h, Converter& converter,
                      const std::function<bool(double)>& progress, std::string& why)
{
    const size_t count = static_cast<size_t>(h.pointCount);
    std::vector<uint8_t> chunk(std::min(count, kChunkRecords) * h.recordLength);
    for (size_t first = 0; first < count; first += kChunkRecords) {
        const size_t n = std::min(kChunkRecords, count - first);
        if (!file.Read(h.pointDataOffset + static_cast<uint64_t>(first) * h.recordLength, chunk.data(),
                       n * h.recordLength)) {
            why = "the points cannot be read after record " + GroupedDigits(first);
            return LoadStatus::ReadError;
        }
        converter.Take(chunk.data(), first, n);
        if (progress && !progress(kReadShare * static_cast<double>(first + n) / static_cast<double>(count)))
            return LoadStatus::Cancelled;
    }
    return LoadStatus::Ok;
}

// What the first pass found: the data's bounds, the scalings, the times.
void TakeFindings(const Converter& converter, LasSurvey& survey)
{
    const Header& h = survey.header;
    const RawFindings& raw = converter.Raw();
    const bool empty = h.pointCount == 0;
    for (int a = 0; a < 3; ++a) {
        if (empty) {
            survey.dataMin[a] = h.min[a];
            survey.dataMax[a] = h.max[a];
            if (!std::isfinite(survey.dataMin[a]) || !std::isfinite(survey.dataMax[a]))
                survey.dataMin[a] = survey.dataMax[a] = h.offset[a];
        } else {
            const double lo = raw.low[a] * h.scale[a] + h.offset[a];
            const double hi = raw.high[a] * h.scale[a] + h.offset[a];
            survey.dataMin[a] = std::min(lo, hi);
            survey.dataMax[a] = std::max(lo, hi);
        }
        survey.centre[a] = 0.5 * (survey.dataMin[a] + survey.dataMax[a]);
    }
    survey.intensityMax = raw.intensityMax;
    survey.colorMax = raw.colorMax;
    survey.intensityShift = std::max(0, BitWidth(raw.intensityMax) - 8);
    survey.colorHighBytes = converter.WideColor();
    survey.timeOrdered = raw.timeOrdered;
    if (!empty && kPointFormats[h.pointFormat].gpsTime >= 0) {
        survey.timeMin = raw.timeMin;
        survey.timeMax = raw.timeMax;
    }
}

// Where the file's coordinates go, and what takes them there.
struct Frame {
    GeodeticOrigin origin = NoGeodeticOrigin();
    std::unique_ptr<CoordinateSystem> system;
    std::unique_ptr<LocalFrame> local;
    std::unique_ptr<CrsToLocal> mapper;
    Placement place;
};

// Through PROJ: the origin at the data's centre (or our own record's), the
// lattice over the data's box.
LoadStatus PlaceThroughProj(const GeodeticOrigin* own, LasSurvey& survey, Frame& frame, std::string& why)
{
    survey.crsName = frame.system->Name();
    if (own) {
        frame.origin = *own;
        survey.originFromFile = true;
    } else {
        double x = survey.centre[0], y = survey.centre[1], z = survey.centre[2];
        if (!frame.system->ToGeodetic(&x, &y, &z, 1)) {
            why = "the centre of the data lies where " + survey.crsName + " cannot be converted to WGS-84";
            return LoadStatus::FormatError;
        }
        frame.origin = {y * kDegreesToRadians, x * kDegreesToRadians, z};
    }
    survey.operation = frame.system->OperationName();
    frame.local = std::make_unique<LocalFrame>(frame.origin);
    frame.mapper = std::make_unique<CrsToLocal>(*frame.system, *frame.local);
    switch (frame.mapper->Prepare(survey.dataMin, survey.dataMax)) {
    case CrsToLocal::Preparation::Ready: break;
    case CrsToLocal::Preparation::Unconvertible:
        why = "the data's corners lie where " + survey.crsName + " cannot be converted to WGS-84";
        return LoadStatus::FormatError;
    case CrsToLocal::Preparation::TooFar:
        why = "points more than the 2,147 km a survey holds from the frame's origin";
        return LoadStatus::FormatError;
    }
    survey.latticeColumns = frame.mapper->LatticeColumns();
    survey.latticeRows = frame.mapper->LatticeRows();
    survey.latticeError = frame.mapper->LatticeError();
    frame.place.mapper = frame.mapper.get();
    return LoadStatus::Ok;
}

LoadStatus ChooseFrame(const LasFile& file, const std::vector<VariableRecord>& records, LasSurvey& survey,
                       Frame& frame, std::string& why)
{
    FindCoordinateSystem(file, records, survey);
    GeodeticOrigin own;
    const bool hasOwnOrigin = FindOwnOrigin(file, records, own);
    if (!survey.crsDefinition.empty()) {
        std::string problem;
        frame.system = CoordinateSystem::Create(survey.crsDefinition, problem);
        if (!frame.system) survey.crsProblem = problem;
    }
    if (survey.crsDefinition.size() > 200) survey.crsDefinition = survey.crsDefinition.substr(0, 197) + "...";
    if (frame.system) return PlaceThroughProj(hasOwnOrigin ? &own : nullptr, survey, frame, why);
    // No system: the file's own coordinates, in the frame our record names
    // or else about the data's centre (whole metres).
    if (hasOwnOrigin) {
        frame.origin = own;
        survey.originFromFile = true;
    } else {
        for (int a = 0; a < 3; ++a) frame.place.shift[a] = std::round(survey.centre[a]);
    }
    for (int a = 0; a < 3; ++a) {
        const double reach = std::max(std::fabs(survey.dataMin[a] - frame.place.shift[a]),
                                      std::fabs(survey.dataMax[a] - frame.place.shift[a]));
        if (!(reach < kFrameReach)) {
            why = "points " + Metres(reach) + " m from the frame's origin, beyond the 2,147 km a survey holds";
            return LoadStatus::FormatError;
        }
    }
    return LoadStatus::Ok;
}

}  // namespace

bool IsLasPath(const std::string& path)
{
    if (EndsWith(path, ".las") || EndsWith(path, ".laz")) return true;
    LasFile file;
    uint8_t signature[4];
    return file.Open(path) && file.Read(0, signature, 4) && HasSignature(signature, 4);
}

LoadStatus ReadLasFile(const std::string& path, ImageBlock& block, LasSurvey& survey, std::string& why,
                       const std::function<bool(double)>& progress)
{
    block = ImageBlock();
    survey = LasSurvey{};
    LasFile file;
    if (!file.Open(path)) return LoadStatus::CannotOpen;
    if (EndsWith(path, ".laz")) {
        why = "compressed LAS is not supported; decompress it first";
        return LoadStatus::FormatError;
    }
    std::vector<VariableRecord> records;
    if (const LoadStatus head = ReadHeaderAndRecords(file, survey, records, why); head != LoadStatus::Ok) return head;

    const Header& h = survey.header;
    PointFileLayout layout = LayoutFor(kPointFormats[h.pointFormat]);
    const size_t count = static_cast<size_t>(h.pointCount);
    const size_t recordBytes = 4 * static_cast<size_t>(layout.stride);
    ImageBlock image;
    if (!ImageBlock::Allocate(kPointHeaderSize + recordBytes * count, image)) {
        why = "no block of " + GroupedDigits(kPointHeaderSize + recordBytes * count) + " bytes for the survey";
        return LoadStatus::NotEnoughMemory;
    }
    uint8_t* recordsStart = image.Data() + kPointHeaderSize;

    Converter converter(h, layout, recordsStart, count);
    if (const LoadStatus points = ReadPoints(file, h, converter, progress, why); points != LoadStatus::Ok) return points;
    TakeFindings(converter, survey);
    converter.FinishValues(survey.intensityShift);

    Frame frame;
    if (const LoadStatus chosen = ChooseFrame(file, records, survey, frame, why); chosen != LoadStatus::Ok) return chosen;
    if (!PlacePoints(recordsStart, recordBytes, count, h, frame.place)) {
        why = "some points lie where " + survey.crsName + " cannot be converted to WGS-84";
        return LoadStatus::FormatError;
    }
    if (progress && !progress(1.0)) return LoadStatus::Cancelled;

    layout.origin = frame.origin;
    const auto pointHeader = MakePointHeader(layout, static_cast<int32_t>(count));
    std::memcpy(image.Data(), pointHeader.data(), pointHeader.size());
    block = std::move(image);
    return LoadStatus::Ok;
}

}  // namespace oxv::las
