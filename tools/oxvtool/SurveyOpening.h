#pragma once

#include <string>

#include "base/LoadStatus.h"
#include "base/Profile.h"
#include "survey/SurveyDocument.h"

namespace oxv::tool {

// Why a survey did not open, as every command says it: "cannot open FILE:
// REASON" for a file that could not be opened at all, else the viewer's
// message with the file and the reason on a second line. Empty when it
// opened.
std::string OpenFailureText(LoadStatus status, const std::string& path, const SurveyDocument& doc);

// Loads the survey as File > Open does and, when it does not open, says why
// on standard error ("oxvtool: cannot open ..." or the viewer's message).
[[nodiscard]] LoadStatus OpenSurveyOrExplain(SurveyDocument& doc, const std::string& path, Profile& profile,
                                             LoadObserver& observer);

}  // namespace oxv::tool
