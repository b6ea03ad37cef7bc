#include "host/command_line.h"

#include <charconv>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/host_settings.h"
#include "scenes/scene_table.h"

namespace qx {

LaunchOptions launchOptions;

namespace {

// The words the short options are matched against: arguments split at spaces (runs of spaces
// separate like one), without the program path and without long options. Filled once before
// start-up.
std::vector<std::string> optionWords;

bool ParseNumber(std::string_view text, uint32_t maximum, uint32_t& out) {
    uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value > maximum) return false;
    out = value;
    return true;
}

// "WxH", both even and within the sizes a video encoder takes.
bool ParseSize(std::string_view text, uint32_t& width, uint32_t& height) {
    constexpr uint32_t kSmallest = 16, kLargest = 8192;
    const size_t x = text.find('x');
    uint32_t w = 0, h = 0;
    if (x == std::string_view::npos || !ParseNumber(text.substr(0, x), kLargest, w) ||
        !ParseNumber(text.substr(x + 1), kLargest, h) || w < kSmallest || h < kSmallest ||
        w % 2 != 0 || h % 2 != 0)
        return false;
    width = w;
    height = h;
    return true;
}

// A '.' in the file's name, after its first character: the extension chooses the format.
bool HasExtension(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    const size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of('.');
    return dot != std::string_view::npos && dot > nameStart && dot + 1 < path.size();
}

// "ORDER[:ROW]", each decimal or 0x-prefixed hexadecimal, ORDER and ROW 0 to 255, as the
// music position ORDER x 256 + ROW, which must lie before the end of the scene table.
bool ParseStartPosition(std::string_view text, uint32_t& out) {
    const auto part = [](std::string_view digits, uint32_t& value) {
        int base = 10;
        if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
            digits.remove_prefix(2);
            base = 16;
        }
        auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
        return error == std::errc{} && end == digits.data() + digits.size() && value <= 0xFF;
    };
    const size_t colon = text.find(':');
    uint32_t order = 0, row = 0;
    if (!part(text.substr(0, colon), order)) return false;
    if (colon != std::string_view::npos && !part(text.substr(colon + 1), row)) return false;
    const uint32_t position = order * 256 + row;
    if (position >= ProductionSceneTable()[kSceneRowCount - 1].endPosition) return false;
    out = position;
    return true;
}

CommandLineResult UsageError(const char* what, std::string_view word) {
    std::fprintf(stderr, "QX_Marrowtide: %s: %.*s\n", what, static_cast<int>(word.size()),
                 word.data());
    PrintUsage(stderr);
    return CommandLineResult::UsageError;
}

void AddWords(std::string_view argument) {
    size_t start = 0;
    while (start < argument.size()) {
        size_t end = argument.find(' ', start);
        if (end == std::string_view::npos) end = argument.size();
        if (end > start) optionWords.emplace_back(argument.substr(start, end - start));
        start = end + 1;
    }
}

}  // namespace

