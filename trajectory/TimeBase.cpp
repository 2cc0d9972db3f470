#include "trajectory/TimeBase.h"

#include <cmath>

namespace oxv {

namespace {

constexpr double kAdjustment = 1e9;

// Seconds since the GPS epoch of a time in an absolute base.
double Absolute(TimeBase base, double t) { return base == TimeBase::AdjustedStandard ? t + kAdjustment : t; }

bool WeekOf(TimeBase base, double first, double last, long long& week)
{
    const double a = std::floor(Absolute(base, first) / kSecondsPerWeek);
    const double b = std::floor(Absolute(base, last) / kSecondsPerWeek);
    // Weeks from the GPS epoch to well past this century; anything else is
    // no time at all.
    if (!(a == b) || !(a >= -1e6 && a <= 1e6)) return false;
    week = static_cast<long long>(a);
    return true;
}

std::string Weeks(TimeBase base, double first, double last)
{
    const double a = std::floor(Absolute(base, first) / kSecondsPerWeek);
    const double b = std::floor(Absolute(base, last) / kSecondsPerWeek);
    char text[96];
    std::snprintf(text, sizeof text, "GPS weeks %.0f to %.0f", a, b);
    return text;
}

}  // namespace

TimeBase TimeBaseOfSpan(double first, double last)
{
    if (first >= 0.0 && last <= kSecondsPerWeek) return TimeBase::WeekSeconds;
    if (first >= kAdjustment) return TimeBase::Standard;
    return TimeBase::AdjustedStandard;
}

const char* TimeBaseName(TimeBase base)
{
    switch (base) {
    case TimeBase::WeekSeconds: return "GPS week seconds";
    case TimeBase::AdjustedStandard: return "adjusted standard GPS time";
    case TimeBase::Standard: return "standard GPS time";
    }
    return "";
}

TimeMatch MatchTimeBases(TimeBase survey, double surveyFirst, double surveyLast, TimeBase trajectory,
                         double trajectoryFirst, double trajectoryLast)
{
    TimeMatch m;
    const std::string both = std::string("survey in ") + TimeBaseName(survey) + ", trajectory in " + TimeBaseName(trajectory);
    if (survey == trajectory) {
        m.matched = true;
        m.note = std::string("survey and trajectory in ") + TimeBaseName(survey);
        return m;
    }
    const bool surveyWeek = survey == TimeBase::WeekSeconds;
    const bool trajectoryWeek = trajectory == TimeBase::WeekSeconds;
    if (!surveyWeek && !trajectoryWeek) {
        // Both absolute: they differ by the adjustment alone.
        m.matched = true;
        m.shift = Absolute(trajectory, 0.0) - Absolute(survey, 0.0);
        m.note = both + ": matched by the 1e9 s between them";
        return m;
    }
    long long week = 0;
    if (trajectoryWeek) {
        if (!WeekOf(survey, surveyFirst, surveyLast, week)) {
            m.why = "the survey's times span " + Weeks(survey, surveyFirst, surveyLast) +
                    ", and a trajectory in GPS week seconds cannot be placed on more than one week";
            return m;
        }
        m.shift = static_cast<double>(week) * kSecondsPerWeek - Absolute(survey, 0.0);
    } else {
        if (!WeekOf(trajectory, trajectoryFirst, trajectoryLast, week)) {
            m.why = "the trajectory's times span " + Weeks(trajectory, trajectoryFirst, trajectoryLast) +
                    ", and a survey in GPS week seconds cannot be placed on more than one week";
            return m;
        }
        m.shift = Absolute(trajectory, 0.0) - static_cast<double>(week) * kSecondsPerWeek;
    }
    m.matched = true;
    m.note = both + ": matched within GPS week " + std::to_string(week);
    return m;
}

}  // namespace oxv
