// Losing the audio device while the song plays: noticing it (SDL reports the device stopped, or
// its callback has not rendered for kStallTimeoutTenths), taking the song back to play on
// silently, and the losses simulated for tests through QXSOUND_SIMULATE_DEVICE_LOSS.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sound/sound_state.h"

namespace qxsound {

// At FSOUND_Init: "removed:MS" or "stalled:MS"; anything else simulates nothing.
void ReadSimulatedLoss() {
    state.simulatedLoss = SimulatedLoss::None;
    const char* value = std::getenv("QXSOUND_SIMULATE_DEVICE_LOSS");
    if (value == nullptr) return;
    SimulatedLoss kind = SimulatedLoss::None;
    if (std::strncmp(value, "removed:", 8) == 0) kind = SimulatedLoss::Removed;
    if (std::strncmp(value, "stalled:", 8) == 0) kind = SimulatedLoss::Stalled;
    if (kind == SimulatedLoss::None) return;  // and value + 8 may lie past its end
    char* end = nullptr;
    const unsigned long milliseconds = std::strtoul(value + 8, &end, 10);
    if (end == value + 8 || *end != '\0') return;
    state.simulatedLoss = kind;
    state.simulatedLossAfter = std::chrono::milliseconds(milliseconds);
}

// Whether the simulated loss of that kind is due. Either thread, under the device lock or on the
// main thread (playStart is written only there, under the lock).
bool SimulatedLossDue(SimulatedLoss kind, Clock::time_point now) {
    return state.simulatedLoss == kind && now - state.playStart >= state.simulatedLossAfter;
}

// Main thread, device mode, while the song plays: SDL reports the device stopped (it does so when
// the device is removed), or its callback has not rendered for kStallTimeoutTenths.
bool DeviceLost() {
    const Clock::time_point now = Clock::now();
    if (SDL_GetAudioDeviceStatus(state.device) == SDL_AUDIO_STOPPED ||
        SimulatedLossDue(SimulatedLoss::Removed, now))
        return true;
    const uint64_t rendered = std::max(state.lastCallbackTenths.load(std::memory_order_relaxed),
                                       TenthsSinceEpoch(state.playStart));
    return TenthsSinceEpoch(now) > rendered + kStallTimeoutTenths;
}

// The device is gone: from now on the song is rendered in silent mode, from the place the device
// had rendered it to and in real time from this moment, so the position neither goes back nor
// stops. The device stays open, paused and with its callback idle, until FSOUND_Close.
void TakeSongBack() {
    SDL_LockAudioDevice(state.device);
    state.songTakenBack = true;
    SDL_UnlockAudioDevice(state.device);
    SDL_PauseAudioDevice(state.device, 1);
    state.lostDevice = state.device;
    state.device = 0;
    state.framesRendered = 0;  // silent mode counts from here; the song keeps its own position
    state.playStart = Clock::now();
    if (state.reportedLoss) return;
    state.reportedLoss = true;
    std::fputs("QX_Marrowtide: the audio device was lost; the music plays on silently\n", stderr);
}

}  // namespace qxsound
