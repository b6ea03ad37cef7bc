// Scenes driven as the frame loop drives them: the production's scene table walked by the real
// sequencer, the music position scripted through the fake sound module, the millisecond ticks
// run from the virtual clock, and small synthetic pictures in the asset buffers.
#pragma once

#include <algorithm>
#include <vector>

#include "archive/asset_catalogue.h"
#include "effects/fades.h"
#include "effects/film_grain.h"
#include "effects/lines.h"
#include "effects/objects.h"
#include "effects/precalculation.h"
#include "effects/rasterisers.h"
#include "scenes/scene_conventions.h"
#include "scenes/scene_table.h"
#include "scenes/scene_variables.h"
#include "scenes/work_pictures.h"
#include "support/host_fixture.h"

namespace qx::test {

class SceneTest : public HostTest {
protected:
    std::vector<uint32_t> framebuffer = std::vector<uint32_t>(kPictureWidth * kWindowedHeight);

    void SetUp() override {
        HostTest::SetUp();  // the production's records at program start
        static const uint8_t song[1] = {};
        ASSERT_TRUE(MusicInit(kMusicKindModule, nullptr));
        ASSERT_TRUE(MusicLoadMemory(song, 1));
        hostSettings.framebuffer = framebuffer.data();
        ASSERT_TRUE(StartTicks(1));
        RegisterProductionTickSlots();
        tickScheduler.lastTickTime = platform.clock;
        SetSceneTable(ProductionSceneTable());
        PrepareEffects();
    }
    void TearDown() override {
        MusicShutdown();
        HostTest::TearDown();
    }

    static void At(uint32_t position) {
        fakeSound.order = static_cast<int>(position >> 8);
        fakeSound.row = static_cast<int>(position & 0xFF);
    }
    // One pass of the frame loop at the given music position, then `ms` of ticks.
    bool Pass(uint32_t position, uint32_t ms = 16) {
        At(position);
        const bool running = RunSequencer();
        Ticks(ms);
        return running;
    }
    // The music position at which `row` becomes current: the end of the row before.
    static uint32_t RowStart(uint32_t row) {
        return row == 0 ? 0 : ProductionSceneTable()[row - 1].endPosition;
    }
    // Passes at the start position of `row` until it is current and entered; rows before it are
    // left one per pass without their frames.
    void EnterRow(uint32_t row) {
        const uint32_t start = RowStart(row);
        while (CurrentRow() != row || sequencerState.lastEnteredRow != sequencerState.currentRow)
            ASSERT_TRUE(Pass(start, 0));
    }
    static uint32_t CurrentRow() {
        return static_cast<uint32_t>(sequencerState.currentRow - ProductionSceneTable());
    }
    static TickCallback SlotCallback(uint32_t slot) {
        return tickScheduler.slots[slot].active == 1 ? tickScheduler.slots[slot].callback : nullptr;
    }
    static void FillGrey(uint8_t* picture, uint8_t level) {
        std::fill_n(picture, kGreyPictureBytes, level);
    }
};

}  // namespace qx::test
