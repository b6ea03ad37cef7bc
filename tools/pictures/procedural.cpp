#include "tools/pictures/procedural.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace qx {

namespace {

constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
constexpr uint32_t kGradientCount = 256;
// Perlin noise of unit gradients stays within about +-0.7; this brings it to about +-1.
constexpr float kNoiseScale = 1.41f;

// Unit gradients evenly round the circle, one picked per lattice point by its hash.
const std::array<std::array<float, 2>, kGradientCount>& Gradients() {
    static const auto gradients = [] {
        std::array<std::array<float, 2>, kGradientCount> table{};
        for (uint32_t i = 0; i < kGradientCount; ++i) {
            const float angle = kTwoPi * static_cast<float>(i) / kGradientCount;
            table[i] = {std::cos(angle), std::sin(angle)};
        }
        return table;
    }();
    return gradients;
}

// 6t^5 - 15t^4 + 10t^3: flat first and second derivatives at both ends.
float Fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

float Lerp(float a, float b, float t) { return a + (b - a) * t; }

uint32_t WrapCell(int cell, int cells) {
    return static_cast<uint32_t>(((cell % cells) + cells) % cells);
}

// Calls visit(amplitude, noise) for every octave and returns the sum of the amplitudes.
template <typename Visit>
float ForEachOctave(float u, float v, const NoiseOctaves& layers, Visit visit) {
    float amplitude = 1.0f;
    float total = 0.0f;
    int cells = layers.cells;
    for (int octave = 0; octave < layers.octaves; ++octave) {
        visit(amplitude, PeriodicNoise(u, v, cells, layers.seed + static_cast<uint32_t>(octave)));
        total += amplitude;
        amplitude *= layers.gain;
        cells *= 2;
    }
    return total;
}

// One box-blur pass along a line of `count` values `stride` apart, through scratch.
void BlurLine(float* line, int count, int stride, int radius, bool wrap,
              std::vector<float>& scratch) {
    scratch.resize(static_cast<size_t>(count));
    auto read = [&](int i) {
        i = wrap ? ((i % count) + count) % count : std::clamp(i, 0, count - 1);
        return line[i * stride];
    };
    float sum = 0.0f;
    for (int i = -radius; i <= radius; ++i) sum += read(i);
    const float scale = 1.0f / static_cast<float>(2 * radius + 1);
    for (int i = 0; i < count; ++i) {
        scratch[static_cast<size_t>(i)] = sum * scale;
        sum += read(i + radius + 1) - read(i - radius);
    }
    for (int i = 0; i < count; ++i) line[i * stride] = scratch[static_cast<size_t>(i)];
}

// The offset from (cu, cv) to (u, v) on the unit torus, each part in [-0.5, 0.5).
void WrappedOffset(float u, float v, float cu, float cv, float& du, float& dv) {
    du = u - cu;
    dv = v - cv;
    du -= std::floor(du + 0.5f);
    dv -= std::floor(dv + 0.5f);
}

uint8_t ToByte(float value) {
    return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0f, 255.0f)));
}

void PutWord(std::vector<uint8_t>& out, uint32_t word) {
    for (uint32_t shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(word >> shift));
}

}  // namespace

