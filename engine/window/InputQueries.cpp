#include "window/InputKeys.h"
#include "window/InputManager.h"

// What game code and scripts ask of keys, the mouse and the pads, and the forced key states.
// Everything answers from the last update.

namespace Orva {

namespace {

std::size_t index(std::int32_t buffer) noexcept
{
    return static_cast<std::size_t>(buffer);
}

Math::Vector2D<float> toFloat(const Math::Vector2D<int>& v) noexcept
{
    return {static_cast<float>(v.x), static_cast<float>(v.y)};
}

// What the pad answers, or a pad at rest (false, 0, a zero vector) for a pad that is not one.
template <class Read> auto readPad(const XInputController* controller, Read read) noexcept
{
    using Result = decltype(read(*controller));
    return controller != nullptr ? read(*controller) : Result{};
}

} // namespace

bool InputManager::isButtonDown(unsigned char key) const noexcept
{
    return stateBuffers_[index(currentBuffer_)][key] != 0;
}

bool InputManager::isButtonUp(unsigned char key) const noexcept
{
    return !isButtonDown(key);
}

bool InputManager::isButtonTapped(unsigned char key) const noexcept
{
    return getButtonState(key) == ButtonTapped;
}

bool InputManager::isButtonReleased(unsigned char key) const noexcept
{
    return getButtonState(key) == ButtonReleased;
}

bool InputManager::isBackUpButtonDown(unsigned char key) const noexcept
{
    return backUpBuffer_[key] != 0;
}

bool InputManager::isBackUpButtonUp(unsigned char key) const noexcept
{
    return backUpBuffer_[key] == 0;
}

void InputManager::forceOverrideKeyState(unsigned char key, ButtonState state) noexcept
{
    std::uint8_t previous = 0;
    std::uint8_t current = 0;
    switch (state) {
    case ButtonUp:
        break;
    case ButtonDown:
        previous = current = 1;
        break;
    case ButtonTapped:
        current = 1;
        break;
    case ButtonReleased:
        previous = 1;
        break;
    default:
        return;
    }
    stateBuffers_[index(previousBuffer_)][key] = previous;
    stateBuffers_[index(currentBuffer_)][key] = current;
}

void InputManager::forceOverrideKeyBool(unsigned char key, bool down) noexcept
{
    const std::uint8_t value = down ? 1 : 0;
    stateBuffers_[index(previousBuffer_)][key] = value;
    stateBuffers_[index(currentBuffer_)][key] = value;
    WindowKeyStates[key] = value;
}

Math::Vector2D<float> InputManager::getMousePositionf() const noexcept
{
    return toFloat(mouseEvent_.position);
}

Math::Vector2D<float> InputManager::getMouseDeltaf() const noexcept
{
    return toFloat(mouseEvent_.delta);
}

bool InputManager::isControllerConnected(int pad) const noexcept
{
    return readPad(padAt(pad), [](const XInputController& controller) { return controller.isConnected(); });
}

ButtonState InputManager::getControllerButtonState(int pad, XInputButtons button) const noexcept
{
    if (padAt(pad) == nullptr) {
        return ButtonUp;
    }
    return getButtonState(
        static_cast<unsigned char>(InputKeys::ORVA_CONTROLLER1_DPAD_UP + 16 * pad + button));
}

bool InputManager::isControllerButtonDown(int pad, int button) const noexcept
{
    return getControllerButtonState(pad, static_cast<XInputButtons>(button)) == ButtonDown;
}

bool InputManager::isControllerButtonUp(int pad, int button) const noexcept
{
    return getControllerButtonState(pad, static_cast<XInputButtons>(button)) == ButtonUp;
}

bool InputManager::isControllerButtonTapped(int pad, int button) const noexcept
{
    return getControllerButtonState(pad, static_cast<XInputButtons>(button)) == ButtonTapped;
}

bool InputManager::isControllerButtonReleased(int pad, int button) const noexcept
{
    return getControllerButtonState(pad, static_cast<XInputButtons>(button)) == ButtonReleased;
}

Math::Vector2D<float> InputManager::getControllerLeftStickPosition(int pad) const noexcept
{
    return readPad(padAt(pad),
                   [](const XInputController& controller) { return controller.getLeftStickPosition(); });
}

Math::Vector2D<float> InputManager::getControllerRightStickPosition(int pad) const noexcept
{
    return readPad(padAt(pad),
                   [](const XInputController& controller) { return controller.getRightStickPosition(); });
}

Math::Vector2D<float> InputManager::getControllerLeftStickDelta(int pad) const noexcept
{
    return readPad(padAt(pad),
                   [](const XInputController& controller) { return controller.getLeftStickDelta(); });
}

Math::Vector2D<float> InputManager::getControllerRightStickDelta(int pad) const noexcept
{
    return readPad(padAt(pad),
                   [](const XInputController& controller) { return controller.getRightStickDelta(); });
}

float InputManager::getControllerLeftTrigger(int pad) const noexcept
{
    return readPad(padAt(pad),
                   [](const XInputController& controller) { return controller.getLeftTrigger(); });
}

float InputManager::getControllerRightTrigger(int pad) const noexcept
{
    return readPad(padAt(pad),
                   [](const XInputController& controller) { return controller.getRightTrigger(); });
}

float InputManager::getControllerLeftTriggerDelta(int pad) const noexcept
{
    return readPad(padAt(pad),
                   [](const XInputController& controller) { return controller.getLeftTriggerDelta(); });
}

float InputManager::getControllerRightTriggerDelta(int pad) const noexcept
{
    return readPad(padAt(pad),
                   [](const XInputController& controller) { return controller.getRightTriggerDelta(); });
}

void InputManager::vibrateController(int pad, unsigned short leftSpeed, unsigned short rightSpeed,
                                     float seconds)
{
    if (XInputController* controller = padAt(pad)) {
        controller->vibrate(leftSpeed, rightSpeed, seconds);
    }
}

void InputManager::vibrateController(int pad, unsigned short speed, float seconds)
{
    vibrateController(pad, speed, speed, seconds);
}

void InputManager::vibrateController(int pad, float leftFraction, float rightFraction, float seconds)
{
    if (XInputController* controller = padAt(pad)) {
        controller->vibrate(leftFraction, rightFraction, seconds);
    }
}

void InputManager::vibrateController(int pad, float fraction, float seconds)
{
    vibrateController(pad, fraction, fraction, seconds);
}

} // namespace Orva
