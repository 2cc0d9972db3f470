#include "NavigationFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace oxv {

namespace {

// The C library's white space in the "C" locale, which is what separates
// fields in the navigation files whatever locale the process runs in.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

const char* SkipBlanks(const char* p)
{
    while (IsBlank(*p)) ++p;
    return p;
}

// Reads one "%lf" field the way the scanner does: leading white space
// skipped, then the longest number; false when no number starts here.
bool ScanDouble(const char*& p, double& value)
{
    p = SkipBlanks(p);
    char* end = nullptr;
    value = std::strtod(p, &end);
    if (end == p) return false;
    p = end;
    return true;
}

// One "%d" field. The value is never used, so an out-of-range integer still
// counts as converted, as it does for the scanner; strtol saturates instead
// of overflowing.
bool ScanInteger(const char*& p)
{
    p = SkipBlanks(p);
    char* end = nullptr;
    (void)std::strtol(p, &end, 10);
    if (end == p) return false;
    p = end;
    return true;
}

template <typename Record, typename Parse>
int64_t ReadRecords(Record* records, size_t capacity, std::FILE* file, const TimeWindow& window, Parse parse)
{
    if (!file) return 0;
    std::rewind(file);
    char line[kNavLineBuffer];
    int64_t count = 0;
    Record record{};
    while (std::fgets(line, static_cast<int>(sizeof line), file)) {
        if (!parse(line, record) || !window.Accepts(record.time)) continue;
        if (records && static_cast<uint64_t>(count) < capacity) records[count] = record;
        ++count;
    }
    // A read error would silently cut the file short, and possibly only in
    // one of the two passes.
    if (std::ferror(file)) return -1;
    return count;
}

}  // namespace

UniqueFile OpenRegularFile(const std::string& path, const char* mode)
{
    // Non-blocking so that a named pipe in place of the file cannot stall
    // the open; regular files ignore the flag.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, mode);
    if (!file) {
        close(fd);
        return nullptr;
    }
    return UniqueFile(file);
}

void ReadTimeWindow(std::FILE* file, TimeWindow& window)
{
    window = TimeWindow{};
    if (!file) return;
    std::rewind(file);
    char line[kNavLineBuffer];
    if (!std::fgets(line, static_cast<int>(sizeof line), file)) return;
    const double start = std::strtod(line, nullptr);
    if (!std::fgets(line, static_cast<int>(sizeof line), file)) return;
    window.start = start;
    window.end = std::strtod(line, nullptr);
}

bool ParseNavLine(const char* line, NavRecord& record)
{
    if (line[0] == '%') return false;
    const char* p = line;
    double v[10];
    if (!ScanInteger(p)) return false;
    for (double& field : v)
        if (!ScanDouble(p, field)) return false;
    record = NavRecord{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]};
    return true;
}

bool ParseGeoLine(const char* line, GeoRecord& record)
{
    if (line[0] == '%') return false;
    const char* p = line;
    double v[4];
    for (double& field : v)
        if (!ScanDouble(p, field)) return false;
    record = GeoRecord{v[0], v[1], v[2], v[3]};
    return true;
}

int64_t ReadNavRecords(NavRecord* records, size_t capacity, std::FILE* file, const TimeWindow& window)
{
    return ReadRecords(records, capacity, file, window, ParseNavLine);
}

int64_t ReadGeoRecords(GeoRecord* records, size_t capacity, std::FILE* file, const TimeWindow& window)
{
    return ReadRecords(records, capacity, file, window, ParseGeoLine);
}

}  // namespace oxv
