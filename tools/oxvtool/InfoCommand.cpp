#include <iostream>
#include <memory>

#include "Commands.h"
#include "IniProfile.h"
#include "SurveyDocument.h"
#include "SurveySummary.h"

namespace oxvtool {

namespace {

struct InfoOptions {
    std::string file;
    std::string ini;
    bool json = false;
    bool full = false;
};

int RunInfo(const InfoOptions& options)
{
    std::unique_ptr<oxv::Profile> profile;
    if (options.ini.empty())
        profile = std::make_unique<oxv::MemoryProfile>();
    else
        profile = std::make_unique<oxv::IniProfile>(options.ini);

    oxv::SurveyDocument doc;
    oxv::LoadObserver quiet;
    const oxv::LoadStatus status = doc.LoadPointFile(options.file, *profile, quiet);
    if (status == oxv::LoadStatus::CannotOpen) {
        std::cerr << "oxvtool: cannot open " << options.file << "\n";
        if (options.json) std::cout << nlohmann::ordered_json{{"status", "Cannot open file"}}.dump(2) << "\n";
        return 1;
    }
    if (status != oxv::LoadStatus::Ok) std::cerr << oxv::LoadMessage(status) << "\n";
    if (options.json)
        std::cout << SurveyToJson(doc, status, options.full).dump(2) << "\n";
    else if (status == oxv::LoadStatus::Ok)
        std::cout << SurveyToText(options.file, doc);
    return status == oxv::LoadStatus::Ok ? 0 : 1;
}

}  // namespace

void AddInfoCommand(CLI::App& app, int& exitStatus)
{
    auto options = std::make_shared<InfoOptions>();
    CLI::App* info = app.add_subcommand("info", "Open a point file as the viewer does and describe it");
    info->add_option("FILE", options->file, "point file (.oxv)")->required();
    info->add_flag("--json", options->json, "print one JSON object");
    info->add_flag("--full", options->full, "with --json: scanner path nodes, frame spans and poses");
    info->add_option("--ini", options->ini, "read playback settings from this INI file");
    info->callback([options, &exitStatus] { exitStatus = RunInfo(*options); });
}

}  // namespace oxvtool
