#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

// Input as SDL would report it for the window with the given SDL id, pushed onto SDL's
// queue for the platform layer's pump to translate.
namespace SdlEventPush {

inline void key(Uint32 windowId, SDL_Scancode scancode, SDL_Keycode symbol, Uint16 modifiers, bool down,
                bool repeat = false)
{
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = windowId;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.scancode = scancode;
    event.key.keysym.sym = symbol;
    event.key.keysym.mod = modifiers;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

inline void text(Uint32 windowId, const std::string& typed)
{
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = windowId;
    ASSERT_LT(typed.size(), sizeof event.text.text);
    typed.copy(event.text.text, typed.size());
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

inline void windowEvent(Uint32 windowId, SDL_WindowEventID id, int data1 = 0, int data2 = 0)
{
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = windowId;
    event.window.event = static_cast<Uint8>(id);
    event.window.data1 = data1;
    event.window.data2 = data2;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

inline void wheel(Uint32 windowId, Sint32 y, Uint32 direction = SDL_MOUSEWHEEL_NORMAL, Sint32 x = 0)
{
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.windowID = windowId;
    event.wheel.x = x;
    event.wheel.y = y;
    event.wheel.direction = direction;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

} // namespace SdlEventPush
