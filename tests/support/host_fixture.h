// A test fixture that installs a fresh virtual platform and resets every host state record to
// its program-image values.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "archive/archive_reader.h"
#include "archive/asset_catalogue.h"
#include "archive/entry_decoder.h"
#include "base/error_code.h"
#include "base/host_settings.h"
#include "display/framebuffer.h"
#include "display/full_screen.h"
#include "effects/fades.h"
#include "host/capture.h"
#include "host/command_line.h"
#include "host/frame_loop.h"
#include "host/production_state.h"
#include "host/show_jumps.h"
#include "host/state_registry.h"
#include "host/startup.h"
#include "host/storyboard.h"
#include "host/timing_report.h"
#include "host/viewer_controls.h"
#include "host/window.h"
#include "music/music_binding.h"
#include "music/scene_sequencer.h"
#include "support/fake_sound_module.h"
#include "tests/support/placeholder_assets.h"
#include "tests/support/virtual_platform.h"
#include "timing/tick_scheduler.h"
#include "tools/archive/file_io.h"

namespace qx::test {

// Every record the program keeps, the show's and the program-lifetime ones, back to its value at
// program start, so that every run starts as the program does.
inline void ResetHostState() { ResetAllRecordsForTest(); }

// A program file with the 22-entry placeholder archive appended, made once per test process.
// Start-up reads its assets from it, so every run of RunProduction needs it in the platform's
// executableImage: tests that run it install this image, as StartupTest does.
inline const std::vector<uint8_t>& PlaceholderProgramImage() {
    static const std::vector<uint8_t> image = [] {
        std::vector<uint8_t> bytes(4096, 0x90);  // stands for the program's code
        const std::vector<uint8_t> archive = MakePlaceholderArchive();
        bytes.insert(bytes.end(), archive.begin(), archive.end());
        return bytes;
    }();
    return image;
}

// Parses a command line given as words after the program path.
inline CommandLineResult ParseWords(std::vector<std::string> words,
                                    const char* programPath = "/usr/games/QX_Marrowtide") {
    std::vector<const char*> argv{programPath};
    for (const std::string& w : words) argv.push_back(w.c_str());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

inline InputEvent KeyUp(KeyCode key) {
    InputEvent e;
    e.kind = InputEvent::Kind::KeyUp;
    e.key = key;
    return e;
}
inline InputEvent KeyDown(KeyCode key, bool alt = false) {
    InputEvent e;
    e.kind = InputEvent::Kind::KeyDown;
    e.key = key;
    e.alt = alt;
    return e;
}
inline InputEvent Button(InputEvent::Kind kind, MouseButton button) {
    InputEvent e;
    e.kind = kind;
    e.button = button;
    return e;
}
inline InputEvent CloseRequest() {
    InputEvent e;
    e.kind = InputEvent::Kind::CloseRequest;
    return e;
}

class HostTest : public ::testing::Test {
protected:
    VirtualPlatform platform;
    void SetUp() override {
        ResetHostState();
        UsePlatform(&platform);
        InstallFakeSoundModule(platform);
    }
    void TearDown() override { UsePlatform(nullptr); }

    // `ms` more of the virtual clock, then the tick callbacks due by then.
    void Ticks(uint32_t ms) {
        platform.clock += ms;
        DispatchTicks();
    }
    // For each step in turn: its ms of Ticks, then read() must give its value.
    template <typename Read>
    void ExpectAfterTicks(
        Read read, std::initializer_list<std::pair<uint32_t, std::invoke_result_t<Read>>> steps) {
        uint32_t step = 0;
        for (const auto& [ms, value] : steps) {
            Ticks(ms);
            EXPECT_EQ(read(), value) << "step " << step++ << ", after " << ms << " more ms";
        }
    }

    // The platform as the built program runs on it: programFile (its archive appended) as its
    // own file, the built sound module, no call log, every present handed to hook with context.
    // False when the program file cannot be read.
    bool UseBuiltProgram(const char* programFile, decltype(VirtualPlatform::presentHook) hook,
                         void* context) {
        if (!ReadWholeFile(programFile, platform.executableImage)) return false;
        platform.useSystemLibraries = true;
        platform.recordCalls = false;
        platform.presentHook = hook;
        platform.presentHookContext = context;
        return true;
    }
};

}  // namespace qx::test
