// The line scenes: additive grey lines hung on the vertices of a turning object, so that
// crossings glow. Rays (rows 7 to 9: from every point of a turning ball to the picture centre,
// in a decaying trail buffer, flickering, then jittering), string web (rows 10 to 16: from every
// vertex's flat model position to its projected position, with two sliding text strips, beat
// flashes of the picture and of the lines, and a fade to white), web over picture (row 19: the
// web over back4) and web trails (row 25: web and faces in a decaying trail buffer).
#pragma once

namespace qx {

// Rows 7 and 9 (row 9 adds the black dip); row 8 jitters the picture by one pixel.
bool SetUpRays();
bool SetUpRaysThenBlackDip();
bool DrawRaysFrame();
bool DrawRaysFrameWithJitter();

// Row 10 draws the text strips; rows 11 to 16 the plain web. Rows 12 to 15 flash the lines,
// row 16 fades to white (delay 6) and its leave puts FadeDownTick back in the fade slot.
bool SetUpStringWeb();
void StringWebCallback();
bool DrawStringWebFrameWithText();
bool DrawStringWebFrame();
bool LineFlash();
bool FadeStringWebToWhite();
bool RestoreFadeDown();

// Row 19.
bool SetUpWebOverPicture();
bool DrawWebOverPictureFrame();

// Row 25.
bool SetUpWebTrails();
bool DrawWebTrailsFrame();

}  // namespace qx
