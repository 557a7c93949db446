#include <algorithm>

#include "platform/PlatformState.h"

// Client and outer rectangles, styles, screen metrics and borderless full screen.

using namespace Orva::Platform::detail;

namespace {

struct Frame
{
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;
};

// Drivers without a window manager report no frame, or fail to report one.
Frame frameOf(SDL_Window* window)
{
    Frame frame;
    if (SDL_GetWindowBordersSize(window, &frame.top, &frame.left, &frame.bottom, &frame.right) != 0) {
        frame = Frame{};
    }
    return frame;
}

} // namespace

namespace Orva::Platform::detail {

void applyOuterRect(const WindowRecord& record, int x, int y, int width, int height, bool move, bool size)
{
    const Frame frame = frameOf(record.window);
    if (move) {
        SDL_SetWindowPosition(record.window, x + frame.left, y + frame.top);
    }
    if (size) {
        SDL_SetWindowSize(record.window, std::max(1, width - frame.left - frame.right),
                          std::max(1, height - frame.top - frame.bottom));
    }
}

} // namespace Orva::Platform::detail

BOOL GetClientRect(HWND window, RECT* rect)
{
    const WindowRecord* record = findWindow(window);
    if (record == nullptr || rect == nullptr) {
        return 0;
    }
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(record->window, &width, &height);
    *rect = RECT{0, 0, width, height};
    return 1;
}

BOOL GetWindowRect(HWND window, RECT* rect)
{
    const WindowRecord* record = findWindow(window);
    if (record == nullptr || rect == nullptr) {
        return 0;
    }
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    SDL_GetWindowPosition(record->window, &x, &y);
    SDL_GetWindowSize(record->window, &width, &height);
    const Frame frame = frameOf(record->window);
    *rect = RECT{x - frame.left, y - frame.top, x + width + frame.right, y + height + frame.bottom};
    return 1;
}

BOOL SetWindowPos(HWND window, HWND, int x, int y, int width, int height, UINT flags)
{
    const WindowRecord* record = findWindow(window);
    if (record == nullptr) {
        return 0;
    }
    if ((flags & SWP_HIDEWINDOW) != 0) {
        SDL_HideWindow(record->window);
    }
    if ((flags & SWP_FRAMECHANGED) != 0) {
        applyStyle(*record);
    }
    applyOuterRect(*record, x, y, width, height, (flags & SWP_NOMOVE) == 0, (flags & SWP_NOSIZE) == 0);
    if ((flags & SWP_SHOWWINDOW) != 0) {
        SDL_ShowWindow(record->window);
    }
    return 1;
}

int GetSystemMetrics(int index)
{
    if (index != SM_CXSCREEN && index != SM_CYSCREEN) {
        return 0;
    }
    SDL_DisplayMode mode;
    if (!ensureVideo(state()) || SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        return 0;
    }
    return index == SM_CXSCREEN ? mode.w : mode.h;
}

LONG GetWindowLongA(HWND window, int index)
{
    const WindowRecord* record = findWindow(window);
    if (record == nullptr) {
        return 0;
    }
    if (index == GWL_STYLE) {
        return static_cast<LONG>(record->style);
    }
    if (index == GWL_EXSTYLE) {
        return static_cast<LONG>(record->exStyle);
    }
    return 0;
}

LONG SetWindowLongA(HWND window, int index, LONG value)
{
    WindowRecord* record = findWindow(window);
    if (record == nullptr || (index != GWL_STYLE && index != GWL_EXSTYLE)) {
        return 0;
    }
    DWORD& slot = index == GWL_STYLE ? record->style : record->exStyle;
    const LONG previous = static_cast<LONG>(slot);
    slot = static_cast<DWORD>(value);
    if (index == GWL_STYLE) {
        applyStyle(*record);
    }
    return previous;
}

bool Orva::Platform::SetBorderlessFullscreen(HWND window, bool on, const RECT* restore)
{
    WindowRecord* record = findWindow(window);
    if (record == nullptr) {
        return false;
    }
    SDL_Window* sdlWindow = record->window;
    if (on) {
        SDL_DisplayMode desktop;
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(sdlWindow, &width, &height);
        const int display = SDL_GetWindowDisplayIndex(sdlWindow);
        if (display >= 0 && SDL_GetDesktopDisplayMode(display, &desktop) == 0 &&
            (desktop.w != width || desktop.h != height)) {
            record->fullscreenResizeEcho = std::pair{desktop.w, desktop.h};
        }
        return SDL_SetWindowFullscreen(sdlWindow, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
    }
    if (SDL_SetWindowFullscreen(sdlWindow, 0) != 0) {
        return false;
    }
    record->fullscreenResizeEcho.reset();
    applyStyle(*record);
    if (restore != nullptr) {
        applyOuterRect(*record, restore->left, restore->top, restore->right - restore->left,
                       restore->bottom - restore->top, true, true);
    }
    return true;
}
