// Procedural building blocks of the picture generator: planes of floating-point values, gradient
// noise on a periodic lattice and the patterns made of it (fractal sums, turbulence, marble,
// swirls), falloffs, colour ramps, filters and the conversions to the archive's byte formats.
//
// Pattern coordinates (u, v) are in units: a texture spans [0, 1) in both directions, a picture
// [0, 1) across and [0, 0.625) down (one unit is 320 pixels either way, so shapes stay round).
// Every pattern built from whole numbers of lattice cells or waves per unit repeats with period 1
// in u and in v, which is what lets the textures tile without a seam.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace qx {

// One channel of an image, row by row, top row first. Values are grey levels 0..255 unless a
// routine says otherwise; conversions round and clamp them.
struct Plane {
    int width = 0;
    int height = 0;
    std::vector<float> values;

    Plane() = default;
    Plane(int planeWidth, int planeHeight, float fill = 0.0f)
        : width(planeWidth),
          height(planeHeight),
          values(static_cast<size_t>(planeWidth) * static_cast<size_t>(planeHeight), fill) {}
    float& At(int x, int y) { return values[static_cast<size_t>(y * width + x)]; }
    float At(int x, int y) const { return values[static_cast<size_t>(y * width + x)]; }
};

struct Rgb {
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
};

// A plane whose pixel (x, y) is shade(u, v) at the pixel's centre, unitPixels pixels per unit.
template <typename Shade>
Plane FillPlane(int width, int height, float unitPixels, Shade shade) {
    Plane plane(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            plane.At(x, y) = shade((static_cast<float>(x) + 0.5f) / unitPixels,
                                   (static_cast<float>(y) + 0.5f) / unitPixels);
    return plane;
}

// A 32-bit mix of three numbers: the generator's only source of randomness.
uint32_t HashPoint(uint32_t x, uint32_t y, uint32_t seed);
// HashPoint as a number in [0, 1).
float HashUnit(uint32_t x, uint32_t y, uint32_t seed);

// Gradient noise with `cells` lattice cells per unit in each direction, period 1 in u and v;
// about -1..1, 0 at every lattice point.
float PeriodicNoise(float u, float v, int cells, uint32_t seed);

struct NoiseOctaves {
    int cells = 4;  // lattice cells per unit in the first octave; each octave doubles them
    int octaves = 5;
    float gain = 0.5f;  // amplitude of an octave relative to the one before
    uint32_t seed = 1;
};

// The octaves of PeriodicNoise summed: about -1..1.
float FractalNoise(float u, float v, const NoiseOctaves& layers);
// The octaves' magnitudes summed: 0 to about 1, with sharp creases where the noise crosses 0.
float Turbulence(float u, float v, const NoiseOctaves& layers);
// Veined stone: a sine wave running wavesU times across and wavesV times down the unit, its phase
// bent by `bend` radians of turbulence; 0..1.
float Marble(float u, float v, int wavesU, int wavesV, float bend, const NoiseOctaves& layers);

// Thin veins along the middle of Marble's wave: 1 on a vein, falling to 0 between veins, the
// faster the larger `sharpness`.
float MarbleVeins(float u, float v, int wavesU, int wavesV, float bend, const NoiseOctaves& layers,
                  float sharpness);

// Turns (u, v) about (cu, cv) by `turns` whole turns at the centre, falling off as the square of
// (1 - distance / radius) to no turn at `radius` (at most 0.5) and beyond, so the swirl leaves
// a periodic pattern periodic. Distances are measured on the unit torus.
void Swirl(float& u, float& v, float cu, float cv, float radius, float turns);

float Clamp01(float x);
// 0 below edge0, 1 above edge1, a smooth cubic between.
float SmoothStep(float edge0, float edge1, float x);
// 1 at distance 0 falling smoothly to 0 at `radius` and beyond.
float RadialFalloff(float distance, float radius);

struct RampStop {
    float at = 0.0f;  // position 0..1, increasing from stop to stop
    Rgb colour;
};
// The colour at t (clamped to 0..1), interpolated linearly between the stops.
Rgb SampleRamp(std::span<const RampStop> ramp, float t);

// A box blur of `radius` pixels run `passes` times (close to a Gaussian for 3 passes); `wrap`
// reads across the edges as a tile, otherwise edge pixels repeat.
void BlurPlane(Plane& plane, int radius, int passes, bool wrap);
// Every value raised to the largest value within `radius` pixels (a square neighbourhood).
void DilatePlane(Plane& plane, int radius);
// Linearly maps the plane's smallest value to low and its largest to high.
void StretchPlane(Plane& plane, float low, float high);

// The archive formats: one byte per pixel, or 32-bit words 0x00RRGGBB stored blue byte first.
std::vector<uint8_t> GreyBytes(const Plane& grey);
std::vector<uint8_t> GreyWords(const Plane& grey);
std::vector<uint8_t> ColourWords(const Plane& red, const Plane& green, const Plane& blue);

}  // namespace qx
