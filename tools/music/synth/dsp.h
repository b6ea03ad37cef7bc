// Signal building blocks of the instrument synthesiser: noise, band-limited oscillators,
// state-variable and one-pole filters, envelopes, a baked reverb tail, loop crossfades and
// additive loops whose every partial completes whole cycles inside the loop.
//
// Signals are mono float frames, nominally -1..1, at whatever frame rate the instrument chose;
// frequencies are given in cycles per frame (hertz / frame rate) so nothing here needs the rate
// except the reverb, whose delay lengths scale with it. Everything is deterministic: noise comes
// from seeded generators, never from the clock.
#pragma once

#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

namespace qx::synth {

using Signal = std::vector<float>;

inline constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The frequency in hertz of MIDI note number midi (69 = A 440 Hz).
double MidiHz(double midi);

// xorshift32 white noise, uniform in [-1, 1).
class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed == 0 ? 0x9E3779B9u : seed) {}
    float White();

private:
    uint32_t state;
};

// Oscillator with PolyBLEP-corrected edges; phase in cycles (0..1), step in cycles per frame.
class Oscillator {
public:
    explicit Oscillator(double startPhase = 0.0) : phase(startPhase) {}
    float Sine(double step);
    float Saw(double step);
    float Square(double step, double width = 0.5);
    float Triangle(double step);

private:
    void Advance(double step);
    double phase;
};

// Topology-preserving state-variable filter (Zavalishin/Simper). Cutoff in cycles per frame
// (below 0.49), q from 0.5 (soft) upwards (resonant); coefficients follow the cutoff per frame.
class Svf {
public:
    struct Output {
        float low;
        float band;
        float high;
    };
    Output Run(float input, double cutoff, double q);

private:
    double state1 = 0.0;
    double state2 = 0.0;
};

// One-pole low-pass; the high-pass is the input minus it.
class OnePole {
public:
    float Low(float input, double cutoff);
    float High(float input, double cutoff) { return input - Low(input, cutoff); }

private:
    double state = 0.0;
};

// Seeded white noise feeding a filter of its own (OnePole or Svf), one noise frame per call.
template <typename Filter>
class FilteredNoise {
public:
    explicit FilteredNoise(uint32_t seed) : noise(seed) {}
    float Low(double cutoff) { return filter.Low(noise.White(), cutoff); }
    float High(double cutoff) { return filter.High(noise.White(), cutoff); }
    auto Run(double cutoff, double q) { return filter.Run(noise.White(), cutoff, q); }

private:
    Noise noise;
    Filter filter;
};

// exp(-t / tau), with a linear attack of `attack` seconds before it (0 gives none).
float AttackDecay(double t, double attack, double tau);

// The shape of a baked reverb tail: room size 0..1 (decay), damping 0..1 (darker tail), wet
// level added to the dry signal, pre-delay in seconds.
struct ReverbShape {
    double room = 0.6;
    double damping = 0.4;
    double wet = 0.25;
    double preDelay = 0.0;
};

// Adds a Freeverb-style tail (8 damped combs into 4 allpasses, delays scaled to rate) to the
// signal in place; the signal's length stays, so callers leave room for the tail.
void AddReverb(Signal& signal, double rate, const ReverbShape& shape);

// Makes frames [loopStart, loopStart + loopLength) loop seamlessly: the loop's last `fade`
// frames are crossfaded (equal power) with the frames just before loopStart, which the loop
// end meets when it wraps. Needs fade <= loopStart and fade <= loopLength.
void CrossfadeLoop(Signal& signal, uint32_t loopStart, uint32_t loopLength, uint32_t fade);

// One voice of an additive loop: `cycles` whole periods in the loop, a start phase in cycles
// and a gain.
struct LoopVoice {
    uint32_t cycles;
    double phase;
    float gain;
};

// A loop of `frames` frames: the sum over voices of harmonics h = 1, 2, ... below the Nyquist
// limit, each sin(2 pi h cycles t / frames + phase) with amplitude harmonic(h, position), where
// position 0..1 runs once through the loop (for spectra that move). Every partial completes
// whole cycles, so the loop wraps without a seam and without aliasing.
Signal AdditiveLoop(uint32_t frames, const std::vector<LoopVoice>& voices,
                    const std::function<float(uint32_t harmonic, double position)>& harmonic);

// The peak absolute value of the signal.
float Peak(const Signal& signal);

// Scales the signal so its peak is `level` (no change to a silent signal).
void Normalise(Signal& signal, float level);

// Reverses the signal in place.
void Reverse(Signal& signal);

}  // namespace qx::synth
