// The SDL window: the video subsystem, the window and its renderer, events and the cursor.
//
// Only the video subsystem is initialised here (audio belongs to its own module), and it is shut
// down again by DestroyWindow so that a later CreateWindow starts from scratch.
#include <SDL.h>
#ifdef __EMSCRIPTEN__
#include <emscripten/html5.h>
#endif

#include <cstdint>
#include <cstdlib>

#include "base/picture.h"
#include "platform/sdl_platform_parts.h"
#include "platform/termination_signals.h"

namespace qx {
namespace {

// Windowed client area: this many times the framebuffer width.
constexpr int kWindowScale = 3;

// The keys the program tells apart; every other one is KeyCode::Other.
struct KeyTranslation {
    SDL_Keycode sdl;
    KeyCode key;
};
constexpr KeyTranslation kKeys[] = {
    {SDLK_ESCAPE, KeyCode::Escape},  {SDLK_RETURN, KeyCode::Enter},
    {SDLK_KP_ENTER, KeyCode::Enter}, {SDLK_F11, KeyCode::F11},
    {SDLK_SPACE, KeyCode::Space},    {SDLK_RIGHT, KeyCode::Right},
    {SDLK_LEFT, KeyCode::Left},      {SDLK_PAGEDOWN, KeyCode::PageDown},
    {SDLK_PAGEUP, KeyCode::PageUp},  {SDLK_HOME, KeyCode::Home},
    {SDLK_PERIOD, KeyCode::Period},  {SDLK_KP_PERIOD, KeyCode::Period},
    {SDLK_F12, KeyCode::F12},        {SDLK_d, KeyCode::D},
};

KeyCode TranslateKey(SDL_Keycode key) {
    for (const KeyTranslation& translation : kKeys)
        if (translation.sdl == key) return translation.key;
    return KeyCode::Other;
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

// SDL 2.26 names the X11 window class after SDL_VIDEO_X11_WMCLASS (read when the video
// subsystem starts; otherwise it uses the executable's name); the Wayland app id follows
// SDL_VIDEO_WAYLAND_WMCLASS the same way.
void SetWindowClass(const char* className) {
    if (className == nullptr || className[0] == '\0') {
        return;
    }
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", className, 1);
    SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", className, 1);
}

// Without an X or Wayland display in the environment and no driver chosen by the user there
// is nothing to open; asking SDL anyway only makes its Wayland probe print to stderr.
bool DisplayNamed() {
#if defined(__EMSCRIPTEN__) || defined(_WIN32)
    return true;  // the page's canvas; Windows' desktop
#endif
    const auto set = [](const char* name) {
        const char* value = getenv(name);
        return value != nullptr && value[0] != '\0';
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("SDL_VIDEODRIVER");
}

// SDL falls back to its window-less drivers when no display can be opened (a missing or
// refused X connection); that is "no display" unless the user chose such a driver.
bool OnRealDisplay() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) {
        return false;
    }
    const bool windowless =
        SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0;
    const char* chosen = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    return !windowless || (chosen != nullptr && SDL_strcasestr(chosen, driver) != nullptr);
}

// When no other module keeps a subsystem alive, releases SDL's remaining global state too;
// otherwise leaves it to them (the audio module initialises its own subsystem).
void QuitIfUnused() {
    if (SDL_WasInit(0) == 0) {
        SDL_Quit();
    }
}

// Whether the renderer is OpenGL on a software rasteriser (llvmpipe and its kin, as on a
// machine without a graphics card).
bool IsSoftwareOpenGl(SDL_Renderer* renderer) {
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

// Whether a renderer other than OpenGL draws on the processor all the same (Direct3D on a machine
// without a graphics card: WARP, or Wine's Direct3D over a software OpenGL), which its name does
// not say: a few window-sized copies of a picture-sized texture, finished by reading a pixel back,
// take milliseconds there and a small fraction of one on a graphics card.
constexpr int kDrawProbeCopies = 4;
constexpr double kSlowCopyMilliseconds = 1.0;  // on average; a graphics card takes ~0.05

bool DrawsOnProcessor(SDL_Renderer* renderer, int width, int height) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0 || info.name == nullptr ||
        SDL_strncasecmp(info.name, "opengl", 6) == 0 || !SDL_RenderTargetSupported(renderer)) {
        return false;  // OpenGL says by name (IsSoftwareOpenGl)
    }
    SDL_Texture* picture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888,
                                             SDL_TEXTUREACCESS_STATIC, kPictureWidth,
                                             kPictureHeight);
    SDL_Texture* target = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888,
                                            SDL_TEXTUREACCESS_TARGET, width, height);
    bool slow = false;
    if (picture != nullptr && target != nullptr && SDL_SetRenderTarget(renderer, target) == 0) {
        SDL_SetTextureScaleMode(picture, SDL_ScaleModeLinear);
        const SDL_Rect pixel{0, 0, 1, 1};
        uint32_t value = 0;
        const auto copyAndWait = [&](int copies) {
            for (int i = 0; i < copies; ++i) SDL_RenderCopy(renderer, picture, nullptr, nullptr);
            SDL_RenderReadPixels(renderer, &pixel, SDL_PIXELFORMAT_ARGB8888, &value, 4);
        };
        copyAndWait(1);  // first use: shaders, uploads
        const uint64_t start = SDL_GetPerformanceCounter();
        copyAndWait(kDrawProbeCopies);
        const double milliseconds = static_cast<double>(SDL_GetPerformanceCounter() - start) *
                                    1000.0 / static_cast<double>(SDL_GetPerformanceFrequency());
        slow = milliseconds > kSlowCopyMilliseconds * kDrawProbeCopies;
        SDL_SetRenderTarget(renderer, nullptr);
    }
    if (target != nullptr) SDL_DestroyTexture(target);
    if (picture != nullptr) SDL_DestroyTexture(picture);
    return slow;
}

