#include "music/scene_sequencer.h"

#include "music/music_binding.h"

namespace qx {

SequencerState sequencerState;

void SetSceneTable(const SceneTableRow* table) {
    sequencerState.table = table;
    sequencerState.currentRow = table;
}

bool RunSequencer() {
    SequencerState& state = sequencerState;
    const uint32_t position = MusicPosition();
    state.lastPassPosition = position;
    state.lastPass = SequencerPass::None;
    const SceneTableRow* row = state.currentRow;
    if (row == nullptr || row->endPosition == kEndRowPosition) return false;
    state.lastPassRow = static_cast<uint32_t>(row - state.table);
    if (position < row->endPosition) {
        if (row != state.lastEnteredRow) {
            state.lastEnteredRow = row;
            state.lastPass = SequencerPass::Enter;
            row->enter();
            return true;
        }
        state.lastPass = SequencerPass::Frame;
        if (row->frame()) return true;
    }
    state.lastPass = SequencerPass::Leave;
    row->leave();
    state.currentRow = ++row;
    return row->endPosition != kEndRowPosition;
}

}  // namespace qx
