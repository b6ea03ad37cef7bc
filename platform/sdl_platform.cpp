// The desktop platform: one SDL2 window with a renderer, the scaled presentation of the
// framebuffer, input translation and the full-screen stand-ins. Clock, files and libraries are
// the POSIX ones.
//
// Only the video subsystem is initialised here (audio belongs to its own module), and it is shut
// down again by DestroyWindow so that a later CreateWindow starts from scratch. Nothing in this
// file prints: failures are reported through return values only.
#include "platform/sdl_platform.h"

#include <SDL.h>
#ifdef __EMSCRIPTEN__
#include <emscripten/html5.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "base/picture.h"
#include "platform/posix_system.h"
#include "platform/sharp_scaler.h"
#include "platform/termination_signals.h"

namespace qx {
namespace {

// Windowed client area: this many times the framebuffer width.
constexpr int kWindowScale = 3;
// The depths the mode enumeration offers; any of them is emulated by the presentation.
constexpr uint32_t kModeDepths[] = {15, 16, 24, 32};

bool IsOfferedDepth(uint32_t bits) {
    return std::find(std::begin(kModeDepths), std::end(kModeDepths), bits) != std::end(kModeDepths);
}

KeyCode TranslateKey(SDL_Keycode key) {
    switch (key) {
        case SDLK_ESCAPE:
            return KeyCode::Escape;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return KeyCode::Enter;
        case SDLK_F11:
            return KeyCode::F11;
        case SDLK_SPACE:
            return KeyCode::Space;
        case SDLK_RIGHT:
            return KeyCode::Right;
        case SDLK_LEFT:
            return KeyCode::Left;
        case SDLK_PAGEDOWN:
            return KeyCode::PageDown;
        case SDLK_PAGEUP:
            return KeyCode::PageUp;
        case SDLK_HOME:
            return KeyCode::Home;
        case SDLK_PERIOD:
        case SDLK_KP_PERIOD:
            return KeyCode::Period;
        case SDLK_F12:
            return KeyCode::F12;
        case SDLK_d:
            return KeyCode::D;
        default:
            return KeyCode::Other;
    }
}

MouseButton TranslateButton(uint8_t button) {
    switch (button) {
        case SDL_BUTTON_LEFT:
            return MouseButton::Left;
        case SDL_BUTTON_MIDDLE:
            return MouseButton::Middle;
        case SDL_BUTTON_RIGHT:
            return MouseButton::Right;
        default:
            return MouseButton::Other;
    }
}

class SdlPlatform final : public Platform {
public:
    ~SdlPlatform() override { DestroyWindow(); }

    uint32_t Milliseconds() override { return posix::MonotonicMilliseconds(); }
    void Sleep(uint32_t milliseconds) override { posix::SleepMilliseconds(milliseconds); }

    bool CreateWindow(const WindowRequest& request) override {
        DestroyWindow();
        if (!DisplayNamed()) return false;
        SetWindowClass(request.className);
        // A close request arrives once, as the window's close event. SIGINT and SIGTERM are the
        // program's own (termination_signals.h): SDL installs its handlers only over default
        // ones, so SDL_QUIT comes only from elsewhere, and is a close request too.
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            QuitIfUnused();
            return false;
        }
        videoInitialised_ = true;
        if (!OnRealDisplay()) {
            ShutDownVideo();
            return false;
        }
        // SDL's software renderer draws into the window's own surface. On X11 that surface is by
        // default shown through an OpenGL texture, which without a graphics card costs more than
        // everything else together; X11's shared-memory images are what a software renderer
        // wants. (The user's SDL_FRAMEBUFFER_ACCELERATION still decides.)
        if (SDL_strcasecmp(SDL_GetCurrentVideoDriver(), "x11") == 0) {
            SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
        }
        renderTargets_ = true;

