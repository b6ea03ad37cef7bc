#include "platform/platform.h"

#include "platform/virtual_platform.h"

namespace qx {

namespace {
Platform* activePlatform = nullptr;
}

Platform& ThePlatform() {
    // Until one is installed, a quiet virtual platform stands in, so nothing ever dereferences
    // a missing platform.
    static VirtualPlatform fallback;
    return activePlatform != nullptr ? *activePlatform : fallback;
}

void UsePlatform(Platform* platform) { activePlatform = platform; }

}  // namespace qx
