#include <cstdlib>
#include <string>

#include "PlatformFixture.h"

namespace {

using WindowServices = PlatformFixture;
namespace Platform = Orva::Platform;

RECT clientRect(HWND window)
{
    RECT rect{-1, -1, -1, -1};
    GetClientRect(window, &rect);
    return rect;
}

TEST_F(WindowServices, ClassesAreKeyedByCaseInsensitiveNameAndInstance)
{
    EXPECT_FALSE(registerClass());
    EXPECT_FALSE(registerClass("orvatestclass"));
    WNDCLASSEXA otherInstance{};
    otherInstance.cbSize = sizeof otherInstance;
    otherInstance.lpfnWndProc = &recordingProcedure;
    otherInstance.hInstance = nullptr;
    otherInstance.lpszClassName = ClassName;
    EXPECT_NE(RegisterClassExA(&otherInstance), 0);
    otherInstance.lpfnWndProc = nullptr;
    otherInstance.lpszClassName = "NoProcedure";
    EXPECT_EQ(RegisterClassExA(&otherInstance), 0);
    EXPECT_EQ(RegisterClassExA(nullptr), 0);

    EXPECT_EQ(CreateWindowExA(0, "Unregistered", "", 0, 0, 0, 10, 10, nullptr, nullptr, instance(), nullptr),
              nullptr);
    EXPECT_FALSE(UnregisterClassA(ClassName, instance())); // a window of it lives
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_TRUE(UnregisterClassA("ORVATESTCLASS", instance()));
    EXPECT_FALSE(UnregisterClassA(ClassName, instance()));
    EXPECT_TRUE(UnregisterClassA(ClassName, nullptr));
}

TEST_F(WindowServices, DestroyedHandlesFailEverywhereAndAreNeverReused)
{
    const HWND stale = window;
    ASSERT_TRUE(SetCapture(stale) == nullptr);
    ASSERT_TRUE(DestroyWindow(stale));
    EXPECT_EQ(Platform::Test::getCapture(), nullptr);

    RECT rect{1, 2, 3, 4};
    EXPECT_FALSE(DestroyWindow(stale));
    EXPECT_FALSE(GetClientRect(stale, &rect));
    EXPECT_FALSE(GetWindowRect(stale, &rect));
    EXPECT_EQ(rect.left, 1);
    EXPECT_EQ(rect.bottom, 4);
    EXPECT_FALSE(SetWindowPos(stale, nullptr, 0, 0, 10, 10, 0));
    EXPECT_FALSE(ShowWindow(stale, SW_SHOWNORMAL));
    EXPECT_FALSE(UpdateWindow(stale));
    EXPECT_FALSE(SetForegroundWindow(stale));
    EXPECT_EQ(SetFocus(stale), nullptr);
    EXPECT_FALSE(SetWindowTextA(stale, "x"));
    char title[8] = "keep";
    EXPECT_EQ(GetWindowTextA(stale, title, sizeof title), 0);
    EXPECT_STREQ(title, "");
    EXPECT_EQ(GetWindowLongA(stale, GWL_STYLE), 0);
    EXPECT_EQ(SetWindowLongA(stale, GWL_STYLE, 0), 0);
    EXPECT_EQ(SetCapture(stale), nullptr);
    EXPECT_EQ(Platform::Test::getCapture(), nullptr);
    const FLASHWINFO flash{sizeof(FLASHWINFO), stale, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
    EXPECT_FALSE(FlashWindowEx(&flash));
    EXPECT_FALSE(Platform::SetBorderlessFullscreen(stale, true, nullptr));
    EXPECT_EQ(Platform::GetSDLWindow(stale), nullptr);
    EXPECT_FALSE(Platform::HasGLPixelFormat(nullptr));
    EXPECT_EQ(Platform::CreateGLContext(nullptr), nullptr);
    EXPECT_EQ(Platform::LastError(), "not a window of the platform layer");
    EXPECT_FALSE(Platform::SwapGLBuffers(nullptr));
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, stale, 0, 0, PM_REMOVE));

    const HWND fresh = createWindow();
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, stale);
    Platform::Test::reset();
    ASSERT_TRUE(registerClass());
    const HWND afterReset = createWindow();
    EXPECT_NE(afterReset, fresh);
    EXPECT_NE(afterReset, stale);
}

