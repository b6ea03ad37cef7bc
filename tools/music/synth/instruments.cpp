#include "tools/music/synth/instruments.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "tools/music/synth/dsp.h"

namespace qx {

namespace {

using synth::AdditiveLoop;
using synth::AttackDecay;
using synth::FilteredNoise;
using synth::kTwoPi;
using synth::LoopVoice;
using synth::MidiHz;
using synth::Noise;
using synth::OnePole;
using synth::Oscillator;
using synth::ReverbShape;
using synth::Signal;
using synth::Svf;

constexpr double kXmBaseRate = 8363.0;  // Hz at which C-4 plays a sample with no transposition
constexpr double kDrumMidi = 60.0;      // MIDI note of kDrumNote
constexpr uint32_t kEndFade = 96;       // frames faded to zero at the end of a one-shot
constexpr float kFullLevel = 0.97f;     // default peak, of full scale
constexpr int16_t kFullScale16 = 32767;
constexpr int16_t kFullScale8 = 127;

// XM envelope ticks are song ticks: 5 a row, 16.8 ms each at 149 BPM.
constexpr uint16_t kFadeoutQuick = 4095;   // about 0.27 s after key-off
constexpr uint16_t kFadeoutMedium = 1536;  // about 0.7 s
constexpr uint16_t kFadeoutSlow = 640;     // about 1.7 s

// One synthesised sample and how its instrument plays it.
struct Voice {
    Voice() = default;
    Voice(std::string voiceName, Signal frames, double framesPerCycle)
        : name(std::move(voiceName)), signal(std::move(frames)), period(framesPerCycle) {}

