// The SDL presentation: the present surface, the framebuffer scaled and centred in the window.
#include <SDL.h>

#include <algorithm>
#include <cstdint>

#include "platform/sdl_platform_parts.h"
#include "platform/sharp_scaler.h"

namespace qx {
namespace {

void ReleaseTexture(SDL_Texture*& texture) {
    if (texture != nullptr) {
        SDL_DestroyTexture(texture);
        texture = nullptr;
    }
}

}  // namespace

bool SdlPlatform::CreatePresentSurface(uint32_t width, uint32_t height) {
    ReleasePresentSurface();
    if (renderer_ == nullptr || width == 0 || height == 0) {
        return false;
    }
    // Fitted on the processor, the texture is made at the first present, at the fitted size.
    if (!fitOnProcessor_) {
        source_ =
            SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_XRGB8888, SDL_TEXTUREACCESS_STREAMING,
                              static_cast<int>(width), static_cast<int>(height));
        if (source_ == nullptr) {
            return false;
        }
        SDL_SetTextureScaleMode(source_, SDL_ScaleModeNearest);
    }
    sourceWidth_ = static_cast<int>(width);
    sourceHeight_ = static_cast<int>(height);
    return true;
}

void SdlPlatform::ReleasePresentSurface() {
    ReleasePrescaled();
    ReleaseTexture(source_);
    ReleaseTexture(fitted_);
    sourceWidth_ = 0;
    sourceHeight_ = 0;
}

// The picture must have the present surface's size; anything else is ignored rather than
// read out of bounds. Nothing is uploaded or drawn for a window nobody can see: a hidden
// window never waits for vsync, and the frame loop's sleep keeps the processor free.
void SdlPlatform::Present(const uint32_t* pixels, uint32_t width, uint32_t height, uint32_t pitch) {
    if (!WindowVisible() || renderer_ == nullptr || pixels == nullptr ||
        static_cast<int>(width) != sourceWidth_ || static_cast<int>(height) != sourceHeight_ ||
        pitch < width) {
        return;
    }
    int outputWidth = 0;
    int outputHeight = 0;
    if (SDL_GetRendererOutputSize(renderer_, &outputWidth, &outputHeight) != 0 ||
        outputWidth <= 0 || outputHeight <= 0) {
        return;
    }
    const SDL_Rect target = FitRectangle(outputWidth, outputHeight);
    SDL_Texture* shown = fitOnProcessor_ ? FittedOnProcessor(pixels, pitch, target)
                                         : FittedByRenderer(pixels, pitch, target);
    if (shown == nullptr) {
        return;
    }
    SDL_SetRenderTarget(renderer_, nullptr);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, SDL_ALPHA_OPAQUE);
    ClearAround(target, outputWidth, outputHeight);
    SDL_RenderCopy(renderer_, shown, nullptr, &target);
    SDL_RenderPresent(renderer_);
}

void SdlPlatform::RecreatePresentSurface() {
    if (sourceWidth_ == 0) {
        return;
    }
    const auto width = static_cast<uint32_t>(sourceWidth_);
    const auto height = static_cast<uint32_t>(sourceHeight_);
    CreatePresentSurface(width, height);
}

// The largest rectangle of the picture's shape (4:3, or the framebuffer's own proportions
// with square pixels) that fits the output, centred. All sizes in output pixels.
SDL_Rect SdlPlatform::FitRectangle(int outputWidth, int outputHeight) const {
    const int64_t shapeWidth = squarePixels_ ? sourceWidth_ : 4;
    const int64_t shapeHeight = squarePixels_ ? sourceHeight_ : 3;
    int64_t width = outputWidth;
    int64_t height = outputHeight;
    if (int64_t{outputWidth} * shapeHeight > int64_t{outputHeight} * shapeWidth) {
        width = (int64_t{outputHeight} * shapeWidth + shapeHeight / 2) / shapeHeight;
    } else {
        height = (int64_t{outputWidth} * shapeHeight + shapeWidth / 2) / shapeWidth;
    }
    width = std::max<int64_t>(width, 1);
    height = std::max<int64_t>(height, 1);
    SDL_Rect rect;
    rect.w = static_cast<int>(width);
    rect.h = static_cast<int>(height);
    rect.x = (outputWidth - rect.w) / 2;
    rect.y = (outputHeight - rect.h) / 2;
    return rect;
}

