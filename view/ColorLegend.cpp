#include "view/ColorLegend.h"

#include <cmath>
#include <cstdio>

#include "survey/SurveyDocument.h"

namespace oxv {

std::optional<ColorLegend> LegendFor(const ViewState& view, const SurveyDocument* doc)
{
    if (!doc || !doc->m_pPoints) return std::nullopt;
    const PointImage& image = *doc->m_pPoints;
    ColorLegend legend;
    legend.mode = view.m_nColorMode;
    const ValueRange* range = nullptr;
    double unit = 0.001;  // statistics of lengths are in millimetres
    switch (view.m_nColorMode) {
    case kColorHeight: range = &doc->m_zStat; break;
    case kColorRange:
        if (!image.HasOrigin()) return std::nullopt;
        range = &doc->m_rangeStat;
        break;
    case kColorAmp:
    case kColorAmpBw:
        if (!image.HasAmplitude()) return std::nullopt;
        range = &doc->m_ampStat;
        unit = 1.0;
        legend.metres = false;
        break;
    default: return std::nullopt;
    }
    if (!range->valid) return std::nullopt;
    legend.min = range->min * unit;
    legend.max = range->max * unit;
    return legend;
}

std::string LegendLabel(double value, bool metres)
{
    char text[48];
    if (!std::isfinite(value)) return "?";
    if (metres)
        std::snprintf(text, sizeof text, "%.1f m", value);
    else
        std::snprintf(text, sizeof text, "%.0f", value);
    return text;
}

}  // namespace oxv