void PrintUsage(std::FILE* stream) {
    std::fputs(
        "usage: QX_Marrowtide [options]\n"
        "  /w               play in a window (a '-' may stand for '/')\n"
        "  /15 /16 /24 /32  full screen at that colour depth (default: the deepest)\n"
        "  /debug           show frame rate, timer and music position\n"
        "  --fps N          pace the picture at N frames per second (default 60, 0 = unpaced)\n"
        "  --square-pixels  show 1:1 pixels instead of the 4:3 shape\n"
        "  --headless       play offline: no window, no sound device, virtual clock\n"
        "  --frames N       end after N frames\n"
        "  --digest         print a digest of all pictures shown (same build and options:\n"
        "                   same digest)\n"
        "  --storyboard FILE\n"
        "                   play offline (as --headless) and write one frame of every scene\n"
        "                   row as a PNG grid with the rows' names at the end\n"
        "  --storyboard-half FILE\n"
        "                   the same storyboard at half size\n"
        "  --row-digests    play offline (as --headless) and print for every scene row\n"
        "                   'NN name DIGEST', the digest of its storyboard frame\n"
        "  --bench          play offline (as --headless) and print how long every scene's\n"
        "                   frames took and how fast the whole show ran\n"
        "  --capture FILE   play offline (as --headless) and record every frame and the sound:\n"
        "                   FILE.y4m (320x200 4:4:4 pictures) and FILE.wav beside it, or any\n"
        "                   other video name (.mp4, .mkv, .webm, ...) encoded by ffmpeg\n"
        "  --capture-size WxH\n"
        "                   size of an encoded capture (default 1440x1080, square pixels\n"
        "                   1600x1000); the picture keeps its shape, black bars fill the rest\n"
        "  --start ORDER[:ROW]\n"
        "                   show from that music position (decimal or 0x hex, e.g. 29:48),\n"
        "                   everything before it played silently first\n"
        "  --reduce-flashing\n"
        "                   the same show with its flashes and flicker made softer and slower,\n"
        "                   under the photosensitivity threshold (WCAG 2.3.1)\n"
        "  --flash-report   play offline (as --headless) and print every second that flashes\n"
        "                   more than three times over a quarter of a 10-degree field (WCAG\n"
        "                   2.3.1's general and red flash rules; luminance averaged over 8 x 8\n"
        "                   pixel blocks, so grain, dim bands and scratches are not flashes),\n"
        "                   then a summary; exit 13 when some second is over\n"
        "  --loop           start again from the beginning at the end (offline: needs --frames)\n"
        "  --seek-index     play offline (as --headless) and build the index of snapshots that\n"
        "                   jumps start from, printing a line for each (the browser builds its\n"
        "                   index so, in a second program)\n"
        "  --startup-times  end after the first frame and print how long each start-up step\n"
        "                   took, in milliseconds\n"
        "  --help           show this text\n"
        "Escape, a right click or closing the window ends the show; Alt+Enter or F11 toggles\n"
        "full screen. While playing: Space pauses and plays on; Right / Left go to the next /\n"
        "previous scene row (Left within a row's first second: the row before); Page Down /\n"
        "Page Up one music order on / back; Home to the beginning; '.' one frame on while\n"
        "paused; F12 saves the picture as marrowtide-ORDER-ROW-FRAME.png here; D the debug\n"
        "overlay on / off.\n"
        "Exit codes: 0 normal end; 1 no display; 2 full screen could not be entered; 3 tick\n"
        "period 0; 4 no framebuffer; 6 sound module or song; 8 song file; 9 archive missing or\n"
        "damaged; 10 storyboard could not be written; 11 capture could not be written; 12\n"
        "ffmpeg missing or failed; 13 the flash report found seconds over the threshold; 64\n"
        "unknown or malformed option.\n"
        "Ctrl+C (SIGINT) or SIGTERM ends the show as Escape does, with exit code 130 or 143.\n",
        stream);
}

