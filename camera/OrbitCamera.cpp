#include "camera/OrbitCamera.h"

#include <cmath>

#include "base/Angles.h"

namespace oxv {

namespace {

constexpr double kQuarterPi = kNavigationPi / 4.0;
constexpr double kMinDistance = 0.1;
constexpr double kZoomPerHeight = 500.0;  // metres per client height of right drag

void UpdateEye(OrbitCamera& c)
{
    for (int i = 0; i < 3; ++i) c.eye[i] = -c.distance * c.rotation[3 * i] + c.target[i];
}

// orientation += (0, h) (x) orientation with h = omega / 2: a first-order step,
// so an angle theta turns by 2 atan(theta / 2).
void RotationStep(const double omega[3], OrbitCamera& c)
{
    const double hx = omega[0] * 0.5, hy = omega[1] * 0.5, hz = omega[2] * 0.5;
    const double omegaMatrix[16] = {0, -hx, -hy, -hz,  //
                                    hx, 0, -hz, hy,    //
                                    hy, hz, 0, -hx,    //
                                    hz, -hy, hx, 0};
    double dq[4];
    MatVecMul(4, dq, omegaMatrix, 4, c.orientation);
    double stepped[4];
    for (int i = 0; i < 4; ++i) stepped[i] = c.orientation[i] + dq[i];
    // A turn by a non-finite angle would leave a NaN orientation that no
    // later turn recovers from: the camera keeps the one it had.
    if (!NormalizeQuaternion(stepped)) return;
    for (int i = 0; i < 4; ++i) c.orientation[i] = stepped[i];
    QuaternionToMatrix(c.orientation, c.rotation);
}

}  // namespace

void MatVecMul(int rows, double* out, const double* matrix, int cols, const double* vector)
{
    for (int i = 0; i < rows; ++i) {
        double sum = 0.0;
        for (int j = 0; j < cols; ++j) sum += matrix[i * cols + j] * vector[j];
        out[i] = sum;
    }
}

int NormalizeQuaternion(double q[4])
{
    const double n2 = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
    // NaN fails the first test; an infinite norm would give zeros or NaNs.
    if (!(n2 > 0.0) || !std::isfinite(n2)) return 0;
    const double n = std::sqrt(n2);
    for (int i = 0; i < 4; ++i) q[i] /= n;
    return 1;
}

void QuaternionToMatrix(const double q[4], double R[9])
{
    const double a = q[0], b = q[1], c = q[2], d = q[3];
    R[0] = a * a + b * b - c * c - d * d;
    R[1] = 2 * (b * c - a * d);
    R[2] = 2 * (b * d + a * c);
    R[3] = 2 * (b * c + a * d);
    R[4] = a * a - b * b + c * c - d * d;
    R[5] = 2 * (c * d - a * b);
    R[6] = 2 * (b * d - a * c);
    R[7] = 2 * (c * d + a * b);
    R[8] = a * a - b * b - c * c + d * d;
}

void EulerToQuaternion(const double angles[3], double q[4])
{
    const double sx = std::sin(angles[0] / 2), cx = std::cos(angles[0] / 2);
    const double sy = std::sin(angles[1] / 2), cy = std::cos(angles[1] / 2);
    const double sz = std::sin(angles[2] / 2), cz = std::cos(angles[2] / 2);
    q[0] = cx * cy * cz + sx * sy * sz;
    q[1] = sx * cy * cz - cx * sy * sz;
    q[2] = cx * sy * cz + sx * cy * sz;
    q[3] = cx * cy * sz - sx * sy * cz;
}

void MatrixToQuaternion(const double R[9], double q[4])
{
    // From the largest of the four squared components, so that nothing is
    // divided by a value near zero (a half turn has w = 0).
    const double trace = R[0] + R[4] + R[8];
    if (trace >= R[0] && trace >= R[4] && trace >= R[8]) {
        const double s = 2.0 * std::sqrt(1.0 + trace);
        q[0] = s / 4.0;
        q[1] = (R[7] - R[5]) / s;
        q[2] = (R[2] - R[6]) / s;
        q[3] = (R[3] - R[1]) / s;
    } else if (R[0] >= R[4] && R[0] >= R[8]) {
        const double s = 2.0 * std::sqrt(1.0 + R[0] - R[4] - R[8]);
        q[0] = (R[7] - R[5]) / s;
        q[1] = s / 4.0;
        q[2] = (R[1] + R[3]) / s;
        q[3] = (R[2] + R[6]) / s;
    } else if (R[4] >= R[8]) {
        const double s = 2.0 * std::sqrt(1.0 - R[0] + R[4] - R[8]);
        q[0] = (R[2] - R[6]) / s;
        q[1] = (R[1] + R[3]) / s;
        q[2] = s / 4.0;
        q[3] = (R[5] + R[7]) / s;
    } else {
        const double s = 2.0 * std::sqrt(1.0 - R[0] - R[4] + R[8]);
        q[0] = (R[3] - R[1]) / s;
        q[1] = (R[2] + R[6]) / s;
        q[2] = (R[5] + R[7]) / s;
        q[3] = s / 4.0;
    }
    NormalizeQuaternion(q);
}

bool SetCameraAxes(OrbitCamera& camera, const double look[3], const double up[3])
{
    auto length = [](const double v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); };
    const double lookLength = length(look);
    if (!(lookLength > 0.0) || !std::isfinite(lookLength)) return false;
    const double x[3] = {look[0] / lookLength, look[1] / lookLength, look[2] / lookLength};
    const double along = up[0] * x[0] + up[1] * x[1] + up[2] * x[2];
    double z[3] = {up[0] - along * x[0], up[1] - along * x[1], up[2] - along * x[2]};
    const double upLength = length(z);
    const double upGiven = length(up);
    if (!(upLength > 1e-9 * upGiven) || !std::isfinite(upLength)) return false;
    for (double& c : z) c /= upLength;
    // The camera frame is right-handed: look x left = up, so left = up x look.
    const double y[3] = {z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2], z[0] * x[1] - z[1] * x[0]};
    const double R[9] = {x[0], y[0], z[0],  //
                         x[1], y[1], z[1],  //
                         x[2], y[2], z[2]};
    MatrixToQuaternion(R, camera.orientation);
    QuaternionToMatrix(camera.orientation, camera.rotation);
    UpdateEye(camera);
    return true;
}

