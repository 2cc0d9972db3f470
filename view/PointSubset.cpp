#include "view/PointSubset.h"

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

std::string PreviewText(const ViewState& view, const SurveyDocument* doc)
{
    if (!doc || !doc->m_pPoints || view.m_subset.listBase == 0 || view.m_nPointListBase != 0) return {};
    return "Preview: " + Millions(view.m_subset.points) + " of " + Millions(doc->m_pPoints->Records()) + " points";
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
