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
};

inline constexpr uint32_t kEndRowPosition = 0xFFFFFFFF;  // marks the row that ends a table

struct SequencerState {
    const SceneTableRow* currentRow = nullptr;      // null: the built-in end-only table
    const SceneTableRow* lastEnteredRow = nullptr;
};
extern SequencerState sequencerState;

// Makes the table's first row current; the last entered row is kept.
void SetSceneTable(const SceneTableRow* table);

// One pass: enter the current row, run one frame of it, or leave it for the next. Fails when the
// table is exhausted (the production's normal end).
bool RunSequencer();

}  // namespace qx
