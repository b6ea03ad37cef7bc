// Times one 320 x 200 call of each table effect, bump and water routine beside a memcpy of the
// same number of picture bytes in the same run, and the one-time tunnel table set-up.
// Each figure is the best average over several batches, in microseconds.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "effects/bump_water.h"
#include "effects/rotozoom_plasma.h"
#include "effects/tunnel.h"

namespace {

using namespace qx;
using Clock = std::chrono::steady_clock;

constexpr int kBatches = 15;
constexpr int kCallsPerBatch = 40;

// Keeps the compiler from dropping writes that nothing reads.
void Touch(void* p) { asm volatile("" : : "r"(p) : "memory"); }

template <typename Call>
double BestMicroseconds(Call call, int callsPerBatch = kCallsPerBatch) {
    double best = 1e30;
    for (int batch = 0; batch < kBatches; ++batch) {
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < callsPerBatch; ++i) call();
        const double us =
            std::chrono::duration<double, std::micro>(Clock::now() - start).count() / callsPerBatch;
        if (us < best) best = us;
    }
    return best;
}

std::vector<uint8_t> copySource(4 * kPicturePixels, 1), copyTarget(4 * kPicturePixels);

double MemcpyMicroseconds(size_t bytes) {
    return BestMicroseconds([bytes] {
        std::memcpy(copyTarget.data(), copySource.data(), bytes);
        Touch(copyTarget.data());
    });
}

template <typename Call>
void Report(const char* name, size_t pictureBytes, const char* target, Call call) {
    const double us = BestMicroseconds([&] {
        call();
        Touch(copyTarget.data());
    });
    const double copy = MemcpyMicroseconds(pictureBytes);
    std::printf("%-34s %9.1f us   memcpy %7zu B %7.1f us   x%6.1f  %s\n", name, us, pictureBytes,
                copy, us / copy, target);
}

}  // namespace

int main() {
    std::vector<uint32_t> texture(256 * 256), picture(kPicturePixels), spare(kPicturePixels);
    std::vector<uint32_t> scrollSource(kPictureWidth * kScrollSourceRows);
    std::vector<uint8_t> grey(kPicturePixels), slopes(kSlopeMapsBytes);
    uint32_t seed = 1;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (uint32_t& t : texture) t = next() & 0x00FFFFFF;
    for (uint32_t& p : spare) p = next() & 0x00FFFFFF;
    for (uint32_t& p : scrollSource) p = next() & 0x00FFFFFF;
    for (uint8_t& g : grey) g = static_cast<uint8_t>(next() >> 24);
    for (uint8_t& s : slopes) s = static_cast<uint8_t>(next() >> 29);
    for (uint32_t i = 0; i < kWaterFieldHeights; ++i) waterFieldA[i] = int16_t(next() % 200);

    const Clock::time_point start = Clock::now();
    SetUpTunnelTables();
    const double setUpMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf("%-34s %9.2f ms (first call; target under 25 ms)\n", "SetUpTunnelTables", setUpMs);
    std::printf("%-34s %9.2f ms (best of 5)\n", "SetUpTunnelTables",
                BestMicroseconds(SetUpTunnelTables, 1) / 1000);

    constexpr size_t kPictureBytes = 4 * kPicturePixels;
    constexpr size_t kGreyBytes = kPicturePixels;
    uint32_t* out = picture.data();
    const uint32_t* tex = texture.data();

    const char* kLinear = "(linear: target within x4)";
    Report("DrawTunnel", kPictureBytes, "", [&] {
        DrawTunnel(tex, out);
        AdvanceTunnel();
    });
    Report("DrawInterference", kPictureBytes, "(target under 300 us)", [&] {
        DrawInterference(tex, out);
        AdvanceInterference();
    });
    Report("DrawInterference (plain reference)", kPictureBytes, "", [&] {
        reference::DrawInterference(tex, out);
        AdvanceInterference();
    });
    Report("BuildRotozoomTables+DrawRotozoom", kPictureBytes, "", [&] {
        BuildRotozoomTables();
        DrawRotozoom(tex, out);
        AdvanceRotozoom();
    });
    Report("DrawTablePlasma", kPictureBytes, "", [&] { DrawTablePlasma(tex, out); });
    Report("CopyScrolled", kPictureBytes, kLinear, [&] {
        CopyScrolled(scrollSource.data(), out);
        AdvanceScroll();
    });
    Report("DrawBumpLight", kPictureBytes, "", [&] {
        DrawBumpLight(spare.data(), slopes.data(), tex, out);
        ++bumpState.lightRow;
    });
    SetWaterBuffers(waterFieldA, waterFieldB);
    Report("StepAndDrawWater", kPictureBytes, "", [&] { StepAndDrawWater(spare.data(), out); });
    // Start-up only; each position waits for its freshly smoothed left neighbour.
    Report("BlurGrey8 (in place)", kGreyBytes, "(serial)",
           [&] { BlurGrey8(grey.data(), grey.data()); });
    Report("BlurPixelBytes8 (in place)", kPictureBytes, "(serial)",
           [&] { BlurPixelBytes8(spare.data(), spare.data()); });
    Report("DeriveHorizontal", kGreyBytes, kLinear, [&] {
        DeriveHorizontal(grey.data(), slopes.data() + kSlopeMapBytes, kPictureWidth,
                         kPictureHeight);
    });
    Report("DeriveVertical", kGreyBytes, kLinear,
           [&] { DeriveVertical(grey.data(), slopes.data(), kPictureWidth, kPictureHeight); });
    return 0;
}
