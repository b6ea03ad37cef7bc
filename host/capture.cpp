// The capture's run side: its state, output names, start, each pass, the end and the progress line.
#include "host/capture.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "base/error_code.h"
#include "base/picture.h"
#include "display/framebuffer.h"
#include "host/capture_parts.h"
#include "host/command_line.h"
#include "host/frame_loop.h"
#include "music/music_binding.h"
#include "music/scene_sequencer.h"
#include "platform/platform.h"
#include "platform/os_services.h"
#include "scenes/scene_table.h"

namespace qx {

CaptureState captureState;

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kSoundReserveFrames = 4 * kCaptureSampleRate;  // backlog room before growing
constexpr auto kProgressInterval = std::chrono::milliseconds(250);
constexpr uint32_t kRowsPerOrder = 64;  // the soundtrack's constant pattern length

// The cause of a failure, kept for the one-line report after the run.
std::string failureCause;

}  // namespace

namespace capture_parts {

bool Fail(uint32_t code, std::string cause) {
    failureCause = std::move(cause);
    return SetErrorCode(code, failureCause.c_str());
}

bool FailWrite(const std::string& name, int error) {
    return Fail(kErrorCaptureWrite,
                "the capture could not be written to " + name + ": " + std::strerror(error));
}

bool HasExtension(const std::string& path, std::string_view extension) {
    if (path.size() < extension.size()) return false;
    return std::equal(
        extension.begin(), extension.end(), path.end() - extension.size(),
        [](char e, char c) { return e == (c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c); });
}

}  // namespace capture_parts

using capture_parts::CompleteEncoder;
using capture_parts::CompleteWriters;
using capture_parts::FailWrite;
using capture_parts::HasExtension;
using capture_parts::QueuePicture;
using capture_parts::StartEncoder;
using capture_parts::StartWriters;
using capture_parts::WriteWavSound;
using capture_parts::WriteY4mPicture;

namespace {

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
    if (!capture.partialName.empty()) os::RemoveFile(capture.partialName.c_str());
    if (!capture.partialWavName.empty()) os::RemoveFile(capture.partialWavName.c_str());
    capture.recording = false;
    EndProgressLine();
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
    capture.showProgress = os::StandardErrorIsTerminal();
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
    if (ok && !os::RenameFile(capture.partialName.c_str(), capture.finalName.c_str()))
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
