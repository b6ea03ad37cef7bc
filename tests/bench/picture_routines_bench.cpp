// Prints the cost of one 320 x 200 call of every whole-picture filter, beside a memcpy of the
// same number of bytes measured in the same run, and beside the plain reference loop; then the
// cost of 92 in-place SmearDiagonal passes (one frame of the focus effect) and of the line,
// triangle and sprite drawers on typical shapes. Figures are medians of batches, pictures stay
// in cache, as they do within a frame.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "bench_timing.h"
#include "effects/film_grain.h"
#include "effects/lines.h"
#include "effects/picture_filters.h"
#include "effects/rasterisers.h"

namespace {

using qx::kPicturePixels;

constexpr int kCallsPerBatch = 40;

double MicrosecondsPerCall(const std::function<void()>& call, int callsPerBatch = kCallsPerBatch) {
    return qx::bench::MedianMicrosecondsPerCall(call, callsPerBatch);
}

double MemcpyMicroseconds(size_t bytes) {
    static std::vector<uint8_t> from(4 * kPicturePixels, 1), to(4 * kPicturePixels);
    return MicrosecondsPerCall([bytes] {
        std::memcpy(to.data(), from.data(), bytes);
        asm volatile("" : : "r"(to.data()) : "memory");
    });
}

void Row(const char* name, size_t bytes, const std::function<void()>& fast,
         const std::function<void()>& plain) {
    const double copy = MemcpyMicroseconds(bytes);
    const double time = MicrosecondsPerCall(fast);
    std::printf("%-22s %8.2f us   memcpy %6zu B %7.2f us   x%5.2f", name, time, bytes, copy,
                time / copy);
    if (plain) std::printf("   plain loop %8.2f us", MicrosecondsPerCall(plain));
    std::printf("\n");
}

}  // namespace

// A Row for a routine with a plain reference loop in qx::reference, both called with the same
// arguments.
#define ROW_WITH_REFERENCE(routine, bytes, ...) \
    Row(                                        \
        #routine, bytes, [&] { routine(__VA_ARGS__); }, [&] { reference::routine(__VA_ARGS__); })

int main() {
    using namespace qx;
    std::mt19937 random(1);
    std::vector<uint32_t> a(kPicturePixels), b(kPicturePixels), out(kPicturePixels);
    std::vector<uint8_t> grey(kGreyPictureBytes);
    for (uint32_t& p : a) p = static_cast<uint32_t>(random()) & 0x00FFFFFF;
    for (uint32_t& p : b) p = static_cast<uint32_t>(random()) & 0x00FFFFFF;
    for (uint8_t& g : grey) g = static_cast<uint8_t>(random());
    FillNoiseTable();
    fadeState.fadeLevel = 100;
    const size_t pictureBytes = 4 * kPicturePixels;

    std::printf("One 320 x 200 call (median of %d batches of %d calls)\n", qx::bench::kBatches,
                kCallsPerBatch);
    ROW_WITH_REFERENCE(ExpandGreyPicture, pictureBytes, grey.data(), out.data());
    ROW_WITH_REFERENCE(SmearDiagonal, kGreyPictureBytes, grey.data(), grey.data());
    ROW_WITH_REFERENCE(AddPicturesSaturated, pictureBytes, a.data(), b.data(), out.data());
    ROW_WITH_REFERENCE(AveragePictures, pictureBytes, a.data(), b.data(), out.data());
    ROW_WITH_REFERENCE(BrightenByFadeLevel, pictureBytes, out.data(), out.data());
    ROW_WITH_REFERENCE(DarkenByFadeLevel, pictureBytes, out.data(), out.data());
    ROW_WITH_REFERENCE(CopyNonZeroRows, pictureBytes, a.data(), out.data(), 200);
    ROW_WITH_REFERENCE(AddGrain, pictureBytes, out.data(), out.data());
    Row(
        "EvolveNoise", kEvolvedNoiseBytes, [] { EvolveNoise(); }, nullptr);
    Row(
        "DrawDimBand (<= 959 px)", 4 * 959, [&] { DrawDimBand(out.data()); }, nullptr);

    const double smear92 = MicrosecondsPerCall(
        [&] {
            for (int pass = 0; pass < 92; ++pass) SmearDiagonal(grey.data(), grey.data());
        },
        4);
    std::printf("\n92 SmearDiagonal passes in place: %.3f ms\n", smear92 / 1000);

    // Drawers, per call, on shapes of the sizes the scenes use.
    FillRowOffsetTable();
    lineState.lineTarget = out.data();
    lineState.lineColour = 0x00101010;
    lineState.plotRoutine = &PlotAdditive;
    std::vector<int32_t> ends(4 * 1000);
    for (int32_t& v : ends) v = static_cast<int32_t>(random() % 400) - 40;
    const double lines = MicrosecondsPerCall([&] {
        for (size_t i = 0; i < ends.size(); i += 4)
            DrawLine(ends[i], ends[i + 1], ends[i + 2], ends[i + 3]);
    });
    std::vector<uint32_t> texture(kTextureTexels);
    for (uint32_t& t : texture) t = static_cast<uint32_t>(random()) & 0x003F3F3F;
    const double textured = MicrosecondsPerCall([&] {
        DrawTexturedTriangle({40, 20, 0, 0}, {260, 60, 255, 30}, {120, 180, 60, 255},
                             texture.data(), out.data());
    });
    const double glass = MicrosecondsPerCall([&] {
        DrawGlassTriangle({40, 20}, {260, 60}, {120, 180}, out.data());
    });
    const double sprite =
        MicrosecondsPerCall([&] { DrawAdditiveSprite(texture.data(), 160, 100, 64, out.data()); });
    std::printf("\n1000 random lines (-40..359)      %8.2f us\n", lines);
    std::printf("DrawTexturedTriangle (~16000 px)  %8.2f us\n", textured);
    std::printf("DrawGlassTriangle (~16000 px)     %8.2f us\n", glass);
    std::printf("DrawAdditiveSprite size 64        %8.2f us\n", sprite);
    return 0;
}
