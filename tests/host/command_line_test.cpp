#include "support/host_fixture.h"

namespace qx::test {
namespace {

class CommandLineTest : public HostTest {
protected:
    // Parses the words and applies the six options.
    void Read(std::vector<std::string> words, const char* path = "/usr/games/QX_Marrowtide") {
        ASSERT_EQ(ParseWords(std::move(words), path), CommandLineResult::Run);
        ReadOptions();
    }
};

TEST_F(CommandLineTest, NoOptionsMeansAutomaticFullScreenWithoutOverlay) {
    Read({});
    EXPECT_EQ(hostSettings.displayWidth, 320u);
    EXPECT_EQ(hostSettings.displayHeight, 200u);
    EXPECT_EQ(hostSettings.depth, 0);
    EXPECT_EQ(hostSettings.debugFlag, 0u);
    EXPECT_EQ(hostSettings.pixelCount, 64000u);
}

TEST_F(CommandLineTest, DashStandsForSlashAndCaseMatters) {
    Read({"-w", "-debug"});
    EXPECT_EQ(hostSettings.depth, -1);
    EXPECT_EQ(hostSettings.displayHeight, 224u);
    EXPECT_EQ(hostSettings.debugFlag, 1u);
    EXPECT_EQ(hostSettings.pixelCount, 64000u);  // scenes still fill 320 x 200

    ResetHostState();
    Read({"/W", "/DEBUG"});
    EXPECT_EQ(hostSettings.depth, 0);
    EXPECT_EQ(hostSettings.displayHeight, 200u);
    EXPECT_EQ(hostSettings.debugFlag, 0u);
}

TEST_F(CommandLineTest, MatchIsByPrefix) {
    Read({"/wide", "/160", "/debugging"});
    EXPECT_EQ(hostSettings.displayHeight, 224u);
    EXPECT_EQ(hostSettings.depth, 16);
    EXPECT_EQ(hostSettings.debugFlag, 1u);
}

TEST_F(CommandLineTest, FixedTestOrderDecidesNotCommandLineOrder) {
    Read({"/32", "/16"});
    EXPECT_EQ(hostSettings.depth, 32);

    ResetHostState();
    Read({"/w", "/16"});  // the depth overrides the window, not its height
    EXPECT_EQ(hostSettings.depth, 16);
    EXPECT_EQ(hostSettings.displayHeight, 224u);
}

TEST_F(CommandLineTest, JoinedOrQuotedOptionsAreNotSeen) {
    Read({"x/w", "\"/debug\"", "/1"});
    EXPECT_EQ(hostSettings.depth, 0);
    EXPECT_EQ(hostSettings.debugFlag, 0u);
}

TEST_F(CommandLineTest, WordsAreSplitAtSpacesAndProgramPathIsIgnored) {
    Read({"x  /w"}, "/www/demo/QX_Marrowtide");
    EXPECT_EQ(hostSettings.depth, -1);

    ResetHostState();
    Read({"\t/w"}, "/www/demo/QX_Marrowtide");  // a tab is an ordinary character
    EXPECT_EQ(hostSettings.depth, 0);
}

TEST_F(CommandLineTest, LongOptionsNeverMatchTheShortOnes) {
    Read({"--fps", "30", "--square-pixels", "--headless", "--frames=5"});
    EXPECT_EQ(launchOptions.framesPerSecond, 30u);
    EXPECT_TRUE(launchOptions.squarePixels);
    EXPECT_TRUE(launchOptions.headless);
    EXPECT_EQ(launchOptions.frameLimit, 5u);
    // "--w" would read as "//w" to the short options' matcher; it is an unknown long option.
    testing::internal::CaptureStderr();
    EXPECT_EQ(ParseWords({"--w"}), CommandLineResult::UsageError);
    testing::internal::GetCapturedStderr();
}

TEST_F(CommandLineTest, OptionValuesAreTakenOutOfTheWords) {
    Read({"--fps", "0"});
    EXPECT_EQ(launchOptions.framesPerSecond, 0u);
    EXPECT_FALSE(OptionPresent("0"));
}

TEST_F(CommandLineTest, StoryboardFilesAndRowDigestsImplyTheOfflineRun) {
    Read({"--storyboard", "a b.png", "--storyboard-half=half.png"});
    EXPECT_EQ(launchOptions.storyboardFile, "a b.png");
    EXPECT_EQ(launchOptions.storyboardHalfFile, "half.png");
    EXPECT_TRUE(launchOptions.headless);
    EXPECT_FALSE(OptionPresent("a"));
    Read({"--row-digests", "--fps", "24"});
    EXPECT_TRUE(launchOptions.printRowDigests);
    EXPECT_TRUE(launchOptions.headless);
    EXPECT_EQ(launchOptions.framesPerSecond, 24u);

    testing::internal::CaptureStderr();
    EXPECT_EQ(ParseWords({"--storyboard"}), CommandLineResult::UsageError);
    EXPECT_EQ(ParseWords({"--storyboard-half="}), CommandLineResult::UsageError);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("need a file name"), std::string::npos);
}

TEST_F(CommandLineTest, FlashReportIsOfflineAndNeedsAFrameRate) {
    Read({"--flash-report", "--reduce-flashing", "--fps", "50"});
    EXPECT_TRUE(launchOptions.printFlashReport);
    EXPECT_TRUE(launchOptions.headless);
    EXPECT_TRUE(launchOptions.reduceFlashing);
    Read({"--reduce-flashing", "/w"});
    EXPECT_TRUE(launchOptions.reduceFlashing);
    EXPECT_FALSE(launchOptions.headless);  // live play too

    testing::internal::CaptureStderr();
    EXPECT_EQ(ParseWords({"--flash-report", "--fps", "0"}), CommandLineResult::UsageError);
    EXPECT_EQ(ParseWords({"--reduce-flashing=yes"}), CommandLineResult::UsageError);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("--flash-report needs a frame rate"),
              std::string::npos);
}

