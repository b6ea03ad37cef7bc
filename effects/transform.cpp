#include "effects/transform.h"

#include <cmath>

#include "effects/face_list.h"

namespace qx {

TransformState transformState;

namespace {

constexpr double kFieldOfViewDegrees = 60;
constexpr double kNearPlane = 10;
constexpr double kFarPlane = 700;
constexpr int64_t kScreenCentreX = 160;
constexpr int64_t kScreenCentreY = 100;
constexpr double kConeScale = 1000;  // the cone value is 1000 x the cosine
constexpr double kConeLowest = 500;  // cos 60 degrees
constexpr MeshVertex kObjectOrigin = {0, 0, 0};

// Nearest, ties to even (the default rounding mode); lrint has a defined result for any input.
int32_t RoundToInt32(double value) { return static_cast<int32_t>(std::lrint(value)); }

// sqrt(x^2 + y^2 + z^2) with the sum formed as a wrapping 32-bit signed integer and taken as 1
// when it is 0; a sum that wraps negative gives NaN, which no cone test accepts.
double VectorLength(const MeshVertex& v) {
    const auto square = [](int32_t c) {
        return static_cast<uint32_t>(c) * static_cast<uint32_t>(c);
    };
    int32_t sum = static_cast<int32_t>(square(v.x) + square(v.y) + square(v.z));
    if (sum == 0) sum = 1;
    return std::sqrt(static_cast<double>(sum));
}

// The identity turned in the plane of axes i and j: [i][i] = [j][j] = cos, [i][j] = sin,
// [j][i] = -sin.
Matrix PlaneRotation(double degrees, uint32_t i, uint32_t j) {
    const double radians = degrees * kRadiansPerDegree;
    Matrix m = kIdentityMatrix;
    m[4 * i + i] = m[4 * j + j] = std::cos(radians);
    m[4 * i + j] = std::sin(radians);
    m[4 * j + i] = -std::sin(radians);
    return m;
}

// Turns the accumulated increments of the frame into the object's base and work matrices.
void UpdateMatrices(ObjectRecord& object) {
    double rotation[3] = {0, 0, 0}, translation[3] = {0, 0, 0};
    if (object.state == kAnimating) {
        for (uint32_t axis = 0; axis < 3; ++axis) {
            rotation[axis] = object.accumulatingTracks[axis].accumulator;
            translation[axis] = object.accumulatingTracks[3 + axis].accumulator;
        }
        for (AccumulatingTrack& track : object.accumulatingTracks) track.accumulator = 0;
        object.visible = object.directTracks[kVisibleTrack - kAccumulatingTracks].currentDelta;
    }
    MultiplyMatrix(object.baseMatrix, Translation(translation[0], translation[1], translation[2]));
    MultiplyMatrix(object.baseMatrix, RotationAboutZ(rotation[2]));
    MultiplyMatrix(object.baseMatrix, RotationAboutX(rotation[0]));
    MultiplyMatrix(object.baseMatrix, RotationAboutY(rotation[1]));
    object.workMatrix = object.baseMatrix;
    object.workMatrix[12] += object.positionX;
    object.workMatrix[13] += object.positionY;
    object.workMatrix[14] += object.positionZ;
}

void TransformVisibleObject(ObjectRecord& object, const Matrix& view) {
    MultiplyMatrix(object.workMatrix, view);
    MultiplyMatrix(object.workMatrix, transformState.projectionMatrix);
    const auto count = static_cast<uint32_t>(object.vertexCount);
    const MeshVertex* vertices = ImageArray<const MeshVertex>(object.vertexArray);
    MeshVertex* transformed = ImageArray<MeshVertex>(object.transformedVertices);
    if (vertices != nullptr && transformed != nullptr)
        TransformVertices(object.workMatrix, vertices, transformed, count);
    const MeshVertex* second = ImageArray<const MeshVertex>(object.secondArray);
    MeshVertex* transformedSecond = ImageArray<MeshVertex>(object.transformedSecondArray);
    if (object.hasSecondArray == 1 && second != nullptr && transformedSecond != nullptr)
        TransformVertices(object.workMatrix, second, transformedSecond, count);
}

}  // namespace

void MultiplyMatrix(Matrix& a, const Matrix& b) {
    for (uint32_t row = 0; row < 4; ++row) {
        const double r0 = a[4 * row], r1 = a[4 * row + 1], r2 = a[4 * row + 2], r3 = a[4 * row + 3];
        for (uint32_t column = 0; column < 4; ++column)
            a[4 * row + column] =
                r0 * b[column] + r1 * b[4 + column] + r2 * b[8 + column] + r3 * b[12 + column];
    }
}

void TransformVertices(const Matrix& m, const MeshVertex* source, MeshVertex* destination,
                       uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        const double x = source[i].x, y = source[i].y, z = source[i].z;
        destination[i] = {RoundToInt32(x * m[0] + y * m[4] + z * m[8] + m[12]),
                          RoundToInt32(x * m[1] + y * m[5] + z * m[9] + m[13]),
                          RoundToInt32(x * m[2] + y * m[6] + z * m[10] + m[14])};
    }
}

