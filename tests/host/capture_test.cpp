// The capture of the offline run: the y4m and WAV formats, the colour conversion against the
// exact BT.601 formula, the names and the encoder's geometry, and a short capture of the real
// show in this process compared with the pictures it presented.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

#include "support/host_fixture.h"
#include "tools/archive/file_io.h"

namespace qx::test {
namespace {

uint32_t ReadLittle(const uint8_t* bytes, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
    return value;
}

// BT.601 limited range in real numbers: Y in 16..235, U and V in 16..240.
std::array<double, 3> ExactYuv601(uint32_t pixel) {
    const double r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    return {16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255,
            128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255,
            128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255};
}

bool NearExact(uint32_t pixel, const YuvPixel& yuv) {
    const std::array<double, 3> exact = ExactYuv601(pixel);
    return std::abs(yuv.y - exact[0]) <= 1 && std::abs(yuv.u - exact[1]) <= 1 &&
           std::abs(yuv.v - exact[2]) <= 1;
}

TEST(CaptureFormatTest, Y4mHeaderGivesTheDisplaysPixelAspect) {
    EXPECT_EQ(Y4mHeader(60, false), "YUV4MPEG2 W320 H200 F60:1 Ip A5:6 C444 XCOLORRANGE=LIMITED\n");
    EXPECT_EQ(Y4mHeader(24, true), "YUV4MPEG2 W320 H200 F24:1 Ip A1:1 C444 XCOLORRANGE=LIMITED\n");
}

TEST(CaptureFormatTest, WavHeaderDescribes44100HzStereo16BitPcm) {
    const std::array<uint8_t, kWavHeaderBytes> h = WavHeader(132300);
    EXPECT_EQ(std::string(h.begin(), h.begin() + 4), "RIFF");
    EXPECT_EQ(ReadLittle(&h[4], 4), 36u + 132300u * 4);
    EXPECT_EQ(std::string(h.begin() + 8, h.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(ReadLittle(&h[16], 4), 16u);
    EXPECT_EQ(ReadLittle(&h[20], 2), 1u);  // PCM
    EXPECT_EQ(ReadLittle(&h[22], 2), 2u);
    EXPECT_EQ(ReadLittle(&h[24], 4), 44100u);
    EXPECT_EQ(ReadLittle(&h[28], 4), 44100u * 4);
    EXPECT_EQ(ReadLittle(&h[32], 2), 4u);
    EXPECT_EQ(ReadLittle(&h[34], 2), 16u);
    EXPECT_EQ(std::string(h.begin() + 36, h.begin() + 40), "data");
    EXPECT_EQ(ReadLittle(&h[40], 4), 132300u * 4);
}

TEST(CaptureFormatTest, ConversionIsBt601LimitedRangeWithinOne) {
    EXPECT_EQ(RgbToYuv601(0x000000), (YuvPixel{16, 128, 128}));
    EXPECT_EQ(RgbToYuv601(0xFFFFFF), (YuvPixel{235, 128, 128}));
    EXPECT_EQ(RgbToYuv601(0x0000FF).u, 240);  // the chroma extremes
    EXPECT_EQ(RgbToYuv601(0xFF0000).v, 240);
    for (uint32_t r = 0; r < 256; r += 5)
        for (uint32_t g = 0; g < 256; g += 3)
            for (uint32_t b = 0; b < 256; b += 7) {
                const uint32_t pixel = r << 16 | g << 8 | b;
                ASSERT_TRUE(NearExact(pixel, RgbToYuv601(pixel))) << std::hex << pixel;
            }
}

TEST(CaptureFormatTest, PlaneConversionMatchesThePixelConversion) {
    std::mt19937 random(15);
    std::vector<uint32_t> pixels(4099);  // not a multiple of any vector width
    for (uint32_t& p : pixels) p = static_cast<uint32_t>(random());  // top byte ignored
    std::vector<uint8_t> y(pixels.size()), u(pixels.size()), v(pixels.size());
    ConvertToYuv444(pixels.data(), pixels.size(), y.data(), u.data(), v.data());
    for (size_t i = 0; i < pixels.size(); ++i)
        ASSERT_EQ((YuvPixel{y[i], u[i], v[i]}), RgbToYuv601(pixels[i] & 0xFFFFFF)) << i;
}

TEST(CaptureFormatTest, NamesKeepTheExtensionLast) {
    EXPECT_TRUE(IsY4mName("a/show.Y4M"));
    EXPECT_FALSE(IsY4mName("show.y4m.mp4"));
    EXPECT_EQ(PartialName("out.d/show.mp4"), "out.d/show.partial.mp4");
    EXPECT_EQ(PartialName("out.d/show"), "out.d/show.partial");
    EXPECT_EQ(WavNameBeside("out.d/show.y4m"), "out.d/show.wav");
    EXPECT_EQ(PartialName(WavNameBeside("show.y4m")), "show.partial.wav");
}

TEST(CaptureFormatTest, EncoderFitsThePictureAsTheWindowDoes) {
    // 4:3 at 1080 lines: 5 x 6 nearest neighbour (1600 x 1200), then smoothly down.
    EXPECT_EQ(FitCapture(0, 0, false), (CaptureGeometry{5, 6, 1440, 1080, 0, 0, 1440, 1080}));
    EXPECT_EQ(FitCapture(0, 0, true), (CaptureGeometry{5, 5, 1600, 1000, 0, 0, 1600, 1000}));
    // A wider output: bars left and right.
    EXPECT_EQ(FitCapture(1920, 1080, false),
              (CaptureGeometry{5, 6, 1440, 1080, 240, 0, 1920, 1080}));
    EXPECT_EQ(FitCapture(1920, 1080, true), (CaptureGeometry{6, 6, 1728, 1080, 96, 0, 1920, 1080}));
    // A taller one: bars above and below; sizes stay even.
    EXPECT_EQ(FitCapture(640, 480, true), (CaptureGeometry{2, 2, 640, 400, 0, 40, 640, 480}));
    EXPECT_EQ(FitCapture(322, 300, false), (CaptureGeometry{2, 2, 322, 242, 0, 28, 322, 300}));
    EXPECT_EQ(FitCapture(8192, 6144, false).prescaleX, kMaxCapturePrescale);
}

TEST(CaptureFormatTest, EncoderReadsPicturesOnStandardInputAndSoundOnDescriptor3) {
    const std::vector<std::string> words =
        EncoderArguments("o.partial.mkv", 50, FitCapture(0, 0, false));
    EXPECT_EQ(words.front(), "ffmpeg");
    EXPECT_EQ(words.back(), "o.partial.mkv");
    EXPECT_NE(std::find(words.begin(), words.end(), "veryfast"), words.end());  // H.264 in mkv
    const auto after = [&](const std::string& word, size_t from = 0) {
        auto at = std::find(words.begin() + static_cast<ptrdiff_t>(from), words.end(), word);
        return at == words.end() || at + 1 == words.end() ? std::string() : *(at + 1);
    };
    EXPECT_EQ(after("-framerate"), "50");
    EXPECT_EQ(after("-pixel_format"), "bgr0");
    EXPECT_EQ(after("-video_size"), "320x200");
    EXPECT_EQ(after("-i"), "pipe:0");
    const size_t second =
        static_cast<size_t>(std::find(words.begin(), words.end(), "pipe:0") - words.begin());
#ifdef _WIN32
    EXPECT_EQ(after("-i", second).rfind("\\\\.\\pipe\\", 0), 0u);  // a named pipe of ours
#else
    EXPECT_EQ(after("-i", second), "pipe:3");
#endif
    EXPECT_EQ(
        after("-vf"),
        "scale=1600:1200:flags=neighbor,scale=1440:1080:flags=bilinear:out_color_matrix=bt709:"
        "out_range=tv,format=yuv420p,pad=1440:1080:0:0:black,setsar=1");
}

// A short capture of the real show (the program file's archive, the real sound module),
// compared with the pictures the run presented.
struct Presented {
    std::vector<std::vector<uint32_t>> pictures;
};

void KeepPicture(VirtualPlatform&, const uint32_t* pixels, uint32_t width, uint32_t height,
                 uint32_t pitch, void* context) {
    std::vector<uint32_t> picture(size_t{width} * height);
    for (uint32_t y = 0; y < height; ++y)
        std::copy_n(pixels + size_t{y} * pitch, width, picture.begin() + size_t{y} * width);
    static_cast<Presented*>(context)->pictures.push_back(std::move(picture));
}

struct CaptureCase {
    const char* fps;
    const char* frames;
};
void PrintTo(const CaptureCase& c, std::ostream* out) {
    *out << c.frames << " frames at " << c.fps << " fps";
}

class CaptureRunTest : public HostTest, public ::testing::WithParamInterface<CaptureCase> {
protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_TRUE(UseBuiltProgram(QX_PROGRAM_FILE, KeepPicture, &presented));
        directory =
            std::filesystem::temp_directory_path() /
            ("qx_capture_test_" +
             std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + GetParam().fps);
        std::filesystem::remove_all(directory);
        std::filesystem::create_directories(directory);
    }
    void TearDown() override {
        std::filesystem::remove_all(directory);
        HostTest::TearDown();
    }
    Presented presented;
    std::filesystem::path directory;
};

TEST_P(CaptureRunTest, WritesEveryPresentedPictureAndTheSoundUpToTheLastOnesEnd) {
    const uint32_t fps = static_cast<uint32_t>(std::stoul(GetParam().fps));
    const uint32_t frames = static_cast<uint32_t>(std::stoul(GetParam().frames));
    const std::string video = (directory / "show.y4m").string();
    // /debug draws the timer and the frame rate: every picture differs from the last.
    ASSERT_EQ(ParseWords({"/debug", "--fps", GetParam().fps, "--frames", GetParam().frames,
                          "--capture", video}),
              CommandLineResult::Run);
    ASSERT_TRUE(StartCapture()) << errorState.errorCause;
    ASSERT_EQ(RunProduction(), 0u) << errorState.errorCause;
    ASSERT_TRUE(FinishCapture()) << errorState.errorCause;
    ASSERT_EQ(presented.pictures.size(), frames);
    // Only the finished files are left.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"show.wav", "show.y4m"}));

    std::vector<uint8_t> y4m;
    ASSERT_TRUE(ReadWholeFile(video, y4m));
    const std::string header = Y4mHeader(fps, false);
    ASSERT_EQ(std::string(y4m.begin(), y4m.begin() + static_cast<ptrdiff_t>(header.size())),
              header);
    const size_t frameBytes = 6 + 3 * size_t{kPicturePixels};
    ASSERT_EQ(y4m.size(), header.size() + frames * frameBytes);
    for (uint32_t k = 0; k < frames; ++k) {
        const uint8_t* frame = &y4m[header.size() + k * frameBytes];
        ASSERT_EQ(std::string(frame, frame + 6), "FRAME\n") << k;
        const uint8_t* y = frame + 6;
        const uint8_t* u = y + kPicturePixels;
        const uint8_t* v = u + kPicturePixels;
        const std::vector<uint32_t>& picture = presented.pictures[k];
        for (uint32_t i = 0; i < kPicturePixels; ++i)
            ASSERT_TRUE(NearExact(picture[i], {y[i], u[i], v[i]}))
                << "frame " << k << " pixel " << i;
    }
    EXPECT_NE(presented.pictures.front(), presented.pictures.back());

    // Frame k is shown at k x 1000 / fps ms (whole ms); the sound runs to the end of the last
    // one, and the module renders floor(t x 44100 / 1000) frames by t ms.
    const uint64_t endMs = uint64_t{frames} * 1000 / fps;
    const uint64_t soundFrames = endMs * 44100 / 1000;
    std::vector<uint8_t> wav;
    ASSERT_TRUE(ReadWholeFile((directory / "show.wav").string(), wav));
    ASSERT_EQ(wav.size(), kWavHeaderBytes + soundFrames * 4);
    const std::array<uint8_t, kWavHeaderBytes> expected =
        WavHeader(static_cast<uint32_t>(soundFrames));
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), wav.begin()));
    EXPECT_TRUE(
        std::any_of(wav.begin() + kWavHeaderBytes, wav.end(), [](uint8_t b) { return b != 0; }));
}

// 30: 1000 / 30 ms a frame is whole at every 3rd frame; 60: 90 frames end at 1500 ms, 100 at
// 1666 ms, the sound at 73,470 frames (not 73,500).
INSTANTIATE_TEST_SUITE_P(Rates, CaptureRunTest,
                         ::testing::Values(CaptureCase{"30", "90"}, CaptureCase{"60", "100"}),
                         [](const auto& info) { return std::string("fps") + info.param.fps; });

class CaptureStartTest : public HostTest {};

TEST_F(CaptureStartTest, MissingDirectoryFailsWithCode11BeforeThePlay) {
    ASSERT_EQ(ParseWords({"--capture", "/nonexistent-qx-dir/show.y4m"}), CommandLineResult::Run);
    EXPECT_FALSE(StartCapture());
    EXPECT_EQ(errorState.errorCode, 11u);
    EXPECT_NE(std::string(errorState.errorCause).find("/nonexistent-qx-dir/show.y4m"),
              std::string::npos);
    EXPECT_FALSE(captureState.recording);
    EXPECT_EQ(musicBinding.sampleSink, nullptr);
}

}  // namespace
}  // namespace qx::test