// SDL's own software renderer.
bool IsSoftwareRenderer(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    return SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE) != 0;
}

}  // namespace

bool SdlPlatform::CreateWindow(const WindowRequest& request) {
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
    const int frameHeight = static_cast<int>(request.height != 0 ? request.height : kPictureHeight);
    const int windowWidth = frameWidth * kWindowScale;
    // 4:3: the picture fills a box three quarters as tall as it is wide, whatever its
    // own proportions (320x200 pixels were displayed taller than wide).
    const int windowHeight =
        request.squarePixels ? frameHeight * kWindowScale : windowWidth * 3 / 4;
    squarePixels_ = request.squarePixels;

#ifdef __EMSCRIPTEN__
    // In the browser the software renderer draws into a surface of the window's size in CSS
    // pixels while a high-DPI canvas is larger by the device pixel ratio: the picture would fill
    // only its upper left part on a phone. The canvas keeps CSS pixels and the browser scales it.
    constexpr Uint32 kHighDpi = 0;
#else
    constexpr Uint32 kHighDpi = SDL_WINDOW_ALLOW_HIGHDPI;
#endif
    window_ = SDL_CreateWindow(request.title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               windowWidth, windowHeight,
                               SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | kHighDpi);
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
    // Without a graphics card OpenGL or Direct3D is a software rasteriser, which costs several
    // times what SDL's own software renderer does for the same picture: unless the user chose a
    // renderer (SDL_RENDER_DRIVER), SDL's is used then.
    const char* chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    const bool userChose = chosen != nullptr && chosen[0] != '\0';
    if (renderer_ != nullptr && !userChose &&
        (IsSoftwareOpenGl(renderer_) || (!IsSoftwareRenderer(renderer_) &&
                                         DrawsOnProcessor(renderer_, windowWidth, windowHeight)))) {
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

void SdlPlatform::ShowWindow() {
    if (window_ == nullptr) {
        return;
    }
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
}

void SdlPlatform::DestroyWindow() {
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

bool SdlPlatform::PollEvent(InputEvent& event) {
    if (os::TakeTerminationRequest()) {
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

void SdlPlatform::SetCursorVisible(bool visible) {
    if (videoInitialised_) {
        SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
    }
}

#ifdef __EMSCRIPTEN__
// A page in a background tab holds the show: the browser would starve its frames anyway.
bool SdlPlatform::ShowHeld() {
    EmscriptenVisibilityChangeEvent visibility{};
    return emscripten_get_visibility_status(&visibility) == EMSCRIPTEN_RESULT_SUCCESS &&
           visibility.hidden != 0;
}
// Web Audio asks for the sound on the page's thread, between frames.
bool SdlPlatform::SoundMixedBetweenFrames() { return true; }
#endif

// Hidden (unmapped) or minimised, as SDL last heard from the window system.
bool SdlPlatform::WindowVisible() {
    return window_ != nullptr &&
           (SDL_GetWindowFlags(window_) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) == 0;
}

void SdlPlatform::ShutDownVideo() {
    if (!videoInitialised_) {
        return;
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    videoInitialised_ = false;
    QuitIfUnused();
}

bool SdlPlatform::Translate(const SDL_Event& sdl, InputEvent& event) {
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

}  // namespace qx
