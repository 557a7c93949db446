#pragma once

#include <concepts>
#include <cstdint>

#include "core/Export.h"
#include "core/Vector.h"
#include "platform/XInput.h"

namespace Orva {

// Pad buttons by the position of their bit in the pad's button word; 10 and 11, which the
// word leaves free, stand for the triggers.
enum XInputButtons : std::int32_t {
    XINPUT_UP = 0,
    XINPUT_DOWN = 1,
    XINPUT_LEFT = 2,
    XINPUT_RIGHT = 3,
    XINPUT_START = 4,
    XINPUT_SELECT = 5,
    XINPUT_L3 = 6,
    XINPUT_R3 = 7,
    XINPUT_LS = 8,
    XINPUT_RS = 9,
    XINPUT_LT = 10,
    XINPUT_RT = 11,
    XINPUT_A = 12,
    XINPUT_B = 13,
    XINPUT_X = 14,
    XINPUT_Y = 15,
};

// A motor speed from a fraction of full power: fraction x 65535 truncated toward zero, its
// low 16 bits (so 1.5 wraps to 32766); NaN gives 0 and out-of-range values saturate first.
ORVA_API unsigned short motorSpeedFromFraction(float fraction) noexcept;

// One game pad in one user slot. update polls it every 0.016 s while it is connected and
// every 1.5 s while it is not; sticks pass per-axis dead zones; a timed vibration is
// stopped by the countdown of polled frames.
class ORVA_API XInputController
{
public:
    static constexpr unsigned short VIBRATION_POWER_25_PERCENT = 16383;
    static constexpr unsigned short VIBRATION_POWER_50_PERCENT = 32767;
    static constexpr unsigned short VIBRATION_POWER_75_PERCENT = 49151;
    static constexpr unsigned short VIBRATION_POWER_100_PERCENT = 65535;

    // padIndex 1 to 4 is the user slot plus one; -1 is no pad (vibration is ignored).
    explicit XInputController(int padIndex = -1, float deadZoneX = 0.05f, float deadZoneY = 0.02f) noexcept;

    // dt: this frame's time in seconds. Returns whether the pad is connected after the call.
    bool update(float dt);

    bool isConnected() const noexcept { return connected; }
    bool isDown(XInputButtons button) const noexcept;
    bool isUp(XInputButtons button) const noexcept { return !isDown(button); }
    bool isTapped(XInputButtons button) const noexcept;
    bool isReleased(XInputButtons button) const noexcept;

    Math::Vector2D<float> getLeftStickPosition() const noexcept { return leftStick; }
    Math::Vector2D<float> getRightStickPosition() const noexcept { return rightStick; }
    // Change over the last successful poll; components within (-0.01, 0.01) read 0.
    Math::Vector2D<float> getLeftStickDelta() const noexcept;
    Math::Vector2D<float> getRightStickDelta() const noexcept;
    // x² + y² above 0.1.
    bool isLeftStickDown() const noexcept;
    bool isRightStickDown() const noexcept;
    float getLeftTrigger() const noexcept { return leftTrigger; }
    float getRightTrigger() const noexcept { return rightTrigger; }
    float getLeftTriggerDelta() const noexcept { return leftTrigger - previousLeftTrigger; }
    float getRightTriggerDelta() const noexcept { return rightTrigger - previousRightTrigger; }

    // Runs the motors and stops them after `seconds` of polled frames; 0 or less runs until
    // the next call; speeds (0, 0) stop at once.
    void vibrate(unsigned short leftSpeed, unsigned short rightSpeed, float seconds);
    void vibrate(unsigned short speed, float seconds) { vibrate(speed, speed, seconds); }
    void vibrate(float leftFraction, float rightFraction, float seconds);
    void vibrate(float fraction, float seconds) { vibrate(fraction, fraction, seconds); }
    // Integer speeds of any type take the speed forms, their low 16 bits as the speed;
    // floating-point values of any type take the fraction forms.
    template <std::integral L, std::integral R> void vibrate(L leftSpeed, R rightSpeed, float seconds)
    {
        vibrate(static_cast<unsigned short>(leftSpeed), static_cast<unsigned short>(rightSpeed), seconds);
    }
    template <std::integral S> void vibrate(S speed, float seconds)
    {
        vibrate(static_cast<unsigned short>(speed), seconds);
    }
    template <std::floating_point L, std::floating_point R>
    void vibrate(L leftFraction, R rightFraction, float seconds)
    {
        vibrate(static_cast<float>(leftFraction), static_cast<float>(rightFraction), seconds);
    }
    template <std::floating_point F> void vibrate(F fraction, float seconds)
    {
        vibrate(static_cast<float>(fraction), seconds);
    }

    // What the last update left for the input manager.
    int getPadIndex() const noexcept { return padIndex; }
    const XINPUT_STATE& getPadState() const noexcept { return padState; }
    bool hasEntered() const noexcept { return entered; }
    bool hasDropped() const noexcept { return dropped; }
    bool hasPolled() const noexcept { return polled; }

private:
    void poll(float dt);
    void countDownVibration(float dt);

    int padIndex;
    float deadZoneX;
    float deadZoneY;
    float pollTimer = 0.0f;
    float vibrationTimeLeft = 0.0f;
    bool connected = false;
    WORD previousButtons = 0;
    bool vibrationTimerArmed = false;
    Math::Vector2D<float> previousLeftStick;
    Math::Vector2D<float> leftStick;
    Math::Vector2D<float> previousRightStick;
    Math::Vector2D<float> rightStick;
    float previousLeftTrigger = 0.0f;
    float previousRightTrigger = 0.0f;
    float leftTrigger = 0.0f;
    float rightTrigger = 0.0f;
    XINPUT_STATE padState{};
    bool entered = false;
    bool dropped = false;
    bool polled = false;
};

} // namespace Orva
