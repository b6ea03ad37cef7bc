// The production's scene table.
#pragma once

#include <cstdint>

#include "music/scene_sequencer.h"

namespace qx {

inline constexpr uint32_t kSceneRowCount = 39;  // rows before the end row

const SceneTableRow* ProductionSceneTable();
// The scene row `row` plays ("flare-cloud"); "" past the last row.
const char* SceneRowName(uint32_t row);

// The music position at which row `row` begins (0 for the first row).
uint32_t RowStartPosition(uint32_t row);

// The row played at music position `position`: the last whose start is at or before it.
uint32_t RowAt(uint32_t position);

}  // namespace qx
