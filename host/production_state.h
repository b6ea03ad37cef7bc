// The production's own state: everything the show changes while it plays. The scenes' and the
// effects' records, the random generator and its noise table, the baked-in object image (written
// in place by the animation), the work and spare pictures, the water fields, the tick slots, the
// scene sequencer, and the asset buffers a scene or the precalculation changes in place (title8,
// picbump8, picbump). Two resets to program start: the records alone, which needs no archive,
// and the whole state as start-up leaves it, for a show that starts again.
#pragma once

#include <cstddef>
#include <vector>

namespace qx {

// A stretch of memory the show changes as it plays, copied byte for byte by a snapshot.
struct StateRegion {
    void* bytes;
    size_t size;
};

// Every record of the show's state (host/state_registry.h) that a snapshot copies, and the
// framebuffer's pixels once it exists: copying these back returns the show to where it was. The
// records hold pointers only into static data, so their bytes stay valid.
std::vector<StateRegion> ProductionRegions();

// Every record of the show's state that a new start resets to its program-image value: the
// object image to its bytes at program start, the pictures, tables and water fields to zero, the
// sequencer without a table.
void ResetProductionRecords();

// The tick slots start-up registers: slot 1 FadeDownTick, slot 7 the timer counter.
void RegisterProductionTickSlots();

// The state at the end of start-up: the records reset, only the start-up tick slots registered
// (the period is kept), the production's scene table at its first row, the framebuffer black and
// the timer counter 0, the asset list loaded again from the archive and the effects prepared
// again. Fails with error 9 when the archive no longer loads.
bool ResetProductionState();

}  // namespace qx
