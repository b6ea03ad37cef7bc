// Whole runs of the program in the test process: on the placeholder archive with the fake sound
// module playing one row every kMsPerRow ms (the show in about 285 frames at 60 a second), or on
// the program's own archive and sound module. Every present is kept as a digest with the position
// its pass read and the timer.
#pragma once

#include <algorithm>

#include "support/host_fixture.h"
#include "tools/archive/file_io.h"

namespace qx::test {

constexpr uint32_t kMsPerRow = 2;

struct Shown {
    uint64_t digest;
    uint32_t position;      // as the pass's sequencer read it
    uint32_t timerCounter;  // tick slot 7: one every 2 ms of ticks
    bool operator==(const Shown&) const = default;
};

struct Watch {
    std::vector<Shown> shown;
    // Ends the run once this many frames at or past `stopPosition` have been shown; 0: never.
    uint32_t stopAfter = 0;
    uint32_t stopPosition = 0;
    uint32_t shownPastStop = 0;
    // From this many presents on, every read of the program file fails; 0: never.
    uint32_t archiveGoneAfter = 0;
    // The clock at every frame kept; a held picture shown again is no frame.
    std::vector<uint32_t> clocks;
    uint64_t lastPresents = 0;
    // The run ends at the first present, a held picture's too, at or past this clock; 0: never.
    uint32_t endAtClock = 0;
};

// Keeps the picture as the frame loop presented it, without what the viewer is told on top.
inline void Keep(VirtualPlatform& platform, const uint32_t*, uint32_t width, uint32_t height,
                 uint32_t, void* context) {
    Watch& watch = *static_cast<Watch*>(context);
    if (watch.endAtClock != 0 && static_cast<int32_t>(platform.clock - watch.endAtClock) >= 0)
        loopState.quitFlag = 1;
    if (framebufferState.presents == watch.lastPresents) return;
    watch.lastPresents = framebufferState.presents;
    const uint64_t digest =
        DigestPixels(kDigestSeed, framebufferState.lastShown, size_t{width} * height);
    watch.shown.push_back({digest, sequencerState.lastPassPosition, hostSettings.timerCounter});
    watch.clocks.push_back(platform.clock);
    if (watch.stopAfter != 0 && sequencerState.lastPassPosition >= watch.stopPosition &&
        ++watch.shownPastStop == watch.stopAfter)
        loopState.quitFlag = 1;
    if (watch.archiveGoneAfter != 0 && watch.shown.size() == watch.archiveGoneAfter)
        platform.failReadsFromOffset = 0;
}

// The frames of `reference` from the first whose pass read `start` or later, `count` of them.
inline std::vector<Shown> From(const std::vector<Shown>& reference, uint32_t start, size_t count) {
    const auto first = std::find_if(reference.begin(), reference.end(),
                                    [start](const Shown& s) { return s.position >= start; });
    const auto available = static_cast<size_t>(reference.end() - first);
    return {first, first + static_cast<std::ptrdiff_t>(std::min(count, available))};
}

class ProductionRunTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        platform.recordCalls = false;
        platform.presentHook = Keep;
    }
    // One run of the program on the placeholder archive and the fake song; every state record
    // fresh, as in a new process.
    std::vector<Shown> Run(std::vector<std::string> words, Watch watch = {},
                           uint32_t expectedExit = 0) {
        ResetHostState();
        InstallFakeSoundModule(platform);
        platform.executableImage = PlaceholderProgramImage();
        platform.clock = windowClock;
        platform.failReadsFromOffset = -1;
        EXPECT_EQ(ParseWords(std::move(words)), CommandLineResult::Run);
        fakeSound.msPerRow = msPerRow;
        platform.presentHookContext = &watch;
        viewerState.writePicture = pictureWriter;
        testing::internal::CaptureStderr();
        EXPECT_EQ(RunProduction(), expectedExit);
        errors = testing::internal::GetCapturedStderr();
        watched = watch;
        return watch.shown;
    }
    // The whole show at 60 frames a second, played once per test program.
    const std::vector<Shown>& FullShow() {
        static const std::vector<Shown> full = Run({"--headless"});
        return full;
    }
    // The frames of the last run cut where a jump landed: a landing is shown at the same clock
    // as the frame before it (a jump takes no time of the show's clock).
    std::vector<std::vector<Shown>> Segments(const std::vector<Shown>& shown) const {
        std::vector<std::vector<Shown>> segments(1);
        for (size_t i = 0; i < shown.size(); ++i) {
            if (i > 0 && watched.clocks[i] == watched.clocks[i - 1]) segments.emplace_back();
            segments.back().push_back(shown[i]);
        }
        return segments;
    }
    std::string errors;
    Watch watched;                          // of the last run
    PictureWriter pictureWriter = nullptr;  // F12's
    uint32_t windowClock = 0;               // the platform's clock when a run starts
    uint32_t msPerRow = kMsPerRow;
};

}  // namespace qx::test
