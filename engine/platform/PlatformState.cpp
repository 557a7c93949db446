#include "platform/PlatformState.h"

#include <cctype>

namespace Orva::Platform::detail {

State& state()
{
    // Never destroyed: windows owned by static objects may be destroyed after the
    // layer would otherwise be gone.
    static State* const instance = new State();
    return *instance;
}

std::uintptr_t newHandleId()
{
    static std::uintptr_t lastId = 0;
    return ++lastId;
}

bool ensureVideo(State& s)
{
    if (s.videoStarted) {
        return true;
    }
    // A click that focuses the window is also a click in the game; losing the focus
    // must not minimise a full-screen window; closing a window is the game's decision.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    hearCloseSignals();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        SDL_Log("platform: no video: %s", SDL_GetError());
        stopHearingCloseSignals();
        return false;
    }
    s.videoStarted = true;
    watchDisplayConnection();
    // The OpenGL driver stays loaded for the life of the process: Mesa's drivers leak a
    // little on every unload, and windows come and go.
    if (SDL_GL_LoadLibrary(nullptr) != 0) {
        SDL_Log("platform: no OpenGL library: %s", SDL_GetError());
    }
    SDL_ShowCursor(s.cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return true;
}

void stopVideo(State& s)
{
    if (!s.videoStarted) {
        return;
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    stopHearingCloseSignals();
    s.videoStarted = false;
}

std::string classKey(const char* className, HINSTANCE instance)
{
    std::string key;
    for (const char* c = className; *c != '\0'; ++c) {
        key += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    }
    key += '\0';
    key += std::to_string(handleId(instance));
    return key;
}

WindowRecord* findWindow(HWND window)
{
    auto& windows = state().windows;
    const auto found = windows.find(handleId(window));
    return found == windows.end() ? nullptr : &found->second;
}

HWND windowOfSdlId(const State& s, Uint32 sdlWindowId)
{
    for (const auto& [id, record] : s.windows) {
        if (SDL_GetWindowID(record.window) == sdlWindowId) {
            return toHandle<HWND>(id);
        }
    }
    return nullptr;
}

} // namespace Orva::Platform::detail

namespace Orva::Platform::Test {

void reset()
{
    using namespace detail;
    State& s = state();
    for (auto& [id, record] : s.windows) {
        deleteGLContexts(record);
        SDL_DestroyWindow(record.window);
    }
    if (s.capture != nullptr) {
        SDL_CaptureMouse(SDL_FALSE);
    }
    if (s.videoStarted && s.cursorCount < 0) {
        SDL_ShowCursor(SDL_ENABLE);
    }
    stopVideo(s);
    s = State{};
    resetControllers();
}

BOOL peekMessage(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags)
{
    return PeekMessageA(message, window, filterMin, filterMax, removeFlags);
}

LRESULT sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(window, message, wParam, lParam);
}

BOOL setWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags)
{
    return SetWindowPos(window, insertAfter, x, y, width, height, flags);
}

LONG getWindowLong(HWND window, int index)
{
    return GetWindowLongA(window, index);
}

LONG setWindowLong(HWND window, int index, LONG value)
{
    return SetWindowLongA(window, index, value);
}

BOOL releaseCapture()
{
    return ReleaseCapture();
}

BOOL destroyIcon(HICON icon)
{
    return DestroyIcon(icon);
}

} // namespace Orva::Platform::Test
