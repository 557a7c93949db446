#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/PlatformState.h"

// Window classes, window lifetime, visibility, focus, titles, cursor and capture.

using namespace Orva::Platform::detail;

namespace {

constexpr std::size_t TitleLimit = MAX_PATH - 1;

// The longest prefix of at most `limit` bytes that does not split a UTF-8 code point.
std::string_view cutAtCodePoint(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit) {
        return text;
    }
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

bool hasBorder(DWORD style)
{
    return (style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) != 0;
}

void setGLAttributes()
{
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    // No profile bit: the drivers then give a compatibility context.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
}

bool isVisible(SDL_Window* window)
{
    return (SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN) != 0;
}

} // namespace

namespace Orva::Platform::detail {

void applyStyle(const WindowRecord& record)
{
    // SDL keeps a full-screen window's frame as it is; leaving full screen applies it.
    if ((SDL_GetWindowFlags(record.window) & SDL_WINDOW_FULLSCREEN) != 0) {
        return;
    }
    SDL_SetWindowBordered(record.window, hasBorder(record.style) ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowResizable(record.window, (record.style & WS_THICKFRAME) != 0 ? SDL_TRUE : SDL_FALSE);
}

} // namespace Orva::Platform::detail

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass)
{
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr ||
        windowClass->lpfnWndProc == nullptr) {
        return 0;
    }
    static ATOM lastAtom = 0xC000;
    auto [entry, added] = state().classes.try_emplace(
        classKey(windowClass->lpszClassName, windowClass->hInstance), ClassRecord{});
    if (!added) {
        return 0;
    }
    entry->second = ClassRecord{++lastAtom, windowClass->lpfnWndProc};
    return entry->second.atom;
}

BOOL UnregisterClassA(const char* className, HINSTANCE instance)
{
    if (className == nullptr) {
        return 0;
    }
    State& s = state();
    const auto entry = s.classes.find(classKey(className, instance));
    if (entry == s.classes.end()) {
        return 0;
    }
    const bool inUse = std::any_of(s.windows.begin(), s.windows.end(), [&](const auto& window) {
        return window.second.classKey == entry->first;
    });
    if (inUse) {
        return 0;
    }
    s.classes.erase(entry);
    return 1;
}

HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE instance, void*)
{
    if (className == nullptr) {
        return nullptr;
    }
    State& s = state();
    const std::string key = classKey(className, instance);
    const auto windowClass = s.classes.find(key);
    if (windowClass == s.classes.end() || !ensureVideo(s)) {
        return nullptr;
    }

    if ((style & (WS_POPUP | WS_CHILD)) == 0) {
        style |= WS_CAPTION | WS_CLIPSIBLINGS;
    }
    const std::string title(cutAtCodePoint(windowName != nullptr ? windowName : "", TitleLimit));
    const int left = x == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : x;
    const int top = y == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : y;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if ((style & WS_THICKFRAME) != 0) {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    if (!hasBorder(style)) {
        flags |= SDL_WINDOW_BORDERLESS;
    }

    setGLAttributes();
    SDL_Window* window = SDL_CreateWindow(title.c_str(), left, top, width, height, flags | SDL_WINDOW_OPENGL);
    if (window == nullptr) {
        window = SDL_CreateWindow(title.c_str(), left, top, width, height, flags);
    }
    if (window == nullptr) {
        SDL_Log("platform: no window: %s", SDL_GetError());
        return nullptr;
    }
    if ((style & WS_VISIBLE) != 0) {
        SDL_ShowWindow(window);
    }

    const std::uintptr_t id = newHandleId();
    WindowRecord& record = s.windows[id];
    record.window = window;
    record.classKey = key;
    record.procedure = windowClass->second.procedure;
    record.style = style;
    record.exStyle = exStyle;
    record.title = title;
    return toHandle<HWND>(id);
}

BOOL DestroyWindow(HWND window)
{
    WindowRecord* record = findWindow(window);
    if (record == nullptr) {
        return 0;
    }
    State& s = state();
    deleteGLContexts(*record);
    SDL_DestroyWindow(record->window);
    // A drop nobody will receive any more is finished here, as its receiver would.
    for (const MSG& message : s.queue) {
        if (message.hwnd == window && message.message == WM_DROPFILES) {
            DragFinish(toHandle<HDROP>(message.wParam));
        }
    }
    std::erase_if(s.queue, [window](const MSG& message) { return message.hwnd == window; });
    if (s.capture == window) {
        ReleaseCapture();
    }
    s.windows.erase(handleId(window));
    return 1;
}

BOOL ShowWindow(HWND window, int showCommand)
{
    const WindowRecord* record = findWindow(window);
    if (record == nullptr) {
        return 0;
    }
    SDL_Window* sdlWindow = record->window;
    const bool wasVisible = isVisible(sdlWindow);
    switch (showCommand) {
    case SW_HIDE:
        SDL_HideWindow(sdlWindow);
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
        SDL_ShowWindow(sdlWindow);
        SDL_MinimizeWindow(sdlWindow);
        break;
    case SW_SHOWMAXIMIZED:
        SDL_ShowWindow(sdlWindow);
        SDL_MaximizeWindow(sdlWindow);
        break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
        SDL_ShowWindow(sdlWindow);
        if ((SDL_GetWindowFlags(sdlWindow) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_MAXIMIZED)) != 0) {
            SDL_RestoreWindow(sdlWindow);
        }
        break;
    default:
        SDL_ShowWindow(sdlWindow);
        break;
    }
    return wasVisible ? 1 : 0;
}

