#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "tools/oxvtool/SurveyOpening.h"
#include "tools/oxvtool/Commands.h"
#include "base/FileReading.h"
#include "survey/SurveyDocument.h"
#include "tools/oxvtool/TrajectoryOption.h"

namespace oxv::tool {

namespace {

struct CampathOptions {
    std::string survey;
    std::string navDir;
    std::string trajectory;
    bool json = false;
};

const char* SourceName(oxv::CameraPathSource source)
{
    switch (source) {
    case oxv::CameraPathSource::Cache: return "cache";
    case oxv::CameraPathSource::Text: return "text";
    case oxv::CameraPathSource::None: break;
    }
    return nullptr;
}

nlohmann::ordered_json PathToJson(const oxv::PathNode* path, oxv::CameraPathSource source)
{
    nlohmann::ordered_json nodes = nlohmann::ordered_json::array();
    const int32_t count = oxv::PathNodeCount(path);
    for (int32_t i = 0; i < count; ++i) {
        const oxv::PathNode& n = path[i];
        nodes.push_back({n.key, n.roll, n.pitch, n.heading, n.x, n.y, n.z});
    }
    nlohmann::ordered_json j;
    j["count"] = count;
    j["nodes"] = std::move(nodes);
    if (const char* name = SourceName(source))
        j["source"] = name;
    else
        j["source"] = nullptr;
    return j;
}

int RunCampath(const CampathOptions& options)
{
    oxv::SurveyDocument doc;
    oxv::MemoryProfile profile;
    oxv::LoadObserver quiet;
    const oxv::LoadStatus status = OpenSurveyOrExplain(doc, options.survey, profile, quiet);
    oxv::CameraPathSource source = oxv::CameraPathSource::None;
    if (status == oxv::LoadStatus::Ok && !ApplyTrajectoryOption(doc, options.trajectory)) {
        // Said on standard error; nothing is imported.
    } else if (status == oxv::LoadStatus::Ok) {
        source = doc.ImportCameraPath(options.navDir);
        if (!doc.CameraPathProblem().empty())
            std::cerr << "oxvtool: no camera path: " << doc.CameraPathProblem() << "\n";
        else if (source == oxv::CameraPathSource::None)
            std::cerr << "oxvtool: no camera path from " << options.navDir << "\n";
        // The path was imported all the same; the next run reads the text again.
        if (source != oxv::CameraPathSource::None && !doc.CameraPathCacheProblem().empty())
            std::cerr << "oxvtool: note: the camera path is not cached: " << doc.CameraPathCacheProblem() << "\n";
    }
    if (options.json)
        std::cout << PathToJson(doc.m_pCameraPath.get(), source).dump() << "\n";
    else if (source != oxv::CameraPathSource::None)
        std::cout << oxv::PathNodeCount(doc.m_pCameraPath.get()) << "\n";
    return source != oxv::CameraPathSource::None ? kSuccess : kWorkFailed;
}

}  // namespace

void AddCampathCommand(CLI::App& app, int& exitStatus)
{
    auto options = std::make_shared<CampathOptions>();
    CLI::App* campath =
        app.add_subcommand("campath", "Import a camera path from a navigation folder as Import Camera Path does");
    campath->add_option("SURVEY", options->survey, "survey (.oxv or .las) whose origin the path is converted to")
        ->required();
    campath->add_option("NAVDIR", options->navDir,
                        "folder with navx.txt, geo.txt, gps_tw.txt; cam_path.bin is read there or written there")
        ->required();
    AddTrajectoryOption(campath, options->trajectory);
    campath->add_flag("--json", options->json, "print {\"count\", \"nodes\", \"source\"} as one JSON object");
    campath->callback([options, &exitStatus] { exitStatus = RunCampath(*options); });
}

}  // namespace oxv::tool
