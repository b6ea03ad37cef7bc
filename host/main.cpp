// Entry point: parse the command line, pick the desktop or the offline platform, play.
#include <cstdio>

#include "display/framebuffer.h"
#include "host/command_line.h"
#include "host/error_code.h"
#include "host/frame_loop.h"
#include "host/startup.h"
#include "platform/sdl_platform.h"
#include "platform/virtual_platform.h"

int main(int argc, char** argv) {
    using namespace qx;
    switch (ParseCommandLine(argc, argv)) {
        case CommandLineResult::Help:
            PrintUsage(stdout);
            return 0;
        case CommandLineResult::UsageError:
            return kExitUsage;
        case CommandLineResult::Run:
            break;
    }
    static VirtualPlatform offline;
    if (launchOptions.headless) {
        offline.useSystemFiles = true;
        offline.useSystemLibraries = true;
        offline.recordCalls = false;
        UsePlatform(&offline);
    } else {
        UsePlatform(&SdlPlatformInstance());
    }
    framebufferState.digestEnabled = launchOptions.printDigest;
    RunProduction();
    if (launchOptions.printDigest)
        std::printf("%016llx %llu frames\n", static_cast<unsigned long long>(framebufferState.digest),
                    static_cast<unsigned long long>(loopState.passCount));
    ExitWithErrorCode();
}
