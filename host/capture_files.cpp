// The capture's y4m and WAV writers: YUV conversion, the two headers, the files' writes.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <numeric>

#include "base/error_code.h"
#include "base/picture.h"
#include "host/capture.h"
#include "host/capture_parts.h"
#include "host/command_line.h"
#include "platform/os_services.h"

namespace qx {
namespace {

constexpr size_t kFileBufferBytes = size_t{1} << 16;  // stdio buffer of the sound file
constexpr char kFrameMarker[] = "FRAME\n";
constexpr size_t kFrameMarkerBytes = sizeof kFrameMarker - 1;

void PutLittle(uint8_t* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

namespace capture_parts {

// Unbuffered for writes of whole pictures, which a stdio buffer would only copy once more.
std::FILE* OpenOutput(const std::string& partial, const std::string& shownName, bool buffered) {
    std::FILE* file = os::OpenStandardFile(partial.c_str(), "wb");
    if (file == nullptr) {
        FailWrite(shownName, errno);
        return nullptr;
    }
    std::setvbuf(file, nullptr, buffered ? _IOFBF : _IONBF, buffered ? kFileBufferBytes : 0);
    return file;
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
    if (!os::RenameFile(capture.partialWavName.c_str(), capture.finalWavName.c_str()))
        return FailWrite(capture.finalWavName, errno);
    return true;
}

}  // namespace capture_parts

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

}  // namespace qx