Matrix RotationAboutX(double degrees) { return PlaneRotation(degrees, 1, 2); }
Matrix RotationAboutY(double degrees) { return PlaneRotation(degrees, 2, 0); }
Matrix RotationAboutZ(double degrees) { return PlaneRotation(degrees, 0, 1); }

Matrix Translation(double x, double y, double z) {
    Matrix m = kIdentityMatrix;
    m[12] = x, m[13] = y, m[14] = z;
    return m;
}

void SetUpProjection() {
    Matrix& p = transformState.projectionMatrix;
    p = kIdentityMatrix;
    p[11] = -1;
    const double halfAngle = kFieldOfViewDegrees * kRadiansPerDegree;
    p[0] = p[5] = std::cos(halfAngle) / std::sin(halfAngle);
    p[10] = (kFarPlane + kNearPlane) / (kFarPlane - kNearPlane);
    p[14] = 2 * kFarPlane * kNearPlane / (kFarPlane - kNearPlane);
}

void SelectVisibleObjects() {
    transformState.visibleCount = 0;
    const uint32_t listed = ListedObjectCount();
    if (listed == 0) return;
    const ObjectRecord& camera = *objectState.objectList.objects[0];
    const MeshVertex* lookPoint = ImageArray<const MeshVertex>(camera.vertexArray);
    if (lookPoint == nullptr) return;
    MeshVertex look;
    TransformVertices(camera.workMatrix, lookPoint, &look, 1);
    const double lookLength = VectorLength(look);
    for (uint32_t i = 1; i < listed; ++i) {
        ObjectRecord* object = objectState.objectList.objects[i];
        if (object->visible != 1) continue;
        MeshVertex origin;
        TransformVertices(object->workMatrix, &kObjectOrigin, &origin, 1);
        const double dot = static_cast<double>(look.x) * origin.x +
                           static_cast<double>(look.y) * origin.y +
                           static_cast<double>(look.z) * origin.z;
        const double cone = std::nearbyint(kConeScale * dot / (lookLength * VectorLength(origin)));
        if (cone >= kConeLowest && cone <= kConeScale)
            transformState.visibleList[transformState.visibleCount++] = object;
    }
}

void ProjectVertices(ObjectRecord& object) {
    MeshVertex* vertices = ImageArray<MeshVertex>(object.transformedVertices);
    if (vertices == nullptr) return;
    const int64_t focalLength = object.focalLength;
    for (int32_t i = 0; i < object.vertexCount; ++i) {
        MeshVertex& v = vertices[i];
        const int64_t depth = v.z == 0 ? 1 : v.z;
        v.x = static_cast<int32_t>(v.x * focalLength / depth + kScreenCentreX);
        v.y = static_cast<int32_t>(v.y * focalLength / depth + kScreenCentreY);
    }
}

void TransformObjects() {
    EmptyFaceList();
    const uint32_t listed = ListedObjectCount();
    for (uint32_t i = 0; i < listed; ++i) UpdateMatrices(*objectState.objectList.objects[i]);
    SelectVisibleObjects();
    if (transformState.visibleCount == 0) return;
    const Matrix view = objectState.objectList.objects[0]->workMatrix;
    for (uint32_t i = 0; i < transformState.visibleCount; ++i)
        TransformVisibleObject(*transformState.visibleList[i], view);
    for (uint32_t i = 0; i < transformState.visibleCount; ++i)
        ProjectVertices(*transformState.visibleList[i]);
    for (uint32_t i = 0; i < transformState.visibleCount; ++i)
        GatherFaces(*transformState.visibleList[i]);
}

}  // namespace qx
