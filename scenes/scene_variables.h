// Every scene's own animation state in one record: countdowns, counters, strip
// positions and indices of all 18 scenes, with the values the program starts
// with. Enter routines set only what their scene needs; everything else carries
// over from row to row, so a fresh record (sceneVariables = {}) is exactly the
// state at program start.
//
// Countdowns follow the scene countdown convention (scene_conventions.h). Strip
// positions are pixel offsets into the work picture (row x 320 + column).
#pragma once

#include <cstdint>

namespace qx {

struct SceneVariables {
    // Opening scenes.
    uint32_t focusPasses = 0;          // SmearDiagonal passes of this title frame
    uint32_t focusCountdown = 768;     // focus callback, reload 128
    uint32_t lineColourCountdown = 0;  // line fade-in (reload 512) and fade-out (reload 256)

    // Objects over pictures.
    uint32_t twinsEchoCounter = 0;  // frames since the spare picture last took the work picture

    // Line scenes.
    uint32_t stripCountdown = 0;          // string web callback, reload 72
    uint32_t upperStripPosition = 7040;   // row 22, column 0
    uint32_t lowerStripPosition = 54400;  // row 170, column 0
    int32_t jitterSource = 0;             // 0 or -1: offset the jittered frame is read from

    // Echo scenes.
    uint32_t greyEchoCounter = 0;
    uint32_t rollCountdown = 0;  // roll callback, reload 32
    uint32_t morphEchoCounter = 0;
    uint32_t morphIndex = 0;  // 0 .. 38 into the morph mesh table
    uint32_t morphStepTimer = 0;  // reduced flashing: the host's timer counter at the last step

    // Picture-effect scenes.
    uint32_t tunnelCountdown = 0;            // tunnel callback, reload 8
    uint32_t climbCountdown = 0;             // wave callback, reload 72
    uint32_t climbingStripPosition = 51200;  // row 160, column 0
    uint32_t lightCountdown = 0;             // bump callback, reload 16
    uint32_t creepCountdown = 0;             // counted in light steps, reload 2
    uint32_t lightIndexA = 64;               // 0 .. 255 into light sine table A
    uint32_t lightIndexB = 0;                // 0 .. 255 into light sine table B
    uint32_t creepingStripPosition = 54400;  // row 170, column 0
    uint32_t zoomCountdown = 0;              // rotozoom callback, reload 42
};
extern SceneVariables sceneVariables;

}  // namespace qx
