// The echo scenes: several objects drawn every frame over the previous finished picture instead
// of a cleared one, with a ghost of an older frame mixed in. Grey echo (three objects turned
// grey, a copy every fourth frame blended back), film roll (the same objects in colour on black,
// the picture rolling vertically through a black band) and morph (a mesh replaced every frame by
// the next of 39, with red flares and the textured object, blended with a copy every eighth
// frame).
#pragma once

#include <cstdint>

namespace qx {

// Grey echo.
bool SetUpGreyEcho();
bool DrawGreyEchoFrame();
// Every pixel becomes grey (blue + 2 x green + red) / 4, rounded down, top byte 0.
void ConvertToGrey(uint32_t* picture);

// Film roll: the grey echo's objects run on without a restart.
bool SetUpFilmRoll();
void RollCallback();
bool DrawFilmRollFrame();

// Morph (its last row enters with the half flash).
bool SetUpMorph();
bool DrawMorphFrame();

}  // namespace qx
