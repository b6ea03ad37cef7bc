#include "tests/support/placeholder_assets.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "archive/asset_catalogue.h"
#include "tools/archive/archive_writer.h"
#include "tools/music/xm_writer.h"

namespace qx {

namespace {

constexpr uint32_t kWidth = kPictureWidth;
constexpr uint32_t kHeight = kPictureHeight;
constexpr uint32_t kTextureSide = kTextureSize;
constexpr uint32_t kTitleEntry = 20;
constexpr uint32_t kDarkEntry = 3;  // back3: grey levels 0 to 31 only
constexpr uint32_t kDarkLevels = 32;
constexpr uint32_t kBumpGreyEntry = 10;  // picbump8, the grey twin of picbump (entry 9)
constexpr uint32_t kBumpEntry = 9;
constexpr uint32_t kTextureTwin = 19;  // texture8 repeats texture6 (entry 17)
constexpr uint32_t kTextureTwinOf = 17;

// A diagonal gradient whose slope and phase depend on the entry; the title is a vertical one.
uint8_t GreyLevel(uint32_t entryNumber, uint32_t x, uint32_t y) {
    if (entryNumber == kTitleEntry) return static_cast<uint8_t>(y * 255 / (kHeight - 1));
    const uint32_t level =
        (x * (1 + entryNumber % 3) + y * (entryNumber % 4) + 16 * entryNumber) / 2;
    return static_cast<uint8_t>(entryNumber == kDarkEntry ? level % kDarkLevels : level & 0xFF);
}

void PutWord(std::vector<uint8_t>& out, uint32_t word) {
    for (uint32_t shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(word >> shift));
}

std::vector<uint8_t> GreyPicture(uint32_t entryNumber) {
    std::vector<uint8_t> out;
    out.reserve(kGreyPictureBytes);
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x) out.push_back(GreyLevel(entryNumber, x, y));
    return out;
}

// 0x00GGGGGG words of the grey gradient.
std::vector<uint8_t> ColourPicture(uint32_t entryNumber) {
    const uint32_t greyEntry = entryNumber == kBumpEntry ? kBumpGreyEntry : entryNumber;
    std::vector<uint8_t> out;
    out.reserve(kColourPictureBytes);
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x) PutWord(out, GreyLevel(greyEntry, x, y) * 0x010101u);
    return out;
}

// Red across, green down, blue along the diagonal, shifted per entry; top byte 0.
std::vector<uint8_t> Texture(uint32_t entryNumber) {
    const uint32_t shift = 16 * (entryNumber == kTextureTwin ? kTextureTwinOf : entryNumber);
    std::vector<uint8_t> out;
    out.reserve(kTextureBytes);
    for (uint32_t v = 0; v < kTextureSide; ++v) {
        for (uint32_t u = 0; u < kTextureSide; ++u) {
            const uint32_t red = (u + shift) & 0xFF;
            const uint32_t blue = ((u + v) / 2 + shift) & 0xFF;
            PutWord(out, red << 16 | v << 8 | blue);
        }
    }
    return out;
}

// The song shape: 42 orders, speed 31 from order 37 on.
constexpr uint32_t kChannels = 20;
constexpr uint32_t kOrders = 42;
constexpr uint32_t kSlowOrder = 37;
constexpr uint32_t kRows = 64;
constexpr uint32_t kSpeed = 5;  // ticks per row
constexpr uint32_t kBpm = 149;
constexpr uint32_t kSlowSpeed = 31;  // ticks per row from kSlowOrder
constexpr uint8_t kToneInstrument = 1;
constexpr uint32_t kCycleFrames = 64;  // one sine period; relative note +12 puts C-4 at 261 Hz
constexpr uint32_t kToneFrames = 4 * kCycleFrames;
constexpr uint32_t kToneAmplitude = 48;  // of 127: quiet

// Chord tones (semitones from C) of the three patterns, one tone every 8 rows on channel 0 and
// a root every 32 rows on channel 1.
constexpr uint32_t kChords[3][4] = {{0, 4, 7, 4}, {9, 0, 4, 0}, {5, 9, 0, 9}};
constexpr uint32_t kRoots[3] = {0, 9, 5};