// Black over whatever of the output the picture does not cover.
void SdlPlatform::ClearAround(const SDL_Rect& picture, int outputWidth, int outputHeight) {
    const SDL_Rect bars[] = {
        {0, 0, outputWidth, picture.y},
        {0, picture.y + picture.h, outputWidth, outputHeight - picture.y - picture.h},
        {0, picture.y, picture.x, picture.h},
        {picture.x + picture.w, picture.y, outputWidth - picture.x - picture.w, picture.h}};
    for (const SDL_Rect& bar : bars) {
        if (bar.w > 0 && bar.h > 0) {
            SDL_RenderFillRect(renderer_, &bar);
        }
    }
}

// The picture fitted to `target` by the scaler into a streaming texture of that size, to be
// copied 1:1; null when no texture can be had.
SDL_Texture* SdlPlatform::FittedOnProcessor(const uint32_t* pixels, uint32_t pitch,
                                            const SDL_Rect& target) {
    if (fitted_ == nullptr || static_cast<uint32_t>(target.w) != scaler_.OutputWidth() ||
        static_cast<uint32_t>(target.h) != scaler_.OutputHeight()) {
        ReleaseTexture(fitted_);
        fitted_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_XRGB8888,
                                    SDL_TEXTUREACCESS_STREAMING, target.w, target.h);
        if (fitted_ == nullptr) {
            return nullptr;
        }
        SDL_SetTextureScaleMode(fitted_, SDL_ScaleModeNearest);
        scaler_.Configure(static_cast<uint32_t>(sourceWidth_), static_cast<uint32_t>(sourceHeight_),
                          static_cast<uint32_t>(target.w), static_cast<uint32_t>(target.h));
    }
    void* texels = nullptr;
    int texturePitch = 0;
    if (SDL_LockTexture(fitted_, nullptr, &texels, &texturePitch) != 0) {
        return nullptr;
    }
    scaler_.Scale(pixels, pitch, static_cast<uint32_t*>(texels),
                  static_cast<uint32_t>(texturePitch) / sizeof(uint32_t));
    SDL_UnlockTexture(fitted_);
    return fitted_;
}

// The picture uploaded at its own size; the renderer enlarges it (through the prescaled
// target where it has render targets).
SDL_Texture* SdlPlatform::FittedByRenderer(const uint32_t* pixels, uint32_t pitch,
                                           const SDL_Rect& target) {
    if (source_ == nullptr || SDL_UpdateTexture(source_, nullptr, pixels,
                                                static_cast<int>(pitch * sizeof(uint32_t))) != 0) {
        return nullptr;
    }
    SDL_Texture* scaled = Prescaled(target);
    return scaled != nullptr ? scaled : source_;
}

// Draws the source enlarged by whole factors per axis (nearest neighbour) into the
// intermediate target, so that the final linear fit only blends at pixel edges. Returns the
// intermediate texture, or null when render targets are unavailable (the caller then fits
// the source directly, nearest neighbour).
SDL_Texture* SdlPlatform::Prescaled(const SDL_Rect& target) {
    if (!renderTargets_ || SDL_RenderTargetSupported(renderer_) != SDL_TRUE) {
        return nullptr;
    }
    const auto factor = [](int source, int output) {
        return static_cast<int>(
            SharpFactor(static_cast<uint32_t>(source), static_cast<uint32_t>(output)));
    };
    const int factorX = factor(sourceWidth_, target.w);
    const int factorY = factor(sourceHeight_, target.h);
    if (prescaled_ == nullptr || factorX != factorX_ || factorY != factorY_) {
        ReleasePrescaled();
        prescaled_ =
            SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_XRGB8888, SDL_TEXTUREACCESS_TARGET,
                              sourceWidth_ * factorX, sourceHeight_ * factorY);
        if (prescaled_ == nullptr) {
            renderTargets_ = false;
            return nullptr;
        }
        SDL_SetTextureScaleMode(prescaled_, SDL_ScaleModeLinear);
        factorX_ = factorX;
        factorY_ = factorY;
    }
    if (SDL_SetRenderTarget(renderer_, prescaled_) != 0 ||
        SDL_RenderCopy(renderer_, source_, nullptr, nullptr) != 0) {
        SDL_SetRenderTarget(renderer_, nullptr);
        ReleasePrescaled();
        renderTargets_ = false;
        return nullptr;
    }
    return prescaled_;
}

void SdlPlatform::ReleasePrescaled() {
    if (prescaled_ != nullptr) {
        SDL_DestroyTexture(prescaled_);
        prescaled_ = nullptr;
    }
    factorX_ = 0;
    factorY_ = 0;
}

}  // namespace qx
