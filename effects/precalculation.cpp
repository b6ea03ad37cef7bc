#include "effects/precalculation.h"

#include "archive/asset_catalogue.h"
#include "base/picture.h"
#include "effects/bump_water.h"
#include "effects/face_list.h"
#include "effects/film_grain.h"
#include "effects/lines.h"
#include "effects/objects.h"
#include "effects/transform.h"
#include "effects/tunnel.h"

namespace qx {

int32_t lightSineTableA[kLightSineEntries];
int32_t lightSineTableB[kLightSineEntries];

namespace {

constexpr uint32_t kBumpSmoothingPasses = 2;
constexpr int32_t kLightRangeA = 140;
constexpr int32_t kLightRangeB = 80;

void BuildBumpTables() {
    AssetBuffers& assets = assetBuffers;
    for (uint32_t pass = 0; pass < kBumpSmoothingPasses; ++pass)
        BlurGrey8(assets.picbump8, assets.picbump8);
    for (uint32_t pass = 0; pass < kBumpSmoothingPasses; ++pass)
        BlurPixelBytes8(assets.picbump, assets.picbump);
    uint8_t* verticalSlopes = slopeMaps;
    uint8_t* horizontalSlopes = slopeMaps + kSlopeMapBytes;
    DeriveHorizontal(assets.picbump8, horizontalSlopes, kPictureWidth, kPictureHeight);
    DeriveVertical(assets.picbump8, verticalSlopes, kPictureWidth, kPictureHeight);
    BuildSineRangeTable(kLightRangeA, 0, kLightSineEntries, lightSineTableA);
    BuildSineRangeTable(kLightRangeB, 0, kLightSineEntries, lightSineTableB);
}

}  // namespace

void PrepareEffects() {
    FillRowOffsetTable();
    FillNoiseTable();
    SetUpProjection();
    SetUpObjects();
    ClearSortBuckets();
    SetUpTunnelTables();
    BuildBumpTables();
    SetWaterBuffers(waterFieldA, waterFieldB);
}

}  // namespace qx