TEST_F(WindowServices, TheRequestedSizeIsTheClientSize)
{
    const RECT client = clientRect(window);
    EXPECT_EQ(client.left, 0);
    EXPECT_EQ(client.top, 0);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);

    RECT outer{};
    ASSERT_TRUE(GetWindowRect(window, &outer));
    EXPECT_EQ(outer.right - outer.left, 640); // no window manager, no frame
    ASSERT_TRUE(SetWindowPos(window, window, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
    RECT moved{};
    GetWindowRect(window, &moved);
    EXPECT_EQ(moved.left, outer.left);
    EXPECT_EQ(moved.top, outer.top);
    EXPECT_EQ(clientRect(window).right, 800);
    EXPECT_EQ(clientRect(window).bottom, 600);

    ASSERT_TRUE(SetWindowPos(window, nullptr, 30, 40, 1, 1, SWP_NOSIZE));
    GetWindowRect(window, &moved);
    EXPECT_EQ(moved.left, 30);
    EXPECT_EQ(moved.top, 40);
    EXPECT_EQ(moved.right, 830);
    SetWindowPos(window, nullptr, 0, 0, 0, -5, SWP_NOMOVE); // degenerate sizes stay a pixel
    EXPECT_EQ(clientRect(window).right, 1);
    EXPECT_EQ(clientRect(window).bottom, 1);
}

TEST_F(WindowServices, StylesAreKeptAndShownAsBorderAndResizability)
{
    const auto flags = [](HWND w) { return SDL_GetWindowFlags(Platform::GetSDLWindow(w)); };
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS);
    EXPECT_NE(flags(window) & SDL_WINDOW_RESIZABLE, 0u);
    EXPECT_EQ(flags(window) & SDL_WINDOW_BORDERLESS, 0u);

    const HWND popup = createWindow(WS_POPUP);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(popup, GWL_STYLE)), WS_POPUP);
    EXPECT_NE(flags(popup) & SDL_WINDOW_BORDERLESS, 0u);
    EXPECT_EQ(flags(popup) & SDL_WINDOW_RESIZABLE, 0u);

    // The launcher's style: sizing frame and boxes, no caption bits of its own.
    const HWND framed = createWindow(0x000E0100);
    ASSERT_NE(framed, nullptr);
    const LONG style = GetWindowLongA(framed, GWL_STYLE);
    EXPECT_EQ(static_cast<DWORD>(style) & WS_CAPTION, WS_CAPTION);
    const LONG stripped = static_cast<LONG>(static_cast<DWORD>(style) & 0xDE33FFFF);
    EXPECT_EQ(SetWindowLongA(framed, GWL_STYLE, stripped), style);
    EXPECT_EQ(GetWindowLongA(framed, GWL_STYLE), stripped);
    EXPECT_EQ(SetWindowLongA(framed, GWL_EXSTYLE, static_cast<LONG>(WS_EX_APPWINDOW)), 0);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(framed, GWL_EXSTYLE)), WS_EX_APPWINDOW);
    EXPECT_EQ(SetWindowLongA(framed, 8, 1), 0);
    EXPECT_EQ(GetWindowLongA(framed, 8), 0);
}

TEST_F(WindowServices, TitlesAreCutAt259BytesOnACodePointBoundary)
{
    char buffer[MAX_PATH];
    ASSERT_TRUE(SetWindowTextA(window, std::string(300, 'x').c_str()));
    EXPECT_EQ(GetWindowTextA(window, buffer, sizeof buffer), 259);
    EXPECT_EQ(std::string(buffer), std::string(259, 'x'));
    EXPECT_STREQ(SDL_GetWindowTitle(Platform::GetSDLWindow(window)), buffer);

    // Byte 259 would fall inside the two-byte 'é' that starts at byte 258.
    const std::string accented = std::string(258, 'a') + "\xC3\xA9" + "tail";
    SetWindowTextA(window, accented.c_str());
    EXPECT_EQ(GetWindowTextA(window, buffer, sizeof buffer), 258);
    EXPECT_EQ(GetWindowTextA(window, buffer, 3), 2); // a smaller buffer cuts the same way
    SetWindowTextA(window, "\xC3\xA9\xC3\xA9");
    EXPECT_EQ(GetWindowTextA(window, buffer, 4), 2);
    EXPECT_STREQ(buffer, "\xC3\xA9");
    EXPECT_EQ(GetWindowTextA(window, buffer, 0), 0);
    EXPECT_EQ(GetWindowTextA(window, nullptr, 10), 0);
    SetWindowTextA(window, nullptr);
    EXPECT_EQ(GetWindowTextA(window, buffer, sizeof buffer), 0);
}

