#pragma once

// Seeing the whole survey: the distance at which a bounding box fits the
// picture, and the zoom steps of the mouse wheel. Plain arithmetic.

#include "view/ViewState.h"

namespace oxv {

// The eye-to-centre distance, along the camera's viewing direction
// (`rotation`: row-major, column 0 looks, column 1 is the picture's left,
// column 2 its up), at which a box of `size` metres centred on the target
// lies wholly inside a picture of vertical field `fovYDeg` degrees and
// width/height `aspect`, with a small margin. Never less than kMinFitDistance.
double FitDistance(const double rotation[9], double fovYDeg, double aspect, const double size[3]);
inline constexpr double kMinFitDistance = 1.0;  // metres
inline constexpr double kFitMargin = 1.05;

// View > Zoom to Extent: target at the data centre, distance from
// FitDistance, orientation and field of view kept. False (nothing changed)
// without an extent or in first-person mode.
[[nodiscard]] bool ZoomToExtent(ViewState& view, const SurveyDocument* doc, double aspect);

// The standard views: from straight above with north up, and level from
// the side looking north, south, east or west (world up as the picture's up).
enum class StandardView { Top, North, South, East, West };
// The world directions a standard view looks along and has as its up.
void StandardViewAxes(StandardView which, double look[3], double up[3]);
// View > Standard Views: the camera turned to `which`, target at the data
// centre, distance from FitDistance so the whole survey is in a picture of
// width/height `aspect`; field of view kept. False (nothing changed)
// without an extent or in first-person mode.
[[nodiscard]] bool ShowStandardView(ViewState& view, const SurveyDocument* doc, double aspect, StandardView which);

// View > Reset View: the camera as a freshly opened survey has it (initial
// orientation, distance and field of view, target at the data centre).
// False (nothing changed) in first-person mode.
[[nodiscard]] bool ResetView(ViewState& view, const SurveyDocument* doc);

// The mouse wheel: each notch forward (away from the user) brings the eye
// kWheelZoomStep of its distance closer to the target; notches the other
// way move it back as far. Never closer than kMinWheelDistance.
inline constexpr double kWheelZoomStep = 0.1;
inline constexpr double kMinWheelDistance = 0.5;  // metres
double WheelZoomDistance(double distance, double notches);

}  // namespace oxv
