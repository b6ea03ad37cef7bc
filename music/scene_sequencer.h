// The scene sequencer: walks the scene table by music position, one row per pass at most.
#pragma once

#include <cstdint>

namespace qx {

using SceneRoutine = bool (*)();

// One scene: played until the music position reaches endPosition. The enter and leave results
// are ignored; a frame routine that fails ends its scene early.
struct SceneTableRow {
    uint32_t endPosition;
    SceneRoutine enter;
    SceneRoutine frame;
    SceneRoutine leave;
    // No pixel drawn before this row is entered is read from then on, by this row or any later
    // one: its pictures are all drawn afresh from loaded pictures and state. A show started
    // past such a row need not draw the passes before it.
    bool startsAfresh = false;
    const char* name = "";  // the scene it plays, e.g. "flare-cloud"
};

inline constexpr uint32_t kEndRowPosition = 0xFFFFFFFF;  // marks the row that ends a table

// What one pass did to its row.
enum class SequencerPass : uint8_t { None, Enter, Frame, Leave };

struct SequencerState {
    const SceneTableRow* table = nullptr;       // row 0 of the table last set
    const SceneTableRow* currentRow = nullptr;  // null: the built-in end-only table
    const SceneTableRow* lastEnteredRow = nullptr;
    // The last pass: what it did (None when the table was already exhausted), to which row as an
    // index into the table (unset by a None pass), at which music position. A frame that fails
    // and leaves its row in the same pass counts as a leave: no finished frame came of it.
    SequencerPass lastPass = SequencerPass::None;
    uint32_t lastPassRow = 0;
    uint32_t lastPassPosition = 0;  // as MusicPosition gave it: order x 256 + row
};
extern SequencerState sequencerState;

// Makes the table's first row current and the table the one rows are counted in; the last
// entered row is kept.
void SetSceneTable(const SceneTableRow* table);

// One pass: enter the current row, run one frame of it, or leave it for the next. Fails when the
// table is exhausted (the production's normal end).
bool RunSequencer();

}  // namespace qx
