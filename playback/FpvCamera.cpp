#include "playback/FpvCamera.h"

#include "base/Angles.h"

namespace oxv {

namespace {


void StopFpvTimer(FpvState& fpv, PlaybackHost& host)
{
    host.KillTimer(kFpvTimerId);
    fpv.m_nFpvNode = 0;
    fpv.m_bFpvMode = false;
}

}  // namespace

void ToggleFpvMode(FpvState& fpv, OrbitCamera& camera, PlaybackHost& host)
{
    fpv.m_bFpvMode = !fpv.m_bFpvMode;
    if (fpv.m_bFpvMode) {
        fpv.m_dOrbitFov = camera.fovY;
        camera.fovY = fpv.m_dFpvFov;
        fpv.m_nFpvNode = 0;
        host.StartTimer(kFpvTimerId, kFpvTimerPeriodMs);
    } else {
        camera.fovY = fpv.m_dOrbitFov;
        host.KillTimer(kFpvTimerId);
    }
}

void ComputeFpvLookAt(FpvState& fpv, OrbitCamera& camera, const SurveyDocument& doc, PlaybackHost& host)
{
    const PathNode* path = doc.m_pCameraPath.get();
    const int32_t n = PathNodeCount(path);
    if (fpv.m_nFpvNode < 0 || fpv.m_nFpvNode >= n) {
        StopFpvTimer(fpv, host);
        ComputeLookAt(camera);
        return;
    }
    const PathNode& node = path[fpv.m_nFpvNode];
    camera.lookEye[0] = node.x / 1000.0;
    camera.lookEye[1] = node.y / 1000.0;
    camera.lookEye[2] = node.z / 1000.0;
    const double angles[3] = {node.roll / 1000.0 * kDegreesToRadians, node.pitch / 1000.0 * kDegreesToRadians,
                              node.heading / 1000.0 * kDegreesToRadians};
    double q[4];
    double R[9];
    EulerToQuaternion(angles, q);
    QuaternionToMatrix(q, R);
    for (int i = 0; i < 3; ++i) {
        camera.lookCenter[i] = camera.lookEye[i] - R[3 * i + 0];
        camera.lookUp[i] = R[3 * i + 2];
    }
    fpv.m_nFpvNode += 1;
    if (fpv.m_nFpvNode >= n) StopFpvTimer(fpv, host);
    camera.fovY = fpv.m_dFpvFov;
}

void EndFpvMode(FpvState& fpv, OrbitCamera& camera, PlaybackHost& host)
{
    if (!fpv.m_bFpvMode) return;
    camera.fovY = fpv.m_dOrbitFov;
    StopFpvTimer(fpv, host);
}

void BeginFovEdit(const FpvState& fpv, PlaybackHost& host)
{
    if (fpv.m_bFpvMode) host.KillTimer(kFpvTimerId);
}

void EndFovEdit(FpvState& fpv, PlaybackHost& host, bool ok, double fov)
{
    if (ok) fpv.m_dFpvFov = fov;
    if (fpv.m_bFpvMode) host.StartTimer(kFpvTimerId, kFpvTimerPeriodMs);
}

FpvCommandState GetFpvCommandState(const FpvState& fpv, bool cameraPathShown)
{
    return {cameraPathShown, fpv.m_bFpvMode != 0};
}

}  // namespace oxv
