#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/EventManager.h"
#include "core/PoolFixture.h"
#include "platform/Platform.h"
#include "window/InputKeys.h"
#include "window/Window.h"
#include "window/WindowEvents.h"

// Listens to window event names and writes down every delivery, in delivery order:
// "name" plus the character of a character event or "WxH" of a resize event.
class EventTaps
{
public:
    void tap(const std::string& name)
    {
        Tap& tap = taps_.emplace_back(name, this);
        Orva::EventManager::getInstance().ListenToEvent(name, Orva::FunctionHolder(&tap, &Tap::onEvent));
    }

    std::vector<std::string> delivered;
    std::vector<HWND> resizeHandles;
    std::vector<std::string> droppedFiles;

private:
    struct Tap
    {
        Tap(std::string name, EventTaps* owner) : name(std::move(name)), owner(owner) {}

        Orva::EventCallbackObject& getEventCallbackObject() { return callbacks; }

        void onEvent(Orva::BaseEvent* event)
        {
            std::string entry = name;
            if (const auto* character = dynamic_cast<Orva::WindowCharEvent*>(event)) {
                entry += " " + std::to_string(character->character);
            } else if (const auto* resize = dynamic_cast<Orva::WindowResizeEvent*>(event)) {
                entry += " " + std::to_string(resize->width) + "x" + std::to_string(resize->height);
                owner->resizeHandles.push_back(resize->windowHandle);
            } else if (const auto* drop = dynamic_cast<Orva::WindowDragAndDropEvent*>(event)) {
                owner->droppedFiles.assign(drop->files.begin(), drop->files.end());
            }
            owner->delivered.push_back(entry);
        }

        std::string name;
        EventTaps* owner;
        Orva::EventCallbackObject callbacks;
    };

    std::deque<Tap> taps_;
};

// A memory pool manager and an event manager as the engine makes them, fresh input state and
// process statics, and the platform layer reset after every test.
class WindowTest : public PooledTest
{
protected:
    // What the launcher passes: caption, system menu, sizing frame, minimise box.
    static constexpr unsigned long LauncherStyle = 0x000E0100;

    void SetUp() override
    {
        PooledTest::SetUp();
        Orva::EventManager::linkInstance(new Orva::EventManager);
        Orva::Window::resetProcessState();
        std::memset(Orva::WindowKeyStates, 0, sizeof Orva::WindowKeyStates);
        Orva::WindowMouseX = Orva::WindowMouseY = 0;
        Orva::WindowMouseWheelDelta = 0;
        taps = std::make_unique<EventTaps>();
    }

    void TearDown() override
    {
        windows.clear();
        taps.reset();
        Orva::EventManager::destroyInstance();
        Orva::Platform::Test::reset();
        PooledTest::TearDown();
    }

    static HINSTANCE processInstance() { return GetModuleHandleA(nullptr); }

    // A window made and initialised as the launcher does; owned by the fixture.
    Orva::Window& openWindow(Orva::Math::Vector2D<unsigned> size = {640, 480},
                             HINSTANCE instance = processInstance())
    {
        Orva::Window& window = *windows.emplace_back(std::make_unique<Orva::Window>(instance, size, nullptr));
        window.init("test", LauncherStyle, SW_SHOWNORMAL);
        return window;
    }

    static void dispatch() { Orva::EventManager::PushAllEvents(); }

    static Uint32 sdlId(const Orva::Window& window)
    {
        return SDL_GetWindowID(Orva::Platform::GetSDLWindow(window.getHWnd()));
    }

    static std::pair<int, int> sdlSize(const Orva::Window& window)
    {
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(Orva::Platform::GetSDLWindow(window.getHWnd()), &width, &height);
        return {width, height};
    }

    std::unique_ptr<EventTaps> taps;
    std::vector<std::unique_ptr<Orva::Window>> windows;
};

using Size = Orva::Math::Vector2D<unsigned>;
