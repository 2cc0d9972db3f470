#include "survey/CameraPath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>

#include "survey/Geodesy.h"
#include "base/NumericConversion.h"
#include "base/WholeFile.h"

namespace oxv {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }
    bool Close()
    {
        if (m_fd < 0) return true;
        const bool ok = close(m_fd) == 0;
        m_fd = -1;
        return ok;
    }

private:
    int m_fd;
};

bool ReadFully(int fd, void* data, size_t size, off_t offset)
{
    auto* p = static_cast<uint8_t*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t got = pread(fd, p + done, size - done, offset + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

bool WriteFully(int fd, const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t put = write(fd, p + done, size - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

std::string InFolder(const std::string& folder, const char* name)
{
    return (std::filesystem::path(folder) / name).string();
}

template <typename T>
std::unique_ptr<T[]> AllocateArray(int64_t count)
{
    return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(count)]);
}

std::unique_ptr<PathNode[]> ImportFromText(const std::string& folder, const PointImage& image)
{
    const UniqueFile navFile = OpenRegularFile(InFolder(folder, kNavFileName), "r");
    const UniqueFile geoFile = OpenRegularFile(InFolder(folder, kGeoFileName), "r");
    if (!navFile || !geoFile) return nullptr;
    TimeWindow window;
    if (const UniqueFile windowFile = OpenRegularFile(InFolder(folder, kTimeWindowFileName), "r"))
        ReadTimeWindow(windowFile.get(), window);

    // Counting passes first so that each array is allocated once at its size.
    // A second pass that finds a different number means the file changed
    // under us; the path node keys hold counts as int32.
    const int64_t n = ReadNavRecords(nullptr, 0, navFile.get(), window);
    if (n <= 0 || n > std::numeric_limits<int32_t>::max()) return nullptr;
    const std::unique_ptr<NavRecord[]> nav = AllocateArray<NavRecord>(n);
    if (!nav || ReadNavRecords(nav.get(), static_cast<size_t>(n), navFile.get(), window) != n) return nullptr;

    const int64_t g = ReadGeoRecords(nullptr, 0, geoFile.get(), window);
    if (g != n) return nullptr;
    const std::unique_ptr<GeoRecord[]> geo = AllocateArray<GeoRecord>(g);
    if (!geo || ReadGeoRecords(geo.get(), static_cast<size_t>(g), geoFile.get(), window) != g) return nullptr;

    return BuildCameraPath(nav.get(), static_cast<int32_t>(g), geo.get(), image);
}

}  // namespace

std::unique_ptr<PathNode[]> BuildCameraPath(NavRecord* nav, int32_t count, const GeoRecord* geo,
                                            const PointImage& image)
{
    if (count <= 0 || !nav || !geo) return nullptr;
    std::unique_ptr<PathNode[]> path = AllocateArray<PathNode>(count);
    if (!path) return nullptr;
    const size_t n = static_cast<size_t>(count);
    const double t0 = nav[0].time;
    GeodeticToLocal(n, image.Header().origin, nav, geo);
    for (size_t i = 0; i < n; ++i) {
        const NavRecord& r = nav[i];
        path[i] = PathNode{TruncToInt32((r.time - t0) * 1000.0), TruncToInt32(r.roll * 1000.0),
                           TruncToInt32(r.pitch * 1000.0),   TruncToInt32(r.heading * 1000.0),
                           TruncToInt32(r.east * 1000.0),    TruncToInt32(r.north * 1000.0),
                           TruncToInt32(r.up * 1000.0)};
    }
    path[0].key = count;
    return path;
}

std::unique_ptr<PathNode[]> ReadCameraPathCache(const std::string& path)
{
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0) return nullptr;
    struct stat info;
    if (fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    // The count is checked against the file's length before anything is
    // allocated, so a hostile count cannot ask for more than the file holds.
    int32_t count = 0;
    if (!ReadFully(fd.Get(), &count, sizeof count, 0)) return nullptr;
    if (count <= 0 || static_cast<int64_t>(count) * static_cast<int64_t>(sizeof(PathNode)) != info.st_size)
        return nullptr;
    std::unique_ptr<PathNode[]> nodes = AllocateArray<PathNode>(count);
    if (!nodes || !ReadFully(fd.Get(), nodes.get(), static_cast<size_t>(info.st_size), 0)) return nullptr;
    // The file may have been rewritten between the two reads.
    if (nodes[0].key != count) return nullptr;
    return nodes;
}

bool WriteCameraPathCache(const std::string& path, const PathNode* nodes)
{
    if (!nodes || nodes[0].key <= 0) {
        errno = EINVAL;
        return false;
    }
    const size_t bytes = static_cast<size_t>(nodes[0].key) * sizeof(PathNode);
    std::string temp = path + ".XXXXXX";
    FileDescriptor fd(mkostemp(temp.data(), O_CLOEXEC));
    if (fd.Get() < 0) return false;
    errno = 0;
    const bool written = fchmod(fd.Get(), 0644) == 0 && WriteFully(fd.Get(), nodes, bytes) && fsync(fd.Get()) == 0;
    int why = written ? 0 : errno;
    const bool closed = fd.Close();
    if (!closed && why == 0) why = errno;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        if (written && closed) why = errno;
        unlink(temp.c_str());
        // A write that stopped without an error of its own found no room.
        errno = why != 0 ? why : ENOSPC;
        return false;
    }
    return true;
}

