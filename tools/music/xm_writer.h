// A writer of Extended Module (XM, FastTracker 2 format version 0x0104) files: the song header
// with its order table, packed patterns, and instruments with their envelopes and samples.
// Everything is described in plain records and serialised in one call; the writer checks the
// format's limits and packs the pattern cells itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qx {

inline constexpr uint32_t kXmMaxChannels = 32;
inline constexpr uint32_t kXmMaxOrders = 256;
inline constexpr uint32_t kXmMaxPatterns = 256;
inline constexpr uint32_t kXmMaxRows = 256;
inline constexpr uint32_t kXmMaxInstruments = 128;
inline constexpr uint32_t kXmMaxSamples = 16;  // per instrument
inline constexpr uint32_t kXmMaxEnvelopePoints = 12;
inline constexpr uint32_t kXmNoteCount = 96;  // notes 1 (C-0) to 96 (B-7)
inline constexpr uint8_t kXmKeyOff = 97;

// Note n of octave o (n = 0 for C to 11 for B) as the XM note number.
constexpr uint8_t XmNote(uint32_t octave, uint32_t semitone) {
    return static_cast<uint8_t>(1 + octave * 12 + semitone);
}

// One pattern cell; 0 means empty in every field. The volume column holds 0x10 + volume
// (0..64) for a volume, or one of the column's effects.
struct XmCell {
    uint8_t note = 0;
    uint8_t instrument = 0;  // 1-based
    uint8_t volume = 0;
    uint8_t effect = 0;  // 0x0F: speed (parameter below 0x20) or BPM (0x20 and above)
    uint8_t parameter = 0;

    friend bool operator==(const XmCell&, const XmCell&) = default;
};
inline constexpr uint8_t kXmEffectSpeed = 0x0F;
inline constexpr uint8_t XmVolume(uint32_t volume) { return static_cast<uint8_t>(0x10 + volume); }

struct XmPattern {
    uint32_t rows = 64;
    uint32_t channels = 0;
    std::vector<XmCell> cells;  // rows x channels, row by row

    XmPattern() = default;
    XmPattern(uint32_t rowCount, uint32_t channelCount)
        : rows(rowCount), channels(channelCount), cells(rowCount * channelCount) {}
    XmCell& At(uint32_t row, uint32_t channel) { return cells[row * channels + channel]; }

    friend bool operator==(const XmPattern&, const XmPattern&) = default;
};

struct XmEnvelopePoint {
    uint16_t tick = 0;
    uint16_t value = 0;  // 0..64
};

struct XmEnvelope {
    std::vector<XmEnvelopePoint> points;  // at most 12; the envelope is on when there are any
    bool sustain = false;
    bool loop = false;
    uint8_t sustainPoint = 0;
    uint8_t loopStart = 0;
    uint8_t loopEnd = 0;
};

enum class XmLoop : uint8_t { None = 0, Forward = 1, PingPong = 2 };

struct XmSample {
    std::string name;  // at most 22 characters
    bool sixteenBit = false;
    std::vector<int16_t> frames;  // -128..127 for 8-bit samples
    uint32_t loopStart = 0;       // frames
    uint32_t loopLength = 0;      // frames
    XmLoop loop = XmLoop::None;
    uint8_t volume = 64;  // 0..64
    int8_t finetune = 0;
    uint8_t panning = 128;
    int8_t relativeNote = 0;  // semitones; 0 plays note C-4 at 8363 Hz
};

struct XmInstrument {
    std::string name;  // at most 22 characters
    std::vector<XmSample> samples;
    uint8_t keymap[kXmNoteCount] = {};  // sample index (0-based) per note
    XmEnvelope volumeEnvelope;
    XmEnvelope panningEnvelope;
    uint8_t vibratoType = 0;
    uint8_t vibratoSweep = 0;
    uint8_t vibratoDepth = 0;
    uint8_t vibratoRate = 0;
    uint16_t fadeout = 0;
};

struct XmModule {
    std::string name;                // at most 20 characters
    std::string trackerName = "qx";  // at most 20 characters
    uint32_t channels = 4;           // 1..32
    uint32_t restartPosition = 0;    // order index
    bool linearFrequencies = true;
    uint32_t defaultSpeed = 6;  // ticks per row
    uint32_t defaultBpm = 125;
    std::vector<uint8_t> orders;  // pattern numbers, 1 to 256 of them
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

// A module with its header filled in: names, channel count, speed in ticks per row and tempo in
// beats per minute; no orders, patterns or instruments yet.
XmModule NewXmModule(std::string name, std::string trackerName, uint32_t channels, uint32_t speed,
                     uint32_t bpm);

// Serialises the module. Fails with a static cause when a limit above is broken or a pattern's
// cells do not match its size.
bool WriteXm(const XmModule& module, std::vector<uint8_t>& file, const char*& failure);

}  // namespace qx
