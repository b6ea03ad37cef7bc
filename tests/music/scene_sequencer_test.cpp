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
};

TEST_F(SceneSequencerTest, FirstPassEntersThenFramesFollow) {
    SetSceneTable(kTwoRows);
    EXPECT_EQ(Passes(3), "111");
    EXPECT_EQ(trace, "eA fA fA ");
}

TEST_F(SceneSequencerTest, FailingFrameLeavesInTheSamePass) {
    SetSceneTable(kTwoRows);
    failFrames = true;
    EXPECT_EQ(Passes(3), "111");
    EXPECT_EQ(trace, "eA fA lA eB ");
}

TEST_F(SceneSequencerTest, RowsAlreadyOverAreLeftOnePerPassWithoutEntering) {
    SetSceneTable(kOverRows);
    EXPECT_EQ(Passes(3), "100");
    EXPECT_EQ(trace, "lA lB ");
}

TEST_F(SceneSequencerTest, EndOnlyTableOrNoTableFailsAndCallsNothing) {
    EXPECT_EQ(Passes(2), "00");
    SetSceneTable(kEndOnly);
    EXPECT_EQ(Passes(1), "0");
    EXPECT_EQ(trace, "");
}

TEST_F(SceneSequencerTest, SameRoutinesInTwoRowsAreEnteredAgain) {
    SetSceneTable(kSameRoutinesTwice);
    EXPECT_EQ(Passes(3), "111");
    EXPECT_EQ(trace, "lA eA fA ");
}

}  // namespace
}  // namespace qx::test
