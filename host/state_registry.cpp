#include "host/state_registry.h"

#include <algorithm>
#include <iterator>
#include <type_traits>
#include <vector>

#include "archive/archive_reader.h"
#include "archive/asset_catalogue.h"
#include "archive/entry_decoder.h"
#include "base/display_state.h"
#include "base/error_code.h"
#include "base/host_settings.h"
#include "data/object_image.h"
#include "display/framebuffer.h"
#include "display/full_screen.h"
#include "effects/bump_water.h"
#include "effects/face_list.h"
#include "effects/fades.h"
#include "effects/film_grain.h"
#include "effects/lines.h"
#include "effects/objects.h"
#include "effects/precalculation.h"
#include "effects/random.h"
#include "effects/rasterisers.h"
#include "effects/rotozoom_plasma.h"
#include "effects/transform.h"
#include "effects/tunnel.h"
#include "host/capture.h"
#include "host/command_line.h"
#include "host/flash_report.h"
#include "host/frame_loop.h"
#include "host/show_jumps.h"
#include "host/startup_times.h"
#include "host/storyboard.h"
#include "host/timing_report.h"
#include "host/viewer_controls.h"
#include "music/music_binding.h"
#include "music/scene_sequencer.h"
#include "overlay/text_renderer.h"
#include "platform/termination_signals.h"
#include "scenes/scene_conventions.h"
#include "scenes/scene_variables.h"
#include "scenes/work_pictures.h"
#include "timing/tick_scheduler.h"

