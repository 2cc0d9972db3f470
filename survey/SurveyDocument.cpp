#include "SurveyDocument.h"

#include <new>
#include <utility>

#include "FileReading.h"
#include "PlaybackSettings.h"
#include "ScannerPath.h"
#include "Statistics.h"
#include "Timeline.h"

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

LoadStatus FromReadOutcome(ReadOutcome outcome)
{
    switch (outcome) {
    case ReadOutcome::Ok: return LoadStatus::Ok;
    case ReadOutcome::CannotOpen: return LoadStatus::CannotOpen;
    case ReadOutcome::NotEnoughMemory: return LoadStatus::NotEnoughMemory;
    case ReadOutcome::ReadError: return LoadStatus::ReadError;
    case ReadOutcome::Cancelled: return LoadStatus::Cancelled;
    }
    return LoadStatus::ReadError;
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
    ImageBlock block;
    const LoadStatus read =
        FromReadOutcome(ReadWholeFile(path, block, [&](double f) { return observer.Progress(f); }));
    if (read == LoadStatus::CannotOpen) return read;

    // From here on the previous survey is gone whatever happens; a timeline
    // left without its image could only mislead, so a failed load drops the
    // timeline and the parameter copy as well.
    FreePointData();
    LoadStatus status = read;
    if (status == LoadStatus::Ok && !IsWellFormedPointImage(block.Data(), block.Size()))
        status = LoadStatus::FormatError;
    if (status == LoadStatus::Ok) {
        m_pPoints.reset(new (std::nothrow) PointImage(std::move(block)));
        if (!m_pPoints) status = LoadStatus::NotEnoughMemory;
    }
    if (status != LoadStatus::Ok) {
        FreeTimeline();
        if (!LoadMessage(status).empty()) observer.ShowMessage(LoadMessage(status));
        return status;
    }

    ComputeStatistics();
    PlaybackParams params;
    TimelineRecord header;
    LoadTimelineSettings(profile, header);
    LoadPlaybackParams(profile, params);
    BuildTimeline(&params, header.step / header.interval, header.interval);
    BuildScannerPath(0);
    return LoadStatus::Ok;
}

void SurveyDocument::ComputeStatistics()
{
    if (!m_pPoints) return;
    const SurveyStatistics s = oxv::ComputeStatistics(*m_pPoints);
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

int SurveyDocument::BuildTimeline(const PlaybackParams* params, double speed, double interval)
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
    m_pPlaybackParams = std::move(copy);
    if (!m_pPoints) return 0;
    std::unique_ptr<PlaybackTimeline> timeline;
    switch (MakeTimeline(*m_pPoints, speed, interval, timeline)) {
    case TimelineOutcome::Built: m_pTimeline = std::move(timeline); return 1;
    case TimelineOutcome::NoTime: return 0;
    case TimelineOutcome::Failed: FreeTimeline(); return 0;
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
    if (!m_pPoints) return CameraPathSource::None;
    CameraPathImport imported = oxv::ImportCameraPath(folder, *m_pPoints);
    if (!imported.path) return CameraPathSource::None;
    m_pCameraPath = std::move(imported.path);
    return imported.source;
}

}  // namespace oxv
