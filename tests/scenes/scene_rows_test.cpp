// The 39 rows of the scene table walked in order as the music reaches them: where each row ends,
// what its enter routine leaves in the fade state, the line colour and the tick slots, and that
// a row runs frames right up to its end position.
#include <cstdint>
#include <iterator>

#include "effects/drawing_switch.h"
#include "scenes/echo_scenes.h"
#include "scenes/line_scenes.h"
#include "scenes/opening_scenes.h"
#include "scenes/picture_effect_scenes.h"
#include "scenes/scene_fixture.h"

namespace qx::test {
namespace {

constexpr uint32_t Position(uint32_t order, uint32_t row) { return order * 256 + row; }

// What an enter routine may set; kKept marks a value the routine must leave as it was.
constexpr int kKept = -1;
struct Flash {
    int level = kKept;
    int delay = kKept;
};
constexpr Flash kNoFlash{};
constexpr Flash kWhiteFlash{255, 1};
constexpr Flash kHalfFlash{128, 0};
constexpr uint32_t kRestingLines = 0x222222;
constexpr uint32_t kFlashedLines = 0xFFFFFF;
constexpr int64_t kLinesKept = -1;

struct RowCase {
    uint32_t row;
    uint32_t end;        // music position at which the row is left
    Flash flash;         // fade level and delay after the enter routine
    int64_t lineColour;  // line colour after the enter routine
    TickCallback fadeSlot;
    TickCallback sceneSlot;
};

// Every row: the order/row at which it ends, the flash or line flash its enter routine makes,
// and which callbacks hold slot 1 (fade step) and slot 2 (scene) once it ran. Rows whose enter
// does nothing keep the fade, the line colour and the callback as the row before left them.
const TickCallback down = FadeDownTick, up = FadeUpTick, flicker = FlickerStep;
const TickCallback web = StringWebCallback, bump = BumpCallback, zoom = RotozoomCallback;
const RowCase kRows[] = {
    {0, Position(5, 0), {255, 62}, kLinesKept, down, FocusCallback},  // title
    {1, Position(8, 0), kNoFlash, 0, down, LineFadeInCallback},       // wireframe
    {2, Position(10, 0), kNoFlash, kLinesKept, down, nullptr},
    {3, Position(10, 63), kNoFlash, kLinesKept, down, LineFadeOutCallback},  // line fade-out
    {4, Position(11, 63), kWhiteFlash, kLinesKept, down, nullptr},           // flare cloud
    {5, Position(12, 32), kWhiteFlash, kLinesKept, down, flicker},           // glass
    {6, Position(13, 0), {0, 4}, kLinesKept, up, nullptr},                   // fade to white
    {7, Position(14, 0), kNoFlash, kRestingLines, down, flicker},            // rays
    {8, Position(14, 32), kNoFlash, kLinesKept, down, nullptr},
    {9, Position(15, 0), {32, 1}, kRestingLines, down, flicker},  // rays again, black dip
    {10, Position(16, 0), kNoFlash, kRestingLines, down, web},    // string web
    {11, Position(16, 8), kWhiteFlash, kLinesKept, down, web},
    {12, Position(16, 16), kNoFlash, kFlashedLines, down, web},  // line flashes
    {13, Position(16, 20), kNoFlash, kFlashedLines, down, web},
    {14, Position(16, 24), kNoFlash, kFlashedLines, down, web},
    {15, Position(16, 32), kNoFlash, kFlashedLines, down, web},
    {16, Position(17, 0), {0, 6}, kLinesKept, up, nullptr},              // fade to white
    {17, Position(18, 0), kWhiteFlash, kLinesKept, down, nullptr},       // grey echo
    {18, Position(19, 0), kWhiteFlash, kLinesKept, down, RollCallback},  // film roll
    {19, Position(20, 0), {128, 1}, kRestingLines, down, nullptr},       // web over picture
    {20, Position(20, 63), kWhiteFlash, kLinesKept, down, nullptr},      // morph
    {21, Position(22, 0), kHalfFlash, kLinesKept, down, nullptr},
    {22, Position(24, 0), kWhiteFlash, kLinesKept, down, TunnelCallback},  // tunnel
    {23, Position(26, 0), kNoFlash, kLinesKept, down, flicker},            // twins
    {24, Position(27, 0), kNoFlash, kLinesKept, down, WaveCallback},       // wave
    {25, Position(28, 0), kNoFlash, kRestingLines, down, flicker},         // web trails
    {26, Position(29, 0), kWhiteFlash, kLinesKept, down, bump},            // bump
    {27, Position(29, 16), kHalfFlash, kLinesKept, down, bump},            // beat flashes
    {28, Position(29, 32), kHalfFlash, kLinesKept, down, bump},
    {29, Position(29, 48), kHalfFlash, kLinesKept, down, bump},
    {30, Position(29, 56), kHalfFlash, kLinesKept, down, bump},
    {31, Position(29, 60), kHalfFlash, kLinesKept, down, bump},
    {32, Position(30, 0), kHalfFlash, kLinesKept, down, bump},
    {33, Position(30, 16), kWhiteFlash, kLinesKept, down, flicker},  // chrome
    {34, Position(32, 0), kNoFlash, kLinesKept, down, flicker},
    {35, Position(32, 16), kWhiteFlash, kLinesKept, down, zoom},  // rotozoom
    {36, Position(34, 0), kNoFlash, kLinesKept, down, zoom},
    {37, Position(36, 0), kNoFlash, kLinesKept, down, nullptr},  // water
    {38, Position(37, 0), {0, 4}, kLinesKept, up, nullptr},      // fade to black
};
static_assert(std::size(kRows) == 39);

using SceneRowsTest = SceneTest;

// Frames between enter and leave are run with drawing off: only where the rows begin and end
// matters here, and the pictures are checked row by row in scene_frames_test.cpp.
struct DrawingOffWhileInScope {
    DrawingOffWhileInScope() { drawingSwitch.off = true; }
    ~DrawingOffWhileInScope() { drawingSwitch.off = false; }
};

TEST_F(SceneRowsTest, EveryRowRunsFromThePreviousEndToItsOwnWithItsEnterActionAndSlots) {
    DrawingOffWhileInScope drawingOff;
    const FadeState sentinel{77, 9, 5};
    constexpr uint32_t kSentinelLines = 0x0A0A0A;
    uint32_t start = 0;
    for (const RowCase& c : kRows) {
        SCOPED_TRACE(testing::Message() << "row " << c.row);
        ASSERT_EQ(CurrentRow(), c.row);
        ASSERT_NE(sequencerState.lastEnteredRow, sequencerState.currentRow);
        fadeState = sentinel;
        lineState.lineColour = kSentinelLines;

        // Entered on the first pass at the previous row's end.
        ASSERT_TRUE(Pass(start, 0));
        ASSERT_EQ(CurrentRow(), c.row);
        ASSERT_EQ(sequencerState.lastEnteredRow, sequencerState.currentRow);
        EXPECT_EQ(fadeState.fadeLevel, c.flash.level == kKept ? sentinel.fadeLevel : c.flash.level);
        EXPECT_EQ(fadeState.fadeDelay, c.flash.delay == kKept ? sentinel.fadeDelay : c.flash.delay);
        EXPECT_EQ(fadeState.fadeCountdown, sentinel.fadeCountdown);  // no enter touches it
        EXPECT_EQ(lineState.lineColour, c.lineColour == kLinesKept ? kSentinelLines : c.lineColour);
        EXPECT_EQ(SlotCallback(kFadeSlot), c.fadeSlot);
        EXPECT_EQ(SlotCallback(kSceneSlot), c.sceneSlot);
        EXPECT_EQ(SlotCallback(kTimerSlot), &AdvanceTimerCounter);

        // Still playing one music row before its end, left at its end.
        ASSERT_TRUE(Pass(c.end - 1, 0));
        ASSERT_EQ(CurrentRow(), c.row);
        const bool running = Pass(c.end, 0);
        if (c.row + 1 < std::size(kRows)) {
            ASSERT_TRUE(running);
            ASSERT_EQ(CurrentRow(), c.row + 1);
        } else {
            // Leaving row 38 empties the fade slot and finds the end row: the show is over.
            EXPECT_FALSE(running);
            EXPECT_EQ(SlotCallback(kFadeSlot), nullptr);
        }
        start = c.end;
    }
}

}  // namespace
}  // namespace qx::test