namespace qx {

namespace {

// A record back to its program-image value: its default member initialisers, or zeros.
template <auto& kRecord>
void ResetToStart() {
    using Record = std::remove_reference_t<decltype(kRecord)>;
    if constexpr (std::is_array_v<Record>)
        std::fill(std::begin(kRecord), std::end(kRecord), std::remove_extent_t<Record>{});
    else
        kRecord = Record{};
}

// The object image as the program file holds it, copied before main, so before any scene or test
// has written it (the image itself is constant-initialised data).
const std::vector<uint8_t> pristineObjectImage(objectImage, objectImage + objectImageBytes);

void ResetObjectImage() {
    std::copy(pristineObjectImage.begin(), pristineObjectImage.end(), objectImage);
}

// The show's records: snapshotted and reset when the show starts again.
#define QX_SHOW_RECORD(record) \
    StateRecord { #record, &record, sizeof record, &ResetToStart < record>, true, true }
// A field of a program-lifetime record that belongs to the show: snapshotted; its owner sets it
// up when the show starts again.
#define QX_SHOW_FIELD(field) \
    StateRecord { #field, &field, sizeof field, nullptr, true, false }
// Program-lifetime records: reset by tests (or set up again by their owners).
#define QX_LIFETIME_RECORD(record) \
    StateRecord { #record, &record, sizeof record, &ResetToStart < record>, false, false }
#define QX_LIFETIME_DATA(record) \
    StateRecord { #record, &record, sizeof record, nullptr, false, false }
// State no other file can reach, listed by name for the check.
#define QX_LIFETIME_NAME(name) \
    StateRecord { name, nullptr, 0, nullptr, false, false }

const StateRecord kShowStateRecords[] = {
    QX_SHOW_RECORD(sceneVariables),
    QX_SHOW_RECORD(randomState),
    QX_SHOW_RECORD(filmGrainState),
    QX_SHOW_RECORD(fadeState),
    QX_SHOW_RECORD(lineState),
    QX_SHOW_RECORD(rasteriserState),
    QX_SHOW_RECORD(transformState),
    QX_SHOW_RECORD(faceListState),
    QX_SHOW_RECORD(objectState),
    {"objectImage", objectImage, objectImageBytes, &ResetObjectImage, true, true},
    QX_SHOW_RECORD(scrollState),
    QX_SHOW_RECORD(rotozoomState),
    QX_SHOW_RECORD(plasmaState),
    QX_SHOW_RECORD(rotozoomRowTable),
    QX_SHOW_RECORD(rotozoomColumnTable),
    QX_SHOW_RECORD(tunnelState),
    QX_SHOW_RECORD(bumpState),
    QX_SHOW_RECORD(waterState),
    QX_SHOW_RECORD(waterFieldA),
    QX_SHOW_RECORD(waterFieldB),
    QX_SHOW_RECORD(workPicture),
    QX_SHOW_RECORD(sparePicture),
    QX_SHOW_RECORD(sequencerState),
    QX_SHOW_RECORD(textState),
    // Loaded from the archive again when the show starts again; the title scene smears it.
    {"assetBuffers.title8", assetBuffers.title8, sizeof assetBuffers.title8, nullptr, true, false},
    // The slots are registered again (the period kept) when the show starts again.
    {"tickScheduler", &tickScheduler, sizeof tickScheduler, &ResetToStart<tickScheduler>, true,
     false},
    // Every count is 0 between sorts, so what the buckets hold then is never read: not copied.
    {"sortBuckets", sortBuckets, sizeof sortBuckets, &ClearSortBuckets, false, true},
    QX_SHOW_FIELD(hostSettings.timerCounter),
    QX_SHOW_FIELD(hostSettings.shownFrameRate),
    QX_SHOW_FIELD(hostSettings.shownMusicPosition),
    QX_SHOW_FIELD(hostSettings.frameRate),
    QX_SHOW_FIELD(loopState.frameAccumulator),
    QX_SHOW_FIELD(loopState.rateWindowStart),
    QX_SHOW_FIELD(loopState.paceStart),
    QX_SHOW_FIELD(loopState.pacedPasses),
    QX_SHOW_FIELD(loopState.showPasses),
    QX_SHOW_FIELD(musicBinding.songStartClock),
};

const StateRecord kProgramLifetimeRecords[] = {
    // Options, settings and their outcome.
    QX_LIFETIME_RECORD(launchOptions),
    QX_LIFETIME_RECORD(hostSettings),
    QX_LIFETIME_RECORD(errorState),
    QX_LIFETIME_RECORD(sceneSettings),
    QX_LIFETIME_NAME("(anonymous namespace)::optionWords"),
    QX_LIFETIME_NAME("(anonymous namespace)::kStepNames"),
    // The frame loop, the display and the platform.
    QX_LIFETIME_RECORD(loopState),
    QX_LIFETIME_RECORD(displayState),
    QX_LIFETIME_RECORD(fullScreenState),
    QX_LIFETIME_RECORD(framebufferState),
    QX_LIFETIME_DATA(os::terminationState),
    // The framebuffer's pixels are the show's: snapshots copy them through hostSettings.
    QX_LIFETIME_NAME("(anonymous namespace)::framebufferPixels"),
    QX_LIFETIME_NAME("(anonymous namespace)::quantisedPixels"),
    QX_LIFETIME_NAME("(anonymous namespace)::activePlatform"),
    QX_LIFETIME_NAME("(anonymous namespace)::windowPlatform"),
    QX_LIFETIME_NAME("(anonymous namespace)::preRollPlatform"),
    QX_LIFETIME_NAME("(anonymous namespace)::childrenRunning"),
    QX_LIFETIME_NAME("(anonymous namespace)::savedPipeAction"),
    QX_LIFETIME_NAME("os::(anonymous namespace)::readAhead"),
    QX_LIFETIME_NAME("os::(anonymous namespace)::kLibraryFolders"),
    // The music binding (the song's start on the clock is the show's, above).
    QX_LIFETIME_RECORD(musicBinding),
    // The archive, its decoder, the entry buffers and the effects' precalculated tables.
    QX_LIFETIME_RECORD(archiveState),
    QX_LIFETIME_RECORD(entryReader),
    QX_LIFETIME_RECORD(decodeReport),
    QX_LIFETIME_DATA(assetBuffers),
    QX_LIFETIME_NAME("(anonymous namespace)::decodeTable"),
    QX_LIFETIME_NAME("(anonymous namespace)::decodeTree"),
    QX_LIFETIME_NAME("(anonymous namespace)::failureText"),
    QX_LIFETIME_DATA(angleTable),
    QX_LIFETIME_DATA(distanceTable),
    QX_LIFETIME_DATA(columnSineTable),
    QX_LIFETIME_DATA(rowSineTable),
    QX_LIFETIME_DATA(lightSineTableA),
    QX_LIFETIME_DATA(lightSineTableB),
    QX_LIFETIME_DATA(slopeMaps),
    QX_LIFETIME_NAME("(anonymous namespace)::gentleFadeLimits"),
    QX_LIFETIME_NAME("LinearLight()::table"),
    QX_LIFETIME_NAME("(anonymous namespace)::kLinear"),
    QX_LIFETIME_NAME("ImageObject(unsigned int)::header"),
    QX_LIFETIME_NAME("Objects()::objects"),
    QX_LIFETIME_NAME("(anonymous namespace)::kProductionTable"),
    // What the run records and reports: capture, storyboard, timing, flashes, start-up times.
    QX_LIFETIME_RECORD(captureState),
    QX_LIFETIME_NAME("(anonymous namespace)::failureCause"),
    QX_LIFETIME_RECORD(storyboardState),
    QX_LIFETIME_RECORD(timingReportState),
    QX_LIFETIME_RECORD(flashReportState),
    QX_LIFETIME_DATA(startupTimes),
    // The viewer's keys and note, the seek index, its shadow show and its snapshots' pages.
    QX_LIFETIME_RECORD(viewerState),
    QX_LIFETIME_NAME("(anonymous namespace)::notePicture"),
    QX_LIFETIME_RECORD(showJumpsState),
    QX_LIFETIME_NAME("(anonymous namespace)::shadowPlatform"),
    QX_LIFETIME_NAME("(anonymous namespace)::replayPlatform"),
    QX_LIFETIME_NAME("(anonymous namespace)::pageBytesInUse"),
    // What a page's player reads: the status, the orders' times, the description.
    QX_LIFETIME_NAME("(anonymous namespace)::pagePlayer"),
    // These lists themselves.
    QX_LIFETIME_NAME("(anonymous namespace)::pristineObjectImage"),
    QX_LIFETIME_NAME("(anonymous namespace)::kShowStateRecords"),
    QX_LIFETIME_NAME("(anonymous namespace)::kProgramLifetimeRecords"),
};

}  // namespace

std::span<const StateRecord> ShowStateRecords() { return kShowStateRecords; }

std::span<const StateRecord> ProgramLifetimeRecords() { return kProgramLifetimeRecords; }

void ResetAllRecordsForTest() {
    for (std::span<const StateRecord> list : {ShowStateRecords(), ProgramLifetimeRecords()})
        for (const StateRecord& record : list)
            if (record.reset != nullptr) record.reset();
}

}  // namespace qx
