// The production's scene table.
#pragma once

#include <cstdint>

#include "music/scene_sequencer.h"

namespace qx {

inline constexpr uint32_t kSceneRowCount = 39;  // rows before the end row

const SceneTableRow* ProductionSceneTable();
// The scene row `row` plays ("flare-cloud"); "" past the last row.
const char* SceneRowName(uint32_t row);

}  // namespace qx
