#pragma once

#include <atomic>
#include <future>
#include <memory>

#include "survey/PointFile.h"
#include "survey/SurveyTypes.h"

namespace oxv {

// The scanner path walked on another core while the caller goes on with the
// value ranges and the timeline: it needs nothing they give, and the three
// are the open's compute-bound passes. Where no thread can be had it is
// walked by Finish, on the caller's own.
class ScannerPathTask {
public:
    explicit ScannerPathTask(const PointImage& image);
    // Stops a walk nobody finished and waits for it: the image must outlive
    // the thread.
    ~ScannerPathTask();
    ScannerPathTask(const ScannerPathTask&) = delete;
    ScannerPathTask& operator=(const ScannerPathTask&) = delete;

    // Waits for the path, passing on the walk's progress from this thread;
    // when `progress` says stop the walk ends and the path is null.
    std::unique_ptr<PathNode[]> Finish(const StageProgress& progress);

private:
    const PointImage& m_image;
    std::atomic<bool> m_stop{false};
    std::atomic<double> m_fraction{0.0};
    std::future<std::unique_ptr<PathNode[]>> m_walk;
};

}  // namespace oxv
