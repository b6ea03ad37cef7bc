#include "support/host_fixture.h"

namespace qx::test {
namespace {

int calls[kTickSlotCount];
void Count0() { ++calls[0]; }
void Count3() { ++calls[3]; }
void Count9() { ++calls[9]; }
void Count15() { ++calls[15]; }

class TickSchedulerTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        std::fill(std::begin(calls), std::end(calls), 0);
        ASSERT_TRUE(StartTicks(1));
        tickScheduler.lastTickTime = platform.clock = 1000;
    }
};

TEST_F(TickSchedulerTest, ReloadOneFiresOnEverySecondPass) {
    RegisterTickSlot(3, 1, Count3);
    // The last step's 10 passes caught up in one call.
    ExpectAfterTicks([] { return calls[3]; }, {{1, 0}, {1, 1}, {10, 6}});
    EXPECT_EQ(tickScheduler.lastTickTime, 1012u);
}

TEST_F(TickSchedulerTest, ReloadZeroFiresOnEveryPass) {
    RegisterTickSlot(0, 0, Count0);
    Ticks(17);
    EXPECT_EQ(calls[0], 17);
}

TEST_F(TickSchedulerTest, FractionsOfAPeriodCarryOver) {
    ASSERT_TRUE(StartTicks(4));
    tickScheduler.lastTickTime = 1000;
    RegisterTickSlot(0, 0, Count0);
    Ticks(3);
    EXPECT_EQ(calls[0], 0);
    EXPECT_EQ(tickScheduler.lastTickTime, 1000u);
    Ticks(6);  // 9 ms: two whole periods, 1 ms carried
    EXPECT_EQ(calls[0], 2);
    EXPECT_EQ(tickScheduler.lastTickTime, 1008u);
}

TEST_F(TickSchedulerTest, SlotNumbersAbove15AreIgnored) {
    RegisterTickSlot(16, 0, Count0);
    RegisterTickSlot(0xFFFFFFFF, 0, Count0);
    RegisterTickSlot(15, 0, Count15);
    Ticks(2);
    EXPECT_EQ(calls[0], 0);
    EXPECT_EQ(calls[15], 2);
    UnregisterTickSlot(16);
    EXPECT_EQ(tickScheduler.slots[15].active, 1u);
}

TEST_F(TickSchedulerTest, ReRegisteringReplacesCallbackAndRestartsCountdown) {
    RegisterTickSlot(3, 1, Count3);
    Ticks(1);  // countdown 1 -> 0
    RegisterTickSlot(3, 2, Count9);
    ExpectAfterTicks([] { return calls[9]; }, {{2, 0}, {1, 1}});
    EXPECT_EQ(calls[3], 0);
}

TEST_F(TickSchedulerTest, OnlyActiveExactlyOneRuns) {
    RegisterTickSlot(0, 0, Count0);
    tickScheduler.slots[0].active = 2;
    Ticks(5);
    EXPECT_EQ(calls[0], 0);
    EXPECT_EQ(tickScheduler.slots[0].countdown, 0u);
}

TEST_F(TickSchedulerTest, StopKeepsSlotsAndLeavesNoBacklog) {
    RegisterTickSlot(0, 0, Count0);
    StopTicks();
    Ticks(50);
    EXPECT_EQ(calls[0], 0);
    EXPECT_EQ(tickScheduler.slots[0].active, 1u);
    EXPECT_EQ(tickScheduler.lastTickTime, 1050u);
    tickScheduler.period = 1;
    Ticks(1);
    EXPECT_EQ(calls[0], 1);
}

TEST_F(TickSchedulerTest, StartClearsSlotsAndPeriodZeroFailsWithCode3) {
    RegisterTickSlot(0, 0, Count0);
    EXPECT_FALSE(StartTicks(0));
    EXPECT_EQ(errorState.errorCode, 3u);
    EXPECT_EQ(tickScheduler.slots[0].active, 0u);
    EXPECT_EQ(tickScheduler.slots[0].callback, nullptr);
}

// Callbacks that change slots during a pass.
void RegisterHigher() { RegisterTickSlot(9, 0, Count9); }
void UnregisterSelf() {
    ++calls[3];
    UnregisterTickSlot(3);
}
void RegisterLowerZero() { RegisterTickSlot(0, 0, Count0); }

TEST_F(TickSchedulerTest, HigherSlotRegisteredMidPassRunsInThatPass) {
    RegisterTickSlot(3, 0, RegisterHigher);
    Ticks(1);
    EXPECT_EQ(calls[9], 1);  // registered with reload 0 and reached in the same pass
}

TEST_F(TickSchedulerTest, LowerSlotRegisteredMidPassWaitsForNextPass) {
    RegisterTickSlot(3, 0, RegisterLowerZero);
    ExpectAfterTicks([] { return calls[0]; }, {{1, 0}, {1, 1}});
}

TEST_F(TickSchedulerTest, SelfUnregisteringCallbackIsNotCalledAgain) {
    RegisterTickSlot(3, 0, UnregisterSelf);
    Ticks(5);
    EXPECT_EQ(calls[3], 1);
}

TEST_F(TickSchedulerTest, ClockWrapDoesNotStallTicks) {
    tickScheduler.lastTickTime = platform.clock = 0xFFFFFFF0u;
    RegisterTickSlot(0, 0, Count0);
    Ticks(0x20);  // the clock wraps to 0x10
    EXPECT_EQ(calls[0], 0x20);
    EXPECT_EQ(tickScheduler.lastTickTime, 0x10u);
}

TEST_F(TickSchedulerTest, TickTimeAheadOfTheClockWaitsForIt) {
    RegisterTickSlot(0, 0, Count0);
    tickScheduler.lastTickTime = platform.clock + 8;
    Ticks(5);  // still 3 ms short: nothing runs (not 2^32 passes)
    EXPECT_EQ(calls[0], 0);
    EXPECT_EQ(tickScheduler.lastTickTime, 1008u);
    Ticks(5);
    EXPECT_EQ(calls[0], 2);
    EXPECT_EQ(tickScheduler.lastTickTime, 1010u);
}

}  // namespace
}  // namespace qx::test