    std::string name;
    Signal signal;
    double period = 0.0;  // frames per cycle of the pitch of the note played
    float level = kFullLevel;
    uint32_t loopStart = 0;  // frames; loopLength 0: a one-shot
    uint32_t loopLength = 0;
    XmEnvelope envelope;
    uint16_t fadeout = 0;
    struct Vibrato {
        uint8_t sweep = 0;
        uint8_t depth = 0;
        uint8_t rate = 0;
    } vibrato;  // the instrument's auto-vibrato
    bool eightBit = false;
};

// Frames per cycle for a sample made at `rate` whose pitch is MIDI note `midi`.
double PeriodFor(double rate, double midi) { return rate / MidiHz(midi); }

// Frames per cycle of an unpitched sample that plays at its own rate on kDrumNote.
double DrumPeriod(double rate) { return PeriodFor(rate, kDrumMidi); }

// Relative note and finetune (1/128 semitone) that make a sample repeating every `period`
// frames sound at the pitch of the note played: C-4 plays at 8363 Hz x 2^(transpose / 12) and
// must sound MIDI 60, so transpose = 12 log2(period x MidiHz(60) / 8363).
void TuneToPeriod(XmSample& sample, double period) {
    const double transpose = 12.0 * std::log2(period * MidiHz(kDrumMidi) / kXmBaseRate);
    const long steps = std::lround(transpose * 128.0);
    const long note = std::lround(static_cast<double>(steps) / 128.0);
    sample.relativeNote = static_cast<int8_t>(note);
    sample.finetune = static_cast<int8_t>(steps - 128 * note);
}

// A signal of `seconds` at `rate`, frame n = shape(n / rate); shape is called in frame order.
template <typename Shape>
Signal Render(double rate, double seconds, Shape shape) {
    Signal out(static_cast<size_t>(std::lround(rate * seconds)));
    for (size_t n = 0; n < out.size(); ++n) out[n] = shape(static_cast<double>(n) / rate);
    return out;
}

float Soft(double x, double drive) {
    return static_cast<float>(std::tanh(drive * x) / std::tanh(drive));
}

XmEnvelope Sustained(uint16_t attackTicks) {
    XmEnvelope envelope;
    envelope.points = {{0, attackTicks == 0 ? uint16_t{64} : uint16_t{0}},
                       {static_cast<uint16_t>(std::max<uint16_t>(attackTicks, 1)), 64}};
    envelope.sustain = true;
    envelope.sustainPoint = 1;
    return envelope;
}

// Removes the voice's DC offset (asymmetric waveforms carry one; summed over a mix it shifts
// the whole output). A loop loses its own mean, eased in over the first kDcRamp frames so the
// note does not start on a step, and the frames before the loop lose theirs under a raised-sine
// window that is zero at both ends. A one-shot loses its mean in proportion to its own envelope,
// so the correction fades with the sound (and with the end fade) and the sample still starts
// and ends at zero.
constexpr uint32_t kDcRamp = 32;
constexpr double kDcFollowerPole = 0.995;  // envelope follower, about 200 frames

double Sum(const Signal& signal, size_t from, size_t to) {
    double sum = 0.0;
    for (size_t n = from; n < to; ++n) sum += signal[n];
    return sum;
}

void RemoveDc(Voice& voice) {
    Signal& signal = voice.signal;
    if (signal.empty()) return;
    if (voice.loopLength > 0) {
        const double mean =
            Sum(signal, voice.loopStart, voice.loopStart + voice.loopLength) / voice.loopLength;
        for (size_t n = 0; n < signal.size(); ++n)
            signal[n] -= static_cast<float>(mean * std::min<double>(1.0, double(n) / kDcRamp));
        const double before = Sum(signal, 0, voice.loopStart);
        if (voice.loopStart < 2) return;
        // sin^2 over [0, loopStart] sums to loopStart / 2.
        for (size_t n = 0; n < voice.loopStart; ++n) {
            const double window = std::sin(std::numbers::pi * double(n) / voice.loopStart);
            signal[n] -= static_cast<float>(before * window * window * 2.0 / voice.loopStart);
        }
        return;
    }
    std::vector<double> envelope(signal.size());
    double follower = 0.0;
    double envelopeTotal = 0.0;
    for (size_t n = 0; n < signal.size(); ++n) {
        follower = std::max<double>(std::fabs(signal[n]), kDcFollowerPole * follower);
        const size_t left = signal.size() - 1 - n;  // the last frame stays exactly zero
        envelope[n] = follower * std::min<double>(1.0, static_cast<double>(left) / kEndFade);
        envelopeTotal += follower;
    }
    if (envelopeTotal <= 0.0) return;
    const double total = Sum(signal, 0, signal.size());
    for (size_t n = 0; n < signal.size(); ++n)
        signal[n] -= static_cast<float>(total * envelope[n] / envelopeTotal);
}

XmInstrument Finish(Voice voice) {
    const size_t count = voice.signal.size();
    if (voice.loopLength == 0) {
        const size_t fade = std::min<size_t>(kEndFade, count);
        for (size_t k = 0; k < fade; ++k)
            voice.signal[count - 1 - k] *= static_cast<float>(k) / fade;
    }
    RemoveDc(voice);  // after the end fade, which can leave part of a cycle
    synth::Normalise(voice.signal, voice.level);
    XmSample sample;
    sample.name = voice.name;
    sample.sixteenBit = !voice.eightBit;
    const float scale = voice.eightBit ? kFullScale8 : kFullScale16;
    sample.frames.reserve(count);
    for (const float frame : voice.signal)
        sample.frames.push_back(static_cast<int16_t>(std::clamp(
            std::lround(frame * scale), -static_cast<long>(scale) - 1, static_cast<long>(scale))));
    TuneToPeriod(sample, voice.period);
    sample.loop = voice.loopLength == 0 ? XmLoop::None : XmLoop::Forward;
    sample.loopStart = voice.loopStart;
    sample.loopLength = voice.loopLength;
    XmInstrument instrument;
    instrument.name = voice.name;
    instrument.samples.push_back(std::move(sample));
    instrument.volumeEnvelope = voice.envelope;
    instrument.fadeout = voice.fadeout;
    instrument.vibratoSweep = voice.vibrato.sweep;
    instrument.vibratoDepth = voice.vibrato.depth;
    instrument.vibratoRate = voice.vibrato.rate;
    return instrument;
}

// A one-shot of `seconds` at `rate`, frame n = shape(n / rate), played on kDrumNote.
template <typename Shape>
Voice Drum(const char* name, double rate, double seconds, Shape shape) {
    return {name, Render(rate, seconds, shape), DrumPeriod(rate)};
}

// A one-shot of `seconds` at `rate`, frame n = shape(n / rate), sounding MIDI note `midi`.
template <typename Shape>
Voice Pitched(const char* name, double rate, double midi, double seconds, Shape shape) {
    return {name, Render(rate, seconds, shape), PeriodFor(rate, midi)};
}

// The voice with a reverb tail of `reverb` baked into its signal, made at `rate`.
Voice Reverberated(Voice voice, double rate, const ReverbShape& reverb) {
    synth::AddReverb(voice.signal, rate, reverb);
    return voice;
}

// Drum and Pitched with a reverb tail of `reverb` baked in.
template <typename Shape>
Voice Drum(const char* name, double rate, double seconds, const ReverbShape& reverb, Shape shape) {
    return Reverberated(Drum(name, rate, seconds, shape), rate, reverb);
}

template <typename Shape>
Voice Pitched(const char* name, double rate, double midi, double seconds, const ReverbShape& reverb,
              Shape shape) {
    return Reverberated(Pitched(name, rate, midi, seconds, shape), rate, reverb);
}

// The voice held while its key is down: frames [loopStart, loopStart + loopLength) repeat under
// an envelope that rises over attackTicks and holds, then fades by `fadeout` after key-off.
Voice Held(Voice voice, uint32_t loopStart, uint32_t loopLength, uint16_t attackTicks,
           uint16_t fadeout) {
    voice.loopStart = loopStart;
    voice.loopLength = loopLength;
    voice.envelope = Sustained(attackTicks);
    voice.fadeout = fadeout;
    return voice;
}

// Held, looping all but its first `fade` frames, into which the loop's end is crossfaded.
Voice HeldCrossfaded(Voice voice, uint32_t fade, uint16_t attackTicks, uint16_t fadeout) {
    const auto loopLength = static_cast<uint32_t>(voice.signal.size()) - fade;
    synth::CrossfadeLoop(voice.signal, fade, loopLength, fade);
    return Held(std::move(voice), fade, loopLength, attackTicks, fadeout);
}

// Adds gain x other to the signal, frame by frame; other is at least as long.
void Mix(Signal& signal, const Signal& other, float gain) {
    for (size_t n = 0; n < signal.size(); ++n) signal[n] += gain * other[n];
}

// ---- Drums and percussion: one-shots, played on kDrumNote.

Voice KickPunch() {
    constexpr double rate = 22050;
    Oscillator body;
    FilteredNoise<OnePole> clickFilter(11);
    return Drum("kick punch", rate, 0.42, [&](double t) {
        const double hz = 54 + 150 * std::exp(-t / 0.032) + 520 * std::exp(-t / 0.0035);
        const double tone = body.Sine(hz / rate) * AttackDecay(t, 0.0008, 0.26);
        const double click = clickFilter.High(1500 / rate) * 0.35 * std::exp(-t / 0.004);
        return Soft(tone + click, 1.6);
    });
}

Voice KickSub() {
    constexpr double rate = 12000;
    Oscillator body;
    return Drum("kick sub", rate, 0.8, [&](double t) {
        const double hz = 54 + 110 * std::exp(-t / 0.05) + 300 * std::exp(-t / 0.004);
        return Soft(body.Sine(hz / rate) * AttackDecay(t, 0.001, 0.45), 2.5);
    });
}

Voice KickSoft() {
    constexpr double rate = 11025;
    Oscillator body;
    FilteredNoise<OnePole> thud(13);
    return Drum("kick soft", rate, 0.45, [&](double t) {
        const double hz = 52 + 60 * std::exp(-t / 0.04);
        const double tone = body.Sine(hz / rate) * AttackDecay(t, 0.004, 0.2);
        return static_cast<float>(tone + 0.4 * thud.Low(220 / rate) * std::exp(-t / 0.03));
    });
}

// Snare: two pitched body modes, a band of noise and a short crack.
Voice SnareDrum(const char* name, double rate, double seconds, double noiseTau, double brightHz,
                uint32_t seed) {
    Oscillator low;
    Oscillator high;
    Noise noise(seed);
    OnePole highPass;
    OnePole lowPass;
    return Drum(name, rate, seconds, [&](double t) {
        const double body =
            1.0 * low.Sine(180 * (1 + 0.4 * std::exp(-t / 0.012)) / rate) * std::exp(-t / 0.05) +
            0.5 * high.Sine(330 * (1 + 0.3 * std::exp(-t / 0.01)) / rate) * std::exp(-t / 0.035);
        const float white = noise.White();
        const double band = lowPass.Low(highPass.High(white, 900 / rate), brightHz / rate);
        const double snares = 2.2 * band * AttackDecay(t, 0.0005, noiseTau);
        const double crack = 0.25 * white * std::exp(-t / 0.0025);
        return Soft(body + snares + crack, 1.3);
    });
}

Voice Snare() {
    constexpr double rate = 32000;
    return Reverberated(SnareDrum("snare", rate, 0.4, 0.11, 9000, 21), rate, {0.3, 0.5, 0.12, 0.0});
}

Voice SnareGhost() { return SnareDrum("snare ghost", 32000, 0.14, 0.05, 4500, 22); }

Voice SnareBig() {
    constexpr double rate = 16000;
    return Reverberated(SnareDrum("snare big", rate, 0.9, 0.16, 8000, 23), rate,
                        {0.85, 0.45, 0.35, 0.012});
}

Voice Clap() {
    constexpr double rate = 24000;
    constexpr double kBursts[] = {0.0, 0.009, 0.018, 0.028};  // seconds
    FilteredNoise<Svf> band(31);
    return Drum("clap", rate, 0.38, {0.5, 0.4, 0.22, 0.0}, [&](double t) {
        double amplitude = 0.0;
        for (const double at : kBursts)
            if (t >= at) amplitude = std::max(amplitude, std::exp(-(t - at) / 0.006));
        amplitude = std::max(amplitude, 0.7 * AttackDecay(t - kBursts[3], 0.0, 0.11));
        return band.Run(1150 / rate, 1.2).band * 2.0f * static_cast<float>(amplitude);
    });
}

// The metallic cluster of six square waves at inharmonic frequencies, scaled by `scale`.
class MetalCluster {
public:
    float Next(double rate, double scale) {
        constexpr double kHz[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
        double sum = 0.0;
        for (uint32_t k = 0; k < 6; ++k) sum += oscillators[k].Square(kHz[k] * scale / rate);
        return static_cast<float>(sum / 6.0);
    }

private:
    Oscillator oscillators[6] = {Oscillator(0.0),  Oscillator(0.13), Oscillator(0.41),
                                 Oscillator(0.77), Oscillator(0.29), Oscillator(0.58)};
};

Voice Hat(const char* name, double rate, double seconds, double tau, double noiseMix,
          uint32_t seed) {
    MetalCluster metal;
    Noise noise(seed);
    Svf band;
    OnePole highPass;
    return Drum(name, rate, seconds, [&](double t) {
        const double raw = (1.0 - noiseMix) * metal.Next(rate, 1.0) + noiseMix * noise.White();
        const float bright =
            band.Run(static_cast<float>(raw), std::min(0.45, 10000 / rate), 0.9).band;
        return highPass.High(bright, 6500 / rate) * AttackDecay(t, 0.0003, tau);
    });
}

Voice HatClosed() { return Hat("hat closed", 44100, 0.08, 0.016, 0.45, 41); }

Voice HatOpen() { return Hat("hat open", 32000, 0.36, 0.13, 0.55, 42); }

Voice Shaker() {
    constexpr double rate = 44100;
    FilteredNoise<Svf> band(43);
    return Drum("shaker", rate, 0.12, [&](double t) {
        return band.Run(6500 / rate, 1.5).band * AttackDecay(t, 0.012, 0.025);
    });
}

// A ride: the metallic cluster high up, a ping and a wash of noise, long and quiet.
Voice Ride() {
    constexpr double rate = 24000;
    MetalCluster metal;
    Oscillator ping;
    FilteredNoise<OnePole> highPass(51);
    Svf band;
    return Drum("ride", rate, 0.7, [&](double t) {
        const float cluster = band.Run(metal.Next(rate, 4.3), 5200 / rate, 1.4).band;
        const double wash = highPass.High(5000 / rate) * std::exp(-t / 0.25);
        const double bell = ping.Sine(3150 / rate) * std::exp(-t / 0.18);
        return static_cast<float>((0.9 * cluster + 0.35 * wash) * AttackDecay(t, 0.0005, 0.4) +
                                  0.25 * bell);
    });
}

Voice CymbalWash(const char* name, double rate, double seconds, uint32_t seed) {
    MetalCluster metal;
    Noise noise(seed);
    OnePole highPass1;
    OnePole highPass2;
    Svf lowPass;
    return Drum(name, rate, seconds, [&](double t) {
        const double raw = 0.35 * metal.Next(rate, 1.6) + 0.65 * noise.White();
        const float high =
            highPass2.High(highPass1.High(static_cast<float>(raw), 2500 / rate), 2500 / rate);
        const double cutoff = (5000 + 6000 * std::exp(-t / 0.4)) / rate;
        const double amplitude =
            AttackDecay(t, 0.002, 0.25) * 0.6 + AttackDecay(t, 0.002, 0.9) * 0.4;
        return lowPass.Run(high, cutoff, 0.7).low * static_cast<float>(amplitude);
    });
}

Voice Crash() { return CymbalWash("crash", 22050, 1.3, 61); }

Voice Rim() {
    constexpr double rate = 32000;
    Oscillator partials[2];
    FilteredNoise<OnePole> highPass(71);
    return Drum("rim", rate, 0.06, [&](double t) {
        return static_cast<float>(0.6 * partials[0].Sine(1750 / rate) * std::exp(-t / 0.01) +
                                  0.5 * partials[1].Sine(520 / rate) * std::exp(-t / 0.015) +
                                  0.4 * highPass.High(2000 / rate) * std::exp(-t / 0.003));
    });
}

Voice Tom(const char* name, double rate, double seconds, double hz, double tau, uint32_t seed) {
    Oscillator body;
    FilteredNoise<OnePole> thud(seed);
    return Drum(name, rate, seconds, [&](double t) {
        const double tone =
            body.Sine(hz * (1 + 0.5 * std::exp(-t / 0.05)) / rate) * AttackDecay(t, 0.001, tau);
        return Soft(tone + 0.3 * thud.Low(2000 / rate) * std::exp(-t / 0.02), 1.4);
    });
}

Voice TomLow() { return Tom("tom low", 16000, 0.5, 95, 0.18, 81); }

Voice TomHigh() { return Tom("tom high", 22050, 0.35, 165, 0.13, 82); }

Voice Conga() {
    constexpr double rate = 22050;
    Oscillator head;
    Oscillator overtone;
    FilteredNoise<Svf> slap(91);
    return Drum("conga", rate, 0.25, [&](double t) {
        const double hz = 330 * (1 + 0.15 * std::exp(-t / 0.02));
        return static_cast<float>(head.Sine(hz / rate) * AttackDecay(t, 0.001, 0.07) +
                                  0.3 * overtone.Sine(1.5 * hz / rate) * std::exp(-t / 0.03) +
                                  0.5 * slap.Run(2500 / rate, 1.0).band * std::exp(-t / 0.005));
    });
}

Voice Tambourine() {
    constexpr double rate = 32000;
    constexpr double kJingleHz[] = {5210, 7130, 8870, 10400};
    Oscillator jingles[4] = {Oscillator(0.0), Oscillator(0.3), Oscillator(0.6), Oscillator(0.9)};
    FilteredNoise<Svf> band(101);
    return Drum("tambourine", rate, 0.25, [&](double t) {
        double ring = 0.0;
        for (uint32_t k = 0; k < 4; ++k) ring += jingles[k].Sine(kJingleHz[k] / rate);
        const double hiss = band.Run(9000 / rate, 2.0).band;
        const double amplitude = AttackDecay(t, 0.001, 0.08) + 0.3 * std::exp(-t / 0.2);
        return static_cast<float>((0.7 * hiss + 0.12 * ring * hiss) * amplitude);
    });
}

Voice GlassClick() {
    constexpr double rate = 32000;
    Oscillator partials[3];
    Noise noise(111);
    return Drum("glass click", rate, 0.1, [&](double t) {
        return static_cast<float>(partials[0].Sine(2637 / rate) * std::exp(-t / 0.03) +
                                  0.5 * partials[1].Sine(6180 / rate) * std::exp(-t / 0.015) +
                                  0.3 * partials[2].Sine(9400 / rate) * std::exp(-t / 0.008) +
                                  0.2 * noise.White() * std::exp(-t / 0.001));
    });
}

// ---- Effects.

// A crash with a long reverb, backwards: it swells for exactly 19 rows (5 ticks of 739 frames
// at 44.1 kHz each) and ends on the attack, so a note 19 rows before a hit peaks on it.
Voice ReverseCymbal() {
    constexpr double rate = 12000;
    constexpr double kSeconds = 19 * 5 * 739 / 44100.0;
    Voice voice = Reverberated(CymbalWash("reverse cymbal", rate, kSeconds, 121), rate,
                               {0.85, 0.3, 0.45, 0.0});
    synth::Reverse(voice.signal);
    return voice;
}

// Looped band of noise; the composer sweeps it up with portamento and a rising volume.
Voice NoiseRiser() {
    constexpr double rate = 22050;
    constexpr uint32_t kFade = 2048;
    FilteredNoise<Svf> band(131);
    return HeldCrossfaded(
        Drum("noise riser", rate, 0.4, [&](double) { return band.Run(2500 / rate, 0.6).band; }),
        kFade, 0, kFadeoutMedium);
}

Voice Downlifter() {
    constexpr double rate = 11025;
    FilteredNoise<Svf> lowPass(141);
    Oscillator tone;
    return Drum("downlifter", rate, 1.1, [&](double t) {
        const double cutoff = 150 * std::pow(4000.0 / 150.0, 1.0 - t / 1.1);
        const double swept = lowPass.Run(cutoff / rate, 1.5).low;
        const double hz = 60 + 240 * std::exp(-t / 0.3);
        return static_cast<float>((0.8 * swept + 0.4 * tone.Sine(hz / rate)) *
                                  AttackDecay(t, 0.005, 0.5));
    });
}

Voice ImpactBoom() {
    constexpr double rate = 8000;
    Oscillator body;
    FilteredNoise<OnePole> lowPass(151);
    return Drum("impact boom", rate, 2.6, {0.9, 0.6, 0.4, 0.015}, [&](double t) {
        const double hz = 30 + 45 * std::exp(-t / 0.35);
        const double boom = body.Sine(hz / rate) * AttackDecay(t, 0.002, 0.8);
        const double burst = 0.6 * lowPass.Low(1200 / rate) * std::exp(-t / 0.12);
        return Soft(boom + burst, 2.0);
    });
}

Voice ImpactMetal() {
    constexpr double rate = 16000;
    constexpr double kRatio[] = {1.0, 1.59, 2.14, 2.3, 2.65, 2.92, 3.5, 4.1, 5.0};
    constexpr uint32_t kPartials = std::size(kRatio);
    Oscillator partials[kPartials];
    FilteredNoise<OnePole> highPass(161);
    return Drum("impact metal", rate, 1.5, {0.85, 0.4, 0.4, 0.01}, [&](double t) {
        double sum = 0.0;
        for (uint32_t k = 0; k < kPartials; ++k)
            sum += partials[k].Sine(220 * kRatio[k] / rate) * std::exp(-t / (0.9 / (1 + 0.5 * k))) /
                   (1 + 0.2 * k);
        const double burst = highPass.High(1000 / rate) * std::exp(-t / 0.03);
        return static_cast<float>(0.3 * sum + 0.5 * burst);
    });
}

// Root and fifth of brassy saws with octaves, a filter snap and a hall: sounds intervals 0, 7.
Voice OrchestraHit() {
    constexpr double rate = 16000;
    constexpr double kMidi = 60;
    constexpr double kRatio[] = {0.5, 0.996, 1.004, 1.4983, 2.0, 2.9966, 4.0};
    constexpr double kGain[] = {0.5, 0.6, 0.6, 0.5, 0.45, 0.25, 0.2};
    constexpr uint32_t kVoices = std::size(kRatio);
    const double hz = MidiHz(kMidi);
    Oscillator saws[kVoices] = {Oscillator(0.1), Oscillator(0.5), Oscillator(0.9), Oscillator(0.3),
                                Oscillator(0.7), Oscillator(0.2), Oscillator(0.6)};
    Svf lowPass;
    return Pitched("orchestra hit", rate, kMidi, 0.85, {0.8, 0.5, 0.4, 0.01}, [&](double t) {
        double sum = 0.0;
        for (uint32_t k = 0; k < kVoices; ++k) sum += kGain[k] * saws[k].Saw(hz * kRatio[k] / rate);
        const double cutoff = (1200 + 4800 * std::exp(-t / 0.15)) / rate;
        return lowPass.Run(static_cast<float>(sum), cutoff, 0.9).low * AttackDecay(t, 0.004, 0.22);
    });
}

// Film crackle: faint hiss and random pops, 8-bit, looped whole.
Voice Crackle(uint32_t frames) {
    constexpr double rate = 22050;
    Noise noise(171);
    Noise pops(172);
    OnePole hiss;
    Svf popFilter;
    double pop = 0.0;
    Signal signal(frames);
    for (uint32_t n = 0; n < frames; ++n) {
        if (pops.White() > 0.9994f) pop = 0.3 + 0.7 * std::fabs(pops.White());
        const double click =
            popFilter.Run(static_cast<float>(pop * noise.White()), 3000 / rate, 0.8).band;
        pop *= 0.93;
        signal[n] = static_cast<float>(0.05 * hiss.Low(noise.White(), 5000 / rate) + click);
    }
    Voice voice =
        Held({"film crackle", std::move(signal), DrumPeriod(rate)}, 0, frames, 0, kFadeoutMedium);
    voice.level = 0.6f;
    voice.eightBit = true;
    return voice;
}

// Wind: noise through a resonant band that sways slightly once per loop (a stronger sway at
// this loop length pulses audibly).
Voice Wind() {
    constexpr double rate = 6000;
    constexpr double kLoopSeconds = 1.6;
    constexpr uint32_t kFade = 900;
    FilteredNoise<Svf> band(181);
    Svf lowPass;
    Voice voice = Drum("wind", rate, kLoopSeconds + kFade / rate, [&](double t) {
        const double sway = 0.5 - 0.5 * std::cos(kTwoPi * t / kLoopSeconds);
        const float windy = band.Run((600 + 150 * sway) / rate, 1.6).band;
        return lowPass.Run(windy, 1800 / rate, 0.7).low;
    });
    voice.level = 0.8f;
    return HeldCrossfaded(std::move(voice), kFade, 24, kFadeoutSlow);
}

// ---- Looped tones: additive loops whose partials complete whole cycles.

// A looped instrument: the whole signal, holding `cycles` periods, loops while held (Held).
Voice Looped(const char* name, Signal signal, uint32_t cycles, uint16_t attackTicks,
             uint16_t fadeout, Voice::Vibrato vibrato = {}) {
    const auto frames = static_cast<uint32_t>(signal.size());
    Voice voice = Held({name, std::move(signal), static_cast<double>(frames) / cycles}, 0, frames,
                       attackTicks, fadeout);
    voice.vibrato = vibrato;
    return voice;
}

// Detuned voices of cycles + offset whole cycles per loop, with start phases from a seed.
std::vector<LoopVoice> Ensemble(uint32_t cycles, const std::vector<int32_t>& offsets,
                                uint32_t seed) {
    Noise phases(seed);
    std::vector<LoopVoice> voices;
    for (const int32_t offset : offsets)
        voices.push_back({static_cast<uint32_t>(static_cast<int32_t>(cycles) + offset),
                          0.5 + 0.5 * phases.White(), 1.0f});
    return voices;
}

// 1 / (1 + (h / corner)^order): a gentle low-pass over harmonic numbers.
float Rolloff(uint32_t h, double corner, double order = 2.0) {
    return static_cast<float>(1.0 / (1.0 + std::pow(h / corner, order)));
}

// A rounded tone whose second to fifth harmonics carry the root on speakers that cannot play
// the fundamental.
Voice SubBass() {
    Signal loop = AdditiveLoop(256, {{1, 0.0, 1.0f}}, [](uint32_t h, double) {
        constexpr float kHarmonics[] = {0.0f, 1.0f, 0.55f, 0.3f, 0.16f, 0.07f};
        return h < std::size(kHarmonics) ? kHarmonics[h] : 0.0f;
    });
    return Looped("sub bass", std::move(loop), 1, 1, kFadeoutQuick);
}

Voice ReeseBass() {
    Signal loop = AdditiveLoop(6400, Ensemble(100, {-1, 0, 1}, 191), [](uint32_t h, double) {
        return Rolloff(h, 10.0) / static_cast<float>(h);
    });
    return Looped("reese bass", std::move(loop), 100, 1, kFadeoutQuick);
}

// Saw and square through a resonant low-pass that closes over the first 36 periods, then holds;
// the last 4 of 52 periods loop (the filter has settled by then, so they repeat exactly).
Voice GrowlBass() {
    constexpr uint32_t kPeriod = 128;
    constexpr uint32_t kClosed = 36 * kPeriod;
    constexpr uint32_t kFrames = 52 * kPeriod;
    Oscillator saw;
    Oscillator square(0.25);
    Svf lowPass;
    Signal signal(kFrames);
    for (uint32_t n = 0; n < kFrames; ++n) {
        const double open =
            n < kClosed ? std::pow(1.0 - static_cast<double>(n) / kClosed, 3.0) : 0.0;
        const double cutoff = 0.035 + 0.25 * open;
        const float raw = saw.Saw(1.0 / kPeriod) + 0.5f * square.Square(1.0 / kPeriod);
        signal[n] = Soft(lowPass.Run(raw, cutoff, 2.5).low, 2.0);
    }
    return Held({"growl bass", std::move(signal), kPeriod}, 48 * kPeriod, 4 * kPeriod, 1,
                kFadeoutQuick);
}

// Two detuned voices whose brightness swells and falls twice per loop.
Voice MorphBass() {
    Signal loop = AdditiveLoop(12800, Ensemble(200, {0, 1}, 201), [](uint32_t h, double position) {
        const double corner = 2.5 + 9.0 * (0.5 - 0.5 * std::cos(kTwoPi * 2.0 * position));
        const double peak = 0.6 * std::exp(-0.5 * (h - corner) * (h - corner));
        return static_cast<float>((1.0 / (1.0 + std::pow(h / corner, 4.0)) + peak) / h);
    });
    return Looped("morph bass", std::move(loop), 200, 1, kFadeoutQuick);
}

Voice PadWarm() {
    Signal loop =
        AdditiveLoop(25600, Ensemble(400, {-3, -1, 0, 1, 3}, 211),
                     [](uint32_t h, double) { return Rolloff(h, 7.0) / static_cast<float>(h); });
    return Looped("pad warm", std::move(loop), 400, 12, kFadeoutSlow);
}

Voice PadDark() {
    Signal loop = AdditiveLoop(12800, Ensemble(200, {-1, 0, 1}, 221), [](uint32_t h, double) {
        return h % 2 == 1 ? Rolloff(h, 5.0, 3.0) / static_cast<float>(h) : 0.0f;
    });
    const Signal sub = AdditiveLoop(12800, {{100, 0.25, 1.0f}},
                                    [](uint32_t h, double) { return h == 1 ? 0.5f : 0.0f; });
    Mix(loop, sub, 1.0f);
    return Looped("pad dark", std::move(loop), 200, 16, kFadeoutSlow);
}

// Bell-like partials at harmonic numbers, each shimmering a whole number of times per loop.
Voice PadGlass() {
    constexpr float kAmplitude[13] = {0, 1.0f,  0.45f, 0.25f, 0.3f, 0.1f, 0.18f,
                                      0, 0.12f, 0,     0.06f, 0,    0.05f};
    Signal loop = AdditiveLoop(12800, Ensemble(200, {0, 1}, 231), [&](uint32_t h, double position) {
        if (h >= std::size(kAmplitude)) return 0.0f;
        const double shimmer = 0.75 + 0.25 * std::sin(kTwoPi * (h % 3 + 1) * position + h);
        return static_cast<float>(kAmplitude[h] * shimmer);
    });
    return Looped("pad glass", std::move(loop), 200, 10, kFadeoutSlow);
}

// Saw voices shaped by the formants of an open vowel, placed for a pitch near A3.
Voice Choir() {
    constexpr double kNominalHz = 220.0;
    Signal loop = AdditiveLoop(12800, Ensemble(200, {-2, 0, 2}, 241), [](uint32_t h, double) {
        const double hz = h * kNominalHz;
        auto formant = [hz](double centre, double width) {
            return std::exp(-(hz - centre) * (hz - centre) / (width * width));
        };
        const double shape =
            formant(700, 130) + 0.6 * formant(1150, 150) + 0.25 * formant(2800, 250) + 0.05;
        return static_cast<float>(shape / std::sqrt(h));
    });
    return Looped("choir", std::move(loop), 200, 16, kFadeoutSlow);
}

Voice Strings() {
    Signal loop =
        AdditiveLoop(25600, Ensemble(400, {-4, -2, -1, 0, 1, 2, 4}, 251), [](uint32_t h, double) {
            const double body = 1.0 + 0.5 * std::exp(-0.5 * (h - 4.0) * (h - 4.0));
            return static_cast<float>(Rolloff(h, 12.0) * body / h);
        });
    return Looped("strings", std::move(loop), 400, 12, kFadeoutSlow, {30, 2, 9});
}

// ---- Pitched one-shots.

// Detuned saws on MIDI note `midi` through a closing low-pass: stabs of strings and synths.
Voice SawStab(const char* name, double rate, double midi, double seconds, double openHz,
              double closedHz, double filterTau, double tau) {
    const double hz = MidiHz(midi);
    constexpr double kDetune[] = {-0.006, -0.003, 0.0, 0.003, 0.006};
    Oscillator saws[5] = {Oscillator(0.1), Oscillator(0.35), Oscillator(0.6), Oscillator(0.85),
                          Oscillator(0.2)};
    Svf lowPass;
    return Pitched(name, rate, midi, seconds, [&](double t) {
        double sum = 0.0;
        for (uint32_t k = 0; k < 5; ++k) sum += saws[k].Saw(hz * (1 + kDetune[k]) / rate) / 5.0;
        const double cutoff = (closedHz + (openHz - closedHz) * std::exp(-t / filterTau)) / rate;
        return lowPass.Run(static_cast<float>(sum), cutoff, 0.9).low * AttackDecay(t, 0.003, tau);
    });
}

Voice StringStab() {
    constexpr double rate = 18000;
    return Reverberated(SawStab("string stab", rate, 57, 0.6, 7000, 1500, 0.12, 0.16), rate,
                        {0.6, 0.5, 0.3, 0.0});
}

// Harmonics below the Nyquist limit, each with its own decay: amplitude(h, t).
template <typename Amplitude>
Signal Partials(double rate, double seconds, double hz, Amplitude amplitude) {
    const auto harmonics = static_cast<uint32_t>(0.45 * rate / hz);
    return Render(rate, seconds, [&](double t) {
        double sum = 0.0;
        for (uint32_t h = 1; h <= harmonics; ++h)
            sum += amplitude(h, t) * std::sin(kTwoPi * h * hz * t);
        return static_cast<float>(sum);
    });
}

Voice Pizzicato() {
    constexpr double rate = 16000;
    constexpr double kMidi = 57;
    constexpr double kPluckAt = 0.15;  // of the string's length
    Signal pluck = Partials(rate, 0.4, MidiHz(kMidi), [](uint32_t h, double t) {
        return std::sin(std::numbers::pi * h * kPluckAt) / h *
               AttackDecay(t, 0.001, 1.0 / (3.0 + 0.8 * h));
    });
    return Reverberated({"pizzicato", std::move(pluck), PeriodFor(rate, kMidi)}, rate,
                        {0.4, 0.5, 0.15, 0.0});
}

Voice LeadSaw() {
    Signal loop = AdditiveLoop(9600, Ensemble(150, {0, 1}, 261), [](uint32_t h, double) {
        return Rolloff(h, 18.0) / static_cast<float>(h);
    });
    const Signal sub = AdditiveLoop(9600, {{75, 0.0, 1.0f}}, [](uint32_t h, double) {
        return h % 2 == 1 ? 0.35f * Rolloff(h, 6.0) / static_cast<float>(h) : 0.0f;
    });
    Mix(loop, sub, 1.0f);
    return Looped("lead saw", std::move(loop), 150, 1, 2000, {60, 3, 12});
}

Voice LeadSquare() {
    constexpr double kWidth = 0.3;
    Signal loop = AdditiveLoop(6400, Ensemble(100, {0, 1}, 271), [](uint32_t h, double) {
        return static_cast<float>(std::sin(std::numbers::pi * h * kWidth) / h) * Rolloff(h, 14.0);
    });
    return Looped("lead square", std::move(loop), 100, 1, 2000, {60, 2, 12});
}

Voice LeadSoft() {
    Signal loop = AdditiveLoop(128, {{1, 0.0, 1.0f}}, [](uint32_t h, double) {
        constexpr float kAmplitude[5] = {0, 1.0f, 0.2f, 0.1f, 0.03f};
        return h < 5 ? kAmplitude[h] : 0.0f;
    });
    return Looped("lead soft", std::move(loop), 1, 3, kFadeoutMedium, {80, 4, 10});
}

// FM with a decaying index that settles at 0.9 after 100 periods; periods 110 to 118 loop.
Voice LeadFm() {
    constexpr uint32_t kPeriod = 64;
    constexpr uint32_t kSettled = 100 * kPeriod;
    constexpr uint32_t kFrames = 118 * kPeriod;
    Signal signal(kFrames);
    for (uint32_t n = 0; n < kFrames; ++n) {
        const double cycles = static_cast<double>(n) / kPeriod;
        const double fall = n < kSettled ? 1.0 - static_cast<double>(n) / kSettled : 0.0;
        const double index = 0.9 + 2.6 * fall * fall;
        signal[n] =
            static_cast<float>(std::sin(kTwoPi * cycles + index * std::sin(kTwoPi * 2.0 * cycles)));
    }
    Voice voice =
        Held({"lead fm", std::move(signal), kPeriod}, 110 * kPeriod, 8 * kPeriod, 1, 2500);
    voice.vibrato = {40, 3, 11};
    return voice;
}

Voice Pluck() {
    constexpr double rate = 20000;
    constexpr double kMidi = 69;
    const double hz = MidiHz(kMidi);
    Oscillator saw;
    Oscillator square(0.5);
    Svf lowPass;
    return Pitched("pluck", rate, kMidi, 0.6, {0.5, 0.5, 0.18, 0.0}, [&](double t) {
        const float raw = saw.Saw(hz / rate) + 0.5f * square.Square(hz / rate);
        const double cutoff = (300 + 5000 * std::exp(-t / 0.07)) / rate;
        return lowPass.Run(raw, cutoff, 1.2).low * AttackDecay(t, 0.001, 0.22);
    });
}

// Two-operator FM: carrier at the pitch, modulator at `ratio` times it, index decaying.
Signal FmTone(double rate, double seconds, double hz, double ratio, double index, double indexTau,
              double tau) {
    return Render(rate, seconds, [&](double t) {
        const double modulator = std::sin(kTwoPi * ratio * hz * t);
        return static_cast<float>(
            std::sin(kTwoPi * hz * t + index * std::exp(-t / indexTau) * modulator) *
            AttackDecay(t, 0.001, tau));
    });
}

Voice ElectricPiano() {
    constexpr double rate = 16000;
    constexpr double kMidi = 60;
    Signal tone = FmTone(rate, 0.9, MidiHz(kMidi), 1.0, 1.6, 0.3, 0.55);
    Mix(tone, FmTone(rate, 0.9, 14.0 * MidiHz(kMidi), 1.0, 0.0, 1.0, 0.02), 0.12f);  // the tine
    return {"electric piano", std::move(tone), PeriodFor(rate, kMidi)};
}

// FM at a 1:4 ratio (odd harmonics, a clear pitch) with a faint inharmonic shimmer and a hall.
Voice Bell() {
    constexpr double rate = 16000;
    constexpr double kMidi = 72;
    Signal tone = FmTone(rate, 1.3, MidiHz(kMidi), 4.0, 1.8, 0.35, 0.5);
    Mix(tone, FmTone(rate, 1.3, 2.76 * MidiHz(kMidi), 1.0, 0.0, 1.0, 0.25), 0.15f);  // shimmer
    return Reverberated({"bell", std::move(tone), PeriodFor(rate, kMidi)}, rate,
                        {0.75, 0.4, 0.3, 0.01});
}

Voice ArpBlip() {
    constexpr double rate = 22050;
    constexpr double kMidi = 69;
    const double hz = MidiHz(kMidi);
    Oscillator square(0.0);
    Oscillator saw;
    Svf lowPass;
    return Pitched("arp blip", rate, kMidi, 0.22, [&](double t) {
        const float raw = 0.6f * square.Square(hz / rate, 0.25) + 0.5f * saw.Saw(hz / rate);
        const double cutoff = (800 + 6000 * std::exp(-t / 0.03)) / rate;
        return lowPass.Run(raw, cutoff, 1.5).low * AttackDecay(t, 0.001, 0.06);
    });
}

Voice GlassArp() {
    constexpr double rate = 22050;
    constexpr double kMidi = 81;
    const double hz = MidiHz(kMidi);
    return Pitched("glass arp", rate, kMidi, 0.4, {0.6, 0.5, 0.25, 0.0}, [&](double t) {
        return static_cast<float>(std::sin(kTwoPi * hz * t) * AttackDecay(t, 0.001, 0.15) +
                                  0.3 * std::sin(kTwoPi * 2.32 * hz * t) * std::exp(-t / 0.06) +
                                  0.15 * std::sin(kTwoPi * 4.25 * hz * t) * std::exp(-t / 0.03));
    });
}

Voice Mallet() {
    constexpr double rate = 16000;
    constexpr double kMidi = 69;
    const double hz = MidiHz(kMidi);
    Noise noise(281);
    return Pitched("mallet", rate, kMidi, 0.4, [&](double t) {
        return static_cast<float>(std::sin(kTwoPi * hz * t) * AttackDecay(t, 0.001, 0.2) +
                                  0.25 * std::sin(kTwoPi * 4.0 * hz * t) * std::exp(-t / 0.05) +
                                  0.08 * std::sin(kTwoPi * 9.9 * hz * t) * std::exp(-t / 0.015) +
                                  0.1 * noise.White() * std::exp(-t / 0.002));
    });
}

Voice SynthStab() {
    constexpr double rate = 20000;
    return Reverberated(SawStab("synth stab", rate, 60, 0.5, 8000, 800, 0.1, 0.15), rate,
                        {0.7, 0.4, 0.35, 0.0});
}

Voice SubDrop() {
    constexpr double rate = 6000;
    Oscillator body;
    return Drum("sub drop", rate, 1.4, [&](double t) {
        const double hz = 28 + 70 * std::exp(-t / 0.4);
        return Soft(body.Sine(hz / rate) * AttackDecay(t, 0.01, 0.6), 1.5);
    });
}

using Recipe = Voice (*)();

// In instrument order; the crackle (kCrackle) takes its length from the caller.
constexpr Recipe kRecipes[kInstrumentCount] = {
    KickPunch,     KickSub,     KickSoft,     Snare,      SnareGhost,    SnareBig,   Clap,
    HatClosed,     HatOpen,     Shaker,       Ride,       Crash,         Rim,        TomLow,
    TomHigh,       Conga,       Tambourine,   GlassClick, ReverseCymbal, NoiseRiser, Downlifter,
    ImpactBoom,    ImpactMetal, OrchestraHit, nullptr,    Wind,          SubBass,    ReeseBass,
    GrowlBass,     MorphBass,   PadWarm,      PadDark,    PadGlass,      Choir,      Strings,
    StringStab,    Pizzicato,   LeadSaw,      LeadSquare, LeadSoft,      LeadFm,     Pluck,
    ElectricPiano, Bell,        ArpBlip,      GlassArp,   Mallet,        SynthStab,  SubDrop};

// Where each instrument sits in the stereo field (0 left, 128 centre, 255 right): kicks, snares,
// basses and leads in the middle; the percussion, plucks and arpeggios spread to either side,
// so the mix is wide but folds down to mono without losing anything.
uint8_t PanningOf(uint32_t instrument) {
    switch (instrument) {
        case kHatClosed:
            return 0xA8;
        case kHatOpen:
            return 0xB4;
        case kShaker:
            return 0x48;
        case kRide:
            return 0xC0;
        case kRim:
            return 0x5C;
        case kTomLow:
            return 0x58;
        case kTomHigh:
            return 0xA8;
        case kConga:
            return 0x44;
        case kTambourine:
            return 0xBC;
        case kGlassClick:
            return 0x50;
        case kSnareGhost:
            return 0x70;
        case kClap:
            return 0x90;
        case kCrash:
            return 0x9C;
        case kReverseCymbal:
            return 0x64;
        case kPizzicato:
            return 0x50;
        case kStringStab:
            return 0xB0;
        case kPluck:
            return 0xB8;
        case kElectricPiano:
            return 0x68;
        case kBell:
            return 0x58;
        case kArpBlip:
            return 0x4C;
        case kGlassArp:
            return 0xB4;
        case kMallet:
            return 0x48;
        case kSynthStab:
            return 0xA4;
        case kOrchestraHit:
            return 0x74;
        case kLeadSaw:
            return 0x70;  // the leads just off centre, their echoes across
        case kLeadSquare:
            return 0x94;
        case kLeadSoft:
            return 0x6C;
        case kLeadFm:
            return 0x94;
        case kChoir:
            return 0x98;
        case kStrings:
            return 0x70;
        default:
            return 0x80;
    }
}

}  // namespace

uint32_t SoundedIntervals(uint8_t instrument) {
    if (instrument == kOrchestraHit) return 1u << 0 | 1u << 7;
    return instrument >= kSubBass && instrument < kInstrumentEnd && instrument != kSubDrop ? 1u
                                                                                           : 0u;
}

std::vector<XmInstrument> MakeInstrumentBank(uint32_t crackleFrames) {
    std::vector<XmInstrument> bank;
    bank.reserve(kInstrumentCount);
    for (uint32_t k = 0; k < kInstrumentCount; ++k) {
        bank.push_back(k + 1 == kCrackle ? MakeCrackleInstrument(crackleFrames)
                                         : Finish(kRecipes[k]()));
        bank.back().samples.front().panning = PanningOf(k + 1);
    }
    return bank;
}

XmInstrument MakeCrackleInstrument(uint32_t frames) {
    return Finish(Crackle(std::max<uint32_t>(frames, 1)));
}

}  // namespace qx
