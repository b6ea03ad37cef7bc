#include "host/timing_report.h"

#include <cstring>
#include <string>

#include "support/host_fixture.h"

namespace qx::test {
namespace {

bool Frame() { return true; }
constexpr SceneTableRow kOneRow[] = {{1, Frame, Frame, Frame},
                                     {kEndRowPosition, nullptr, nullptr, nullptr}};

class TimingReportTest : public HostTest {};

TEST_F(TimingReportTest, ConsecutiveRowsOfOneSceneMakeOneLine) {
    StartTimingReport();
    const TimingReportState& t = timingReportState;
    ASSERT_EQ(t.sceneCount, 18u);
    EXPECT_STREQ(t.scenes[1].name, "wireframe");
    EXPECT_EQ(t.scenes[1].firstRow, 1u);
    EXPECT_EQ(t.scenes[1].lastRow, 3u);
    EXPECT_EQ(t.sceneOfRow[32], t.sceneOfRow[26]);
    EXPECT_STREQ(t.scenes[t.sceneOfRow[38]].name, "water");
    EXPECT_EQ(t.histograms.size(), 18u * kTimingBins);
}

TEST_F(TimingReportTest, OnlyFramePassesAreCountedAndTheMedianIsTheMiddleBin) {
    StartTimingReport();
    SetSceneTable(kOneRow);  // MusicPosition is 0 without a sound module: row 0 plays on
    for (int pass = 0; pass < 4; ++pass) RunSequencerTimed();
    EXPECT_EQ(timingReportState.scenes[0].frames, 3u);  // the first pass entered the row
    EXPECT_GT(timingReportState.scenes[0].total.count(), 0);

    uint32_t* title = timingReportState.histograms.data();
    std::fill_n(title, kTimingBins, 0u);
    title[10] = 2;   // 0.10 .. 0.11 ms
    title[50] = 1;   // 0.50 .. 0.51 ms
    title[900] = 2;  // 9.00 .. 9.01 ms
    timingReportState.scenes[0].frames = 5;
    EXPECT_DOUBLE_EQ(MedianMilliseconds(0), 0.505);
    EXPECT_EQ(MedianMilliseconds(1), 0.0);  // no frames
}

TEST_F(TimingReportTest, PrintsAHeaderALinePerSceneAndTheWholeRun) {
    StartTimingReport();
    timingReportState.scenes[0].frames = 10;
    timingReportState.histograms[3] = 10;
    timingReportState.showMilliseconds = 2000;
    timingReportState.runTime = std::chrono::milliseconds(100);
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    PrintTimingReport(out, 120);
    std::rewind(out);
    std::string text(4096, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), out));
    std::fclose(out);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 20);
    EXPECT_NE(text.find("title              0            10      0.035"), std::string::npos)
        << text;
    EXPECT_NE(text.find("wireframe          1-3           0"), std::string::npos) << text;
    EXPECT_NE(text.find("2.0 s of show in 0.100 s: 20x real time"), std::string::npos) << text;
}

}  // namespace
}  // namespace qx::test
