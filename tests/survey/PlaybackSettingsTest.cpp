#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "survey/PlaybackSettings.h"
#include "survey/SettingsCodec.h"

namespace oxv {
namespace {

// Remembers which values were asked for.
class SpyProfile final : public Profile {
public:
    std::optional<std::string> ReadString(std::string_view section, std::string_view key) override
    {
        reads.push_back(std::string(section) + "/" + std::string(key));
        return inner.ReadString(section, key);
    }
    bool WriteString(std::string_view section, std::string_view key, std::string_view value) override
    {
        return inner.WriteString(section, key, value);
    }
    MemoryProfile inner;
    std::vector<std::string> reads;
};

TEST(SettingsCodec, LettersLowNibbleFirst)
{
    const double hundred = 100.0;
    uint8_t bytes[8];
    std::memcpy(bytes, &hundred, 8);
    EXPECT_EQ(EncodeBinaryValue(bytes, 8), "AAAAAAAAAAAAJFAE");
    const uint8_t all[] = {0x00, 0x0F, 0xF0, 0xFF, 0x5A};
    EXPECT_EQ(EncodeBinaryValue(all, 5), "AAPAAPPPKF");
    EXPECT_EQ(DecodeBinaryValue("AAPAAPPPKF"), std::vector<uint8_t>(all, all + 5));
    EXPECT_EQ(DecodeBinaryValue("AAP").size(), 1u) << "a stray last letter is dropped";
}

TEST(PlaybackSettings, DefaultsWhenNothingIsStored)
{
    MemoryProfile profile;
    TimelineRecord record;
    PlaybackParams params;
    EXPECT_FALSE(LoadTimelineSettings(profile, record));
    EXPECT_FALSE(LoadPlaybackParams(profile, params));
    EXPECT_EQ(record.step / record.interval, 1.0);
    EXPECT_EQ(record.interval, 0.0333);
    EXPECT_EQ(params.recordVideo, 0);
    EXPECT_FALSE(params.outputFolder);
    EXPECT_EQ(params.trackVehicle, 1);
    EXPECT_EQ(params.autoCamera, 1);
    EXPECT_EQ(params.nearDistance, 100.0);
    EXPECT_EQ(params.farDistance, 300.0);
    EXPECT_EQ(params.cameraSpeed, 10.0);
    EXPECT_EQ(params.panRate, 10.0);
}

TEST(PlaybackSettings, RoundTripThroughTheProfile)
{
    MemoryProfile profile;
    PlaybackParams saved;
    saved.recordVideo = 1;
    saved.outputFolder = "/home/pilot/video out";
    saved.trackVehicle = 0;
    saved.nearDistance = 55.5;
    saved.panRate = -3.25;
    ASSERT_TRUE(SavePlaybackParams(profile, saved));
    EXPECT_EQ(profile.ReadString("PBV", "Data")->size(), 96u);

    PlaybackTimeline timeline;
    timeline.frames = 42;
    timeline.step = 0.5;
    timeline.interval = 0.04;
    ASSERT_TRUE(SaveTimelineSettings(profile, timeline));
    EXPECT_EQ(profile.ReadString("PBF", "Data")->size(), 80u);

    PlaybackParams loaded;
    ASSERT_TRUE(LoadPlaybackParams(profile, loaded));
    EXPECT_EQ(loaded.recordVideo, 1);
    EXPECT_EQ(loaded.outputFolder, saved.outputFolder);
    EXPECT_EQ(loaded.trackVehicle, 0);
    EXPECT_EQ(loaded.nearDistance, 55.5);
    EXPECT_EQ(loaded.panRate, -3.25);
    TimelineRecord record;
    ASSERT_TRUE(LoadTimelineSettings(profile, record));
    EXPECT_EQ(record.step, 0.5);
    EXPECT_EQ(record.interval, 0.04);
}

TEST(PlaybackSettings, UnusableStoredStepOrIntervalCountsAsMissing)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* name;
        double step, interval;
    } cases[] = {
        {"negative step", -0.0333, 0.0333}, {"zero step", 0.0, 0.0333},     {"NaN step", std::nan(""), 0.0333},
        {"infinite step", inf, 0.0333},      {"negative interval", 0.0333, -0.0333}, {"zero interval", 0.0333, 0.0},
        {"speed overflows", 1e300, 1e-300},
    };
    for (const auto& c : cases) {
        MemoryProfile profile;
        PlaybackTimeline stored;
        stored.step = c.step;
        stored.interval = c.interval;
        ASSERT_TRUE(SaveTimelineSettings(profile, stored));
        TimelineRecord record;
        EXPECT_FALSE(LoadTimelineSettings(profile, record)) << c.name;
        EXPECT_EQ(record.step, 0.0333) << c.name;
        EXPECT_EQ(record.interval, 0.0333) << c.name;
    }
}

