// The line scenes: additive grey lines hung on the vertices of a turning object, so that
// crossings glow. Rays (from every point of a turning ball to the picture centre, in a decaying
// trail buffer, flickering, then jittering), string web (from every vertex's flat model position
// to its projected position, with two sliding text strips, beat flashes of the picture and of the
// lines, and a fade to white), web over picture (the web over back4) and web trails (web and faces
// in a decaying trail buffer).
#pragma once

namespace qx {

// Rays: set up afresh, or afresh with a black dip; the frame with jitter moves the picture by
// one pixel.
bool SetUpRays();
bool SetUpRaysThenBlackDip();
bool DrawRaysFrame();
bool DrawRaysFrameWithJitter();

// String web: its first row draws the text strips, the rows after it the plain web. LineFlash
// is the enter of the rows that flash the lines; the last row fades to white (delay 6) and its
// leave puts FadeDownTick back in the fade slot.
bool SetUpStringWeb();
void StringWebCallback();
bool DrawStringWebFrameWithText();
bool DrawStringWebFrame();
bool LineFlash();
bool FadeStringWebToWhite();
bool RestoreFadeDown();

// Web over picture.
bool SetUpWebOverPicture();
bool DrawWebOverPictureFrame();

// Web trails.
bool SetUpWebTrails();
bool DrawWebTrailsFrame();

}  // namespace qx