XmPattern ChordPattern(uint32_t chord, bool slow) {
    XmPattern pattern(kRows, kChannels);
    for (uint32_t row = 0; row < kRows; row += 8) {
        XmCell& cell = pattern.At(row, 0);
        const uint32_t tone = kChords[chord][row / 8 % 4];
        cell.note = XmNote(tone < kRoots[chord] ? 5 : 4, tone);
        cell.instrument = kToneInstrument;
        cell.volume = XmVolume(24);
    }
    for (uint32_t row = 0; row < kRows; row += 32) {
        XmCell& cell = pattern.At(row, 1);
        cell.note = XmNote(3, kRoots[chord]);
        cell.instrument = kToneInstrument;
        cell.volume = XmVolume(32);
    }
    if (slow) {
        pattern.At(0, 2).effect = kXmEffectSpeed;
        pattern.At(0, 2).parameter = kSlowSpeed;
    }
    return pattern;
}

XmInstrument ToneInstrument() {
    XmInstrument tone;
    tone.name = "soft sine";
    XmSample sample;
    sample.name = "sine";
    for (uint32_t k = 0; k < kToneFrames; ++k) {
        const double phase =
            2.0 * std::numbers::pi * static_cast<double>(k % kCycleFrames) / kCycleFrames;
        sample.frames.push_back(
            static_cast<int16_t>(std::lround(kToneAmplitude * std::sin(phase))));
    }
    sample.loop = XmLoop::Forward;
    sample.loopLength = kToneFrames;
    sample.volume = 40;
    sample.relativeNote = 12;
    tone.samples.push_back(sample);
    tone.volumeEnvelope.points = {{0, 64}, {4, 48}, {64, 0}};
    tone.fadeout = 0x400;
    return tone;
}

XmModule SoundtrackWithout(uint32_t paddingFrames) {
    XmModule song = NewXmModule("Tamberlinoth", "qx placeholder", kChannels, kSpeed, kBpm);
    for (uint32_t order = 0; order < kOrders; ++order)
        song.orders.push_back(static_cast<uint8_t>(order < kSlowOrder ? order / 2 % 2 : 2));
    song.patterns = {ChordPattern(0, false), ChordPattern(1, false), ChordPattern(2, true)};
    song.instruments.push_back(ToneInstrument());
    XmInstrument padding;
    padding.name = "padding";
    padding.samples.resize(1);
    padding.samples[0].name = "silence";
    padding.samples[0].volume = 0;
    padding.samples[0].frames.assign(paddingFrames, 0);
    song.instruments.push_back(padding);
    return song;
}

// Without their writers there are no placeholders: ends the test process, naming the cause.
[[noreturn]] void Abort(const char* what, const char* failure) {
    std::fprintf(stderr, "placeholder %s: %s\n", what, failure);
    std::abort();
}

std::vector<uint8_t> WriteOrDie(const XmModule& song) {
    std::vector<uint8_t> file;
    const char* failure = "";
    if (!WriteXm(song, file, failure)) Abort("soundtrack", failure);
    return file;
}

}  // namespace

std::vector<uint8_t> MakePlaceholderSoundtrack() {
    // The silent sample's 8-bit frames take up whatever the song leaves of the fixed size.
    const size_t bare = WriteOrDie(SoundtrackWithout(0)).size();
    return WriteOrDie(SoundtrackWithout(static_cast<uint32_t>(kModuleSize - bare)));
}

std::vector<uint8_t> MakePlaceholderEntry(uint32_t entryNumber) {
    if (entryNumber == 0 || entryNumber > kCatalogueEntryCount) return {};
    switch (kCatalogue[entryNumber - 1].format) {
        case AssetFormat::GreyPicture:
            return GreyPicture(entryNumber);
        case AssetFormat::ColourPicture:
            return ColourPicture(entryNumber);
        case AssetFormat::Texture:
            return Texture(entryNumber);
        case AssetFormat::Module:
            return MakePlaceholderSoundtrack();
    }
    return {};
}

std::vector<uint8_t> MakePlaceholderArchive() {
    std::vector<NamedData> items(kCatalogueEntryCount);
    for (uint32_t k = 0; k < kCatalogueEntryCount; ++k)
        items[k] = {kCatalogue[k].name, MakePlaceholderEntry(k + 1)};
    std::vector<uint8_t> archive;
    const char* failure = "";
    if (!PackArchive(items, archive, failure)) Abort("archive", failure);
    return archive;
}

}  // namespace qx
