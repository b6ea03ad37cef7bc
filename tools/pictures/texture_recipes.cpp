// The 256 x 256 textures. The effects wrap texture coordinates modulo 256, so every texture is
// either built from period-1 patterns or fades to black well before its edges. The flares are
// also drawn as scaled additive sprites, so their corners must be black.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "tools/pictures/picture_recipes.h"

namespace qx {

namespace {

constexpr float kTextureUnit = 256.0f;  // pixels per pattern unit
constexpr float kPi = std::numbers::pi_v<float>;

template <typename Shade>
Plane FillTexture(Shade shade) {
    return FillPlane(kTextureSide, kTextureSide, kTextureUnit, shade);
}

// Marble's waves: wavesU across and wavesV down the unit, bent by `bend` radians of turbulence.
struct MarbleWaves {
    int wavesU;
    int wavesV;
    float bend;
    NoiseOctaves layers;
};

// Stone whose body follows one set of marble waves and whose veins, of `sharpness`, another:
// texel = shade(Marble of the body, MarbleVeins of the veins).
template <typename Shade>
Plane FillVeinedMarble(const MarbleWaves& body, const MarbleWaves& veins, float sharpness,
                       Shade shade) {
    return FillTexture([&](float u, float v) {
        return shade(
            Marble(u, v, body.wavesU, body.wavesV, body.bend, body.layers),
            MarbleVeins(u, v, veins.wavesU, veins.wavesV, veins.bend, veins.layers, sharpness));
    });
}

// Three planes from a colour per texel.
template <typename Shade>
ColourPlanes FillColourTexture(Shade shade) {
    ColourPlanes planes{Plane(kTextureSide, kTextureSide), Plane(kTextureSide, kTextureSide),
                        Plane(kTextureSide, kTextureSide)};
    for (int y = 0; y < kTextureSide; ++y) {
        for (int x = 0; x < kTextureSide; ++x) {
            const Rgb colour = shade((static_cast<float>(x) + 0.5f) / kTextureUnit,
                                     (static_cast<float>(y) + 0.5f) / kTextureUnit);
            planes.red.At(x, y) = colour.red;
            planes.green.At(x, y) = colour.green;
            planes.blue.At(x, y) = colour.blue;
        }
    }
    return planes;
}

// Distance from the texture's centre, in units.
float CentreDistance(float u, float v) { return std::hypot(u - 0.5f, v - 0.5f); }

}  // namespace

ColourPlanes MakeRedFlare() {
    // A hot white-yellow core in a red glow with a faint ring, black from a third of the way out.
    return FillColourTexture([](float u, float v) {
        const float r = CentreDistance(u, v);
        const float core = std::exp(-std::pow(r / 0.035f, 2.0f));
        const float glow = std::pow(RadialFalloff(r, 0.3f), 2.2f);
        const float ring =
            0.3f * std::exp(-std::pow((r - 0.2f) / 0.018f, 2.0f)) * RadialFalloff(r, 0.3f);
        return Rgb{
            255.0f * std::min(1.0f, core + 0.95f * glow + ring),
            255.0f * std::min(1.0f, 0.95f * core + 0.35f * glow * glow + 0.3f * ring),
            255.0f * std::min(1.0f, 0.85f * core + 0.12f * glow * glow * glow + 0.15f * ring)};
    });
}

Plane MakeStarFlare() {
    // A bright core and halo with four long rays along the axes and four shorter diagonal ones,
    // all fading to black at the edge of the inscribed circle.
    constexpr std::array<float, 2> kRayLength = {0.5f, 0.3f};  // units: axes, diagonals
    return FillTexture([&](float u, float v) {
        const float du = u - 0.5f;
        const float dv = v - 0.5f;
        const float r = std::hypot(du, dv);
        float rays = 0.0f;
        for (int ray = 0; ray < 8; ++ray) {
            const float angle = static_cast<float>(ray) * kPi / 4.0f;
            const float across = std::fabs(-du * std::sin(angle) + dv * std::cos(angle));
            const float along = du * std::cos(angle) + dv * std::sin(angle);
            if (along <= 0.0f) continue;
            const float length = kRayLength[static_cast<size_t>(ray % 2)];
            const float width = 0.004f + 0.012f * along;
            rays = std::max(
                rays, std::exp(-across / width) * std::pow(RadialFalloff(along, length), 1.5f));
        }
        const float core = std::exp(-std::pow(r / 0.04f, 2.0f));
        const float halo = 0.3f * std::pow(RadialFalloff(r, 0.5f), 2.0f);
        const float edge = RadialFalloff(r, 0.5f);
        return 255.0f * std::min(1.0f, (core + halo + 0.9f * rays) * std::sqrt(edge));
    });
}

Plane MakeLightSpot() {
    // A broad, soft pool of light: full at the centre, gone at the inscribed circle.
    return FillTexture([](float u, float v) {
        const float r = CentreDistance(u, v);
        const float spot = 0.5f + 0.5f * std::cos(kPi * std::min(r / 0.48f, 1.0f));
        return 250.0f * std::pow(spot, 1.3f);
    });
}

Plane MakeContrastMarble() {
    // Dark grey stone with bold white veins and a finer web of thinner ones. The stone stays
    // well above black: the web trails scene maps it onto an object in a trail buffer that loses
    // 32 levels a frame, and a black stone would leave only the veins of the object visible.
    const NoiseOctaves bold{3, 4, 0.5f, 2101};
    const NoiseOctaves fine{4, 4, 0.5f, 2102};
    const NoiseOctaves stone{4, 5, 0.5f, 2103};
    return FillTexture([&](float u, float v) {
        const float veins = std::max(MarbleVeins(u, v, 2, 1, 3.0f, bold, 2.5f),
                                     0.8f * MarbleVeins(u, v, 1, 3, 3.5f, fine, 8.0f));
        return 40.0f + 70.0f * (0.5f + 0.5f * FractalNoise(u, v, stone)) +
               240.0f * SmoothStep(0.15f, 0.75f, veins);
    });
}

ColourPlanes MakeBrightSwirls() {
    // Coloured clouds wound into swirls about the centre and the corners, under a white-hot
    // centre that an environment map shows as the highlight facing the viewer.
    static constexpr RampStop kRamp[] = {
        {0.0f, {20, 10, 70}},   {0.3f, {40, 70, 190}},   {0.5f, {150, 50, 170}},
        {0.7f, {240, 120, 50}}, {0.85f, {255, 210, 90}}, {1.0f, {255, 250, 210}},
    };
    const NoiseOctaves clouds{3, 5, 0.5f, 2201};
    return FillColourTexture([&](float u, float v) {
        const float r = CentreDistance(u, v);
        float su = u;
        float sv = v;
        Swirl(su, sv, 0.5f, 0.5f, 0.5f, 1.1f);
        Swirl(su, sv, 0.0f, 0.0f, 0.4f, -0.8f);
        const float t = 0.5f + 0.5f * std::sin(2.0f * kPi * 1.6f * FractalNoise(su, sv, clouds));
        const Rgb colour = SampleRamp(kRamp, t * 0.85f);
        const float highlight = std::pow(RadialFalloff(r, 0.3f), 2.0f);
        return Rgb{colour.red + (255.0f - colour.red) * highlight,
                   colour.green + (255.0f - colour.green) * highlight,
                   colour.blue + (255.0f - colour.blue) * highlight};
    });
}

ColourPlanes MakeColourSwirl() {
    // One whirlpool of banded colour, wound two turns at its heart.
    static constexpr RampStop kRamp[] = {
        {0.0f, {90, 10, 30}},    {0.25f, {220, 60, 30}}, {0.5f, {250, 190, 60}},
        {0.75f, {40, 160, 150}}, {1.0f, {20, 40, 110}},
    };
    const NoiseOctaves wobble{4, 4, 0.5f, 2301};
    return FillColourTexture([&](float u, float v) {
        float su = u;
        float sv = v;
        Swirl(su, sv, 0.5f, 0.5f, 0.5f, 2.0f);
        const float bands = 0.5f + 0.5f * std::sin(2.0f * kPi * (3.0f * su + 2.0f * sv) +
                                                   3.0f * FractalNoise(su, sv, wobble));
        return SampleRamp(kRamp, bands);
    });
}

Plane MakeTunnelMarble() {
    // Grey stone in broad bands running twice across and once down (slow spirals in the tunnel),
    // laced with pale veins.
    return FillVeinedMarble(
        {2, 1, 4.0f, {4, 6, 0.55f, 2401}}, {1, 2, 5.0f, {4, 4, 0.5f, 2402}}, 10.0f,
        [](float band, float vein) { return 50.0f + 130.0f * band + 90.0f * vein; });
}

Plane MakeSoftClouds() {
    const NoiseOctaves clouds{4, 6, 0.5f, 2501};
    Plane grey = FillTexture([&](float u, float v) { return FractalNoise(u, v, clouds); });
    BlurPlane(grey, 2, 2, true);
    StretchPlane(grey, 35.0f, 225.0f);
    return grey;
}

Plane MakeGreyMarble() {
    // Pale stone clouded with grey and crossed by dark veins.
    return FillVeinedMarble(
        {1, 2, 3.0f, {3, 6, 0.5f, 2601}}, {1, 3, 4.5f, {3, 4, 0.5f, 2602}}, 5.0f,
        [](float cloud, float vein) { return 200.0f - 90.0f * cloud * cloud - 150.0f * vein; });
}

Plane MakeMarbleDetail() {
    // White stone closely webbed with black veins.
    const NoiseOctaves web{6, 4, 0.5f, 2701};
    const NoiseOctaves threads{8, 3, 0.5f, 2702};
    return FillTexture([&](float u, float v) {
        const float veins = std::max(MarbleVeins(u, v, 4, 3, 4.0f, web, 5.0f),
                                     0.8f * MarbleVeins(u, v, -2, 5, 4.0f, threads, 10.0f));
        return 240.0f - 235.0f * SmoothStep(0.1f, 0.7f, veins);
    });
}

}  // namespace qx
