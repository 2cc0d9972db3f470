#pragma once

// The colour bar of the Height, Amp, Amp BW and Range modes: what it shows
// (plain logic) and its drawing in a corner of the picture (GL).

#include <optional>
#include <string>

#include "view/ViewState.h"

namespace oxv {

struct ColorLegend {
    int32_t mode = kColorHeight;
    double min = 0.0;  // the value drawn with the ramp's low end
    double max = 0.0;
    bool metres = true;  // Height and Range; amplitudes have no unit
};

// The legend of the view's current colour mode, or none: Original mode, no
// points, or the mode's channel or value range missing (the points are
// then drawn without a ramp).
std::optional<ColorLegend> LegendFor(const ViewState& view, const SurveyDocument* doc);

// "12.3 m" for metres, "187" for amplitudes.
std::string LegendLabel(double value, bool metres);

// Draws the legend into the bottom-right corner of a w x h picture over
// whatever is there (context current); leaves the matrices as it found them.
void DrawColorLegend(const ColorLegend& legend, int w, int h);

}  // namespace oxv
