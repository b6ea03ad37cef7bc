// Entry point: parse the command line, pick the desktop or the offline platform, play, and write
// the capture, the storyboard files, the timing report, the row digests and the start-up times a
// run was asked for. A run ended by SIGINT or SIGTERM shuts down as after Escape and exits with 128
// + the signal's number.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/error_code.h"
#include "display/framebuffer.h"
#include "host/capture.h"
#include "host/command_line.h"
#include "host/flash_report.h"
#include "host/frame_loop.h"
#include "host/startup.h"
#include "host/startup_times.h"
#include "host/storyboard.h"
#include "host/timing_report.h"
#include "host/viewer_controls.h"
#include "platform/offline_platform.h"
#include "platform/os_services.h"
#include "platform/png_file.h"
#include "platform/sdl_platform.h"
#include "platform/termination_signals.h"

namespace {

// Fails with error 10, the cause naming the file and what went wrong.
bool WriteStoryboard(const std::string& path, const qx::RgbImage& image) {
    std::string failure;
    if (qx::WritePng(path.c_str(), image, failure)) return true;
    static std::string cause;  // outlives the report
    cause = "the storyboard could not be written to " + path + ": " + failure;
    return qx::SetErrorCode(qx::kErrorStoryboard, cause.c_str());
}

// F12's picture: 0x00RRGGBB pixels as an RGB PNG file.
bool WritePicture(const char* path, const uint32_t* pixels, uint32_t width, uint32_t height,
                  std::string& failure) {
    return qx::WritePng(
        path, qx::ImageOfPixels(pixels, static_cast<int>(width), static_cast<int>(height)),
        failure);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qx;
    NoteMainEntered();
    os::ReachStartingConsole();
    argv = os::ArgumentsAsUtf8(argc, argv);
    switch (ParseCommandLine(argc, argv)) {
        case CommandLineResult::Help:
            PrintUsage(stdout);
            return 0;
        case CommandLineResult::UsageError:
            return kExitUsage;
        case CommandLineResult::Run:
            break;
    }
    os::InstallTerminationHandlers();
    viewerState.writePicture = WritePicture;
    // --storyboard, --storyboard-half, --row-digests, --bench and --capture have set headless too.
    static OfflinePlatform offline;
    if (launchOptions.headless) {
        UsePlatform(&offline);
    } else {
        UsePlatform(&SdlPlatformInstance());
    }
    const std::string& fullFile = launchOptions.storyboardFile;
    const std::string& halfFile = launchOptions.storyboardHalfFile;
    const bool storyboardFiles = !fullFile.empty() || !halfFile.empty();
    if (storyboardFiles || launchOptions.printRowDigests) StartStoryboard();
    if (launchOptions.printTimingReport) StartTimingReport();
    if (launchOptions.printFlashReport) StartFlashReport();
    framebufferState.digestEnabled = launchOptions.printDigest;
    const bool capturing = !launchOptions.captureFile.empty();
    if (capturing && !StartCapture()) {
        ReportError();
        ExitWithErrorCode();
    }
    RunProduction();
    if (capturing && !FinishCapture()) ReportError();
    // A run cut short by a signal leaves no storyboard or report behind.
    const bool signalled = os::TerminationSignal() != 0;
    if (storyboardFiles && errorState.errorCode == kErrorNone && !signalled) {
        const RgbImage board = ComposeRecordedStoryboard();
        if (!(fullFile.empty() || WriteStoryboard(fullFile, board)) ||
            !(halfFile.empty() || WriteStoryboard(halfFile, HalveImage(board))))
            ReportError();
    }
    if (launchOptions.printTimingReport && errorState.errorCode == kErrorNone && !signalled)
        PrintTimingReport(stdout, loopState.passCount);
    if (launchOptions.printRowDigests && errorState.errorCode == kErrorNone && !signalled)
        PrintRowDigests(stdout);
    if (launchOptions.printStartupTimes && errorState.errorCode == kErrorNone && !signalled)
        PrintStartupTimes(stdout);
    if (launchOptions.printDigest)
        std::printf("%016llx %llu frames\n",
                    static_cast<unsigned long long>(framebufferState.digest),
                    static_cast<unsigned long long>(loopState.passCount));
    if (signalled && errorState.errorCode == kErrorNone)
        ExitAfterSignal(os::TerminationSignal());
    if (launchOptions.printFlashReport && errorState.errorCode == kErrorNone &&
        !PrintFlashReport(stdout)) {
        std::fflush(stdout);
        std::exit(kExitFlashes);
    }
    ExitWithErrorCode();
}
