#include "overlay/debug_overlay.h"

#include "base/host_settings.h"
#include "music/music_binding.h"
#include "overlay/text_renderer.h"

namespace qx {

namespace {
// Labels as stored: each text with its end code, then an empty line break.
constexpr uint8_t kFpsLabel[] = {'F', 'P', 'S', ':', kEndSameLine};
constexpr uint8_t kTimerLabel[] = {'T', 'I', 'M', 'E', 'R', ':', kEndSameLine};
constexpr uint8_t kPlayerLabel[] = {'P', 'L', 'A', 'Y', 'E', 'R', ':', kEndSameLine};
constexpr uint8_t kLineBreak[] = {kEndNewLine};
}  // namespace

void DrawDebugOverlay() {
    if (hostSettings.debugFlag != 1) return;
    hostSettings.shownFrameRate = hostSettings.frameRate;
    hostSettings.shownMusicPosition = MusicPosition();
    ResetTextCursor(0);
    PrintText(kFpsLabel);
    PrintHex16(hostSettings.shownFrameRate);
    PrintText(kLineBreak);
    PrintText(kTimerLabel);
    PrintHex32(hostSettings.timerCounter);
    PrintText(kLineBreak);
    PrintText(kPlayerLabel);
    PrintHex16(hostSettings.shownMusicPosition);
    PrintText(kLineBreak);
}

}  // namespace qx
