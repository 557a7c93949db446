#pragma once

// The windowing and shell services the window code is written against, with their
// customary names and values, served by the platform layer over SDL2. Handles are
// opaque ids that are never dereferenced and never reused: a call on a destroyed or
// unknown handle fails (0, null) and touches nothing. These functions stay inside the engine
// library: nothing outside it links them, so a process may also hold a library that really
// has these names.

#include <cstdint>

// ---- scalar types --------------------------------------------------------------------

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using SHORT = std::int16_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using DWORD = std::uint32_t;
using ATOM = WORD;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// ---- handles -------------------------------------------------------------------------

struct OrvaWindowHandle;
struct OrvaInstanceHandle;
struct OrvaIconHandle;
struct OrvaCursorHandle;
struct OrvaBrushHandle;
struct OrvaMenuHandle;
struct OrvaDropHandle;

using HWND = OrvaWindowHandle*;
using HINSTANCE = OrvaInstanceHandle*;
using HICON = OrvaIconHandle*;
using HCURSOR = OrvaCursorHandle*;
using HBRUSH = OrvaBrushHandle*;
using HMENU = OrvaMenuHandle*;
using HDROP = OrvaDropHandle*;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

// ---- records -------------------------------------------------------------------------

struct RECT
{
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct MSG
{
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time; // milliseconds since the layer started, from the source event
};

// hIcon, hCursor, hbrBackground and hIconSm are accepted for shape and ignored: windows
// take the system cursor, and icons come from Orva::Platform::LoadIconFile.
struct WNDCLASSEXA
{
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    const char* lpszMenuName;
    const char* lpszClassName;
    HICON hIconSm;
};

struct FLASHWINFO
{
    UINT cbSize;
    HWND hwnd;
    DWORD dwFlags;
    UINT uCount;
    DWORD dwTimeout;
};

// ---- messages ------------------------------------------------------------------------

inline constexpr UINT WM_SETFOCUS = 0x0007;
inline constexpr UINT WM_KILLFOCUS = 0x0008;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_SETICON = 0x0080;
inline constexpr UINT WM_NCLBUTTONDBLCLK = 0x00A3;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_SYSKEYDOWN = 0x0104;
inline constexpr UINT WM_SYSKEYUP = 0x0105;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_MBUTTONDOWN = 0x0207;
inline constexpr UINT WM_MBUTTONUP = 0x0208;
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;
inline constexpr UINT WM_EXITSIZEMOVE = 0x0232;
inline constexpr UINT WM_DROPFILES = 0x0233;

inline constexpr WPARAM SC_MAXIMIZE = 0xF030;
inline constexpr WPARAM SC_KEYMENU = 0xF100;
inline constexpr WPARAM SC_RESTORE = 0xF120;

inline constexpr WPARAM ICON_SMALL = 0;
inline constexpr WPARAM ICON_BIG = 1;

inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;

// Button and modifier flags in the wParam of mouse messages.
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_SHIFT = 0x0004;
inline constexpr WPARAM MK_CONTROL = 0x0008;
inline constexpr WPARAM MK_MBUTTON = 0x0010;

inline constexpr int WHEEL_DELTA = 120;

// Key-message lParam bits above the repeat count (0-15) and the scan code (16-23).
inline constexpr LPARAM KF_EXTENDED_BIT = LPARAM{1} << 24;
inline constexpr LPARAM KF_ALTDOWN_BIT = LPARAM{1} << 29;
inline constexpr LPARAM KF_REPEAT_BIT = LPARAM{1} << 30;
inline constexpr LPARAM KF_UP_BIT = LPARAM{1} << 31;

// ---- word packing ----------------------------------------------------------------------

constexpr WORD LOWORD(std::uintptr_t value)
{
    return static_cast<WORD>(value & 0xFFFF);
}
constexpr WORD HIWORD(std::uintptr_t value)
{
    return static_cast<WORD>((value >> 16) & 0xFFFF);
}
constexpr int GET_X_LPARAM(LPARAM lParam)
{
    return static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lParam)));
}
constexpr int GET_Y_LPARAM(LPARAM lParam)
{
    return static_cast<SHORT>(HIWORD(static_cast<std::uintptr_t>(lParam)));
}
constexpr SHORT GET_WHEEL_DELTA_WPARAM(WPARAM wParam)
{
    return static_cast<SHORT>(HIWORD(wParam));
}
constexpr LPARAM MAKELPARAM(WORD low, WORD high)
{
    return static_cast<LPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}
