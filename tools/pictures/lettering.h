// Lettering for the pictures: single lines of text rendered with FreeType (8-bit anti-aliased
// coverage) from the DejaVu fonts of Debian's fonts-dejavu-core, whose files the build locates
// when it is configured.
#pragma once

#include <string>
#include <string_view>

#include "tools/pictures/procedural.h"

namespace qx {

enum class Typeface { Sans, SansBold, SerifBold };

// One line of text: coverage 0..1 per pixel, cropped to the ink, so its size is the ink's size.
// `pixelSize` is the em size in pixels; `tracking` adds pixels between letters. Fails, with the
// cause in failure, when the font cannot be opened or the text has no ink.
bool RenderLine(Typeface typeface, std::string_view text, int pixelSize, int tracking, Plane& ink,
                std::string& failure);

// RenderLine at the largest em size, up to maxPixelSize, whose ink fits maxWidth x maxHeight.
bool RenderFittedLine(Typeface typeface, std::string_view text, int maxPixelSize, int tracking,
                      int maxWidth, int maxHeight, Plane& ink, std::string& failure);

}  // namespace qx
