#include "window/Window.h"

#include <array>

#include "core/EventManager.h"
#include "core/FunctionHolder.h"
#include "platform/Platform.h"
#include "window/InputKeys.h"
#include "world/ResourceManager.h"

namespace Orva {

namespace {

constexpr const char* ClassName = "OrvaEngine";
constexpr UINT ClassStyle = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
constexpr DWORD WindowedExStyle = WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE;
// Full screen drops the minimised and maximised states, every frame part and the menu.
constexpr DWORD FullscreenStyleMask =
    ~(WS_MINIMIZE | WS_MAXIMIZE | WS_BORDER | WS_DLGFRAME | WS_SYSMENU | WS_THICKFRAME);
constexpr DWORD FullscreenExStyleMask = ~(WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE);
constexpr UINT ResizeFlags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
constexpr int TitleBufferSize = MAX_PATH;
constexpr int NoCapture = -1;

const std::uint32_t FocusCode = EventNameDetails::EventToHash(WindowFocusEventName);
const std::uint32_t UnfocusCode = EventNameDetails::EventToHash(WindowUnfocusEventName);
const std::uint32_t ExitCode = EventNameDetails::EventToHash(WindowExitEventName);
const std::uint32_t ResizeCode = EventNameDetails::EventToHash(WindowResizeEventName);
const std::uint32_t CharCode = EventNameDetails::EventToHash(WindowCharEventName);
const std::uint32_t SpecCharCode = EventNameDetails::EventToHash(WindowSpecCharEventName);
const std::uint32_t DropCode = EventNameDetails::EventToHash(WindowDragNDropEventName);

// Shared by every window of the process.
struct ProcessState
{
    int mouseCaptureButton = NoCapture;
    RECT savedWindowedRect{};
    bool windowedRectSaved = false;
    // The styles of the first switch to full screen, which every switch back restores.
    bool stylesSaved = false;
    DWORD savedWindowedStyle = 0;
    DWORD savedWindowedExStyle = 0;
};

ProcessState processState;

// Without an event manager there is nobody to deliver to.
template <class E> void queue(std::uint32_t code, const E& event)
{
    if (EventManager::hasInstance()) {
        EventManager::getInstance().queueEvent(code, event);
    }
}

void queueResize(HWND window)
{
    queue(ResizeCode, WindowResizeEvent{0, 0, window});
}

// The first button pressed while none holds the capture takes it; only its own release
// gives it back. Each button's key state follows its own messages.
void pressMouseButton(HWND window, int button, unsigned char code)
{
    if (processState.mouseCaptureButton == NoCapture) {
        SetCapture(window);
        processState.mouseCaptureButton = button;
    }
    recordKeyState(code, true);
}

void releaseMouseButton(int button, unsigned char code)
{
    if (processState.mouseCaptureButton == button) {
        ReleaseCapture();
        processState.mouseCaptureButton = NoCapture;
    }
    recordKeyState(code, false);
}

Math::Vector2D<unsigned> extentOf(const RECT& rect)
{
    return {static_cast<unsigned>(rect.right - rect.left), static_cast<unsigned>(rect.bottom - rect.top)};
}

} // namespace

Window::Window(HINSTANCE instance, const Math::Vector2D<unsigned>& size, HWND parent)
    : instance(instance), parentWindow(parent), size(size), previousSize(size)
{
}

Window::~Window()
{
    quitRequested = true;
    if (!destroyed) {
        deinitialize();
    }
}

void Window::subscribe()
{
    // A window initialised again keeps one listener of each kind, not one per init.
    eventCallbacks.clearEvents();
    EventManager& events = EventManager::getInstance();
    events.ListenToEvent(ResizeCode, FunctionHolder(this, &Window::onResize));
    events.ListenToEvent(ExitCode, FunctionHolder(this, &Window::onExit));
}

void Window::init(const std::string& title, unsigned long style, int nCmdShow)
{
    subscribe();

    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = ClassStyle;
    windowClass.lpfnWndProc = &Window::windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = ClassName;
    if (RegisterClassExA(&windowClass) == 0) {
        return;
    }
    destroyed = false;

    // A window that was full screen before its re-initialisation comes back borderless on
    // the desktop; the display mode is never changed.
    const DWORD exStyle = fullscreen ? WS_EX_APPWINDOW : WindowedExStyle;
    handle = CreateWindowExA(exStyle, ClassName, title.c_str(), static_cast<DWORD>(style), CW_USEDEFAULT,
                             CW_USEDEFAULT, static_cast<int>(size.x), static_cast<int>(size.y), parentWindow,
                             nullptr, instance, nullptr);
    if (fullscreen && !Platform::SetBorderlessFullscreen(handle, true, nullptr)) {
        fullscreen = false;
    }
    ShowWindow(handle, nCmdShow);
    UpdateWindow(handle);
    SetForegroundWindow(handle);
    SetFocus(handle);
    queueResize(handle);
}

void Window::initInParent()
{
    handle = parentWindow;
    parentWindow = nullptr;
    ShowWindow(handle, SW_SHOWNORMAL);
    UpdateWindow(handle);
    SetForegroundWindow(handle);
    SetFocus(handle);
}

bool Window::update()
{
    MSG message;
    while (PeekMessageA(&message, handle, 0, 0, PM_REMOVE) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return !quitRequested;
}

void Window::show(bool visible)
{
    ShowWindow(handle, visible ? SW_SHOWNORMAL : SW_HIDE);
}

void Window::setTitle(const std::string& text)
{
    SetWindowTextA(handle, text.c_str());
}

std::string Window::getTitle() const
{
    std::array<char, TitleBufferSize> buffer{};
    const int length = GetWindowTextA(handle, buffer.data(), TitleBufferSize);
    return std::string(buffer.data(), static_cast<std::size_t>(length > 0 ? length : 0));
}

void Window::showCursor()
{
    while (ShowCursor(1) < 1) {
    }
    cursorVisible = true;
}

void Window::hideCursor()
{
    while (ShowCursor(0) >= 0) {
    }
    cursorVisible = false;
}

void Window::setIcon(const std::string& path)
{
    const std::string bytes = Resources::ResourceManager::readResource(path).value_or(std::string());
    const HICON icon =
        Platform::LoadIconFromMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (icon == nullptr) {
        return;
    }
    const LPARAM iconParam = reinterpret_cast<LPARAM>(icon);
    const auto replacedSmall =
        reinterpret_cast<HICON>(SendMessageA(handle, WM_SETICON, ICON_SMALL, iconParam));
    const auto replacedBig = reinterpret_cast<HICON>(SendMessageA(handle, WM_SETICON, ICON_BIG, iconParam));
    // Icons this window loaded earlier are no longer shown anywhere.
    DestroyIcon(replacedSmall);
    if (replacedBig != replacedSmall) {
        DestroyIcon(replacedBig);
    }
}

void Window::setFullscreen(bool on)
{
    if (on == fullscreen || handle == nullptr) {
        return;
    }
    fullscreen = on;
    previousSize = size;
    if (!processState.windowedRectSaved) {
        GetWindowRect(handle, &processState.savedWindowedRect);
        processState.windowedRectSaved = true;
    }
    const auto style = static_cast<DWORD>(GetWindowLongA(handle, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongA(handle, GWL_EXSTYLE));
    if (!processState.stylesSaved) {
        processState.savedWindowedStyle = style;
        processState.savedWindowedExStyle = exStyle;
        processState.stylesSaved = true;
    }

    if (on) {
        SetWindowLongA(handle, GWL_STYLE, static_cast<LONG>(style & FullscreenStyleMask));
        SetWindowLongA(handle, GWL_EXSTYLE, static_cast<LONG>(exStyle & FullscreenExStyleMask));
        size = {static_cast<unsigned>(GetSystemMetrics(SM_CXSCREEN)),
                static_cast<unsigned>(GetSystemMetrics(SM_CYSCREEN))};
        Platform::SetBorderlessFullscreen(handle, true, nullptr);
    } else {
        SetWindowLongA(handle, GWL_STYLE, static_cast<LONG>(processState.savedWindowedStyle));
        SetWindowLongA(handle, GWL_EXSTYLE, static_cast<LONG>(processState.savedWindowedExStyle));
        size = extentOf(processState.savedWindowedRect);
        Platform::SetBorderlessFullscreen(handle, false, &processState.savedWindowedRect);
        processState.windowedRectSaved = false;
    }
    ShowWindow(handle, SW_SHOW);
    queueResize(handle);
}

void Window::resize(const Math::Vector2D<unsigned>& newSize)
{
    resize(newSize.x, newSize.y);
}

void Window::resize(unsigned width, unsigned height)
{
    size = {width, height};
    SetWindowPos(handle, handle, 0, 0, static_cast<int>(width), static_cast<int>(height), ResizeFlags);
}

void Window::alert() const
{
    const FLASHWINFO flash{sizeof(FLASHWINFO), handle, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
    FlashWindowEx(&flash);
}

void Window::deinitialize()
{
    DestroyWindow(handle);
    UnregisterClassA(ClassName, instance);
    destroyed = true;
}

void Window::onResize(BaseEvent* event)
{
    // Scripts may send anything under the name; only the window's own record carries a handle.
    const auto* resize = dynamic_cast<const WindowResizeEvent*>(event);
    RECT client{};
    if (resize == nullptr || GetClientRect(resize->windowHandle, &client) == 0) {
        return;
    }
    previousSize = size;
    size = extentOf(client);
}

void Window::onExit(BaseEvent*)
{
    quitRequested = true;
}

void Window::handleKeyDown(const WindowEvent& event)
{
    recordKeyDown(event.wParam);
}

void Window::handleKeyUp(const WindowEvent& event)
{
    recordKeyUp(event.wParam);
}

int Window::mouseCaptureButton() noexcept
{
    return processState.mouseCaptureButton;
}

void Window::resetProcessState() noexcept
{
    processState = ProcessState{};
}

LRESULT Window::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETFOCUS:
        queue(FocusCode, BaseEvent{});
        break;
    case WM_KILLFOCUS:
        queue(UnfocusCode, BaseEvent{});
        break;
    case WM_CLOSE:
        // Closing is the game's decision: the window stays until it is deinitialised.
        queue(ExitCode, WindowExitEvent{});
        return 0;
    case WM_NCLBUTTONDBLCLK:
    case WM_EXITSIZEMOVE:
        queueResize(window);
        break;
    case WM_KEYDOWN:
        queue(SpecCharCode, WindowCharEvent{static_cast<std::uint32_t>(wParam)});
        handleKeyDown(WindowEvent{message, window, wParam, lParam});
        return 0;
    case WM_KEYUP:
        handleKeyUp(WindowEvent{message, window, wParam, lParam});
        return 0;
    case WM_CHAR:
        if (wParam >= 1 && wParam <= 0xFFFF) {
            queue(CharCode, WindowCharEvent{static_cast<std::uint32_t>(wParam)});
        }
        break;
    case WM_SYSCOMMAND:
        if (wParam == SC_KEYMENU) {
            return 0; // no menu mode from Alt or F10
        }
        if (wParam == SC_MAXIMIZE || wParam == SC_RESTORE) {
            queueResize(window);
        }
        break;
    case WM_MOUSEMOVE:
        WindowMouseX = GET_X_LPARAM(lParam);
        WindowMouseY = GET_Y_LPARAM(lParam);
        return 0;
    case WM_LBUTTONDOWN:
        pressMouseButton(window, 1, InputKeys::ORVA_MOUSE_LEFT);
        return 0;
    case WM_LBUTTONUP:
        releaseMouseButton(1, InputKeys::ORVA_MOUSE_LEFT);
        return 0;
    case WM_RBUTTONDOWN:
        pressMouseButton(window, 2, InputKeys::ORVA_MOUSE_RIGHT);
        return 0;
    case WM_RBUTTONUP:
        releaseMouseButton(2, InputKeys::ORVA_MOUSE_RIGHT);
        return 0;
    case WM_MBUTTONDOWN:
        pressMouseButton(window, 3, InputKeys::ORVA_MOUSE_MIDDLE);
        return 0;
    case WM_MBUTTONUP:
        releaseMouseButton(3, InputKeys::ORVA_MOUSE_MIDDLE);
        return 0;
    case WM_MOUSEWHEEL:
        WindowMouseWheelDelta = GET_WHEEL_DELTA_WPARAM(wParam);
        break;
    case WM_DROPFILES:
        queue(DropCode, WindowDragAndDropEvent(reinterpret_cast<HDROP>(wParam)));
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace Orva
