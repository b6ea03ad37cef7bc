#include "tools/xm_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qx::test {
namespace {

uint32_t U16At(const std::vector<uint8_t>& file, size_t at) { return file[at] | file[at + 1] << 8; }
uint32_t U32At(const std::vector<uint8_t>& file, size_t at) {
    return U16At(file, at) | U16At(file, at + 2) << 16;
}

XmModule TinySong() {
    XmModule song;
    song.name = "tiny";
    song.channels = 2;
    song.defaultSpeed = 5;
    song.defaultBpm = 149;
    song.orders = {0, 0, 0};
    song.patterns.emplace_back(2, 2);
    song.patterns[0].At(0, 0) = {XmNote(4, 0), 1, XmVolume(32), kXmEffectSpeed, 31};
    song.patterns[0].At(1, 1).note = kXmKeyOff;
    XmInstrument instrument;
    instrument.name = "ramp";
    XmSample sample;
    sample.frames = {10, 12, 9, -128, 127};
    instrument.samples.push_back(sample);
    song.instruments.push_back(instrument);
    return song;
}

TEST(XmWriter, WritesHeaderPackedPatternsAndDeltaSamples) {
    std::vector<uint8_t> file;
    const char* failure = "";
    ASSERT_TRUE(WriteXm(TinySong(), file, failure)) << failure;
    EXPECT_EQ(std::string(file.begin(), file.begin() + 17), "Extended Module: ");
    EXPECT_EQ(file[37], 0x1A);
    EXPECT_EQ(U16At(file, 58), 0x0104u);
    EXPECT_EQ(U32At(file, 60), 276u);
    EXPECT_EQ(U16At(file, 64), 3u);  // orders
    EXPECT_EQ(U16At(file, 68), 2u);  // channels
    EXPECT_EQ(U16At(file, 70), 1u);  // patterns
    EXPECT_EQ(U16At(file, 72), 1u);  // instruments
    EXPECT_EQ(U16At(file, 74), 1u);  // linear frequencies
    EXPECT_EQ(U16At(file, 76), 5u);
    EXPECT_EQ(U16At(file, 78), 149u);
    // Pattern 0 at 336: a full cell as five plain bytes, empty cells as 0x80, a lone note packed.
    const std::vector<uint8_t> pattern(file.begin() + 336, file.begin() + 336 + 9 + 9);
    EXPECT_EQ(pattern, (std::vector<uint8_t>{9, 0, 0, 0, 0, 2, 0, 9, 0,  //
                                             49, 1, 0x30, 0x0F, 31, 0x80, 0x80, 0x81, 97}));
    // Instrument header of 263 bytes, one 40-byte sample header, then the 5 delta bytes.
    const size_t instrument = 336 + 18;
    EXPECT_EQ(U32At(file, instrument), 263u);
    EXPECT_EQ(U16At(file, instrument + 27), 1u);
    EXPECT_EQ(U32At(file, instrument + 263), 5u);  // sample length in bytes
    EXPECT_EQ(file.size(), instrument + 263 + 40 + 5);
    const std::vector<uint8_t> deltas(file.end() - 5, file.end());
    EXPECT_EQ(deltas, (std::vector<uint8_t>{10, 2, 0xFD, 0x77, 0xFF}));
}

TEST(XmWriter, RefusesWhatTheFormatCannotHold) {
    std::vector<uint8_t> file;
    const char* failure = "";
    XmModule song = TinySong();
    song.orders.push_back(1);
    EXPECT_FALSE(WriteXm(song, file, failure));
    EXPECT_STREQ(failure, "an order names a missing pattern");
    song = TinySong();
    song.channels = 33;
    EXPECT_FALSE(WriteXm(song, file, failure));
    song = TinySong();
    song.patterns[0].cells.pop_back();
    EXPECT_FALSE(WriteXm(song, file, failure));
    song = TinySong();
    song.instruments[0].samples[0].frames[0] = 128;
    EXPECT_FALSE(WriteXm(song, file, failure));
    song = TinySong();
    song.instruments[0].samples[0].loopStart = 3;
    song.instruments[0].samples[0].loopLength = 3;
    EXPECT_FALSE(WriteXm(song, file, failure));
    EXPECT_STREQ(failure, "a sample loop reaches past the sample's end");
}

}  // namespace
}  // namespace qx::test
