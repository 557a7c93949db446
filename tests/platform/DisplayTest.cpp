#include <SDL.h>
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"
#include "platform/Win32.h"

// Checks that need a real X server (run under a virtual one).

namespace {

namespace Platform = Orva::Platform;

LRESULT quietProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

class Display : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "no X display";
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &quietProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "OrvaDisplayTest";
        ASSERT_NE(RegisterClassExA(&windowClass), 0);
        window = CreateWindowExA(0, "OrvaDisplayTest", "display", 0x000E0100, CW_USEDEFAULT, CW_USEDEFAULT,
                                 640, 480, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (window == nullptr)
            GTEST_SKIP() << "no X display reachable";
        ASSERT_STREQ(SDL_GetCurrentVideoDriver(), "x11");
        ShowWindow(window, SW_SHOWNORMAL);
    }

    void TearDown() override { Platform::Test::reset(); }

    void pump()
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) > 0)
            DispatchMessageA(&message);
    }

    HWND window = nullptr;
};

TEST_F(Display, FullScreenRoundTripRestoresTheWindowedSize)
{
    RECT saved{};
    ASSERT_TRUE(GetWindowRect(window, &saved));
    // Without a window manager the X window keeps its size in full screen, and SDL
    // learns so from the server at its own pace; only the way back is certain.
    ASSERT_TRUE(Platform::SetBorderlessFullscreen(window, true, nullptr));
    pump();
    ASSERT_TRUE(Platform::SetBorderlessFullscreen(window, false, &saved));
    pump();
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(Platform::GetSDLWindow(window), &width, &height);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
}

TEST_F(Display, StyleChangesReachTheWindowFrame)
{
    const auto flags = [this] { return SDL_GetWindowFlags(Platform::GetSDLWindow(window)); };
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(flags() & (SDL_WINDOW_BORDERLESS | SDL_WINDOW_RESIZABLE), SDL_WINDOW_RESIZABLE);
    SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(static_cast<DWORD>(style) & 0xDE33FFFF));
    EXPECT_EQ(flags() & (SDL_WINDOW_BORDERLESS | SDL_WINDOW_RESIZABLE), SDL_WINDOW_BORDERLESS);

    // Styles set while in full screen show once it ends.
    RECT saved{};
    GetWindowRect(window, &saved);
    ASSERT_TRUE(Platform::SetBorderlessFullscreen(window, true, nullptr));
    SetWindowLongA(window, GWL_STYLE, style);
    ASSERT_TRUE(Platform::SetBorderlessFullscreen(window, false, &saved));
    EXPECT_EQ(flags() & (SDL_WINDOW_BORDERLESS | SDL_WINDOW_RESIZABLE), SDL_WINDOW_RESIZABLE);
}

TEST_F(Display, ContextOnTheWindowIsCompatibilityProfileOfAtLeast33)
{
    SDL_Window* sdlWindow = Platform::GetSDLWindow(window);
    ASSERT_NE(sdlWindow, nullptr);
    SDL_GLContext context = SDL_GL_CreateContext(sdlWindow);
    ASSERT_NE(context, nullptr) << SDL_GetError();
    GLint major = 0;
    GLint minor = 0;
    GLint profile = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_GE(major * 10 + minor, 33) << glGetString(GL_VERSION);
    EXPECT_NE(profile & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT, 0);
    EXPECT_EQ(profile & GL_CONTEXT_CORE_PROFILE_BIT, 0);
    SDL_GL_DeleteContext(context);
}

TEST_F(Display, GLContextIsMadeCurrentAndGoesWithItsWindow)
{
    SDL_Window* sdlWindow = Platform::GetSDLWindow(window);
    ASSERT_TRUE(Platform::HasGLPixelFormat(sdlWindow));
    const Platform::GLContextHandle context = Platform::CreateGLContext(sdlWindow);
    ASSERT_NE(context, nullptr) << Platform::LastError();
    EXPECT_EQ(SDL_GL_GetCurrentContext(), context);
    EXPECT_EQ(SDL_GL_GetSwapInterval(), 0);
    int doubleBuffered = 0;
    int depthBits = 0;
    SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffered);
    SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depthBits);
    EXPECT_EQ(doubleBuffered, 1);
    EXPECT_GE(depthBits, 24);
    EXPECT_TRUE(Platform::SwapGLBuffers(sdlWindow));

    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    EXPECT_FALSE(Platform::HasGLPixelFormat(sdlWindow));
    EXPECT_FALSE(Platform::SwapGLBuffers(sdlWindow));
    EXPECT_EQ(Platform::CreateGLContext(sdlWindow), nullptr);
}

} // namespace
