// The tick scheduler: 16 slots of periodic callbacks run in fixed ticks of `period` milliseconds,
// independent of the frame rate. It owns no thread or timer: the frame loop calls DispatchTicks
// once per pass, and that call runs every tick that has fallen due since the last one.
#pragma once

#include <cstdint>

namespace qx {

using TickCallback = void (*)();

// A slot with reload N fires on every (N+1)-th pass.
struct TickSlot {
    uint32_t active = 0;  // exactly 1 means active; any other value is skipped
    TickCallback callback = nullptr;
    uint32_t reload = 0;
    uint32_t countdown = 0;  // passes still to skip before the next call
};

inline constexpr uint32_t kTickSlotCount = 16;

// The production's slots: the fade step (FadeDownTick from start-up, FadeUpTick while a scene
// fades out), the current scene's own callback, and the overlay's timer counter, which scenes
// never touch. Scenes register with reload 1, so their callbacks fire every second tick.
inline constexpr uint32_t kFadeSlot = 1;
inline constexpr uint32_t kSceneSlot = 2;
inline constexpr uint32_t kTimerSlot = 7;
inline constexpr uint32_t kSceneTickReload = 1;

struct TickSchedulerState {
    uint32_t period = 0;        // milliseconds per tick; 0 = stopped
    uint32_t lastTickTime = 0;  // clock value up to which ticks have run
    TickSlot slots[kTickSlotCount]{};
};
extern TickSchedulerState tickScheduler;

// Stores the period and clears every slot. Fails (error code 3) when the period is 0.
bool StartTicks(uint32_t period);
void StopTicks();
// The time up to which ticks have run moved on by `milliseconds`: that much time passes without
// ticks (a show held, or moved to another clock).
void MoveTickClock(uint32_t milliseconds);
// Ticks run from `now` on, none for the time before it.
void SetTickClock(uint32_t now);
void RegisterTickSlot(uint32_t slot, uint32_t reload, TickCallback callback);
void UnregisterTickSlot(uint32_t slot);
void DispatchTicks();

}  // namespace qx
