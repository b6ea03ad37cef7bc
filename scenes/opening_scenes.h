// The opening scenes, all in grey: the title coming into focus out of a
// diagonal smear while fading in from black, then the glowing wireframe trails
// of a turning mesh over the title, which darkens away while the lines fade out.
#pragma once

namespace qx {

// The title: set-up, frame, and the focus callback that lowers the smear count.
bool SetUpTitle();
bool DrawTitleFrame();
void FocusCallback();

// The wireframe's first row: set-up, frame, line fade-in callback.
bool SetUpWireframe();
bool DrawWireframeFrame();
void LineFadeInCallback();

// The wireframe's later rows: the frame with the fading title; the last of them
// enters with the line fade-out.
bool DrawWireframeFrameWithFadingTitle();
bool StartLineFadeOut();
void LineFadeOutCallback();

}  // namespace qx
