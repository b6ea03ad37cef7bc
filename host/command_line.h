// The command line: six short options ("/name", a '-' standing for '/') matched by prefix over
// the words after the program path, and long options ("--name" or "--name value"), which are
// taken out of the words before the short options are matched, so that no long option can ever
// read as a short one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace qx {

struct LaunchOptions {
    uint32_t framesPerSecond = 60;  // pacing of the frame loop; 0 = unpaced
    bool squarePixels = false;      // show 1:1 pixels instead of the 4:3 shape
    bool headless = false;          // offline run: virtual clock, no window, no sound device
    uint32_t frameLimit = 0;        // end after this many frames; 0 = no limit
    bool printDigest = false;       // print a digest of every picture shown, at the end
    // PNG files for the storyboard of the offline run, full and half size; empty: not asked for.
    // Either implies headless.
    std::string storyboardFile;
    std::string storyboardHalfFile;
    bool printTimingReport = false;  // time every scene's frames; implies headless
    // Print the digest of every scene table row's storyboard frame at the end; implies headless.
    bool printRowDigests = false;
    std::string captureFile;    // video (and sound) of the offline run; implies headless
    uint32_t captureWidth = 0;  // size of an encoded capture; 0: the default for the shape
    uint32_t captureHeight = 0;
    // Music position (order x 256 + row) from which the show is shown; everything before it is
    // played offline and silently first. 0: from the beginning.
    uint32_t startPosition = 0;
    bool loop = false;  // at the end the show starts again from program start
    // End after the first frame and print how long each start-up step took (host/startup_times.h).
    bool printStartupTimes = false;
    // Analyse every picture shown for flashes and print the seconds over the threshold at the
    // end (host/flash_report.h); implies headless.
    bool printFlashReport = false;
    // The show with its flashes and flicker brought under the photosensitivity threshold.
    bool reduceFlashing = false;
    // Build the whole seek index offline and hand every entry to the platform (the browser's
    // worker posts them to the page's program), printing a line for each; implies headless.
    bool publishSeekIndex = false;
};
extern LaunchOptions launchOptions;

enum class CommandLineResult { Run, Help, UsageError };

// Splits the arguments after the program path into option words, takes out the long options and
// their values into launchOptions. On a usage error it prints one line naming the problem and
// the usage on standard error.
CommandLineResult ParseCommandLine(int argc, const char* const* argv);

void PrintUsage(std::FILE* stream);

// Whether some option word starts with `option`, a '-' in the word reading as '/'. Words are
// visited from the last to the first; matching is case-sensitive.
bool OptionPresent(const char* option);

// Start-up step 1: the six options, tested in their fixed order, into hostSettings.
void ReadOptions();

}  // namespace qx