std::string CameraPathSourceText(const std::string& folder, const GeodeticOrigin& origin)
{
    // Bit patterns, not decimals: exact, and free of the locale's decimal mark.
    const auto bits = [](double v) {
        uint64_t u = 0;
        std::memcpy(&u, &v, sizeof u);
        char text[17];
        std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(u));
        return std::string(text);
    };
    std::string text = "origin " + bits(origin.latitude) + " " + bits(origin.longitude) + " " + bits(origin.height) + "\n";
    for (const char* name : {kNavFileName, kGeoFileName, kTimeWindowFileName}) {
        struct stat info;
        text += name;
        if (stat(InFolder(folder, name).c_str(), &info) != 0) {
            text += " missing\n";
            continue;
        }
        text += " " + std::to_string(static_cast<long long>(info.st_size)) + " " +
                std::to_string(static_cast<long long>(info.st_mtim.tv_sec)) + "." +
                std::to_string(static_cast<long long>(info.st_mtim.tv_nsec)) + "\n";
    }
    return text;
}

namespace {

// The record's first line, the origin.
std::string OriginLine(const std::string& sourceText) { return sourceText.substr(0, sourceText.find('\n') + 1); }

bool TextFilesThere(const std::string& folder)
{
    struct stat info;
    return stat(InFolder(folder, kNavFileName).c_str(), &info) == 0 ||
           stat(InFolder(folder, kGeoFileName).c_str(), &info) == 0;
}

}  // namespace

CameraPathImport ImportCameraPath(const std::string& folder, const PointImage& image)
{
    CameraPathImport result;
    const std::string cachePath = InFolder(folder, kCameraPathCacheName);
    const std::string sourcePath = InFolder(folder, kCameraPathSourceName);
    const std::string now = CameraPathSourceText(folder, image.Header().origin);
    std::unique_ptr<PathNode[]> cache = ReadCameraPathCache(cachePath);
    // A record larger than this was never ours.
    const FileContents record = ReadSmallFile(sourcePath, 4096);
    const bool recorded = record.state != FileContents::State::Missing;
    const bool sameOrigin = record.state == FileContents::State::Read && OriginLine(record.bytes) == OriginLine(now);
    // A cache serves the survey it was built for, from the files it was
    // built from. One without a record is an older cache, trusted only where
    // there is nothing to build from; one for this origin whose text files
    // are gone still holds the right path.
    const bool textThere = TextFilesThere(folder);
    const bool cacheServes = cache && (recorded ? sameOrigin && (record.bytes == now || !textThere) : !textThere);
    if (cacheServes) {
        result.path = std::move(cache);
        result.source = CameraPathSource::Cache;
        return result;
    }
    result.path = ImportFromText(folder, image);
    if (!result.path) {
        // Text files that give nothing: a cache not known to be another
        // survey's is still better than no path.
        if (cache && (!recorded || sameOrigin)) {
            result.path = std::move(cache);
            result.source = CameraPathSource::Cache;
        }
        return result;
    }
    result.source = CameraPathSource::Text;
    // The old record goes first: a cache replaced under a record that
    // describes its predecessor would be taken for it.
    if (recorded && unlink(sourcePath.c_str()) != 0 && errno != ENOENT) {
        result.cacheProblem = "cannot replace " + sourcePath + ": " + std::strerror(errno);
        return result;
    }
    if (!WriteCameraPathCache(cachePath, result.path.get())) {
        result.cacheProblem = "cannot write " + cachePath + ": " + std::strerror(errno);
        return result;
    }
    if (!ReplaceFileWhole(sourcePath, now)) {
        // Without its record the cache is rebuilt next time, never misread.
        result.cacheProblem = "cannot write " + sourcePath + ": " + std::strerror(errno);
        return result;
    }
    result.cached = true;
    return result;
}

}  // namespace oxv
