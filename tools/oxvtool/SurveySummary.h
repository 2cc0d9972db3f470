#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "survey/SurveyDocument.h"

namespace oxv::tool {

// The document as `oxvtool info --json` prints it; `full` adds the scanner
// path nodes, the frame spans and the per-frame poses.
nlohmann::ordered_json SurveyToJson(const oxv::SurveyDocument& doc, oxv::LoadStatus status, bool full);

// A readable summary for people.
std::string SurveyToText(const std::string& path, const oxv::SurveyDocument& doc);

}  // namespace oxv::tool
