// The composer's working score: one 64-row pattern per order on a timeline of absolute rows
// (order x 64 + row), and the part writers that fill it from chords, rhythms written as strings
// and melodies written as note names. Pitches are MIDI note numbers (60 = C4 = XM C-4).
//
// Rhythm strings hold one character per row (16 for a bar, repeated over the order, or 64);
// '|' only separates bars for the reader. Melody strings hold one space-separated token per row:
// a note name ("A4", "C#5", "Bb3"), '.' to hold, '-' for key-off.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "tools/music/xm_writer.h"

namespace qx::score {

inline constexpr uint32_t kRowsPerOrder = 64;
inline constexpr uint32_t kRowsPerBar = 16;
inline constexpr uint32_t kMaxVelocity = 64;

// The absolute row of (order, row).
constexpr uint32_t At(uint32_t order, uint32_t row) { return order * kRowsPerOrder + row; }

// Channels of the arrangement.
enum Channel : uint32_t {
    kChKick,
    kChSnare,
    kChHat,
    kChPerc,
    kChPerc2,
    kChCrash,
    kChFx,
    kChSub,
    kChBass,
    kChPad1,
    kChPad2,
    kChPad3,
    kChPad4,
    kChStrings,
    kChLead,
    kChEcho,
    kChArp,
    kChKeys,
    kChKeys2,
    kChAtmos,
    kChannelCount
};

// Pitch classes.
enum PitchClass : int { kC, kCs, kD, kEb, kE, kF, kFs, kG, kAb, kA, kBb, kB };

// A scale as a bit set of pitch classes: the tonic and the intervals of the mode.
uint32_t ScaleOf(int tonic, std::initializer_list<int> intervals);
inline uint32_t NaturalMinor(int tonic) { return ScaleOf(tonic, {0, 2, 3, 5, 7, 8, 10}); }
inline uint32_t HarmonicMinor(int tonic) { return ScaleOf(tonic, {0, 2, 3, 5, 7, 8, 11}); }
inline uint32_t Major(int tonic) { return ScaleOf(tonic, {0, 2, 4, 5, 7, 9, 11}); }

// A chord: root pitch class and the intervals above it, in the order voices take them.
struct Chord {
    int root;
    std::vector<int> tones;
};
Chord Min(int root);    // 3 7 0
Chord Min7(int root);   // 3 10 7 0
Chord Min9(int root);   // 3 10 14 7
Chord Maj(int root);    // 4 7 0
Chord Maj7(int root);   // 4 11 7 0
Chord Sus2(int root);   // 2 7 0
Chord Sus4(int root);   // 5 7 0
Chord Power(int root);  // 7 0 12

// Chords of one order and how many rows each lasts (together 64).
struct Span {
    Chord chord;
    uint32_t rows;
};
using Progression = std::vector<Span>;

// The chord sounding at row `row` (0..63) of an order playing the progression.
const Chord& ChordAt(const Progression& progression, uint32_t row);

// The lowest MIDI note of pitch class pc at or above `floor`.
int NoteAtOrAbove(int pc, int floor);

// MIDI number of a note name such as "C#4" or "Bb2"; -1 when it is not one.
int ParseNote(const char* name, uint32_t length);

class Score {
public:
    explicit Score(uint32_t orders);

    uint32_t Rows() const { return static_cast<uint32_t>(patterns.size()) * kRowsPerOrder; }
    XmCell& Cell(uint32_t at, uint32_t channel);
    const std::vector<XmPattern>& Patterns() const { return patterns; }

    // A note with its instrument and velocity (0..64); notes past the score are dropped.
    void Note(uint32_t at, uint32_t channel, int midi, uint8_t instrument, uint32_t velocity);
    // An unpitched instrument on its own note.
    void Hit(uint32_t at, uint32_t channel, uint8_t instrument, uint32_t velocity);
    void KeyOff(uint32_t at, uint32_t channel);
    // The note the channel holds from an earlier row on `instrument`, or -1.
    int SoundingNote(uint32_t at, uint32_t channel, uint8_t instrument);
    // Volume column only (a change of a sounding note's volume), where the cell has no note.
    void Volume(uint32_t at, uint32_t channel, uint32_t velocity);
    void Effect(uint32_t at, uint32_t channel, uint8_t effect, uint8_t parameter);
    // Empties rows [from, to) of the channels.
    void Clear(uint32_t from, uint32_t to, std::initializer_list<uint32_t> channels);
    // Order `to` becomes a copy of order `from`.
    void RepeatOrder(uint32_t from, uint32_t to);
    // Every volume of the order at `percent`, but on the channels in `except`.
    void ScaleVolumes(uint32_t order, uint32_t percent, std::initializer_list<uint32_t> except);

private:
    std::vector<XmPattern> patterns;
};

// Velocity of a rhythm character: 'X' 64, 'x' 46, 'o' 32, 'g' 20; 0 for anything else.
uint32_t RhythmVelocity(char symbol);

// One drum line over an order: every row whose character has a velocity hits the instrument,
// scaled by gain (percent).
void DrumLine(Score& score, uint32_t order, uint32_t channel, uint8_t instrument,
              const char* rhythm, uint32_t gain);

// Bass over an order: 'R' root, 'O' root an octave up, 'F' fifth (the chord's own when it has
// one), '-' key-off; lower case plays softer. Roots at or above `floor`.
void BassLine(Score& score, uint32_t order, const Progression& progression, uint32_t channel,
              uint8_t instrument, const char* rhythm, int floor, uint32_t velocity);

// Held chords: each span's first `voices` tones, placed around `centre`, on channels
// firstChannel..; panned across the stereo field.
void Pads(Score& score, uint32_t order, const Progression& progression, uint32_t firstChannel,
          uint32_t voices, uint8_t instrument, int centre, uint32_t velocity);

// Arpeggio over an order: a digit k plays the k-th chord tone counted upwards from `floor`.
void Arpeggio(Score& score, uint32_t order, const Progression& progression, uint32_t channel,
              uint8_t instrument, const char* steps, int floor, uint32_t velocity);

// A melody from absolute row `from`, one token per row, `transpose` semitones off its names.
void Melody(Score& score, uint32_t from, uint32_t channel, uint8_t instrument, const char* tokens,
            uint32_t velocity, int transpose = 0);

// The notes and key-offs of `source` in rows [from, to) again on `target`, `delay` rows later
// and at `percent` of their velocity, panned to `panning`; nothing lands at or after `limit`.
void Echo(Score& score, uint32_t from, uint32_t to, uint32_t source, uint32_t target,
          uint32_t delay, uint32_t percent, uint8_t panning, uint32_t limit);

// The notes of `source` in rows [from, to) on `target` a diatonic third lower in `scale`.
void Harmonise(Score& score, uint32_t from, uint32_t to, uint32_t source, uint32_t target,
               uint32_t scale, uint32_t percent);

// A noise riser on `channel` over rows [from, to): rising pitch and volume; cut on row `to`.
void Riser(Score& score, uint32_t from, uint32_t to, uint32_t channel, uint32_t peakVelocity);

// A snare roll on rows [from, to): every `step` rows, velocity rising from low to high.
void Roll(Score& score, uint32_t from, uint32_t to, uint32_t step, uint8_t instrument, uint32_t low,
          uint32_t high);

}  // namespace qx::score
