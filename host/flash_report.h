// The flash report of the offline run (--flash-report): every picture shown goes through the
// photosensitivity analysis (host/flash_analysis.h) at the run's frame rate; at the end one line
// for every second of the show's music time in which a one-second window ended over the
// threshold,
//   "MM:SS row NN name: F flashes over P % of a 10-degree field"
// (the worst window of that second, its row and scene; "red flashes" where the red rule is the
// worse), then the summary
//   "N of M seconds over the threshold, worst F flashes in one second: passes|fails".
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "host/flash_analysis.h"

namespace qx {

struct FlashSecond {
    uint32_t second = 0;  // of the song's time
    uint32_t row = 0;     // scene table row of the worst window
    FlashWindow worst;
};

struct FlashReportState {
    bool recording = false;
    std::unique_ptr<FlashAnalyser> analyser;
    std::vector<FlashSecond> over;  // seconds over the threshold, in order
    FlashWindow worst;              // of the whole run, over the threshold or not
    uint32_t firstSecond = 0;       // the song's second of the first picture analysed
    uint32_t lastSecond = 0;        // and of the last
    uint64_t pictures = 0;
};
extern FlashReportState flashReportState;

// Before the frame loop, once: the analysis at the run's frame rate and picture shape.
void StartFlashReport();

// After a pass has been presented: its picture analysed.
void NoteFlashReportPass();

// The seconds over the threshold and the summary; whether the run passes.
bool PrintFlashReport(std::FILE* stream);

}  // namespace qx
