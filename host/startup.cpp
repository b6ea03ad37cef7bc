#include "host/startup.h"

#include "archive/asset_catalogue.h"
#include "display/framebuffer.h"
#include "effects/fades.h"
#include "effects/precalculation.h"
#include "host/command_line.h"
#include "host/error_code.h"
#include "host/frame_loop.h"
#include "host/host_settings.h"
#include "host/window.h"
#include "music/music_binding.h"
#include "music/scene_sequencer.h"
#include "scenes/scene_table.h"
#include "timing/tick_scheduler.h"

namespace qx {

StartupJournal startupJournal;
HostSettings hostSettings;

namespace {

inline constexpr uint32_t kTickPeriod = 1;           // ms
inline constexpr uint32_t kSoundtrackLength = 1130844;  // bytes of the decoded song

void Note(const char* step) {
    if (startupJournal.count < StartupJournal::kCapacity)
        startupJournal.steps[startupJournal.count++] = step;
}

// The soundtrack comes from entry 21 of the archive appended to the executable.
bool LoadSoundtrack() {
    Note("LoadSoundtrack");
    static_assert(sizeof assetBuffers.module == kSoundtrackLength);
    return LoadMusicEntry();
}

bool LoadAssets() {
    Note("LoadAssets");
    return LoadAssetList();
}

bool StartUp() {
    Note("ReadOptions");
    ReadOptions();
    if (!LoadSoundtrack()) return false;
    Note("MusicInit");
    if (!MusicInit(kMusicKindModule, nullptr)) return false;
    Note("MusicLoadMemory");
    if (!MusicLoadMemory(assetBuffers.module, kSoundtrackLength)) return false;
    Note("SetTitle");
    hostSettings.title = kTitle;
    Note("CreateDisplay");
    if (!CreateDisplay(hostSettings.displayWidth, hostSettings.displayHeight, hostSettings.depth))
        return false;
    Note("CreateFramebuffer");
    hostSettings.framebuffer =
        CreateFramebuffer(hostSettings.displayWidth, hostSettings.displayHeight, 32);
    if (hostSettings.framebuffer == nullptr)
        return SetErrorCode(kErrorNoFramebuffer, "no framebuffer could be created");
    Note("SetSceneTable");
    SetSceneTable(ProductionSceneTable());
    Note("StartTicks");
    if (!StartTicks(kTickPeriod)) return false;
    Note("RegisterTickSlot");
    RegisterTickSlot(kFadeSlot, kSceneTickReload, FadeDownTick);
    Note("RegisterTickSlot");
    RegisterTickSlot(kTimerSlot, 1, AdvanceTimerCounter);
    if (!LoadAssets()) return false;
    Note("PrepareEffects");
    PrepareEffects();
    Note("MusicPlay");
    MusicPlay();
    Note("RunFrameLoop");
    RunFrameLoop();
    Note("MusicStop");
    MusicStop();
    return true;
}

}  // namespace

void AdvanceTimerCounter() { ++hostSettings.timerCounter; }

uint32_t RunProduction() {
    startupJournal = {};
    if (!StartUp()) ReportError();
    // Shutdown: every step tolerates that its start step never ran.
    Note("StopTicks");
    StopTicks();
    Note("MusicShutdown");
    MusicShutdown();
    Note("ReleaseDisplayContext");
    ReleaseDisplayContext();
    Note("CloseDisplay");
    CloseDisplay();
    return errorState.errorCode;
}

}  // namespace qx
