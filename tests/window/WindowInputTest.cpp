#include <cstdint>

#include "WindowFixture.h"
#include "platform/SdlEventPush.h"

// Input reported by SDL, taken through the window's pump: one update per step, as frames.

namespace {

using Orva::InputKeys;
using Orva::WindowKeyStates;

class WindowInput : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        window = &openWindow();
        ASSERT_NE(window->getHWnd(), nullptr);
        window->update();
        dispatch();
        taps->tap(Orva::WindowCharEventName);
        taps->tap(Orva::WindowSpecCharEventName);
    }

    // One frame with one key event.
    void key(SDL_Scancode scancode, SDL_Keycode symbol, Uint16 modifiers, bool down)
    {
        SdlEventPush::key(sdlId(*window), scancode, symbol, modifiers, down);
        window->update();
    }

    std::vector<std::string> delivered()
    {
        dispatch();
        return std::exchange(taps->delivered, {});
    }

    Orva::Window* window = nullptr;
};

using Names = std::vector<std::string>;

TEST_F(WindowInput, ShiftSidesAreToldApartByTheKeyTable)
{
    key(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT, true);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_LEFT_SHIFT], 1);
    key(SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, KMOD_SHIFT, true);
    key(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_RSHIFT, false);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_LEFT_SHIFT], 0);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_RIGHT_SHIFT], 1);
    key(SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, KMOD_NONE, false);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_RIGHT_SHIFT], 0);
}

TEST_F(WindowInput, ControlSidesToo)
{
    key(SDL_SCANCODE_RCTRL, SDLK_RCTRL, KMOD_RCTRL, true);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_RIGHT_CONTROL], 1);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_LEFT_CONTROL], 0);
    key(SDL_SCANCODE_RCTRL, SDLK_RCTRL, KMOD_NONE, false);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_RIGHT_CONTROL], 0);
}

TEST_F(WindowInput, KeysUnderAltAndF10AreSystemKeys)
{
    key(SDL_SCANCODE_A, SDLK_a, KMOD_NONE, true);
    key(SDL_SCANCODE_LALT, SDLK_LALT, KMOD_LALT, true);
    key(SDL_SCANCODE_A, SDLK_a, KMOD_LALT, false);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_A], 1) << "released under Alt: stays down";
    key(SDL_SCANCODE_LALT, SDLK_LALT, KMOD_NONE, false);
    EXPECT_EQ(delivered(), (Names{"WindowSpecCharEvent 65"}));

    key(SDL_SCANCODE_F10, SDLK_F10, KMOD_NONE, true);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_F10], 0);

    SdlEventPush::key(sdlId(*window), SDL_SCANCODE_B, SDLK_b, KMOD_LALT, true);
    SdlEventPush::text(sdlId(*window), "b");
    window->update();
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_B], 0);
    EXPECT_TRUE(delivered().empty()) << "no key event and no character for system keys";

    key(SDL_SCANCODE_A, SDLK_a, KMOD_NONE, false); // the next ordinary release clears it
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_A], 0);
}

TEST_F(WindowInput, AltGrTypesLikeAnyKey)
{
    SdlEventPush::key(sdlId(*window), SDL_SCANCODE_Q, SDLK_q, KMOD_RALT | KMOD_LCTRL, true);
    SdlEventPush::text(sdlId(*window), "@");
    window->update();
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_Q], 1);
    EXPECT_EQ(delivered(), (Names{"WindowSpecCharEvent 81", "WindowCharEvent 64"}));
}

TEST_F(WindowInput, ControlKeysTypeTheirCharacterAfterTheKeyEvent)
{
    key(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, KMOD_NONE, true);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_BACK], 1);
    SdlEventPush::text(sdlId(*window), "\xC3\xA9"); // é
    window->update();
    EXPECT_EQ(delivered(), (Names{"WindowSpecCharEvent 8", "WindowCharEvent 8", "WindowCharEvent 233"}));
}

TEST_F(WindowInput, OnlyTheLastWheelTurnOfAPumpCounts)
{
    SdlEventPush::wheel(sdlId(*window), 1);
    SdlEventPush::wheel(sdlId(*window), -2);
    window->update();
    EXPECT_EQ(Orva::WindowMouseWheelDelta, -240);
}

TEST_F(WindowInput, MouseButtonsAndMotionReachTheInputState)
{
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = sdlId(*window);
    event.motion.x = 12;
    event.motion.y = -3;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    event = SDL_Event{};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.windowID = sdlId(*window);
    event.button.button = SDL_BUTTON_MIDDLE;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    window->update();
    EXPECT_EQ(Orva::WindowMouseX, 12);
    EXPECT_EQ(Orva::WindowMouseY, -3);
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_MOUSE_MIDDLE], 1);
    EXPECT_EQ(Orva::Platform::Test::getCapture(), window->getHWnd());
}

TEST_F(WindowInput, AWindowPumpsOnlyItsOwnMessages)
{
    // Another class instance, so a second window can live beside the first.
    const auto other =
        reinterpret_cast<HINSTANCE>(reinterpret_cast<std::uintptr_t>(processInstance()) + 1000);
    Orva::Window& second = openWindow({100, 100}, other);
    ASSERT_TRUE(Orva::Platform::Test::postMessage(second.getHWnd(), WM_KEYDOWN, 'Z', 0));
    ASSERT_TRUE(Orva::Platform::Test::postMessage(nullptr, WM_KEYDOWN, 'Y', 0));
    window->update();
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_Z], 0);
    second.update();
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_Z], 1);
    MSG message;
    EXPECT_TRUE(Orva::Platform::Test::peekMessage(&message, nullptr, 0, 0, PM_NOREMOVE))
        << "the thread message stays queued";
}

TEST_F(WindowInput, AWindowWithoutHandlePumpsEveryMessage)
{
    Orva::Window unopened(processInstance(), {10, 10}, nullptr);
    ASSERT_TRUE(Orva::Platform::Test::postMessage(window->getHWnd(), WM_KEYDOWN, 'Z', 0));
    ASSERT_TRUE(Orva::Platform::Test::postMessage(nullptr, WM_KEYDOWN, 'Y', 0));
    EXPECT_TRUE(unopened.update());
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_Z], 1) << "dispatched to the window it was posted to";
    EXPECT_EQ(WindowKeyStates[InputKeys::ORVA_Y], 0) << "a thread message has no procedure";
    MSG message;
    EXPECT_FALSE(Orva::Platform::Test::peekMessage(&message, nullptr, 0, 0, PM_NOREMOVE));
}

} // namespace
