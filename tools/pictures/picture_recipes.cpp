// The 320 x 200 pictures. Every scene lays grain (up to +63 per channel), dim bands and
// scratches over them, so they are built from large, clear shapes and a wide spread of levels.
#include "tools/pictures/picture_recipes.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "tools/pictures/lettering.h"
#include "tools/pictures/picture_generator.h"

namespace qx {

namespace {

constexpr float kPictureUnit = 320.0f;  // pixels per pattern unit, across and down

template <typename Shade>
Plane FillPicture(Shade shade) {
    return FillPlane(kPictureColumns, kPictureRows, kPictureUnit, shade);
}

float Distance(float u, float v, float cu, float cv) { return std::hypot(u - cu, v - cv); }

// The ink on a plane of width x height (a picture's unless said), its top-left corner at
// (left, top); ink off the plane is dropped.
Plane PlaceInk(const Plane& ink, int left, int top, int width = kPictureColumns,
               int height = kPictureRows) {
    Plane placed(width, height);
    for (int y = 0; y < ink.height; ++y) {
        for (int x = 0; x < ink.width; ++x) {
            const int px = left + x;
            const int py = top + y;
            if (px >= 0 && px < width && py >= 0 && py < height) placed.At(px, py) = ink.At(x, y);
        }
    }
    return placed;
}

Plane PlaceCentred(const Plane& ink, int top) {
    return PlaceInk(ink, (kPictureColumns - ink.width) / 2, top);
}

// The mask moved by (dx, dy) and softened: the shadow it casts.
Plane CastShadow(const Plane& mask, int dx, int dy, int softness) {
    Plane shadow(mask.width, mask.height);
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            if (x - dx >= 0 && x - dx < mask.width && y - dy >= 0 && y - dy < mask.height)
                shadow.At(x, y) = mask.At(x - dx, y - dy);
    if (softness > 0) BlurPlane(shadow, softness, 2, false);
    return shadow;
}

// Moves every level of target towards `level` by the mask's coverage times strength.
void Paint(Plane& target, const Plane& mask, float level, float strength) {
    for (size_t i = 0; i < target.values.size(); ++i)
        target.values[i] += (level - target.values[i]) * mask.values[i] * strength;
}

// Lettering that stands off its backdrop: a soft shadow, a thin dark rim, then the letters in
// `level`, lit from the top left by their own blurred outline.
void PaintRaisedLettering(Plane& target, const Plane& letters, float level, int shadowOffset) {
    Paint(target, CastShadow(letters, shadowOffset, shadowOffset + 1, 3), 0.0f, 0.8f);
    Plane rim = letters;
    DilatePlane(rim, 1);
    BlurPlane(rim, 1, 1, false);
    Paint(target, rim, 10.0f, 0.9f);
    Plane relief = letters;
    BlurPlane(relief, 1, 2, false);
    for (int y = 0; y < target.height; ++y) {
        for (int x = 0; x < target.width; ++x) {
            const float coverage = letters.At(x, y);
            if (coverage <= 0.0f) continue;
            const float slope =
                relief.At(std::max(x - 1, 0), std::max(y - 1, 0)) -
                relief.At(std::min(x + 1, target.width - 1), std::min(y + 1, target.height - 1));
            const float lit = std::clamp(level - 70.0f * slope, 0.0f, 255.0f);
            target.At(x, y) += (lit - target.At(x, y)) * coverage;
        }
    }
}

// A line of raised lettering, fitted into maxWidth x maxHeight and centred across the picture.
struct RaisedLine {
    Typeface typeface;
    const char* text;
    int maxPixelSize;
    int tracking;
    int maxWidth;
    int maxHeight;
    int top;
    float level;
    int shadowOffset;
};

// The raised lettering of the title (title8) and of the logo (piclogo).
constexpr RaisedLine kTitleLines[] = {
    {Typeface::SerifBold, "Marrowtide 2k", 72, 0, 304, 62, 44, 246.0f, 4},
    {Typeface::SansBold, "TAMBERLINOTH", 30, 6, 250, 24, 128, 205.0f, 3},
};
constexpr RaisedLine kLogoLines[] = {
    {Typeface::SerifBold, "Marrowtide", 80, 0, 296, 70, 52, 238.0f, 5},
    {Typeface::SansBold, "2K  -  TAMBERLINOTH", 26, 4, 240, 20, 134, 215.0f, 3},
};

bool PaintRaisedLines(Plane& target, std::span<const RaisedLine> lines, std::string& failure) {
    for (const RaisedLine& line : lines) {
        Plane ink;
        if (!RenderFittedLine(line.typeface, line.text, line.maxPixelSize, line.tracking,
                              line.maxWidth, line.maxHeight, ink, failure))
            return false;
        PaintRaisedLettering(target, PlaceCentred(ink, line.top), line.level, line.shadowOffset);
    }
    return true;
}

// A bright sky behind a great pale ringed disc over slow clouds (pattern units).
struct RingedDiscShape {
    float centreU, centreV;
    float glowRadius;
    float discEdgeFrom, discEdgeTo;  // the disc's soft edge
    float ringRadius, ringWidth;
    float ringLevel;
};

float RingedDisc(float u, float v, const RingedDiscShape& shape) {
    static const NoiseOctaves clouds{3, 5, 0.5f, 2001};
    const float d = Distance(u, v, shape.centreU, shape.centreV);
    const float cloud = 0.5f + 0.5f * FractalNoise(u, v, clouds);
    const float glow = RadialFalloff(d, shape.glowRadius);
    const float disc = 1.0f - SmoothStep(shape.discEdgeFrom, shape.discEdgeTo, d);
    const float ring = std::exp(-std::pow((d - shape.ringRadius) / shape.ringWidth, 2.0f));
    return 18.0f + 60.0f * glow + 45.0f * cloud * glow + 45.0f * disc + shape.ringLevel * ring -
           25.0f * disc * cloud;
}

}  // namespace

bool MakeTitlePicture(Plane& grey, std::string& failure) {
    // The title lies across the disc.
    grey = FillPicture([](float u, float v) {
        return RingedDisc(u, v, {0.5f, 0.29f, 0.65f, 0.262f, 0.27f, 0.282f, 0.006f, 60.0f});
    });
    return PaintRaisedLines(grey, kTitleLines, failure);
}

bool MakeIconPicture(int size, Plane& grey, std::string& failure) {
    // The title's disc filling the square, and a raised serif M across it.
    grey = FillPlane(size, size, static_cast<float>(size), [](float u, float v) {
        return RingedDisc(u, v, {0.5f, 0.5f, 0.75f, 0.40f, 0.42f, 0.45f, 0.02f, 80.0f});
    });
    Plane ink;
    if (!RenderFittedLine(Typeface::SerifBold, "M", size, 0, size * 5 / 8, size / 2, ink, failure))
        return false;
    const Plane letter = PlaceInk(ink, (size - ink.width) / 2, (size - ink.height) / 2, size, size);
    PaintRaisedLettering(grey, letter, 246.0f, std::max(1, size / 64));
    return true;
}

Plane MakeCloudBackground() {
    const NoiseOctaves warpU{3, 4, 0.5f, 1101};
    const NoiseOctaves warpV{3, 4, 0.5f, 1102};
    const NoiseOctaves body{4, 6, 0.55f, 1103};
    // Domain-warped clouds, lit from a bright patch above the centre and dark at the corners.
    Plane grey = FillPicture([&](float u, float v) {
        const float wu = u + 0.18f * FractalNoise(u, v, warpU);
        const float wv = v + 0.18f * FractalNoise(u, v, warpV);
        const float cloud = Clamp01(0.5f + 0.6f * FractalNoise(wu, wv, body));
        const float light = RadialFalloff(Distance(u, v, 0.52f, 0.25f), 0.7f);
        const float corner = Distance(u, v, 0.5f, 0.3125f);
        return (0.25f + 0.75f * light) * std::pow(cloud, 1.4f) * (1.0f - 0.8f * corner * corner);
    });
    StretchPlane(grey, 12.0f, 175.0f);
    return grey;
}

Plane MakeStreakBackground() {
    // Brushed steel: noise stretched 24 times down the picture, a few bright scratches in the
    // grain, and two broad sheens across it, darker at the top.
    constexpr float kStretch = 24.0f;
    const NoiseOctaves brush{24, 4, 0.6f, 1201};
    const NoiseOctaves stain{3, 4, 0.5f, 1202};
    Plane grey = FillPicture([&](float u, float v) {
        const float streak = FractalNoise(u, v / kStretch, brush);
        const float sheen = 0.55f + 0.3f * std::cos(6.2832f * (u - 0.3f)) +
                            0.15f * std::cos(6.2832f * 3.0f * (u - 0.1f));
        const float stainLevel = 0.85f + 0.15f * FractalNoise(u, v, stain);
        return (35.0f + 150.0f * sheen * stainLevel + 45.0f * streak) * (0.6f + 0.64f * v);
    });
    for (int x = 0; x < kPictureColumns; ++x) {
        const float scratch = HashUnit(static_cast<uint32_t>(x), 0, 1203);
        if (scratch < 0.93f) continue;
        const float strength = 60.0f * (scratch - 0.93f) / 0.07f;
        for (int y = 0; y < kPictureRows; ++y) {
            const float fade = 0.5f + 0.5f * PeriodicNoise(0.0f, static_cast<float>(y) / 400.0f, 4,
                                                           static_cast<uint32_t>(x));
            grey.At(x, y) += strength * fade;
        }
    }
    StretchPlane(grey, 20.0f, 215.0f);
    return grey;
}

Plane MakeDarkBackground() {
    // Dark veined stone under a wide soft spot, in the 32 darkest levels: the glass lights it.
    const NoiseOctaves veins{4, 5, 0.5f, 1301};
    Plane grey = FillPicture([&](float u, float v) {
        const float spot = RadialFalloff(Distance(u, v, 0.5f, 0.3f), 0.62f);
        const float marble = Marble(u, v, 2, 1, 6.0f, veins);
        return 0.12f + 0.45f * spot + 0.43f * marble * (0.35f + 0.65f * spot);
    });
    StretchPlane(grey, 0.0f, 31.0f);
    return grey;
}

bool MakeTextBackground(Plane& grey, std::string& failure) {
    // A page of text: a heading and a column of lines in pale ink on mottled dark-grey paper, dark
    // enough that the web lines added over it in the web over picture scene stand out.
    static constexpr const char* kLines[] = {
        "Out past the last lamp the tide turns", "to marrow: grey water over grey stone.",
        "Every line we draw is a thread pulled", "tight between a shape and its shadow.",
        "Each picture is counted out pixel by",  "pixel, in step with the music, frame",
        "after frame, until the film runs out.",
    };
    const NoiseOctaves paper{6, 5, 0.6f, 1401};
    grey = FillPicture([&](float u, float v) {
        const float vignette = 1.0f - 0.9f * std::pow(Distance(u, v, 0.5f, 0.3125f), 2.0f);
        return (52.0f + 14.0f * FractalNoise(u, v, paper)) * vignette;
    });
    Plane heading;
    if (!RenderFittedLine(Typeface::SerifBold, "TAMBERLINOTH", 30, 3, 280, 26, heading, failure))
        return false;
    Paint(grey, PlaceCentred(heading, 10), 180.0f, 1.0f);
    Plane rule(kPictureColumns, kPictureRows);
    for (int x = 30; x < kPictureColumns - 30; ++x) rule.At(x, 42) = rule.At(x, 43) = 1.0f;
    Paint(grey, rule, 120.0f, 0.9f);
    constexpr int kFirstLineTop = 50;
    constexpr int kLinePitch = 20;
    constexpr int kMargin = 20;
    for (size_t line = 0; line < std::size(kLines); ++line) {
        Plane ink;
        if (!RenderFittedLine(Typeface::Sans, kLines[line], 14, 0, kPictureColumns - 2 * kMargin,
                              kLinePitch, ink, failure))
            return false;
        const int top = kFirstLineTop + static_cast<int>(line) * kLinePitch;
        Paint(grey, PlaceInk(ink, kMargin, top + (kLinePitch - ink.height) / 2), 150.0f, 1.0f);
    }
    return true;
}

Plane MakeBarBackground() {
    // Upright columns of uneven width, each shaded round like a pipe, in dark gaps, lit from
    // above and slightly mottled.
    const NoiseOctaves mottle{8, 4, 0.5f, 1501};
    Plane grey(kPictureColumns, kPictureRows);
    std::vector<float> shade(kPictureColumns, 0.0f);
    int x = 0;
    for (uint32_t bar = 0; x < kPictureColumns; ++bar) {
        const int gap = 2 + static_cast<int>(HashPoint(bar, 1, 1502) % 4);
        const int width = 10 + static_cast<int>(HashPoint(bar, 2, 1502) % 30);
        const float brightness = 0.55f + 0.45f * HashUnit(bar, 3, 1502);
        x += gap;
        for (int i = 0; i < width && x + i < kPictureColumns; ++i) {
            const float across = (static_cast<float>(i) + 0.5f) / static_cast<float>(width);
            shade[static_cast<size_t>(x + i)] =
                brightness * (0.25f + 0.75f * std::pow(std::sin(3.14159f * across), 0.7f)) +
                0.35f * std::pow(std::sin(3.14159f * across * 0.6f + 0.5f), 16.0f);
        }
        x += width;
    }
    for (int y = 0; y < kPictureRows; ++y) {
        for (int column = 0; column < kPictureColumns; ++column) {
            const float u = (static_cast<float>(column) + 0.5f) / kPictureUnit;
            const float v = (static_cast<float>(y) + 0.5f) / kPictureUnit;
            const float light = 1.0f - 0.55f * v / 0.625f;
            grey.At(column, y) = 18.0f + 200.0f * shade[static_cast<size_t>(column)] * light *
                                             (0.9f + 0.1f * FractalNoise(u, v, mottle));
        }
    }
    return grey;
}

bool MakeTextStrips(Plane& grey, std::string& failure) {
    // White letters shading to light grey downwards, with a dark rim so that they read over any
    // picture; black everywhere else (transparent where the strips are copied).
    constexpr float kTopLevel = 255.0f;
    constexpr float kBottomLevel = 175.0f;
    constexpr float kRimLevel = 22.0f;
    constexpr int kRim = 1;
    grey = Plane(kPictureColumns, kPictureRows);
    for (const TextBand& band : kTextBands) {
        Plane ink;
        if (!RenderFittedLine(Typeface::SansBold, band.text, band.rowCount, 1, 300,
                              band.rowCount - 2 * kRim - 2, ink, failure))
            return false;
        const int top = band.firstRow + (band.rowCount - ink.height) / 2;
        const Plane letters = PlaceCentred(ink, top);
        Plane rim = letters;
        DilatePlane(rim, kRim);
        for (int y = top; y < top + ink.height; ++y) {
            const float down = static_cast<float>(y - top) / static_cast<float>(ink.height - 1);
            const float level = kTopLevel + (kBottomLevel - kTopLevel) * down;
            for (int x = 0; x < kPictureColumns; ++x) grey.At(x, y) = level * letters.At(x, y);
        }
        for (int y = top - kRim; y < top + ink.height + kRim; ++y)
            for (int x = 0; x < kPictureColumns; ++x)
                grey.At(x, y) += kRimLevel * rim.At(x, y) * (1.0f - letters.At(x, y));
    }
    return true;
}

Plane MakeBumpHeights() {
    // Rounded marble bands cut by grooves along the veins, with a little fine pitting. The
    // effects smooth it twice and take eight times the difference of neighbours modulo 256 as a
    // slope, so the steepest step between neighbours stays well below 16 levels.
    const NoiseOctaves bands{3, 5, 0.5f, 1701};
    const NoiseOctaves grooves{4, 5, 0.5f, 1702};
    const NoiseOctaves pits{16, 3, 0.5f, 1703};
    Plane grey = FillPicture([&](float u, float v) {
        const float band = Marble(u, v, 3, 2, 3.5f, bands);
        const float groove = MarbleVeins(u, v, 2, 3, 4.0f, grooves, 6.0f);
        return 0.75f * band - 0.25f * groove + 0.08f * FractalNoise(u, v, pits);
    });
    BlurPlane(grey, 1, 3, false);
    StretchPlane(grey, 24.0f, 232.0f);
    return grey;
}

bool MakeLogoPicture(Plane& grey, std::string& failure) {
    // The logo over a floor of square tiles whose grout lines make every ripple of the water
    // visible; the tiles carry a faint caustic shimmer.
    constexpr float kTile = 20.0f;
    const NoiseOctaves caustic{5, 4, 0.5f, 1601};
    grey = FillPicture([&](float u, float v) {
        const float px = u * kPictureUnit;
        const float py = v * kPictureUnit;
        const float gx = std::fabs(std::fmod(px, kTile) - kTile / 2.0f) / (kTile / 2.0f);
        const float gy = std::fabs(std::fmod(py, kTile) - kTile / 2.0f) / (kTile / 2.0f);
        const float grout = SmoothStep(0.8f, 0.95f, std::max(gx, gy));
        const float tile =
            HashUnit(static_cast<uint32_t>(px / kTile), static_cast<uint32_t>(py / kTile), 1602);
        const float shimmer = 1.0f - Turbulence(u, v, caustic);
        const float light = 1.0f - 0.5f * Distance(u, v, 0.5f, 0.3125f);
        return light *
               ((95.0f + 25.0f * tile + 45.0f * shimmer * shimmer) * (1.0f - 0.65f * grout));
    });
    return PaintRaisedLines(grey, kLogoLines, failure);
}

}  // namespace qx
