#include "view/PointSubset.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "base/Profile.h"
#include "survey/SurveyDocument.h"
#include "view/StatusLine.h"
#include "view/ViewState.h"

namespace oxv {

namespace {

constexpr long kMaxBudget = 1'000'000'000;

// Millions with one decimal, two below a million ("50.0 M", "0.25 M"),
// and small counts whole.
std::string Millions(int64_t n)
{
    if (n < 10'000) return GroupThousands(n);
    char text[32];
    const double m = static_cast<double>(n) / 1e6;
    std::snprintf(text, sizeof text, m >= 1.0 ? "%.1f M" : "%.2f M", m);
    return text;
}

std::string Megabytes(int64_t bytes)
{
    return GroupThousands((bytes + (1 << 20) - 1) >> 20) + " MB";
}

}  // namespace

int32_t SubsetStep(int64_t records, int32_t budget)
{
    if (budget <= 0 || records <= budget) return 0;
    return static_cast<int32_t>((records + budget - 1) / budget);
}

int32_t SubsetPoints(int64_t records, int32_t step)
{
    if (step <= 0 || records <= 0) return 0;
    return static_cast<int32_t>((records + step - 1) / step);
}

bool DrawsSubset(const ViewState& view, FrameKind kind)
{
    if (view.m_subset.listBase == 0) return false;
    // Playback, the flight and so every recorded frame show every record.
    if (view.m_scene.playing || view.m_scene.firstPerson) return false;
    if (view.m_nPointListBase == 0) return true;
    return kind == FrameKind::Paint && view.m_subset.moving != 0;
}

ListMemoryPlan PlanListMemory(int64_t records, int32_t budget, std::optional<int64_t> headroom)
{
    ListMemoryPlan plan;
    plan.subsetBudget = budget;
    const int64_t needed = std::max<int64_t>(records, 0) * kListBytesPerPoint;
    if (!headroom || needed + kListCompileReserveBytes <= *headroom) return plan;
    plan.fullLists = false;
    // Half what is left past the reserve at most: the window wants room to
    // draw too.
    const int64_t fits = std::max<int64_t>(*headroom - kListCompileReserveBytes, 0) / 2 / kListBytesPerPoint;
    const int64_t wanted = budget > 0 ? budget : kDefaultPointBudget;
    plan.subsetBudget = static_cast<int32_t>(std::min(wanted, fits));
    plan.problem = "not enough memory for the display lists of all " + GroupThousands(records) + " points (about " +
                   Megabytes(needed) + " and " + Megabytes(kListCompileReserveBytes) + " for the driver to work in, " +
                   Megabytes(std::max<int64_t>(*headroom, 0)) + " left)";
    return plan;
}

std::string PreviewText(const ViewState& view, const SurveyDocument* doc)
{
    if (!doc || !doc->m_pPoints || view.m_nPointListBase != 0) return {};
    const std::string& problem = view.m_subset.memoryProblem;
    if (view.m_subset.listBase == 0) return problem.empty() ? std::string() : "No points shown: " + problem;
    const std::string preview =
        "Preview: " + Millions(view.m_subset.points) + " of " + Millions(doc->m_pPoints->Records()) + " points";
    return problem.empty() ? preview : preview + ": " + problem;
}

int32_t LoadPointBudget(Profile& profile)
{
    const std::optional<std::string> text = profile.ReadString(kPointBudgetSection, kPointBudgetKey);
    if (!text || text->empty()) return kDefaultPointBudget;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text->c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < 0 || value > kMaxBudget) return kDefaultPointBudget;
    return static_cast<int32_t>(value);
}

bool SavePointBudget(Profile& profile, int32_t budget)
{
    return profile.WriteString(kPointBudgetSection, kPointBudgetKey, std::to_string(budget > 0 ? budget : 0));
}

}  // namespace oxv
