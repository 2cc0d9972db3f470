#include "tools/oxvtool/RecordProgressReport.h"

#include <algorithm>
#include <cmath>

namespace oxv::tool {

namespace {

constexpr int kBarWidth = 30;
// The first frames also pay for the driver's warming up: no estimate from them.
constexpr double kFirstEstimateSeconds = 2.0;

}  // namespace

bool ParseProgressStyle(const std::string& text, bool terminal, ProgressStyle& style)
{
    if (text == "auto")
        style = terminal ? ProgressStyle::Bar : ProgressStyle::Lines;
    else if (text == "bar")
        style = ProgressStyle::Bar;
    else if (text == "lines")
        style = ProgressStyle::Lines;
    else if (text == "none")
        style = ProgressStyle::None;
    else
        return false;
    return true;
}

double DefaultProgressInterval(ProgressStyle style) { return style == ProgressStyle::Lines ? 5.0 : 0.25; }

double SecondsLeft(double done, double total, double elapsed)
{
    if (done <= 0.0 || elapsed <= 0.0) return -1.0;
    return std::max(total - done, 0.0) * elapsed / done;
}

std::string ClockText(double seconds)
{
    const long s = std::lround(std::max(seconds, 0.0));
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

RecordProgressReport::RecordProgressReport(std::vector<int64_t> work, ProgressStyle style, double intervalSeconds,
                                           std::FILE* out)
    : m_style(style), m_interval(intervalSeconds), m_out(out)
{
    m_workBefore.reserve(work.size() + 1);
    double sum = 0.0;
    m_workBefore.push_back(sum);
    for (int64_t w : work) m_workBefore.push_back(sum += static_cast<double>(w));
}

double RecordProgressReport::WorkDone(int64_t frames) const
{
    const size_t i = static_cast<size_t>(std::clamp<int64_t>(frames, 0, static_cast<int64_t>(m_workBefore.size()) - 1));
    return m_workBefore[i];
}

std::string RecordProgressReport::Text(const oxv::RecordProgress& p) const
{
    const double total = m_workBefore.back();
    const double done = WorkDone(p.framesDrawn);
    const bool finished = p.framesDrawn >= p.framesExpected;
    const double fraction = finished ? 1.0 : total > 0.0 ? std::min(done / total, 1.0) : 0.0;
    const double rate = p.elapsedSeconds > 0.0 ? static_cast<double>(p.framesDrawn) / p.elapsedSeconds : 0.0;
    const double left =
        finished || p.elapsedSeconds < kFirstEstimateSeconds ? -1.0 : SecondsLeft(done, total, p.elapsedSeconds);
    const std::string leftText = finished ? "done" : left < 0.0 ? "?:?? left" : ClockText(left) + " left";
    char text[256];
    if (m_style == ProgressStyle::Bar) {
        const int filled = static_cast<int>(fraction * kBarWidth);
        const std::string bar = std::string(static_cast<size_t>(filled), '#') +
                                std::string(static_cast<size_t>(kBarWidth - filled), '-');
        std::snprintf(text, sizeof text, "\r[%s] %3d%%  %lld/%lld frames  %.1f frames/s  %s elapsed  %s   ", bar.c_str(),
                      static_cast<int>(fraction * 100.0), static_cast<long long>(p.framesDrawn),
                      static_cast<long long>(p.framesExpected), rate, ClockText(p.elapsedSeconds).c_str(),
                      leftText.c_str());
    } else {
        std::snprintf(text, sizeof text, "oxvtool: %lld/%lld frames, %.1f%% of the work, %.1f frames/s, %s elapsed, %s\n",
                      static_cast<long long>(p.framesDrawn), static_cast<long long>(p.framesExpected), fraction * 100.0,
                      rate, ClockText(p.elapsedSeconds).c_str(), leftText.c_str());
    }
    return text;
}

void RecordProgressReport::Show(const oxv::RecordProgress& p)
{
    if (m_style == ProgressStyle::None) return;
    m_latest = p;
    const bool finished = p.framesDrawn >= p.framesExpected;
    if (!finished && m_shown && p.elapsedSeconds - m_last < m_interval) return;
    // A log gets the finished line once, however many pictures the end adds.
    if (finished && m_final && m_style == ProgressStyle::Lines) return;
    m_last = p.elapsedSeconds;
    m_shown = true;
    m_final = finished;
    std::fputs(Text(p).c_str(), m_out);
    std::fflush(m_out);
}

void RecordProgressReport::End()
{
    if (m_style == ProgressStyle::None || !m_shown) return;
    if (m_style == ProgressStyle::Bar) {
        std::fputc('\n', m_out);
    } else if (!m_final) {
        std::fputs(Text(m_latest).c_str(), m_out);
    }
    std::fflush(m_out);
}

}  // namespace oxv::tool