TEST_F(CommandLineTest, StartPositionIsOrderAndRowInDecimalOrHex) {
    const std::vector<std::pair<std::string, uint32_t>> forms = {
        {"22", 0x1600},        {"29:48", 0x1D30}, {"0x1D:0x30", 0x1D30},
        {"0X24:0xFF", 0x24FF}, {"0:1", 0x0001},   {"036", 0x2400}};
    for (const auto& [text, position] : forms) {
        Read({"--start", text});
        EXPECT_EQ(launchOptions.startPosition, position) << text;
        EXPECT_FALSE(launchOptions.headless);
    }
    Read({"--start=5"});
    EXPECT_EQ(launchOptions.startPosition, 0x0500u);
}

TEST_F(CommandLineTest, StartPastTheEndOrMalformedIsAUsageError) {
    testing::internal::CaptureStderr();
    // The last row of the scene table ends at 0x2500.
    for (const char* bad : {"37", "0x25", "0x25:0", "36:256", "300", "", ":", "5:", ":5", "0x",
                            "0x:1", "-1", "+1", "1:2:3", "1.5", " 1", "1 ", "2x", "0x1G"})
        EXPECT_EQ(ParseWords({"--start", bad}), CommandLineResult::UsageError) << bad;
    EXPECT_EQ(ParseWords({"--start"}), CommandLineResult::UsageError);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("--start needs ORDER[:ROW]"), std::string::npos);
}

TEST_F(CommandLineTest, LoopOfflineNeedsAFrameLimit) {
    Read({"--loop"});
    EXPECT_TRUE(launchOptions.loop);
    Read({"--headless", "--loop", "--frames", "100"});
    EXPECT_TRUE(launchOptions.loop);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ParseWords({"--headless", "--loop"}), CommandLineResult::UsageError);
    EXPECT_EQ(ParseWords({"--loop", "--bench", "--frames", "0"}), CommandLineResult::UsageError);
    EXPECT_EQ(ParseWords({"--loop=1"}), CommandLineResult::UsageError);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("--loop in the offline run needs --frames"), std::string::npos);
}

TEST_F(CommandLineTest, BadLongOptionsAreUsageErrors) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(ParseWords({"--bogus"}), CommandLineResult::UsageError);
    EXPECT_EQ(ParseWords({"--fps"}), CommandLineResult::UsageError);
    EXPECT_EQ(ParseWords({"--fps", "fast"}), CommandLineResult::UsageError);
    EXPECT_EQ(ParseWords({"--fps=1001"}), CommandLineResult::UsageError);
    EXPECT_EQ(ParseWords({"--help=1"}), CommandLineResult::UsageError);
    EXPECT_EQ(ParseWords({"--row-digests=60"}), CommandLineResult::UsageError);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("unknown option: --bogus"), std::string::npos);
    EXPECT_NE(err.find("usage:"), std::string::npos);
    EXPECT_EQ(ParseWords({"/w", "--help"}), CommandLineResult::Help);
}

TEST_F(CommandLineTest, CaptureImpliesTheOfflineRunAndTakesAnEvenSize) {
    Read({"--capture", "dir.v1/show.mp4", "--capture-size=1920x1080"});
    EXPECT_EQ(launchOptions.captureFile, "dir.v1/show.mp4");
    EXPECT_TRUE(launchOptions.headless);
    EXPECT_EQ(launchOptions.captureWidth, 1920u);
    EXPECT_EQ(launchOptions.captureHeight, 1080u);
    EXPECT_FALSE(OptionPresent("dir.v1/show.mp4"));

    testing::internal::CaptureStderr();
    // The extension chooses the format: a name needs one.
    EXPECT_EQ(ParseWords({"--capture", "show"}), CommandLineResult::UsageError);
    EXPECT_EQ(ParseWords({"--capture", "dir.v1/show"}), CommandLineResult::UsageError);
    EXPECT_EQ(ParseWords({"--capture", "show."}), CommandLineResult::UsageError);
    EXPECT_EQ(ParseWords({"--capture"}), CommandLineResult::UsageError);
    // Frames need a rate.
    EXPECT_EQ(ParseWords({"--capture", "show.y4m", "--fps", "0"}), CommandLineResult::UsageError);
    for (const char* size : {"1920", "1921x1080", "1920x1081", "8x8", "8194x100", "x1080", "0x0"})
        EXPECT_EQ(ParseWords({"--capture-size", size}), CommandLineResult::UsageError) << size;
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("--capture needs a file name"), std::string::npos);
    EXPECT_NE(err.find("--capture needs a frame rate"), std::string::npos);
    EXPECT_NE(err.find("--capture-size needs WIDTHxHEIGHT"), std::string::npos);
}

}  // namespace
}  // namespace qx::test
