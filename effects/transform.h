// The 3D transform pass: once per frame it turns every listed object's accumulated keyframe
// increments into its matrices, keeps the objects inside the camera's view cone, carries their
// vertices (and second-array vectors) through object, camera and projection matrices into int32
// coordinates, divides by depth onto the 320 x 200 picture and gathers their faces for drawing.
// All matrix and vertex arithmetic is float64; results are stored as int32 rounded to nearest,
// ties to even. Screen x grows to the right, y downward, like model y.
#pragma once

#include <cstdint>

#include "effects/objects.h"

namespace qx {

inline constexpr uint32_t kVisibleListCapacity = kObjectListCapacity - 1;  // the camera is never
inline constexpr double kRadiansPerDegree = 0.017453292519943295;

struct TransformState {
    Matrix projectionMatrix = {};  // built by SetUpProjection
    uint32_t visibleCount = 0;
    ObjectRecord* visibleList[kVisibleListCapacity] = {};  // rebuilt every frame
};
extern TransformState transformState;

// a := a x b, row by row in place.
void MultiplyMatrix(Matrix& a, const Matrix& b);
// out[j] = x m[0][j] + y m[1][j] + z m[2][j] + m[3][j] for j = 0, 1, 2; column 3 is ignored.
void TransformVertices(const Matrix& m, const MeshVertex* source, MeshVertex* destination,
                       uint32_t count);

Matrix RotationAboutX(double degrees);
Matrix RotationAboutY(double degrees);
Matrix RotationAboutZ(double degrees);
Matrix Translation(double x, double y, double z);

// The identity with [0][0] = [1][1] = cos 60 / sin 60, [2][2] = 710 / 690, [2][3] = -1 and
// [3][2] = 14000 / 690 (near plane 10, far plane 700).
void SetUpProjection();
// The whole pass over the object list: face list emptied, matrices of every listed object
// updated, visible objects transformed, projected and their faces gathered.
void TransformObjects();
// The listed objects (entry 0 excepted) whose visible flag is 1 and whose origin lies within
// about 60 degrees of the camera's look point: 500 <= 1000 cos(angle) <= 1000.
void SelectVisibleObjects();
// Each transformed vertex (x, y, z): x := x f / d + 160, y := y f / d + 100 with f the focal
// length and d = z (1 when z is 0); 64-bit products, quotients truncated toward zero.
void ProjectVertices(ObjectRecord& object);

}  // namespace qx
