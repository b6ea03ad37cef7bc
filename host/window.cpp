#include "host/window.h"

#include "base/error_code.h"
#include "base/host_settings.h"
#include "display/full_screen.h"
#include "host/command_line.h"
#include "host/frame_loop.h"
#include "host/viewer_controls.h"

namespace qx {

bool CreateDisplay(uint32_t width, uint32_t height, int32_t depth) {
    displayState.width = width;
    displayState.height = height;
    displayState.depth = depth;
    if (depth == kDepthWindow) {
        hostSettings.windowClassStyle = kWindowedClassStyle;
        hostSettings.windowStyle = kWindowedWindowStyle;
    }
    WindowRequest request;
    request.title = hostSettings.title != nullptr ? hostSettings.title : kTitle;
    request.className = hostSettings.className;
    request.width = width;
    request.height = height;
    request.fullScreen = depth != kDepthWindow;
    request.squarePixels = launchOptions.squarePixels;
    if (!ThePlatform().CreateWindow(request))
        return SetErrorCode(kErrorNoDisplay, "no display could be opened");
    displayState.windowCreated = true;
    if (depth != kDepthWindow) {
        if (!SetUpFullScreen(width, height, depth)) return false;
        displayState.fullScreenNow = true;
    }
    ThePlatform().ShowWindow();
    if (depth != kDepthWindow) ThePlatform().SetCursorVisible(false);
    return true;
}

void CloseDisplay() {
    if (!displayState.windowCreated) return;
    if (displayState.depth != kDepthWindow) RestoreDisplayMode();
    ThePlatform().DestroyWindow();
    displayState.windowCreated = false;
    displayState.fullScreenNow = false;
}

void ToggleFullScreen() {
    if (!displayState.windowCreated) return;
    const bool on = !displayState.fullScreenNow;
    if (!ThePlatform().SetFullScreen(on)) return;
    displayState.fullScreenNow = on;
    ThePlatform().SetCursorVisible(!on);
}

void WindowProcedure(const InputEvent& event) {
    using Kind = InputEvent::Kind;
    switch (event.kind) {
        case Kind::ButtonUp:
            if (event.button == MouseButton::Right) loopState.quitFlag = 1;
            break;
        case Kind::KeyUp:
            if (event.key == KeyCode::Escape) loopState.quitFlag = 1;
            break;
        case Kind::CloseRequest:
            loopState.quitFlag = 1;
            break;
        case Kind::KeyDown:
            if (event.key == KeyCode::F11 || (event.key == KeyCode::Enter && event.alt))
                ToggleFullScreen();
            else
                QueueViewerKey(event.key);
            break;
        case Kind::ButtonDown:
            break;
    }
}

}  // namespace qx