void InitOrbitCamera(OrbitCamera& camera)
{
    const double angles[3] = {0.0, kQuarterPi, 0.0};
    EulerToQuaternion(angles, camera.orientation);
    QuaternionToMatrix(camera.orientation, camera.rotation);
    camera.distance = 150.0;
    camera.target[0] = camera.target[1] = camera.target[2] = 0.0;
    UpdateEye(camera);
    camera.leftDrag = camera.rightDrag = false;
    camera.fovY = 30.0;
}

void RotateCameraLocal(double ax, double ay, double az, OrbitCamera& camera)
{
    const double local[3] = {ax * kDegreesToRadians, ay * kDegreesToRadians, az * kDegreesToRadians};
    double omega[3];
    MatVecMul(3, omega, camera.rotation, 3, local);
    RotationStep(omega, camera);
}

void RotateCameraWorld(double ax, double ay, double az, OrbitCamera& camera)
{
    const double omega[3] = {ax * kDegreesToRadians, ay * kDegreesToRadians, az * kDegreesToRadians};
    RotationStep(omega, camera);
    UpdateEye(camera);
}

void SetCameraTarget(OrbitCamera& camera, const double point[3])
{
    const double p[3] = {point[0], point[1], point[2]};  // point may be camera.target
    for (int i = 0; i < 3; ++i) camera.target[i] = p[i];
    UpdateEye(camera);
}

void SetCameraDistance(double d, OrbitCamera& camera)
{
    camera.distance = d;
    UpdateEye(camera);
}

void ComputeLookAt(OrbitCamera& camera)
{
    const double ahead[3] = {camera.distance, 0.0, 0.0};
    const double up[3] = {0.0, 0.0, 1.0};
    double offset[3];
    MatVecMul(3, offset, camera.rotation, 3, ahead);
    for (int i = 0; i < 3; ++i) {
        camera.lookEye[i] = camera.eye[i];
        camera.lookCenter[i] = camera.eye[i] + offset[i];
    }
    MatVecMul(3, camera.lookUp, camera.rotation, 3, up);
}

int CameraMouseEvent(const CameraInput& input, OrbitCamera& camera)
{
    switch (input.type) {
    case kLeftPress:
        camera.lastX = input.x;
        camera.lastY = input.y;
        camera.leftDrag = true;
        return 1;
    case kRightPress:
        camera.lastX = input.x;
        camera.lastY = input.y;
        camera.rightDrag = true;
        return 1;
    case kLeftRelease:
        camera.leftDrag = false;
        return 0;
    case kRightRelease:
        camera.rightDrag = false;
        return 0;
    case kMouseMove:
        break;
    default:
        return 0;
    }
    // The gains divide by the client height; a window with no height has no
    // sensible gain, so its moves only update the last position.
    const double h = static_cast<double>(input.bottom) - static_cast<double>(input.top);
    if (camera.leftDrag) {
        const double dx = static_cast<double>(input.x) - camera.lastX;
        const double dy = static_cast<double>(input.y) - camera.lastY;
        camera.lastX = input.x;
        camera.lastY = input.y;
        if (h > 0) {
            RotateCameraLocal(0.0, dy * camera.fovY / h, -dx * camera.fovY / h, camera);
            SetCameraTarget(camera, camera.target);
        }
    }
    if (camera.rightDrag) {
        const double dx = static_cast<double>(input.x) - camera.lastX;
        const double dy = static_cast<double>(input.y) - camera.lastY;
        camera.lastX = input.x;
        camera.lastY = input.y;
        if (h > 0) {
            RotateCameraLocal(-dx * camera.fovY / h, 0.0, 0.0, camera);
            camera.distance -= kZoomPerHeight * dy / h;
            if (camera.distance < kMinDistance) camera.distance = kMinDistance;
            SetCameraTarget(camera, camera.target);
        }
    }
    return 0;
}

}  // namespace oxv
