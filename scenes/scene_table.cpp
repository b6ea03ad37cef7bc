#include "scenes/scene_table.h"

#include <cstdint>

#include "host/host_settings.h"

namespace qx {

namespace {

bool Nothing() { return true; }

// A test card until the scenes exist: colour bars over a grey ramp, drifting with the timer.
bool DrawTestCard() {
    uint32_t* out = hostSettings.framebuffer;
    if (out == nullptr) return true;
    static constexpr uint32_t kBars[8] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00,
                                          0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};
    const uint32_t shift = hostSettings.timerCounter / 8;
    for (uint32_t y = 0; y < kPictureHeight; ++y) {
        for (uint32_t x = 0; x < kPictureWidth; ++x) {
            uint32_t pixel;
            if (y < 140) {
                pixel = kBars[x / 40];
            } else {
                const uint32_t grey = ((x + shift) * 256 / kPictureWidth) & 0xFF;
                pixel = grey * 0x010101;
            }
            out[y * kPictureWidth + x] = pixel;
        }
    }
    return true;
}

constexpr SceneTableRow kTestCardTable[] = {
    {0xFFFFFFFE, Nothing, DrawTestCard, Nothing},
    {kEndRowPosition, nullptr, nullptr, nullptr},
};

}  // namespace

const SceneTableRow* ProductionSceneTable() { return kTestCardTable; }

}  // namespace qx