CommandLineResult ParseCommandLine(int argc, const char* const* argv) {
    optionWords.clear();
    launchOptions = {};
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i] != nullptr ? argv[i] : "";
        if (word.substr(0, 2) != "--") {
            AddWords(word);
            continue;
        }
        std::string_view name = word.substr(2);
        std::string_view value;
        bool hasValue = false;
        if (const size_t equals = name.find('='); equals != std::string_view::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        const auto takeValue = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= argc || argv[i + 1] == nullptr) return false;
            value = argv[++i];
            return true;
        };
        if (name == "help" && !hasValue) {
            return CommandLineResult::Help;
        } else if (name == "square-pixels" && !hasValue) {
            launchOptions.squarePixels = true;
        } else if (name == "headless" && !hasValue) {
            launchOptions.headless = true;
        } else if (name == "digest" && !hasValue) {
            launchOptions.printDigest = true;
        } else if (name == "bench" && !hasValue) {
            launchOptions.printTimingReport = true;
            launchOptions.headless = true;
        } else if (name == "row-digests" && !hasValue) {
            launchOptions.printRowDigests = true;
            launchOptions.headless = true;
        } else if (name == "fps") {
            if (!takeValue() || !ParseNumber(value, 1000, launchOptions.framesPerSecond))
                return UsageError("--fps needs a number from 0 to 1000", value);
        } else if (name == "storyboard" || name == "storyboard-half") {
            if (!takeValue() || value.empty())
                return UsageError("--storyboard and --storyboard-half need a file name", word);
            (name == "storyboard" ? launchOptions.storyboardFile
                                  : launchOptions.storyboardHalfFile) = value;
            launchOptions.headless = true;
        } else if (name == "capture") {
            if (!takeValue() || !HasExtension(value))
                return UsageError("--capture needs a file name ending in .y4m or a video extension",
                                  value);
            launchOptions.captureFile = value;
            launchOptions.headless = true;
        } else if (name == "capture-size") {
            if (!takeValue() ||
                !ParseSize(value, launchOptions.captureWidth, launchOptions.captureHeight))
                return UsageError("--capture-size needs WIDTHxHEIGHT, even numbers from 16 to 8192",
                                  value);
        } else if (name == "start") {
            if (!takeValue() || !ParseStartPosition(value, launchOptions.startPosition))
                return UsageError(
                    "--start needs ORDER[:ROW] (decimal or 0x hex) before the end of the show",
                    value);
        } else if (name == "flash-report" && !hasValue) {
            launchOptions.printFlashReport = true;
            launchOptions.headless = true;
        } else if (name == "reduce-flashing" && !hasValue) {
            launchOptions.reduceFlashing = true;
        } else if (name == "seek-index" && !hasValue) {
            launchOptions.publishSeekIndex = true;
            launchOptions.headless = true;
        } else if (name == "loop" && !hasValue) {
            launchOptions.loop = true;
        } else if (name == "startup-times" && !hasValue) {
            launchOptions.printStartupTimes = true;
        } else if (name == "frames") {
            if (!takeValue() || !ParseNumber(value, UINT32_MAX, launchOptions.frameLimit))
                return UsageError("--frames needs a count", value);
        } else {
            return UsageError("unknown option", word);
        }
    }
    // The last start-up step is the first frame.
    if (launchOptions.printStartupTimes) launchOptions.frameLimit = 1;
    if (!launchOptions.captureFile.empty() && launchOptions.framesPerSecond == 0)
        return UsageError("--capture needs a frame rate", "--fps 0");
    if (launchOptions.printFlashReport && launchOptions.framesPerSecond == 0)
        return UsageError("--flash-report needs a frame rate", "--fps 0");
    // Offline nobody can press Escape.
    if (launchOptions.loop && launchOptions.headless && launchOptions.frameLimit == 0)
        return UsageError("--loop in the offline run needs --frames", "--loop");
    return CommandLineResult::Run;
}

bool OptionPresent(const char* option) {
    const size_t length = std::strlen(option);
    for (auto word = optionWords.rbegin(); word != optionWords.rend(); ++word) {
        if (word->size() < length) continue;
        size_t i = 0;
        while (i < length && ((*word)[i] == '-' ? '/' : (*word)[i]) == option[i]) ++i;
        if (i == length) return true;
    }
    return false;
}

void ReadOptions() {
    if (OptionPresent("/w")) {
        hostSettings.displayHeight = kWindowedHeight;
        hostSettings.depth = kDepthWindow;
    }
    if (OptionPresent("/15")) hostSettings.depth = 15;
    if (OptionPresent("/16")) hostSettings.depth = 16;
    if (OptionPresent("/24")) hostSettings.depth = 24;
    if (OptionPresent("/32")) hostSettings.depth = 32;
    if (OptionPresent("/debug")) hostSettings.debugFlag = 1;
}

}  // namespace qx
