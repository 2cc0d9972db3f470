#include <gtest/gtest.h>

#include <cstring>

#include "survey/PointFile.h"
#include "tests/support/SurveyFixture.h"

namespace oxv {
namespace {

using test::SteadyFlight;
using test::SurveyBytes;

std::vector<uint8_t> GoodImage(int32_t count = 4)
{
    return SurveyBytes(PointFileLayout{}, count, [](int32_t i, PointRecord& r) { SteadyFlight(i, r); });
}

template <typename T>
void Poke(std::vector<uint8_t>& image, size_t offset, T value)
{
    std::memcpy(image.data() + offset, &value, sizeof value);
}

struct MalformedCase {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> corrupt;
};

TEST(PointFileValidation, RefusesEveryImageThatWouldBeReadOutOfBounds)
{
    const MalformedCase cases[] = {
        {"empty file", [](auto& b) { b.clear(); }},
        {"shorter than the magic", [](auto& b) { b.resize(3); }},
        {"magic in big-endian order", [](auto& b) { Poke<uint32_t>(b, 0, 0x88776655); }},
        {"shorter than the header", [](auto& b) { b.resize(267); }},
        {"one byte short of the records", [](auto& b) { b.pop_back(); }},
        {"zero stride with records", [](auto& b) { Poke<int32_t>(b, header::kStride, 0); }},
        {"negative stride", [](auto& b) { Poke<int32_t>(b, header::kStride, -16); }},
        {"negative xyz index", [](auto& b) { b[header::kXyz] = 0xFF; }},
        {"xyz past the record", [](auto& b) { b[header::kXyz] = 14; }},
        {"pose past the record", [](auto& b) { b[header::kPose] = 11; }},
        {"time past the record", [](auto& b) { b[header::kTime] = 15; }},
        {"amplitude past the record", [](auto& b) { b[header::kAmplitude] = 16; }},
        {"count whose byte size overflows", [](auto& b) {
             Poke<int32_t>(b, header::kRecordCount, 0x7FFFFFFF);
             Poke<int32_t>(b, header::kStride, 0x7FFFFFFF);
         }},
    };
    for (const MalformedCase& c : cases) {
        std::vector<uint8_t> image = GoodImage();
        c.corrupt(image);
        EXPECT_FALSE(IsWellFormedPointImage(image.data(), image.size())) << c.name;
    }
}

// What the user reads under "File format error": the first fault found,
// with the figures that show it.
TEST(PointFileValidation, SaysWhyAnImageIsRefused)
{
    const std::vector<uint8_t> good = GoodImage(1000);
    const int32_t stride = PointHeader::Decode(good.data()).stride;
    const std::string words = std::to_string(stride) + " words";
    const std::vector<uint8_t> png = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> corrupt;
        std::string reason;
    };
    const Case cases[] = {
        {"a PNG", [&](auto& b) { b = png; }, "not a point file (first bytes 89 50 4E 47)"},
        {"the magic written big-endian", [](auto& b) { b[0] = 0x55; b[1] = 0x66; b[2] = 0x77; b[3] = 0x88; },
         "not a point file (first bytes 55 66 77 88)"},
        {"header cut", [](auto& b) { b.resize(267); }, "truncated: 267 of at least 268 bytes (the header)"},
        {"records cut", [](auto& b) { b.resize(5000); },
         "truncated: 5,000 of " + std::to_string(good.size() / 1000) + "," + std::to_string(good.size() % 1000) +
             " bytes"},
        {"no xyz", [](auto& b) { b[header::kXyz] = 0xFF; }, "no xyz channel"},
        {"zero stride", [](auto& b) { Poke<int32_t>(b, header::kStride, 0); }, "a record of 0 words"},
        {"pose past the record", [&](auto& b) { b[header::kPose] = static_cast<uint8_t>(stride - 5); },
         "the pose channel (word " + std::to_string(stride - 5) + ", 6 words) does not fit a record of " + words},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> image = good;
        c.corrupt(image);
        EXPECT_EQ(PointImageProblem(image.data(), image.size()), c.reason) << c.name;
    }
    EXPECT_EQ(PointImageProblem(good.data(), good.size()), "");
}

TEST(PointFileValidation, AcceptsEdgesThatAreWellFormed)
{
    std::vector<uint8_t> image = GoodImage();
    EXPECT_TRUE(IsWellFormedPointImage(image.data(), image.size()));
    image.push_back(0xAB);  // trailing bytes are ignored
    EXPECT_TRUE(IsWellFormedPointImage(image.data(), image.size()));

    std::vector<uint8_t> empty = GoodImage(0);
    Poke<int32_t>(empty, header::kRecordCount, -5);
    Poke<int32_t>(empty, header::kStride, 0);
    EXPECT_TRUE(IsWellFormedPointImage(empty.data(), empty.size())) << "count <= 0 is an empty survey";

    std::vector<uint8_t> absent = GoodImage();
    absent[header::kPose] = 0x80;  // -128: absent, however far out
    EXPECT_TRUE(IsWellFormedPointImage(absent.data(), absent.size()));
}

struct LayoutCase {
    const char* name;
    int32_t stride;
    ChannelLayout channels;  // xyz, origin, colour, amplitude, time, pose
    bool wellFormed;
};

TEST(PointFileValidation, ColorOccupiesOneWordWherever)
{
    const LayoutCase cases[] = {
        {"colour in the last word", 4, ChannelLayout{0, -1, 3, -1, -1, -1}, true},
        {"colour then amplitude in the last two words", 5, ChannelLayout{0, -1, 3, 4, -1, -1}, true},
        {"amplitude then colour in the last two words", 5, ChannelLayout{0, -1, 4, 3, -1, -1}, true},
        {"colour one word past the record", 4, ChannelLayout{0, -1, 4, -1, -1, -1}, false},
        {"origin still three words", 5, ChannelLayout{0, 3, -1, -1, -1, -1}, false},
    };
    for (const LayoutCase& c : cases) {
        PointFileLayout layout;
        layout.stride = c.stride;
        layout.channels = c.channels;
        const std::vector<uint8_t> bytes = SurveyBytes(layout, 3, [](int32_t i, PointRecord& r) {
            r.SetXyz(i, i, i);
            r.SetColor(10, 20, static_cast<uint8_t>(30 + i));
            r.SetAmplitude(7);
        });
        EXPECT_EQ(IsWellFormedPointImage(bytes.data(), bytes.size()), c.wellFormed) << c.name;
        if (!c.wellFormed || c.channels.color < 0) continue;
        const PointImage image = test::ImageOf(bytes);
        EXPECT_EQ(image.ColorBytes(2)[2], 32) << c.name;
        if (c.channels.amplitude >= 0) {
            EXPECT_EQ(image.Amplitude(2), 7) << c.name;
        }
    }
}

TEST(PointImage, ReadsChannelsInPlaceIncludingUnalignedDoubles)
{
    PointFileLayout layout;
    layout.stride = 9;  // odd stride: every other record's words sit at 4 mod 8
    layout.channels = ChannelLayout{0, -1, 3, 4, 5, -1};
    layout.origin = GeodeticOrigin{0.8, 0.2, 350.5};
    const std::vector<uint8_t> bytes = SurveyBytes(layout, 3, [](int32_t i, PointRecord& r) {
        r.SetXyz(i, -i, 1000 * i);
        r.SetColor(1, 2, static_cast<uint8_t>(3 + i));
        r.SetAmplitude(200);
        r.SetTime(1234.5678 + i);
    });
    ASSERT_TRUE(IsWellFormedPointImage(bytes.data(), bytes.size()));
    const PointImage image = test::ImageOf(bytes);

    EXPECT_EQ(image.Records(), 3);
    EXPECT_FALSE(image.HasOrigin());
    EXPECT_FALSE(image.HasPose());
    EXPECT_EQ(image.Header().origin.height, 350.5);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(image.Xyz(i)[2], 1000 * static_cast<int32_t>(i));
        EXPECT_EQ(image.ColorBytes(i)[2], 3 + i);
        EXPECT_EQ(image.Amplitude(i), 200);
        EXPECT_EQ(image.Time(i), 1234.5678 + static_cast<double>(i));
    }
    EXPECT_EQ(reinterpret_cast<uintptr_t>(image.Record(1) + 4 * 5) % 8, 4u) << "the case the copy-out exists for";
}

}  // namespace
}  // namespace oxv
