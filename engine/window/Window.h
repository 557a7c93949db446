#pragma once

#include <string>

#include "core/BaseEvent.h"
#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "core/Vector.h"
#include "platform/Win32.h"
#include "window/WindowEvents.h"

namespace Orva {

// The game's one native window. It pumps its messages once a frame (update), turns them
// into engine events queued on the event manager and into the shared input state of
// InputKeys.h, and switches between a framed window and borderless full screen. The event
// manager has to exist before init and whenever update runs.
class ORVA_API Window
{
public:
    // Stores the module instance, the requested client size and an owner or host window;
    // creates nothing.
    Window(HINSTANCE instance, const Math::Vector2D<unsigned>& size, HWND parent);
    // Destroys the native window and unregisters the class unless deinitialize did.
    ~Window();

    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Listens to its own resize and exit events, registers the class "OrvaEngine", creates,
    // shows and focuses the window and queues a resize event. A failed registration (the
    // class is taken) ends it with no window and no event.
    void init(const std::string& title, unsigned long style, int nCmdShow);
    // Adopts the host window given to the constructor: no class, no listeners, no events.
    void initInParent();
    // Pumps every pending message of the window; false once the exit event was dispatched.
    bool update();

    void show(bool visible);
    void setTitle(const std::string& text);
    // At most 259 bytes.
    std::string getTitle() const;
    void showCursor();
    void hideCursor();
    bool isCursorHidden() const noexcept { return !cursorVisible; }
    // Loads an icon file at the resource directory followed by path; a file that does not
    // load leaves the icon as it was.
    void setIcon(const std::string& path);
    // Borderless desktop full screen or back to the saved windowed rectangle and styles; a
    // switch queues one resize event, and `size` holds the outer size until it is dispatched.
    void setFullscreen(bool on);
    bool isFullscreen() const noexcept { return fullscreen; }
    // Sets the size at once and applies it; no event.
    void resize(const Math::Vector2D<unsigned>& newSize);
    void resize(unsigned width, unsigned height);

    const Math::Vector2D<unsigned>& getSize() const noexcept { return size; }
    const Math::Vector2D<unsigned>& getPreviousSize() const noexcept { return previousSize; }
    const unsigned& getWidth() const noexcept { return size.x; }
    const unsigned& getHeight() const noexcept { return size.y; }
    HWND getHWnd() const noexcept { return handle; }
    HINSTANCE getHInstance() const noexcept { return instance; }
    // Flashes the caption and taskbar button until the window comes to the front.
    void alert() const;
    // Destroys the native window and unregisters the class; `handle` keeps the stale value.
    void deinitialize();

    EventCallbackObject& getEventCallbackObject() noexcept { return eventCallbacks; }

    // The procedure of the class "OrvaEngine".
    static LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The key handlers: the virtual key of a WM_KEYDOWN or WM_KEYUP to its key code.
    static void handleKeyDown(const WindowEvent& event);
    static void handleKeyUp(const WindowEvent& event);

    // Which mouse button holds the capture: -1 none, 1 left, 2 right, 3 middle.
    static int mouseCaptureButton() noexcept;
    // Tests only: forgets the capture, the saved windowed rectangle and the saved styles, as
    // in a fresh process.
    static void resetProcessState() noexcept;

private:
    void subscribe();
    void onResize(BaseEvent* event);
    void onExit(BaseEvent* event);

    HINSTANCE instance;
    HWND handle = nullptr;
    HWND parentWindow;
    Math::Vector2D<unsigned> size;
    Math::Vector2D<unsigned> previousSize;
    bool fullscreen = false;
    bool quitRequested = false;
    bool destroyed = false;
    bool cursorVisible = true;
    EventCallbackObject eventCallbacks;
};

} // namespace Orva
