#pragma once

// Small point files written on the fly.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "survey/PointFileWriter.h"
#include "tests/support/ScratchDir.h"

namespace oxv::test {

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

// An in-memory image of such bytes, as a load would hold it (unchecked).
inline PointImage ImageOf(const std::vector<uint8_t>& bytes)
{
    ImageBlock block;
    if (!ImageBlock::Allocate(bytes.size(), block)) std::abort();
    if (!bytes.empty()) std::memcpy(block.Data(), bytes.data(), bytes.size());
    return PointImage(std::move(block));
}

// Records 1/400 s apart with the sensor at x = i * drift mm and the point
// 100 m below it.
inline void SteadyFlight(int32_t i, PointRecord& r, int32_t driftMm = 100)
{
    const int32_t x = i * driftMm;
    r.SetXyz(x, 0, 0);
    r.SetOrigin(x, 0, 100000);
    r.SetColor(10, 20, 30);
    r.SetAmplitude(static_cast<uint8_t>(i % 256));
    r.SetTime(static_cast<double>(i));
    r.SetPose(Pose{{0, 0, 90000, x, 0, 100000}});
}

}  // namespace oxv::test
