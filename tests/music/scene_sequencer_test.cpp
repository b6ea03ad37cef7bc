#include "support/host_fixture.h"

namespace qx::test {
namespace {

std::string trace;
bool failFrames;
bool EnterA() { return trace += "eA ", true; }
bool FrameA() { return trace += "fA ", !failFrames; }
bool LeaveA() { return trace += "lA ", true; }
bool EnterB() { return trace += "eB ", true; }
bool FrameB() { return trace += "fB ", true; }
bool LeaveB() { return trace += "lB ", true; }

// MusicPosition is 0 without a sound module, so end position 0 means "already over".
constexpr SceneTableRow kTwoRows[] = {{1, EnterA, FrameA, LeaveA},
                                      {1, EnterB, FrameB, LeaveB},
                                      {kEndRowPosition, nullptr, nullptr, nullptr}};
constexpr SceneTableRow kOverRows[] = {{0, EnterA, FrameA, LeaveA},
                                       {0, EnterB, FrameB, LeaveB},
                                       {kEndRowPosition, nullptr, nullptr, nullptr}};
constexpr SceneTableRow kSameRoutinesTwice[] = {{0, EnterA, FrameA, LeaveA},
                                                {1, EnterA, FrameA, LeaveA},
                                                {kEndRowPosition, nullptr, nullptr, nullptr}};
constexpr SceneTableRow kEndOnly[] = {{kEndRowPosition, nullptr, nullptr, nullptr}};

class SceneSequencerTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        trace.clear();
        failFrames = false;
    }
    // Runs passes and returns their results as a string of 1 and 0.
    std::string Passes(int n) {
        std::string results;
        for (int i = 0; i < n; ++i) results += RunSequencer() ? '1' : '0';
        return results;
    }
    // n passes over `table` give `results` and call the routines of `calls`, in order.
    void ExpectPasses(const SceneTableRow* table, int n, const char* results, const char* calls) {
        SetSceneTable(table);
        EXPECT_EQ(Passes(n), results);
        EXPECT_EQ(trace, calls);
    }
};

TEST_F(SceneSequencerTest, FirstPassEntersThenFramesFollow) {
    ExpectPasses(kTwoRows, 3, "111", "eA fA fA ");
}

TEST_F(SceneSequencerTest, FailingFrameLeavesInTheSamePass) {
    failFrames = true;
    ExpectPasses(kTwoRows, 3, "111", "eA fA lA eB ");
}

TEST_F(SceneSequencerTest, RowsAlreadyOverAreLeftOnePerPassWithoutEntering) {
    ExpectPasses(kOverRows, 3, "100", "lA lB ");
}

TEST_F(SceneSequencerTest, EndOnlyTableOrNoTableFailsAndCallsNothing) {
    EXPECT_EQ(Passes(2), "00");
    ExpectPasses(kEndOnly, 1, "0", "");
}

TEST_F(SceneSequencerTest, SameRoutinesInTwoRowsAreEnteredAgain) {
    ExpectPasses(kSameRoutinesTwice, 3, "111", "lA eA fA ");
}

TEST_F(SceneSequencerTest, LastPassRecordsKindRowAndPosition) {
    ASSERT_TRUE(MusicInit(kMusicKindModule, nullptr));
    fakeSound.order = 0;
    fakeSound.row = 0;
    SetSceneTable(kTwoRows);
    failFrames = true;  // row 0's frame fails: that pass leaves it
    std::string passes;
    for (int i = 0; i < 6; ++i) {
        if (i == 3) fakeSound.order = 1;  // rows end at position 1: row 1 is left
        RunSequencer();
        passes += "NEFL"[static_cast<int>(sequencerState.lastPass)];
        if (sequencerState.lastPass != SequencerPass::None)
            passes += std::to_string(sequencerState.lastPassRow);
        passes += " ";
    }
    EXPECT_EQ(passes, "E0 L0 E1 L1 N N ");
    EXPECT_EQ(sequencerState.lastPassPosition, 0x100u);
    MusicShutdown();
}

}  // namespace
}  // namespace qx::test