constexpr WPARAM MAKEWPARAM(WORD low, WORD high)
{
    return static_cast<WPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}

// ---- window classes, styles, show commands -------------------------------------------

inline constexpr UINT CS_VREDRAW = 0x0001;
inline constexpr UINT CS_HREDRAW = 0x0002;
inline constexpr UINT CS_OWNDC = 0x0020;

inline constexpr DWORD WS_OVERLAPPED = 0x00000000;
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_MINIMIZE = 0x20000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
inline constexpr DWORD WS_MAXIMIZE = 0x01000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_DLGFRAME = 0x00400000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
inline constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;

inline constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
inline constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
inline constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
inline constexpr DWORD WS_EX_STATICEDGE = 0x00020000;
inline constexpr DWORD WS_EX_APPWINDOW = 0x00040000;

inline constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

inline constexpr int GWL_STYLE = -16;
inline constexpr int GWL_EXSTYLE = -20;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_SHOWNOACTIVATE = 4;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_SHOWMINNOACTIVE = 7;
inline constexpr int SW_SHOWNA = 8;
inline constexpr int SW_RESTORE = 9;
inline constexpr int SW_SHOWDEFAULT = 10;

inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT SWP_NOACTIVATE = 0x0010;
inline constexpr UINT SWP_FRAMECHANGED = 0x0020;
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
inline constexpr UINT SWP_HIDEWINDOW = 0x0080;

inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;

inline constexpr DWORD FLASHW_STOP = 0x0;
inline constexpr DWORD FLASHW_CAPTION = 0x1;
inline constexpr DWORD FLASHW_TRAY = 0x2;
inline constexpr DWORD FLASHW_ALL = 0x3;
inline constexpr DWORD FLASHW_TIMER = 0x4;
inline constexpr DWORD FLASHW_TIMERNOFG = 0xC;

inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

inline constexpr UINT MAX_PATH = 260;

// ---- virtual keys ----------------------------------------------------------------------
// Digits and letters are their ASCII codes ('0'-'9', 'A'-'Z').

