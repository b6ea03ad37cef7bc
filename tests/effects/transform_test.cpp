#include "effects/transform.h"

#include <gtest/gtest.h>

#include <vector>

#include "effects/object_test_image.h"

namespace qx {
namespace {

using test::MeshOf;
using test::PlanOf;
using test::TestImage;

MeshVertex Transformed(const Matrix& m, MeshVertex v) {
    MeshVertex out;
    TransformVertices(m, &v, &out, 1);
    return out;
}

using TransformTest = test::ObjectTest;

TEST_F(TransformTest, MatricesFollowTheRowVectorConventionAndRoundTiesToEven) {
    EXPECT_EQ(Transformed(RotationAboutZ(90), {1000, 0, 0}), (MeshVertex{0, 1000, 0}));
    EXPECT_EQ(Transformed(RotationAboutX(90), {0, 1000, 0}), (MeshVertex{0, 0, 1000}));
    EXPECT_EQ(Transformed(RotationAboutY(90), {0, 0, 1000}), (MeshVertex{1000, 0, 0}));
    EXPECT_EQ(Transformed(Translation(5, -6, 7), {1, 2, 3}), (MeshVertex{6, -4, 10}));

    Matrix half = kIdentityMatrix;
    half[0] = half[5] = half[10] = 0.5;
    half[3] = half[7] = half[11] = half[15] = 99;  // column 3 is ignored
    EXPECT_EQ(Transformed(half, {1, 3, 5}), (MeshVertex{0, 2, 2}));
    EXPECT_EQ(Transformed(half, {-1, -3, 7}), (MeshVertex{0, -2, 4}));

    Matrix product = RotationAboutZ(90);
    MultiplyMatrix(product, Translation(10, 20, 30));
    EXPECT_EQ(Transformed(product, {1, 0, 0}), (MeshVertex{10, 21, 30}));
}

TEST_F(TransformTest, ProjectsTheModelPointOntoThePicture) {
    TestImage image({PlanOf(MeshOf({{100, 0, 0}}, {}), kModeGlass, 4000)});
    ObjectRecord& object = *image.Object(1);
    SetObjectList({image.Object(0), &object});
    SetUpObjects();
    TransformObjects();
    // (100 x 0.57735, 0, 4000 x 710 / 690 + 20.29) = (58, 0, 4136), then 58 x 1024 / 4136 + 160.
    EXPECT_EQ(Transformed(object.workMatrix, {100, 0, 0}), (MeshVertex{58, 0, 4136}));
    EXPECT_EQ(ImageArray<MeshVertex>(object.transformedVertices)[0], (MeshVertex{174, 100, 4136}));
    EXPECT_NEAR(transformState.projectionMatrix[0], 0.57735, 1e-5);
    EXPECT_EQ(transformState.projectionMatrix[11], -1);
}

TEST_F(TransformTest, DepthZeroIsDividedByOneAndQuotientsTruncate) {
    TestImage image({PlanOf(MeshOf({{0, 0, 0}, {0, 0, 0}}, {}))});
    ObjectRecord& object = *image.Object(1);
    MeshVertex* out = ImageArray<MeshVertex>(object.transformedVertices);
    out[0] = {3, -2, 0};
    out[1] = {-7, 7, 2048};
    ProjectVertices(object);
    EXPECT_EQ(out[0], (MeshVertex{3 * 1024 + 160, -2 * 1024 + 100, 0}));
    EXPECT_EQ(out[1], (MeshVertex{-3 + 160, 3 + 100, 2048}));  // -3.5 and 3.5 toward zero
}

TEST_F(TransformTest, ViewConeKeepsObjectsWithinSixtyDegreesOfTheLookPoint) {
    // On the axis: 1000. At 60 degrees: 500. At 61: 485. At 90: 0. Behind: -1000.
    const std::vector<std::array<int32_t, 3>> origins = {
        {0, 0, 4000}, {1732, 0, 1000}, {1804, 0, 1000}, {4000, 0, 0}, {0, 0, -4000}, {0, 0, 0}};
    std::vector<ObjectPlan> plans;
    for (const auto& [x, y, z] : origins) {
        ObjectPlan plan = PlanOf(MeshOf({{0, 0, 0}}, {}), kModeGlass, z);
        plan.positionX = x;
        plan.positionY = y;
        plans.push_back(plan);
    }
    ObjectPlan hidden = PlanOf(MeshOf({{0, 0, 0}}, {}), kModeGlass, 4000);
    hidden.tracks[kVisibleTrack][0].delta = IntegerDelta(0);
    plans.push_back(hidden);
    TestImage image(plans);
    SetObjectList({image.Object(0), image.Object(1), image.Object(2), image.Object(3),
                   image.Object(4), image.Object(5), image.Object(6), image.Object(7)});
    SetUpObjects();
    TransformObjects();
    ASSERT_EQ(transformState.visibleCount, 2u);
    EXPECT_EQ(transformState.visibleList[0], image.Object(1));
    EXPECT_EQ(transformState.visibleList[1], image.Object(2));
    // Invisible or outside, an object's matrices still follow its position.
    EXPECT_EQ(image.Object(4)->workMatrix[12], 4000);
}

TEST_F(TransformTest, IncrementsTurnTheBaseMatrixInOrderZThenXThenY) {
    ObjectPlan turning = PlanOf(MeshOf({{0, 0, 0}}, {}));
    turning.tracks[0][0].delta = FloatDelta(90);
    turning.tracks[1][0].delta = FloatDelta(90);
    ObjectPlan still = PlanOf(MeshOf({{0, 0, 0}}, {}));
    TestImage image({turning, still});
    ObjectRecord& turner = *image.Object(1);
    ObjectRecord& idle = *image.Object(2);
    SetObjectList({image.Object(0), &turner, &idle});
    SetUpObjects();
    for (int frame = 0; frame < 3; ++frame) {
        TransformObjects();
        AdvanceObjects();
    }
    // The second and third passes each apply 90 degrees about x, then 90 about y: x takes
    // (0, 1000, 0) to (0, 0, 1000), y takes that to (1000, 0, 0).
    Matrix once = kIdentityMatrix;
    MultiplyMatrix(once, RotationAboutX(90));
    MultiplyMatrix(once, RotationAboutY(90));
    Matrix twice = once;
    MultiplyMatrix(twice, once);
    EXPECT_EQ(Transformed(once, {0, 1000, 0}), (MeshVertex{1000, 0, 0}));
    EXPECT_EQ(Transformed(turner.baseMatrix, {0, 1000, 0}), Transformed(twice, {0, 1000, 0}));
    EXPECT_EQ(turner.accumulatingTracks[0].accumulator, 90.0f);  // the step after the last pass
    EXPECT_EQ(idle.baseMatrix, kIdentityMatrix);                 // no increments, no change

    turner.state = 0;  // a stopped object turns no further and keeps its accumulators
    const Matrix before = turner.baseMatrix;
    TransformObjects();
    EXPECT_EQ(turner.baseMatrix, before);
    EXPECT_EQ(turner.accumulatingTracks[0].accumulator, 90.0f);
}

}  // namespace
}  // namespace qx
