#pragma once

// Internal to the platform layer: the one state every service of Win32.h and
// Platform.h works on. Includes SDL, so it never leaves engine/platform/.

#include <SDL.h>

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "platform/Win32.h"

namespace Orva::Platform::detail {

struct WindowRecord
{
    SDL_Window* window = nullptr;
    std::string classKey;
    WNDPROC procedure = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string title;
    HICON smallIcon = nullptr;
    HICON bigIcon = nullptr;
    // SDL reports its own switch to full screen as a resize; that one report is no
    // user resize and must not become WM_EXITSIZEMOVE.
    std::optional<std::pair<int, int>> fullscreenResizeEcho;
    // Paths gathered between SDL_DROPBEGIN and SDL_DROPCOMPLETE.
    std::vector<std::string> pendingDrop;
    // OpenGL contexts made on the window; they go with it.
    std::vector<SDL_GLContext> glContexts;
};

struct ClassRecord
{
    ATOM atom = 0;
    WNDPROC procedure = nullptr;
};

struct State
{
    bool videoStarted = false;
    std::map<std::string, ClassRecord> classes;     // by classKey()
    std::map<std::uintptr_t, WindowRecord> windows; // by handle id
    std::deque<MSG> queue;
    std::array<BYTE, 256> keyTable{};
    // A system key-down turns its text into no WM_CHAR, as a menu accelerator would.
    bool dropNextText = false;
    int cursorCount = 0;
    HWND capture = nullptr;
    std::map<std::uintptr_t, std::vector<std::string>> drops;
    std::map<std::uintptr_t, IconImage> icons;
    // The program has been asked to end (CloseRequested); it stays asked.
    bool closeRequested = false;
};

State& state();

// Ids shared by every handle kind, never reused for the life of the process.
std::uintptr_t newHandleId();

template <class Handle> Handle toHandle(std::uintptr_t id)
{
    return reinterpret_cast<Handle>(id);
}
template <class Handle> std::uintptr_t handleId(Handle handle)
{
    return reinterpret_cast<std::uintptr_t>(handle);
}

// Starts SDL video with the layer's hints on first use; false when it cannot start.
bool ensureVideo(State& s);
// Once video runs on an X display: a lost connection ends the process (SetDisplayLostHandler).
void watchDisplayConnection();
void stopVideo(State& s);

// While video runs, SIGTERM, SIGINT and SIGHUP are close requests, not the end of the process.
void hearCloseSignals();
void stopHearingCloseSignals();
// A close request: WM_CLOSE to every window, and CloseRequested from now on.
void askEveryWindowToClose(State& s, Uint32 time);
// The pump's part: a close signal caught since the last pump asks every window to close.
void postSignalledClose(State& s);

std::string classKey(const char* className, HINSTANCE instance);
WindowRecord* findWindow(HWND window);
// The live window behind an SDL window id, null when none.
HWND windowOfSdlId(const State& s, Uint32 sdlWindowId);

// Shows the record's style through SDL: a border and resizability.
void applyStyle(const WindowRecord& record);
// Moves and/or sizes the window by its outer rectangle.
void applyOuterRect(const WindowRecord& record, int x, int y, int width, int height, bool move, bool size);

// Turns one SDL event into the messages the desktop would post for it, appended to the
// queue. The event's owned text (drops) is freed here.
void translateEvent(State& s, SDL_Event& event);
// The left or right key a generic VK_SHIFT, VK_CONTROL or VK_MENU message stands for;
// any other key is returned unchanged.
int sidedVirtualKey(int virtualKey, LPARAM lParam);

// Registers a drop handle over the paths, live until DragFinish.
HDROP newDrop(State& s, std::vector<std::string> paths);

// Deletes the OpenGL contexts made on the window (none is current afterwards if one of
// them was), before the window itself goes.
void deleteGLContexts(WindowRecord& record);

// Sets the window's SDL icon from an icon handle; false when the icon is unknown.
bool showIcon(const WindowRecord& record, HICON icon);

// Closes every game controller, stops SDL's controller subsystem and serves the pads from
// SDL again.
void resetControllers();

} // namespace Orva::Platform::detail
