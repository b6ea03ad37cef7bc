#include "tests/support/virtual_platform.h"

#include <algorithm>
#include <cstring>

#include "platform/os_services.h"

namespace qx {

namespace {
inline constexpr FileHandle kMemoryFile = 1 << 20;  // the in-memory executable's handle
char fakeLibrary;                                   // its address is the fake library's handle
}  // namespace

std::vector<ModeDescription> VirtualModeList(uint32_t width, uint32_t height) {
    std::vector<ModeDescription> list;
    for (uint32_t bits : {15u, 16u, 24u, 32u})
        list.push_back({kModeHasPixelFormat, kPixelFormatRgb, bits, width, height});
    return list;
}

VirtualPlatform::VirtualPlatform() : modes(VirtualModeList(0, 0)) {}

void VirtualPlatform::Record(std::string call) {
    if (recordCalls) calls.push_back(std::move(call));
}

bool VirtualPlatform::Switch(std::string call, bool fail, bool& state, bool value) {
    Record(std::move(call));
    if (fail) return false;
    state = value;
    return true;
}

uint32_t VirtualPlatform::Milliseconds() {
    const uint32_t now = clock;
    clock += clockStepPerRead;
    return now;
}

void VirtualPlatform::Sleep(uint32_t milliseconds) { clock += milliseconds; }

bool VirtualPlatform::CreateWindow(const WindowRequest& request) {
    Record("CreateWindow");
    if (failCreateWindow) return false;
    lastRequest = request;
    windowExists = true;
    return true;
}

void VirtualPlatform::ShowWindow() {
    Record("ShowWindow");
    windowShown = windowExists;
}

void VirtualPlatform::DestroyWindow() {
    Record("DestroyWindow");
    windowExists = windowShown = fullScreen = false;
}

void VirtualPlatform::QueueEvent(const InputEvent& event, uint32_t atTime) {
    events.push_back({atTime, event});
}

bool VirtualPlatform::PollEvent(InputEvent& event) {
    if (events.empty() || static_cast<int32_t>(clock - events.front().atTime) < 0) return false;
    event = events.front().event;
    events.pop_front();
    return true;
}

void VirtualPlatform::SetCursorVisible(bool visible) {
    Record(visible ? "ShowCursor" : "HideCursor");
    cursorVisible = visible;
}

bool VirtualPlatform::OpenFullScreenDevice() {
    Record("OpenFullScreenDevice");
    return !failFullScreenDevice && windowExists;
}

bool VirtualPlatform::EnumerateDisplayModes(uint32_t width, uint32_t height, ModeCallback callback,
                                            void* context) {
    Record("EnumerateDisplayModes " + std::to_string(width) + "x" + std::to_string(height));
    if (failEnumerate) return false;
    for (ModeDescription mode : modes) {
        mode.width = width;
        mode.height = height;
        if (callback(mode, context) != kEnumerateContinue) break;
    }
    return true;
}

bool VirtualPlatform::SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel) {
    return Switch("SetDisplayMode " + std::to_string(width) + "x" + std::to_string(height) + "x" +
                      std::to_string(bitsPerPixel),
                  failSetDisplayMode, fullScreen, true);
}

void VirtualPlatform::RestoreDisplayMode() {
    Switch("RestoreDisplayMode", false, fullScreen, false);
}

bool VirtualPlatform::SetFullScreen(bool on) {
    return Switch(on ? "EnterFullScreen" : "LeaveFullScreen", failSetFullScreen || !windowExists,
                  fullScreen, on);
}

bool VirtualPlatform::CreatePresentSurface(uint32_t width, uint32_t height) {
    return Switch("CreatePresentSurface " + std::to_string(width) + "x" + std::to_string(height),
                  failPresentSurface, surfaceExists, true);
}

void VirtualPlatform::ReleasePresentSurface() {
    Switch("ReleasePresentSurface", false, surfaceExists, false);
}

void VirtualPlatform::Present(const uint32_t* pixels, uint32_t width, uint32_t height,
                              uint32_t pitch) {
    ++presentCount;
    presentWidth = width;
    presentHeight = height;
    if (keepPresents) {
        lastPresent.resize(static_cast<size_t>(width) * height);
        for (uint32_t y = 0; y < height; ++y)
            std::copy_n(pixels + static_cast<size_t>(y) * pitch, width,
                        lastPresent.begin() + static_cast<ptrdiff_t>(y) * width);
    }
    if (presentHook != nullptr)
        presentHook(*this, pixels, width, height, pitch, presentHookContext);
}

FileHandle VirtualPlatform::OpenOwnExecutable() {
    if (useSystemFiles) return os::OpenOwnExecutable();
    if (failOpenExecutable || memoryFileOpen) return kNoFile;
    memoryFileOpen = true;
    return kMemoryFile;
}

int64_t VirtualPlatform::FileSize(FileHandle file) {
    if (useSystemFiles) return os::FileSize(file);
    if (file != kMemoryFile || !memoryFileOpen) return -1;
    return static_cast<int64_t>(executableImage.size());
}

int64_t VirtualPlatform::ReadFileAt(FileHandle file, uint64_t offset, void* destination,
                                    size_t count) {
    if (recordReads) reads.push_back({offset, count});
    if (useSystemFiles) return os::ReadFileAt(file, offset, destination, count);
    if (file != kMemoryFile || !memoryFileOpen) return -1;
    if (failReadsFromOffset >= 0 && offset + count > static_cast<uint64_t>(failReadsFromOffset))
        return -1;
    if (offset >= executableImage.size()) return 0;
    const size_t available = executableImage.size() - static_cast<size_t>(offset);
    const size_t n = std::min(count, available);
    std::memcpy(destination, executableImage.data() + offset, n);
    return static_cast<int64_t>(n);
}

void VirtualPlatform::CloseFile(FileHandle file) {
    if (useSystemFiles) return os::CloseFile(file);
    if (file == kMemoryFile) memoryFileOpen = false;
}

void* VirtualPlatform::OpenLibraryBesideExecutable(const char* fileName) {
    Record(std::string("OpenLibrary ") + fileName);
    if (useSystemLibraries) return os::OpenLibraryBesideExecutable(fileName);
    lastLibraryName = fileName;
    if (!libraryPresent) return nullptr;
    ++openLibraries;
    return &fakeLibrary;
}

void* VirtualPlatform::FindSymbol(void* library, const char* name) {
    if (useSystemLibraries) return os::FindSymbol(library, name);
    if (library != &fakeLibrary) return nullptr;
    for (const FakeSymbol& symbol : librarySymbols)
        if (symbol.name == name) return symbol.address;
    return nullptr;
}

void VirtualPlatform::CloseLibrary(void* library) {
    Record("CloseLibrary");
    if (useSystemLibraries) return os::CloseLibrary(library);
    if (library == &fakeLibrary) --openLibraries;
}

}  // namespace qx