        const int frameWidth = static_cast<int>(request.width != 0 ? request.width : kPictureWidth);
        const int frameHeight =
            static_cast<int>(request.height != 0 ? request.height : kPictureHeight);
        const int windowWidth = frameWidth * kWindowScale;
        // 4:3: the picture fills a box three quarters as tall as it is wide, whatever its
        // own proportions (320x200 pixels were displayed taller than wide).
        const int windowHeight =
            request.squarePixels ? frameHeight * kWindowScale : windowWidth * 3 / 4;
        squarePixels_ = request.squarePixels;

        window_ = SDL_CreateWindow(
            request.title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, windowWidth,
            windowHeight, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
        if (window_ == nullptr) {
            ShutDownVideo();
            return false;
        }
        SDL_SetWindowMinimumSize(window_, frameWidth / 2 > 0 ? frameWidth / 2 : 1,
                                 frameHeight / 2 > 0 ? frameHeight / 2 : 1);

#ifdef __EMSCRIPTEN__
        // In the browser the picture is fitted on the processor and put on a 2D canvas: WebGL
        // adds a copy, and where the browser has no graphics card it is a slow software
        // fallback. The user's SDL_RENDER_DRIVER (Module.ENV) still decides.
        SDL_SetHintWithPriority(SDL_HINT_RENDER_DRIVER, "software", SDL_HINT_DEFAULT);
#endif
        renderer_ =
            SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
        // Without a graphics card OpenGL is a software rasteriser, which costs several times what
        // SDL's own software renderer does for the same picture: unless the user chose a
        // renderer (SDL_RENDER_DRIVER), SDL's is used then.
        const char* chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
        if (renderer_ != nullptr && (chosen == nullptr || chosen[0] == '\0') &&
            IsSoftwareOpenGl(renderer_)) {
            SDL_DestroyRenderer(renderer_);
            renderer_ = nullptr;
        }
        if (renderer_ == nullptr) {
            renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        }
        if (renderer_ == nullptr) {
            SDL_DestroyWindow(window_);
            window_ = nullptr;
            ShutDownVideo();
            return false;
        }
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, SDL_ALPHA_OPAQUE);
        // A renderer that draws on the processor is handed the picture already fitted, to copy
        // 1:1: scaling there costs far more than the fit on the processor does.
        fitOnProcessor_ = IsSoftwareRenderer(renderer_) || IsSoftwareOpenGl(renderer_);
        // No text is typed into this window; keep input methods out of the key path.
        SDL_StopTextInput();
        return true;
    }

    void ShowWindow() override {
        if (window_ == nullptr) {
            return;
        }
        SDL_ShowWindow(window_);
        SDL_RaiseWindow(window_);
    }

    void DestroyWindow() override {
        ReleasePresentSurface();
        if (renderer_ != nullptr) {
            SDL_DestroyRenderer(renderer_);
            renderer_ = nullptr;
        }
        if (window_ != nullptr) {
            SDL_DestroyWindow(window_);
            window_ = nullptr;
        }
        modeSet_ = false;
        ShutDownVideo();
    }

    bool PollEvent(InputEvent& event) override {
        if (posix::TakeTerminationRequest()) {
            event = InputEvent{};
            event.kind = InputEvent::Kind::CloseRequest;
            return true;
        }
        if (!videoInitialised_) {
            return false;
        }
        SDL_Event sdl;
        while (SDL_PollEvent(&sdl) != 0) {
            if (Translate(sdl, event)) {
                return true;
            }
        }
        return false;
    }

    void SetCursorVisible(bool visible) override {
        if (videoInitialised_) {
            SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
        }
    }

    // Hidden (unmapped) or minimised, as SDL last heard from the window system.
#ifdef __EMSCRIPTEN__
    // A page in a background tab holds the show: the browser would starve its frames anyway.
    bool ShowHeld() override {
        EmscriptenVisibilityChangeEvent visibility{};
        return emscripten_get_visibility_status(&visibility) == EMSCRIPTEN_RESULT_SUCCESS &&
               visibility.hidden != 0;
    }
    // Web Audio asks for the sound on the page's thread, between frames.
    bool SoundMixedBetweenFrames() override { return true; }
#endif
    bool WindowVisible() override {
        return window_ != nullptr &&
               (SDL_GetWindowFlags(window_) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) == 0;
    }

