// The production's scene table.
#pragma once

#include "music/scene_sequencer.h"

namespace qx {

const SceneTableRow* ProductionSceneTable();

}  // namespace qx
