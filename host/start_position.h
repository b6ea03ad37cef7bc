// A show shown from a music position (--start): every pass before it is played first, offline
// and silently, exactly as in the offline run (the same passes on the virtual clock, the sound
// module rendering the song without output, nothing presented), so that every buffer, counter,
// fade and callback is as in a full play at that point. The offline run itself needs nothing
// more; a run on the window plays those passes on an offline platform of its own and then hands
// the clock, and the song, back to the real one.
#pragma once

namespace qx {

// Before the song is played: on the window with a start position, the offline platform stands
// in for the window's until EndPreRoll. Nothing otherwise.
void BeginPreRoll();

// After the passes before the start: the song plays on in real time from its position and the
// window's platform is back. Returns whether it was away, in which case the caller restarts its
// pacing and ticks on the real clock.
bool EndPreRoll();

}  // namespace qx
