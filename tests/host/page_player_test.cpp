// The program as the browser's page drives it, in whole offline runs in this process on the
// placeholder archive and the fake song: requests between frames (play, hold, a jump to any
// music position, the beginning again) land on exactly the frames a show started there shows;
// with page controls the show holds at its end instead of ending; and a seek index built by a
// second run (--seek-index), handed over entry by entry, lands jumps as the program's own index
// does, a jump past what has come waits, preparing, and entries that do not fit are refused.
#include <functional>

#include "host/page_player.h"
#include "scenes/scene_table.h"
#include "support/production_run.h"

namespace qx::test {
namespace {

// Called at every present (a held picture's too) with the number of presents so far.
std::function<void(uint32_t looks)> onLook;
uint32_t looks = 0;

void KeepAndLook(VirtualPlatform& platform, const uint32_t* pixels, uint32_t width,
                 uint32_t height, uint32_t pitch, void* context) {
    Keep(platform, pixels, width, height, pitch, context);
    if (onLook) onLook(++looks);
}

PlayerState StatusState() { return static_cast<PlayerState>(qx_player_status()[0]); }

class PagePlayerTest : public ProductionRunTest {
protected:
    void SetUp() override {
        ProductionRunTest::SetUp();
        platform.presentHook = KeepAndLook;
        looks = 0;
    }
    void TearDown() override {
        onLook = nullptr;
        ProductionRunTest::TearDown();
    }
    std::vector<Shown> RunLooking(std::vector<std::string> words,
                                  std::function<void(uint32_t)> look) {
        looks = 0;
        onLook = std::move(look);
        std::vector<Shown> shown = Run(std::move(words));
        onLook = nullptr;
        return shown;
    }
    // The entries of a --seek-index run, its lines kept from the test's output.
    std::vector<std::vector<uint8_t>> PublishedIndex() {
        testing::internal::CaptureStdout();
        Run({"--headless", "--seek-index"});
        lines = testing::internal::GetCapturedStdout();
        std::vector<std::vector<uint8_t>> entries = std::move(platform.published);
        platform.published.clear();
        return entries;
    }
    std::string lines;
    // The positions the full show's passes read, one past every shown one: inside rows, not at
    // their starts.
    uint32_t PositionInside(size_t frame) {
        const std::vector<Shown>& full = FullShow();
        return full[frame].position + 1;
    }
};

// Held, then moved to positions inside rows, forwards and back, and played on from the last: each
// landing is the picture a start there shows first, and the play goes on as that show does.
TEST_F(PagePlayerTest, AJumpToAnyPositionLandsWhereAStartThereDoes) {
    const std::vector<Shown>& full = FullShow();  // ends: no page controls yet
    platform.pageControls = true;
    const std::vector<uint32_t> targets = {PositionInside(150), PositionInside(40),
                                           PositionInside(230), PositionInside(3)};
    std::vector<uint32_t> landedAt;  // shown frames when each landing was counted
    std::vector<PlayerState> states;
    const std::vector<Shown> shown = RunLooking({"--headless", "--frames", "60"}, [&](uint32_t n) {
        if (n == 10) qx_player_request(static_cast<uint32_t>(PlayerRequest::Pause), 0);
        if (n >= 12 && n < 12 + targets.size())
            qx_player_request(static_cast<uint32_t>(PlayerRequest::SeekTo), targets[n - 12]);
        if (n == 20) qx_player_request(static_cast<uint32_t>(PlayerRequest::Play), 0);
        states.push_back(StatusState());
    });
    ASSERT_EQ(shown.size(), 60u);
    // Ten frames, then the four landings, then the play on from the last.
    for (size_t i = 0; i < targets.size(); ++i)
        EXPECT_EQ(shown[10 + i], From(full, targets[i], 1).front()) << "landing " << i;
    const std::vector<Shown> after(shown.begin() + 10 + static_cast<std::ptrdiff_t>(targets.size()) -
                                       1,
                                   shown.end());
    EXPECT_EQ(after, From(full, targets.back(), after.size()));
    EXPECT_EQ(qx_player_status()[7], targets.size());
    EXPECT_EQ(qx_player_status()[4], targets.back());
    EXPECT_NE(std::find(states.begin(), states.end(), PlayerState::Paused), states.end());
    EXPECT_EQ(states.back(), PlayerState::Playing);
}

// With page controls the show holds its last picture at the end, ended, until the beginning is
// asked for again; a jump past the last row holds there too. Without them it ends.
TEST_F(PagePlayerTest, ThePageHoldsAtTheEndAndPlaysAgainFromTheBeginning) {
    const std::vector<Shown>& full = FullShow();  // ends: no page controls yet
    platform.pageControls = true;
    size_t endedAt = 0;
    bool again = false;
    std::vector<Shown> shown = RunLooking({"--headless"}, [&](uint32_t n) {
        if (StatusState() == PlayerState::Ended && !again && endedAt == 0) endedAt = n;
        if (endedAt != 0 && n == endedAt + 5 && !again) {
            qx_player_request(static_cast<uint32_t>(PlayerRequest::Restart), 0);
            again = true;
        }
        if (again && qx_player_status()[6] > full.size() + 30) loopState.quitFlag = 1;
    });
    ASSERT_NE(endedAt, 0u);
    ASSERT_GT(shown.size(), full.size() + 20);
    // The show played through, its last picture held (the held looks are no frames), then the
    // beginning again.
    EXPECT_EQ(std::vector<Shown>(shown.begin(), shown.begin() + full.size()), full);
    const std::vector<Shown> replay(shown.begin() + full.size(), shown.end());
    EXPECT_EQ(replay, From(full, 0, replay.size()));

    // Right on the last row: the end, held.
    endedAt = 0;
    const uint32_t lastRow = RowStartPosition(kSceneRowCount - 1);
    shown = RunLooking({"--headless", "--start",
                        std::to_string(lastRow >> 8) + ":" + std::to_string(lastRow & 0xFF)},
                       [&](uint32_t n) {
                           if (n == 3)
                               qx_player_request(static_cast<uint32_t>(PlayerRequest::NextRow), 0);
                           if (StatusState() == PlayerState::Ended && endedAt == 0) endedAt = n;
                           if (endedAt != 0 && n > endedAt + 3) loopState.quitFlag = 1;
                       });
    ASSERT_NE(endedAt, 0u);
    EXPECT_EQ(shown.back(), full.back());

    platform.pageControls = false;
    EXPECT_EQ(Run({"--headless"}), full);
}

// Entries of an index built by a second run, handed over one a look: a far jump asked for before
// they reach it prepares (held), lands once they do, on the frame a start there shows; the
// program never plays a shadow show of its own.
TEST_F(PagePlayerTest, AnIndexFromASecondRunLandsJumpsAndAFarJumpWaitsForIt) {
    const std::vector<std::vector<uint8_t>> entries = PublishedIndex();
    ASSERT_GT(entries.size(), 20u);
    EXPECT_NE(lines.find(std::to_string(entries.size()) + " entries, "), std::string::npos);

    const std::vector<Shown>& full = FullShow();  // ends: no page controls yet
    platform.pageControls = true;
    const uint32_t target = PositionInside(full.size() - 20);
    size_t offered = 0;
    bool prepared = false;
    size_t framesBefore = 0;  // shown before the landing
    const std::vector<Shown> shown =
        RunLooking({"--headless", "--frames", "15"}, [&](uint32_t n) {
            if (n == 1) qx_seek_index_from_outside(1);
            if (n == 5) qx_player_request(static_cast<uint32_t>(PlayerRequest::SeekTo), target);
            if (!prepared && StatusState() == PlayerState::Preparing)
                framesBefore = qx_player_status()[6];
            prepared = prepared || StatusState() == PlayerState::Preparing;
            if (n >= 8 && offered < entries.size()) {
                qx_seek_index_offer(entries[offered].data(),
                                    static_cast<uint32_t>(entries[offered].size()));
                ++offered;
            }
        });
    ASSERT_TRUE(prepared);
    ASSERT_EQ(shown.size(), 15u);
    ASSERT_GT(framesBefore, 0u);
    const std::vector<Shown> after(shown.begin() + static_cast<std::ptrdiff_t>(framesBefore),
                                   shown.end());
    EXPECT_EQ(after, From(full, target, after.size()));
    EXPECT_TRUE(showJumpsState.fromOutside);
    EXPECT_EQ(showJumpsState.entries.size(), offered);
    EXPECT_EQ(errors, "");
}

// A damaged entry, and a first entry of another show (one byte of its state changed), are
// refused with a line on standard error; the program builds its index itself from then on and
// the jump still lands exactly.
TEST_F(PagePlayerTest, EntriesThatDoNotFitAreRefusedAndTheIndexIsBuiltHere) {
    const std::vector<std::vector<uint8_t>> entries = PublishedIndex();
    ASSERT_GT(entries.size(), 3u);
    const std::vector<Shown>& full = FullShow();  // ends: no page controls yet
    platform.pageControls = true;
    const uint32_t target = PositionInside(200);

    std::vector<uint8_t> otherShow = entries[0];
    otherShow.back() ^= 0x40;
    std::vector<uint8_t> cut = entries[1];
    cut.resize(cut.size() / 2);
    using Offer = std::vector<std::vector<uint8_t>>;
    for (const Offer& offer : {Offer{otherShow}, Offer{entries[0], cut}}) {
        const std::vector<Shown> shown =
            RunLooking({"--headless", "--frames", "10"}, [&](uint32_t n) {
                if (n == 1) {
                    qx_seek_index_from_outside(1);
                    for (const std::vector<uint8_t>& bytes : offer)
                        qx_seek_index_offer(bytes.data(), static_cast<uint32_t>(bytes.size()));
                }
                if (n == 3) qx_player_request(static_cast<uint32_t>(PlayerRequest::SeekTo), target);
            });
        ASSERT_EQ(shown.size(), 10u);
        EXPECT_EQ(shown[3], From(full, target, 1).front());
        EXPECT_FALSE(showJumpsState.fromOutside);
        EXPECT_NE(errors.find("seek index entry from outside was"), std::string::npos) << errors;
    }
}

}  // namespace
}  // namespace qx::test
