// Start-up and shutdown: the subsystems brought up in their fixed order, the frame loop, and the
// one shutdown sequence that also follows every failed start-up step.
#pragma once

#include <cstdint>

namespace qx {

// Runs start-up, the frame loop and shutdown with the active platform. The command line must
// have been parsed. Returns the error code, 0 after a normal end; a failure has been reported on
// standard error.
uint32_t RunProduction();

// Tick slot 7: the overlay's timer counter.
void AdvanceTimerCounter();

}  // namespace qx
