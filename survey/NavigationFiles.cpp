#include "survey/NavigationFiles.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <cstring>

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

locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// The C library's reading of a number in the "C" locale, for the rare
// spellings the fast path leaves to it.
bool ScanDoubleSlowly(const char*& p, double& value)
{
    char* end = nullptr;
    const locale_t c = CLocale();
    value = c ? strtod_l(p, &end, c) : std::strtod(p, &end);
    if (end == p) return false;
    p = end;
    return true;
}

// Reads one "%lf" field as the scanner does in the "C" locale: leading white
// space skipped, then the longest number; false when no number starts here.
// The files always use a decimal point, while the viewer's process may run
// in a locale whose decimal separator is a comma, so the process locale is
// never consulted. from_chars is also several times faster than strtod,
// which matters on files of millions of lines read twice.
bool ScanDouble(const char*& p, const char* end, double& value)
{
    p = SkipBlanks(p);
    const char* s = p;
    const bool negative = *s == '-';
    if (*s == '+' || *s == '-') ++s;
    if (*s == '+' || *s == '-') return false;
    // Hexadecimal numbers, and values beyond the range of a double (which
    // become infinity or zero), go the slow way.
    if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) return ScanDoubleSlowly(p, value);
    const auto [stop, error] = std::from_chars(s, end, value);
    if (error == std::errc::invalid_argument) return false;
    if (error == std::errc::result_out_of_range) return ScanDoubleSlowly(p, value);
    if (negative) value = -value;
    p = stop;
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

// A line's leading number, 0 when it has none.
double LeadingNumber(const char* line)
{
    double value = 0.0;
    const char* p = line;
    return ScanDouble(p, line + std::strlen(line), value) ? value : 0.0;
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
    const double start = LeadingNumber(line);
    if (!std::fgets(line, static_cast<int>(sizeof line), file)) return;
    window.start = start;
    window.end = LeadingNumber(line);
}

bool ParseNavLine(const char* line, NavRecord& record)
{
    if (line[0] == '%') return false;
    const char* p = line;
    const char* end = line + std::strlen(line);
    double v[10];
    if (!ScanInteger(p)) return false;
    for (double& field : v)
        if (!ScanDouble(p, end, field)) return false;
    record = NavRecord{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]};
    return true;
}

bool ParseGeoLine(const char* line, GeoRecord& record)
{
    if (line[0] == '%') return false;
    const char* p = line;
    const char* end = line + std::strlen(line);
    double v[4];
    for (double& field : v)
        if (!ScanDouble(p, end, field)) return false;
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
