// The instrument bank: pitched samples sound at the note played, loops wrap without a seam, and
// one-shots end in silence; and the measurements the soundtrack checks stand on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "tools/music/soundtrack/render_song.h"
#include "tools/music/soundtrack/song_analysis.h"
#include "tools/music/synth/dsp.h"
#include "tools/music/synth/instruments.h"

namespace qx::test {
namespace {

// Autocorrelation pitch of frames [from, from + count) of the render's mono mix, searched
// within half an octave of `expected` hertz and refined between lags.
double PitchOf(const SongRender& render, uint64_t from, uint64_t count, double expected) {
    auto correlation = [&](int lag) {
        double sum = 0.0;
        for (uint64_t n = from; n + lag < from + count; ++n)
            sum += (render.samples[2 * n] + render.samples[2 * n + 1]) *
                   (render.samples[2 * (n + lag)] + render.samples[2 * (n + lag) + 1]);
        return sum;
    };
    const int shortest = static_cast<int>(kAnalysisRate / (expected * 1.4));
    const int longest = static_cast<int>(kAnalysisRate / (expected / 1.4));
    int best = shortest;
    for (int lag = shortest; lag <= longest; ++lag)
        if (correlation(lag) > correlation(best)) best = lag;
    const double before = correlation(best - 1);
    const double at = correlation(best);
    const double after = correlation(best + 1);
    return kAnalysisRate / (best + 0.5 * (before - after) / (before - 2 * at + after));
}

TEST(InstrumentBank, PitchedInstrumentsSoundAtTheNotePlayed) {
    struct Case {
        uint8_t instrument;
        int midi;
    };
    // Loops of every kind (single cycle, detuned ensembles, settled attack) and one-shots.
    constexpr Case kCases[] = {{kSubBass, 33}, {kReeseBass, 45},     {kGrowlBass, 45},
                               {kStrings, 57}, {kLeadSoft, 69},      {kLeadFm, 69},
                               {kPluck, 69},   {kElectricPiano, 60}, {kBell, 81}};
    XmModule song;
    song.channels = 1;
    song.defaultSpeed = 5;
    song.defaultBpm = 149;
    song.instruments = MakeInstrumentBank(1);
    for (const Case& c : kCases) {
        XmPattern pattern(16, 1);
        pattern.At(0, 0) = {static_cast<uint8_t>(c.midi - 11), c.instrument, XmVolume(64), 0, 0};
        song.orders.push_back(static_cast<uint8_t>(song.patterns.size()));
        song.patterns.push_back(pattern);
    }
    std::vector<uint8_t> file;
    const char* failure = "";
    ASSERT_TRUE(WriteXm(song, file, failure)) << failure;
    SongRender render;
    std::string warnings;
    std::string error;
    ASSERT_TRUE(RenderSong(file, render, warnings, error)) << error;
    EXPECT_EQ(warnings, "");
    for (uint32_t k = 0; k < std::size(kCases); ++k) {
        const double expected = 440.0 * std::exp2((kCases[k].midi - 69) / 12.0);
        const uint64_t start =
            render.rowStart[k * 64u] + kAnalysisRate / 8;  // order k, past the attack
        const double cents = 1200.0 * std::log2(PitchOf(render, start, 8192, expected) / expected);
        EXPECT_LT(std::fabs(cents), 10.0) << song.instruments[kCases[k].instrument - 1].name;
    }
}

TEST(InstrumentBank, LoopsWrapSeamlesslyAndOneShotsEndSilent) {
    const std::vector<XmInstrument> bank = MakeInstrumentBank(5000);
    ASSERT_EQ(bank.size(), kInstrumentCount);
    for (const XmInstrument& instrument : bank) {
        ASSERT_EQ(instrument.samples.size(), 1u);
        const XmSample& sample = instrument.samples[0];
        EXPECT_EQ(sample.sixteenBit, &instrument != &bank[kCrackle - 1]) << instrument.name;
        if (sample.loop == XmLoop::None) {
            EXPECT_EQ(sample.frames.back(), 0) << instrument.name;
            continue;
        }
        // The step across the wrap is no larger than the steps inside the loop.
        const uint32_t end = sample.loopStart + sample.loopLength;
        int largest = 0;
        for (uint32_t n = sample.loopStart + 1; n < end; ++n)
            largest = std::max(largest, std::abs(sample.frames[n] - sample.frames[n - 1]));
        EXPECT_LE(std::abs(sample.frames[sample.loopStart] - sample.frames[end - 1]), largest)
            << instrument.name;
    }
    EXPECT_EQ(bank[kCrackle - 1].samples[0].frames.size(), 5000u);
}

// A render of a quiet steady tone with one loud burst of noise and one stretch of silence.
SongRender SyntheticRender() {
    constexpr uint64_t kRowFrames = 3695;
    constexpr uint64_t kRows = 64;
    SongRender render;
    render.samples.resize(2 * kRows * kRowFrames);
    synth::Noise noise(1);
    synth::Oscillator tone;
    for (uint64_t n = 0; n < kRows * kRowFrames; ++n) {
        float value = 0.01f * tone.Sine(440.0 / kAnalysisRate);
        if (n >= 10 * kRowFrames && n < 10 * kRowFrames + 2000) value = 0.5f * noise.White();
        if (n >= 30 * kRowFrames && n < 40 * kRowFrames) value = 0.0f;  // 0.84 s
        render.samples[2 * n] = render.samples[2 * n + 1] = value;
    }
    for (uint64_t row = 0; row < kRows; ++row) render.rowStart.push_back(row * kRowFrames);
    return render;
}

TEST(SongAnalysis, FindsTheOnsetAtItsRowAndMeasuresSilence) {
    const SongRender render = SyntheticRender();
    const Onset burst = OnsetNear(render, 0, 10);
    EXPECT_GT(burst.strengthDb, 25.0);
    EXPECT_NEAR(burst.offsetRows, 0.05, 0.1);  // within a 10 ms window of the row's start
    EXPECT_LT(OnsetNear(render, 0, 20).strengthDb, 1.0);  // a steady tone: no onset
    EXPECT_NEAR(LongestQuiet(render, render.Frames(), -60.0), 10 * 3695 / 44100.0, 0.06);
    EXPECT_EQ(LongestQuiet(render, 29 * 3695, -60.0), 0.0);  // before the gap
    const Level loud = LevelOf(render, 10 * 3695, 10 * 3695 + 2000);
    EXPECT_NEAR(loud.peakDb, 20.0 * std::log10(0.5), 0.1);
}

}  // namespace
}  // namespace qx::test
