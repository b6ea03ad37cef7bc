#include "host/production_state.h"

#include <algorithm>
#include <iterator>
#include <type_traits>
#include <vector>

#include "archive/asset_catalogue.h"
#include "base/host_settings.h"
#include "data/object_image.h"
#include "display/framebuffer.h"
#include "effects/bump_water.h"
#include "effects/face_list.h"
#include "effects/fades.h"
#include "effects/film_grain.h"
#include "effects/lines.h"
#include "effects/objects.h"
#include "effects/precalculation.h"
#include "effects/random.h"
#include "effects/rasterisers.h"
#include "effects/rotozoom_plasma.h"
#include "effects/transform.h"
#include "effects/tunnel.h"
#include "host/startup.h"
#include "music/scene_sequencer.h"
#include "overlay/text_renderer.h"
#include "scenes/scene_table.h"
#include "scenes/scene_variables.h"
#include "scenes/work_pictures.h"
#include "timing/tick_scheduler.h"

namespace qx {

namespace {

template <typename T>
StateRegion RegionOf(T& record) {
    static_assert(std::is_trivially_copyable_v<T>, "a snapshot copies records as bytes");
    return {&record, sizeof record};
}

}  // namespace

namespace {

// The object image as the program file holds it, copied before main, so before any scene or test
// has written it (the image itself is constant-initialised data).
const std::vector<uint8_t> pristineObjectImage(objectImage, objectImage + objectImageBytes);

}  // namespace

void ResetProductionRecords() {
    sceneVariables = {};
    randomState = {};
    filmGrainState = {};
    fadeState = {};
    lineState = {};
    rasteriserState = {};
    transformState = {};
    faceListState = {};
    ClearSortBuckets();
    objectState = {};
    std::copy(std::begin(pristineObjectImage), std::end(pristineObjectImage), objectImage);
    scrollState = {};
    rotozoomState = {};
    plasmaState = {};
    std::fill(std::begin(rotozoomRowTable), std::end(rotozoomRowTable), 0);
    std::fill(std::begin(rotozoomColumnTable), std::end(rotozoomColumnTable), 0);
    tunnelState = {};
    bumpState = {};
    waterState = {};
    std::fill(std::begin(waterFieldA), std::end(waterFieldA), int16_t{0});
    std::fill(std::begin(waterFieldB), std::end(waterFieldB), int16_t{0});
    std::fill(std::begin(workPicture), std::end(workPicture), 0u);
    std::fill(std::begin(sparePicture), std::end(sparePicture), 0u);
    sequencerState = {};
    textState = {};
}

// The sort buckets are left out: every count is 0 between sorts, so what they hold then is never
// read.
std::vector<StateRegion> ProductionRegions() {
    std::vector<StateRegion> regions = {
        RegionOf(sceneVariables),      RegionOf(randomState),
        RegionOf(filmGrainState),      RegionOf(fadeState),
        RegionOf(lineState),           RegionOf(rasteriserState),
        RegionOf(transformState),      RegionOf(faceListState),
        RegionOf(objectState),         {objectImage, objectImageBytes},
        RegionOf(scrollState),         RegionOf(rotozoomState),
        RegionOf(plasmaState),         RegionOf(rotozoomRowTable),
        RegionOf(rotozoomColumnTable), RegionOf(tunnelState),
        RegionOf(bumpState),           RegionOf(waterState),
        RegionOf(waterFieldA),         RegionOf(waterFieldB),
        RegionOf(workPicture),         RegionOf(sparePicture),
        RegionOf(sequencerState),      RegionOf(textState),
        RegionOf(assetBuffers.title8), RegionOf(tickScheduler),
    };
    if (hostSettings.framebuffer != nullptr)
        regions.push_back({hostSettings.framebuffer,
                           size_t{framebufferState.width} * framebufferState.height * 4});
    return regions;
}

void RegisterProductionTickSlots() {
    RegisterTickSlot(kFadeSlot, kSceneTickReload, FadeDownTick);
    RegisterTickSlot(kTimerSlot, 1, AdvanceTimerCounter);
}

bool ResetProductionState() {
    ResetProductionRecords();
    for (uint32_t slot = 0; slot < kTickSlotCount; ++slot) UnregisterTickSlot(slot);
    RegisterProductionTickSlots();
    SetSceneTable(ProductionSceneTable());
    if (hostSettings.framebuffer != nullptr)
        std::fill_n(hostSettings.framebuffer, framebufferState.width * framebufferState.height, 0u);
    hostSettings.timerCounter = 0;
    if (!LoadAssetList()) return false;
    PrepareEffects();
    return true;
}

}  // namespace qx
