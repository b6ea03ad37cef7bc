#include "host/storyboard.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "data/font.h"
#include "support/host_fixture.h"

namespace qx::test {
namespace {

// ---- Composition ----

std::array<uint8_t, 3> PixelAt(const RgbImage& image, uint32_t x, uint32_t y) {
    const size_t index = static_cast<size_t>(y) * static_cast<size_t>(image.width) + x;
    const uint8_t* p = &image.rgb[index * 3];
    return {p[0], p[1], p[2]};
}

constexpr std::array<uint8_t, 3> kInk = {0xC8, 0xC8, 0xC8};

// Distinct frames: frame i's pixel p is 0x00RRGGBB with red i, green and blue p's low 16 bits.
struct Frames {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(size_t{kStoryboardTiles} * kPicturePixels);
    std::array<const uint32_t*, kStoryboardTiles> pointers{};
    std::array<const char*, kStoryboardTiles> names{};
    Frames() {
        for (uint32_t i = 0; i < kStoryboardTiles; ++i) {
            for (uint32_t p = 0; p < kPicturePixels; ++p)
                pixels[i * kPicturePixels + p] = i << 16 | (p & 0xFFFF);
            pointers[i] = &pixels[i * kPicturePixels];
            names[i] = "flare-cloud";
        }
    }
};

TEST(StoryboardComposition, TilesSitInASixColumnGridAtOneToOne) {
    Frames frames;
    frames.pointers[38] = nullptr;  // a row that never had a frame pass
    const RgbImage board = ComposeStoryboard(frames.pointers, frames.names);
    ASSERT_EQ(board.width, 1920);
    ASSERT_EQ(board.height, 1484);
    ASSERT_EQ(board.rgb.size(), 1920u * 1484u * 3u);
    EXPECT_EQ(PixelAt(board, 320, 212), (std::array<uint8_t, 3>{7, 0, 0}));  // tile 7, pixel 0
    EXPECT_EQ(PixelAt(board, 639, 411),  // its last pixel, 63999 = 0xF9FF
              (std::array<uint8_t, 3>{7, 0xF9, 0xFF}));
    EXPECT_EQ(PixelAt(board, 1600 + 5, 5 * 212 + 1),   // tile 35: column 5, row 5
              (std::array<uint8_t, 3>{35, 1, 0x45}));  // pixel 325 = 0x145
    for (uint32_t y = 6 * 212; y < 6 * 212 + 200; y += 7)
        for (uint32_t x = 640; x < 1920; x += 5)  // tile 38 and the empty cells after it
            ASSERT_EQ(PixelAt(board, x, y), (std::array<uint8_t, 3>{0, 0, 0})) << x << "," << y;
}

TEST(StoryboardComposition, LabelIsTheRowNumberAndNameInTheStripOnly) {
    std::array<const uint32_t*, kStoryboardTiles> frames{};  // all black
    std::array<const char*, kStoryboardTiles> names{};
    names.fill("");
    names[4] = "flare-cloud and a name far wider than its tile";
    const RgbImage board = ComposeStoryboard(frames, names);
    const uint32_t left = 4 * 320;
    uint32_t ink = 0;
    for (uint32_t y = 0; y < 212; ++y) {
        for (uint32_t x = 0; x < 320; ++x) {
            const auto pixel = PixelAt(board, left + x, y);
            if (pixel == kInk) {
                ++ink;
                ASSERT_GE(y, 200u) << "ink above the strip at " << x;
            } else {
                ASSERT_EQ(pixel, (std::array<uint8_t, 3>{0, 0, 0})) << x << "," << y;
            }
        }
    }
    EXPECT_GT(ink, 100u);
    // "04 flare-cloud...": glyph k at x = 4 + 8k from the strip's top, its 12 lower rows (the
    // top row holds almost no ink; the descenders stay), a letter drawn with the slot 0x20 below
    // its code.
    auto glyphMatches = [&](uint32_t tileLeft, uint32_t k, uint32_t code) {
        const uint8_t* bits = &kGlyphBitmaps[(code - kFirstGlyphCode) * kGlyphBytes];
        for (uint32_t y = 0; y < 12; ++y)
            for (uint32_t x = 0; x < 8; ++x)
                if ((PixelAt(board, tileLeft + 4 + 8 * k + x, 200 + y) == kInk) !=
                    (bits[(y + 1) * 8 + x] != 0))
                    return false;
        return true;
    };
    EXPECT_TRUE(glyphMatches(left, 0, '0'));
    EXPECT_TRUE(glyphMatches(left, 1, '4'));
    EXPECT_TRUE(glyphMatches(left, 3, 'F'));
    EXPECT_TRUE(glyphMatches(left, 8, '-'));
    // The long name stops at its tile's edge: tile 5 shows "05 " and nothing after it.
    EXPECT_TRUE(glyphMatches(left + 320, 0, '0'));
    EXPECT_TRUE(glyphMatches(left + 320, 1, '5'));
    for (uint32_t y = 200; y < 212; ++y)
        for (uint32_t x = left + 320 + 4 + 2 * 8; x < 1920; ++x)
            ASSERT_NE(PixelAt(board, x, y), kInk) << x << "," << y;
}

TEST(StoryboardComposition, HalfSizeIsTheRoundedMeanOfEachBlock) {
    RgbImage image{4, 3, {}};  // the odd last row is dropped
    image.rgb = {1, 0, 0, 2, 0, 255, 0,  0,  0,  0,  1,  0,  2,  0,  1,  2,  0,  255,
                 0, 1, 0, 1, 1, 0,   99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
    const RgbImage half = HalveImage(image);
    ASSERT_EQ(half.width, 2);
    ASSERT_EQ(half.height, 1);
    // Sums 7, 0, 511 and 1, 3, 0 over four: 1.75, 127.75 and 0.75 round up, 0.25 down.
    EXPECT_EQ(half.rgb, (std::vector<uint8_t>{2, 0, 128, 0, 1, 0}));

    Frames frames;
    const RgbImage small = HalveImage(ComposeStoryboard(frames.pointers, frames.names));
    EXPECT_EQ(small.width, 960);
    EXPECT_EQ(small.height, 742);
    // Tile 7 at (160, 106): pixels 0, 1, 320, 321 of frame 7 average to (7, 0.5, 32.5).
    EXPECT_EQ(PixelAt(small, 160, 106), (std::array<uint8_t, 3>{7, 1, 33}));
}

// ---- Selection, through the real sequencer ----

// Every routine marks framebuffer pixel 0: a frame with its row and the music position of its
// pass, an enter or a leave with a marker that must never reach a tile.
constexpr uint32_t kEnterMark = 0xEEEEEE;
constexpr uint32_t kLeaveMark = 0x111111;
template <uint32_t Row>
bool EnterRow() {
    return hostSettings.framebuffer[0] = kEnterMark, true;
}
template <uint32_t Row>
bool LeaveRow() {
    return hostSettings.framebuffer[0] = kLeaveMark, true;
}
template <uint32_t Row>
bool FrameRow() {
    hostSettings.framebuffer[0] = ((Row + 1) << 20) | sequencerState.lastPassPosition;
    hostSettings.framebuffer[320 * 199 + 319] = 0xABCDEF;  // the frame's last pixel
    return Row != 3;  // row 3's frame fails: its pass is the leave pass
}
#define QX_ROW(row) EnterRow<row>, FrameRow<row>, LeaveRow<row>

// Linear music rows (order x 64 + row) and middles:
//   row 0: 0..64, middle 32         row 1: 64..67, middle 65.5
//   row 2: 67..128, middle 97.5     row 3: 128..192, middle 160
//   row 4: 192..256, middle 224
constexpr SceneTableRow kRows[] = {
    {0x0100, QX_ROW(0)}, {0x0103, QX_ROW(1)}, {0x0200, QX_ROW(2)},
    {0x0300, QX_ROW(3)}, {0x0400, QX_ROW(4)}, {kEndRowPosition, nullptr, nullptr, nullptr}};
#undef QX_ROW

class StoryboardSelectionTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        static const uint8_t song[1] = {};
        ASSERT_TRUE(MusicInit(kMusicKindModule, nullptr));
        ASSERT_TRUE(MusicLoadMemory(song, 1));
        ASSERT_TRUE(CreateDisplay(320, 224, kDepthWindow));
        hostSettings.framebuffer = CreateFramebuffer(320, 224, 32);
        ASSERT_NE(hostSettings.framebuffer, nullptr);
        SetSceneTable(kRows);
        StartStoryboard();
    }
    void TearDown() override {
        MusicShutdown();
        HostTest::TearDown();
    }
    // One pass as the frame loop runs it, at linear music row `linear`.
    static void Pass(uint32_t linear) {
        fakeSound.order = static_cast<int>(linear / 64);
        fakeSound.row = static_cast<int>(linear % 64);
        RunSequencer();
        NoteStoryboardPass();
    }
    static uint32_t Kept(uint32_t tile) {
        return storyboardState.kept[tile] ? storyboardState.frames[tile * kPicturePixels] : 0;
    }
    static uint32_t Position(uint32_t linear) { return ((linear / 64) << 8) | (linear % 64); }
};

TEST_F(StoryboardSelectionTest, FirstFramePassAtOrAfterTheMiddleIsKept) {
    for (uint32_t linear : {0, 10, 31, 32, 40, 63, 64}) Pass(linear);  // enter, 5 frames, leave
    EXPECT_EQ(Kept(0), (1u << 20) | Position(32));
    EXPECT_TRUE(storyboardState.settled[0]);
    EXPECT_EQ(storyboardState.frames[kPicturePixels - 1], 0xABCDEFu);  // the whole picture

    // Row 2's middle is 97.5: the pass at 97 falls short of it.
    for (uint32_t linear : {67, 67, 97, 98, 99, 128}) Pass(linear);  // row 1 left by the first
    EXPECT_EQ(Kept(2), (3u << 20) | Position(98));
}

TEST_F(StoryboardSelectionTest, ShortRowKeepsItsLastFrame) {
    for (uint32_t linear : {64, 64, 64, 65, 67}) Pass(linear);  // leave 0, enter 1, frames, leave
    EXPECT_EQ(Kept(1), (2u << 20) | Position(65));
    EXPECT_FALSE(storyboardState.settled[1]);
    EXPECT_FALSE(storyboardState.kept[0]);  // left without a frame: a black tile
}

TEST_F(StoryboardSelectionTest, RowDigestsNameEveryRowAndDigestItsKeptFrame) {
    for (uint32_t linear : {64, 64, 64, 65, 67}) Pass(linear);  // row 1 keeps a frame, row 0 none
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    PrintRowDigests(out);
    std::rewind(out);
    std::vector<std::string> lines;
    char line[128];
    while (std::fgets(line, sizeof line, out) != nullptr) lines.emplace_back(line);
    std::fclose(out);
    ASSERT_EQ(lines.size(), kSceneRowCount);
    EXPECT_EQ(lines[0], "00 title none\n");
    char expected[64];
    std::snprintf(expected, sizeof expected, "01 wireframe %016llx\n",
                  static_cast<unsigned long long>(DigestPixels(
                      kDigestSeed, &storyboardState.frames[kPicturePixels], kPicturePixels)));
    EXPECT_EQ(lines[1], expected);
    EXPECT_EQ(lines[38], "38 water none\n");
}

TEST_F(StoryboardSelectionTest, EnterAndLeavePassesAreNeverKept) {
    // Row 3 is entered past its middle and its failing frame leaves it in the next pass.
    for (uint32_t linear : {130, 130, 130, 170, 175}) Pass(linear);  // leave 0..2, enter, fail
    EXPECT_EQ(sequencerState.lastPass, SequencerPass::Leave);
    EXPECT_FALSE(storyboardState.kept[3]);
    // Row 4: the enter and the leave pass lie on both sides of one frame before the middle.
    for (uint32_t linear : {200, 210, 256}) Pass(linear);
    EXPECT_EQ(Kept(4), (5u << 20) | Position(210));
}

TEST_F(StoryboardSelectionTest, FrameLoopNotesEveryPassWhileRecording) {
    launchOptions.framesPerSecond = 0;
    launchOptions.frameLimit = 3;  // enter, two frames of row 0 at position 0
    ASSERT_TRUE(StartTicks(1));
    RunFrameLoop();
    EXPECT_EQ(Kept(0), 1u << 20);
    EXPECT_FALSE(storyboardState.settled[0]);

    const RgbImage board = ComposeRecordedStoryboard();
    EXPECT_EQ(PixelAt(board, 0, 0), (std::array<uint8_t, 3>{0x10, 0, 0}));
    EXPECT_EQ(PixelAt(board, 320, 0), (std::array<uint8_t, 3>{0, 0, 0}));  // tile 1: no frame
}

}  // namespace
}  // namespace qx::test
