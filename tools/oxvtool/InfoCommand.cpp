#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>

#include "tools/oxvtool/SurveyOpening.h"
#include "tools/oxvtool/Commands.h"
#include "base/FileReading.h"
#include "survey/SurveyDocument.h"
#include "tools/oxvtool/SettingsOption.h"
#include "tools/oxvtool/SurveySummary.h"
#include "tools/oxvtool/TrajectoryOption.h"

namespace oxv::tool {

namespace {

struct InfoOptions {
    std::string file;
    std::string ini;
    std::string trajectory;
    bool json = false;
    bool full = false;
    bool progress = false;
};

// The load's progress on standard error, away from the report on standard
// output: a bar redrawn in place on a terminal; with --progress into a log,
// a plain line every quarter.
class ProgressObserver final : public oxv::LoadObserver {
public:
    explicit ProgressObserver(bool forced) : m_terminal(isatty(2) != 0), m_enabled(forced || m_terminal) {}
    ~ProgressObserver() override
    {
        if (m_enabled && m_terminal && m_shown >= 0 && m_shown < 100) std::fputc('\n', stderr);
    }
    ProgressObserver(const ProgressObserver&) = delete;
    ProgressObserver& operator=(const ProgressObserver&) = delete;

    void Stage(oxv::LoadStage stage) override { m_stage = stage; }
    bool Progress(double fraction) override
    {
        if (!m_enabled) return true;
        const int percent = std::clamp(static_cast<int>(fraction * 100.0 + 1e-9), 0, 100);
        if (percent == m_shown) return true;
        if (!m_terminal) {
            if (m_shown >= 0 && percent / 25 == m_shown / 25) return true;
            m_shown = percent;
            std::fprintf(stderr, "info: %d%%\n", percent / 25 * 25);
            return true;
        }
        m_shown = percent;
        constexpr int kWidth = 40;
        const int filled = percent * kWidth / 100;
        std::fprintf(stderr, "\rinfo [%.*s%.*s] %3d%% %-12s", filled, "########################################",
                     kWidth - filled, "                                        ", percent, StageName());
        if (percent >= 100) std::fputc('\n', stderr);
        std::fflush(stderr);
        return true;
    }

private:
    const char* StageName() const
    {
        switch (m_stage) {
        case oxv::LoadStage::Read: return "read";
        case oxv::LoadStage::ValueRanges: return "value ranges";
        case oxv::LoadStage::Timeline: return "timeline";
        case oxv::LoadStage::ScannerPath: return "scanner path";
        }
        return "";
    }

    bool m_terminal;
    bool m_enabled;
    int m_shown = -1;
    oxv::LoadStage m_stage = oxv::LoadStage::Read;
};

int RunInfo(const InfoOptions& options)
{
    const std::unique_ptr<oxv::Profile> profile = OpenNamedSettings(options.ini);
    if (!profile) return kWorkFailed;

    oxv::SurveyDocument doc;
    oxv::LoadStatus status;
    {
        ProgressObserver progress(options.progress);
        status = OpenSurveyOrExplain(doc, options.file, *profile, progress);
    }
    if (status == oxv::LoadStatus::CannotOpen) {
        if (options.json) std::cout << nlohmann::ordered_json{{"status", "Cannot open file"}}.dump(2) << "\n";
        return kWorkFailed;
    }
    if (status == oxv::LoadStatus::Ok && !ApplyTrajectoryOption(doc, options.trajectory)) return kWorkFailed;
    if (options.json)
        std::cout << SurveyToJson(doc, status, options.full).dump(2) << "\n";
    else if (status == oxv::LoadStatus::Ok)
        std::cout << SurveyToText(options.file, doc);
    return status == oxv::LoadStatus::Ok ? kSuccess : kWorkFailed;
}

}  // namespace

void AddInfoCommand(CLI::App& app, int& exitStatus)
{
    auto options = std::make_shared<InfoOptions>();
    CLI::App* info = app.add_subcommand("info", "Open a point file as the viewer does and describe it");
    info->add_option("FILE", options->file, "survey (.oxv point file or .las)")->required();
    AddTrajectoryOption(info, options->trajectory);
    info->add_flag("--json", options->json, "print one JSON object");
    info->add_flag("--full", options->full, "with --json: scanner path nodes, frame spans and poses");
    info->add_flag("--progress", options->progress,
                   "show the load's progress on standard error even when it is not a terminal");
    info->add_option("--ini", options->ini, "read playback settings from this INI file");
    info->callback([options, &exitStatus] { exitStatus = RunInfo(*options); });
}

}  // namespace oxv::tool
