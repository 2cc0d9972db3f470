#pragma once

#include <string>

namespace oxv {

// How GPS times are counted: seconds of the GPS week, adjusted standard GPS
// time (seconds since the GPS epoch less 1e9, LAS's choice) or standard GPS
// time (seconds since the GPS epoch).
enum class TimeBase { WeekSeconds, AdjustedStandard, Standard };

inline constexpr double kSecondsPerWeek = 604800.0;

// The base a span of times is in, judged by its values: within one week's
// seconds, beyond 1e9, or in between.
TimeBase TimeBaseOfSpan(double first, double last);
const char* TimeBaseName(TimeBase base);

// The shift that takes trajectory times onto the survey's time scale: a
// survey time t lies on the trajectory at t - shift... stated the other way
// round, trajectory time + shift is survey time. Week seconds meet an
// absolute time only within one GPS week: when the absolute side spans two,
// there is no shift and `why` says so. `note` says what was matched with
// what ("survey in adjusted standard GPS time (week 2245), trajectory in GPS
// week seconds: matched within week 2245").
struct TimeMatch {
    bool matched = false;
    double shift = 0.0;  // seconds to add to trajectory times
    std::string note;
    std::string why;
};
TimeMatch MatchTimeBases(TimeBase survey, double surveyFirst, double surveyLast, TimeBase trajectory,
                         double trajectoryFirst, double trajectoryLast);

}  // namespace oxv
