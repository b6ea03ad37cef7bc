#include "tools/pictures/lettering.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace qx {

namespace {

// Font files by Typeface, set by the build from where it found them.
constexpr const char* kFontPaths[] = {QX_FONT_SANS, QX_FONT_SANS_BOLD, QX_FONT_SERIF_BOLD};

// A FreeType library with one face open, released on scope exit.
class OpenFace {
public:
    explicit OpenFace(Typeface typeface) : path_(kFontPaths[static_cast<int>(typeface)]) {
        if (FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
            return;
        }
        if (FT_New_Face(library_, path_, 0, &face_) != 0) face_ = nullptr;
    }
    ~OpenFace() {
        if (face_ != nullptr) FT_Done_Face(face_);
        if (library_ != nullptr) FT_Done_FreeType(library_);
    }
    OpenFace(const OpenFace&) = delete;
    OpenFace& operator=(const OpenFace&) = delete;

    bool Opened(std::string& failure) const {
        if (face_ != nullptr) return true;
        failure = std::string("cannot open the font ") + path_;
        return false;
    }

    // Draws the line onto a canvas with room around it, then crops the canvas to the ink.
    bool Render(std::string_view text, int pixelSize, int tracking, Plane& ink,
                std::string& failure) {
        if (FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
            failure = "the font has no size " + std::to_string(pixelSize);
            return false;
        }
        const int margin = pixelSize;
        const int width = static_cast<int>(text.size()) * (2 * pixelSize + tracking) + 2 * margin;
        Plane canvas(width, 3 * pixelSize);
        const int baseline = 2 * pixelSize;
        FT_Pos penX = margin * 64;  // 26.6 fixed point
        FT_UInt previous = 0;
        for (const char character : text) {
            const FT_UInt glyph = FT_Get_Char_Index(face_, static_cast<unsigned char>(character));
            if (previous != 0 && glyph != 0) {
                FT_Vector kerning{};
                if (FT_Get_Kerning(face_, previous, glyph, FT_KERNING_DEFAULT, &kerning) == 0)
                    penX += kerning.x;
            }
            if (FT_Load_Glyph(face_, glyph, FT_LOAD_RENDER) != 0) {
                failure = "cannot render the character code " +
                          std::to_string(static_cast<unsigned char>(character));
                return false;
            }
            const FT_GlyphSlot slot = face_->glyph;
            const FT_Bitmap& bitmap = slot->bitmap;
            const int left = static_cast<int>(penX >> 6) + slot->bitmap_left;
            const int top = baseline - slot->bitmap_top;
            for (int row = 0; row < static_cast<int>(bitmap.rows); ++row) {
                for (int column = 0; column < static_cast<int>(bitmap.width); ++column) {
                    const int x = left + column;
                    const int y = top + row;
                    if (x < 0 || x >= canvas.width || y < 0 || y >= canvas.height) continue;
                    const float coverage = bitmap.buffer[row * bitmap.pitch + column] / 255.0f;
                    canvas.At(x, y) = std::max(canvas.At(x, y), coverage);
                }
            }
            penX += slot->advance.x + tracking * 64;
            previous = glyph;
        }
        return Crop(canvas, ink, failure);
    }

private:
    static bool Crop(const Plane& canvas, Plane& ink, std::string& failure) {
        int left = canvas.width, right = -1, top = canvas.height, bottom = -1;
        for (int y = 0; y < canvas.height; ++y) {
            for (int x = 0; x < canvas.width; ++x) {
                if (canvas.At(x, y) <= 0.0f) continue;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
        if (right < 0) {
            failure = "the text has no ink";
            return false;
        }
        ink = Plane(right - left + 1, bottom - top + 1);
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) ink.At(x - left, y - top) = canvas.At(x, y);
        return true;
    }

    const char* path_;
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

}  // namespace

bool RenderLine(Typeface typeface, std::string_view text, int pixelSize, int tracking, Plane& ink,
                std::string& failure) {
    OpenFace face(typeface);
    return face.Opened(failure) && face.Render(text, pixelSize, tracking, ink, failure);
}

bool RenderFittedLine(Typeface typeface, std::string_view text, int maxPixelSize, int tracking,
                      int maxWidth, int maxHeight, Plane& ink, std::string& failure) {
    OpenFace face(typeface);
    if (!face.Opened(failure)) return false;
    for (int size = maxPixelSize; size >= 4; --size) {
        if (!face.Render(text, size, tracking, ink, failure)) return false;
        if (ink.width <= maxWidth && ink.height <= maxHeight) return true;
    }
    failure = std::string(text);
    failure +=
        " does not fit " + std::to_string(maxWidth) + " x " + std::to_string(maxHeight) + " pixels";
    return false;
}

}  // namespace qx
