#include "music/scene_sequencer.h"

#include "music/music_binding.h"

namespace qx {

SequencerState sequencerState;

void SetSceneTable(const SceneTableRow* table) { sequencerState.currentRow = table; }

bool RunSequencer() {
    const uint32_t position = MusicPosition();
    const SceneTableRow* row = sequencerState.currentRow;
    if (row == nullptr || row->endPosition == kEndRowPosition) return false;
    if (position < row->endPosition) {
        if (row != sequencerState.lastEnteredRow) {
            sequencerState.lastEnteredRow = row;
            row->enter();
            return true;
        }
        if (row->frame()) return true;
    }
    row->leave();
    sequencerState.currentRow = ++row;
    return row->endPosition != kEndRowPosition;
}

}  // namespace qx
