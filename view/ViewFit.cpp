#include "view/ViewFit.h"

#include <algorithm>
#include <cmath>

#include "base/Angles.h"

namespace oxv {

namespace {


}  // namespace

double FitDistance(const double rotation[9], double fovYDeg, double aspect, const double size[3])
{
    const double tanV = std::tan(std::clamp(fovYDeg, 0.1, 179.0) * kExactDegreesToRadians / 2.0);
    const double tanH = tanV * (aspect > 0.0 && std::isfinite(aspect) ? aspect : 1.0);
    double distance = kMinFitDistance;
    // Every corner must lie inside the view pyramid: its sideways and upward
    // offsets no larger than its depth from the eye times the half-field
    // tangents. Depth is distance plus the corner's offset along the look.
    for (int corner = 0; corner < 8; ++corner) {
        double v[3];
        for (int i = 0; i < 3; ++i) v[i] = ((corner >> i) & 1 ? 0.5 : -0.5) * std::fabs(size[i]);
        double along = 0, left = 0, up = 0;
        for (int i = 0; i < 3; ++i) {
            along += v[i] * rotation[3 * i + 0];
            left += v[i] * rotation[3 * i + 1];
            up += v[i] * rotation[3 * i + 2];
        }
        distance = std::max(distance, std::fabs(left) / tanH - along);
        distance = std::max(distance, std::fabs(up) / tanV - along);
    }
    return distance * kFitMargin;
}

bool ZoomToExtent(ViewState& view, const SurveyDocument* doc, double aspect)
{
    double centre[3], size[3];
    if (view.m_scene.firstPerson || !GetDataExtent(doc, centre, size)) return false;
    SetCameraTarget(view.m_camera, centre);
    SetCameraDistance(FitDistance(view.m_camera.rotation, view.m_camera.fovY, aspect, size), view.m_camera);
    return true;
}

void StandardViewAxes(StandardView which, double look[3], double up[3])
{
    // World frame: x east, y north, z up.
    const double lookOf[][3] = {{0, 0, -1}, {0, 1, 0}, {0, -1, 0}, {1, 0, 0}, {-1, 0, 0}};
    const int i = static_cast<int>(which);
    for (int k = 0; k < 3; ++k) {
        look[k] = lookOf[i][k];
        up[k] = which == StandardView::Top ? (k == 1 ? 1.0 : 0.0) : (k == 2 ? 1.0 : 0.0);
    }
}

bool ShowStandardView(ViewState& view, const SurveyDocument* doc, double aspect, StandardView which)
{
    double centre[3], size[3];
    if (view.m_scene.firstPerson || !GetDataExtent(doc, centre, size)) return false;
    double look[3], up[3];
    StandardViewAxes(which, look, up);
    if (!SetCameraAxes(view.m_camera, look, up)) return false;
    SetCameraTarget(view.m_camera, centre);
    SetCameraDistance(FitDistance(view.m_camera.rotation, view.m_camera.fovY, aspect, size), view.m_camera);
    return true;
}

bool ResetView(ViewState& view, const SurveyDocument* doc)
{
    if (view.m_scene.firstPerson) return false;
    // The field of view too: a first-person flight that ends by itself
    // leaves its own, and this is the only way back to the orbit's.
    InitOrbitCamera(view.m_camera);
    double centre[3];
    if (GetDataExtent(doc, centre, nullptr)) SetCameraTarget(view.m_camera, centre);
    return true;
}

double WheelZoomDistance(double distance, double notches)
{
    if (!std::isfinite(notches)) return distance;
    const double next = distance * std::pow(1.0 - kWheelZoomStep, notches);
    return std::isfinite(next) ? std::max(next, kMinWheelDistance) : distance;
}

}  // namespace oxv
