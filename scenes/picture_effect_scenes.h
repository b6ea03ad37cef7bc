// Picture-effect scenes: whole-picture table effects under the film finish, no 3D objects.
// Tunnel (row 22: the tunnel averaged with the three-centre interference, both through texture4,
// with a line of text), wave (row 24: the table plasma of texture6 with a text line climbing up,
// flickering), bump (rows 26 to 32: picbump lit by flarebmp under a wandering light, a text line
// creeping right, six half flashes on the beat), rotozoom (rows 35 and 36: texture5 turning and
// zooming in, flickering white, then black) and water (rows 37 and 38: ripples over piclogo,
// fading to black at the end of the show).
//
// Every callback sits in the scene slot and fires every 2 ms; its countdowns count firings.
#pragma once

#include <cstdint>

namespace qx {

// Row 22; its leave releases the scene slot.
bool SetUpTunnel();
void TunnelCallback();
bool DrawTunnelFrame();

// Row 24; its leave releases the scene slot.
bool SetUpWave();
void WaveCallback();
bool DrawWaveFrame();

// Rows 26 to 32: row 26 sets up, rows 27 to 32 enter with the half flash only (the light and
// the strip run on); row 32's leave releases the scene slot.
bool SetUpBump();
void BumpCallback();
bool DrawBumpFrame();

// Rows 35 and 36: the same frame with the white fade step, then the black one; row 36 has no
// enter action and its leave releases the scene slot.
bool SetUpRotozoom();
void RotozoomCallback();
bool DrawRotozoomFrameWhite();
bool DrawRotozoomFrameBlack();

// Rows 37 and 38; row 38's enter is the fade to black (delay 4), its leave releases the fade
// slot.
bool SetUpWater();
bool DrawWaterFrame();
bool FadeWaterToBlack();

}  // namespace qx
