#include "tools/music/xm_writer.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <string>
#include <vector>

#include "tools/music/xm_reader.h"

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

// An instrument with both envelopes, fadeout, vibrato and a looped 16-bit sample: the header
// fields sit where the format puts them, loops count bytes, deltas wrap in 16 bits, and
// libopenmpt loads the file without a warning.
TEST(XmWriter, WritesEnvelopesLoopsAndSixteenBitDeltas) {
    XmModule song = TinySong();
    XmInstrument& instrument = song.instruments[0];
    instrument.volumeEnvelope = {{{0, 0}, {4, 64}, {20, 32}}, true, false, 1, 0, 0};
    instrument.panningEnvelope = {{{0, 32}, {10, 48}}, false, true, 0, 0, 1};
    instrument.fadeout = 0x200;
    instrument.vibratoDepth = 3;
    XmSample& sample = instrument.samples[0];
    sample.sixteenBit = true;
    sample.frames = {0, 1000, -1000, 32767, -32768};
    sample.loopStart = 1;
    sample.loopLength = 3;
    sample.loop = XmLoop::Forward;
    sample.volume = 48;
    sample.finetune = -5;
    sample.panning = 0x40;
    sample.relativeNote = 12;
    std::vector<uint8_t> file;
    const char* failure = "";
    ASSERT_TRUE(WriteXm(song, file, failure)) << failure;
    const size_t at = 336 + 18;                // the instrument, after the one small pattern
    EXPECT_EQ(U16At(file, at + 129 + 4), 4u);  // second volume point: tick 4, value 64
    EXPECT_EQ(U16At(file, at + 129 + 6), 64u);
    EXPECT_EQ(U16At(file, at + 177 + 4), 10u);  // second panning point
    EXPECT_EQ(file[at + 225], 3);               // volume points
    EXPECT_EQ(file[at + 226], 2);               // panning points
    EXPECT_EQ(file[at + 227], 1);               // volume sustain point
    EXPECT_EQ(file[at + 232], 1);               // panning loop end
    EXPECT_EQ(file[at + 233], 1 | 2);           // volume: on, sustain
    EXPECT_EQ(file[at + 234], 1 | 4);           // panning: on, loop
    EXPECT_EQ(file[at + 237], 3);               // vibrato depth
    EXPECT_EQ(U16At(file, at + 239), 0x200u);
    const size_t header = at + 263;
    EXPECT_EQ(U32At(file, header), 10u);     // length in bytes
    EXPECT_EQ(U32At(file, header + 4), 2u);  // loop start in bytes
    EXPECT_EQ(U32At(file, header + 8), 6u);  // loop length in bytes
    EXPECT_EQ(file[header + 12], 48);
    EXPECT_EQ(static_cast<int8_t>(file[header + 13]), -5);
    EXPECT_EQ(file[header + 14], 0x11);  // forward loop, 16-bit
    EXPECT_EQ(file[header + 15], 0x40);
    EXPECT_EQ(file[header + 16], 12);
    const std::vector<uint8_t> deltas(file.end() - 10, file.end());
    EXPECT_EQ(deltas, (std::vector<uint8_t>{0, 0, 0xE8, 0x03, 0x30, 0xF8, 0xE7, 0x83, 0x01, 0x00}));

    int error = 0;
    openmpt_module* module = openmpt_module_create_from_memory2(
        file.data(), file.size(), nullptr, nullptr, nullptr, nullptr, &error, nullptr, nullptr);
    ASSERT_NE(module, nullptr) << "libopenmpt error " << error;
    EXPECT_EQ(openmpt_module_get_num_instruments(module), 1);
    const char* warnings = openmpt_module_get_metadata(module, "warnings");
    EXPECT_STREQ(warnings, "");
    openmpt_free_string(warnings);
    openmpt_module_destroy(module);
}

TEST(XmWriter, RefusesMalformedEnvelopesAndKeymaps) {
    std::vector<uint8_t> file;
    const char* failure = "";
    XmModule song = TinySong();
    song.instruments[0].volumeEnvelope.points = {{0, 64}, {0, 32}};
    EXPECT_FALSE(WriteXm(song, file, failure));
    EXPECT_STREQ(failure, "an envelope's ticks do not increase");
    song = TinySong();
    song.instruments[0].panningEnvelope = {{{0, 32}, {8, 65}}, false, false, 0, 0, 0};
    EXPECT_FALSE(WriteXm(song, file, failure));
    song = TinySong();
    song.instruments[0].volumeEnvelope = {{{0, 64}, {8, 0}}, true, false, 2, 0, 0};
    EXPECT_FALSE(WriteXm(song, file, failure));
    EXPECT_STREQ(failure, "an envelope's sustain or loop point is not one of its points");
    song = TinySong();
    song.instruments[0].keymap[40] = 1;
    EXPECT_FALSE(WriteXm(song, file, failure));
    EXPECT_STREQ(failure, "the keymap names a missing sample");
}

// What the writer writes the reader gets back: header fields, orders, every cell (packed and
// unpacked, empty and full), 8- and 16-bit samples with their loops and panning; a cut file fails.
TEST(XmReader, ReadsBackWhatTheWriterWrote) {
    XmModule song = TinySong();
    song.patterns.emplace_back(3, 2);
    song.patterns[1].At(2, 1) = {XmNote(2, 5), 1, XmVolume(64), 0x08, 0xC0};
    song.patterns[1].At(1, 0).effect = 0x0D;
    song.orders = {1, 0, 1};
    XmSample wide;
    wide.sixteenBit = true;
    wide.frames = {0, 32767, -32768, 1000, -1000, 5};
    wide.loop = XmLoop::Forward;
    wide.loopStart = 2;
    wide.loopLength = 3;
    wide.panning = 0x30;
    song.instruments[0].samples.push_back(wide);
    std::vector<uint8_t> file;
    const char* failure = "";
    ASSERT_TRUE(WriteXm(song, file, failure)) << failure;

    XmModule back;
    ASSERT_TRUE(ReadXm(file, back, failure)) << failure;
    EXPECT_EQ(back.name, "tiny");
    EXPECT_EQ(back.channels, 2u);
    EXPECT_EQ(back.defaultSpeed, 5u);
    EXPECT_EQ(back.defaultBpm, 149u);
    EXPECT_EQ(back.orders, song.orders);
    EXPECT_EQ(back.patterns, song.patterns);
    ASSERT_EQ(back.instruments.size(), 1u);
    ASSERT_EQ(back.instruments[0].samples.size(), 2u);
    const XmSample& narrow = back.instruments[0].samples[0];
    EXPECT_FALSE(narrow.sixteenBit);
    EXPECT_EQ(narrow.frames, song.instruments[0].samples[0].frames);
    const XmSample& read = back.instruments[0].samples[1];
    EXPECT_TRUE(read.sixteenBit);
    EXPECT_EQ(read.frames, wide.frames);
    EXPECT_EQ(read.loop, XmLoop::Forward);
    EXPECT_EQ(read.loopStart, 2u);
    EXPECT_EQ(read.loopLength, 3u);
    EXPECT_EQ(read.panning, 0x30);

    file.resize(file.size() - 3);
    EXPECT_FALSE(ReadXm(file, back, failure));
    file.resize(40);
    EXPECT_FALSE(ReadXm(file, back, failure));
}

}  // namespace
}  // namespace qx::test