uint32_t HashPoint(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B9u ^ x * 0x85EBCA6Bu ^ (y + 0x68E31DA4u) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float HashUnit(uint32_t x, uint32_t y, uint32_t seed) {
    return static_cast<float>(HashPoint(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

float PeriodicNoise(float u, float v, int cells, uint32_t seed) {
    const float x = u * static_cast<float>(cells);
    const float y = v * static_cast<float>(cells);
    const float floorX = std::floor(x);
    const float floorY = std::floor(y);
    const float fx = x - floorX;
    const float fy = y - floorY;
    const uint32_t x0 = WrapCell(static_cast<int>(floorX), cells);
    const uint32_t y0 = WrapCell(static_cast<int>(floorY), cells);
    const uint32_t x1 = WrapCell(static_cast<int>(x0) + 1, cells);
    const uint32_t y1 = WrapCell(static_cast<int>(y0) + 1, cells);
    const auto& gradients = Gradients();
    auto corner = [&](uint32_t cx, uint32_t cy, float dx, float dy) {
        const auto& g = gradients[HashPoint(cx, cy, seed) % kGradientCount];
        return g[0] * dx + g[1] * dy;
    };
    const float sx = Fade(fx);
    const float top = Lerp(corner(x0, y0, fx, fy), corner(x1, y0, fx - 1.0f, fy), sx);
    const float bottom =
        Lerp(corner(x0, y1, fx, fy - 1.0f), corner(x1, y1, fx - 1.0f, fy - 1.0f), sx);
    return kNoiseScale * Lerp(top, bottom, Fade(fy));
}

float FractalNoise(float u, float v, const NoiseOctaves& layers) {
    float sum = 0.0f;
    const float total = ForEachOctave(
        u, v, layers, [&](float amplitude, float noise) { sum += amplitude * noise; });
    return sum / total;
}

float Turbulence(float u, float v, const NoiseOctaves& layers) {
    float sum = 0.0f;
    const float total = ForEachOctave(
        u, v, layers, [&](float amplitude, float noise) { sum += amplitude * std::fabs(noise); });
    return std::min(1.0f, 1.6f * sum / total);
}

float Marble(float u, float v, int wavesU, int wavesV, float bend, const NoiseOctaves& layers) {
    const float phase = kTwoPi * (static_cast<float>(wavesU) * u + static_cast<float>(wavesV) * v);
    return 0.5f + 0.5f * std::sin(phase + bend * Turbulence(u, v, layers));
}

float MarbleVeins(float u, float v, int wavesU, int wavesV, float bend, const NoiseOctaves& layers,
                  float sharpness) {
    const float wave = 2.0f * Marble(u, v, wavesU, wavesV, bend, layers) - 1.0f;
    return std::pow(1.0f - std::fabs(wave), sharpness);
}

void Swirl(float& u, float& v, float cu, float cv, float radius, float turns) {
    float du = 0.0f;
    float dv = 0.0f;
    WrappedOffset(u, v, cu, cv, du, dv);
    const float distance = std::sqrt(du * du + dv * dv);
    if (distance >= radius) return;
    const float falloff = 1.0f - distance / radius;
    const float angle = kTwoPi * turns * falloff * falloff;
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    u = cu + du * c - dv * s;
    v = cv + du * s + dv * c;
}

float Clamp01(float x) { return std::clamp(x, 0.0f, 1.0f); }

float SmoothStep(float edge0, float edge1, float x) {
    const float t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

float RadialFalloff(float distance, float radius) {
    return 1.0f - SmoothStep(0.0f, radius, distance);
}

Rgb SampleRamp(std::span<const RampStop> ramp, float t) {
    t = Clamp01(t);
    if (t <= ramp.front().at) return ramp.front().colour;
    for (size_t i = 1; i < ramp.size(); ++i) {
        if (t <= ramp[i].at) {
            const RampStop& a = ramp[i - 1];
            const RampStop& b = ramp[i];
            const float f = (t - a.at) / std::max(b.at - a.at, 1e-6f);
            return {Lerp(a.colour.red, b.colour.red, f), Lerp(a.colour.green, b.colour.green, f),
                    Lerp(a.colour.blue, b.colour.blue, f)};
        }
    }
    return ramp.back().colour;
}

void BlurPlane(Plane& plane, int radius, int passes, bool wrap) {
    std::vector<float> scratch;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < plane.height; ++y)
            BlurLine(&plane.At(0, y), plane.width, 1, radius, wrap, scratch);
        for (int x = 0; x < plane.width; ++x)
            BlurLine(&plane.At(x, 0), plane.height, plane.width, radius, wrap, scratch);
    }
}

void DilatePlane(Plane& plane, int radius) {
    const Plane source = plane;
    for (int y = 0; y < plane.height; ++y) {
        for (int x = 0; x < plane.width; ++x) {
            float highest = source.At(x, y);
            for (int ny = std::max(0, y - radius); ny <= std::min(plane.height - 1, y + radius);
                 ++ny)
                for (int nx = std::max(0, x - radius); nx <= std::min(plane.width - 1, x + radius);
                     ++nx)
                    highest = std::max(highest, source.At(nx, ny));
            plane.At(x, y) = highest;
        }
    }
}

void StretchPlane(Plane& plane, float low, float high) {
    const auto [smallest, largest] = std::minmax_element(plane.values.begin(), plane.values.end());
    const float from = *smallest;
    const float span = std::max(*largest - from, 1e-6f);
    for (float& value : plane.values) value = low + (value - from) * (high - low) / span;
}

std::vector<uint8_t> GreyBytes(const Plane& grey) {
    std::vector<uint8_t> out;
    out.reserve(grey.values.size());
    for (const float value : grey.values) out.push_back(ToByte(value));
    return out;
}

std::vector<uint8_t> GreyWords(const Plane& grey) {
    std::vector<uint8_t> out;
    out.reserve(grey.values.size() * 4);
    for (const float value : grey.values) PutWord(out, ToByte(value) * 0x010101u);
    return out;
}

std::vector<uint8_t> ColourWords(const Plane& red, const Plane& green, const Plane& blue) {
    std::vector<uint8_t> out;
    out.reserve(red.values.size() * 4);
    for (size_t i = 0; i < red.values.size(); ++i)
        PutWord(out, static_cast<uint32_t>(ToByte(red.values[i])) << 16 |
                         static_cast<uint32_t>(ToByte(green.values[i])) << 8 |
                         ToByte(blue.values[i]));
    return out;
}

}  // namespace qx
