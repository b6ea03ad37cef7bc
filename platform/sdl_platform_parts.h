// The SDL platform's class, shared by the files that implement it (private to platform/).
//
// sdl_window.cpp   the window, its renderer and the video subsystem, events and the cursor
// sdl_present.cpp  the present surface and the scaled presentation of the framebuffer
// sdl_platform.cpp the instance, clock, files, libraries, the display modes and full screen
//
// Nothing in these files prints: failures are reported through return values only.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "platform/platform.h"
#include "platform/sharp_scaler.h"

namespace qx {

class SdlPlatform final : public Platform {
public:
    ~SdlPlatform() override { DestroyWindow(); }

    uint32_t Milliseconds() override;
    void Sleep(uint32_t milliseconds) override;

    bool CreateWindow(const WindowRequest& request) override;
    void ShowWindow() override;
    void DestroyWindow() override;
    bool PollEvent(InputEvent& event) override;
    void SetCursorVisible(bool visible) override;
#ifdef __EMSCRIPTEN__
    bool ShowHeld() override;
    bool SoundMixedBetweenFrames() override;
    bool PageControls() override { return true; }
#endif
    bool WindowVisible() override;

    bool OpenFullScreenDevice() override;
    bool EnumerateDisplayModes(uint32_t width, uint32_t height, ModeCallback callback,
                               void* context) override;
    bool SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel) override;
    void RestoreDisplayMode() override;
    bool SetFullScreen(bool on) override;

    bool CreatePresentSurface(uint32_t width, uint32_t height) override;
    void ReleasePresentSurface() override;
    void Present(const uint32_t* pixels, uint32_t width, uint32_t height, uint32_t pitch) override;

    FileHandle OpenOwnExecutable() override;
    int64_t FileSize(FileHandle file) override;
    int64_t ReadFileAt(FileHandle file, uint64_t offset, void* destination, size_t count) override;
    void CloseFile(FileHandle file) override;

    void* OpenLibraryBesideExecutable(const char* fileName) override;
    void* FindSymbol(void* library, const char* name) override;
    void CloseLibrary(void* library) override;

private:
    // sdl_window.cpp
    void ShutDownVideo();
    bool Translate(const SDL_Event& sdl, InputEvent& event);

    // sdl_platform.cpp
    bool EnterFullScreen(bool on);
    void RestoreWindowedPlacement();

    // sdl_present.cpp
    void RecreatePresentSurface();
    SDL_Rect FitRectangle(int outputWidth, int outputHeight) const;
    void ClearAround(const SDL_Rect& picture, int outputWidth, int outputHeight);
    SDL_Texture* FittedOnProcessor(const uint32_t* pixels, uint32_t pitch, const SDL_Rect& target);
    SDL_Texture* FittedByRenderer(const uint32_t* pixels, uint32_t pitch, const SDL_Rect& target);
    SDL_Texture* Prescaled(const SDL_Rect& target);
    void ReleasePrescaled();

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* source_ = nullptr;     // the framebuffer, streaming, nearest-neighbour sampled
    SDL_Texture* prescaled_ = nullptr;  // render target, source x (factorX_, factorY_), linear
    SDL_Texture* fitted_ = nullptr;     // streaming, the picture fitted on the processor, 1:1
    SharpScaler scaler_;                // configured for fitted_'s size
    SDL_Rect windowed_{};               // placement before full screen, in screen coordinates
    int sourceWidth_ = 0;
    int sourceHeight_ = 0;
    int factorX_ = 0;
    int factorY_ = 0;
    bool squarePixels_ = false;
    bool fitOnProcessor_ = false;  // the renderer copies a picture fitted by scaler_
    bool modeSet_ = false;         // SetDisplayMode entered full screen; Restore leaves it
    bool renderTargets_ = true;    // cleared for good once the renderer refused a target
    bool videoInitialised_ = false;
};

}  // namespace qx
