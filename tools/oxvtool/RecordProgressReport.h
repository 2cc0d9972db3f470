#pragma once

// The progress of a recorded run on standard error: a bar redrawn in place
// on a terminal, or one line every few seconds for a log. The time left is
// estimated from the work still to draw, not the frames: late frames draw
// the whole grown cloud and cost several times what early ones do.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "recorder/HeadlessRecorder.h"

namespace oxv::tool {

enum class ProgressStyle { Bar, Lines, None };

// "auto" (a bar on a terminal, lines otherwise), "bar", "lines" or "none";
// false for anything else.
bool ParseProgressStyle(const std::string& text, bool terminal, ProgressStyle& style);

// Seconds between two reports when none are given: a bar four times a
// second, a log line every five seconds.
double DefaultProgressInterval(ProgressStyle style);

// Seconds left when `done` of `total` units of work took `elapsed` seconds;
// negative when nothing is done yet to judge by.
double SecondsLeft(double done, double total, double elapsed);

// "m:ss", or "h:mm:ss" from an hour on.
std::string ClockText(double seconds);

class RecordProgressReport {
public:
    // `work` holds the estimated work of each file in the order the run
    // writes them (oxv::FrameWork).
    RecordProgressReport(std::vector<int64_t> work, ProgressStyle style, double intervalSeconds, std::FILE* out);

    void Show(const oxv::RecordProgress& p);
    // The last report stands whole: the final line is written, a bar ends
    // its line.
    void End();

private:
    std::string Text(const oxv::RecordProgress& p) const;
    double WorkDone(int64_t frames) const;

    std::vector<double> m_workBefore;  // work of the files before file i; the total last
    ProgressStyle m_style;
    double m_interval;
    std::FILE* m_out;
    double m_last = 0.0;
    bool m_shown = false;
    bool m_final = false;
    oxv::RecordProgress m_latest;
};

}  // namespace oxv::tool
