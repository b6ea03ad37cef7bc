#include "display/framebuffer.h"

#include <algorithm>

#include "base/display_state.h"
#include "base/host_settings.h"
#include "display/full_screen.h"
#include "platform/platform.h"

namespace qx {

FramebufferState framebufferState;

namespace {

alignas(64) uint32_t framebufferPixels[kFramebufferCapacity];
// The picture as a 15- or 16-bit display would show it.
alignas(64) uint32_t quantisedPixels[kFramebufferCapacity];

inline uint32_t Widen5(uint32_t v) { return (v << 3) | (v >> 2); }
inline uint32_t Widen6(uint32_t v) { return (v << 2) | (v >> 4); }

}  // namespace

uint32_t QuantiseTo555(uint32_t pixel) {
    const uint32_t r = Widen5((pixel >> 19) & 31), g = Widen5((pixel >> 11) & 31),
                   b = Widen5((pixel >> 3) & 31);
    return (r << 16) | (g << 8) | b;
}

uint32_t QuantiseTo565(uint32_t pixel) {
    const uint32_t r = Widen5((pixel >> 19) & 31), g = Widen6((pixel >> 10) & 63),
                   b = Widen5((pixel >> 3) & 31);
    return (r << 16) | (g << 8) | b;
}

uint64_t DigestPixels(uint64_t digest, const uint32_t* pixels, size_t count) {
    for (size_t i = 0; i < count; ++i) digest = (digest ^ pixels[i]) * 0x100000001B3;
    return digest;
}

uint32_t* CreateFramebuffer(uint32_t width, uint32_t height, uint32_t bitsPerPixel) {
    if (bitsPerPixel != 32 || width == 0 || height == 0 ||
        static_cast<uint64_t>(width) * height > kFramebufferCapacity)
        return nullptr;
    const uint32_t shownHeight = std::min(height, kPictureHeight);
    if (!ThePlatform().CreatePresentSurface(width, shownHeight)) return nullptr;
    std::fill_n(framebufferPixels, kFramebufferCapacity, 0u);
    framebufferState.width = width;
    framebufferState.height = height;
    framebufferState.shownHeight = shownHeight;
    framebufferState.surfaceCreated = true;
    return framebufferPixels;
}

void PresentWithBlit() {
    if (!framebufferState.surfaceCreated || hostSettings.framebuffer == nullptr) return;
    const uint32_t width = framebufferState.width, rows = framebufferState.shownHeight;
    const uint32_t* shown = hostSettings.framebuffer;
    const uint32_t depth = fullScreenState.modeDepth;
    if (depth == 15 || depth == 16) {
        const uint32_t count = width * rows;
        if (depth == 15)
            std::transform(shown, shown + count, quantisedPixels, QuantiseTo555);
        else
            std::transform(shown, shown + count, quantisedPixels, QuantiseTo565);
        shown = quantisedPixels;
    }
    if (framebufferState.digestEnabled)
        framebufferState.digest =
            DigestPixels(framebufferState.digest, shown, size_t{width} * rows);
    framebufferState.lastShown = shown;
    ++framebufferState.presents;
    if (framebufferState.decorate != nullptr) shown = framebufferState.decorate(shown, width, rows);
    ThePlatform().Present(shown, width, rows, width);
}

void PresentAgain() {
    const uint32_t* shown = framebufferState.lastShown;
    if (!framebufferState.surfaceCreated || shown == nullptr) return;
    const uint32_t width = framebufferState.width, rows = framebufferState.shownHeight;
    if (framebufferState.decorate != nullptr) shown = framebufferState.decorate(shown, width, rows);
    ThePlatform().Present(shown, width, rows, width);
}

void ReleaseDisplayContext() {
    if (!framebufferState.surfaceCreated) return;
    ThePlatform().ReleasePresentSurface();
    framebufferState.surfaceCreated = false;
}

}  // namespace qx
