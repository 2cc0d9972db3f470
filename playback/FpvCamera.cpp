#include "FpvCamera.h"

namespace oxv {

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943278;

void StopFpvTimer(ViewState& view, PlaybackHost& host)
{
    host.KillTimer(kFpvTimerId);
    view.m_nFpvNode = 0;
    view.m_bFpvMode = 0;
}

}  // namespace

void ToggleFpvMode(ViewState& view, PlaybackHost& host)
{
    view.m_bFpvMode = !view.m_bFpvMode;
    if (view.m_bFpvMode) {
        view.m_dOrbitFov = view.m_camera.fovY;
        view.m_camera.fovY = view.m_dFpvFov;
        view.m_nFpvNode = 0;
        host.StartTimer(kFpvTimerId, kFpvTimerPeriodMs);
    } else {
        view.m_camera.fovY = view.m_dOrbitFov;
        host.KillTimer(kFpvTimerId);
    }
}

void ComputeFpvLookAt(ViewState& view, const SurveyDocument& doc, PlaybackHost& host)
{
    const PathNode* path = doc.m_pCameraPath.get();
    const int32_t n = PathNodeCount(path);
    if (view.m_nFpvNode < 0 || view.m_nFpvNode >= n) {
        StopFpvTimer(view, host);
        ComputeLookAt(view.m_camera);
        return;
    }
    const PathNode& node = path[view.m_nFpvNode];
    OrbitCamera& camera = view.m_camera;
    camera.lookEye[0] = node.x / 1000.0;
    camera.lookEye[1] = node.y / 1000.0;
    camera.lookEye[2] = node.z / 1000.0;
    const double angles[3] = {node.roll / 1000.0 * kRadiansPerDegree, node.pitch / 1000.0 * kRadiansPerDegree,
                              node.heading / 1000.0 * kRadiansPerDegree};
    double q[4];
    double R[9];
    EulerToQuaternion(angles, q);
    QuaternionToMatrix(q, R);
    for (int i = 0; i < 3; ++i) {
        camera.lookCenter[i] = camera.lookEye[i] - R[3 * i + 0];
        camera.lookUp[i] = R[3 * i + 2];
    }
    view.m_nFpvNode += 1;
    if (view.m_nFpvNode >= n) StopFpvTimer(view, host);
    camera.fovY = view.m_dFpvFov;
}

void EndFpvMode(ViewState& view, PlaybackHost& host)
{
    if (!view.m_bFpvMode) return;
    view.m_camera.fovY = view.m_dOrbitFov;
    StopFpvTimer(view, host);
}

void BeginFovEdit(ViewState& view, PlaybackHost& host)
{
    if (view.m_bFpvMode) host.KillTimer(kFpvTimerId);
}

void EndFovEdit(ViewState& view, PlaybackHost& host, bool ok, double fov)
{
    if (ok) view.m_dFpvFov = fov;
    if (view.m_bFpvMode) host.StartTimer(kFpvTimerId, kFpvTimerPeriodMs);
}

FpvCommandState GetFpvCommandState(const ViewState& view)
{
    return {view.m_nCameraPathList != 0, view.m_bFpvMode != 0};
}

}  // namespace oxv