    bool OpenFullScreenDevice() override { return window_ != nullptr; }

    bool EnumerateDisplayModes(uint32_t width, uint32_t height, ModeCallback callback,
                               void* context) override {
        if (window_ == nullptr || callback == nullptr) {
            return false;
        }
        for (const uint32_t depth : kModeDepths) {
            ModeDescription mode;
            mode.flags = kModeHasPixelFormat;
            mode.pixelFormatFlags = kPixelFormatRgb;
            mode.rgbBitCount = depth;
            mode.width = width;
            mode.height = height;
            if (callback(mode, context) != kEnumerateContinue) {
                break;
            }
        }
        return true;
    }

    bool SetDisplayMode(uint32_t /*width*/, uint32_t /*height*/, uint32_t bitsPerPixel) override {
        if (window_ == nullptr || !IsOfferedDepth(bitsPerPixel)) {
            return false;
        }
        if (!EnterFullScreen(true)) {
            return false;
        }
        modeSet_ = true;
        return true;
    }

    void RestoreDisplayMode() override {
        if (modeSet_) {
            EnterFullScreen(false);
            modeSet_ = false;
        }
    }

    bool SetFullScreen(bool on) override { return window_ != nullptr && EnterFullScreen(on); }

    bool CreatePresentSurface(uint32_t width, uint32_t height) override {
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

    void ReleasePresentSurface() override {
        ReleasePrescaled();
        ReleaseTexture(source_);
        ReleaseTexture(fitted_);
        sourceWidth_ = 0;
        sourceHeight_ = 0;
    }

    // The picture must have the present surface's size; anything else is ignored rather than
    // read out of bounds. Nothing is uploaded or drawn for a window nobody can see: a hidden
    // window never waits for vsync, and the frame loop's sleep keeps the processor free.
    void Present(const uint32_t* pixels, uint32_t width, uint32_t height, uint32_t pitch) override {
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

    FileHandle OpenOwnExecutable() override { return posix::OpenOwnExecutable(); }
    int64_t FileSize(FileHandle file) override { return posix::FileSize(file); }
    int64_t ReadFileAt(FileHandle file, uint64_t offset, void* destination, size_t count) override {
        return posix::ReadFileAt(file, offset, destination, count);
    }
    void CloseFile(FileHandle file) override { posix::CloseFile(file); }

    void* OpenLibraryBesideExecutable(const char* fileName) override {
        return posix::OpenLibraryBesideExecutable(fileName);
    }
    void* FindSymbol(void* library, const char* name) override {
        return posix::FindSymbol(library, name);
    }
    void CloseLibrary(void* library) override { posix::CloseLibrary(library); }

private:
    // SDL 2.26 names the X11 window class after SDL_VIDEO_X11_WMCLASS (read when the video
    // subsystem starts; otherwise it uses the executable's name); the Wayland app id follows
    // SDL_VIDEO_WAYLAND_WMCLASS the same way.
    static void SetWindowClass(const char* className) {
        if (className == nullptr || className[0] == '\0') {
            return;
        }
        setenv("SDL_VIDEO_X11_WMCLASS", className, 1);
        setenv("SDL_VIDEO_WAYLAND_WMCLASS", className, 1);
    }

    // Without an X or Wayland display in the environment and no driver chosen by the user there
    // is nothing to open; asking SDL anyway only makes its Wayland probe print to stderr.
    static bool DisplayNamed() {
#ifdef __EMSCRIPTEN__
        return true;  // the page's canvas
#endif
        const auto set = [](const char* name) {
            const char* value = getenv(name);
            return value != nullptr && value[0] != '\0';
        };
        return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("SDL_VIDEODRIVER");
    }

    // SDL falls back to its window-less drivers when no display can be opened (a missing or
    // refused X connection); that is "no display" unless the user chose such a driver.
    static bool OnRealDisplay() {
        const char* driver = SDL_GetCurrentVideoDriver();
        if (driver == nullptr) {
            return false;
        }
        const bool windowless =
            SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0;
        const char* chosen = SDL_GetHint(SDL_HINT_VIDEODRIVER);
        return !windowless || (chosen != nullptr && SDL_strcasestr(chosen, driver) != nullptr);
    }

    void ShutDownVideo() {
        if (!videoInitialised_) {
            return;
        }
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        videoInitialised_ = false;
        QuitIfUnused();
    }

    // When no other module keeps a subsystem alive, releases SDL's remaining global state too;
    // otherwise leaves it to them (the audio module initialises its own subsystem).
    static void QuitIfUnused() {
        if (SDL_WasInit(0) == 0) {
            SDL_Quit();
        }
    }

    // Desktop full screen is a request to the window manager. So that the window also covers
    // the display where none honours it (a bare X server), it is first moved and sized to the
    // display's bounds while still windowed; its windowed placement is remembered and put back
    // on the way out.
    bool EnterFullScreen(bool on) {
        const bool isFullScreen = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
        if (on == isFullScreen) {
            return true;
        }
        if (!on) {
            if (SDL_SetWindowFullscreen(window_, 0) != 0) {
                return false;
            }
            RestoreWindowedPlacement();
            return true;
        }
        SDL_GetWindowPosition(window_, &windowed_.x, &windowed_.y);
        SDL_GetWindowSize(window_, &windowed_.w, &windowed_.h);
        const int display = SDL_GetWindowDisplayIndex(window_);
        SDL_Rect bounds;
        if (display >= 0 && SDL_GetDisplayBounds(display, &bounds) == 0) {
            SDL_SetWindowPosition(window_, bounds.x, bounds.y);
            SDL_SetWindowSize(window_, bounds.w, bounds.h);
        }
        if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
            RestoreWindowedPlacement();
            return false;
        }
        return true;
    }

    void RestoreWindowedPlacement() {
        SDL_SetWindowSize(window_, windowed_.w, windowed_.h);
        SDL_SetWindowPosition(window_, windowed_.x, windowed_.y);
    }

    bool Translate(const SDL_Event& sdl, InputEvent& event) {
        switch (sdl.type) {
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                if (sdl.type == SDL_KEYDOWN && sdl.key.repeat != 0) {
                    return false;
                }
                event = InputEvent{};
                event.kind =
                    sdl.type == SDL_KEYDOWN ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
                event.key = TranslateKey(sdl.key.keysym.sym);
                event.alt = (sdl.key.keysym.mod & KMOD_ALT) != 0;
                return true;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                event = InputEvent{};
                event.kind = sdl.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Kind::ButtonDown
                                                             : InputEvent::Kind::ButtonUp;
                event.button = TranslateButton(sdl.button.button);
                return true;
            case SDL_QUIT:
                event = InputEvent{};
                event.kind = InputEvent::Kind::CloseRequest;
                return true;
            case SDL_WINDOWEVENT:
                if (sdl.window.event != SDL_WINDOWEVENT_CLOSE) {
                    return false;
                }
                event = InputEvent{};
                event.kind = InputEvent::Kind::CloseRequest;
                return true;
            case SDL_RENDER_DEVICE_RESET:
                // Every texture of the renderer is gone; rebuild the present surface at its size.
                RecreatePresentSurface();
                return false;
            default:
                return false;
        }
    }

    void RecreatePresentSurface() {
        if (sourceWidth_ == 0) {
            return;
        }
        const auto width = static_cast<uint32_t>(sourceWidth_);
        const auto height = static_cast<uint32_t>(sourceHeight_);
        CreatePresentSurface(width, height);
    }

    // The largest rectangle of the picture's shape (4:3, or the framebuffer's own proportions
    // with square pixels) that fits the output, centred. All sizes in output pixels.
    SDL_Rect FitRectangle(int outputWidth, int outputHeight) const {
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

    // Whether the renderer is OpenGL on a software rasteriser (llvmpipe and its kin, as on a
    // machine without a graphics card).
    static bool IsSoftwareOpenGl(SDL_Renderer* renderer) {
        SDL_RendererInfo info;
        if (SDL_GetRendererInfo(renderer, &info) != 0 || info.name == nullptr ||
            SDL_strncasecmp(info.name, "opengl", 6) != 0) {
            return false;
        }
        // The renderer's context is current once it has been created.
        using GetString = const unsigned char* (*)(unsigned int);
        constexpr unsigned int kGlRenderer = 0x1F01;
        const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
        const char* name =
            getString != nullptr ? reinterpret_cast<const char*>(getString(kGlRenderer)) : nullptr;
        if (name == nullptr) {
            return false;
        }
        for (const char* software : {"llvmpipe", "softpipe", "swrast", "software"}) {
            if (SDL_strcasestr(name, software) != nullptr) {
                return true;
            }
        }
        return false;
    }

    // SDL's own software renderer.
    static bool IsSoftwareRenderer(SDL_Renderer* renderer) {
        SDL_RendererInfo info;
        return SDL_GetRendererInfo(renderer, &info) == 0 &&
               (info.flags & SDL_RENDERER_SOFTWARE) != 0;
    }

    // Black over whatever of the output the picture does not cover.
    void ClearAround(const SDL_Rect& picture, int outputWidth, int outputHeight) {
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
    SDL_Texture* FittedOnProcessor(const uint32_t* pixels, uint32_t pitch, const SDL_Rect& target) {
        if (fitted_ == nullptr || static_cast<uint32_t>(target.w) != scaler_.OutputWidth() ||
            static_cast<uint32_t>(target.h) != scaler_.OutputHeight()) {
            ReleaseTexture(fitted_);
            fitted_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_XRGB8888,
                                        SDL_TEXTUREACCESS_STREAMING, target.w, target.h);
            if (fitted_ == nullptr) {
                return nullptr;
            }
            SDL_SetTextureScaleMode(fitted_, SDL_ScaleModeNearest);
            scaler_.Configure(static_cast<uint32_t>(sourceWidth_),
                              static_cast<uint32_t>(sourceHeight_), static_cast<uint32_t>(target.w),
                              static_cast<uint32_t>(target.h));
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
    SDL_Texture* FittedByRenderer(const uint32_t* pixels, uint32_t pitch, const SDL_Rect& target) {
        if (source_ == nullptr ||
            SDL_UpdateTexture(source_, nullptr, pixels,
                              static_cast<int>(pitch * sizeof(uint32_t))) != 0) {
            return nullptr;
        }
        SDL_Texture* scaled = Prescaled(target);
        return scaled != nullptr ? scaled : source_;
    }

    static void ReleaseTexture(SDL_Texture*& texture) {
        if (texture != nullptr) {
            SDL_DestroyTexture(texture);
            texture = nullptr;
        }
    }

    // Draws the source enlarged by whole factors per axis (nearest neighbour) into the
    // intermediate target, so that the final linear fit only blends at pixel edges. Returns the
    // intermediate texture, or null when render targets are unavailable (the caller then fits
    // the source directly, nearest neighbour).
    SDL_Texture* Prescaled(const SDL_Rect& target) {
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

    void ReleasePrescaled() {
        if (prescaled_ != nullptr) {
            SDL_DestroyTexture(prescaled_);
            prescaled_ = nullptr;
        }
        factorX_ = 0;
        factorY_ = 0;
    }

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

}  // namespace

Platform& SdlPlatformInstance() {
    static SdlPlatform instance;
    return instance;
}

}  // namespace qx
