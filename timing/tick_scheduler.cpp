#include "timing/tick_scheduler.h"

#include "base/error_code.h"
#include "platform/platform.h"

namespace qx {

TickSchedulerState tickScheduler;

bool StartTicks(uint32_t period) {
    tickScheduler.period = period;
    for (TickSlot& slot : tickScheduler.slots) slot = {};
    if (period == 0) return SetErrorCode(kErrorTickPeriod, "the tick period is 0");
    return true;
}

void StopTicks() { tickScheduler.period = 0; }

void RegisterTickSlot(uint32_t slot, uint32_t reload, TickCallback callback) {
    if (slot >= kTickSlotCount) return;
    TickSlot& s = tickScheduler.slots[slot];
    s.countdown = reload;
    s.reload = reload;
    s.callback = callback;
    s.active = 1;
}

void UnregisterTickSlot(uint32_t slot) {
    if (slot >= kTickSlotCount) return;
    tickScheduler.slots[slot] = {};
}

void DispatchTicks() {
    const uint32_t now = ThePlatform().Milliseconds();
    if (tickScheduler.period == 0) {
        tickScheduler.lastTickTime = now;
        return;
    }
    // The clock is read once; every whole period since the last tick time is one pass. Elapsed
    // time is taken as a signed wrapped difference, so the 2^32 ms wrap of the clock does not
    // stall ticks, and a tick time ahead of the clock (show times moved past it) runs none until
    // the clock gets there, instead of some 2^32 passes.
    for (;;) {
        const auto elapsed = static_cast<int32_t>(now - tickScheduler.lastTickTime);
        if (elapsed < 0 || static_cast<uint32_t>(elapsed) < tickScheduler.period) return;
        const uint32_t t = tickScheduler.lastTickTime + tickScheduler.period;
        // Fields are read afresh at each slot: a callback may change any slot mid-pass.
        for (uint32_t i = 0; i < kTickSlotCount; ++i) {
            TickSlot& slot = tickScheduler.slots[i];
            if (slot.active != 1) continue;
            if (slot.countdown != 0) {
                --slot.countdown;
            } else {
                slot.countdown = slot.reload;
                if (slot.callback != nullptr) slot.callback();
            }
        }
        tickScheduler.lastTickTime = t;
    }
}

void MoveTickClock(uint32_t milliseconds) { tickScheduler.lastTickTime += milliseconds; }

void SetTickClock(uint32_t now) { tickScheduler.lastTickTime = now; }

}  // namespace qx