TEST(PlaybackSettings, StoredParametersTheDialogCannotGiveCountAsMissing)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* name;
        void (*spoil)(PlaybackParams&);
        bool used;
    } cases[] = {
        {"NaN pan rate", [](PlaybackParams& p) { p.panRate = nan; }, false},
        {"infinite near", [](PlaybackParams& p) { p.nearDistance = inf; }, false},
        {"-infinite far", [](PlaybackParams& p) { p.farDistance = -inf; }, false},
        {"NaN camera speed", [](PlaybackParams& p) { p.cameraSpeed = nan; }, false},
        {"recording flag 2", [](PlaybackParams& p) { p.recordVideo = 2; }, false},
        {"track flag -1", [](PlaybackParams& p) { p.trackVehicle = -1; }, false},
        {"auto flag 256", [](PlaybackParams& p) { p.autoCamera = 256; }, false},
        // The dialog reads any finite number, negative and huge ones too.
        {"negative and huge values", [](PlaybackParams& p) { p.nearDistance = -5.0; p.panRate = 1e300; }, true},
        {"all flags off", [](PlaybackParams& p) { p.recordVideo = p.trackVehicle = p.autoCamera = 0; }, true},
    };
    for (const auto& c : cases) {
        MemoryProfile profile;
        PlaybackParams stored;
        stored.nearDistance = 42.0;
        c.spoil(stored);
        ASSERT_TRUE(profile.WriteString("PBV", "Data", EncodeBinaryValue(EncodePlaybackParams(stored).data(), 48)));
        ASSERT_TRUE(profile.WriteString("PBV", "Path", "/stored"));
        PlaybackParams params;
        EXPECT_EQ(LoadPlaybackParams(profile, params), c.used) << c.name;
        if (c.used) {
            EXPECT_EQ(params.outputFolder, "/stored") << c.name;
            continue;
        }
        const PlaybackParams defaults;
        EXPECT_FALSE(params.outputFolder) << c.name;
        EXPECT_EQ(params.recordVideo, defaults.recordVideo) << c.name;
        EXPECT_EQ(params.trackVehicle, defaults.trackVehicle) << c.name;
        EXPECT_EQ(params.autoCamera, defaults.autoCamera) << c.name;
        EXPECT_EQ(params.nearDistance, defaults.nearDistance) << c.name;
        EXPECT_EQ(params.farDistance, defaults.farDistance) << c.name;
        EXPECT_EQ(params.cameraSpeed, defaults.cameraSpeed) << c.name;
        EXPECT_EQ(params.panRate, defaults.panRate) << c.name;
    }
}

TEST(PlaybackSettings, FolderIsWrittenOnlyWhenSetAndReadOnlyWithData)
{
    MemoryProfile profile;
    ASSERT_TRUE(profile.WriteString("PBV", "Path", "/kept"));
    PlaybackParams noFolder;
    ASSERT_TRUE(SavePlaybackParams(profile, noFolder));
    EXPECT_EQ(profile.ReadString("PBV", "Path"), "/kept") << "without a folder the stored one stays";

    PlaybackParams loaded;
    ASSERT_TRUE(LoadPlaybackParams(profile, loaded));
    EXPECT_EQ(loaded.outputFolder, "/kept");

    SpyProfile spy;
    ASSERT_TRUE(spy.inner.WriteString("PBV", "Data", std::string(94, 'A')));  // 47 bytes
    ASSERT_TRUE(spy.inner.WriteString("PBV", "Path", "/ignored"));
    PlaybackParams params;
    params.cameraSpeed = 7.0;
    EXPECT_FALSE(LoadPlaybackParams(spy, params));
    EXPECT_EQ(params.cameraSpeed, 7.0);
    EXPECT_EQ(spy.reads, std::vector<std::string>{"PBV/Data"}) << "Path is not read after a bad Data";

    ASSERT_TRUE(spy.inner.WriteString("PBV", "Data", EncodeBinaryValue(EncodePlaybackParams({}).data(), 48)));
    ASSERT_TRUE(spy.inner.WriteString("PBV", "Path", ""));
    params.outputFolder = "/before";
    ASSERT_TRUE(LoadPlaybackParams(spy, params));
    EXPECT_FALSE(params.outputFolder) << "an empty stored path means no folder";
}

}  // namespace
}  // namespace oxv
