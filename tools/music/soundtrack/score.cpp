#include "tools/music/soundtrack/score.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/music/synth/instruments.h"

namespace qx::score {

namespace {

constexpr int kMidiOfXmNoteOne = 12;  // XM note 1 (C-0) is MIDI 12
constexpr uint8_t kEffectPanning = 0x08;
constexpr uint8_t kEffectPortamentoUp = 0x01;
constexpr uint8_t kEffectExtended = 0x0E;
constexpr uint8_t kNoteCutNow = 0xC0;          // extended effect C0: cut on the row's first tick
constexpr uint32_t kVolumeColumnFirst = 0x10;  // 0x10..0x50: volume 0..64
constexpr uint32_t kVolumeColumnLast = 0x50;
constexpr uint8_t kPadPanning[] = {0x38, 0xC8, 0x80, 0x58, 0xA8};
constexpr int kArpeggioRange = 24;  // semitones of chord tones above the floor
constexpr int kRiserStart = 48;     // MIDI; the riser climbs from an octave below its rate
constexpr uint32_t kRiserSemitones = 24;
constexpr uint32_t kRiserLowest = 8;  // velocity of its first row

// A composer mistake (a note the format cannot hold, a malformed string) stops the generator.
[[noreturn]] void Fail(const char* what, const char* detail) {
    std::fprintf(stderr, "soundtrack composer: %s: %s\n", what, detail);
    std::abort();
}

uint32_t VelocityOf(const XmCell& cell) {
    if (cell.volume >= kVolumeColumnFirst && cell.volume <= kVolumeColumnLast)
        return cell.volume - kVolumeColumnFirst;
    return kMaxVelocity;
}

bool IsNote(const XmCell& cell) { return cell.note >= 1 && cell.note <= kXmNoteCount; }

int MidiOf(const XmCell& cell) { return cell.note - 1 + kMidiOfXmNoteOne; }

// A rhythm string without its '|' separators, checked to hold a bar or an order.
std::string RhythmRows(const char* rhythm) {
    std::string rows;
    for (const char* c = rhythm; *c != '\0'; ++c)
        if (*c != '|') rows += *c;
    if (rows.size() == kRowsPerBar) rows = rows + rows + rows + rows;
    if (rows.size() != kRowsPerOrder) Fail("a rhythm is neither a bar nor an order long", rhythm);
    return rows;
}

// The chord's tones as notes: the first `count` tones placed at or above floor, each a
// different note, ascending.
std::vector<int> Voicing(const Chord& chord, uint32_t count, int floor) {
    std::vector<int> notes;
    for (uint32_t k = 0; k < count && k < chord.tones.size(); ++k) {
        int note = NoteAtOrAbove((chord.root + chord.tones[k]) % 12, floor);
        while (std::find(notes.begin(), notes.end(), note) != notes.end()) note += 12;
        notes.push_back(note);
    }
    std::sort(notes.begin(), notes.end());
    return notes;
}

}  // namespace

uint32_t ScaleOf(int tonic, std::initializer_list<int> intervals) {
    uint32_t scale = 0;
    for (const int interval : intervals) scale |= 1u << ((tonic + interval) % 12);
    return scale;
}

Chord Min(int root) { return {root, {3, 7, 0}}; }
Chord Min7(int root) { return {root, {3, 10, 7, 0}}; }
Chord Min9(int root) { return {root, {3, 10, 14, 7}}; }
Chord Maj(int root) { return {root, {4, 7, 0}}; }
Chord Maj7(int root) { return {root, {4, 11, 7, 0}}; }
Chord Sus2(int root) { return {root, {2, 7, 0}}; }
Chord Sus4(int root) { return {root, {5, 7, 0}}; }
Chord Power(int root) { return {root, {7, 0, 12}}; }

const Chord& ChordAt(const Progression& progression, uint32_t row) {
    uint32_t end = 0;
    for (const Span& span : progression) {
        end += span.rows;
        if (row < end) return span.chord;
    }
    return progression.back().chord;
}

int NoteAtOrAbove(int pc, int floor) { return floor + ((pc - floor) % 12 + 12) % 12; }

int ParseNote(const char* name, uint32_t length) {
    constexpr int kLetterPc[7] = {kA, kB, kC, kD, kE, kF, kG};
    if (length < 2 || name[0] < 'A' || name[0] > 'G') return -1;
    int pc = kLetterPc[name[0] - 'A'];
    uint32_t at = 1;
    if (name[at] == '#') {
        ++pc;
        ++at;
    } else if (name[at] == 'b') {
        --pc;
        ++at;
    }
    if (at + 1 != length || name[at] < '0' || name[at] > '8') return -1;
    return (name[at] - '0' + 1) * 12 + pc;
}

Score::Score(uint32_t orders) : patterns(orders, XmPattern(kRowsPerOrder, kChannelCount)) {}

XmCell& Score::Cell(uint32_t at, uint32_t channel) {
    return patterns[at / kRowsPerOrder].At(at % kRowsPerOrder, channel);
}

void Score::Note(uint32_t at, uint32_t channel, int midi, uint8_t instrument, uint32_t velocity) {
    if (at >= Rows()) return;
    const int note = midi - kMidiOfXmNoteOne + 1;
    if (note < 1 || note > static_cast<int>(kXmNoteCount)) Fail("a note outside the XM range", "");
    XmCell& cell = Cell(at, channel);
    cell.note = static_cast<uint8_t>(note);
    cell.instrument = instrument;
    cell.volume = XmVolume(std::min(velocity, kMaxVelocity));
}

void Score::Hit(uint32_t at, uint32_t channel, uint8_t instrument, uint32_t velocity) {
    Note(at, channel, kDrumNote - 1 + kMidiOfXmNoteOne, instrument, velocity);
}

int Score::SoundingNote(uint32_t at, uint32_t channel, uint8_t instrument) {
    for (uint32_t back = at; back-- > 0;) {
        const XmCell& cell = Cell(back, channel);
        if (cell.note == kXmKeyOff) return -1;
        if (IsNote(cell)) return cell.instrument == instrument ? MidiOf(cell) : -1;
    }
    return -1;
}

void Score::KeyOff(uint32_t at, uint32_t channel) {
    if (at >= Rows()) return;
    XmCell& cell = Cell(at, channel);
    cell = {};
    cell.note = kXmKeyOff;
}

void Score::Volume(uint32_t at, uint32_t channel, uint32_t velocity) {
    if (at >= Rows()) return;
    XmCell& cell = Cell(at, channel);
    if (cell.note == 0) cell.volume = XmVolume(std::min(velocity, kMaxVelocity));
}

void Score::Effect(uint32_t at, uint32_t channel, uint8_t effect, uint8_t parameter) {
    if (at >= Rows()) return;
    XmCell& cell = Cell(at, channel);
    cell.effect = effect;
    cell.parameter = parameter;
}

void Score::Clear(uint32_t from, uint32_t to, std::initializer_list<uint32_t> channels) {
    for (uint32_t at = from; at < to && at < Rows(); ++at)
        for (const uint32_t channel : channels) Cell(at, channel) = {};
}

void Score::RepeatOrder(uint32_t from, uint32_t to) { patterns[to] = patterns[from]; }

void Score::ScaleVolumes(uint32_t order, uint32_t percent, std::initializer_list<uint32_t> except) {
    XmPattern& pattern = patterns[order];
    for (uint32_t row = 0; row < kRowsPerOrder; ++row)
        for (uint32_t channel = 0; channel < kChannelCount; ++channel) {
            XmCell& cell = pattern.At(row, channel);
            if (std::find(except.begin(), except.end(), channel) != except.end()) continue;
            if (cell.volume >= kVolumeColumnFirst && cell.volume <= kVolumeColumnLast)
                cell.volume = XmVolume((cell.volume - kVolumeColumnFirst) * percent / 100);
        }
}

uint32_t RhythmVelocity(char symbol) {
    switch (symbol) {
        case 'X':
            return 64;
        case 'x':
            return 46;
        case 'o':
            return 32;
        case 'g':
            return 20;
        default:
            return 0;
    }
}

void DrumLine(Score& score, uint32_t order, uint32_t channel, uint8_t instrument,
              const char* rhythm, uint32_t gain) {
    const std::string rows = RhythmRows(rhythm);
    for (uint32_t row = 0; row < kRowsPerOrder; ++row) {
        const uint32_t velocity = RhythmVelocity(rows[row]) * gain / 100;
        if (velocity > 0) score.Hit(At(order, row), channel, instrument, velocity);
    }
}

void BassLine(Score& score, uint32_t order, const Progression& progression, uint32_t channel,
              uint8_t instrument, const char* rhythm, int floor, uint32_t velocity) {
    const std::string rows = RhythmRows(rhythm);
    for (uint32_t row = 0; row < kRowsPerOrder; ++row) {
        const char symbol = rows[row];
        const Chord& chord = ChordAt(progression, row);
        const int root = NoteAtOrAbove(chord.root, floor);
        const bool soft = symbol >= 'a' && symbol <= 'z';
        const uint32_t level = soft ? velocity * 3 / 4 : velocity;
        switch (symbol) {
            case 'R':
            case 'r':
                score.Note(At(order, row), channel, root, instrument, level);
                break;
            case 'O':
            case 'o':
                score.Note(At(order, row), channel, root + 12, instrument, level);
                break;
            case 'F':
            case 'f': {
                const bool hasFifth =
                    std::find(chord.tones.begin(), chord.tones.end(), 7) != chord.tones.end();
                score.Note(At(order, row), channel, hasFifth ? root + 7 : root + 12, instrument,
                           level);
                break;
            }
            case '-':
                score.KeyOff(At(order, row), channel);
                break;
            default:
                break;
        }
    }
}

void Pads(Score& score, uint32_t order, const Progression& progression, uint32_t firstChannel,
          uint32_t voices, uint8_t instrument, int centre, uint32_t velocity) {
    uint32_t row = 0;
    for (const Span& span : progression) {
        const std::vector<int> notes = Voicing(span.chord, voices, centre - 6);
        for (uint32_t k = 0; k < notes.size(); ++k) {
            const uint32_t at = At(order, row);
            if (score.SoundingNote(at, firstChannel + k, instrument) == notes[k]) continue;
            score.Note(at, firstChannel + k, notes[k], instrument, velocity);
            score.Effect(at, firstChannel + k, kEffectPanning,
                         kPadPanning[k % std::size(kPadPanning)]);
        }
        row += span.rows;
    }
}

void Arpeggio(Score& score, uint32_t order, const Progression& progression, uint32_t channel,
              uint8_t instrument, const char* steps, int floor, uint32_t velocity) {
    const std::string rows = RhythmRows(steps);
    for (uint32_t row = 0; row < kRowsPerOrder; ++row) {
        if (rows[row] < '0' || rows[row] > '9') continue;
        const Chord& chord = ChordAt(progression, row);
        std::vector<int> tones;
        for (int note = floor; note < floor + kArpeggioRange; ++note)
            for (const int tone : chord.tones)
                if ((chord.root + tone) % 12 == ((note % 12) + 12) % 12) {
                    tones.push_back(note);
                    break;
                }
        const auto index = static_cast<uint32_t>(rows[row] - '0');
        if (index < tones.size())
            score.Note(At(order, row), channel, tones[index], instrument, velocity);
    }
}

void Melody(Score& score, uint32_t from, uint32_t channel, uint8_t instrument, const char* tokens,
            uint32_t velocity, int transpose) {
    uint32_t at = from;
    const char* c = tokens;
    while (*c != '\0') {
        while (*c == ' ' || *c == '|') ++c;
        if (*c == '\0') break;
        const char* start = c;
        while (*c != '\0' && *c != ' ' && *c != '|') ++c;
        const auto length = static_cast<uint32_t>(c - start);
        if (length == 1 && *start == '-') {
            score.KeyOff(at, channel);
        } else if (!(length == 1 && *start == '.')) {
            const int midi = ParseNote(start, length);
            if (midi < 0) Fail("a melody token is not a note", start);
            score.Note(at, channel, midi + transpose, instrument, velocity);
        }
        ++at;
    }
}

void Echo(Score& score, uint32_t from, uint32_t to, uint32_t source, uint32_t target,
          uint32_t delay, uint32_t percent, uint8_t panning, uint32_t limit) {
    for (uint32_t at = from; at < to; ++at) {
        const XmCell cell = score.Cell(at, source);
        const uint32_t echoAt = at + delay;
        if (echoAt >= limit) break;
        if (cell.note == kXmKeyOff) score.KeyOff(echoAt, target);
        if (!IsNote(cell)) continue;
        score.Note(echoAt, target, MidiOf(cell), cell.instrument, VelocityOf(cell) * percent / 100);
        score.Effect(echoAt, target, kEffectPanning, panning);
    }
}

void Harmonise(Score& score, uint32_t from, uint32_t to, uint32_t source, uint32_t target,
               uint32_t scale, uint32_t percent) {
    for (uint32_t at = from; at < to; ++at) {
        const XmCell cell = score.Cell(at, source);
        if (cell.note == kXmKeyOff) score.KeyOff(at, target);
        if (!IsNote(cell)) continue;
        int note = MidiOf(cell);
        for (uint32_t steps = 0; steps < 2;) {
            --note;
            if ((scale >> (note % 12) & 1) != 0) ++steps;
        }
        score.Note(at, target, note, cell.instrument, VelocityOf(cell) * percent / 100);
    }
}

void Riser(Score& score, uint32_t from, uint32_t to, uint32_t channel, uint32_t peakVelocity) {
    const uint32_t rows = to - from;
    const auto speed =
        static_cast<uint8_t>(std::max<uint32_t>(1, kRiserSemitones * 16 / (rows * 4)));
    score.Note(from, channel, kRiserStart, kNoiseRiser, kRiserLowest);
    for (uint32_t k = 0; k < rows; ++k) {
        const uint32_t at = from + k;
        if (k > 0)
            score.Volume(at, channel,
                         kRiserLowest + (peakVelocity - kRiserLowest) * k / (rows - 1));
        score.Effect(at, channel, kEffectPortamentoUp, speed);
    }
    score.Effect(to, channel, kEffectExtended, kNoteCutNow);
}

void Roll(Score& score, uint32_t from, uint32_t to, uint32_t step, uint8_t instrument, uint32_t low,
          uint32_t high) {
    const uint32_t span = std::max<uint32_t>(1, to - from - 1);
    for (uint32_t at = from; at < to; at += step)
        score.Hit(at, kChSnare, instrument, low + (high - low) * (at - from) / span);
}

}  // namespace qx::score
