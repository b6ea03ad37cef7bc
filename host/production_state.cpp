#include "host/production_state.h"

#include <algorithm>
#include <vector>

#include "archive/asset_catalogue.h"
#include "base/host_settings.h"
#include "display/framebuffer.h"
#include "effects/fades.h"
#include "effects/precalculation.h"
#include "host/startup.h"
#include "host/state_registry.h"
#include "music/scene_sequencer.h"
#include "scenes/scene_table.h"
#include "timing/tick_scheduler.h"

namespace qx {

void ResetProductionRecords() {
    for (const StateRecord& record : ShowStateRecords())
        if (record.restart) record.reset();
}

std::vector<StateRegion> ProductionRegions() {
    std::vector<StateRegion> regions;
    for (const StateRecord& record : ShowStateRecords())
        if (record.snapshot) regions.push_back({record.bytes, record.size});
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
