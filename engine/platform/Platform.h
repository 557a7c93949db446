#pragma once

// What the platform layer offers beyond the classic windowing calls of Win32.h: the SDL
// concepts that replace display modes, module icons and device contexts, and the hooks
// tests use to drive the layer without a user (the pad hook is in ControllerBackend.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Export.h"
#include "platform/ControllerBackend.h"
#include "platform/Win32.h"

struct SDL_Window;

namespace Orva::Platform {

// Desktop full screen on or off; the display mode is never changed. Switching off puts
// the window back at `restore` (an outer rectangle, as GetWindowRect gives) when given,
// since SDL does not restore the windowed size without a window manager, and shows the
// border and resizability of the window's current style again.
ORVA_API bool SetBorderlessFullscreen(HWND window, bool on, const RECT* restore);

// Pixels of a loaded icon: rows top to bottom, four bytes R, G, B, A per pixel.
struct IconImage
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// Loads an icon file: an ICO whose entries are PNG or 24/32-bpp uncompressed DIBs (the
// largest entry that decodes wins), or a plain PNG or BMP. Null when the file is missing
// or malformed. Give it to a window with WM_SETICON; free it with DestroyIcon.
ORVA_API HICON LoadIconFile(const char* path);
// The same from the file's bytes, already read.
ORVA_API HICON LoadIconFromMemory(const std::uint8_t* bytes, std::size_t size);
// The pixels behind an icon handle; null for an unknown or destroyed handle.
ORVA_API const IconImage* GetIconImage(HICON icon);

// The SDL window behind a handle, on which the renderer creates its OpenGL context;
// null for an unknown or destroyed handle. It plays the part of the window's device
// context in the OpenGL calls below.
ORVA_API SDL_Window* GetSDLWindow(HWND window);

// An OpenGL rendering context; opaque.
using GLContextHandle = void*;

// Whether the window was made to carry OpenGL (CreateWindowExA asks for a double-buffered
// RGBA8 surface with a 24-bit depth buffer and a 3.1 context without the core-profile bit).
ORVA_API bool HasGLPixelFormat(SDL_Window* window);
// Creates an OpenGL context on a window of this layer with those attributes and makes it
// current, with buffer swaps not waiting for the display. Null on failure (LastError says
// why). The context lives until its window is destroyed.
ORVA_API GLContextHandle CreateGLContext(SDL_Window* window);
// Presents the back buffer; false for a window that is not one of this layer's.
ORVA_API bool SwapGLBuffers(SDL_Window* window);
// The text of the last failure inside the platform layer's libraries.
ORVA_API std::string LastError();

// When the connection to the X display is lost, the handler (if any) runs once, then the
// process ends at once with this status: no exit handler or static destructor runs, since
// they could wait for ever on the dead connection. The handler must not reach the display.
inline constexpr int DisplayLostStatus = 255;
ORVA_API void SetDisplayLostHandler(void (*handler)());

// Whether the program has been asked to end since video started: by SIGTERM, SIGINT or
// SIGHUP (heard while video runs, each becoming WM_CLOSE to every window at the next pump),
// by SDL's quit event or by a window's close box. Looks into SDL's queue without taking
// anything from it, so it may be asked between two pumps; once true it stays true.
ORVA_API bool CloseRequested();

namespace Test {

// Appends a message to the queue as if posted; false for a non-null unknown window.
ORVA_API bool postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Sets one entry of the key table that GetKeyState reads, and only that entry.
ORVA_API void setKeyState(int virtualKey, bool down);
ORVA_API HWND getCapture();
ORVA_API int cursorCount();
// A drop handle over the given paths, as WM_DROPFILES carries; live until DragFinish.
ORVA_API HDROP makeDrop(const std::vector<std::string>& paths);
ORVA_API std::size_t liveDropCount();
// Destroys every window, class, queued message, drop and icon, clears the key table,
// the cursor counter and the capture, and stops SDL video; closes the game controllers
// and serves the pads from SDL again. Handles stay unique.
ORVA_API void reset();

// The classic calls that tests of the engine's window make themselves, each passed on to its
// namesake in Win32.h, which the engine library does not export.
ORVA_API BOOL peekMessage(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
ORVA_API LRESULT sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
ORVA_API BOOL setWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
ORVA_API LONG getWindowLong(HWND window, int index);
ORVA_API LONG setWindowLong(HWND window, int index, LONG value);
ORVA_API BOOL releaseCapture();
ORVA_API BOOL destroyIcon(HICON icon);

} // namespace Test

} // namespace Orva::Platform
