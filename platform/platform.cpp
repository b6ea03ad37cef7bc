#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>

namespace qx {

namespace {
Platform* activePlatform = nullptr;
}

Platform& ThePlatform() {
    // Every program installs its platform before anything asks for one; asking earlier is a
    // fault of the program, stopped here in every build rather than served by a stand-in.
    if (activePlatform == nullptr) {
        std::fputs("qx: the platform was asked for before one was installed (UsePlatform)\n",
                   stderr);
        std::abort();
    }
    return *activePlatform;
}

void UsePlatform(Platform* platform) { activePlatform = platform; }

}  // namespace qx
