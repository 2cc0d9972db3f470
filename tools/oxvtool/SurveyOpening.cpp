#include "tools/oxvtool/SurveyOpening.h"

#include <iostream>

#include "base/FileReading.h"

namespace oxv::tool {

std::string OpenFailureText(LoadStatus status, const std::string& path, const SurveyDocument& doc)
{
    if (status == LoadStatus::Ok) return {};
    if (status == LoadStatus::CannotOpen) return "cannot open " + path + ": " + CannotOpenReason(path);
    return LoadFailureText(status, path, doc.LoadProblem());
}

LoadStatus OpenSurveyOrExplain(SurveyDocument& doc, const std::string& path, Profile& profile, LoadObserver& observer)
{
    const LoadStatus status = doc.LoadPointFile(path, profile, observer);
    // The viewer's own messages stand as they are; only ours is marked.
    if (status == LoadStatus::CannotOpen)
        std::cerr << "oxvtool: " << OpenFailureText(status, path, doc) << "\n";
    else if (status != LoadStatus::Ok)
        std::cerr << OpenFailureText(status, path, doc) << "\n";
    return status;
}

}  // namespace oxv::tool