inline constexpr int VK_BACK = 0x08;
inline constexpr int VK_TAB = 0x09;
inline constexpr int VK_CLEAR = 0x0C;
inline constexpr int VK_RETURN = 0x0D;
inline constexpr int VK_SHIFT = 0x10;
inline constexpr int VK_CONTROL = 0x11;
inline constexpr int VK_MENU = 0x12;
inline constexpr int VK_PAUSE = 0x13;
inline constexpr int VK_CAPITAL = 0x14;
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_SPACE = 0x20;
inline constexpr int VK_PRIOR = 0x21;
inline constexpr int VK_NEXT = 0x22;
inline constexpr int VK_END = 0x23;
inline constexpr int VK_HOME = 0x24;
inline constexpr int VK_LEFT = 0x25;
inline constexpr int VK_UP = 0x26;
inline constexpr int VK_RIGHT = 0x27;
inline constexpr int VK_DOWN = 0x28;
inline constexpr int VK_SELECT = 0x29;
inline constexpr int VK_PRINT = 0x2A;
inline constexpr int VK_EXECUTE = 0x2B;
inline constexpr int VK_SNAPSHOT = 0x2C;
inline constexpr int VK_INSERT = 0x2D;
inline constexpr int VK_DELETE = 0x2E;
inline constexpr int VK_HELP = 0x2F;
inline constexpr int VK_LWIN = 0x5B;
inline constexpr int VK_RWIN = 0x5C;
inline constexpr int VK_APPS = 0x5D;
inline constexpr int VK_SLEEP = 0x5F;
inline constexpr int VK_NUMPAD0 = 0x60;
inline constexpr int VK_NUMPAD9 = 0x69;
inline constexpr int VK_MULTIPLY = 0x6A;
inline constexpr int VK_ADD = 0x6B;
inline constexpr int VK_SEPARATOR = 0x6C;
inline constexpr int VK_SUBTRACT = 0x6D;
inline constexpr int VK_DECIMAL = 0x6E;
inline constexpr int VK_DIVIDE = 0x6F;
inline constexpr int VK_F1 = 0x70;
inline constexpr int VK_F10 = 0x79;
inline constexpr int VK_F11 = 0x7A;
inline constexpr int VK_F12 = 0x7B;
inline constexpr int VK_F13 = 0x7C;
inline constexpr int VK_F24 = 0x87;
inline constexpr int VK_NUMLOCK = 0x90;
inline constexpr int VK_SCROLL = 0x91;
inline constexpr int VK_LSHIFT = 0xA0;
inline constexpr int VK_RSHIFT = 0xA1;
inline constexpr int VK_LCONTROL = 0xA2;
inline constexpr int VK_RCONTROL = 0xA3;
inline constexpr int VK_LMENU = 0xA4;
inline constexpr int VK_RMENU = 0xA5;
inline constexpr int VK_BROWSER_BACK = 0xA6;
inline constexpr int VK_BROWSER_FORWARD = 0xA7;
inline constexpr int VK_BROWSER_REFRESH = 0xA8;
inline constexpr int VK_BROWSER_STOP = 0xA9;
inline constexpr int VK_BROWSER_SEARCH = 0xAA;
inline constexpr int VK_BROWSER_FAVORITES = 0xAB;
inline constexpr int VK_BROWSER_HOME = 0xAC;
inline constexpr int VK_VOLUME_MUTE = 0xAD;
inline constexpr int VK_VOLUME_DOWN = 0xAE;
inline constexpr int VK_VOLUME_UP = 0xAF;
inline constexpr int VK_MEDIA_NEXT_TRACK = 0xB0;
inline constexpr int VK_MEDIA_PREV_TRACK = 0xB1;
inline constexpr int VK_MEDIA_STOP = 0xB2;
inline constexpr int VK_MEDIA_PLAY_PAUSE = 0xB3;
inline constexpr int VK_LAUNCH_MAIL = 0xB4;
inline constexpr int VK_LAUNCH_MEDIA_SELECT = 0xB5;
inline constexpr int VK_LAUNCH_APP1 = 0xB6;
inline constexpr int VK_LAUNCH_APP2 = 0xB7;
inline constexpr int VK_OEM_1 = 0xBA;      // ;:
inline constexpr int VK_OEM_PLUS = 0xBB;   // =+
inline constexpr int VK_OEM_COMMA = 0xBC;  // ,<
inline constexpr int VK_OEM_MINUS = 0xBD;  // -_
inline constexpr int VK_OEM_PERIOD = 0xBE; // .>
inline constexpr int VK_OEM_2 = 0xBF;      // /?
inline constexpr int VK_OEM_3 = 0xC0;      // `~
inline constexpr int VK_OEM_4 = 0xDB;      // [{
inline constexpr int VK_OEM_5 = 0xDC;      // \|
inline constexpr int VK_OEM_6 = 0xDD;      // ]}
inline constexpr int VK_OEM_7 = 0xDE;      // '"
inline constexpr int VK_OEM_8 = 0xDF;
inline constexpr int VK_OEM_102 = 0xE2; // the extra key left of Z on ISO keyboards

// ---- services --------------------------------------------------------------------------

