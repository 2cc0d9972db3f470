// The view's plain logic: mouse routing, level keys, menu states and the
// colour scale. Nothing here touches the drawing library.

#include "survey/SurveyDocument.h"
#include "view/ViewState.h"

namespace oxv {

void InitViewState(ViewState& view)
{
    InitOrbitCamera(view.m_camera);
    view.m_nColorMode = kColorOriginal;
}

void ShowRunState(ViewState& view, const PlaybackState& run, const FpvState& fpv)
{
    view.m_scene.playing = run.m_nPlayState != kStopped;
    view.m_scene.revealedRecord = run.m_nReachedRecord;
    view.m_scene.firstPerson = fpv.m_bFpvMode;
}

bool ChangeOriginalLevels(ViewState& view, LevelKey key)
{
    if (view.m_nColorMode != kColorOriginal) return false;
    const double white = view.m_dWhiteLevel;
    const double black = view.m_dBlackLevel;
    switch (key) {
    case LevelKey::PageUp: view.m_dWhiteLevel += 0.05; break;
    case LevelKey::PageDown: view.m_dWhiteLevel -= 0.05; break;
    case LevelKey::Home: view.m_dBlackLevel += 0.05; break;
    case LevelKey::End: view.m_dBlackLevel -= 0.05; break;
    }
    if (view.m_dBlackLevel >= view.m_dWhiteLevel) {
        view.m_dWhiteLevel = white;
        view.m_dBlackLevel = black;
        return false;
    }
    const double span = view.m_dWhiteLevel - view.m_dBlackLevel;
    view.m_dRgbOffset = -view.m_dBlackLevel / span;
    view.m_dRgbScale = 1.0 / span / 255.0;
    return true;
}

namespace {

bool ChannelPresent(const PointImage& image, int32_t mode)
{
    switch (mode) {
    case kColorAmp:
    case kColorAmpBw: return image.HasAmplitude();
    case kColorRange: return image.HasOrigin();
    case kColorOriginal: return image.HasColor();
    default: return true;
    }
}

}  // namespace

MenuState ColorModeMenuState(const ViewState& view, const SurveyDocument* doc, int32_t mode)
{
    if (!doc || !doc->m_pPoints) return {};
    return {ChannelPresent(*doc->m_pPoints, mode), view.m_nColorMode == mode};
}

ViewMouseResult ViewMouseEvent(ViewState& view, const CameraInput& input)
{
    ViewMouseResult result;
    if (view.m_scene.firstPerson) return result;
    OrbitCamera& camera = view.m_camera;
    const int pressed = CameraMouseEvent(input, camera);
    if (input.type == kLeftPress || input.type == kRightPress) {
        result.repaint = pressed == 1;
        return result;
    }
    if (input.type != kMouseMove || (!camera.leftDrag && !camera.rightDrag)) return result;

    // Keep long drags going: once the cursor leaves the inner box it goes
    // back to the centre, and the next move is measured from there.
    const int32_t w = input.right - input.left;
    const int32_t h = input.bottom - input.top;
    const int32_t innerLeft = input.left + w / 5, innerRight = input.right - w / 5;
    const int32_t innerTop = input.top + h / 5, innerBottom = input.bottom - h / 5;
    const bool inside = input.x >= innerLeft && input.x < innerRight && input.y >= innerTop && input.y < innerBottom;
    if (!inside) {
        result.warpCursor = true;
        result.warpX = input.left + w / 2;
        result.warpY = input.top + h / 2;
        camera.lastX = result.warpX;
        camera.lastY = result.warpY;
    }
    result.repaint = true;
    return result;
}

bool GetDataExtent(const SurveyDocument* doc, double centre[3], double size[3])
{
    if (!doc) return false;
    const ValueRange* axes[3] = {&doc->m_xStat, &doc->m_yStat, &doc->m_zStat};
    for (const ValueRange* r : axes)
        if (!r->valid) return false;
    for (int i = 0; i < 3; ++i) {
        // In doubles: max + min and max - min overflow int32 for wide data.
        const double hi = axes[i]->max, lo = axes[i]->min;
        if (centre) centre[i] = (hi + lo) * 0.5 / 1000.0;
        if (size) size[i] = (hi - lo) / 1000.0;
    }
    return true;
}

void SetColorScale(ViewState& view, const ValueRange& range)
{
    const int64_t d = static_cast<int64_t>(range.max) - range.min;  // wide: the span may exceed int32
    if (d == 0) {
        view.m_dColorScale = 0.0;
        view.m_dColorOffset = 1.0;
    } else {
        view.m_dColorScale = 1.0 / static_cast<double>(d);
        view.m_dColorOffset = -static_cast<double>(range.min) / static_cast<double>(d);
    }
}

void SelectColorScale(ViewState& view, const SurveyDocument& doc)
{
    if (!doc.m_pPoints) return;
    if (view.m_nColorMode < kColorHeight || view.m_nColorMode > kColorOriginal) view.m_nColorMode = kColorHeight;
    if (!ChannelPresent(*doc.m_pPoints, view.m_nColorMode)) view.m_nColorMode = kColorHeight;
    switch (view.m_nColorMode) {
    case kColorAmp:
    case kColorAmpBw: SetColorScale(view, doc.m_ampStat); break;
    case kColorRange: SetColorScale(view, doc.m_rangeStat); break;
    case kColorOriginal: break;
    default: SetColorScale(view, doc.m_zStat); break;
    }
}

}  // namespace oxv
