// The framebuffer: the one 32-bit picture every scene renders into and the display shows.
// Pixels are 0x00RRGGBB, rows top first, width pixels apart, no gaps.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/host_settings.h"

namespace qx {

inline constexpr uint32_t kFramebufferCapacity =
    kPictureWidth * kWindowedHeight;  // pixels: the largest display

// The picture digest of --digest and --row-digests: 64-bit FNV-1a, one 32-bit pixel a step,
// continuing from `digest` (kDigestSeed, the FNV offset basis, for a fresh one).
inline constexpr uint64_t kDigestSeed = 0xCBF29CE484222325;
uint64_t DigestPixels(uint64_t digest, const uint32_t* pixels, size_t count);

// The pixels live here; their address is kept once, in hostSettings.framebuffer, where start-up
// stores what CreateFramebuffer returns and where the scenes, the overlay and the present read it.
struct FramebufferState {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t shownHeight = 0;  // rows presented: the scenes' region, never the caption rows
    bool surfaceCreated = false;
    bool digestEnabled = false;
    const uint32_t* lastShown = nullptr;  // the picture last presented (quantised when emulated)
    uint64_t digest = kDigestSeed;        // DigestPixels over every pixel presented
    uint64_t presents = 0;                // pictures presented, not counting PresentAgain
    // What the viewer is told on top of the picture, handed down by the host: given the picture
    // about to go to the screen, it returns it or a copy with a note drawn on. Only the screen
    // sees the copy: the digest, lastShown and everything that records pictures keep the plain one.
    const uint32_t* (*decorate)(const uint32_t* shown, uint32_t width, uint32_t rows) = nullptr;
};
extern FramebufferState framebufferState;

// Returns the pixel address (cleared to black), or null when the size or depth cannot be had or
// the platform has no surface to present it on.
uint32_t* CreateFramebuffer(uint32_t width, uint32_t height, uint32_t bitsPerPixel);

// Shows the framebuffer, emulating a 15- or 16-bit display depth when one was chosen.
void PresentWithBlit();

// Shows the picture last presented once more (a held show redrawn, its note changed): counted in
// no digest and no recording.
void PresentAgain();

// Releases the presentation surface. Harmless when nothing was created.
void ReleaseDisplayContext();

// Colour quantisation of the shallow display depths, bits widened back by replication so that
// white stays white.
uint32_t QuantiseTo555(uint32_t pixel);
uint32_t QuantiseTo565(uint32_t pixel);

}  // namespace qx
