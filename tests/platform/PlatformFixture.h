#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SdlEventPush.h"
#include "platform/Platform.h"
#include "platform/Win32.h"

// A registered class and one offscreen window; every test ends with the layer reset.
class PlatformFixture : public ::testing::Test
{
protected:
    static constexpr const char* ClassName = "OrvaTestClass";

    static LRESULT recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        dispatched().push_back(MSG{window, message, wParam, lParam, 0});
        return DefWindowProcA(window, message, wParam, lParam);
    }

    static std::vector<MSG>& dispatched()
    {
        static std::vector<MSG> messages;
        return messages;
    }

    HINSTANCE instance() const { return GetModuleHandleA(nullptr); }

    bool registerClass(const char* name = ClassName)
    {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
        windowClass.lpfnWndProc = &recordingProcedure;
        windowClass.hInstance = instance();
        windowClass.lpszClassName = name;
        return RegisterClassExA(&windowClass) != 0;
    }

    HWND createWindow(DWORD style = WS_OVERLAPPEDWINDOW, int width = 640, int height = 480,
                      const char* title = "test")
    {
        return CreateWindowExA(0, ClassName, title, style, CW_USEDEFAULT, CW_USEDEFAULT, width, height,
                               nullptr, nullptr, instance(), nullptr);
    }

    void SetUp() override
    {
        dispatched().clear();
        ASSERT_TRUE(registerClass());
        window = createWindow();
        ASSERT_NE(window, nullptr);
        ShowWindow(window, SW_SHOWNORMAL);
        takeAll(); // whatever creating and showing raised
    }

    void TearDown() override { Orva::Platform::Test::reset(); }

    Uint32 sdlId() const { return SDL_GetWindowID(Orva::Platform::GetSDLWindow(window)); }

    // Removes every pending message, as a pump would, without dispatching.
    static std::vector<MSG> takeAll(HWND filter = nullptr)
    {
        std::vector<MSG> messages;
        MSG message;
        while (PeekMessageA(&message, filter, 0, 0, PM_REMOVE) > 0)
            messages.push_back(message);
        return messages;
    }

    void pushKey(SDL_Scancode scancode, SDL_Keycode symbol, Uint16 modifiers, bool down, bool repeat = false)
    {
        SdlEventPush::key(sdlId(), scancode, symbol, modifiers, down, repeat);
    }

    void pushText(const std::string& text) { SdlEventPush::text(sdlId(), text); }

    void pushWindowEvent(SDL_WindowEventID id, int data1 = 0, int data2 = 0)
    {
        SdlEventPush::windowEvent(sdlId(), id, data1, data2);
    }

    HWND window = nullptr;
};

// Messages of one kind, in queue order.
inline std::vector<MSG> only(const std::vector<MSG>& messages, UINT kind)
{
    std::vector<MSG> kept;
    for (const MSG& message : messages) {
        if (message.message == kind)
            kept.push_back(message);
    }
    return kept;
}
