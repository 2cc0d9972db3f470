#include "survey/PlaybackSettings.h"

#include "survey/SettingsCodec.h"

#include <cmath>

namespace oxv {

namespace {

std::optional<std::vector<uint8_t>> ReadBinary(Profile& profile, std::string_view section, size_t size)
{
    const std::optional<std::string> text = profile.ReadString(section, kDataKey);
    if (!text) return std::nullopt;
    std::vector<uint8_t> bytes = DecodeBinaryValue(*text);
    if (bytes.size() != size) return std::nullopt;
    return bytes;
}

template <size_t N>
bool WriteBinary(Profile& profile, std::string_view section, const std::array<uint8_t, N>& bytes)
{
    return profile.WriteString(section, kDataKey, EncodeBinaryValue(bytes.data(), bytes.size()));
}

bool UsableTimelineValue(double v)
{
    return std::isfinite(v) && v > 0.0;
}

// What the Parameter dialog can produce: its check boxes give 0 or 1 and its
// number fields finite values. Anything else was written by hand or by a
// foreign program, and a NaN pan rate or distance would turn every frame's
// camera into NaN.
bool DialogCouldHaveStored(const PlaybackParams& p)
{
    const auto flag = [](int32_t v) { return v == 0 || v == 1; };
    return flag(p.recordVideo) && flag(p.trackVehicle) && flag(p.autoCamera) && std::isfinite(p.nearDistance) &&
           std::isfinite(p.farDistance) && std::isfinite(p.cameraSpeed) && std::isfinite(p.panRate);
}

}  // namespace

bool LoadTimelineSettings(Profile& profile, TimelineRecord& record)
{
    const auto bytes = ReadBinary(profile, kTimelineSection, kTimelineRecordBytes);
    if (!bytes) return false;
    const TimelineRecord stored = DecodeTimelineRecord(bytes->data());
    // A hand-edited or foreign value that no timeline can be built from
    // counts as never stored.
    const double speed = stored.step / stored.interval;
    if (!UsableTimelineValue(stored.step) || !UsableTimelineValue(stored.interval) || !UsableTimelineValue(speed))
        return false;
    record = stored;
    return true;
}

bool LoadPlaybackParams(Profile& profile, PlaybackParams& params)
{
    const auto bytes = ReadBinary(profile, kParamsSection, kPlaybackParamsBytes);
    if (!bytes) return false;
    PlaybackParams stored = DecodePlaybackParams(bytes->data());
    // Like an unusable timeline record, it counts as never stored.
    if (!DialogCouldHaveStored(stored)) return false;
    params = std::move(stored);
    std::optional<std::string> folder = profile.ReadString(kParamsSection, kPathKey);
    if (folder && !folder->empty()) params.outputFolder = std::move(*folder);
    return true;
}

bool SavePlaybackParams(Profile& profile, const PlaybackParams& params)
{
    bool ok = WriteBinary(profile, kParamsSection, EncodePlaybackParams(params));
    if (params.outputFolder) ok = profile.WriteString(kParamsSection, kPathKey, *params.outputFolder) && ok;
    return ok;
}

bool SaveTimelineSettings(Profile& profile, const PlaybackTimeline& timeline)
{
    TimelineRecord record;
    record.frames = timeline.frames;
    record.t0 = timeline.t0;
    record.t1 = timeline.t1;
    record.step = timeline.step;
    record.interval = timeline.interval;
    return WriteBinary(profile, kTimelineSection, EncodeTimelineRecord(record));
}

}  // namespace oxv
