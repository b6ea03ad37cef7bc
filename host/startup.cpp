#include "host/startup.h"

#include "archive/asset_catalogue.h"
#include "base/error_code.h"
#include "base/host_settings.h"
#include "display/framebuffer.h"
#include "effects/precalculation.h"
#include "host/command_line.h"
#include "host/frame_loop.h"
#include "host/production_state.h"
#include "host/start_position.h"
#include "host/startup_times.h"
#include "host/window.h"
#include "music/music_binding.h"
#include "music/scene_sequencer.h"
#include "scenes/scene_conventions.h"
#include "scenes/scene_table.h"
#include "timing/tick_scheduler.h"

namespace qx {

namespace {

inline constexpr uint32_t kTickPeriod = 1;  // ms

// The soundtrack comes from entry 21 of the archive appended to the executable.
bool LoadSoundtrack() { return LoadMusicEntry(); }

bool LoadAssets() { return LoadAssetList(); }

bool StartUp() {
    ReadOptions();
    sceneSettings.reduceFlashing = launchOptions.reduceFlashing;
    NoteStartupStepEnd(StartupStep::CommandLine);
    if (!LoadSoundtrack()) return false;
    NoteStartupStepEnd(StartupStep::Soundtrack);
    SetMusicClocks(launchOptions.headless, launchOptions.startPosition != 0);
    if (!MusicInit(kMusicKindModule, nullptr)) return false;
    NoteStartupStepEnd(StartupStep::SoundModule);
    if (!MusicLoadMemory(assetBuffers.module, kModuleSize)) return false;
    NoteStartupStepEnd(StartupStep::Song);
    hostSettings.title = kTitle;
    if (!CreateDisplay(hostSettings.displayWidth, hostSettings.displayHeight, hostSettings.depth))
        return false;
    hostSettings.framebuffer =
        CreateFramebuffer(hostSettings.displayWidth, hostSettings.displayHeight, 32);
    if (hostSettings.framebuffer == nullptr)
        return SetErrorCode(kErrorNoFramebuffer, "no framebuffer could be created");
    SetSceneTable(ProductionSceneTable());
    if (!StartTicks(kTickPeriod)) return false;
    RegisterProductionTickSlots();
    NoteStartupStepEnd(StartupStep::Display);
    if (!LoadAssets()) return false;
    NoteStartupStepEnd(StartupStep::AssetList);
    PrepareEffects();
    NoteStartupStepEnd(StartupStep::Effects);
    BeginPreRoll();
    MusicPlay();
    RunFrameLoop();
    NoteStartupStepEnd(StartupStep::FirstFrame);  // with --startup-times the loop ends after it
    MusicStop();
    return errorState.errorCode == kErrorNone;  // a show that starts again reloads its assets
}

}  // namespace

void AdvanceTimerCounter() { ++hostSettings.timerCounter; }

uint32_t RunProduction() {
    if (!StartUp()) ReportError();
    // Shutdown: every step tolerates that its start step never ran.
    StopTicks();
    MusicShutdown();
    ReleaseDisplayContext();
    CloseDisplay();
    return errorState.errorCode;
}

}  // namespace qx
