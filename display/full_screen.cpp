#include "display/full_screen.h"

#include "base/error_code.h"

namespace qx {

FullScreenState fullScreenState;

namespace {
inline constexpr uint32_t kShallowestDepth = 8;  // palette depths are never used
}

int NoteDisplayMode(const ModeDescription& mode, void* /*context*/) {
    if ((mode.flags & kModeHasPixelFormat) == 0 || (mode.pixelFormatFlags & kPixelFormatRgb) == 0)
        return kEnumerateContinue;
    if (mode.rgbBitCount > fullScreenState.bestDepth) fullScreenState.bestDepth = mode.rgbBitCount;
    return kEnumerateContinue;
}

bool ChooseDisplayMode(uint32_t width, uint32_t height) {
    fullScreenState.bestDepth = 0;
    if (!ThePlatform().EnumerateDisplayModes(width, height, NoteDisplayMode, nullptr)) return false;
    if (fullScreenState.bestDepth <= kShallowestDepth) return false;
    if (!ThePlatform().SetDisplayMode(width, height, fullScreenState.bestDepth)) return false;
    fullScreenState.modeChanged = true;
    fullScreenState.modeDepth = fullScreenState.bestDepth;
    return true;
}

bool SetUpFullScreen(uint32_t width, uint32_t height, int32_t depth) {
    if (!ThePlatform().OpenFullScreenDevice())
        return SetErrorCode(kErrorNoDisplay, "no exclusive use of the display");
    fullScreenState.deviceOpen = true;
    if (depth != 0) {
        if (!ThePlatform().SetDisplayMode(width, height, static_cast<uint32_t>(depth)))
            return SetErrorCode(kErrorDisplayMode,
                                "full screen could not be entered at that depth");
        fullScreenState.modeChanged = true;
        fullScreenState.modeDepth = static_cast<uint32_t>(depth);
        return true;
    }
    if (!ChooseDisplayMode(width, height))
        return SetErrorCode(kErrorDisplayMode, "no RGB display mode of the picture's size");
    return true;
}

void RestoreDisplayMode() {
    if (!fullScreenState.modeChanged) return;
    ThePlatform().RestoreDisplayMode();
    fullScreenState.modeChanged = false;
}

}  // namespace qx
