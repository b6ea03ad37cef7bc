// The composed soundtrack as the production and a listener meet it: the file's exact size and
// song shape, the music clock the scene table relies on, every pitched note in its section's
// scale, and the measured stand-ins for listening (clipping, loudness, silence, onsets).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>

#include "archive/asset_catalogue.h"
#include "scenes/scene_table.h"
#include "tools/music/soundtrack/composer.h"
#include "tools/music/soundtrack/render_song.h"
#include "tools/music/soundtrack/soundtrack_checks.h"
#include "tools/music/synth/dsp.h"
#include "tools/music/synth/instruments.h"
#include "tools/music/xm_reader.h"

namespace qx::test {
namespace {

constexpr uint64_t kFramesPerRow = 5 * 739;  // speed 5 at 149 BPM, 44.1 kHz

TEST(Soundtrack, IsExactlyTheEntrySizeWithTheSongShapeAndTheSameEveryTime) {
    const std::vector<uint8_t> song = MakeSoundtrack();
    ASSERT_EQ(song.size(), kModuleSize);
    EXPECT_EQ(song, MakeSoundtrack());
    EXPECT_EQ(std::string(song.begin(), song.begin() + 17), "Extended Module: ");
    int error = 0;
    openmpt_module* module = openmpt_module_create_from_memory2(
        song.data(), song.size(), nullptr, nullptr, nullptr, nullptr, &error, nullptr, nullptr);
    ASSERT_NE(module, nullptr) << "libopenmpt error " << error;
    EXPECT_EQ(openmpt_module_get_num_channels(module), 20);
    EXPECT_EQ(openmpt_module_get_num_orders(module), 42);
    EXPECT_EQ(openmpt_module_get_num_patterns(module), 39);
    EXPECT_EQ(openmpt_module_get_num_instruments(module), 49);
    for (int32_t pattern = 0; pattern < 39; ++pattern)
        EXPECT_EQ(openmpt_module_get_pattern_num_rows(module, pattern), 64);
    const char* warnings = openmpt_module_get_metadata(module, "warnings");
    EXPECT_STREQ(warnings, "");
    openmpt_free_string(warnings);
    openmpt_module_destroy(module);
}

// The music meets the production's scene table: every sync row is a scene change, every section
// starts where a scene does (on row 0, or on row 63 of the order before, whose hit leads in),
// the table ends as the closing order begins, after the cadence's order, and the scene orders
// are those in which a row of the table begins.
TEST(Soundtrack, SectionsAndSyncRowsMeetTheSceneTable) {
    std::set<uint32_t> changes = {0};
    const SceneTableRow* row = ProductionSceneTable();
    for (; row[1].endPosition != kEndRowPosition; ++row) changes.insert(row->endPosition);
    EXPECT_EQ(row->endPosition, kClosingOrder * 256);
    EXPECT_EQ(kCadenceOrder + 1, kClosingOrder);
    std::set<uint32_t> sceneOrders;
    for (const uint32_t change : changes) sceneOrders.insert(change / 256);
    EXPECT_EQ(sceneOrders, std::set<uint32_t>(std::begin(kSceneOrders), std::end(kSceneOrders)));
    for (const SyncRow& sync : kSyncRows)
        EXPECT_EQ(changes.count(sync.order * 256 + sync.row), 1u) << sync.order << "/" << sync.row;
    for (const SongSection& section : kSongSections) {
        const uint32_t start = section.firstOrder * 256;
        EXPECT_TRUE(changes.count(start) == 1 || changes.count(start - 256 + 63) == 1)
            << section.name;
    }
}

// Every pitched note (with the intervals its sample sounds) lies in its section's scale.
TEST(Soundtrack, EveryPitchedNoteBelongsToItsSectionsScale) {
    const XmModule song = ComposeSoundtrack(1);
    uint32_t pitched = 0;
    for (uint32_t order = 0; order <= kClosingOrder; ++order) {
        const XmPattern& pattern = song.patterns[song.orders[order]];
        const uint32_t scale = SectionOfOrder(order).scale;
        for (uint32_t cell = 0; cell < pattern.cells.size(); ++cell) {
            const XmCell& c = pattern.cells[cell];
            const uint32_t intervals =
                c.note >= 1 && c.note <= kXmNoteCount ? SoundedIntervals(c.instrument) : 0;
            if (intervals == 0) continue;
            ++pitched;
            const uint32_t pitchClass = (c.note - 1u) % 12;
            for (uint32_t interval = 0; interval < 12; ++interval) {
                if ((intervals >> interval & 1) == 0) continue;
                EXPECT_NE(scale >> ((pitchClass + interval) % 12) & 1, 0u)
                    << "order " << order << " row " << cell / kSongChannels << " channel "
                    << cell % kSongChannels << " instrument " << int{c.instrument};
            }
        }
    }
    EXPECT_GT(pitched, 1000u);
}

// Rendered by libopenmpt: the clock runs at speed 5 and 149 BPM to order 37, which begins at
// 198.4 s at speed 31; no clipping, sane and rising loudness, no silence, onsets on the sync rows.
TEST(Soundtrack, RendersWithItsClockLevelsAndOnsets) {
    SongRender render;
    std::string warnings;
    std::string failure;
    ASSERT_TRUE(RenderSong(MakeSoundtrack(), render, warnings, failure)) << failure;
    const uint64_t closingRow = uint64_t{kClosingOrder} * kSongRows;
    ASSERT_GT(render.rowStart.size(), closingRow);
    for (uint64_t row = 0; row < closingRow; ++row) {
        ASSERT_EQ(render.speed[row], kSongSpeed) << row;
        ASSERT_EQ(render.tempo[row], kSongBpm) << row;
    }
    EXPECT_EQ(render.speed[closingRow], kClosingSpeed);
    for (uint64_t row = 0; row <= closingRow; row += kSongRows) {
        EXPECT_LE(render.rowStart[row], row * kFramesPerRow) << row;
        EXPECT_GT(render.rowStart[row] + kRenderChunk, row * kFramesPerRow) << row;
    }
    EXPECT_NEAR(static_cast<double>(render.rowStart[closingRow]) / kAnalysisRate, 198.4, 0.05);

    const SoundtrackChecks checks = CheckSoundtrack(render);
    PrintSoundtrackChecks(checks, stdout);
    EXPECT_TRUE(checks.failures.empty());
}

// The module read back from its bytes: no DC in a sample, every instrument played, drums varied,
// no copied order where a scene begins.
TEST(Soundtrack, ModulePassesItsOwnChecks) {
    XmModule module;
    const char* failure = "";
    ASSERT_TRUE(ReadXm(MakeSoundtrack(), module, failure)) << failure;
    const ModuleChecks checks = CheckModule(module);
    PrintModuleChecks(checks, stdout);
    EXPECT_TRUE(checks.failures.empty());
}

// The module checks name each fault planted in a good module: an offset sample, an instrument
// no cell plays, one drum bar in every order, a scene's order copied.
TEST(Soundtrack, ModuleChecksNameWhatFails) {
    XmModule module = ComposeSoundtrack(1);
    for (int16_t& frame : module.instruments[kArpBlip - 1].samples[0].frames)
        frame = static_cast<int16_t>(std::clamp(frame + 200, -32768, 32767));
    for (XmPattern& pattern : module.patterns)
        for (XmCell& cell : pattern.cells)
            if (cell.instrument == kPluck) cell = {};
    for (uint32_t order = 0; order < kClosingOrder; ++order) {
        XmPattern& pattern = module.patterns[module.orders[order]];
        for (uint32_t row = 0; row < kSongRows; ++row)
            for (uint32_t channel = 0; channel < kDrumChannels; ++channel)
                pattern.At(row, channel) = {};
        pattern.At(0, 0) = {kDrumNote, kKickPunch, 0, 0, 0};
    }
    module.orders[29] = module.orders[28];
    const ModuleChecks checks = CheckModule(module);
    auto failed = [&](const std::string& start) {
        for (const std::string& failure : checks.failures)
            if (failure.rfind(start, 0) == 0) return true;
        return false;
    };
    EXPECT_TRUE(failed("DC of 0.006")) << checks.failures.size();
    EXPECT_TRUE(failed("instrument never played: pluck"));
    EXPECT_FALSE(failed("instrument never played: arp blip"));
    EXPECT_TRUE(failed("one drum bar plays in 37 of 37 orders"));
    EXPECT_TRUE(failed("order 28, where a scene begins, is a copy of order 29"));
    EXPECT_TRUE(failed("order 29, where a scene begins, is a copy of order 28"));
    EXPECT_EQ(checks.copiedSceneOrders.size(), 2u);
}

// The checks fail by name on a render that breaks them: quiet mono noise with an offset (no
// onsets, too quiet, no arc, DC, sounding to the end), one clipped sample, an intro that falls,
// a peak quieter than the rest, a second of silence and a section of 40 Hz hum.
TEST(Soundtrack, ChecksNameWhatFails) {
    constexpr uint64_t kRowFrames = 400;
    constexpr uint64_t kRows = (kClosingOrder + 1) * uint64_t{kSongRows};
    SongRender render;
    render.samples.resize(2 * kRows * kRowFrames);
    synth::Noise noise(7);
    for (uint64_t n = 0; n < kRows * kRowFrames; ++n) {
        float value = 0.02f * noise.White();
        const uint64_t order = n / (kSongRows * kRowFrames);
        if (order == 2) value *= 0.5f;                  // the intro falls
        if (order >= 30 && order <= 33) value *= 0.7f;  // the peak is not the loudest
        if (n >= 20 * kSongRows * kRowFrames && n < 20 * kSongRows * kRowFrames + kAnalysisRate)
            value = 0.0f;               // a second of silence
        if (order >= 8 && order <= 10)  // the title darkens on a hum
            value =
                0.02f * static_cast<float>(std::sin(2.0 * 3.14159265 * 40.0 * n / kAnalysisRate));
        if (value != 0.0f) value += 0.002f;  // an offset
        render.samples[2 * n] = render.samples[2 * n + 1] = n == 1000 ? 1.0f : value;
    }
    for (uint64_t row = 0; row <= kRows; ++row) render.rowStart.push_back(row * kRowFrames);
    const SoundtrackChecks checks = CheckSoundtrack(render);
    auto failed = [&](const std::string& start) {
        for (const std::string& failure : checks.failures)
            if (failure.rfind(start, 0) == 0) return true;
        return false;
    };
    EXPECT_TRUE(failed("clipping: peak 0.00 dBFS"));
    EXPECT_TRUE(failed("title: RMS"));
    EXPECT_TRUE(failed("twins is as loud as the peak"));
    EXPECT_TRUE(failed("the intro falls at order 2"));
    EXPECT_TRUE(failed("silence of 1.0"));
    EXPECT_TRUE(failed("no onset at 16/20"));
    EXPECT_FALSE(failed("the intro falls at order 3"));
    EXPECT_GT(checks.lowShares[2], 0.9);
    EXPECT_EQ(std::count_if(checks.failures.begin(), checks.failures.end(),
                            [](const std::string& failure) {
                                return failure.find("below 60 Hz") != std::string::npos;
                            }),
              1);
    EXPECT_LT(checks.lowShares[1], 0.05);
    EXPECT_TRUE(failed("flat: the loudest section"));
    EXPECT_TRUE(failed("the show ends sounding"));
    EXPECT_TRUE(failed("nearly mono: left/right correlation 1.000"));
    EXPECT_TRUE(failed("DC in the mix: 0.0019 left"));
    EXPECT_FALSE(failed("the mono fold-down"));
}

}  // namespace
}  // namespace qx::test
