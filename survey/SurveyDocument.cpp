#include "survey/SurveyDocument.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <optional>
#include <utility>

#include "base/FileReading.h"
#include "base/NumberText.h"
#include "geo/LocalFrame.h"
#include "las/LasReader.h"
#include "survey/PlaybackSettings.h"
#include "survey/ScannerPath.h"
#include "survey/ScannerPathTask.h"
#include "survey/Statistics.h"
#include "survey/Timeline.h"

namespace oxv {

std::string_view LoadMessage(LoadStatus status)
{
    switch (status) {
    case LoadStatus::NotEnoughMemory: return "Not enough memory";
    case LoadStatus::ReadError: return "File read error";
    case LoadStatus::FormatError: return "File format error";
    case LoadStatus::Ok:
    case LoadStatus::CannotOpen:
    case LoadStatus::Cancelled: break;
    }
    return {};
}

std::string LoadFailureText(LoadStatus status, std::string_view path, std::string_view reason)
{
    std::string text(LoadMessage(status));
    text += '\n';
    text += path;
    if (!reason.empty()) {
        text += ": ";
        text += reason;
    }
    return text;
}

namespace {

class WaitCursor {
public:
    explicit WaitCursor(LoadObserver& observer) : m_observer(observer) { m_observer.BeginWait(); }
    ~WaitCursor() { m_observer.EndWait(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    LoadObserver& m_observer;
};

// Maps each stage's own 0..1 onto the whole load and remembers a cancel.
class StageReporter {
public:
    explicit StageReporter(LoadObserver& observer) : m_observer(observer) {}

    StageProgress Enter(LoadStage stage)
    {
        const size_t index = static_cast<size_t>(stage);
        double base = 0.0;
        for (size_t i = 0; i < index; ++i) base += kLoadStageShare[i];
        m_base = base;
        m_share = kLoadStageShare[index];
        m_observer.Stage(stage);
        return [this](double f) { return Report(f); };
    }
    bool Report(double fraction)
    {
        if (!m_cancelled && !m_observer.Progress(m_base + m_share * std::clamp(fraction, 0.0, 1.0)))
            m_cancelled = true;
        return !m_cancelled;
    }
    bool Cancelled() const { return m_cancelled; }

private:
    LoadObserver& m_observer;
    double m_base = 0.0;
    double m_share = 0.0;
    bool m_cancelled = false;
};

std::string Seconds(double s)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.6g", s);
    return text;
}

// In the user's terms: what the survey and the settings asked for.
std::string NoTimelineReason(TimelineOutcome outcome, const PointImage& image, double step)
{
    const double t0 = image.Time(0) / 400.0;
    const double t1 = image.Time(static_cast<size_t>(image.Records() - 1)) / 400.0;
    const double frames = std::trunc((t1 - t0) / step);
    if (outcome == TimelineOutcome::TooManyFrames) {
        const std::string count = frames < 1e15 ? GroupedDigits(static_cast<uint64_t>(frames)) : Seconds(frames);
        return "the survey's " + Seconds(t1 - t0) + " s at " + Seconds(step) + " s a frame make " + count +
               " frames, more than the " + GroupedDigits(static_cast<uint64_t>(kMaxTimelineFrames)) +
               " playback can hold";
    }
    if (!(frames >= 0.0))
        return "the time stamps give no frames (first " + Seconds(t0) + " s, last " + Seconds(t1) + " s at " +
               Seconds(step) + " s a frame)";
    return "not enough memory for " + GroupedDigits(static_cast<uint64_t>(frames)) + " frames";
}

// The survey's times, with a LAS header's own word on their base where it
// disagrees with their values.
SurveyTimes SurveyTimesOf(const PointImage& image, const las::LasSurvey* las, std::string& note)
{
    SurveyTimes times = TimesOf(image);
    note.clear();
    if (las && las->header.versionMinor >= 2) {
        const bool adjusted = las->header.AdjustedStandardGpsTime();
        if (adjusted != (times.base != TimeBase::WeekSeconds))
            note = std::string(" (the LAS header says ") +
                   TimeBaseName(adjusted ? TimeBase::AdjustedStandard : TimeBase::WeekSeconds) +
                   "; the times' values say otherwise and were followed)";
    }
    return times;
}

}  // namespace

void SurveyDocument::NewDocument()
{
    FreeTimeline();
    FreePointData();
}

void SurveyDocument::FreePointData()
{
    m_pPoints.reset();
    m_pScannerPath.reset();
    m_pCameraPath.reset();
    m_lasSurvey.reset();
    m_trajectoryReport.reset();
    m_rangeStat = m_ampStat = m_xStat = m_yStat = m_zStat = m_timeStat = ValueRange{};
}

void SurveyDocument::FreeTimeline()
{
    m_pTimeline.reset();
    m_pPlaybackParams.reset();
}

LoadStatus SurveyDocument::LoadPointFile(const std::string& path, Profile& profile, LoadObserver& observer)
{
    WaitCursor wait(observer);
    StageReporter stages(observer);
    ImageBlock block;
    m_loadProblem.clear();
    // LAS files become the same image as they are read; point files are it.
    std::unique_ptr<las::LasSurvey> lasSurvey;
    LoadStatus read;
    if (las::IsLasPath(path)) {
        lasSurvey.reset(new (std::nothrow) las::LasSurvey);
        read = !lasSurvey ? LoadStatus::NotEnoughMemory
                          : las::ReadLasFile(path, block, *lasSurvey, m_loadProblem, stages.Enter(LoadStage::Read));
    } else {
        read = ReadWholeFile(path, block, stages.Enter(LoadStage::Read), &m_loadProblem);
    }
    if (read == LoadStatus::CannotOpen) return read;

    // From here on the previous survey is gone whatever happens; a timeline
    // left without its image could only mislead, so a failed load drops the
    // timeline and the parameter copy as well.
    FreePointData();
    LoadStatus status = read;
    if (status == LoadStatus::Ok) {
        m_loadProblem = PointImageProblem(block.Data(), block.Size());
        if (!m_loadProblem.empty()) status = LoadStatus::FormatError;
    }
    if (status == LoadStatus::Ok) {
        m_pPoints.reset(new (std::nothrow) PointImage(std::move(block)));
        if (!m_pPoints) status = LoadStatus::NotEnoughMemory;
    }
    if (status == LoadStatus::Ok) m_lasSurvey = std::move(lasSurvey);
    if (status != LoadStatus::Ok) {
        FreeTimeline();
        if (!LoadMessage(status).empty()) observer.ShowMessage(LoadFailureText(status, path, m_loadProblem));
        return status;
    }

    // Each pass reports at least once, so a cancel is seen at every stage
    // even for a small file; a cancelled load ends Empty like a failed one.
    // Walks beside the passes below; it is ended (stopped if need be) before
    // the image may go.
    std::optional<ScannerPathTask> scannerPath(std::in_place, *m_pPoints);
    SurveyStatistics statistics;
    const StageProgress ranges = stages.Enter(LoadStage::ValueRanges);
    if (oxv::ComputeStatistics(*m_pPoints, statistics, ranges) && ranges(1.0)) {
        SetStatistics(statistics);
        PlaybackParams params;
        TimelineRecord header;
        // Settings missing or unreadable leave the defaults.
        (void)LoadTimelineSettings(profile, header);
        (void)LoadPlaybackParams(profile, params);
        const StageProgress timeline = stages.Enter(LoadStage::Timeline);
        BuildTimeline(&params, header.step / header.interval, header.interval, timeline);
        if (!stages.Cancelled() && timeline(1.0)) {
            const StageProgress track = stages.Enter(LoadStage::ScannerPath);
            m_pScannerPath = scannerPath->Finish(track);
            track(1.0);
        }
    }
    scannerPath.reset();
    if (stages.Cancelled()) {
        FreePointData();
        FreeTimeline();
        return LoadStatus::Cancelled;
    }
    (void)observer.Progress(1.0);  // the survey is complete: the answer no longer matters
    return LoadStatus::Ok;
}

void SurveyDocument::ComputeStatistics()
{
    if (!m_pPoints) return;
    SetStatistics(oxv::ComputeStatistics(*m_pPoints));
}

void SurveyDocument::SetStatistics(const SurveyStatistics& s)
{
    m_rangeStat = s.range;
    m_ampStat = s.amplitude;
    m_xStat = s.x;
    m_yStat = s.y;
    m_zStat = s.z;
    m_timeStat = s.time;
}

int SurveyDocument::BuildScannerPath(int mode)
{
    if (!m_pPoints) return 0;
    if (mode == 1) return CountScannerPathNodes(*m_pPoints);
    std::unique_ptr<PathNode[]> path = MakeScannerPath(*m_pPoints);
    if (!path) return 0;
    m_pScannerPath = std::move(path);
    return 1;
}

int SurveyDocument::BuildTimeline(const PlaybackParams* params, double speed, double interval,
                                  const StageProgress& progress)
{
    // Copied before the old copy goes: callers may pass the document's own.
    std::unique_ptr<PlaybackParams> copy;
    if (params) {
        copy.reset(new (std::nothrow) PlaybackParams(*params));
        if (!copy) {
            FreeTimeline();
            return 0;
        }
    }
    FreeTimeline();
    m_timelineProblem.clear();
    m_pPlaybackParams = std::move(copy);
    if (!m_pPoints) return 0;
    std::unique_ptr<PlaybackTimeline> timeline;
    const TimelineOutcome outcome = MakeTimeline(*m_pPoints, speed, interval, timeline, progress);
    switch (outcome) {
    case TimelineOutcome::Built: m_pTimeline = std::move(timeline); return 1;
    case TimelineOutcome::NoTime: return 0;
    case TimelineOutcome::Failed:
    case TimelineOutcome::TooManyFrames:
        FreeTimeline();
        m_timelineProblem = NoTimelineReason(outcome, *m_pPoints, speed * interval);
        return 0;
    case TimelineOutcome::Stopped: FreeTimeline(); return 0;
    }
    return 0;
}

int SurveyDocument::InterpolatePoseAt(int32_t frame, Pose& pose) const
{
    if (!m_pPoints || !m_pTimeline) return 0;
    return oxv::InterpolatePoseAt(*m_pPoints, *m_pTimeline, frame, pose) ? 1 : 0;
}

CameraPathSource SurveyDocument::ImportCameraPath(const std::string& folder)
{
    m_cameraPathProblem.clear();
    m_cameraPathCacheProblem.clear();
    if (!m_pPoints) return CameraPathSource::None;
    if (!HasGeodeticOrigin(m_pPoints->Header().origin)) {
        m_cameraPathProblem = "The survey has no geodetic origin: its file names no coordinate system";
        if (m_lasSurvey && !m_lasSurvey->crsProblem.empty()) m_cameraPathProblem += " it can use (" + m_lasSurvey->crsProblem + ")";
        m_cameraPathProblem += ", so navigation positions have no place in its frame.";
        return CameraPathSource::None;
    }
    CameraPathImport imported = oxv::ImportCameraPath(folder, *m_pPoints);
    m_cameraPathCacheProblem = std::move(imported.cacheProblem);
    if (!imported.path) return CameraPathSource::None;
    m_pCameraPath = std::move(imported.path);
    return imported.source;
}

TrajectoryStatus SurveyDocument::AttachTrajectory(const std::string& path)
{
    m_trajectoryProblem.clear();
    if (!m_pPoints) {
        m_trajectoryProblem = "no survey is open";
        return TrajectoryStatus::Refused;
    }
    Trajectory trajectory;
    switch (ReadTrajectory(path, trajectory, m_trajectoryProblem)) {
    case TrajectoryRead::Ok: break;
    case TrajectoryRead::CannotOpen: return TrajectoryStatus::CannotOpen;
    case TrajectoryRead::FormatError: return TrajectoryStatus::BadFile;
    case TrajectoryRead::NotEnoughMemory: return TrajectoryStatus::NotEnoughMemory;
    }
    std::string headerNote;
    const SurveyTimes times = SurveyTimesOf(*m_pPoints, m_lasSurvey.get(), headerNote);
    ImageBlock block;
    auto report = std::make_unique<TrajectoryReport>();
    report->file = path;
    switch (oxv::AttachTrajectory(*m_pPoints, trajectory, times, m_trajectoryReport != nullptr, block, *report,
                                  m_trajectoryProblem)) {
    case AttachResult::Ok: break;
    case AttachResult::Refused: return TrajectoryStatus::Refused;
    case AttachResult::NotEnoughMemory: return TrajectoryStatus::NotEnoughMemory;
    }
    report->timeBase += headerNote;
    std::unique_ptr<PointImage> image(new (std::nothrow) PointImage(std::move(block)));
    if (!image) {
        m_trajectoryProblem = "not enough memory for the survey";
        return TrajectoryStatus::NotEnoughMemory;
    }
    // The records and their times are as they were, so the timeline's spans
    // still hold; the ranges gain the range, the scanner path its track.
    m_pPoints = std::move(image);
    ComputeStatistics();
    m_pScannerPath = MakeScannerPath(*m_pPoints);
    m_trajectoryReport = std::move(report);
    return TrajectoryStatus::Attached;
}

}  // namespace oxv
