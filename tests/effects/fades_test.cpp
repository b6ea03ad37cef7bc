#include "support/host_fixture.h"

namespace qx::test {
namespace {

class FadesTest : public HostTest {};

TEST_F(FadesTest, LevelMovesOnceEveryDelayPlusOneCallsAndSaturates) {
    fadeState = {3, 1, 0};
    FadeDownTick();  // countdown 0: step, countdown = delay
    EXPECT_EQ(fadeState.fadeLevel, 2);
    FadeDownTick();
    EXPECT_EQ(fadeState.fadeLevel, 2);
    FadeDownTick();
    FadeDownTick();
    FadeDownTick();
    FadeDownTick();
    EXPECT_EQ(fadeState.fadeLevel, 0);
    fadeState.fadeCountdown = 7;
    FadeDownTick();  // at 0 nothing happens, not even the countdown
    EXPECT_EQ(fadeState.fadeCountdown, 7);

    fadeState = {254, 0, 0};
    FadeUpTick();
    FadeUpTick();
    FadeUpTick();
    EXPECT_EQ(fadeState.fadeLevel, 255);
}

TEST_F(FadesTest, FullFadeWithDelayOneTakesAbout1020Ticks) {
    ASSERT_TRUE(StartTicks(1));
    RegisterTickSlot(1, 1, FadeDownTick);
    fadeState = {255, 1, 0};
    platform.clock = 1019;
    DispatchTicks();
    EXPECT_EQ(fadeState.fadeLevel, 0);
    fadeState = {255, 1, 0};
    tickScheduler.lastTickTime = platform.clock = 0;
    platform.clock = 1015;
    DispatchTicks();
    EXPECT_GT(fadeState.fadeLevel, 0);
}

}  // namespace
}  // namespace qx::test
