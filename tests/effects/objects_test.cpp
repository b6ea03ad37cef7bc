#include "effects/objects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "effects/object_test_image.h"

namespace qx {
namespace {

using test::MeshOf;
using test::PlanOf;
using test::TestImage;

class AnimationTest : public test::ObjectTest {
protected:
    // An object with lastKey + 1 keys per track, all still; the test sets the tracks it needs.
    static ObjectPlan Animated(uint32_t keyCount, int32_t loop = 1) {
        ObjectPlan plan = PlanOf(MeshOf({{0, 0, 0}}, {}), kModePoints, 0);
        plan.tracks = StillTracks(keyCount);
        plan.loop = loop;
        return plan;
    }
    // Position x after each of `steps` animation steps of object 1.
    static std::vector<int32_t> PositionSteps(ObjectRecord& object, int steps) {
        std::vector<int32_t> deltas;
        for (int i = 0; i < steps; ++i) {
            const int32_t before = object.positionX;
            AdvanceObjects();
            deltas.push_back(object.positionX - before);
        }
        return deltas;
    }
};

TEST_F(AnimationTest, FirstKeyRunsOneStepShortThenEveryKeyItsFullDuration) {
    ObjectPlan plan = Animated(2);
    plan.tracks[kPositionTrackX] = {{IntegerDelta(1), 3}, {IntegerDelta(10), 2}};
    plan.tracks[0] = {{FloatDelta(0.5f), 3}, {FloatDelta(2.5f), 2}};
    plan.tracks[kVisibleTrack] = {{IntegerDelta(1), 5}, {IntegerDelta(0), 5}};
    TestImage image({plan});
    ObjectRecord& object = *image.Object(1);
    SetObjectList({image.Object(0), &object});
    SetUpObjects();

    std::vector<int32_t> positions, visible;
    std::vector<float> rotations;
    for (int i = 0; i < 10; ++i) {
        const int32_t before = object.positionX;
        AdvanceObjects();
        positions.push_back(object.positionX - before);
        rotations.push_back(object.accumulatingTracks[0].accumulator);
        object.accumulatingTracks[0].accumulator = 0;  // as the transform pass does
        visible.push_back(object.visible);
    }
    EXPECT_EQ(positions, (std::vector<int32_t>{1, 1, 10, 10, 1, 1, 1, 10, 10, 1}));
    EXPECT_EQ(rotations,
              (std::vector<float>{0.5f, 0.5f, 2.5f, 2.5f, 0.5f, 0.5f, 0.5f, 2.5f, 2.5f, 0.5f}));
    // The visible track is copied, not summed: 4 steps visible, then 5 not.
    EXPECT_EQ(visible, (std::vector<int32_t>{1, 1, 1, 1, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(object.state, kAnimating);
}

TEST_F(AnimationTest, NonLoopingObjectFinishesTheStepItWrapsInThenFreezes) {
    ObjectPlan plan = Animated(2, /*loop=*/0);
    plan.tracks[kPositionTrackX] = {{IntegerDelta(5), 2}, {IntegerDelta(7), 1}};
    plan.tracks[kPositionTrackX + 2] = {{IntegerDelta(3), kKeyForEver}, {IntegerDelta(3), 1}};
    TestImage image({plan});
    ObjectRecord& object = *image.Object(1);
    SetObjectList({image.Object(0), &object});
    SetUpObjects();

    // Step 3 wraps track 6 to key 0: the object stops, yet that track and the later ones still
    // apply their deltas in that step.
    EXPECT_EQ(PositionSteps(object, 5), (std::vector<int32_t>{5, 7, 5, 0, 0}));
    EXPECT_EQ(object.state, 0);
    EXPECT_EQ(object.positionZ, 9);
    EXPECT_EQ(object.directTracks[0].keyIndex, 0);
}

TEST_F(AnimationTest, SetUpLoadsKeyZeroButKeepsIndexPositionStateAndAccumulators) {
    ObjectPlan plan = Animated(6);
    for (int32_t k = 0; k < 6; ++k) plan.tracks[kPositionTrackX][k] = {IntegerDelta(100 + k), 2};
    TestImage image({plan});
    ObjectRecord& object = *image.Object(1);
    object.directTracks[0].keyIndex = 3;
    object.positionX = 40;
    object.state = 0;
    object.accumulatingTracks[2].accumulator = 1.5f;
    object.baseMatrix[3] = 7;
    SetObjectList({image.Object(0), &object});
    SetUpObjects();

    EXPECT_EQ(object.directTracks[0].keyIndex, 3);
    EXPECT_EQ(object.directTracks[0].currentDelta, 100);
    EXPECT_EQ(object.directTracks[0].countdown, 2u);
    EXPECT_EQ(object.positionX, 40);
    EXPECT_EQ(object.state, 0);
    EXPECT_EQ(object.accumulatingTracks[2].accumulator, 1.5f);
    EXPECT_EQ(object.baseMatrix, kIdentityMatrix);

    AdvanceObjects();  // stopped objects do not animate
    EXPECT_EQ(object.positionX, 40);
    object.state = kAnimating;
    EXPECT_EQ(PositionSteps(object, 3), (std::vector<int32_t>{100, 104, 104}));
}

TEST_F(AnimationTest, WalkersNeverReadPastTheListsCapacity) {
    ObjectPlan plan = Animated(1);
    plan.tracks[kPositionTrackX][0].delta = IntegerDelta(1);
    plan.positionZ = 4000;
    TestImage image({plan});
    SetObjectList({image.Object(0), image.Object(1), image.Object(1)});
    EXPECT_EQ(ListedObjectCount(), 3u);

    ObjectList& list = objectState.objectList;
    std::fill(std::begin(list.objects) + 1, std::end(list.objects), image.Object(1));
    list.count = 1000;
    EXPECT_EQ(ListedObjectCount(), kObjectListCapacity);
    SetUpObjects();
    AdvanceObjects();  // the same object listed 64 times steps 64 times
    EXPECT_EQ(image.Object(1)->positionX, 64);
    TransformObjects();
    EXPECT_EQ(transformState.visibleCount, kVisibleListCapacity);
    list.count = -4;
    EXPECT_EQ(ListedObjectCount(), 0u);
}

}  // namespace
}  // namespace qx
