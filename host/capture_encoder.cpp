// The capture's encoder: ffmpeg's scaling and command line, the child process fed both streams.
#include <algorithm>

#include "base/error_code.h"
#include "base/picture.h"
#include "host/capture.h"
#include "host/capture_parts.h"
#include "host/command_line.h"

namespace qx {
namespace capture_parts {
namespace {

constexpr size_t kBacklogCompactBytes = size_t{1} << 20;  // sent bytes dropped from the front
constexpr size_t kPictureBytes = size_t{kPlanePixels} * sizeof(uint32_t);  // as ffmpeg takes it

// Sends the queued pictures, oldest first, and the sound backlog as far as ffmpeg takes them,
// until a picture slot is free (drainPictures: until none is queued) and, with drainSound, until
// the backlog is gone. ffmpeg reads its two inputs at its own pace (while it starts it wants a
// packet of sound before the second picture; later its encoder may run pictures ahead of the
// sound), so it waits only when neither input with bytes left can take any.
bool FeedEncoder(bool drainPictures, bool drainSound) {
    CaptureState& capture = captureState;
    std::string failure;
    for (;;) {
        const auto* soundBytes = reinterpret_cast<const uint8_t*>(capture.sound.data());
        const size_t soundSize = capture.sound.size() * sizeof(int16_t);
        ChildInputBuffer buffers[2];
        buffers[0] = {1, soundBytes + capture.sentBytes, soundSize - capture.sentBytes, 0};
        size_t count = 1;
        if (capture.queuedPictures > 0) {
            const auto* picture = reinterpret_cast<const uint8_t*>(
                &capture.pictureQueue[size_t{capture.firstPicture} * kPlanePixels]);
            buffers[count++] = {0, picture + capture.firstPictureSent,
                                kPictureBytes - capture.firstPictureSent, 0};
        }
        if (!WriteChildInputs(capture.encoder, std::span(buffers, count), failure)) break;
        capture.sentBytes += buffers[0].written;
        capture.soundFramesWritten += buffers[0].written / kCaptureBytesPerFrame;
        if (count > 1) {
            capture.firstPictureSent += buffers[1].written;
            if (capture.firstPictureSent == kPictureBytes) {
                capture.firstPicture = (capture.firstPicture + 1) % kEncoderQueuePictures;
                --capture.queuedPictures;
                capture.firstPictureSent = 0;
            }
        }
        const bool picturesDone = drainPictures ? capture.queuedPictures == 0
                                                : capture.queuedPictures < kEncoderQueuePictures;
        const bool soundDone = !drainSound || capture.sentBytes == soundSize;
        if (picturesDone && soundDone) {
            if (capture.sentBytes == soundSize) {
                capture.sound.clear();
                capture.sentBytes = 0;
            } else if (capture.sentBytes >= kBacklogCompactBytes) {
                const size_t sentSamples = capture.sentBytes / sizeof(int16_t);
                capture.sound.erase(capture.sound.begin(), capture.sound.begin() + sentSamples);
                capture.sentBytes -= sentSamples * sizeof(int16_t);
            }
            return true;
        }
        const bool moved = buffers[0].written > 0 || (count > 1 && buffers[1].written > 0);
        if (!moved && !WaitForChildInputs(capture.encoder, std::span(buffers, count), failure))
            break;
    }
    // ffmpeg has stopped reading: how it ended and what it said is the better cause.
    FinishChildProcess(capture.encoder, failure);
    return Fail(kErrorCaptureEncoder,
                "ffmpeg failed writing " + capture.finalName + ": " + failure);
}

}  // namespace

bool StartEncoder() {
    CaptureState& capture = captureState;
    // ffmpeg would fail on an unwritable name too, but that is a failure to write, not to encode.
    std::FILE* probe = OpenOutput(capture.partialName, capture.finalName, false);
    if (probe == nullptr) return false;
    std::fclose(probe);
    const CaptureGeometry geometry = FitCapture(
        launchOptions.captureWidth, launchOptions.captureHeight, launchOptions.squarePixels);
    const std::vector<std::string> words =
        EncoderArguments(capture.partialName, launchOptions.framesPerSecond, geometry);
    capture.pictureQueue.resize(size_t{kEncoderQueuePictures} * kPlanePixels);
    std::vector<const char*> arguments;
    for (const std::string& word : words) arguments.push_back(word.c_str());
    arguments.push_back(nullptr);
    std::string failure;
    switch (StartChildProcess(arguments.data(), 2, capture.encoder, failure)) {
        case ChildStart::Started:
            return true;
        case ChildStart::NotFound:
            return Fail(kErrorCaptureEncoder,
                        "ffmpeg, needed to write " + capture.finalName + ", is not on PATH");
        case ChildStart::Failed:
            break;
    }
    return Fail(kErrorCaptureEncoder, "ffmpeg could not be started: " + failure);
}

bool QueuePicture(const uint32_t* pixels) {
    CaptureState& capture = captureState;
    const uint32_t slot = (capture.firstPicture + capture.queuedPictures) % kEncoderQueuePictures;
    std::copy_n(pixels, kPlanePixels, &capture.pictureQueue[size_t{slot} * kPlanePixels]);
    ++capture.queuedPictures;
    return FeedEncoder(false, false);
}

bool CompleteEncoder() {
    CaptureState& capture = captureState;
    if (!FeedEncoder(true, false)) return false;
    CloseChildInput(capture.encoder, 0);  // the video ends: ffmpeg flushes it and reads on
    if (!FeedEncoder(false, true)) return false;
    std::string failure;
    if (!FinishChildProcess(capture.encoder, failure))
        return Fail(kErrorCaptureEncoder,
                    "ffmpeg failed writing " + capture.finalName + ": " + failure);
    return true;
}

}  // namespace capture_parts

namespace {

constexpr char kEncoderProgram[] = "ffmpeg";

}  // namespace

using capture_parts::HasExtension;

CaptureGeometry FitCapture(uint32_t width, uint32_t height, bool squarePixels) {
    CaptureGeometry g;
    if (width == 0 || height == 0) {
        width = squarePixels ? kCaptureSquareWidth : kCaptureWidth;
        height = squarePixels ? kCaptureSquareHeight : kCaptureHeight;
    }
    g.outputWidth = width;
    g.outputHeight = height;
    // The picture's shape on screen: 4:3, or its own with square pixels.
    const uint64_t shapeX = squarePixels ? kPictureWidth : 4;
    const uint64_t shapeY = squarePixels ? kPictureHeight : 3;
    const auto even = [](uint64_t value) {
        return static_cast<uint32_t>(std::max<uint64_t>(2, (value + 1) & ~uint64_t{1}));
    };
    if (uint64_t{width} * shapeY >= uint64_t{height} * shapeX) {  // as tall as the output
        g.fitHeight = height;
        g.fitWidth = std::min(width, even((uint64_t{height} * shapeX + shapeY / 2) / shapeY));
    } else {
        g.fitWidth = width;
        g.fitHeight = std::min(height, even((uint64_t{width} * shapeY + shapeX / 2) / shapeX));
    }
    g.padLeft = (width - g.fitWidth) / 2 & ~1u;
    g.padTop = (height - g.fitHeight) / 2 & ~1u;
    // As the window: the smallest whole multiple reaching the fitted size, at most 8.
    g.prescaleX = SharpFactor(kPictureWidth, g.fitWidth);
    g.prescaleY = SharpFactor(kPictureHeight, g.fitHeight);
    return g;
}

std::vector<std::string> EncoderArguments(const std::string& output, uint32_t framesPerSecond,
                                          const CaptureGeometry& g) {
    const auto text = [](uint32_t value) { return std::to_string(value); };
    // In RGB: nearest neighbour, then the smooth fit, converted to BT.709 limited-range 4:2:0
    // (the matrix of HD video) and tagged so, then the black bars.
    const std::string filter =
        "scale=" + text(g.prescaleX * kPictureWidth) + ":" + text(g.prescaleY * kPictureHeight) +
        ":flags=neighbor,scale=" + text(g.fitWidth) + ":" + text(g.fitHeight) +
        ":flags=bilinear:out_color_matrix=bt709:out_range=tv,format=yuv420p,pad=" +
        text(g.outputWidth) + ":" + text(g.outputHeight) + ":" + text(g.padLeft) + ":" +
        text(g.padTop) + ":black,setsar=1";
    // Both inputs' formats are given, so nothing is probed: with the smallest probe size ffmpeg
    // starts after one packet of each instead of reading seconds of sound ahead of the pictures.
    std::vector<std::string> words = {
        kEncoderProgram, "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
        // pictures on standard input: 0x00RRGGBB words, bytes B, G, R, 0
        "-probesize", "32", "-f", "rawvideo", "-pixel_format", "bgr0", "-video_size",
        text(kPictureWidth) + "x" + text(kPictureHeight), "-framerate", text(framesPerSecond), "-i",
        ChildInputName(0),
        // sound on the second input
        "-probesize", "32", "-f", "s16le", "-ar", text(kCaptureSampleRate), "-ac",
        text(kCaptureChannels), "-i", ChildInputName(1), "-map", "0:v:0", "-map", "1:a:0", "-vf", filter,
        "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range",
        "tv", output};
    // These containers get H.264 from ffmpeg, whose default preset takes some twenty minutes for
    // the show's film grain on two cores; veryfast about eight, at much the same size.
    for (const char* extension : {".mp4", ".m4v", ".mkv", ".mov"}) {
        if (!HasExtension(output, extension)) continue;
        words.insert(words.end() - 1, {"-preset", "veryfast"});
        break;
    }
    return words;
}

}  // namespace qx
