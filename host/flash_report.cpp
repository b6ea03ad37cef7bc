#include "host/flash_report.h"

#include <algorithm>

#include "base/picture.h"
#include "display/framebuffer.h"
#include "host/command_line.h"
#include "music/music_binding.h"
#include "music/scene_sequencer.h"
#include "scenes/scene_table.h"

namespace qx {

FlashReportState flashReportState;

void StartFlashReport() {
    flashReportState = {};
    flashReportState.analyser = std::make_unique<FlashAnalyser>(
        kPictureWidth, kPictureHeight, launchOptions.framesPerSecond, launchOptions.squarePixels);
    flashReportState.recording = true;
}

void NoteFlashReportPass() {
    FlashReportState& report = flashReportState;
    const uint32_t* pixels = framebufferState.lastShown;
    if (!report.recording || pixels == nullptr || framebufferState.width != kPictureWidth ||
        framebufferState.shownHeight != kPictureHeight)
        return;
    const FlashWindow window = report.analyser->AddPicture(pixels);
    const uint32_t second = MusicPlayedMilliseconds() / 1000;
    if (report.pictures++ == 0) report.firstSecond = second;
    report.lastSecond = second;
    if (window.WorseThan(report.worst)) report.worst = window;
    if (!window.Fails()) return;
    const uint32_t row = sequencerState.lastPassRow;
    if (report.over.empty() || report.over.back().second != second) {
        report.over.push_back({second, row, window});
        return;
    }
    FlashSecond& entry = report.over.back();
    if (window.WorseThan(entry.worst)) {
        entry.worst = window;
        entry.row = row;
    }
}

bool PrintFlashReport(std::FILE* stream) {
    const FlashReportState& report = flashReportState;
    for (const FlashSecond& entry : report.over)
        std::fprintf(stream,
                     "%02u:%02u row %02u %s: %u %sflashes over %u %% of a 10-degree field\n",
                     entry.second / 60, entry.second % 60, entry.row, SceneRowName(entry.row),
                     entry.worst.flashes, entry.worst.red ? "red " : "", entry.worst.percent);
    const uint32_t seconds = report.pictures == 0 ? 0 : report.lastSecond - report.firstSecond + 1;
    const bool passes = report.over.empty();
    std::fprintf(stream,
                 "%zu of %u seconds over the threshold, worst %u %sflashes in one second: %s\n",
                 report.over.size(), seconds, report.worst.flashes, report.worst.red ? "red " : "",
                 passes ? "passes" : "fails");
    return passes;
}

}  // namespace qx
