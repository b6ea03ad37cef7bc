// The program's one window: created and shown at start-up (full screen unless a window was
// asked for), destroyed at shutdown, and its input turned into the quit flag.
#pragma once

#include <cstdint>

#include "base/display_state.h"
#include "platform/platform.h"

namespace qx {

// Creates the window (hidden), sets up full screen unless depth is -1, shows it. Fails with error
// code 1 when no display can be opened, or with full screen's code 1 or 2; the window, if one was
// made, then stays for CloseDisplay.
bool CreateDisplay(uint32_t width, uint32_t height, int32_t depth);

// Leaves full screen and destroys the window. Does nothing without a window.
void CloseDisplay();

// Escape released, right button released or a close request: quit. F11 or Alt+Enter pressed:
// toggle full screen. Everything else is ignored.
void WindowProcedure(const InputEvent& event);

void ToggleFullScreen();

}  // namespace qx
