// The desktop platform: an SDL2 window with scaled presentation, the real clock, POSIX files.
#pragma once

#include "platform/platform.h"

namespace qx {

// The one SDL platform instance (static; SDL itself is initialised by CreateWindow).
Platform& SdlPlatformInstance();

}  // namespace qx
