// The opening scenes, rows 0 to 3, all in grey: the title coming into focus out
// of a diagonal smear while fading in from black, then the glowing wireframe
// trails of a turning mesh over the title, which darkens away while the lines
// fade out.
#pragma once

namespace qx {

// Row 0: title set-up, title frame, and the focus callback that lowers the
// smear count.
bool SetUpTitle();
bool DrawTitleFrame();
void FocusCallback();

// Row 1: wireframe set-up, wireframe frame, line fade-in callback.
bool SetUpWireframe();
bool DrawWireframeFrame();
void LineFadeInCallback();

// Rows 2 and 3: wireframe frame with fading title; row 3's enter is the line
// fade-out.
bool DrawWireframeFrameWithFadingTitle();
bool StartLineFadeOut();
void LineFadeOutCallback();

}  // namespace qx