// Window classes: bookkeeping per (case-insensitive name, instance). Registering a
// pair twice fails; unregistering fails while a window of the class lives.
ATOM RegisterClassExA(const WNDCLASSEXA* windowClass);
BOOL UnregisterClassA(const char* className, HINSTANCE instance);

// Creates a hidden SDL window ready for an OpenGL 3.1 context. The size is the client
// size; an overlapped window (neither WS_POPUP nor WS_CHILD) gets WS_CAPTION and
// WS_CLIPSIBLINGS as on the desktop it imitates. The owner and menu are accepted and
// ignored. Null when the class is unknown or video cannot start.
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* createParam);
// Destroys the window and drops its queued messages; frees the capture if it held it.
BOOL DestroyWindow(HWND window);
// Result: whether the window was visible before the call.
BOOL ShowWindow(HWND window, int showCommand);
BOOL UpdateWindow(HWND window);
BOOL SetForegroundWindow(HWND window);
// Result: the window that had the keyboard focus before the call.
HWND SetFocus(HWND window);

// The message pump. With nothing queued for the filter, PeekMessageA drains SDL's events
// once into messages. Removing a key message updates the 256-entry key table that
// GetKeyState reads, so GetKeyState answers for the time of the last removed message.
// A null window takes messages of every window and thread messages alike; a zero
// range takes every message.
BOOL PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
// Puts a WM_CHAR at the queue's front for a WM_KEYDOWN of VK_BACK, VK_TAB, VK_RETURN or
// VK_ESCAPE; printable text reaches the queue as WM_CHAR from text input.
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageA(const MSG* message);
// Calls the window's procedure at once.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// WM_SETICON sets the window's icon and returns the one it replaces; everything else
// returns 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Bit 0x8000: down; bit 1: toggled (each press flips it).
SHORT GetKeyState(int virtualKey);

// Display counter starting at 0; the cursor shows while the count is 0 or more.
int ShowCursor(BOOL show);
// Result: the window that held the capture before the call.
HWND SetCapture(HWND window);
BOOL ReleaseCapture();

// The client rectangle is (0, 0, width, height); window rectangles are outer, the
// client area plus the frame (no frame without a window manager).
BOOL GetClientRect(HWND window, RECT* rect);
BOOL GetWindowRect(HWND window, RECT* rect);
// The insert-after window is ignored: there is no z-order to keep.
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
// SM_CXSCREEN and SM_CYSCREEN of display 0; 0 for anything else or without video.
int GetSystemMetrics(int index);
// GWL_STYLE and GWL_EXSTYLE. Styles are kept as given and shown through SDL as a
// border (WS_BORDER, WS_DLGFRAME or WS_THICKFRAME) and resizability (WS_THICKFRAME).
LONG GetWindowLongA(HWND window, int index);
LONG SetWindowLongA(HWND window, int index, LONG value);
// Titles are cut to 259 bytes without splitting a UTF-8 code point.
BOOL SetWindowTextA(HWND window, const char* text);
int GetWindowTextA(HWND window, char* buffer, int bufferSize);
// Any flash request flashes until the window is focused; FLASHW_STOP cancels.
BOOL FlashWindowEx(const FLASHWINFO* info);

// Dropped files. Index 0xFFFFFFFF asks for the count, a null buffer for the length of a
// path (without its terminator); otherwise the path is copied, cut to fit the buffer.
UINT DragQueryFileA(HDROP drop, UINT index, char* buffer, UINT bufferSize);
void DragFinish(HDROP drop);
// Directory, read-only and normal bits from stat; INVALID_FILE_ATTRIBUTES on failure.
DWORD GetFileAttributesA(const char* path);

// The process's one module instance for a null name; null for any other name. A fixed
// handle, which window handles (counted from 1) never equal, the same on both sides of the
// engine library.
inline HINSTANCE GetModuleHandleA(const char* moduleName)
{
    return moduleName == nullptr ? reinterpret_cast<HINSTANCE>(~std::uintptr_t{0}) : nullptr;
}
BOOL DestroyIcon(HICON icon);
