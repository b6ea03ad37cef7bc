// The viewer's keys in whole offline runs in this process: every jump lands on exactly the frames
// a show started there shows, a pause and its steps change no frame, the note is on the screen
// only, F12 saves the plain picture, and no burst of keys can put picture and music out of step.
// On the placeholder archive with the fake song at 4 ms a row (about 570 frames at 60 a second).
#include <random>
#include <regex>
#include <set>

#include "platform/os_services.h"
#include "scenes/scene_table.h"
#include "support/production_run.h"

namespace qx::test {
namespace {

struct Press {
    uint32_t at;  // ms of the platform's clock
    KeyCode key;
};

class ViewerKeysTest : public ProductionRunTest {
protected:
    void SetUp() override {
        ProductionRunTest::SetUp();
        msPerRow = 4;
    }
    std::vector<Shown> RunWithKeys(std::vector<std::string> words, const std::vector<Press>& keys,
                                   Watch watch = {}) {
        platform.ClearEvents();
        for (const Press& press : keys) platform.QueueEvent(KeyDown(press.key), press.at);
        return Run(std::move(words), std::move(watch));
    }
    const std::vector<Shown>& Full() {
        static const std::vector<Shown> full = Run({"--headless"});
        return full;
    }
    // The frames presented before the first key, polled at the end of the first pass at its time.
    size_t FramesBefore(uint32_t at) const {
        const auto& clocks = watched.clocks;
        return static_cast<size_t>(std::lower_bound(clocks.begin(), clocks.end(), at) -
                                   clocks.begin()) +
               1;
    }
};

void Append(std::vector<Shown>& to, const std::vector<Shown>& frames) {
    to.insert(to.end(), frames.begin(), frames.end());
}

// Paused, to the start of every row and back; then played on from the first row to the end: the
// frames are the full show's, row by row, and then all of it.
TEST_F(ViewerKeysTest, EveryRowForwardAndBackLandsOnTheFramesAStartThereShows) {
    const std::vector<Shown>& full = Full();
    std::vector<Press> keys{{50, KeyCode::Space}};
    uint32_t at = 100;
    const auto visit = [&](KeyCode key) { keys.push_back({at += 40, key}); };
    for (uint32_t row = 1; row < kSceneRowCount; ++row) visit(KeyCode::Right);
    for (uint32_t row = kSceneRowCount - 1; row > 0; --row) visit(KeyCode::Left);
    keys.push_back({at += 40, KeyCode::Space});
    const std::vector<Shown> shown = RunWithKeys({"--headless"}, keys);

    std::vector<Shown> expected = From(full, 0, FramesBefore(50));
    for (uint32_t row = 1; row < kSceneRowCount; ++row)
        Append(expected, From(full, RowStartPosition(row), 1));
    for (uint32_t row = kSceneRowCount - 1; row-- > 0;)
        Append(expected, From(full, RowStartPosition(row), 1));
    Append(expected, std::vector<Shown>(full.begin() + 1, full.end()));
    for (size_t i = 0; i < std::min(shown.size(), expected.size()); ++i)
        ASSERT_EQ(shown[i], expected[i]) << "frame " << i;
    ASSERT_EQ(shown.size(), expected.size());
    EXPECT_EQ(std::count(fakeSound.calls.begin(), fakeSound.calls.end(), "Seek 0"), 1);
}

// Pages go an order on and back, Home to the start; a jump while playing plays on from there.
TEST_F(ViewerKeysTest, PagesAndHomeLandWhereAStartThereShows) {
    const std::vector<Shown>& full = Full();
    const std::vector<Shown> shown =
        RunWithKeys({"--headless", "--frames", "200"}, {{100, KeyCode::PageDown},
                                                        {101, KeyCode::PageDown},
                                                        {400, KeyCode::PageUp},
                                                        {700, KeyCode::Home}});
    ASSERT_EQ(shown.size(), 200u);
    const std::vector<std::vector<Shown>> segments = Segments(shown);
    ASSERT_EQ(segments.size(), 5u);
    const uint32_t firstOrder = segments[0].back().position >> 8;
    EXPECT_EQ(segments[1], From(full, (firstOrder + 1) << 8, segments[1].size()));
    EXPECT_EQ(segments[2], From(full, (firstOrder + 2) << 8, segments[2].size()));
    const uint32_t orderBeforeUp = segments[2].back().position >> 8;
    EXPECT_EQ(segments[3], From(full, (orderBeforeUp - 1) << 8, segments[3].size()));
    EXPECT_EQ(segments[4], From(full, 0, segments[4].size()));
}

// Held for seconds, stepped twice, held again and let go: not one frame differs from the show
// played straight through, nor the digest of all of them; the song was held as long.
TEST_F(ViewerKeysTest, PauseAndStepsChangeNoFrame) {
    const std::vector<Shown>& full = Full();
    const std::vector<Shown> shown = RunWithKeys({"--headless"}, {{1000, KeyCode::Space},
                                                                  {2500, KeyCode::Period},
                                                                  {2600, KeyCode::Period},
                                                                  {4000, KeyCode::Space}});
    EXPECT_EQ(shown, full);
    EXPECT_GE(platform.clock, 2900u + static_cast<uint32_t>(full.size()) * 1000 / 60);
    EXPECT_EQ(std::count(fakeSound.calls.begin(), fakeSound.calls.end(), "Pause 1"), 3);

    // Paused, then held by the platform (a tab in the background) too: still no frame differs.
    platform.showHeldFrom = 1500;
    platform.showHeldUntil = 3000;
    EXPECT_EQ(RunWithKeys({"--headless"}, {{1000, KeyCode::Space}, {4000, KeyCode::Space}}), full);
    platform.showHeldFrom = platform.showHeldUntil = 0;
}

// The note names row, scene, position and the pause, on the screen only: the framebuffer and
// every frame kept stay plain, and 1.5 s after the last key the screen shows them plain again.
TEST_F(ViewerKeysTest, NoteIsOnTheScreenOnlyAndGoesAfterTheLastKey) {
    platform.keepPresents = true;
    std::vector<uint32_t> screen, plain;
    std::string pausedNote;
    Watch watch;
    watch.endAtClock = 300;
    RunWithKeys({"--headless"}, {{100, KeyCode::Space}}, watch);
    pausedNote = ViewerNoteText();
    EXPECT_TRUE(
        std::regex_match(pausedNote, std::regex("0[0-9] [a-z-]+  [0-9A-F]{2}:[0-9A-F]{2}  paused")))
        << pausedNote;
    EXPECT_NE(platform.lastPresent,
              std::vector<uint32_t>(framebufferState.lastShown,
                                    framebufferState.lastShown + kPicturePixels));

    // Playing, the note goes 1.5 s after the key.
    const auto lastScreenIsPlain = [&] {
        return platform.lastPresent ==
               std::vector<uint32_t>(framebufferState.lastShown,
                                     framebufferState.lastShown + kPicturePixels);
    };
    watch.endAtClock = 100 + 1400;
    RunWithKeys({"--headless"}, {{100, KeyCode::Right}}, watch);
    EXPECT_FALSE(lastScreenIsPlain());
    watch.endAtClock = 100 + 1600;
    RunWithKeys({"--headless"}, {{100, KeyCode::Right}}, watch);
    EXPECT_TRUE(lastScreenIsPlain());
}

struct SavedPicture {
    std::string path;
    std::vector<uint32_t> pixels;
};
std::vector<SavedPicture> savedPictures;

bool SavePicture(const char* path, const uint32_t* pixels, uint32_t width, uint32_t height,
                 std::string&) {
    savedPictures.push_back({path, std::vector<uint32_t>(pixels, pixels + width * height)});
    return true;
}
bool RefusePicture(const char*, const uint32_t*, uint32_t, uint32_t, std::string& failure) {
    failure = "disk full";
    return false;
}

// F12 saves the plain picture shown, named from the position, and says where; a failed write says
// why and the show plays on to its end.
TEST_F(ViewerKeysTest, ScreenshotSavesThePlainPictureNamedFromThePosition) {
    savedPictures.clear();
    const std::vector<Shown>& full = Full();
    platform.keepPresents = true;
    pictureWriter = SavePicture;
    Watch watch;
    watch.endAtClock = 1000;
    RunWithKeys({"--headless"}, {{300, KeyCode::Space}, {301, KeyCode::F12}}, watch);
    ASSERT_EQ(savedPictures.size(), 1u);
    const size_t shownFrame = FramesBefore(300) - 1;
    const uint32_t position = full[shownFrame].position;
    char name[64];
    std::snprintf(name, sizeof name, "marrowtide-%02X-%02X-%06zu.png", position >> 8,
                  position & 0xFF, shownFrame);
    EXPECT_EQ(savedPictures[0].path, name);
    EXPECT_EQ(DigestPixels(kDigestSeed, savedPictures[0].pixels.data(), kPicturePixels),
              full[shownFrame].digest);
    EXPECT_NE(errors.find("picture saved as " + os::AbsolutePath(name)), std::string::npos)
        << errors;
    EXPECT_NE(errors.find(name), std::string::npos) << errors;

    pictureWriter = RefusePicture;
    const std::vector<Shown> shown = RunWithKeys({"--headless"}, {{300, KeyCode::F12}});
    EXPECT_EQ(shown, full);
    EXPECT_NE(errors.find("could not be saved as"), std::string::npos) << errors;
    EXPECT_NE(errors.find(": disk full\n"), std::string::npos) << errors;
}

// A jump past the last row ends the show as its end does: the run ends, or with --loop the show
// starts again from the beginning.
TEST_F(ViewerKeysTest, JumpPastTheEndEndsTheShowAsTheEndWould) {
    const std::vector<Shown>& full = Full();
    std::vector<Press> keys;
    for (uint32_t i = 0; i < kSceneRowCount; ++i) keys.push_back({100 + 10 * i, KeyCode::Right});
    const std::vector<Shown> ended = RunWithKeys({"--headless"}, keys);
    EXPECT_LT(ended.size(), 100u);
    const std::vector<Shown> lastRow = Segments(ended).back();
    EXPECT_EQ(lastRow, From(full, RowStartPosition(kSceneRowCount - 1), lastRow.size()));

    // A page past the last order ends the show at once; with --loop it starts again.
    std::vector<Press> pages;
    const uint32_t orders = (RowStartPosition(kSceneRowCount - 1) >> 8) + 1;
    for (uint32_t i = 0; i < orders; ++i) pages.push_back({100 + 10 * i, KeyCode::PageDown});
    const std::vector<Shown> paged = RunWithKeys({"--headless"}, pages);
    // The last page lands where the show ends: no frame is shown after it.
    const uint32_t lastPage = pages.back().at;
    EXPECT_LE(watched.clocks.back(), lastPage + 17) << paged.size() << " frames";
    EXPECT_EQ(paged.back().position >> 8, orders);
    const std::vector<Shown> looped =
        RunWithKeys({"--headless", "--loop", "--frames", "200"}, pages);
    const std::vector<std::vector<Shown>> segments = Segments(looped);
    const auto again = std::find_if(segments.begin() + 1, segments.end(),
                                    [&](const auto& segment) { return segment[0] == full[0]; });
    ASSERT_NE(again, segments.end());
    EXPECT_EQ(*again, From(full, 0, again->size()));
}

// Left more than a second into a row goes back to its start (at 8 ms a music row, the second row
// lasts 1.5 s).
TEST_F(ViewerKeysTest, LeftLateInARowGoesBackToItsStart) {
    msPerRow = 8;
    const std::vector<Shown> full = Run({"--headless"});
    const std::vector<Shown> shown = RunWithKeys({"--headless", "--frames", "120"},
                                                 {{100, KeyCode::Right}, {1300, KeyCode::Left}});
    const std::vector<std::vector<Shown>> segments = Segments(shown);
    ASSERT_EQ(segments.size(), 3u);
    EXPECT_EQ(segments[1], From(full, RowStartPosition(1), segments[1].size()));
    EXPECT_LT(segments[1].back().position, RowStartPosition(2));
    EXPECT_EQ(segments[2], From(full, RowStartPosition(1), segments[2].size()));
}

// Hundreds of keys at random moments, pressed faster than jumps land, with --loop so that no
// jump ends the run: every frame shown is one of the full show's, its picture, music position
// and timer together, so nothing a key did put them out of step.
TEST_F(ViewerKeysTest, BurstOfRandomKeysKeepsPictureAndMusicInStep) {
    savedPictures.clear();
    pictureWriter = SavePicture;
    const std::vector<Shown>& full = Full();
    const std::set<std::tuple<uint64_t, uint32_t, uint32_t>> fullFrames = [&] {
        std::set<std::tuple<uint64_t, uint32_t, uint32_t>> frames;
        for (const Shown& s : full) frames.insert({s.digest, s.position, s.timerCounter});
        return frames;
    }();
    const KeyCode choices[] = {KeyCode::Space,  KeyCode::Right,    KeyCode::Left,
                               KeyCode::PageUp, KeyCode::PageDown, KeyCode::Home,
                               KeyCode::Period, KeyCode::F12,      KeyCode::Other};
    std::mt19937 random(20261207);
    std::vector<Press> keys;
    uint32_t at = 0;
    for (int i = 0; i < 400; ++i) {
        at += random() % 40;
        keys.push_back({at, choices[random() % std::size(choices)]});
    }
    Watch watch;
    watch.endAtClock = at + 2000;
    const std::vector<Shown> shown =
        RunWithKeys({"--headless", "--loop", "--frames", "100000"}, keys, watch);
    ASSERT_GT(shown.size(), 100u);
    for (size_t i = 0; i < shown.size(); ++i)
        ASSERT_TRUE(
            fullFrames.contains({shown[i].digest, shown[i].position, shown[i].timerCounter}))
            << "frame " << i << " is none of the full show's";
    EXPECT_FALSE(savedPictures.empty());
}

// The program's own archive and sound module at 12 frames a second: jumps forward and back,
// a page and the pause land on the full run's frames, and once let go the song plays the very
// samples the full run's song plays there (the song put at a time of play from a fresh instance
// or rendered on, with the positions of the song's own timeline).
struct Recording {
    std::vector<int16_t> samples;
};
void Record(const int16_t* samples, uint32_t frames, void* context) {
    auto& recording = *static_cast<Recording*>(context);
    recording.samples.insert(recording.samples.end(), samples, samples + frames * 2);
}

TEST_F(ViewerKeysTest, OnTheProductionsDataJumpsLandOnTheFullRunsFramesAndSamples) {
    std::vector<uint8_t> program;
    ASSERT_TRUE(ReadWholeFile(QX_PROGRAM_FILE, program));
    const auto runReal = [&](const std::vector<Press>& keys, Watch watch, Recording& recording) {
        ResetHostState();
        platform.ClearEvents();
        for (const Press& press : keys) platform.QueueEvent(KeyDown(press.key), press.at);
        platform.executableImage = program;
        platform.useSystemLibraries = true;
        platform.clock = 0;
        EXPECT_EQ(ParseWords({"--headless", "--fps", "12"}), CommandLineResult::Run);
        SetMusicSampleSink(Record, &recording);
        platform.presentHookContext = &watch;
        EXPECT_EQ(RunProduction(), 0u);
        watched = watch;
        return watch.shown;
    };
    Watch untilRow9;
    untilRow9.stopPosition = RowStartPosition(9);
    untilRow9.stopAfter = 30;
    Recording fullSound, keyedSound;
    const std::vector<Shown> full = runReal({}, untilRow9, fullSound);
    // Paused at 1 s; rows 1 to 5, the next order (a row into row 5), back two rows (each time
    // within a second of the row's start), played on from there.
    std::vector<Press> keys{{1000, KeyCode::Space}};
    uint32_t at = 1000;
    for (int i = 0; i < 5; ++i) keys.push_back({at += 200, KeyCode::Right});
    keys.push_back({at += 200, KeyCode::PageDown});
    for (int i = 0; i < 2; ++i) keys.push_back({at += 200, KeyCode::Left});
    keys.push_back({at += 200, KeyCode::Space});
    const std::vector<Shown> shown = runReal(keys, untilRow9, keyedSound);

    // Paused, every frame is a landing; the last one plays on.
    const size_t before = FramesBefore(1000);
    ASSERT_GT(shown.size(), before + 8);
    EXPECT_EQ(std::vector<Shown>(shown.begin(), shown.begin() + before), From(full, 0, before));
    const auto landing = [&](size_t jump) { return shown[before + jump]; };
    for (uint32_t row = 1; row <= 5; ++row)
        EXPECT_EQ(landing(row - 1), From(full, RowStartPosition(row), 1)[0]) << "row " << row;
    const uint32_t nextOrder = ((RowStartPosition(5) >> 8) + 1) << 8;
    EXPECT_EQ(landing(5), From(full, nextOrder, 1)[0]);
    EXPECT_EQ(landing(6), From(full, RowStartPosition(4), 1)[0]);
    const std::vector<Shown> last(shown.begin() + static_cast<std::ptrdiff_t>(before + 7),
                                  shown.end());
    EXPECT_EQ(last, From(full, RowStartPosition(3), last.size()));

    // The last landing is the full run's pass k, at k x 1000 / 12 ms of the song.
    const auto pass =
        static_cast<size_t>(std::find(full.begin(), full.end(), last[0]) - full.begin());
    const size_t frame = size_t{pass * 1000 / 12} * 44100 / 1000;
    const size_t heard = keyedSound.samples.size() - fullSound.samples.size() + 2 * frame;
    ASSERT_LT(heard, keyedSound.samples.size());
    ASSERT_GT(keyedSound.samples.size() - heard, 44100u);  // a second of it at least
    EXPECT_TRUE(std::equal(keyedSound.samples.begin() + static_cast<std::ptrdiff_t>(heard),
                           keyedSound.samples.end(),
                           fullSound.samples.begin() + static_cast<std::ptrdiff_t>(2 * frame)));
}

}  // namespace
}  // namespace qx::test
