// Capture of the offline run (--capture OUT): every presented picture and the soundtrack the
// sound module renders for it, in lockstep, at the run's frame rate.
//
//   OUT.y4m  written here: a YUV4MPEG2 stream of the 320 x 200 pictures, 4:4:4, BT.601 limited
//            range, the display's pixel aspect in the header; beside it OUT.wav (the .y4m
//            replaced by .wav), 44,100 Hz 16-bit stereo PCM.
//   other    the pictures (raw bgr0) on ffmpeg's standard input and the sound (raw s16le) on its
//            descriptor 3; ffmpeg enlarges by whole multiples (nearest neighbour), fits smoothly
//            into the output size keeping the display's shape, pads with black, and encodes with
//            its defaults for the container the name's extension chooses.
//
// Sound: in the offline run the module renders floor(t x 44100 / 1000) frames by virtual time t,
// and frame k is shown at t = k x 1000 / fps ms (integer division). N pictures take the sound up
// to the end of the last one, t = N x 1000 / fps, so the sound is as long as the pictures to
// within 1 ms.
//
// Everything is written under a partial name in the output's directory ("show.partial.mp4") and
// renamed at the end; a failed capture leaves nothing behind. Exit 11 when the capture cannot
// be written, 12 when ffmpeg is missing or fails.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "platform/sharp_scaler.h"

namespace qx {

inline constexpr uint32_t kCaptureSampleRate = 44100;  // Hz, as the sound module renders
inline constexpr uint32_t kCaptureChannels = 2;
inline constexpr uint32_t kCaptureBytesPerFrame = kCaptureChannels * 2;  // 16-bit samples
inline constexpr size_t kWavHeaderBytes = 44;

// Output sizes of an encoded capture: the 4:3 display at 1080 lines; square pixels at 5x.
inline constexpr uint32_t kCaptureWidth = 1440;
inline constexpr uint32_t kCaptureHeight = 1080;
inline constexpr uint32_t kCaptureSquareWidth = 1600;
inline constexpr uint32_t kCaptureSquareHeight = 1000;
inline constexpr uint32_t kMaxCapturePrescale = kMaxSharpFactor;  // per axis, as in the window
// Pictures kept for ffmpeg while it reads sound first (130 ms at 60 frames a second).
inline constexpr uint32_t kEncoderQueuePictures = 8;

struct YuvPixel {
    uint8_t y, u, v;
    bool operator==(const YuvPixel&) const = default;
};

// 0x00RRGGBB to BT.601 limited range (Y 16..235, U and V 16..240), in 8-bit fixed point:
//   Y = 16  + ( 66 R + 129 G +  25 B + 128) >> 8
//   U = 128 + (-38 R -  74 G + 112 B + 128) >> 8
//   V = 128 + (112 R -  94 G -  18 B + 128) >> 8
// The coefficients are the standard's 0.257, 0.504, 0.098 / -0.148, -0.291, 0.439 /
// 0.439, -0.368, -0.071 scaled by 256; the result is within 1 of the exact conversion.
YuvPixel RgbToYuv601(uint32_t pixel);

// `count` pixels into three planes of `count` bytes each.
void ConvertToYuv444(const uint32_t* pixels, size_t count, uint8_t* y, uint8_t* u, uint8_t* v);

// "YUV4MPEG2 W320 H200 F<fps>:1 Ip A5:6 C444 XCOLORRANGE=LIMITED\n"; A1:1 with square pixels.
std::string Y4mHeader(uint32_t framesPerSecond, bool squarePixels);

// The 44-byte RIFF/WAVE header of 44,100 Hz 16-bit stereo PCM holding `frames` frames.
std::array<uint8_t, kWavHeaderBytes> WavHeader(uint32_t frames);

// Whether the name ends in ".y4m" (any case).
bool IsY4mName(const std::string& path);
// "dir/show.mp4" -> "dir/show.partial.mp4": the name written until the capture is complete.
std::string PartialName(const std::string& path);
// "dir/show.y4m" -> "dir/show.wav".
std::string WavNameBeside(const std::string& y4mPath);

// How ffmpeg scales the pictures: nearest neighbour to (prescaleX x 320, prescaleY x 200), a
// smooth fit to fitWidth x fitHeight, centred at (padLeft, padTop) on black outputWidth x
// outputHeight. All even, for 4:2:0 video.
struct CaptureGeometry {
    uint32_t prescaleX = 1, prescaleY = 1;
    uint32_t fitWidth = 0, fitHeight = 0;
    uint32_t padLeft = 0, padTop = 0;
    uint32_t outputWidth = 0, outputHeight = 0;
    bool operator==(const CaptureGeometry&) const = default;
};

// For an output of width x height (even; 0 x 0: the default for the pixel shape).
CaptureGeometry FitCapture(uint32_t width, uint32_t height, bool squarePixels);

// ffmpeg's command line, program name first, for writing `output`.
std::vector<std::string> EncoderArguments(const std::string& output, uint32_t framesPerSecond,
                                          const CaptureGeometry& geometry);

struct CaptureState {
    bool recording = false;              // StartCapture succeeded: the frame loop notes every pass
    bool failed = false;                 // a write failed during the run; the error code is set
    bool encoding = false;               // ffmpeg, not the y4m and wav writers
    std::string finalName, partialName;  // the video
    std::string finalWavName, partialWavName;  // y4m only
    std::FILE* video = nullptr;                // y4m only
    std::FILE* wav = nullptr;
    ChildProcess encoder;
    std::vector<uint8_t> planes;  // one picture as Y, U and V planes (y4m)
    // Sound frames from the module not yet written, interleaved 16-bit stereo; the encoder's
    // backlog starts at sentBytes.
    std::vector<int16_t> sound;
    size_t sentBytes = 0;
    // Pictures not yet taken by ffmpeg: a ring of kEncoderQueuePictures 0x00RRGGBB pictures,
    // the oldest at firstPicture, of which firstPictureSent bytes have gone.
    std::vector<uint32_t> pictureQueue;
    uint32_t firstPicture = 0;
    uint32_t queuedPictures = 0;
    size_t firstPictureSent = 0;
    uint64_t framesWritten = 0;
    uint64_t soundFramesWritten = 0;
    // Progress on a terminal.
    bool showProgress = false;
    bool progressShown = false;
    std::chrono::steady_clock::time_point started{};
    std::chrono::steady_clock::time_point lastProgress{};
};
extern CaptureState captureState;

// Opens the outputs named by the launch options (starting ffmpeg for a video name) and hands the
// music binding the sound sink. Before RunProduction. Fails with error 11 or 12.
bool StartCapture();

// After a pass has been presented: writes its picture and the sound rendered up to it. False
// (error 11 or 12 set, outputs abandoned) when writing failed; the run should stop.
bool NoteCapturePass();

// After the frame loop's last pass: moves the virtual clock to the end of the last picture and
// has the module render the sound up to there.
void CompleteCaptureSound();

// After RunProduction: completes and renames the outputs after a normal end, removes them
// otherwise. False when completing the capture failed now (a failure during the run ends the run,
// which reports it); the error code then says so.
bool FinishCapture();

}  // namespace qx
