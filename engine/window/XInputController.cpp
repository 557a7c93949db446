#include "window/XInputController.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Orva {

namespace {

constexpr float ConnectedPollInterval = 0.016f;
constexpr float AbsentPollInterval = 1.5f;
constexpr float ThumbScale = 32767.0f;
constexpr float TriggerScale = 255.0f;
constexpr float StickDeltaThreshold = 0.01f;
constexpr float StickDownThreshold = 0.1f;

// The pad's button word has no bits for the triggers.
bool hasButtonBit(XInputButtons button) noexcept
{
    return button >= XINPUT_UP && button <= XINPUT_Y && button != XINPUT_LT && button != XINPUT_RT;
}

WORD maskOf(XInputButtons button) noexcept
{
    return static_cast<WORD>(1u << button);
}

// Values inside the dead zone read 0; outside it the rest of the range is stretched back to
// reach ±1 at full deflection.
float applyDeadZone(float value, float deadZone) noexcept
{
    const float magnitude = std::fabs(value);
    if (deadZone > magnitude || magnitude == 0.0f) {
        return 0.0f;
    }
    float result = (value / magnitude) * (magnitude - deadZone);
    if (deadZone > 0.0f) {
        result *= 1.0f / (1.0f - deadZone);
    }
    return result;
}

float thumbValue(SHORT raw, float deadZone) noexcept
{
    return applyDeadZone(std::max(-1.0f, static_cast<float>(raw) / ThumbScale), deadZone);
}

float deltaComponent(float current, float previous) noexcept
{
    const float delta = current - previous;
    return (delta > -StickDeltaThreshold && delta < StickDeltaThreshold) ? 0.0f : delta;
}

Math::Vector2D<float> stickDelta(const Math::Vector2D<float>& current,
                                 const Math::Vector2D<float>& previous) noexcept
{
    return {deltaComponent(current.x, previous.x), deltaComponent(current.y, previous.y)};
}

bool stickDown(const Math::Vector2D<float>& stick) noexcept
{
    return stick.x * stick.x + stick.y * stick.y > StickDownThreshold;
}

} // namespace

unsigned short motorSpeedFromFraction(float fraction) noexcept
{
    // Converted through a 64-bit integer, whose range a float reaches only at its ends.
    constexpr float Limit = 9.2e18f;
    const float scaled = fraction * 65535.0f;
    std::int64_t whole = 0;
    if (scaled >= Limit) {
        whole = std::numeric_limits<std::int64_t>::max();
    } else if (scaled <= -Limit) {
        whole = std::numeric_limits<std::int64_t>::min();
    } else if (!std::isnan(scaled)) {
        whole = static_cast<std::int64_t>(scaled);
    }
    return static_cast<unsigned short>(static_cast<std::uint64_t>(whole) & 0xFFFFu);
}

XInputController::XInputController(int padIndex, float deadZoneX, float deadZoneY) noexcept
    : padIndex(padIndex), deadZoneX(deadZoneX), deadZoneY(deadZoneY)
{
}

bool XInputController::update(float dt)
{
    entered = false;
    dropped = false;
    if (connected) {
        pollTimer += dt;
        if (pollTimer < ConnectedPollInterval) {
            polled = false;
            return true;
        }
    } else if (pollTimer < AbsentPollInterval) {
        pollTimer += dt;
        polled = false;
        return false;
    }
    poll(dt);
    return connected;
}

void XInputController::poll(float dt)
{
    previousButtons = padState.Gamepad.wButtons;
    padState = XINPUT_STATE{};
    pollTimer = 0.0f;
    polled = true;
    // A controller without a pad asks for slot -2, which the service refuses like an absent pad.
    if (XInputGetState(static_cast<DWORD>(padIndex - 1), &padState) != ERROR_SUCCESS) {
        dropped = connected;
        connected = false;
        previousButtons = 0;
        return;
    }
    entered = !connected;
    connected = true;
    previousLeftStick = leftStick;
    previousRightStick = rightStick;
    const XINPUT_GAMEPAD& pad = padState.Gamepad;
    leftStick = {thumbValue(pad.sThumbLX, deadZoneX), thumbValue(pad.sThumbLY, deadZoneY)};
    rightStick = {thumbValue(pad.sThumbRX, deadZoneX), thumbValue(pad.sThumbRY, deadZoneY)};
    previousLeftTrigger = leftTrigger;
    previousRightTrigger = rightTrigger;
    leftTrigger = static_cast<float>(pad.bLeftTrigger) / TriggerScale;
    rightTrigger = static_cast<float>(pad.bRightTrigger) / TriggerScale;
    countDownVibration(dt);
}

// Runs on successful polls only, with this frame's time: an unplugged pad resumes its
// countdown when it comes back.
void XInputController::countDownVibration(float dt)
{
    if (!vibrationTimerArmed || vibrationTimeLeft <= 0.0f) {
        return;
    }
    vibrationTimeLeft -= dt;
    if (vibrationTimeLeft > 0.0f) {
        return;
    }
    if (padIndex != -1) {
        XINPUT_VIBRATION stop{0, 0};
        XInputSetState(static_cast<DWORD>(padIndex - 1), &stop);
        vibrationTimeLeft = 0.0f;
    }
    vibrationTimerArmed = false;
}

bool XInputController::isDown(XInputButtons button) const noexcept
{
    return connected && hasButtonBit(button) && (padState.Gamepad.wButtons & maskOf(button)) != 0;
}

bool XInputController::isTapped(XInputButtons button) const noexcept
{
    return isDown(button) && (previousButtons & maskOf(button)) == 0;
}

bool XInputController::isReleased(XInputButtons button) const noexcept
{
    return connected && hasButtonBit(button) && (padState.Gamepad.wButtons & maskOf(button)) == 0 &&
           (previousButtons & maskOf(button)) != 0;
}

Math::Vector2D<float> XInputController::getLeftStickDelta() const noexcept
{
    return stickDelta(leftStick, previousLeftStick);
}

Math::Vector2D<float> XInputController::getRightStickDelta() const noexcept
{
    return stickDelta(rightStick, previousRightStick);
}

bool XInputController::isLeftStickDown() const noexcept
{
    return stickDown(leftStick);
}

bool XInputController::isRightStickDown() const noexcept
{
    return stickDown(rightStick);
}

void XInputController::vibrate(unsigned short leftSpeed, unsigned short rightSpeed, float seconds)
{
    if (padIndex == -1) {
        return;
    }
    XINPUT_VIBRATION vibration{leftSpeed, rightSpeed};
    XInputSetState(static_cast<DWORD>(padIndex - 1), &vibration);
    vibrationTimeLeft = seconds;
    vibrationTimerArmed = leftSpeed != 0 || rightSpeed != 0;
}

void XInputController::vibrate(float leftFraction, float rightFraction, float seconds)
{
    vibrate(motorSpeedFromFraction(leftFraction), motorSpeedFromFraction(rightFraction), seconds);
}

} // namespace Orva
