#include "host/start_position.h"

#include "host/command_line.h"
#include "music/music_binding.h"
#include "platform/offline_platform.h"
#include "platform/platform.h"

namespace qx {

namespace {

OfflinePlatform preRollPlatform;
Platform* windowPlatform = nullptr;  // set while the pre-roll platform stands in for it

}  // namespace

void BeginPreRoll() {
    if (launchOptions.startPosition == 0 || launchOptions.headless) return;
    windowPlatform = &ThePlatform();
    preRollPlatform = OfflinePlatform{};  // its clock at 0, as the offline run's
    UsePlatform(&preRollPlatform);
}

bool EndPreRoll() {
    if (windowPlatform == nullptr) return false;
    MusicUseRealClock();  // reads the virtual clock a last time
    UsePlatform(windowPlatform);
    windowPlatform = nullptr;
    return true;
}

}  // namespace qx
