#include "effects/face_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "archive/asset_catalogue.h"
#include "effects/film_grain.h"
#include "effects/guarded_picture.h"
#include "effects/object_test_image.h"
#include "effects/rasterisers.h"

namespace qx {
namespace {

using test::GuardedPicture;
using test::MeshOf;
using test::PlanOf;
using test::TestImage;

constexpr uint32_t kFlareEntry = 6, kTexture2Entry = 14, kTexture3Entry = 15;

uint32_t TexelAt(uint32_t row, uint32_t column) { return 0x00800000 | (row << 8) | column; }

class FaceListTest : public test::ObjectTest {
protected:
    void SetUp() override {
        ObjectTest::SetUp();
        for (uint32_t i = 0; i < kTextureTexels; ++i)
            assetBuffers.texture2[i] = assetBuffers.texture3[i] = TexelAt(i >> 8, i & 0xFF);
        std::fill(std::begin(assetBuffers.flare), std::end(assetBuffers.flare), 0x00010203);
        rasteriserState.renderTarget = picture.Pixels();
    }
    void TearDown() override {
        std::fill(std::begin(assetBuffers.texture2), std::end(assetBuffers.texture2), 0);
        std::fill(std::begin(assetBuffers.texture3), std::end(assetBuffers.texture3), 0);
        std::fill(std::begin(assetBuffers.flare), std::end(assetBuffers.flare), 0);
        rasteriserState = {};
        ObjectTest::TearDown();
    }
    // Places the object's transformed (projected) vertices directly.
    static void SetScreen(ObjectRecord& object, const std::vector<MeshVertex>& screen) {
        std::copy(screen.begin(), screen.end(), ImageArray<MeshVertex>(object.transformedVertices));
    }
    static void SetDepths(const std::vector<int32_t>& depths) {
        faceListState.faceCount = static_cast<uint32_t>(depths.size());
        for (size_t i = 0; i < depths.size(); ++i) faceListState.faceList[i].depth = depths[i];
    }
    static std::vector<uint32_t> SortedOrder() {
        SortFaceList();
        return {faceListState.sortOrder, faceListState.sortOrder + faceListState.sortedCount};
    }
    static bool BucketsEmpty() {
        return std::all_of(std::begin(sortBuckets), std::end(sortBuckets),
                           [](const SortBucket& b) { return b.count == 0; });
    }
    uint32_t& At(int x, int y) { return picture.Pixels()[y * 320 + x]; }