TEST_F(WindowServices, CursorCounterDecidesVisibilityEvenBeforeVideoStarts)
{
    EXPECT_EQ(ShowCursor(0), -1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(ShowCursor(0), -2);
    EXPECT_EQ(ShowCursor(1), -1);
    EXPECT_EQ(ShowCursor(1), 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    EXPECT_EQ(Platform::Test::cursorCount(), 0);

    Platform::Test::reset();
    EXPECT_EQ(ShowCursor(0), -1); // no video yet
    ASSERT_TRUE(registerClass());
    ASSERT_NE(createWindow(), nullptr);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
}

TEST_F(WindowServices, CaptureIsBookkeptPerWindow)
{
    const HWND other = createWindow();
    EXPECT_EQ(SetCapture(window), nullptr);
    EXPECT_EQ(SetCapture(other), window);
    EXPECT_EQ(Platform::Test::getCapture(), other);
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(Platform::Test::getCapture(), nullptr);
    EXPECT_TRUE(ReleaseCapture());
    SetCapture(other);
    DestroyWindow(window); // not the holder
    EXPECT_EQ(Platform::Test::getCapture(), other);
}

TEST_F(WindowServices, ScreenMetricsAndBorderlessFullScreenRoundTrip)
{
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    EXPECT_EQ(GetSystemMetrics(2), 0);

    RECT saved{};
    ASSERT_TRUE(SetWindowPos(window, nullptr, 10, 20, 640, 480, SWP_NOZORDER));
    ASSERT_TRUE(GetWindowRect(window, &saved));
    ASSERT_TRUE(Platform::SetBorderlessFullscreen(window, true, nullptr));
    EXPECT_EQ(clientRect(window).right, 1024);
    EXPECT_EQ(clientRect(window).bottom, 768);
    ASSERT_TRUE(Platform::SetBorderlessFullscreen(window, false, &saved));
    RECT restored{};
    GetWindowRect(window, &restored);
    EXPECT_EQ(restored.left, 10);
    EXPECT_EQ(restored.top, 20);
    EXPECT_EQ(restored.right, 650);
    EXPECT_EQ(restored.bottom, 500);
    EXPECT_EQ(SDL_GetWindowFlags(Platform::GetSDLWindow(window)) & SDL_WINDOW_BORDERLESS, 0u);
}

TEST_F(WindowServices, ShowWindowReportsThePreviousVisibility)
{
    const HWND hidden = createWindow();
    EXPECT_EQ(ShowWindow(hidden, SW_SHOWNORMAL), 0);
    EXPECT_EQ(ShowWindow(hidden, SW_HIDE), 1);
    EXPECT_EQ(SDL_GetWindowFlags(Platform::GetSDLWindow(hidden)) & SDL_WINDOW_SHOWN, 0u);
    EXPECT_EQ(ShowWindow(hidden, SW_HIDE), 0);
    const HWND visible = createWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    EXPECT_EQ(ShowWindow(visible, SW_SHOW), 1);
}

TEST_F(WindowServices, NoVideoMeansNoWindowAndNoMetrics)
{
    Platform::Test::reset();
    ASSERT_EQ(setenv("SDL_VIDEODRIVER", "no-such-driver", 1), 0);
    ASSERT_TRUE(registerClass());
    EXPECT_EQ(createWindow(), nullptr);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 0);
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    // The class stays registered, and video starts once a driver is there.
    ASSERT_EQ(setenv("SDL_VIDEODRIVER", "offscreen", 1), 0);
    EXPECT_FALSE(registerClass());
    EXPECT_NE(createWindow(), nullptr);
}

TEST_F(WindowServices, WindowsAreReadyForOpenGL)
{
    // The offscreen driver offers EGL, so the first attempt with OpenGL succeeds.
    EXPECT_NE(SDL_GetWindowFlags(Platform::GetSDLWindow(window)) & SDL_WINDOW_OPENGL, 0u);
    int major = 0;
    int profile = -1;
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, &major);
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_EQ(major, 3);
    EXPECT_EQ(profile, 0);
}

} // namespace
