// The one list of the program's writable static state, in two parts:
//
// - the show's state: everything the show changes while it plays (the scenes' and the effects'
//   records, the random generator, the pictures, the object image, the tick slots, the
//   sequencer, and the fields of the host's records that the frame loop and the music binding
//   keep for the show). Snapshots copy it, a show that starts again resets it, tests reset it.
// - program-lifetime state: what is set up once and kept for the whole run (options, settings,
//   the platform, the archive, the precalculated tables, capture, storyboard and reports, the
//   seek index itself). Only tests reset it.
//
// A check (tests/layout/static_state.sh) compares these lists with the writable static storage
// of the engine library: a record added anywhere without being listed here fails it.
#pragma once

#include <cstddef>
#include <span>

namespace qx {

struct StateRecord {
    // The variable as the engine names it, without the qx:: namespace ("fadeState",
    // "(anonymous namespace)::optionWords", "LinearLight()::table"); a name with a '.' is a field
    // of a program-lifetime record.
    const char* name;
    void* bytes;  // null for state no other file can reach (it resets itself where it lives)
    size_t size;
    void (*reset)();  // back to its value at program start; null: its owner sets it up again
    bool snapshot;    // copied by a snapshot of the show
    bool restart;     // reset by a show that starts again (else set up again by its owner)
};

std::span<const StateRecord> ShowStateRecords();
std::span<const StateRecord> ProgramLifetimeRecords();

// Every record of both lists with a reset, as a test does between runs.
void ResetAllRecordsForTest();

}  // namespace qx
