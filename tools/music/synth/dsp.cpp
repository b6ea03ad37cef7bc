#include "tools/music/synth/dsp.h"

#include <algorithm>
#include <cmath>

namespace qx::synth {

namespace {

// PolyBLEP residual for a unit step at phase 0 of a waveform advancing `step` cycles per frame.
double PolyBlep(double phase, double step) {
    if (phase < step) {
        const double t = phase / step;
        return t + t - t * t - 1.0;
    }
    if (phase > 1.0 - step) {
        const double t = (phase - 1.0) / step;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// Freeverb's tunings at 44.1 kHz, in frames.
constexpr uint32_t kCombDelays[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr uint32_t kAllpassDelays[] = {556, 441, 341, 225};
constexpr double kFreeverbRate = 44100.0;
constexpr double kAllpassFeedback = 0.5;
constexpr double kCombInputGain = 0.015;
constexpr double kWetScale = 3.0;  // Freeverb's wet gain, so wet levels read 0..1

uint32_t ScaledDelay(uint32_t frames, double rate) {
    return std::max<uint32_t>(1, static_cast<uint32_t>(std::lround(frames * rate / kFreeverbRate)));
}

}  // namespace

double MidiHz(double midi) { return 440.0 * std::exp2((midi - 69.0) / 12.0); }

float Noise::White() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<float>(static_cast<double>(state) / 2147483648.0 - 1.0);
}

void Oscillator::Advance(double step) {
    phase += step;
    phase -= std::floor(phase);
}

float Oscillator::Sine(double step) {
    const double value = std::sin(kTwoPi * phase);
    Advance(step);
    return static_cast<float>(value);
}

float Oscillator::Saw(double step) {
    const double value = 2.0 * phase - 1.0 - PolyBlep(phase, step);
    Advance(step);
    return static_cast<float>(value);
}

float Oscillator::Square(double step, double width) {
    double falling = phase - width;
    falling -= std::floor(falling);
    const double value =
        (phase < width ? 1.0 : -1.0) + PolyBlep(phase, step) - PolyBlep(falling, step);
    Advance(step);
    return static_cast<float>(value);
}

float Oscillator::Triangle(double step) {
    const double value = phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase;
    Advance(step);
    return static_cast<float>(value);
}

Svf::Output Svf::Run(float input, double cutoff, double q) {
    const double g = std::tan(std::numbers::pi * std::clamp(cutoff, 1e-5, 0.49));
    const double k = 1.0 / q;
    const double a1 = 1.0 / (1.0 + g * (g + k));
    const double a2 = g * a1;
    const double a3 = g * a2;
    const double v3 = input - state2;
    const double v1 = a1 * state1 + a2 * v3;
    const double v2 = state2 + a2 * state1 + a3 * v3;
    state1 = 2.0 * v1 - state1;
    state2 = 2.0 * v2 - state2;
    return {static_cast<float>(v2), static_cast<float>(v1),
            static_cast<float>(input - k * v1 - v2)};
}

float OnePole::Low(float input, double cutoff) {
    const double a = 1.0 - std::exp(-kTwoPi * std::clamp(cutoff, 0.0, 0.5));
    state += a * (input - state);
    return static_cast<float>(state);
}

float AttackDecay(double t, double attack, double tau) {
    if (t < 0.0) return 0.0f;
    if (t < attack) return static_cast<float>(t / attack);
    return static_cast<float>(std::exp(-(t - attack) / tau));
}

void AddReverb(Signal& signal, double rate, const ReverbShape& shape) {
    const double feedback = 0.7 + 0.28 * shape.room;
    const double damp = 0.4 * shape.damping;
    const auto preDelay = static_cast<size_t>(shape.preDelay * rate);
    std::vector<std::vector<float>> combs;
    std::vector<double> combFilter(std::size(kCombDelays), 0.0);
    std::vector<size_t> combAt(std::size(kCombDelays), 0);
    for (const uint32_t delay : kCombDelays) combs.emplace_back(ScaledDelay(delay, rate), 0.0f);
    std::vector<std::vector<float>> allpasses;
    std::vector<size_t> allpassAt(std::size(kAllpassDelays), 0);
    for (const uint32_t delay : kAllpassDelays)
        allpasses.emplace_back(ScaledDelay(delay, rate), 0.0f);

    const Signal dry = signal;
    for (size_t n = 0; n < signal.size(); ++n) {
        const double input = n >= preDelay ? dry[n - preDelay] * kCombInputGain : 0.0;
        double sum = 0.0;
        for (size_t c = 0; c < combs.size(); ++c) {
            float& cell = combs[c][combAt[c]];
            const double out = cell;
            combFilter[c] = out * (1.0 - damp) + combFilter[c] * damp;
            cell = static_cast<float>(input + combFilter[c] * feedback);
            combAt[c] = (combAt[c] + 1) % combs[c].size();
            sum += out;
        }
        for (size_t a = 0; a < allpasses.size(); ++a) {
            float& cell = allpasses[a][allpassAt[a]];
            const double buffered = cell;
            cell = static_cast<float>(sum + buffered * kAllpassFeedback);
            sum = buffered - sum;
            allpassAt[a] = (allpassAt[a] + 1) % allpasses[a].size();
        }
        signal[n] = static_cast<float>(dry[n] + shape.wet * kWetScale * sum);
    }
}

void CrossfadeLoop(Signal& signal, uint32_t loopStart, uint32_t loopLength, uint32_t fade) {
    const uint32_t loopEnd = loopStart + loopLength;
    for (uint32_t k = 0; k < fade; ++k) {
        // The loop end's last `fade` frames blend into the frames leading up to loopStart, so
        // the wrap from loopEnd - 1 to loopStart continues the signal seamlessly.
        const double x = (k + 0.5) / fade;
        const double in = std::sin(0.5 * std::numbers::pi * x);
        const double out = std::cos(0.5 * std::numbers::pi * x);
        const uint32_t at = loopEnd - fade + k;
        signal[at] = static_cast<float>(signal[at] * out + signal[loopStart - fade + k] * in);
    }
}

Signal AdditiveLoop(uint32_t frames, const std::vector<LoopVoice>& voices,
                    const std::function<float(uint32_t harmonic, double position)>& harmonic) {
    Signal out(frames, 0.0f);
    for (const LoopVoice& voice : voices) {
        const uint32_t harmonics = (frames / 2 - 1) / voice.cycles;  // below the Nyquist limit
        for (uint32_t h = 1; h <= harmonics; ++h) {
            const double step = kTwoPi * h * voice.cycles / frames;
            const double start = kTwoPi * h * voice.phase;
            for (uint32_t n = 0; n < frames; ++n) {
                const float amplitude = harmonic(h, static_cast<double>(n) / frames);
                if (amplitude != 0.0f)
                    out[n] +=
                        voice.gain * amplitude * static_cast<float>(std::sin(start + step * n));
            }
        }
    }
    return out;
}

float Peak(const Signal& signal) {
    float peak = 0.0f;
    for (const float frame : signal) peak = std::max(peak, std::fabs(frame));
    return peak;
}

void Normalise(Signal& signal, float level) {
    const float peak = Peak(signal);
    if (peak == 0.0f) return;
    const float gain = level / peak;
    for (float& frame : signal) frame *= gain;
}

void Reverse(Signal& signal) { std::reverse(signal.begin(), signal.end()); }

}  // namespace qx::synth
