#pragma once

// The game-pad services the controller code is written against: four user slots read and
// rumbled through XInputGetState and XInputSetState, served by a ControllerBackend (SDL's
// game controllers unless a test installs another).

#include "platform/Win32.h"

struct XINPUT_GAMEPAD
{
    WORD wButtons;
    BYTE bLeftTrigger;
    BYTE bRightTrigger;
    SHORT sThumbLX;
    SHORT sThumbLY; // up is positive
    SHORT sThumbRX;
    SHORT sThumbRY;
};

struct XINPUT_STATE
{
    DWORD dwPacketNumber; // grows whenever the pad's state changes
    XINPUT_GAMEPAD Gamepad;
};

struct XINPUT_VIBRATION
{
    WORD wLeftMotorSpeed;  // the low-frequency motor
    WORD wRightMotorSpeed; // the high-frequency motor
};

inline constexpr WORD XINPUT_GAMEPAD_DPAD_UP = 0x0001;
inline constexpr WORD XINPUT_GAMEPAD_DPAD_DOWN = 0x0002;
inline constexpr WORD XINPUT_GAMEPAD_DPAD_LEFT = 0x0004;
inline constexpr WORD XINPUT_GAMEPAD_DPAD_RIGHT = 0x0008;
inline constexpr WORD XINPUT_GAMEPAD_START = 0x0010;
inline constexpr WORD XINPUT_GAMEPAD_BACK = 0x0020;
inline constexpr WORD XINPUT_GAMEPAD_LEFT_THUMB = 0x0040;
inline constexpr WORD XINPUT_GAMEPAD_RIGHT_THUMB = 0x0080;
inline constexpr WORD XINPUT_GAMEPAD_LEFT_SHOULDER = 0x0100;
inline constexpr WORD XINPUT_GAMEPAD_RIGHT_SHOULDER = 0x0200;
inline constexpr WORD XINPUT_GAMEPAD_A = 0x1000;
inline constexpr WORD XINPUT_GAMEPAD_B = 0x2000;
inline constexpr WORD XINPUT_GAMEPAD_X = 0x4000;
inline constexpr WORD XINPUT_GAMEPAD_Y = 0x8000;

inline constexpr DWORD XUSER_MAX_COUNT = 4;

inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_BAD_ARGUMENTS = 160;
inline constexpr DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;

// ERROR_SUCCESS with the pad of the slot in `state`; ERROR_DEVICE_NOT_CONNECTED for an empty
// slot (state untouched); ERROR_BAD_ARGUMENTS for a slot above 3 or a null record.
DWORD XInputGetState(DWORD userIndex, XINPUT_STATE* state);
// Runs the two motors at the given speeds until the next call; (0, 0) stops them. Results as
// XInputGetState's.
DWORD XInputSetState(DWORD userIndex, XINPUT_VIBRATION* vibration);