BOOL UpdateWindow(HWND window)
{
    return findWindow(window) != nullptr ? 1 : 0;
}

BOOL SetForegroundWindow(HWND window)
{
    const WindowRecord* record = findWindow(window);
    if (record == nullptr) {
        return 0;
    }
    SDL_RaiseWindow(record->window);
    return 1;
}

HWND SetFocus(HWND window)
{
    const WindowRecord* record = findWindow(window);
    if (record == nullptr) {
        return nullptr;
    }
    State& s = state();
    SDL_Window* focused = SDL_GetKeyboardFocus();
    const HWND previous = focused != nullptr ? windowOfSdlId(s, SDL_GetWindowID(focused)) : nullptr;
    SDL_RaiseWindow(record->window);
    return previous;
}

BOOL SetWindowTextA(HWND window, const char* text)
{
    WindowRecord* record = findWindow(window);
    if (record == nullptr) {
        return 0;
    }
    record->title = cutAtCodePoint(text != nullptr ? text : "", TitleLimit);
    SDL_SetWindowTitle(record->window, record->title.c_str());
    return 1;
}

int GetWindowTextA(HWND window, char* buffer, int bufferSize)
{
    if (buffer == nullptr || bufferSize <= 0) {
        return 0;
    }
    const WindowRecord* record = findWindow(window);
    const std::string_view title =
        record != nullptr ? cutAtCodePoint(record->title, static_cast<std::size_t>(bufferSize) - 1) : "";
    std::memcpy(buffer, title.data(), title.size());
    buffer[title.size()] = '\0';
    return static_cast<int>(title.size());
}

BOOL FlashWindowEx(const FLASHWINFO* info)
{
    const WindowRecord* record = info != nullptr ? findWindow(info->hwnd) : nullptr;
    if (record == nullptr) {
        return 0;
    }
    const SDL_FlashOperation operation =
        info->dwFlags == FLASHW_STOP ? SDL_FLASH_CANCEL : SDL_FLASH_UNTIL_FOCUSED;
    return SDL_FlashWindow(record->window, operation) == 0 ? 1 : 0;
}

int ShowCursor(BOOL show)
{
    State& s = state();
    s.cursorCount += show != 0 ? 1 : -1;
    if (s.videoStarted) {
        SDL_ShowCursor(s.cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    }
    return s.cursorCount;
}

HWND SetCapture(HWND window)
{
    if (findWindow(window) == nullptr) {
        return nullptr;
    }
    State& s = state();
    const HWND previous = s.capture;
    s.capture = window;
    // Drivers without global mouse tracking refuse; the bookkeeping still holds.
    SDL_CaptureMouse(SDL_TRUE);
    return previous;
}

BOOL ReleaseCapture()
{
    State& s = state();
    if (s.capture != nullptr && s.videoStarted) {
        SDL_CaptureMouse(SDL_FALSE);
    }
    s.capture = nullptr;
    return 1;
}

namespace Orva::Platform {

SDL_Window* GetSDLWindow(HWND window)
{
    const WindowRecord* record = findWindow(window);
    return record != nullptr ? record->window : nullptr;
}

HWND Test::getCapture()
{
    return state().capture;
}

int Test::cursorCount()
{
    return state().cursorCount;
}

} // namespace Orva::Platform
