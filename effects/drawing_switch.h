// Whether the drawing routines write pixels at all. A show started part-way plays its earlier
// passes without drawing wherever no later pass reads what they would draw: the routines whose
// only effect is pixels then return at once, while everything else a frame changes (objects,
// random numbers, the grain's noise, phases, counters, the water's fields) moves on exactly as
// when drawing. On by default; only the start-position pre-roll turns it off.
#pragma once

namespace qx {

struct DrawingSwitch {
    bool off = false;
};
inline DrawingSwitch drawingSwitch;

inline bool DrawingOff() { return drawingSwitch.off; }

}  // namespace qx
