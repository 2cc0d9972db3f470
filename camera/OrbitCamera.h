#pragma once

// The orbit camera: a target, a distance and a unit quaternion, turned by
// the mouse in small first-order steps. Plain arithmetic, no drawing library.

#include <cstdint>

namespace oxv {

// World frame: x east, y north, z up, metres. Camera frame: +x is the viewing
// direction, +z the camera's up, +y the left of the picture.
struct OrbitCamera {
    double fovY = 30.0;      // vertical field of view, degrees; also the mouse gain
    double distance = 150.0; // eye to target, metres
    double eye[3] = {0, 0, 0};
    double rotation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};  // row-major; column 0 looks, column 2 is up
    // The look-at block: nine contiguous doubles, filled once per frame by
    // ComputeLookAt (or by the first-person camera instead).
    double lookEye[3] = {0, 0, 0};
    double lookCenter[3] = {0, 0, 0};
    double lookUp[3] = {0, 0, 0};
    double target[3] = {0, 0, 0};
    double orientation[4] = {1, 0, 0, 0};  // w, x, y, z
    bool rightDrag = false;
    bool leftDrag = false;
    int32_t lastX = 0;
    int32_t lastY = 0;
};

enum CameraEventType : int32_t {
    kLeftPress = 1,
    kRightPress = 2,
    kLeftRelease = 3,
    kRightRelease = 4,
    kMouseMove = 5,
};

// A mouse event as the camera sees it: client rectangle and point in client
// pixels, y downwards.
struct CameraInput {
    int32_t type = 0;
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t x = 0;
    int32_t y = 0;
};

void InitOrbitCamera(OrbitCamera& camera);
// Turns about the camera's own axes (degrees); `eye` is left to the caller.
void RotateCameraLocal(double ax, double ay, double az, OrbitCamera& camera);
// Turns about the world axes (degrees); `eye` follows.
void RotateCameraWorld(double ax, double ay, double az, OrbitCamera& camera);
// `point` may be the camera's own `target`.
void SetCameraTarget(OrbitCamera& camera, const double point[3]);
void SetCameraDistance(double d, OrbitCamera& camera);
void ComputeLookAt(OrbitCamera& camera);
// Drag state machine: 1 after a press (the view redraws), 0 otherwise.
int CameraMouseEvent(const CameraInput& input, OrbitCamera& camera);

// out = matrix (rows x cols, row-major) * vector.
void MatVecMul(int rows, double* out, const double* matrix, int cols, const double* vector);
// 1 if normalised, 0 (q untouched) if its norm is not positive.
int NormalizeQuaternion(double q[4]);
void QuaternionToMatrix(const double q[4], double R[9]);
// Angles in radians about x, y, z; q = qz * qy * qx.
void EulerToQuaternion(const double angles[3], double q[4]);
// The unit quaternion of a rotation matrix (row-major, orthonormal, det +1):
// QuaternionToMatrix gives R back.
void MatrixToQuaternion(const double R[9], double q[4]);
// Turns the camera to look along `look` with `up` as the picture's up (both
// in the world frame; `up` need only not be parallel to `look`, its part
// along `look` is dropped); target and distance are kept and the eye
// follows. False, and nothing changes, when either is zero or they are
// parallel.
[[nodiscard]] bool SetCameraAxes(OrbitCamera& camera, const double look[3], const double up[3]);

}  // namespace oxv
