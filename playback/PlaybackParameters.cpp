#include "playback/PlaybackParameters.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/NumericConversion.h"
#include "survey/PlaybackSettings.h"
#include "survey/Timeline.h"

namespace oxv {

double ReadLeadingDouble(const std::string& text)
{
    const double v = std::strtod(text.c_str(), nullptr);
    return std::isfinite(v) ? v : 0.0;
}

long ReadLeadingLong(const std::string& text) { return std::strtol(text.c_str(), nullptr, 10); }

PlaybackDialogValues DialogValuesFromDocument(const SurveyDocument& doc)
{
    PlaybackDialogValues v;
    if (doc.m_pTimeline) {
        v.m_dSpeedPercent = doc.m_pTimeline->step / doc.m_pTimeline->interval * 100.0;
        v.m_nIntervalMs = TruncToInt32(doc.m_pTimeline->interval * 1000.0);
    }
    if (doc.m_pPlaybackParams) v.params = *doc.m_pPlaybackParams;
    return v;
}

std::string FormatSpeedPercent(double percent)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2lf", percent);
    return text;
}

std::string FormatIntervalMs(int ms) { return std::to_string(ms); }

std::string FormatCameraValue(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.1lf", value);
    return text;
}

bool SpeedAllowsOk(double percent) { return percent > 0.0; }
bool IntervalAllowsOk(long ms) { return ms > 0; }

std::string RefuseReason(const SurveyDocument& doc, double speedPercent, long intervalMs)
{
    if (!(speedPercent > 0.0)) return "The playback speed must be greater than 0.";
    if (intervalMs <= 0 || intervalMs > INT_MAX) return "The frame period must be greater than 0.";
    return RefuseReasonForPeriod(doc, speedPercent, static_cast<double>(intervalMs) / 1000.0);
}

std::string RefuseReasonForPeriod(const SurveyDocument& doc, double speedPercent, double periodSeconds)
{
    if (!(speedPercent > 0.0)) return "The playback speed must be greater than 0.";
    if (!(periodSeconds > 0.0) || !std::isfinite(periodSeconds)) return "The frame period must be greater than 0.";
    if (doc.m_pPoints && doc.m_pPoints->HasTime() && doc.m_pPoints->Records() > 0) {
        const PointImage& image = *doc.m_pPoints;
        const double span = (image.Time(static_cast<size_t>(image.Records() - 1)) - image.Time(0)) / 400.0;
        const double frames = std::trunc(span / (speedPercent / 100.0) / periodSeconds);
        if (!(frames <= static_cast<double>(kMaxTimelineFrames)))
            return "The playback speed is too slow for this survey: too many frames.";
    }
    return {};
}

bool ApplyPlaybackDialog(SurveyDocument& doc, Profile& profile, const PlaybackDialogValues& values)
{
    if (!doc.m_pPoints || !RefuseReason(doc, values.m_dSpeedPercent, values.m_nIntervalMs).empty()) return false;
    return ApplyPlaybackValues(doc, profile, values, static_cast<double>(values.m_nIntervalMs) / 1000.0);
}

bool ApplyPlaybackValues(SurveyDocument& doc, Profile& profile, const PlaybackDialogValues& values, double periodSeconds)
{
    if (!doc.m_pPoints || !RefuseReasonForPeriod(doc, values.m_dSpeedPercent, periodSeconds).empty()) return false;
    (void)doc.BuildTimeline(&values.params, values.m_dSpeedPercent / 100.0, periodSeconds);
    // Settings that cannot be stored last for the session.
    (void)SavePlaybackParams(profile, values.params);
    if (doc.m_pTimeline) (void)SaveTimelineSettings(profile, *doc.m_pTimeline);
    return true;
}

}  // namespace oxv
