// The text renderer: 8 x 13 glyphs drawn ink-only into the framebuffer at a text cursor.
// Strings are byte strings whose first byte below 2 ends them: 0 moves the cursor to the start of
// the next text line (13 rows lower), 1 leaves it right behind the last character.
#pragma once

#include <cstdint>

namespace qx {

inline constexpr uint8_t kEndNewLine = 0;
inline constexpr uint8_t kEndSameLine = 1;
inline constexpr uint32_t kTextColour = 0x00F000;  // green

struct TextState {
    uint32_t lineLength = 0;  // pixels per framebuffer row
    uint32_t textColour = kTextColour;
    uint32_t columnOffset = 0;  // bytes from the start of the text line to the cursor
    uint32_t lineOffset = 0;    // bytes from the framebuffer start to the text line
    uint8_t digitBuffer[3] = {'0', '0', kEndSameLine};
};
extern TextState textState;

// Column 0 of the line `lineOffset` bytes into the framebuffer; the line length follows the
// display width.
void ResetTextCursor(uint32_t lineOffset);
void PrintText(const uint8_t* text);
void PrintText(const char* text);
void PrintHex8(uint32_t byte);
void PrintHex16(uint32_t value);
void PrintHex32(uint32_t value);

// Draws one glyph with its top-left corner at `pixel` and returns the pixel right of it. Codes
// 0x60 and above use the slots 0x20 lower (lower case shares the letter shapes); codes without a
// glyph advance without ink. Ink that would fall outside the framebuffer is not drawn.
uint32_t* DrawGlyph(uint32_t code, uint32_t* pixel);

// Pixels across that `text` (plain characters, NUL-terminated) takes.
uint32_t TextWidth(const char* text);

// Draws `text` (plain characters) in `colour` with its top-left corner at (x, y) of a picture of
// width x rows pixels, rows packed, clipped to it: for pictures other than the framebuffer.
void DrawTextInPicture(const char* text, uint32_t* pixels, uint32_t width, uint32_t rows,
                       uint32_t x, uint32_t y, uint32_t colour);

}  // namespace qx
