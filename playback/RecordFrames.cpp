#include "playback/RecordFrames.h"

#include <algorithm>
#include <charconv>

#include "playback/PlaybackEngine.h"

namespace oxv {

namespace {

// Playback started on a scratch run only to read its frame count and hold.
class NoHost final : public PlaybackHost {
public:
    void StartTimer(int, int) override {}
    void KillTimer(int) override {}
    void RepaintNow() override {}
    void SetVehiclePose(const double*, const double*) override {}
    void CompileBeamList(const SurveyDocument&, const FrameSpan&) override {}
    void DeleteBeamList() override {}
};

bool ParseSide(const std::string& text, int32_t& value)
{
    if (text.empty()) return true;
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, value);
    return r.ec == std::errc() && r.ptr == end && value >= 0;
}

}  // namespace

std::optional<FrameRange> ParseFrameRange(const std::string& text)
{
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return std::nullopt;
    FrameRange range;
    const std::string first = text.substr(0, colon), end = text.substr(colon + 1);
    // A sign would be taken by from_chars; only digits are numbers here.
    for (char c : first + end)
        if (c < '0' || c > '9') return std::nullopt;
    if (!ParseSide(first, range.first) || !ParseSide(end, range.end) || range.first > range.end) return std::nullopt;
    return range;
}

std::vector<int32_t> PlaybackFileNumbers(int32_t frames, int32_t holdTicks)
{
    std::vector<int32_t> numbers;
    if (frames <= 0) return numbers;
    for (int32_t k = 0; k < frames - 2; ++k) numbers.push_back(k);
    if (holdTicks != 1) numbers.push_back(frames - 1);
    return numbers;
}

PlaybackPlan PlanPlayback(const SurveyDocument& doc)
{
    PlaybackPlan plan;
    if (!doc.m_pTimeline) return plan;
    PlaybackState run;
    OrbitCamera camera;
    NoHost host;
    StartPlayback(run, camera, doc, host);
    const int32_t frames = run.m_nFrameCount;
    const int32_t hold = run.m_nHoldTicks;
    plan.frames = frames;
    plan.numbers = PlaybackFileNumbers(frames, hold);
    const PlaybackTimeline& timeline = *doc.m_pTimeline;
    const int64_t records = doc.m_pPoints ? doc.m_pPoints->Records() : 0;
    // Playback reveals nothing without the measurement origin (no beams, no points).
    const bool reveals = doc.m_pPoints && doc.m_pPoints->HasOrigin();
    for (int32_t number : plan.numbers) {
        // A file is drawn after stepping its own frame; the end hold's after
        // the last frame stepped, the one before the last.
        const bool holdFile = number == frames - 1;
        const int32_t stepped = std::min(holdFile ? std::max(frames - 2, 0) : number, timeline.frames - 1);
        const int64_t reached = reveals && stepped >= 0 ? timeline.spans[static_cast<size_t>(stepped)].last : 0;
        plan.points.push_back(std::clamp<int64_t>(reached, 0, records));
        plan.pictures.push_back(holdFile && hold >= 2 ? hold - 1 : 1);
    }
    return plan;
}

PlaybackPlan PlanFpvFlight(const SurveyDocument& doc)
{
    PlaybackPlan plan;
    plan.frames = PathNodeCount(doc.m_pCameraPath.get());
    plan.numbers = FpvFileNumbers(plan.frames);
    const int64_t records = doc.m_pPoints ? doc.m_pPoints->Records() : 0;
    plan.points.assign(plan.numbers.size(), records);
    plan.pictures.assign(plan.numbers.size(), 1);
    return plan;
}

PlaybackPlan PlanInRange(const PlaybackPlan& plan, const FrameRange& range)
{
    PlaybackPlan in;
    in.frames = plan.frames;
    for (size_t i = 0; i < plan.numbers.size(); ++i) {
        if (!range.Contains(plan.numbers[i])) continue;
        in.numbers.push_back(plan.numbers[i]);
        in.points.push_back(plan.points[i]);
        in.pictures.push_back(plan.pictures[i]);
    }
    return in;
}

int64_t FrameWork(int64_t points, int width, int height)
{
    return points + int64_t{width} * int64_t{height} / kPixelsPerPointOfWork;
}

std::vector<int32_t> FpvFileNumbers(int32_t nodes)
{
    std::vector<int32_t> numbers;
    for (int32_t k = 1; k < nodes; ++k) numbers.push_back(k);
    return numbers;
}

int32_t PlaybackNumberAfterStep(int32_t frame, int32_t frames)
{
    const int32_t next = frame + 1 >= frames - 1 ? frames : frame + 1;
    return next - 1;
}

std::vector<int32_t> NumbersInRange(const std::vector<int32_t>& numbers, const FrameRange& range)
{
    std::vector<int32_t> in;
    std::copy_if(numbers.begin(), numbers.end(), std::back_inserter(in),
                 [&range](int32_t n) { return range.Contains(n); });
    return in;
}

}  // namespace oxv
