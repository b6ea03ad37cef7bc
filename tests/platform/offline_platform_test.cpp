// The offline platform (a virtual clock moved only by sleeping, display requests that succeed
// without a display, the real files and libraries) and the rule that a platform must be
// installed before anything asks for one.
#include "platform/offline_platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

namespace qx::test {
namespace {

TEST(OfflinePlatform, ClockMovesOnlyWhenTheProgramSleepsAndWraps) {
    OfflinePlatform platform;
    EXPECT_EQ(platform.Milliseconds(), 0u);
    EXPECT_EQ(platform.Milliseconds(), 0u);  // reading takes no time
    platform.Sleep(16);
    platform.Sleep(17);
    EXPECT_EQ(platform.Milliseconds(), 33u);
    platform.Sleep(0xFFFFFFFFu - 32);
    EXPECT_EQ(platform.Milliseconds(), 0u);  // 2^32 ms: round again, like the real clock
}

int NoteMode(const ModeDescription& mode, void* context) {
    static_cast<std::vector<ModeDescription>*>(context)->push_back(mode);
    return kEnumerateContinue;
}

int StopAtFirst(const ModeDescription& mode, void* context) {
    static_cast<std::vector<ModeDescription>*>(context)->push_back(mode);
    return 0;
}

TEST(OfflinePlatform, DisplayRequestsSucceedWithoutADisplay) {
    OfflinePlatform platform;
    EXPECT_FALSE(platform.OpenFullScreenDevice());  // needs a window, as with a display
    EXPECT_FALSE(platform.SetFullScreen(true));
    EXPECT_TRUE(platform.CreateWindow({}));
    EXPECT_TRUE(platform.OpenFullScreenDevice());
    EXPECT_TRUE(platform.SetFullScreen(true));
    EXPECT_TRUE(platform.SetDisplayMode(320, 200, 32));
    EXPECT_TRUE(platform.CreatePresentSurface(320, 200));
    const uint32_t picture[4] = {};
    platform.Present(picture, 2, 2, 2);
    InputEvent event;
    EXPECT_FALSE(platform.PollEvent(event));  // nobody is there to press a key
    platform.DestroyWindow();
    EXPECT_FALSE(platform.OpenFullScreenDevice());
}

TEST(OfflinePlatform, ListsTheFourRgbDepthsAtTheAskedSize) {
    OfflinePlatform platform;
    std::vector<ModeDescription> modes;
    ASSERT_TRUE(platform.EnumerateDisplayModes(320, 224, NoteMode, &modes));
    ASSERT_EQ(modes.size(), 4u);
    const uint32_t depths[] = {15, 16, 24, 32};
    for (size_t k = 0; k < modes.size(); ++k) {
        EXPECT_EQ(modes[k].flags, kModeHasPixelFormat);
        EXPECT_EQ(modes[k].pixelFormatFlags, kPixelFormatRgb);
        EXPECT_EQ(modes[k].rgbBitCount, depths[k]);
        EXPECT_EQ(modes[k].width, 320u);
        EXPECT_EQ(modes[k].height, 224u);
    }
    modes.clear();
    ASSERT_TRUE(platform.EnumerateDisplayModes(320, 200, StopAtFirst, &modes));
    EXPECT_EQ(modes.size(), 1u);
}

TEST(OfflinePlatform, ReadsTheRealProgramFileAndLoadsLibrariesBesideIt) {
#ifdef __EMSCRIPTEN__
    GTEST_SKIP() << "the browser build's own file is the archive beside the script and its one "
                    "library the linked-in sound module (platform/web_program.cpp)";
#endif
#ifdef _WIN32
    // The test program's own path through the C runtime, a Windows executable, a DLL.
    const std::filesystem::path self = std::filesystem::canonical(_pgmptr);
    const unsigned char kMagic[] = {'M', 'Z'};
    const char* kModule = "qxsound.dll";
    const char* kNoModule = "qxnothing.dll";
#else
    const std::filesystem::path self = "/proc/self/exe";
    const unsigned char kMagic[] = {0x7F, 'E', 'L', 'F'};  // an ELF file
    const char* kModule = "libqxsound.so";
    const char* kNoModule = "libqxnothing.so";
#endif
    OfflinePlatform platform;
    const FileHandle file = platform.OpenOwnExecutable();
    ASSERT_NE(file, kNoFile);
    const auto size = static_cast<int64_t>(std::filesystem::file_size(self));
    EXPECT_EQ(platform.FileSize(file), size);
    unsigned char magic[4] = {};
    EXPECT_EQ(platform.ReadFileAt(file, 0, magic, 4), 4);
    EXPECT_EQ(std::memcmp(magic, kMagic, sizeof kMagic), 0);
    EXPECT_EQ(platform.ReadFileAt(file, static_cast<uint64_t>(size) - 2, magic, 4), 2);
    platform.CloseFile(file);

    // The test program is built beside the sound module, as the program is.
    void* library = platform.OpenLibraryBesideExecutable(kModule);
    ASSERT_NE(library, nullptr);
    EXPECT_NE(platform.FindSymbol(library, "FSOUND_Init"), nullptr);
    EXPECT_EQ(platform.FindSymbol(library, "NoSuchExport"), nullptr);
    platform.CloseLibrary(library);
    EXPECT_EQ(platform.OpenLibraryBesideExecutable(kNoModule), nullptr);
}

TEST(PlatformDeathTest, AskingBeforeOneIsInstalledStopsTheProgram) {
#if !GTEST_HAS_DEATH_TEST
    GTEST_SKIP() << "GoogleTest has no death tests here (no fork under Node)";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            UsePlatform(nullptr);
            ThePlatform();
        },
        "platform was asked for before one was installed");
#endif
}

}  // namespace
}  // namespace qx::test
