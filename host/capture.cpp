#include "host/capture.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <numeric>
#include <string_view>

#include "base/error_code.h"
#include "base/picture.h"
#include "display/framebuffer.h"
#include "host/command_line.h"
#include "host/frame_loop.h"
#include "music/music_binding.h"
#include "music/scene_sequencer.h"
#include "platform/platform.h"
#include "platform/posix_system.h"
#include "scenes/scene_table.h"

namespace qx {

// The pictures go to ffmpeg as bgr0 and the sound as s16le straight from memory, and the WAV
// holds the samples as rendered: all of that reads the bytes of a little-endian machine.
static_assert(std::endian::native == std::endian::little);

CaptureState captureState;

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kEncoderProgram[] = "ffmpeg";
constexpr size_t kFileBufferBytes = size_t{1} << 16;            // stdio buffer of the sound file
constexpr size_t kSoundReserveFrames = 4 * kCaptureSampleRate;  // backlog room before growing
constexpr size_t kBacklogCompactBytes = size_t{1} << 20;        // sent bytes dropped from the front
constexpr auto kProgressInterval = std::chrono::milliseconds(250);
constexpr uint32_t kRowsPerOrder = 64;  // the soundtrack's constant pattern length

constexpr uint32_t kPlanePixels = kPicturePixels;
constexpr size_t kPictureBytes = size_t{kPlanePixels} * sizeof(uint32_t);  // as ffmpeg takes it
constexpr char kFrameMarker[] = "FRAME\n";
constexpr size_t kFrameMarkerBytes = sizeof kFrameMarker - 1;

// The cause of a failure, kept for the one-line report after the run.
std::string failureCause;

bool Fail(uint32_t code, std::string cause) {
    failureCause = std::move(cause);
    return SetErrorCode(code, failureCause.c_str());
}

bool FailWrite(const std::string& name, int error) {
    return Fail(kErrorCaptureWrite,
                "the capture could not be written to " + name + ": " + std::strerror(error));
}

void PutLittle(uint8_t* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Share of the recording made: how far the music is from the start position (0 without one) to
// the end of the scene table, or through the frame limit when that comes first.
double ShowFraction() {
    const auto linear = [](uint32_t position) {
        return double(position >> 8) * kRowsPerOrder + double(position & 0xFF);
    };
    const double first = linear(launchOptions.startPosition);
    const double last = linear(ProductionSceneTable()[kSceneRowCount - 1].endPosition);
    const double reached = linear(sequencerState.lastPassPosition) - first;
    double fraction = last > first ? std::clamp(reached / (last - first), 0.0, 1.0) : 1.0;
    if (launchOptions.frameLimit != 0)
        fraction =
            std::max(fraction, double(captureState.framesWritten) / launchOptions.frameLimit);
    return fraction;
}

// One line, rewritten in place: percent of the recording, frames, speed against real time, time
// left.
void ShowProgress(bool last) {
    const Clock::time_point now = Clock::now();
    if (!last && now - captureState.lastProgress < kProgressInterval) return;
    captureState.lastProgress = now;
    const double wall = std::chrono::duration<double>(now - captureState.started).count();
    const double shown = double(captureState.framesWritten) / launchOptions.framesPerSecond;
    const double fraction = last ? 1.0 : ShowFraction();
    const double speed = wall > 0 ? shown / wall : 0;
    const double left = fraction > 0 ? wall * (1 - fraction) / fraction : 0;
    std::fprintf(stderr, "\rcapture: %3.0f%%  %llu frames  %.1fx real time  %.0f s left ",
                 fraction * 100, static_cast<unsigned long long>(captureState.framesWritten), speed,
                 left);
    if (last) std::fputc('\n', stderr);
    std::fflush(stderr);
    captureState.progressShown = !last;
}

// Ends an unfinished progress line, so that a report starts on a line of its own.
void EndProgressLine() {
    if (!captureState.progressShown) return;
    std::fputc('\n', stderr);
    captureState.progressShown = false;
}

// The sound module's sink: frames rendered since the last pass, kept until the pass writes them.
void KeepSound(const int16_t* samples, uint32_t frames, void*) {
    captureState.sound.insert(captureState.sound.end(), samples,
                              samples + size_t{frames} * kCaptureChannels);
}

// Unbuffered for writes of whole pictures, which a stdio buffer would only copy once more.
std::FILE* OpenOutput(const std::string& partial, const std::string& shownName, bool buffered) {
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (file == nullptr) {
        FailWrite(shownName, errno);
        return nullptr;
    }
    std::setvbuf(file, nullptr, buffered ? _IOFBF : _IONBF, buffered ? kFileBufferBytes : 0);
    return file;
}

void CloseQuietly(std::FILE*& file) {
    if (file != nullptr) std::fclose(file);
    file = nullptr;
}

// The extension is the last '.' after the last '/', not at the start of the file's name.
size_t ExtensionStart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of('.');
    return dot != std::string::npos && dot > nameStart ? dot : path.size();
}

// Removes every partial file and closes everything; the capture is over.
void Abandon() {
    CaptureState& capture = captureState;
    CloseQuietly(capture.video);
    CloseQuietly(capture.wav);
    AbandonChildProcess(capture.encoder);
    if (!capture.partialName.empty()) std::remove(capture.partialName.c_str());
    if (!capture.partialWavName.empty()) std::remove(capture.partialWavName.c_str());
    capture.recording = false;
    EndProgressLine();
}

bool StartWriters() {
    CaptureState& capture = captureState;
    capture.video = OpenOutput(capture.partialName, capture.finalName, false);
    if (capture.video == nullptr) return false;
    capture.wav = OpenOutput(capture.partialWavName, capture.finalWavName, true);
    if (capture.wav == nullptr) return false;
    const std::string header = Y4mHeader(launchOptions.framesPerSecond, launchOptions.squarePixels);
    const std::array<uint8_t, kWavHeaderBytes> wavHeader = WavHeader(0);  // sizes come at the end
    if (std::fwrite(header.data(), 1, header.size(), capture.video) != header.size())
        return FailWrite(capture.finalName, errno);
    if (std::fwrite(wavHeader.data(), 1, wavHeader.size(), capture.wav) != wavHeader.size())
        return FailWrite(capture.finalWavName, errno);
    capture.planes.resize(kFrameMarkerBytes + size_t{3} * kPlanePixels);
    std::memcpy(capture.planes.data(), kFrameMarker, kFrameMarkerBytes);
    return true;
}

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

// One write per picture: the frame marker and the three planes.
bool WriteY4mPicture(const uint32_t* pixels) {
    CaptureState& capture = captureState;
    uint8_t* y = capture.planes.data() + kFrameMarkerBytes;
    ConvertToYuv444(pixels, kPlanePixels, y, y + kPlanePixels, y + 2 * kPlanePixels);
    if (std::fwrite(capture.planes.data(), 1, capture.planes.size(), capture.video) !=
        capture.planes.size())
        return FailWrite(capture.finalName, errno);
    return true;
}

bool WriteWavSound() {
    CaptureState& capture = captureState;
    const size_t samples = capture.sound.size();
    if (std::fwrite(capture.sound.data(), sizeof(int16_t), samples, capture.wav) != samples)
        return FailWrite(capture.finalWavName, errno);
    capture.soundFramesWritten += samples / kCaptureChannels;
    capture.sound.clear();
    return true;
}

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

bool QueuePicture(const uint32_t* pixels) {
    CaptureState& capture = captureState;
    const uint32_t slot = (capture.firstPicture + capture.queuedPictures) % kEncoderQueuePictures;
    std::copy_n(pixels, kPlanePixels, &capture.pictureQueue[size_t{slot} * kPlanePixels]);
    ++capture.queuedPictures;
    return FeedEncoder(false, false);
}

bool CompleteWriters() {
    CaptureState& capture = captureState;
    if (capture.soundFramesWritten > (UINT32_MAX - kWavHeaderBytes) / kCaptureBytesPerFrame)
        return Fail(kErrorCaptureWrite,
                    "the capture's sound is too long for " + capture.finalWavName);
    const std::array<uint8_t, kWavHeaderBytes> header =
        WavHeader(static_cast<uint32_t>(capture.soundFramesWritten));
    if (std::fseek(capture.wav, 0, SEEK_SET) != 0 ||
        std::fwrite(header.data(), 1, header.size(), capture.wav) != header.size())
        return FailWrite(capture.finalWavName, errno);
    std::FILE* video = capture.video;
    std::FILE* wav = capture.wav;
    capture.video = capture.wav = nullptr;
    const bool videoClosed = std::fclose(video) == 0;
    const int videoError = errno;
    if (std::fclose(wav) != 0) return FailWrite(capture.finalWavName, errno);
    if (!videoClosed) return FailWrite(capture.finalName, videoError);
    if (std::rename(capture.partialWavName.c_str(), capture.finalWavName.c_str()) != 0)
        return FailWrite(capture.finalWavName, errno);
    return true;
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

}  // namespace

YuvPixel RgbToYuv601(uint32_t pixel) {
    const int32_t r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    return {static_cast<uint8_t>(16 + ((66 * r + 129 * g + 25 * b + 128) >> 8)),
            static_cast<uint8_t>(128 + ((-38 * r - 74 * g + 112 * b + 128) >> 8)),
            static_cast<uint8_t>(128 + ((112 * r - 94 * g - 18 * b + 128) >> 8))};
}

// The same arithmetic as RgbToYuv601, plane by plane, on locals, so that it vectorises.
void ConvertToYuv444(const uint32_t* pixels, size_t count, uint8_t* y, uint8_t* u, uint8_t* v) {
    for (size_t i = 0; i < count; ++i) {
        const uint32_t pixel = pixels[i];
        const int32_t r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
        y[i] = static_cast<uint8_t>(16 + ((66 * r + 129 * g + 25 * b + 128) >> 8));
        u[i] = static_cast<uint8_t>(128 + ((-38 * r - 74 * g + 112 * b + 128) >> 8));
        v[i] = static_cast<uint8_t>(128 + ((112 * r - 94 * g - 18 * b + 128) >> 8));
    }
}

std::string Y4mHeader(uint32_t framesPerSecond, bool squarePixels) {
    // 4:3 display: a pixel is (4 / 3) / (width / height) as wide as it is tall, 5:6 at 320x200.
    uint32_t aspectX = 1, aspectY = 1;
    if (!squarePixels) {
        aspectX = 4 * kPictureHeight;
        aspectY = 3 * kPictureWidth;
        const uint32_t divisor = std::gcd(aspectX, aspectY);
        aspectX /= divisor;
        aspectY /= divisor;
    }
    return "YUV4MPEG2 W" + std::to_string(kPictureWidth) + " H" + std::to_string(kPictureHeight) +
           " F" + std::to_string(framesPerSecond) + ":1 Ip A" + std::to_string(aspectX) + ":" +
           std::to_string(aspectY) + " C444 XCOLORRANGE=LIMITED\n";
}

std::array<uint8_t, kWavHeaderBytes> WavHeader(uint32_t frames) {
    const uint32_t dataBytes = frames * kCaptureBytesPerFrame;
    std::array<uint8_t, kWavHeaderBytes> header{};
    uint8_t* out = header.data();
    std::memcpy(out, "RIFF", 4);
    PutLittle(out + 4, 36 + dataBytes, 4);  // everything after this field
    std::memcpy(out + 8, "WAVEfmt ", 8);
    PutLittle(out + 16, 16, 4);  // fmt chunk size
    PutLittle(out + 20, 1, 2);   // PCM
    PutLittle(out + 22, kCaptureChannels, 2);
    PutLittle(out + 24, kCaptureSampleRate, 4);
    PutLittle(out + 28, kCaptureSampleRate * kCaptureBytesPerFrame, 4);  // bytes per second
    PutLittle(out + 32, kCaptureBytesPerFrame, 2);                       // block alignment
    PutLittle(out + 34, 16, 2);                                          // bits per sample
    std::memcpy(out + 36, "data", 4);
    PutLittle(out + 40, dataBytes, 4);
    return header;
}

namespace {

// Whether the path ends with `extension` (".y4m"), in any case.
bool HasExtension(const std::string& path, std::string_view extension) {
    if (path.size() < extension.size()) return false;
    return std::equal(
        extension.begin(), extension.end(), path.end() - extension.size(),
        [](char e, char c) { return e == (c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c); });
}

}  // namespace

bool IsY4mName(const std::string& path) { return HasExtension(path, ".y4m"); }

std::string PartialName(const std::string& path) {
    const size_t dot = ExtensionStart(path);
    return path.substr(0, dot) + ".partial" + path.substr(dot);
}

std::string WavNameBeside(const std::string& y4mPath) {
    return y4mPath.substr(0, ExtensionStart(y4mPath)) + ".wav";
}

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
        "pipe:0",
        // sound on descriptor 3
        "-probesize", "32", "-f", "s16le", "-ar", text(kCaptureSampleRate), "-ac",
        text(kCaptureChannels), "-i", "pipe:3", "-map", "0:v:0", "-map", "1:a:0", "-vf", filter,
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

bool StartCapture() {
    captureState = {};
    CaptureState& capture = captureState;
    capture.finalName = launchOptions.captureFile;
    capture.partialName = PartialName(capture.finalName);
    capture.encoding = !IsY4mName(capture.finalName);
    if (!capture.encoding) {
        capture.finalWavName = WavNameBeside(capture.finalName);
        capture.partialWavName = PartialName(capture.finalWavName);
    }
    capture.sound.reserve(kSoundReserveFrames * kCaptureChannels);
    if (!(capture.encoding ? StartEncoder() : StartWriters())) {
        Abandon();
        return false;
    }
    SetMusicSampleSink(KeepSound, nullptr);
    capture.recording = true;
    capture.showProgress = posix::StandardErrorIsTerminal();
    capture.started = Clock::now();
    return true;
}

bool NoteCapturePass() {
    CaptureState& capture = captureState;
    if (!capture.recording) return false;
    const uint32_t* pixels = framebufferState.lastShown;
    if (pixels == nullptr || framebufferState.width != kPictureWidth ||
        framebufferState.shownHeight != kPictureHeight)
        return true;  // nothing was shown
    // The recording's sound starts with its first picture: what the passes before a start
    // position rendered is not part of it.
    if (capture.framesWritten == 0) capture.sound.clear();
    if (!(capture.encoding ? QueuePicture(pixels) : WriteY4mPicture(pixels) && WriteWavSound())) {
        capture.failed = true;
        Abandon();
        return false;
    }
    ++capture.framesWritten;
    if (capture.showProgress) ShowProgress(false);
    return true;
}

void CompleteCaptureSound() {
    if (!captureState.recording || launchOptions.framesPerSecond == 0) return;
    Platform& platform = ThePlatform();
    // Every pass since the pacing began (after a start position's pre-roll or a loop's restart,
    // those included) has been given 1000 / fps ms.
    const uint32_t end = loopState.paceStart + static_cast<uint32_t>(loopState.pacedPasses * 1000u /
                                                                     launchOptions.framesPerSecond);
    const int32_t ahead = static_cast<int32_t>(end - platform.Milliseconds());
    if (ahead > 0) platform.Sleep(static_cast<uint32_t>(ahead));
    MusicPosition();  // the module renders up to now
}

bool FinishCapture() {
    CaptureState& capture = captureState;
    if (capture.failed) return true;  // abandoned during the run, which reported it as it ended
    if (!capture.recording) return true;
    if (errorState.errorCode != kErrorNone) {  // the run failed and has been reported
        Abandon();
        return true;
    }
    bool ok = capture.encoding ? CompleteEncoder() : WriteWavSound() && CompleteWriters();
    if (ok && std::rename(capture.partialName.c_str(), capture.finalName.c_str()) != 0)
        ok = FailWrite(capture.finalName, errno);
    if (!ok) {
        capture.failed = true;
        Abandon();
        return false;
    }
    capture.recording = false;
    if (capture.showProgress) ShowProgress(true);
    return true;
}

}  // namespace qx
