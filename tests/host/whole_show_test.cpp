// The whole production, offline, in this process: the program file with its appended archive as
// the platform's executable, the real sound module beside the test program on the virtual
// clock. Every present is watched to see which rows the sequencer entered.
#include <algorithm>
#include <numeric>

#include "scenes/scene_table.h"
#include "support/host_fixture.h"

namespace qx::test {
namespace {

struct ShowWatch {
    std::vector<uint32_t> enteredRows;
    uint64_t presents = 0;
    bool lastPictureBlack = false;
};

void WatchPresent(VirtualPlatform&, const uint32_t* pixels, uint32_t width, uint32_t height,
                  uint32_t pitch, void* context) {
    ShowWatch& watch = *static_cast<ShowWatch*>(context);
    ++watch.presents;
    if (sequencerState.lastPass == SequencerPass::Enter)
        watch.enteredRows.push_back(sequencerState.lastPassRow);
    bool black = true;
    for (uint32_t y = 0; y < height && black; ++y)
        black = std::all_of(pixels + y * pitch, pixels + y * pitch + width,
                            [](uint32_t p) { return (p & 0xFFFFFF) == 0; });
    watch.lastPictureBlack = black;
}

class WholeShowTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_TRUE(UseBuiltProgram(QX_PROGRAM_FILE, WatchPresent, &watch));
    }
    ShowWatch watch;
};

// At 24 frames a second; at 60 the whole show is pinned picture by picture (row_digests.sh).
TEST_F(WholeShowTest, EntersEveryRowOnceInOrderAndEndsBlackWithExitCode0) {
    ASSERT_EQ(ParseWords({"--headless", "--fps", "24"}), CommandLineResult::Run);
    EXPECT_EQ(RunProduction(), 0u);
    std::vector<uint32_t> everyRow(kSceneRowCount);
    std::iota(everyRow.begin(), everyRow.end(), 0u);
    EXPECT_EQ(watch.enteredRows, everyRow);
    EXPECT_EQ(watch.presents, loopState.passCount);
    EXPECT_TRUE(watch.lastPictureBlack);  // the water has faded out to black
    // About 199 s of show.
    EXPECT_NEAR(static_cast<double>(loopState.passCount) / 24, 198.4, 0.5);
}

}  // namespace
}  // namespace qx::test
