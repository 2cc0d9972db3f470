#include "survey/ScannerPathTask.h"

#include <chrono>
#include <system_error>

#include "survey/ScannerPath.h"

namespace oxv {

namespace {

// Often enough for a progress dialog to move smoothly and a Cancel to be
// seen at once.
constexpr std::chrono::milliseconds kReportEvery{50};

}  // namespace

ScannerPathTask::ScannerPathTask(const PointImage& image) : m_image(image)
{
    const StageProgress walkProgress = [this](double fraction) {
        m_fraction.store(fraction, std::memory_order_relaxed);
        return !m_stop.load(std::memory_order_relaxed);
    };
    try {
        m_walk = std::async(std::launch::async, [this, walkProgress] { return MakeScannerPath(m_image, walkProgress); });
    } catch (const std::system_error&) {
        // No thread to be had: Finish walks it here.
    }
}

ScannerPathTask::~ScannerPathTask()
{
    m_stop = true;
    if (m_walk.valid()) m_walk.wait();
}

std::unique_ptr<PathNode[]> ScannerPathTask::Finish(const StageProgress& progress)
{
    if (!m_walk.valid()) return MakeScannerPath(m_image, progress);
    while (m_walk.wait_for(kReportEvery) != std::future_status::ready)
        if (progress && !progress(m_fraction.load(std::memory_order_relaxed))) m_stop = true;
    std::unique_ptr<PathNode[]> path = m_walk.get();
    return m_stop ? nullptr : std::move(path);
}

}  // namespace oxv
