// Picture-effect scenes: whole-picture table effects under the film finish, no 3D objects.
// Tunnel (the tunnel averaged with the three-centre interference, both through texture4, with a
// line of text), wave (the table plasma of texture6 with a text line climbing up, flickering),
// bump (picbump lit by flarebmp under a wandering light, a text line creeping right, half flashes
// on the beat), rotozoom (texture5 turning and zooming in, flickering white, then black) and
// water (ripples over piclogo, fading to black at the end of the show).
//
// Every callback sits in the scene slot and fires every 2 ms; its countdowns count firings.
#pragma once

#include <cstdint>

namespace qx {

// Tunnel; its leave releases the scene slot.
bool SetUpTunnel();
void TunnelCallback();
bool DrawTunnelFrame();

// Wave; its leave releases the scene slot.
bool SetUpWave();
void WaveCallback();
bool DrawWaveFrame();

// Bump: its first row sets up, the rows after it enter with the half flash only (the light and
// the strip run on); the last row's leave releases the scene slot.
bool SetUpBump();
void BumpCallback();
bool DrawBumpFrame();

// Rotozoom: the same frame with the white fade step, then with the black one; the row of the
// black one has no enter action and its leave releases the scene slot.
bool SetUpRotozoom();
void RotozoomCallback();
bool DrawRotozoomFrameWhite();
bool DrawRotozoomFrameBlack();

// Water; its last row enters with the fade to black (delay 4), and that row's leave releases
// the fade slot.
bool SetUpWater();
bool DrawWaterFrame();
bool FadeWaterToBlack();

}  // namespace qx
