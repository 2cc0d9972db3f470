#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/LoadStatus.h"
#include "las/LasSurvey.h"
#include "survey/CameraPath.h"
#include "survey/PointFile.h"
#include "base/Profile.h"
#include "survey/Statistics.h"
#include "survey/SurveyTypes.h"
#include "trajectory/SensorChannels.h"

namespace oxv {

// The text shown to the user for a failed load; empty for Ok, CannotOpen
// and Cancelled, which show nothing.
std::string_view LoadMessage(LoadStatus status);

// The message of a failed load that names the file and says why: the text
// above, then "PATH: REASON" on a second line (the reason may be empty).
std::string LoadFailureText(LoadStatus status, std::string_view path, std::string_view reason);

// The passes of a load, in the order they run.
enum class LoadStage { Read, ValueRanges, Timeline, ScannerPath };

// What a load asks of the user interface. The defaults do nothing, which is
// what tools and tests want.
class LoadObserver {
public:
    virtual ~LoadObserver() = default;
    virtual void BeginWait() {}
    virtual void EndWait() {}
    virtual void ShowMessage(std::string_view /*text*/) {}
    // A stage begins; Progress keeps counting over the whole load.
    virtual void Stage(LoadStage /*stage*/) {}
    // Fraction of the whole load done so far, rising over all stages and
    // reported at least once per stage; false cancels the load, which then
    // leaves the document Empty. The last report, 1, comes once the survey
    // is complete: its answer no longer matters.
    [[nodiscard]] virtual bool Progress(double /*fraction*/) { return true; }
};

// Outcome of placing a survey on a trajectory.
enum class TrajectoryStatus {
    Attached,
    CannotOpen,       // the trajectory file could not be opened
    BadFile,          // it is no trajectory (see TrajectoryProblem)
    Refused,          // the survey cannot take it (see TrajectoryProblem)
    NotEnoughMemory,
};

// Share of the whole load each stage takes (read, value ranges, timeline,
// scanner path), as measured on large surveys with a warm page cache.
inline constexpr double kLoadStageShare[4] = {0.55, 0.25, 0.05, 0.15};

// The survey document without its window-system shell: the point image and
// everything derived from it, with the load state machine (Empty, Loaded).
class SurveyDocument {
public:
    std::unique_ptr<PointImage> m_pPoints;
    std::unique_ptr<PathNode[]> m_pScannerPath;
    std::unique_ptr<PathNode[]> m_pCameraPath;
    std::unique_ptr<PlaybackTimeline> m_pTimeline;
    std::unique_ptr<PlaybackParams> m_pPlaybackParams;
    ValueRange m_rangeStat;
    ValueRange m_ampStat;
    ValueRange m_xStat;
    ValueRange m_yStat;
    ValueRange m_zStat;
    ValueRange m_timeStat;

    [[nodiscard]] bool IsLoaded() const { return m_pPoints != nullptr; }

    // Back to Empty, with no timeline and no parameter copy.
    void NewDocument();

    // Opens a point file: one read into one block, checks, value ranges,
    // playback settings from `profile`, timeline and scanner path. Any
    // failure after the file opened leaves the document Empty.
    LoadStatus LoadPointFile(const std::string& path, Profile& profile, LoadObserver& observer);
    // Why the last load failed, in words ("truncated: 5,000 of 19,268
    // bytes"); empty after a load that succeeded, was cancelled or could not
    // open its file.
    const std::string& LoadProblem() const { return m_loadProblem; }
    // What the LAS file held and how it was read; null for a point file.
    const las::LasSurvey* LasInfo() const { return m_lasSurvey.get(); }

    // Gives the loaded survey its sensor origin and pose from a trajectory
    // file (SBET or text) interpolated at each point's time; the value
    // ranges and the scanner path follow. A survey with its own origin or
    // pose, without time stamps or without a geodetic origin is refused,
    // as is a trajectory no point's time falls within; one that took an
    // earlier trajectory takes the new one in its place. On anything but
    // Attached the survey stays as it was.
    [[nodiscard]] TrajectoryStatus AttachTrajectory(const std::string& path);
    const std::string& TrajectoryProblem() const { return m_trajectoryProblem; }
    // What the attached trajectory gave; null without one.
    const TrajectoryReport* TrajectoryInfo() const { return m_trajectoryReport.get(); }

    void FreePointData();
    void FreeTimeline();
    void ComputeStatistics();
    // Mode 1 counts nodes; any other mode builds the path. 0 when there is no path.
    int BuildScannerPath(int mode);
    // Replaces the timeline and the parameter copy; 1 when a timeline was built.
    // `progress`, when given, may stop the build: there is then no timeline.
    int BuildTimeline(const PlaybackParams* params, double speed, double interval,
                      const StageProgress& progress = {});
    // Why the last BuildTimeline gave no timeline for a survey with time
    // stamps ("... make 300,000,000 frames, more than the 134,217,728
    // playback can hold"); empty when it built one or there is no time.
    const std::string& TimelineProblem() const { return m_timelineProblem; }
    int InterpolatePoseAt(int32_t frame, Pose& pose) const;
    // Import Camera Path from a navigation folder. Only with a survey loaded;
    // on success replaces the camera path (the views then want hint 100),
    // otherwise returns None and keeps the path it had.
    CameraPathSource ImportCameraPath(const std::string& folder);
    // Why the last import could not even be tried (a survey without a
    // geodetic origin); empty otherwise.
    const std::string& CameraPathProblem() const { return m_cameraPathProblem; }
    // Why the last import from the text files left no cache behind ("cannot
    // write DIR/cam_path.bin: Read-only file system"); empty otherwise. The
    // import itself succeeded.
    const std::string& CameraPathCacheProblem() const { return m_cameraPathCacheProblem; }

private:
    void SetStatistics(const SurveyStatistics& statistics);

    std::string m_loadProblem;
    std::string m_timelineProblem;
    std::unique_ptr<las::LasSurvey> m_lasSurvey;
    std::unique_ptr<TrajectoryReport> m_trajectoryReport;
    std::string m_trajectoryProblem;
    std::string m_cameraPathProblem;
    std::string m_cameraPathCacheProblem;
};

}  // namespace oxv
