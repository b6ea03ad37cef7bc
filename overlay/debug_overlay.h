// The debug overlay ("/debug"): frame rate, timer counter and music position in hexadecimal,
// three lines of green text in the top-left 112 x 39 pixels of the framebuffer.
#pragma once

namespace qx {

// Every scene frame calls this right after copying its picture into the framebuffer.
void DrawDebugOverlay();

}  // namespace qx