    GuardedPicture picture;
};

TEST_F(FaceListTest, BackFacesAreDroppedExceptForSprites) {
    const auto triangle = MeshOf({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{0, 1, 2}, {0, 2, 1}});
    TestImage image({PlanOf(triangle, kModeGlass), PlanOf(triangle, kModeSprites)});
    for (uint32_t index : {1u, 2u})
        SetScreen(*image.Object(index), {{0, 0, 100}, {10, 0, 101}, {0, 10, 103}});

    // a, b, c: e1 = (0 - 10)(10 - 0) = -100 < e2 = (0 - 10)(0 - 0) = 0, kept; a, c, b dropped.
    GatherFaces(*image.Object(1));
    ASSERT_EQ(faceListState.faceCount, 1u);
    EXPECT_EQ(faceListState.faceList[0].face,
              ImageArray<const MeshFace>(image.Object(1)->faceArray));
    EXPECT_EQ(faceListState.faceList[0].object, image.Object(1));
    EXPECT_EQ(faceListState.faceList[0].depth, 101);  // 304 / 3

    GatherFaces(*image.Object(2));
    EXPECT_EQ(faceListState.faceCount, 3u);

    SetScreen(*image.Object(1), {{0, 0, -1}, {10, 0, -1}, {0, 10, -2}});
    EmptyFaceList();
    GatherFaces(*image.Object(1));
    EXPECT_EQ(faceListState.faceList[0].depth, -1);  // -4 / 3 toward zero
}

TEST_F(FaceListTest, SortDrawsFarFirstWithLowByteZeroAheadAndKeepsTies) {
    SetDepths({300, 5000, 4000});
    EXPECT_EQ(SortedOrder(), (std::vector<uint32_t>{1, 2, 0}));
    SetDepths({4351, 4096});
    EXPECT_EQ(SortedOrder(), (std::vector<uint32_t>{1, 0}));
    SetDepths({700, 300, 700, 300, 700, 12000});
    EXPECT_EQ(SortedOrder(), (std::vector<uint32_t>{5, 0, 2, 4, 1, 3}));
    SetDepths({700, 5});  // a high byte of 0 sorts as if farthest
    EXPECT_EQ(SortedOrder(), (std::vector<uint32_t>{1, 0}));
    EXPECT_TRUE(BucketsEmpty());
}

TEST_F(FaceListTest, FacesPastTheLimitsAreDroppedNotWrittenPastTheBuffers) {
    constexpr uint32_t kFaces = kFaceListCapacity + 100;
    std::vector<std::array<uint32_t, 3>> faces(kFaces, {0, 1, 2});
    TestImage image({PlanOf(MeshOf({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, faces))});
    SetScreen(*image.Object(1), {{0, 0, 500}, {10, 0, 500}, {0, 10, 500}});
    GatherFaces(*image.Object(1));
    GatherFaces(*image.Object(1));
    EXPECT_EQ(faceListState.faceCount, kFaceListCapacity);

    // One depth for all: every face falls into one bucket in both passes.
    const std::vector<uint32_t> order = SortedOrder();
    std::vector<uint32_t> first(kSortBucketCapacity);
    std::iota(first.begin(), first.end(), 0);
    EXPECT_EQ(order, first);
    EXPECT_TRUE(BucketsEmpty());
}

// A sort leaves its counts at 0 but its entries behind; clearing zeroes the whole bucket area,
// whatever a bucket holds.
TEST_F(FaceListTest, ClearingZeroesEveryBucketASortOrAWriteLeftBehind) {
    SetDepths({0x0101, 0x0302, 0x0302, 0x7F05});
    SortedOrder();
    EXPECT_TRUE(BucketsEmpty());
    sortBuckets[255].count = 3;
    sortBuckets[17].entries[kSortBucketCapacity - 1] = 9;
    ClearSortBuckets();
    const auto* bytes = reinterpret_cast<const uint8_t*>(sortBuckets);
    EXPECT_TRUE(std::all_of(bytes, bytes + sizeof sortBuckets, [](uint8_t b) { return b == 0; }));
}

TEST_F(FaceListTest, EmptyListDrawsNothingAndLeavesBucketsAndRandomAlone) {
    sortBuckets[9].count = 1;
    randomState.state = 77;
    DrawFaceList();
    EXPECT_FALSE(picture.AnyPixelChanged());
    EXPECT_EQ(sortBuckets[9].count, 1u);
    EXPECT_EQ(randomState.state, 77u);
    sortBuckets[9].count = 0;
}

TEST_F(FaceListTest, EachModeDrawsWithItsRasteriserAndCoordinates) {
    const std::vector<std::array<uint32_t, 3>> one = {{0, 1, 2}};
    const std::vector<MeshVertex> triangle = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    ObjectPlan glass = PlanOf(MeshOf(triangle, one), kModeGlass);
    ObjectPlan environment =
        PlanOf(MeshOf(triangle, one, {{5, -3, 0}, {5, -3, 0}, {5, -3, 0}}), kModeEnvironment);
    environment.hasSecondArray = 1;
    environment.textureEntry = kTexture2Entry;
    ObjectPlan fixed =
        PlanOf(MeshOf(triangle, one, {{-3, 5, 9}, {-3, 5, 9}, {-3, 5, 9}}), kModeTexturedFixed);
    fixed.textureEntry = kTexture3Entry;
    ObjectPlan sprites = PlanOf(MeshOf(triangle, one), kModeSprites);
    sprites.textureEntry = kFlareEntry;
    ObjectPlan points = PlanOf(MeshOf(triangle, one), kModePoints);
    TestImage image({glass, environment, fixed, sprites, points});

    SetScreen(*image.Object(1), {{10, 10, 500}, {60, 10, 500}, {10, 60, 500}});
    SetScreen(*image.Object(2), {{100, 10, 500}, {150, 10, 500}, {100, 60, 500}});
    SetScreen(*image.Object(3), {{100, 100, 500}, {150, 100, 500}, {100, 150, 500}});
    SetScreen(*image.Object(4), {{250, 150, 500}, {0, 0, 500}, {0, 0, 500}});
    SetScreen(*image.Object(5), {{200, 10, 500}, {250, 10, 500}, {200, 60, 500}});
    // The transformed second array is what mode 2 reads.
    std::fill_n(ImageArray<MeshVertex>(image.Object(2)->transformedSecondArray), 3,
                MeshVertex{5, -3, 0});
    for (uint32_t index = 1; index <= 5; ++index) GatherFaces(*image.Object(index));
    ASSERT_EQ(faceListState.faceCount, 5u);

    randomState.state = 1234;
    const uint32_t size = 6 + NextRandom(32);  // vertex c is vertex 2: 3 x 2
    const uint32_t afterOneCall = randomState.state;
    randomState.state = 1234;
    DrawFaceList();
    EXPECT_EQ(randomState.state, afterOneCall);

    constexpr uint32_t kBackground = GuardedPicture::kBackground;
    EXPECT_EQ(At(20, 20), kBackground + 0x343434);
    EXPECT_EQ(At(110, 20), TexelAt(125, 133));   // row -3 + 128, column 5 + 128
    EXPECT_EQ(At(110, 110), TexelAt(130, 126));  // row 5 / 2 + 128, column floor(-3 / 2) + 128
    EXPECT_EQ(At(210, 20), kBackground);         // mode -1 is never drawn
    GuardedPicture sprite;
    DrawAdditiveSprite(assetBuffers.flare, 250, 150, size, sprite.Pixels());
    for (int y = 140 - static_cast<int>(size); y < 200; ++y)
        for (int x = 240 - static_cast<int>(size); x < 320; ++x)
            ASSERT_EQ(At(x, y), sprite.Pixels()[y * 320 + x]) << x << "," << y;
    EXPECT_TRUE(picture.GuardsIntact());
}

}  // namespace
}  // namespace qx
