#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "core/BaseEvent.h"
#include "core/Export.h"
#include "core/Vector.h"

namespace Orva {

class XInputController;

// A key code's state in one frame, from the previous and current frame: up/up Up, up/down
// Tapped, down/down Down, down/up Released. NONE stands for any state in removals and for
// no change in the forced override.
enum ButtonState : std::int32_t {
    ButtonUp = 0,
    ButtonDown = 1,
    ButtonTapped = 2,
    ButtonReleased = 3,
    NONE = 4,
};

// What an action listener is told, once per bound key and frame.
struct ORVA_API InputEvent : BaseEvent
{
    InputEvent() = default;
    InputEvent(unsigned char key, ButtonState state, std::uint32_t action)
        : key(key), state(state), action(action)
    {
    }
    ~InputEvent() override;

    // The bound key code.
    unsigned char key = 0;
    // The key's state this frame.
    ButtonState state = ButtonUp;
    // The action whose listeners are being called.
    std::uint32_t action = 0;
};

struct ORVA_API ControllerEvent : InputEvent
{
    ControllerEvent() = default;
    ControllerEvent(unsigned char key, ButtonState state, std::uint32_t action, std::int32_t controller)
        : InputEvent(key, state, action), controller(controller)
    {
    }
    ~ControllerEvent() override;

    // Pad 0 to 3 for the pad codes (149 to 222, 222 giving 4), -1 for every other key.
    std::int32_t controller = -1;
};

// Handed to a stick listener in every frame in which its stick is off centre.
struct ORVA_API ControllerStickDeltaEvent : BaseEvent
{
    ~ControllerStickDeltaEvent() override;

    const XInputController* controller = nullptr;
    std::int32_t controllerIndex = 0;
    bool connected = false;
    // Positions after the dead zone, not deltas.
    Math::Vector2D<float> leftStick;
    Math::Vector2D<float> rightStick;
};

// The input manager's one mouse event, updated in place each frame the cursor moves.
struct ORVA_API MouseEvent : BaseEvent
{
    ~MouseEvent() override;

    ButtonState leftButton = NONE;
    ButtonState rightButton = NONE;
    ButtonState middleButton = NONE;
    // Client pixels.
    Math::Vector2D<int> position;
    // Position minus the position of the update before.
    Math::Vector2D<int> delta;
    // The wheel delta of this frame: 120 a notch, positive away from the user.
    std::int32_t scrollSpeed = 0;
};

// Queued when a replay with hand-over runs out.
struct ORVA_API ReplayInputEvent : BaseEvent
{
    // The code of "InputReplayDone".
    static const std::uint32_t REPLAY_EVENT_HASH_CODE;

    ReplayInputEvent() = default;
    explicit ReplayInputEvent(std::string path) : path(std::move(path)) {}
    ReplayInputEvent(const ReplayInputEvent&) = default;
    ReplayInputEvent(ReplayInputEvent&&) noexcept = default;
    ReplayInputEvent& operator=(const ReplayInputEvent&) = default;
    ReplayInputEvent& operator=(ReplayInputEvent&&) noexcept = default;
    ~ReplayInputEvent() override;

    // The replayed file, relative to the resource directory.
    std::string path;
};

} // namespace Orva
