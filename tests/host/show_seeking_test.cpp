// The viewer's keys and the platform's holds at the show's edges, in whole offline runs in this
// process: the first row and the last, order 0 and past the last order, keys queued together,
// jumps and steps while paused, a page that lands inside a row followed by Left, holds while
// playing and pauses during holds. Every present is also checked against the song: the song is
// where the picture is (the position the pass read, paused or not), and the show's time of play
// gives the song's position. On the placeholder archive with the fake song at 4 ms a row (8 ms
// where a row must last more than a second).
#include "scenes/scene_table.h"
#include "support/production_run.h"

namespace qx::test {
namespace {

struct Press {
    uint32_t at;  // ms of the platform's clock
    KeyCode key;
};

// What every present of a run said beyond the picture: the frame rate of each new frame, and
// any present at which song and show disagreed.
struct PresentChecks {
    bool timeOfPlay = true;  // check the show's time of play against the song
    std::vector<uint32_t> frameRates;
    std::vector<std::string> disagreements;
    uint32_t presentsWhilePaused = 0;
    uint32_t pausedPresentMs = 0;  // the clock's time a present takes while paused
};
PresentChecks checks;

void KeepAndCheck(VirtualPlatform& platform, const uint32_t* pixels, uint32_t width,
                  uint32_t height, uint32_t pitch, void* context) {
    const size_t framesBefore = static_cast<Watch*>(context)->shown.size();
    Keep(platform, pixels, width, height, pitch, context);
    const bool newFrame = static_cast<Watch*>(context)->shown.size() > framesBefore;
    if (newFrame) checks.frameRates.push_back(hostSettings.frameRate);
    if (viewerState.paused) {
        ++checks.presentsWhilePaused;
        platform.clock += checks.pausedPresentMs;
    }
    const auto disagree = [&](const char* what, uint32_t song, uint32_t show) {
        char text[128];
        std::snprintf(text, sizeof text, "clock %u%s: song at %04X, %s %04X", platform.clock,
                      viewerState.paused ? " paused" : "", song, what, show);
        checks.disagreements.push_back(text);
    };
    // Playing, the ticks have run up to the clock at most: show times ahead of it stall them.
    if (!viewerState.paused &&
        static_cast<int32_t>(platform.clock - tickScheduler.lastTickTime) < 0) {
        char text[96];
        std::snprintf(text, sizeof text, "clock %u: ticks run up to %u", platform.clock,
                      tickScheduler.lastTickTime);
        checks.disagreements.push_back(text);
    }
    const uint32_t heard = MusicPosition();
    if (heard != sequencerState.lastPassPosition)
        disagree("picture at", heard, sequencerState.lastPassPosition);
    // Paused, the show's time of play stands still only once it goes on again.
    if (newFrame && checks.timeOfPlay) {
        const uint32_t timeline = MusicPositionAt(MusicPlayedMilliseconds());
        if (timeline != heard) disagree("time of play at", heard, timeline);
    }
}

class ShowSeekingTest : public ProductionRunTest {
protected:
    void SetUp() override {
        ProductionRunTest::SetUp();
        platform.presentHook = KeepAndCheck;
        checks = {};
        msPerRow = 4;
    }
    std::vector<Shown> RunWithKeys(std::vector<std::string> words, const std::vector<Press>& keys,
                                   Watch watch = {}) {
        const PresentChecks settings = checks;
        checks = {};
        checks.timeOfPlay = settings.timeOfPlay;
        checks.pausedPresentMs = settings.pausedPresentMs;
        platform.ClearEvents();
        for (const Press& press : keys) platform.QueueEvent(KeyDown(press.key), press.at);
        std::vector<Shown> shown = Run(std::move(words), std::move(watch));
        EXPECT_EQ(checks.disagreements, std::vector<std::string>{});
        return shown;
    }
    // The reference: the show played straight through, with its clocks and frame rates.
    struct Reference {
        std::vector<Shown> shown;
        std::vector<uint32_t> clocks, frameRates;
    };
    Reference Straight(std::vector<std::string> words = {"--headless"}) {
        Reference reference;
        reference.shown = RunWithKeys(std::move(words), {});
        reference.clocks = watched.clocks;
        reference.frameRates = checks.frameRates;
        return reference;
    }
    static uint32_t OrderStart(uint32_t order) { return order << 8; }
    // The whole show at 4 ms a row, played once per test program.
    const Reference& Full() {
        static const Reference full = Straight();
        return full;
    }
    // Frames the reference shows before a key pressed at `at` is applied: the key is polled at the
    // end of the first pass at or after that clock.
    static size_t FramesBefore(const Reference& reference, uint32_t at) {
        return static_cast<size_t>(
                   std::lower_bound(reference.clocks.begin(), reference.clocks.end(), at) -
                   reference.clocks.begin()) +
               1;
    }
};

std::vector<Shown> Landings(const std::vector<Shown>& full, std::initializer_list<uint32_t> at) {
    std::vector<Shown> landings;
    for (const uint32_t position : at) landings.push_back(From(full, position, 1).at(0));
    return landings;
}

std::vector<Shown> Concat(std::initializer_list<std::vector<Shown>> parts) {
    std::vector<Shown> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The show's start is the floor: Left in the first row, within its first second and after it,
// and Page Up in order 0 all land on program start and play on from there.
TEST_F(ShowSeekingTest, LeftInTheFirstRowAndPageUpInOrderZeroGoToProgramStart) {
    const Reference& full = Full();
    ASSERT_GT(RowStartPosition(1) * 4u / 256 * 64, 1200u) << "the first row should last > 1 s";
    const std::vector<Shown> shown =
        RunWithKeys({"--headless", "--frames", "300"},
                    {{100, KeyCode::PageUp}, {300, KeyCode::Left}, {1500, KeyCode::Left}});
    const std::vector<std::vector<Shown>> segments = Segments(shown);
    ASSERT_EQ(segments.size(), 4u);
    for (size_t i = 1; i < segments.size(); ++i)
        EXPECT_EQ(segments[i], From(full.shown, 0, segments[i].size())) << "landing " << i;
    EXPECT_GT(segments.back().size(), 80u);  // more than a second into the first row
}

// Right on the last row ends the show as its end does, paused or not: with --loop it starts
// again from the beginning, playing, the song from its start.
TEST_F(ShowSeekingTest, RightOnTheLastRowWhilePausedStartsTheShowAgainPlaying) {
    const Reference& full = Full();
    std::vector<Press> keys{{50, KeyCode::Space}};
    uint32_t at = 50;
    for (uint32_t row = 1; row < kSceneRowCount; ++row) keys.push_back({at += 20, KeyCode::Right});
    keys.push_back({at += 20, KeyCode::Right});  // on the last row: the end
    Watch watch;
    watch.endAtClock = at + 1000;
    const std::vector<Shown> shown =
        RunWithKeys({"--headless", "--loop", "--frames", "100000"}, keys, watch);

    std::vector<Shown> expected = From(full.shown, 0, FramesBefore(full, 50));
    for (uint32_t row = 1; row < kSceneRowCount; ++row)
        expected.push_back(From(full.shown, RowStartPosition(row), 1).at(0));
    ASSERT_GT(shown.size(), expected.size() + 50) << "the show should play on after the end";
    const size_t playedOn = shown.size() - expected.size();
    EXPECT_EQ(shown, Concat({expected, From(full.shown, 0, playedOn)}));
    EXPECT_FALSE(viewerState.paused);
}

// A page past the last order while paused lands on the pass that finds the end; with --loop the
// show should start again playing, as Right on the last row does. Today it starts again paused,
// the song held from before the end (the fake song's position goes wrong, the real one's time of
// play runs negative when let go).
TEST_F(ShowSeekingTest, PagePastTheLastOrderWhilePausedStartsTheShowAgainPlaying) {
    const Reference& full = Full();
    std::vector<Press> keys{{50, KeyCode::Space}};
    uint32_t at = 50;
    const uint32_t lastOrder = RowStartPosition(kSceneRowCount - 1) >> 8;
    for (uint32_t order = 1; order <= lastOrder + 1; ++order)
        keys.push_back({at += 20, KeyCode::PageDown});
    Watch watch;
    watch.endAtClock = at + 1000;
    const std::vector<Shown> shown =
        RunWithKeys({"--headless", "--loop", "--frames", "100000"}, keys, watch);

    std::vector<Shown> expected = From(full.shown, 0, FramesBefore(full, 50));
    for (uint32_t order = 1; order <= lastOrder + 1; ++order)
        expected.push_back(From(full.shown, OrderStart(order), 1).at(0));
    ASSERT_GT(shown.size(), expected.size() + 50) << "the show should play on after the end";
    const size_t playedOn = shown.size() - expected.size();
    EXPECT_EQ(shown, Concat({expected, From(full.shown, 0, playedOn)}));
    EXPECT_FALSE(viewerState.paused);
}

// Keys pressed together are applied one jump or step a pass, each jump's first frame shown: three
// Rights at once while playing; Space and Right at once (paused on the landing), two steps at
// once, then Space; Right and Space at once (the landing shown, then paused).
TEST_F(ShowSeekingTest, KeysPressedTogetherAreAppliedOneJumpOrStepAPass) {
    const Reference& full = Full();
    Watch watch;
    watch.endAtClock = 5000;
    const std::vector<Shown> shown = RunWithKeys({"--headless"},
                                                 {{300, KeyCode::Right},
                                                  {300, KeyCode::Right},
                                                  {300, KeyCode::Right},
                                                  {1500, KeyCode::Space},
                                                  {1500, KeyCode::Right},
                                                  {2500, KeyCode::Period},
                                                  {2500, KeyCode::Period},
                                                  {3000, KeyCode::Space},
                                                  {4000, KeyCode::Right},
                                                  {4000, KeyCode::Space}},
                                                 watch);
    const std::vector<std::vector<Shown>> segments = Segments(shown);
    ASSERT_EQ(segments.size(), 6u);
    EXPECT_EQ(segments[0], From(full.shown, 0, FramesBefore(full, 300)));
    EXPECT_EQ(segments[1], Landings(full.shown, {RowStartPosition(1)}));
    EXPECT_EQ(segments[2], Landings(full.shown, {RowStartPosition(2)}));
    EXPECT_EQ(segments[3], From(full.shown, RowStartPosition(3), segments[3].size()));
    // Paused on the next row's start at 1500 ms: two steps at 2500 ms, played on from 3000 ms.
    const uint32_t pausedRow = RowAt(segments[3].back().position) + 1;
    EXPECT_EQ(segments[4], From(full.shown, RowStartPosition(pausedRow), segments[4].size()));
    ASSERT_GT(segments[4].size(), 4u);
    const size_t landing = shown.size() - segments[5].size() - segments[4].size();
    EXPECT_LT(watched.clocks[landing], 1600u);
    EXPECT_GE(watched.clocks[landing + 1], 2500u);
    EXPECT_LT(watched.clocks[landing + 2], 2600u);
    EXPECT_GE(watched.clocks[landing + 3], 3000u);
    const uint32_t lastRow = RowAt(segments[4].back().position) + 1;
    EXPECT_EQ(segments[5], Landings(full.shown, {RowStartPosition(lastRow)}));
    EXPECT_TRUE(viewerState.paused);
    EXPECT_GT(checks.presentsWhilePaused, 20u);  // the landing shown again while paused
}

// Paused, Home, Right, Page Down and Page Up each show their landing and nothing more: the show
// stays paused on it, the song held where the picture is; Space plays on from the last landing.
TEST_F(ShowSeekingTest, JumpsWhilePausedStayPausedOnTheLanding) {
    const Reference& full = Full();
    Watch watch;
    watch.endAtClock = 3000;
    const std::vector<Shown> shown = RunWithKeys({"--headless"},
                                                 {{100, KeyCode::Space},
                                                  {300, KeyCode::Home},
                                                  {600, KeyCode::Right},
                                                  {900, KeyCode::PageDown},
                                                  {1200, KeyCode::PageUp},
                                                  {2000, KeyCode::Space}},
                                                 watch);
    const size_t before = FramesBefore(full, 100);
    const std::vector<Shown> landings =
        Landings(full.shown, {0, RowStartPosition(1), OrderStart((RowStartPosition(1) >> 8) + 1)});
    ASSERT_GT(shown.size(), before + landings.size() + 30);
    const size_t playedOn = shown.size() - before - landings.size();
    EXPECT_EQ(shown, Concat({From(full.shown, 0, before), landings,
                             From(full.shown, RowStartPosition(1), playedOn)}));
    EXPECT_GE(watched.clocks[before + landings.size() + 1], 2000u);
    EXPECT_FALSE(viewerState.paused);
}

// At 11 ms a music row the second row (orders 5 to 7) lasts 2.1 s, and no frame reads its
// first music row. Paused, a page lands inside it, and Left counts the time in the row from the
// row's start, not from the landing: 0.7 s in (order 6) it goes to the row before, 1.4 s in
// (order 7) to the row's own start.
TEST_F(ShowSeekingTest, LeftAfterAPageCountsTheTimeFromTheStartOfTheRow) {
    msPerRow = 11;
    const Reference full = Straight({"--headless", "--frames", "330"});
    const uint32_t row1 = RowStartPosition(1);
    ASSERT_EQ(row1, OrderStart(5));
    ASSERT_GT(From(full.shown, row1, 1).at(0).position, row1);
    std::vector<Press> keys{{100, KeyCode::Space}};
    uint32_t at = 100;
    for (const KeyCode key : {KeyCode::Right, KeyCode::PageDown, KeyCode::Left, KeyCode::Right,
                              KeyCode::PageDown, KeyCode::PageDown, KeyCode::Left, KeyCode::Space})
        keys.push_back({at += 200, key});
    Watch watch;
    watch.endAtClock = at + 500;
    const std::vector<Shown> shown = RunWithKeys({"--headless"}, keys, watch);
    const size_t before = FramesBefore(full, 100);
    const std::vector<Shown> landings = Landings(
        full.shown, {row1, OrderStart(6), 0, row1, OrderStart(6), OrderStart(7), row1});
    ASSERT_GT(shown.size(), before + landings.size() + 20);
    const size_t playedOn = shown.size() - before - landings.size() + 1;
    EXPECT_EQ(shown, Concat({From(full.shown, 0, before),
                             std::vector<Shown>(landings.begin(), landings.end() - 1),
                             From(full.shown, row1, playedOn)}));
}

// Played into a row (no jump), Left goes to the row before within the row's first second: on the
// 59th pass after the one that entered the row at 60 frames a second, and to the row's own start
// on the 60th (1000 ms). At 8 ms a music row, the second row lasts 1.5 s.
TEST_F(ShowSeekingTest, LeftWithinTheFirstSecondOfARowPlayedIntoGoesToTheRowBefore) {
    msPerRow = 8;
    const Reference full = Straight({"--headless", "--frames", "300"});
    const uint32_t row1 = RowStartPosition(1);
    // The first pass at the row's start leaves the row before; the next one enters the row.
    const auto leave = static_cast<size_t>(
        std::find_if(full.shown.begin(), full.shown.end(),
                     [&](const Shown& s) { return s.position >= row1; }) -
        full.shown.begin());
    const size_t entered = leave + 1;
    ASSERT_LT(entered + 80, full.shown.size());
    for (const auto& [passesInRow, landing] :
         {std::pair{59u, uint32_t{0}}, std::pair{60u, row1}}) {
        SCOPED_TRACE(passesInRow);
        // Polled after pass entered + passesInRow - 1, applied before the next one.
        const uint32_t pressed = full.clocks[entered + passesInRow - 1];
        const std::vector<Shown> shown = RunWithKeys(
            {"--headless", "--frames", std::to_string(entered + passesInRow + 20)},
            {{pressed, KeyCode::Left}});
        const size_t before = entered + passesInRow;
        ASSERT_EQ(shown.size(), before + 20);
        EXPECT_EQ(std::vector<Shown>(shown.begin(), shown.begin() + before),
                  From(full.shown, 0, before));
        EXPECT_EQ(std::vector<Shown>(shown.begin() + before, shown.end()),
                  From(full.shown, landing, 20));
    }
}

// Held by the platform while playing (a browser tab in the background): the music paused, no
// pass run, and afterwards the show goes on as if the time held had not passed: the same frames,
// frame rates and ticks, each frame later by the time held (looked at every 50 ms), none rushed.
// A Space pressed during the hold pauses the show once the hold ends, and Right jumps then.
TEST_F(ShowSeekingTest, HoldWhilePlayingLeavesNoTraceButTheTimeHeld) {
    constexpr size_t kFrames = 240;
    const Reference& full = Full();
    const std::vector<Shown> straight = From(full.shown, 0, kFrames);
    const std::vector<uint32_t> rates(full.frameRates.begin(), full.frameRates.begin() + kFrames);
    const std::vector<std::string> words{"--headless", "--frames", std::to_string(kFrames)};
    const uint32_t from = 1000, until = 2000;
    platform.showHeldFrom = from;
    platform.showHeldUntil = until;
    const std::vector<Shown> shown = RunWithKeys(words, {});
    EXPECT_EQ(shown, straight);
    EXPECT_EQ(checks.frameRates, rates);
    // Noticed at the end of the first pass at or after `from`, let go at the first look after.
    const size_t held = FramesBefore(full, from);
    const uint32_t heldAt = full.clocks[held - 1];
    const uint32_t heldFor = (until - heldAt + 49) / 50 * 50;
    ASSERT_EQ(watched.clocks.size(), kFrames);
    for (size_t i = 0; i < kFrames; ++i)
        ASSERT_EQ(watched.clocks[i], full.clocks[i] + (i < held ? 0 : heldFor)) << "frame " << i;
    EXPECT_EQ(std::count(fakeSound.calls.begin(), fakeSound.calls.end(), "Pause 1"), 1);
    EXPECT_EQ(std::count(fakeSound.calls.begin(), fakeSound.calls.end(), "Pause 0"), 1);

    // Space during the hold, Space again later: the frames, rates and ticks are the same again,
    // every frame after the pause later by one and the same time.
    const std::vector<Shown> paused =
        RunWithKeys(words, {{1500, KeyCode::Space}, {3000, KeyCode::Space}});
    EXPECT_EQ(paused, straight);
    EXPECT_EQ(checks.frameRates, rates);
    ASSERT_EQ(watched.clocks.size(), kFrames);
    EXPECT_EQ(watched.clocks[held - 1], heldAt);
    const uint32_t late = watched.clocks[held] - full.clocks[held];
    EXPECT_GE(late, 3000u - heldAt);
    for (size_t i = held; i < kFrames; ++i)
        ASSERT_EQ(watched.clocks[i], full.clocks[i] + late) << "frame " << i;

    // Right during the hold: the show lands on the next row's start once the hold ends.
    const std::vector<Shown> jumped = RunWithKeys(words, {{1500, KeyCode::Right}});
    platform.showHeldFrom = platform.showHeldUntil = 0;
    const uint32_t next = RowStartPosition(RowAt(full.shown[held - 1].position) + 1);
    ASSERT_EQ(jumped.size(), kFrames);
    EXPECT_EQ(jumped, Concat({From(full.shown, 0, held), From(full.shown, next, kFrames - held)}));
    EXPECT_EQ(watched.clocks[held], heldAt + heldFor);
}

// '.' while playing does nothing; paused, 70 of them pressed at once are 64 steps (the keys
// beyond the 64 waiting are dropped), each one frame on, the song held between them. Let go,
// the show plays on: the frames and frame rates are the straight show's.
TEST_F(ShowSeekingTest, StepsOnlyWhilePausedAndAtMostTheKeysThatWait) {
    const Reference& full = Full();
    std::vector<Press> keys{{300, KeyCode::Period}, {301, KeyCode::Period}, {600, KeyCode::Space}};
    for (int i = 0; i < 70; ++i) keys.push_back({800, KeyCode::Period});
    keys.push_back({3000, KeyCode::Space});
    const std::vector<Shown> shown = RunWithKeys({"--headless", "--frames", "300"}, keys);
    EXPECT_EQ(shown, From(full.shown, 0, 300));
    EXPECT_EQ(checks.frameRates,
              std::vector<uint32_t>(full.frameRates.begin(), full.frameRates.begin() + 300));
    const auto shownBetween = [&](uint32_t from, uint32_t until) {
        return std::count_if(watched.clocks.begin(), watched.clocks.end(),
                             [&](uint32_t clock) { return clock >= from && clock < until; });
    };
    EXPECT_EQ(shownBetween(800, 3000), 64);
    EXPECT_EQ(shownBetween(601, 800), 0);  // the pass at 600 ms polls the Space
    EXPECT_EQ(std::count(fakeSound.calls.begin(), fakeSound.calls.end(), "Pause 1"), 65);
}

// On the window the seek index is built in the time between frames and while paused, by a shadow
// show swapped in and out around the watched one. Home four frames in (the index far from
// built) lands on program start, and the show played on while the index is built is the offline
// run's; paused, pages and rows land where the offline run's do. (The fake song follows the
// window's clock once a start part-way has handed it one.)
TEST_F(ShowSeekingTest, OnTheWindowTheIndexBuiltBetweenFramesChangesNoFrame) {
    const Reference& full = Full();
    checks.timeOfPlay = false;  // see OnTheWindowAStartPartWayKeepsTheSongsTimeOfPlay
    windowClock = 100000;
    const std::vector<Shown> home =
        RunWithKeys({"--start", "0:1", "--frames", "240"}, {{windowClock + 40, KeyCode::Home}});
    EXPECT_TRUE(showJumpsState.shadowEnded);
    const std::vector<std::vector<Shown>> homeSegments = Segments(home);
    ASSERT_EQ(homeSegments.size(), 2u);
    EXPECT_EQ(homeSegments[0].size(), 4u);  // polled at the end of the pass at 50 ms
    EXPECT_EQ(homeSegments[1], From(full.shown, 0, homeSegments[1].size()));

    const std::vector<Shown> straight = RunWithKeys({"--start", "0:1", "--frames", "40"}, {});
    Watch watch;
    watch.endAtClock = windowClock + 2000;
    const std::vector<Shown> shown =
        RunWithKeys({"--start", "0:1"},
                    {{windowClock + 500, KeyCode::Space},
                     {windowClock + 700, KeyCode::PageDown},
                     {windowClock + 900, KeyCode::Right},
                     {windowClock + 1100, KeyCode::Left},
                     {windowClock + 1300, KeyCode::Space}},
                    watch);
    windowClock = 0;
    // The window's first frame is the offline run's second, at the window's start.
    const size_t before = FramesBefore(full, 500);
    ASSERT_GT(shown.size(), before + 30);
    EXPECT_EQ(std::vector<Shown>(shown.begin(), shown.begin() + before),
              std::vector<Shown>(straight.begin(), straight.begin() + before));
    const uint32_t paged = OrderStart((shown[before - 1].position >> 8) + 1);
    EXPECT_EQ(std::vector<Shown>(shown.begin() + before, shown.end()),
              Concat({Landings(full.shown, {paged, RowStartPosition(1)}),
                      From(full.shown, 0, shown.size() - before - 2)}));
}

// On the window a pass takes time: here a present while paused 20 ms. A jump landed while
// paused is shown by a pass whose ticks run up to its end, after the jump; playing on moves the
// show's times by the time held from there, not from the jump, or they would stand ahead of the
// clock (and the ticks wait, or run some 2^32 passes).
TEST_F(ShowSeekingTest, OnTheWindowPlayingOnAfterAPausedLandingKeepsTheTicksBehindTheClock) {
    checks.timeOfPlay = false;
    checks.pausedPresentMs = 20;
    Watch watch;
    watch.endAtClock = 2500;
    const std::vector<Shown> shown = RunWithKeys(
        {"-w"}, {{300, KeyCode::Space}, {600, KeyCode::Right}, {1000, KeyCode::Space}}, watch);
    checks.pausedPresentMs = 0;
    EXPECT_FALSE(viewerState.paused);
    ASSERT_GE(shown.size(), 2u);
    // Played on: the timer's ticks went on with the frames.
    EXPECT_GT(shown.back().timerCounter, shown[shown.size() - 2].timerCounter);
}

// Started part-way on the window, the song has played the pre-roll's time when the window's clock
// takes over, and the show's time of play (the timeline is read at it, the page player reports
// it) should say so at every frame. Today the song's start stays on the pre-roll's clock, so the
// time of play is the window clock's reading: 100,000 ms and more here.
TEST_F(ShowSeekingTest, OnTheWindowAStartPartWayKeepsTheSongsTimeOfPlay) {
    windowClock = 100000;
    const std::vector<Shown> shown = RunWithKeys({"--start", "0:1", "--frames", "30"}, {});
    windowClock = 0;
    EXPECT_EQ(shown.size(), 30u);
}

}  // namespace
}  // namespace qx::test
