#include "overlay/text_renderer.h"

#include <cstddef>

#include "base/display_state.h"
#include "base/host_settings.h"
#include "data/font.h"
#include "display/framebuffer.h"

namespace qx {

TextState textState;

namespace {

uint32_t* CursorPixel() {
    const uint32_t bytes = textState.lineOffset + textState.columnOffset;
    return hostSettings.framebuffer + bytes / 4;
}

}  // namespace

void ResetTextCursor(uint32_t lineOffset) {
    textState.columnOffset = 0;
    textState.lineOffset = lineOffset;
    textState.lineLength = displayState.width;
}

namespace {

// One glyph's ink at `pixel` in rows `stride` pixels apart, only where it falls inside
// [first, end); returns the pixel right of the glyph.
uint32_t* DrawGlyphWithin(uint32_t code, uint32_t* pixel, uint32_t stride, uint32_t colour,
                          const uint32_t* first, const uint32_t* end) {
    const GlyphRecord* found = GlyphFor(code);
    if (found == nullptr) return pixel + kGlyphWidth;  // no glyph: advance without ink
    const GlyphRecord& glyph = *found;
    const uint8_t* bits = GlyphBits(glyph);
    const auto within = [&](const uint32_t* p) {
        return first != nullptr && p >= first && p < end;
    };
    // The whole cell inside is the usual case and needs no test per pixel.
    const bool inside =
        within(pixel) && within(pixel + (kGlyphRows - 1) * stride + glyph.width - 1);
    uint32_t* row = pixel;
    for (uint32_t y = 0; y < kGlyphRows; ++y, row += stride, bits += glyph.width)
        for (uint32_t x = 0; x < glyph.width; ++x)
            if (bits[x] != 0 && (inside || within(row + x))) row[x] = colour;
    return pixel + glyph.width;
}

}  // namespace

uint32_t* DrawGlyph(uint32_t code, uint32_t* pixel) {
    const uint32_t* first = hostSettings.framebuffer;
    return DrawGlyphWithin(code, pixel, textState.lineLength, textState.textColour, first,
                           first + framebufferState.width * framebufferState.height);
}

uint32_t TextWidth(const char* text) {
    uint32_t width = 0;
    for (; *text != '\0'; ++text) {
        const GlyphRecord* glyph = GlyphFor(static_cast<uint8_t>(*text));
        width += glyph != nullptr ? glyph->width : kGlyphWidth;
    }
    return width;
}

void DrawTextInPicture(const char* text, uint32_t* pixels, uint32_t width, uint32_t rows,
                       uint32_t x, uint32_t y, uint32_t colour) {
    if (x >= width || y >= rows) return;
    uint32_t* pixel = pixels + size_t{y} * width + x;
    for (; *text != '\0'; ++text)
        pixel = DrawGlyphWithin(static_cast<uint8_t>(*text), pixel, width, colour, pixels,
                                pixels + size_t{width} * rows);
}

void PrintText(const uint8_t* text) {
    if (hostSettings.framebuffer == nullptr) return;
    uint32_t* pixel = CursorPixel();
    while (*text >= 2) pixel = DrawGlyph(*text++, pixel);
    if (*text == kEndNewLine) {
        textState.lineOffset += kGlyphRows * textState.lineLength * 4;
        textState.columnOffset = 0;
    } else {
        textState.columnOffset =
            static_cast<uint32_t>((pixel - hostSettings.framebuffer) * 4 - textState.lineOffset);
    }
}

void PrintText(const char* text) { PrintText(reinterpret_cast<const uint8_t*>(text)); }

void PrintHex8(uint32_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    textState.digitBuffer[0] = static_cast<uint8_t>(kDigits[(byte >> 4) & 15]);
    textState.digitBuffer[1] = static_cast<uint8_t>(kDigits[byte & 15]);
    textState.digitBuffer[2] = kEndSameLine;
    PrintText(textState.digitBuffer);
}

void PrintHex16(uint32_t value) {
    PrintHex8((value >> 8) & 0xFF);
    PrintHex8(value & 0xFF);
}

void PrintHex32(uint32_t value) {
    PrintHex16(value >> 16);
    PrintHex16(value & 0xFFFF);
}

}  // namespace qx
