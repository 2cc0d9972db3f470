#include "las/LasWriter.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "geo/CoordinateSystem.h"
#include "geo/LocalFrame.h"
#include "las/LasFormat.h"
#include "trajectory/TimeBase.h"

namespace oxv::las {

namespace {

constexpr size_t kBatch = 4096;
constexpr double kInt32Reach = 2147483647.0;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

template <typename T>
void Put(std::vector<uint8_t>& bytes, size_t offset, T value)
{
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

void PutText(std::vector<uint8_t>& bytes, size_t offset, size_t size, const std::string& text)
{
    std::memcpy(bytes.data() + offset, text.data(), std::min(size, text.size()));
}

std::vector<uint8_t> VlrHeader(const char* user, uint16_t id, uint16_t length, const char* description)
{
    std::vector<uint8_t> h(kVlrHeaderSize, 0);
    PutText(h, 2, 16, user);
    Put<uint16_t>(h, 18, id);
    Put<uint16_t>(h, 20, length);
    PutText(h, 22, 32, description);
    return h;
}

// Where the survey's points go: the local frame, or a system through PROJ.
class Placement {
public:
    Placement(const LocalFrame* frame, const CoordinateSystem* system) : m_frame(frame), m_system(system) {}

    bool IsLocal() const { return m_system == nullptr; }

    // In place, local metres to output coordinates; false where PROJ fails.
    bool Place(double* x, double* y, double* z, size_t n) const
    {
        if (!m_system) return true;
        for (size_t i = 0; i < n; ++i) {
            const double local[3] = {x[i], y[i], z[i]};
            double lat, lon, h;
            m_frame->ToGeodetic(local, lat, lon, h);
            x[i] = lon;
            y[i] = lat;
            z[i] = h;
        }
        return m_system->FromGeodetic(x, y, z, n);
    }

private:
    const LocalFrame* m_frame;
    const CoordinateSystem* m_system;
};

struct Quantizer {
    double scale[3] = {0.001, 0.001, 0.001};
    double offset[3] = {0, 0, 0};
};

// Offsets near the data and scales fine enough while the extent fits int32:
// 0.001 of the system's unit (1e-9 degree for a geographic one), coarser
// only where the data would not fit.
bool ChooseQuantizer(const PointImage& image, const Placement& place, bool geographic, Quantizer& q)
{
    const size_t n = static_cast<size_t>(image.Records());
    double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    for (size_t i = 0; i < n; ++i) {
        const int32_t* p = image.Xyz(i);
        for (int a = 0; a < 3; ++a) {
            lo[a] = i == 0 ? p[a] : std::min(lo[a], static_cast<double>(p[a]));
            hi[a] = i == 0 ? p[a] : std::max(hi[a], static_cast<double>(p[a]));
        }
    }
    // The box's corners and centre, placed, bound the output well enough.
    double x[9], y[9], z[9];
    for (int k = 0; k < 8; ++k) {
        x[k] = ((k & 1) ? hi[0] : lo[0]) / 1000.0;
        y[k] = ((k & 2) ? hi[1] : lo[1]) / 1000.0;
        z[k] = ((k & 4) ? hi[2] : lo[2]) / 1000.0;
    }
    x[8] = 0.5 * (lo[0] + hi[0]) / 1000.0;
    y[8] = 0.5 * (lo[1] + hi[1]) / 1000.0;
    z[8] = 0.5 * (lo[2] + hi[2]) / 1000.0;
    if (!place.Place(x, y, z, 9)) return false;
    const double* axes[3] = {x, y, z};
    for (int a = 0; a < 3; ++a) {
        const bool angular = geographic && a < 2;
        const double unit = angular ? 1e-9 : 0.001;
        // Local millimetres need no offset; elsewhere round the centre.
        const double step = angular ? 1.0 : 1000.0;
        q.offset[a] = place.IsLocal() ? 0.0 : std::round(axes[a][8] / step) * step;
        double reach = 0.0;
        for (int k = 0; k < 9; ++k) reach = std::max(reach, std::fabs(axes[a][k] - q.offset[a]));
        q.scale[a] = unit;
        while (reach * 1.5 / q.scale[a] >= kInt32Reach && q.scale[a] < 1e6) q.scale[a] *= 10.0;
    }
    return true;
}

std::string Today(uint16_t& year)
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    year = static_cast<uint16_t>(parts.tm_year + 1900);
    return std::to_string(parts.tm_yday + 1);
}

struct Totals {
    double min[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
    double max[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
};

std::vector<uint8_t> MakeHeader(const PointImage& image, const Quantizer& q, const Totals& totals, uint32_t vlrCount,
                                uint32_t pointOffset, bool adjustedTime)
{
    std::vector<uint8_t> h(kHeaderSize14, 0);
    std::memcpy(h.data(), kSignature, 4);
    Put<uint16_t>(h, offset::kGlobalEncoding, static_cast<uint16_t>(kWktCrs | (adjustedTime ? kAdjustedStandardGpsTime : 0)));
    h[offset::kVersionMajor] = 1;
    h[offset::kVersionMinor] = 4;
    PutText(h, offset::kSystemId, 32, "Oxvell");
    PutText(h, offset::kSoftware, 32, "oxvtool convert");
    uint16_t year = 0;
    const uint16_t day = static_cast<uint16_t>(std::stoi(Today(year)));
    Put<uint16_t>(h, offset::kCreationDay, day);
    Put<uint16_t>(h, offset::kCreationYear, year);
    Put<uint16_t>(h, offset::kHeaderSize, static_cast<uint16_t>(kHeaderSize14));
    Put<uint32_t>(h, offset::kPointDataOffset, pointOffset);
    Put<uint32_t>(h, offset::kVlrCount, vlrCount);
    const int format = image.HasColor() ? 7 : 6;
    h[offset::kPointFormat] = static_cast<uint8_t>(format);
    Put<uint16_t>(h, offset::kRecordLength, static_cast<uint16_t>(kPointFormats[format].size));
    const uint64_t count = static_cast<uint64_t>(image.Records());
    for (int a = 0; a < 3; ++a) {
        Put<double>(h, offset::kScale + 8 * static_cast<size_t>(a), q.scale[a]);
        Put<double>(h, offset::kOffset + 8 * static_cast<size_t>(a), q.offset[a]);
        Put<double>(h, offset::kMaxX + 16 * static_cast<size_t>(a), count ? totals.max[a] : 0.0);
        Put<double>(h, offset::kMaxX + 16 * static_cast<size_t>(a) + 8, count ? totals.min[a] : 0.0);
    }
    Put<uint64_t>(h, offset::kPointCount, count);
    // Every point is its pulse's only return as far as we know.
    Put<uint64_t>(h, offset::kByReturn, count);
    return h;
}

class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& path) : m_path(path), m_temp(path + ".part")
    {
        m_file.reset(std::fopen(m_temp.c_str(), "wb"));
    }
    ~TemporaryFile()
    {
        if (m_file) {
            m_file.reset();
            std::remove(m_temp.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool Open() const { return m_file != nullptr; }
    bool Write(const void* data, size_t size)
    {
        if (!m_failed && size && std::fwrite(data, 1, size, m_file.get()) != size) m_failed = true;
        return !m_failed;
    }
    bool WriteAt(long offset, const void* data, size_t size)
    {
        if (!m_failed && std::fseek(m_file.get(), offset, SEEK_SET) != 0) m_failed = true;
        return Write(data, size);
    }
    bool Commit(std::string& why)
    {
        const bool closed = std::fclose(m_file.release()) == 0;
        if (m_failed || !closed || std::rename(m_temp.c_str(), m_path.c_str()) != 0) {
            why = "cannot write " + m_path + ": " + std::strerror(errno);
            std::remove(m_temp.c_str());
            return false;
        }
        return true;
    }

private:
    std::string m_path;
    std::string m_temp;
    std::unique_ptr<FILE, FileCloser> m_file;
    bool m_failed = false;
};

}  // namespace

bool WriteLasFile(const PointImage& image, const std::string& path, const std::string& crs, std::string& why)
{
    const GeodeticOrigin& origin = image.Header().origin;
    std::unique_ptr<CoordinateSystem> system;
    std::unique_ptr<LocalFrame> frame;
    if (!crs.empty()) {
        if (!HasGeodeticOrigin(origin)) {
            why = "the survey has no geodetic origin to place it in " + crs;
            return false;
        }
        system = CoordinateSystem::Create(crs, why);
        if (!system) {
            why = crs + ": " + why;
            return false;
        }
        frame = std::make_unique<LocalFrame>(origin);
    }
    const Placement place(frame.get(), system.get());
    Quantizer q;
    if (!ChooseQuantizer(image, place, system && system->IsGeographic(), q)) {
        why = "the survey lies where " + system->Name() + " cannot take it";
        return false;
    }

    // Variable length records: our origin (so the frame comes back as it
    // was), then the system as WKT.
    std::vector<uint8_t> vlrs;
    uint32_t vlrCount = 0;
    if (HasGeodeticOrigin(origin)) {
        const std::vector<uint8_t> h = VlrHeader(kOriginUserId, kOriginRecordId, 24, "geodetic origin of the frame");
        vlrs.insert(vlrs.end(), h.begin(), h.end());
        const double values[3] = {origin.latitude, origin.longitude, origin.height};
        const auto* bytes = reinterpret_cast<const uint8_t*>(values);
        vlrs.insert(vlrs.end(), bytes, bytes + sizeof values);
        ++vlrCount;
    }
    if (system) {
        std::string wkt = system->Wkt();
        if (wkt.empty() || wkt.size() + 1 > 65535) {
            why = crs + ": PROJ gives no OGC WKT for it that fits a LAS record";
            return false;
        }
        const std::vector<uint8_t> h =
            VlrHeader(kProjectionUserId, kOgcWktId, static_cast<uint16_t>(wkt.size() + 1), "OGC coordinate system WKT");
        vlrs.insert(vlrs.end(), h.begin(), h.end());
        vlrs.insert(vlrs.end(), wkt.begin(), wkt.end());
        vlrs.push_back(0);
        ++vlrCount;
    }
    const uint32_t pointOffset = static_cast<uint32_t>(kHeaderSize14 + vlrs.size());

    const size_t n = static_cast<size_t>(image.Records());
    bool adjustedTime = false;
    if (image.HasTime() && n > 0) {
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        for (size_t i = 0; i < n; ++i) {
            lo = std::min(lo, image.Time(i) / 400.0);
            hi = std::max(hi, image.Time(i) / 400.0);
        }
        adjustedTime = TimeBaseOfSpan(lo, hi) != TimeBase::WeekSeconds;
    }

    TemporaryFile file(path);
    if (!file.Open()) {
        why = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    Totals totals;
    // The header's bounds are known only at the end; it is written again then.
    file.Write(MakeHeader(image, q, totals, vlrCount, pointOffset, adjustedTime).data(), kHeaderSize14);
    file.Write(vlrs.data(), vlrs.size());
    const int format = image.HasColor() ? 7 : 6;
    const PointFormat& f = kPointFormats[format];
    const size_t length = static_cast<size_t>(f.size);
    std::vector<uint8_t> out(kBatch * length);
    double x[kBatch], y[kBatch], z[kBatch];
    for (size_t first = 0; first < n; first += kBatch) {
        const size_t count = std::min(kBatch, n - first);
        for (size_t j = 0; j < count; ++j) {
            const int32_t* p = image.Xyz(first + j);
            x[j] = p[0] / 1000.0;
            y[j] = p[1] / 1000.0;
            z[j] = p[2] / 1000.0;
        }
        if (!place.Place(x, y, z, count)) {
            why = "points lie where " + system->Name() + " cannot take them";
            return false;
        }
        std::fill(out.begin(), out.end(), 0);
        for (size_t j = 0; j < count; ++j) {
            uint8_t* r = out.data() + j * length;
            const double v[3] = {x[j], y[j], z[j]};
            for (int a = 0; a < 3; ++a) {
                const double steps = std::round((v[a] - q.offset[a]) / q.scale[a]);
                if (!(std::fabs(steps) <= kInt32Reach)) {
                    why = "coordinates beyond what the chosen scale can hold";
                    return false;
                }
                const int32_t stored = static_cast<int32_t>(steps);
                std::memcpy(r + 4 * a, &stored, 4);
                const double value = stored * q.scale[a] + q.offset[a];
                totals.min[a] = std::min(totals.min[a], value);
                totals.max[a] = std::max(totals.max[a], value);
            }
            const size_t i = first + j;
            const uint16_t intensity = image.HasAmplitude() ? static_cast<uint16_t>(image.Amplitude(i) * 257) : 0;
            std::memcpy(r + 12, &intensity, 2);
            r[f.returnByte] = 0x11;  // return 1 of 1
            const double t = image.HasTime() ? image.Time(i) / 400.0 : 0.0;
            std::memcpy(r + f.gpsTime, &t, 8);
            if (f.rgb >= 0) {
                const uint8_t* c = image.ColorBytes(i);
                const uint16_t rgb[3] = {static_cast<uint16_t>(c[0] * 257), static_cast<uint16_t>(c[1] * 257),
                                         static_cast<uint16_t>(c[2] * 257)};
                std::memcpy(r + f.rgb, rgb, sizeof rgb);
            }
        }
        if (!file.Write(out.data(), count * length)) break;
    }
    const std::vector<uint8_t> header = MakeHeader(image, q, totals, vlrCount, pointOffset, adjustedTime);
    file.WriteAt(0, header.data(), header.size());
    return file.Commit(why);
}

}  // namespace oxv::las
