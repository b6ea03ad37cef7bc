#include "host/page_player.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "display/framebuffer.h"
#include "host/frame_loop.h"
#include "host/show_jumps.h"
#include "host/viewer_controls.h"
#include "music/music_binding.h"
#include "music/scene_sequencer.h"
#include "scenes/scene_table.h"

namespace qx {

namespace {

inline constexpr uint32_t kOrderCapacity = 256;  // music positions hold the order in 8 bits

struct PagePlayerState {
    uint32_t status[kPlayerStatusWords] = {};
    bool started = false;
    // The orders' start times (ms) and rows, read from the sound module once.
    bool layoutRead = false;
    uint32_t orderCount = 0;
    uint32_t orderStart[kOrderCapacity] = {};
    uint32_t orderRows[kOrderCapacity] = {};
    std::string description;
};
PagePlayerState pagePlayer;

void ReadLayout() {
    PagePlayerState& player = pagePlayer;
    if (player.layoutRead) return;
    player.orderCount = std::min(
        MusicOrderLayout(player.orderStart, player.orderRows, kOrderCapacity), kOrderCapacity);
    // Asked before the song is loaded, the layout is read again later.
    player.layoutRead = player.orderCount > 0;
}

PlayerState CurrentState() {
    const ViewerState& viewer = viewerState;
    if (viewer.preparing) return PlayerState::Preparing;
    if (viewer.ended) return PlayerState::Ended;
    return viewer.paused ? PlayerState::Paused : PlayerState::Playing;
}

}  // namespace

uint32_t PositionMilliseconds(uint32_t position) {
    ReadLayout();
    const PagePlayerState& player = pagePlayer;
    const uint32_t order = (position >> 8) & 0xFF, row = position & 0xFF;
    if (order >= player.orderCount) return 0;
    const uint32_t start = player.orderStart[order];
    const uint32_t rows = player.orderRows[order];
    if (order + 1 >= player.orderCount || rows == 0) return start;
    const uint32_t length = player.orderStart[order + 1] - start;
    return start + static_cast<uint32_t>(uint64_t{length} * std::min(row, rows) / rows);
}

void NotePlayerStatus() {
    PagePlayerState& player = pagePlayer;
    const ViewerState& viewer = viewerState;
    player.started = true;
    uint32_t* status = player.status;
    status[0] = static_cast<uint32_t>(CurrentState());
    if (status[6] != loopState.passCount || status[7] != viewer.jumpsLanded) {
        status[1] = sequencerState.lastPassPosition;
        status[2] = CurrentRow();
        status[3] = MusicPlayedMilliseconds();
    }
    if (status[4] != viewer.lastTarget) {
        status[4] = viewer.lastTarget;
        status[5] = viewer.lastTarget == kEndRowPosition
                        ? PositionMilliseconds(RowStartPosition(kSceneRowCount))
                        : PositionMilliseconds(viewer.lastTarget);
    }
    status[6] = static_cast<uint32_t>(loopState.passCount);
    status[7] = viewer.jumpsLanded;
}

}  // namespace qx

using namespace qx;

uint32_t qx_player_request(uint32_t request, uint32_t value) {
    // Indexed by PlayerRequest's numbers, from 1.
    constexpr ViewerKey kMeanings[] = {ViewerKey::Pause,       ViewerKey::Play,   ViewerKey::Hold,
                                       ViewerKey::NextRow,     ViewerKey::PreviousRow,
                                       ViewerKey::SeekTo,      ViewerKey::Restart};
    if (!pagePlayer.started || request == 0 || request > std::size(kMeanings)) return 0;
    QueueViewerRequest(kMeanings[request - 1], value & 0xFFFF);
    return 1;
}

const uint32_t* qx_player_status() { return pagePlayer.status; }

const char* qx_player_description() {
    PagePlayerState& player = pagePlayer;
    ReadLayout();
    const uint32_t end = RowStartPosition(kSceneRowCount);
    std::string text = "{\"endMs\":" + std::to_string(PositionMilliseconds(end)) + ",\"rows\":[";
    for (uint32_t row = 0; row < kSceneRowCount; ++row) {
        const uint32_t position = RowStartPosition(row);
        const std::string name = SceneRowName(row);
        const bool scene = row == 0 || name != SceneRowName(row - 1);
        text += (row > 0 ? ",{" : "{");
        text += "\"name\":\"" + name + "\",\"position\":" + std::to_string(position) +
                ",\"ms\":" + std::to_string(PositionMilliseconds(position)) +
                ",\"scene\":" + (scene ? "true" : "false") + "}";
    }
    text += "],\"orders\":[";
    const uint32_t orders = std::min(player.orderCount, (end >> 8) + 1);
    for (uint32_t order = 0; order < orders; ++order) {
        text += (order > 0 ? ",{" : "{");
        text += "\"ms\":" + std::to_string(player.orderStart[order]) +
                ",\"rows\":" + std::to_string(player.orderRows[order]) + "}";
    }
    text += "]}";
    player.description = std::move(text);
    return player.description.c_str();
}

void qx_seek_index_from_outside(uint32_t outside) { TakeSeekIndexFromOutside(outside != 0); }

void qx_seek_index_offer(const uint8_t* bytes, uint32_t size) { OfferSeekIndexEntry(bytes, size); }
