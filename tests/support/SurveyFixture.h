#pragma once

// Small point files written on the fly, in a scratch folder per test.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "PointFileWriter.h"

namespace oxv::test {

class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "oxv-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        m_path = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string File(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A survey of `count` records, each filled by `fill(i, record)`.
inline void WriteSurvey(const std::string& path, const PointFileLayout& layout, int32_t count,
                        const std::function<void(int32_t, PointRecord&)>& fill)
{
    PointFileWriter writer(path, layout, count);
    for (int32_t i = 0; i < count; ++i) {
        PointRecord record(layout);
        fill(i, record);
        writer.Write(record);
    }
    if (!writer.Finish()) std::abort();
}

// The image bytes of such a survey, for tests that corrupt them.
inline std::vector<uint8_t> SurveyBytes(const PointFileLayout& layout, int32_t count,
                                        const std::function<void(int32_t, PointRecord&)>& fill)
{
    const auto header = MakePointHeader(layout, count);
    std::vector<uint8_t> bytes(header.begin(), header.end());
    for (int32_t i = 0; i < count; ++i) {
        PointRecord record(layout);
        fill(i, record);
        bytes.insert(bytes.end(), record.Bytes(), record.Bytes() + record.ByteSize());
    }
    return bytes;
}

// Records 1/400 s apart with the sensor at x = i * drift mm and the point
// 100 m below it.
inline void SteadyFlight(int32_t i, PointRecord& r, int32_t driftMm = 100)
{
    const int32_t x = i * driftMm;
    r.SetXyz(x, 0, 0);
    r.SetOrigin(x, 0, 100000);
    r.SetColour(10, 20, 30);
    r.SetAmplitude(static_cast<uint8_t>(i % 256));
    r.SetTime(static_cast<double>(i));
    r.SetPose(Pose{{0, 0, 90000, x, 0, 100000}});
}

}  // namespace oxv::test
