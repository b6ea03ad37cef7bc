#include "overlay/debug_overlay.h"

#include "data/font.h"
#include "overlay/text_renderer.h"
#include "support/host_fixture.h"

namespace qx::test {
namespace {

constexpr uint32_t kBackground = 0x123456;

class OverlayTest : public HostTest {
protected:
    uint32_t* fb = nullptr;
    void SetUp() override {
        HostTest::SetUp();
        displayState.width = 320;
        fb = CreateFramebuffer(320, 200, 32);
        ASSERT_NE(fb, nullptr);
        hostSettings.framebuffer = fb;
        std::fill_n(fb, 320 * 200, kBackground);
    }
    // Reads back the text of one 13-row line, one 8-pixel cell at a time: each cell's ink must be
    // exactly a glyph's ink and every other pixel untouched. '?' marks a cell matching nothing.
    std::string ReadLine(uint32_t line, uint32_t cells) const {
        std::string text;
        for (uint32_t cell = 0; cell < cells; ++cell) {
            char found = '?';
            for (uint32_t g = 0; g < kGlyphCount && found == '?'; ++g) {
                if (g == 0x24 - 0x20 || g == 0x25 - 0x20) continue;  // blank like the space
                bool same = true;
                for (uint32_t y = 0; y < kGlyphRows && same; ++y)
                    for (uint32_t x = 0; x < kGlyphWidth && same; ++x) {
                        const uint32_t pixel = fb[(line * 13 + y) * 320 + cell * 8 + x];
                        const bool ink = kGlyphBitmaps[kGlyphTable[g].offset + y * 8 + x] != 0;
                        same = pixel == (ink ? kTextColour : kBackground);
                    }
                if (same) found = static_cast<char>(0x20 + g);
            }
            text += found;
        }
        return text;
    }
};

TEST_F(OverlayTest, ShowsFrameRateTimerAndMusicPositionInHex) {
    hostSettings.debugFlag = 1;
    hostSettings.timerCounter = 5000;
    hostSettings.frameRate = 0x1003C;  // only the low 16 bits show
    fakeSound.order = 12;
    fakeSound.row = 32;
    ASSERT_TRUE(MusicInit(kMusicKindModule, nullptr));
    DrawDebugOverlay();
    EXPECT_EQ(ReadLine(0, 10), "FPS:003C  ");
    EXPECT_EQ(ReadLine(1, 15), "TIMER:00001388 ");
    EXPECT_EQ(ReadLine(2, 13), "PLAYER:0C20  ");
    EXPECT_EQ(hostSettings.shownMusicPosition, 0x0C20u);
    for (uint32_t i = 39 * 320; i < 64000; ++i) ASSERT_EQ(fb[i], kBackground);
    for (uint32_t y = 0; y < 39; ++y)
        for (uint32_t x = 112; x < 320; ++x) ASSERT_EQ(fb[y * 320 + x], kBackground);
}

TEST_F(OverlayTest, DrawsNothingWithoutTheDebugFlag) {
    hostSettings.debugFlag = 2;
    DrawDebugOverlay();
    for (uint32_t i = 0; i < 64000; ++i) ASSERT_EQ(fb[i], kBackground);
    EXPECT_EQ(hostSettings.shownMusicPosition, 0u);
}

TEST_F(OverlayTest, EndCodesMoveTheCursorAndLowerCaseFoldsOntoLetters) {
    ResetTextCursor(0);
    PrintText("ab\x01");
    PrintText("C\x00");
    PrintText("$%\x05Z");  // blank glyphs and a code without a glyph advance without ink
    EXPECT_EQ(ReadLine(0, 4), "ABC ");
    EXPECT_EQ(ReadLine(1, 5), "   Z ");
}

TEST_F(OverlayTest, TextRunningOffTheFramebufferIsClipped) {
    ResetTextCursor(195 * 320 * 4);
    PrintText("W");
    DrawGlyph('W', fb + 64000 - 4);  // the last row, last four columns
    const uint32_t* past = fb + 64000;
    for (uint32_t i = 0; i < 320 * 24; ++i) ASSERT_EQ(past[i], 0u) << i;
}

}  // namespace
}  // namespace qx::test
