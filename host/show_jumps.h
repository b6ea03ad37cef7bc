// Jumps in the show: to any music position, landing on exactly the state a show started there
// (--start) has when its first frame is due, the song put where that show's song is.
//
// A jump restores the nearest snapshot of a seek index and plays unseen, on a virtual clock of
// its own, from there to the position; then the show's times move to the platform's clock and
// the song is put at the matching time of play. The index holds a snapshot of the show at the
// start of every scene-table row and every order, each taken where the offline run is when the
// first pass at or past that position is due. A shadow show builds it: a second show, played
// unseen ahead of the one being watched in the time between its frames (BuildSeekIndex), its
// state swapped in and out with snapshots, its music positions from the song's timeline. A jump
// beyond what the index holds plays the shadow show on to it first.
//
// In the browser a second instance of the program, in a worker, plays the shadow show instead
// (--seek-index) and hands each entry over as bytes, with the song's timeline so far; the page's
// program takes them between its frames (ImportSeekIndexEntries) and checks the first against its
// own state at program start. A jump past what has come is not ready yet: the viewer's show holds
// until it is.
#pragma once

#include <cstdint>
#include <vector>

#include "host/show_snapshot.h"

namespace qx {

// At most this many passes of the shadow show a turn (about 10 ms of work at 60 frames a
// second), whatever the clock says: a clock that stands still while the program works (a
// virtual one) must not make a turn endless.
inline constexpr uint32_t kShadowPassesPerTurn = 64;
// Besides every row's start, the index has an entry every this many music rows (half an
// order of 64 rows, about 2.7 s of the show), so that a jump anywhere plays at most that much
// unseen after restoring its entry.
inline constexpr uint32_t kRowsPerOrder = 64;
inline constexpr uint32_t kIndexRowStep = 32;

struct SeekIndexEntry {
    uint32_t from = 0;     // the position it stands for: the first pass at or past it
    uint32_t reached = 0;  // the position that pass reads
    ShowSnapshot snapshot;
};

struct ShowJumpsState {
    bool started = false;
    std::vector<uint32_t> thresholds;     // every row's and order's start, ascending
    std::vector<SeekIndexEntry> entries;  // one per threshold reached, ascending
    ShowSnapshot shadow;                  // the shadow show between its turns
    bool shadowEnded = false;             // it has played the whole table
    ShowSnapshot live;                    // the watched show while the shadow plays
    ShowSnapshot start;                   // the show at program start
    // The index comes from another instance of the program; entries offered, not yet read.
    bool fromOutside = false;
    std::vector<std::vector<uint8_t>> offered;
};
extern ShowJumpsState showJumpsState;

// At the start of the frame loop, before anything is played: the state of program start is the
// shadow show's first state and the index's first entry.
void StartShowJumps();
// Forgets the index and its snapshots.
void StopShowJumps();

// Plays the shadow show on until the platform's clock reads `until` (at least one pass, at most
// kShadowPassesPerTurn), or it reaches the end. Returns whether the index is still incomplete.
bool BuildSeekIndex(uint32_t until);

enum class JumpResult : uint8_t { Landed, PastTheEnd, NotReady };
// Brings the show to `position`: Landed leaves it with the first pass at or past the position
// slept for and not run, as a start there does; PastTheEnd when the show ends before it (the
// show is then wherever it stopped, and the caller ends it as the end would); NotReady, nothing
// done, while the index comes from outside and has not reached the position yet.
JumpResult JumpTo(uint32_t position);
// Whether a jump to `position` could land now (JumpTo would not say NotReady).
bool JumpReady(uint32_t position);

// The index from another instance from now on (true), or built here again (false: the other
// instance has gone; the shadow show goes on from the last entry that came).
void TakeSeekIndexFromOutside(bool outside);
// Bytes of an entry from the other instance, kept until the next ImportSeekIndexEntries.
void OfferSeekIndexEntry(const uint8_t* bytes, size_t size);
// Reads the entries offered, in order. An entry that does not fit (damaged, another program's
// layout, another show's state at program start, out of order) ends taking the index from
// outside, with a line on standard error. Returns whether any was added.
bool ImportSeekIndexEntries();
// --seek-index: plays the shadow show to the end, handing every entry to the platform as it is
// taken (and printing a line for each), keeping only the last one's snapshot.
void PublishWholeSeekIndex();

// The show's pass count at the index's entry for `position` (a row's or an order's start) when
// the index has reached it; else false.
bool ShowPassesAt(uint32_t position, uint64_t& passes);

// Bytes the index's and the shadow show's snapshots hold.
size_t SeekIndexBytes();

}  // namespace qx
