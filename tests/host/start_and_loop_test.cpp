// Shows started part-way (--start) and shows that start again (--loop), the whole production in
// this process: on the placeholder archive with the fake sound module playing one row every
// 2 ms (the show in about 285 frames at 60 a second), and once on the program's own archive and
// sound module. Every present is kept as a digest with the position its pass read and the timer.
#include "scenes/scene_table.h"
#include "support/production_run.h"

namespace qx::test {
namespace {

// The title darkening under the wireframe trails, the rays over those trails, a row byte past the
// 64 rows of an order (first reached with the next order), and the water, seeded on entry.
TEST_F(ProductionRunTest, OfflineStartShowsTheFullShowsFramesFromTheStart) {
    const std::vector<Shown>& full = FullShow();
    ASSERT_GT(full.size(), 250u);
    for (const uint32_t start : {0x0920u, 0x0D08u, 0x1240u, 0x2210u}) {
        SCOPED_TRACE(start);
        const std::vector<Shown> started = Run(
            {"--headless", "--start",
             std::to_string(start >> 8) + ":" + std::to_string(start & 0xFF), "--frames", "20"});
        EXPECT_EQ(started.size(), 20u);  // nothing of the pre-roll is presented
        EXPECT_EQ(started, From(full, start, 20));
        EXPECT_EQ(loopState.passCount, 20u);
    }
}

// The pre-roll does not draw before the last row that starts afresh ahead of the start. Started
// where any row ends, the next 120 frames (seven orders or more) are the full show's: no pass
// before that row drew anything a later one reads, and no drawing routine skipped held other
// state. At 4 ms a row, so that every row that starts afresh plays frames, as at the song's speed.
TEST_F(ProductionRunTest, StartAtEveryRowsEndShowsTheFullShowsFrames) {
    msPerRow = 4;
    const std::vector<Shown> full = Run({"--headless"});
    // The last row ends the show: a start there is past its end.
    for (const SceneTableRow* row = ProductionSceneTable(); row[1].endPosition != kEndRowPosition;
         ++row) {
        const uint32_t start = row->endPosition;
        SCOPED_TRACE(start);
        const std::vector<Shown> started = Run(
            {"--headless", "--start",
             std::to_string(start >> 8) + ":" + std::to_string(start & 0xFF), "--frames", "120"});
        ASSERT_EQ(started, From(full, start, 120));
    }
}

TEST_F(ProductionRunTest, OnTheWindowThePreRollIsOfflineAndTheRealClockTakesOverWithoutABurst) {
    constexpr uint32_t kStart = 0x0D08;
    const std::vector<Shown> expected = From(FullShow(), kStart, 1);
    ASSERT_EQ(expected.size(), 1u);
    windowClock = 100000;
    const std::vector<Shown> shown = Run({"--start", "0x0D:8", "--frames", "3"});
    ASSERT_EQ(shown.size(), 3u);
    // The first frame shown is the full show's, ticks and timer included: the passes before it
    // ran on a virtual clock of their own, leaving the window's clock where start-up left it.
    EXPECT_EQ(shown[0], expected[0]);
    EXPECT_EQ(platform.clock, 100033u);  // three paced passes on the window's clock
    // Then only the real time since the start ticks: 33 ms is 16 or 17 timer steps.
    EXPECT_LE(shown[2].timerCounter - shown[0].timerCounter, 17u);
    EXPECT_EQ(std::count(fakeSound.calls.begin(), fakeSound.calls.end(), "UseRealClock"), 1);
    EXPECT_EQ(&ThePlatform(), &platform);
}

TEST_F(ProductionRunTest, LoopPlaysTheShowAgainFromProgramStart) {
    const std::vector<Shown>& full = FullShow();
    // Two whole shows and the start of a third.
    const size_t frames = 2 * full.size() + 40;
    const std::vector<Shown> looped =
        Run({"--headless", "--loop", "--frames", std::to_string(frames)});
    ASSERT_EQ(looped.size(), frames);
    for (size_t i = 0; i < frames; ++i)
        ASSERT_EQ(looped[i], full[i % full.size()]) << "frame " << i << " of the loop";
    EXPECT_EQ(std::count(fakeSound.calls.begin(), fakeSound.calls.end(), "PlaySong song"), 3);
}

TEST_F(ProductionRunTest, LoopThatCannotReloadTheArchiveStopsWithCode9) {
    Watch watch;
    watch.archiveGoneAfter = 10;
    const std::vector<Shown> looped =
        Run({"--headless", "--loop", "--frames", "1000"}, watch, kErrorArchive);
    // The pass that found the end was the last.
    ASSERT_FALSE(looped.empty());
    EXPECT_GE(looped.back().position, 0x2500u);
    EXPECT_LT(looped.size(), 1000u);
    EXPECT_NE(errors.find("(error 9)"), std::string::npos);
}

// The program's own archive and sound module: the rays over the trails the wireframe left, as
// the full run shows them (at 12 frames a second, to keep the test short).
TEST_F(ProductionRunTest, StartOnTheProductionsDataShowsTheFullRunsFrames) {
    std::vector<uint8_t> program;
    ASSERT_TRUE(ReadWholeFile(QX_PROGRAM_FILE, program));
    const auto runReal = [&](std::vector<std::string> words, Watch watch) {
        ResetHostState();
        platform.executableImage = program;
        platform.useSystemLibraries = true;
        platform.clock = 0;
        EXPECT_EQ(ParseWords(std::move(words)), CommandLineResult::Run);
        platform.presentHookContext = &watch;
        EXPECT_EQ(RunProduction(), 0u);
        return watch.shown;
    };
    constexpr uint32_t kStart = 0x0D10;
    constexpr uint32_t kFrames = 24;
    Watch untilStart;
    untilStart.stopPosition = kStart;
    untilStart.stopAfter = kFrames;
    const std::vector<Shown> full = runReal({"--headless", "--fps", "12"}, untilStart);
    const std::vector<Shown> started = runReal(
        {"--headless", "--fps", "12", "--start", "0xD:0x10", "--frames", std::to_string(kFrames)},
        {});
    EXPECT_EQ(started.size(), kFrames);
    EXPECT_EQ(started, From(full, kStart, kFrames));
}

}  // namespace
}  // namespace qx::test
