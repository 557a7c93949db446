#pragma once

#include <cstdint>

#include "core/Export.h"
#include "platform/Win32.h"

namespace Orva {

// The engine's one-byte key codes: every key, mouse button, wheel direction, controller
// button and controller connection the engine knows. Bindings, button states, recordings
// and scripts all speak in these codes. 105 (VK_OEM_8), 106-148 and 223-255 have no name.
struct ORVA_API InputKeys
{
    // Digit keys, virtual keys '0'-'9'.
    static constexpr unsigned char ORVA_0 = 0;
    static constexpr unsigned char ORVA_1 = 1;
    static constexpr unsigned char ORVA_2 = 2;
    static constexpr unsigned char ORVA_3 = 3;
    static constexpr unsigned char ORVA_4 = 4;
    static constexpr unsigned char ORVA_5 = 5;
    static constexpr unsigned char ORVA_6 = 6;
    static constexpr unsigned char ORVA_7 = 7;
    static constexpr unsigned char ORVA_8 = 8;
    static constexpr unsigned char ORVA_9 = 9;

    // Letter keys, virtual keys 'A'-'Z'.
    static constexpr unsigned char ORVA_A = 10;
    static constexpr unsigned char ORVA_B = 11;
    static constexpr unsigned char ORVA_C = 12;
    static constexpr unsigned char ORVA_D = 13;
    static constexpr unsigned char ORVA_E = 14;
    static constexpr unsigned char ORVA_F = 15;
    static constexpr unsigned char ORVA_G = 16;
    static constexpr unsigned char ORVA_H = 17;
    static constexpr unsigned char ORVA_I = 18;
    static constexpr unsigned char ORVA_J = 19;
    static constexpr unsigned char ORVA_K = 20;
    static constexpr unsigned char ORVA_L = 21;
    static constexpr unsigned char ORVA_M = 22;
    static constexpr unsigned char ORVA_N = 23;
    static constexpr unsigned char ORVA_O = 24;
    static constexpr unsigned char ORVA_P = 25;
    static constexpr unsigned char ORVA_Q = 26;
    static constexpr unsigned char ORVA_R = 27;
    static constexpr unsigned char ORVA_S = 28;
    static constexpr unsigned char ORVA_T = 29;
    static constexpr unsigned char ORVA_U = 30;
    static constexpr unsigned char ORVA_V = 31;
    static constexpr unsigned char ORVA_W = 32;
    static constexpr unsigned char ORVA_X = 33;
    static constexpr unsigned char ORVA_Y = 34;
    static constexpr unsigned char ORVA_Z = 35;

    // Keypad, VK_NUMPAD0-VK_DIVIDE.
    static constexpr unsigned char ORVA_NUMPAD0 = 36;
    static constexpr unsigned char ORVA_NUMPAD1 = 37;
    static constexpr unsigned char ORVA_NUMPAD2 = 38;
    static constexpr unsigned char ORVA_NUMPAD3 = 39;
    static constexpr unsigned char ORVA_NUMPAD4 = 40;
    static constexpr unsigned char ORVA_NUMPAD5 = 41;
    static constexpr unsigned char ORVA_NUMPAD6 = 42;
    static constexpr unsigned char ORVA_NUMPAD7 = 43;
    static constexpr unsigned char ORVA_NUMPAD8 = 44;
    static constexpr unsigned char ORVA_NUMPAD9 = 45;
    static constexpr unsigned char ORVA_MULTIPLY = 46;
    static constexpr unsigned char ORVA_ADD = 47;
    static constexpr unsigned char ORVA_SEPARATOR = 48;
    static constexpr unsigned char ORVA_SUBTRACT = 49;
    static constexpr unsigned char ORVA_DECIMAL = 50;
    static constexpr unsigned char ORVA_DIVIDE = 51;

    // Function keys F1-F12.
    static constexpr unsigned char ORVA_F1 = 52;
    static constexpr unsigned char ORVA_F2 = 53;
    static constexpr unsigned char ORVA_F3 = 54;
    static constexpr unsigned char ORVA_F4 = 55;
    static constexpr unsigned char ORVA_F5 = 56;
    static constexpr unsigned char ORVA_F6 = 57;
    static constexpr unsigned char ORVA_F7 = 58;
    static constexpr unsigned char ORVA_F8 = 59;
    static constexpr unsigned char ORVA_F9 = 60;
    static constexpr unsigned char ORVA_F10 = 61;
    static constexpr unsigned char ORVA_F11 = 62;
    static constexpr unsigned char ORVA_F12 = 63;

    // VK_SPACE-VK_HELP.
    static constexpr unsigned char ORVA_SPACE = 64;
    static constexpr unsigned char ORVA_PAGE_UP = 65;
    static constexpr unsigned char ORVA_PAGE_DOWN = 66;
    static constexpr unsigned char ORVA_END = 67;
    static constexpr unsigned char ORVA_HOME = 68;
    static constexpr unsigned char ORVA_ARROW_LEFT = 69;
    static constexpr unsigned char ORVA_ARROW_UP = 70;
    static constexpr unsigned char ORVA_ARROW_RIGHT = 71;
    static constexpr unsigned char ORVA_ARROW_DOWN = 72;
    static constexpr unsigned char ORVA_SELECT = 73;
    static constexpr unsigned char ORVA_PRINT = 74;
    static constexpr unsigned char ORVA_EXECUTE = 75;
    static constexpr unsigned char ORVA_SNAPSHOT = 76;
    static constexpr unsigned char ORVA_INSERT = 77;
    static constexpr unsigned char ORVA_DELETE = 78;
    static constexpr unsigned char ORVA_HELP = 79;

    // Shift and Control are told apart by side; the rest are single keys.
    static constexpr unsigned char ORVA_LEFT_SHIFT = 80;
    static constexpr unsigned char ORVA_RIGHT_SHIFT = 81;
    static constexpr unsigned char ORVA_ENTER = 82;
    static constexpr unsigned char ORVA_TAB = 83;
    static constexpr unsigned char ORVA_BACK = 84;
    static constexpr unsigned char ORVA_LEFT_CONTROL = 85;
    static constexpr unsigned char ORVA_RIGHT_CONTROL = 86;
    static constexpr unsigned char ORVA_CAPS = 87;
    static constexpr unsigned char ORVA_ESCAPE = 88;

    // Mouse buttons, set by the window; wheel directions, set by the input manager.
    static constexpr unsigned char ORVA_MOUSE_LEFT = 89;
    static constexpr unsigned char ORVA_MOUSE_RIGHT = 90;
    static constexpr unsigned char ORVA_MOUSE_MIDDLE = 91;
    static constexpr unsigned char ORVA_MOUSE_SCROLL_UP = 92;
    static constexpr unsigned char ORVA_MOUSE_SCROLL_DOWN = 93;

    // US-layout punctuation, VK_OEM_1-VK_OEM_7. VK_OEM_8 gives 105, which has no name.
    static constexpr unsigned char ORVA_SEMICOLON = 94;
    static constexpr unsigned char ORVA_PLUS = 95;
    static constexpr unsigned char ORVA_COMMA = 96;
    static constexpr unsigned char ORVA_MINUS = 97;
    static constexpr unsigned char ORVA_DOT = 98;
    static constexpr unsigned char ORVA_SLASH = 99;
    static constexpr unsigned char ORVA_TILDE = 100;
    static constexpr unsigned char ORVA_LEFT_BRACKET = 101;
    static constexpr unsigned char ORVA_BACKSLASH = 102;
    static constexpr unsigned char ORVA_RIGHT_BRACKET = 103;
    static constexpr unsigned char ORVA_APOSTROPHE = 104;

    // Controllers 1-4: 150 + 16 x (controller - 1) + button, in the pad's button-bit
    // order with bits 10 and 11 standing for the triggers; then connect and disconnect.
    static constexpr unsigned char ORVA_CONTROLLER_BUTTONS_START = 149;
    static constexpr unsigned char ORVA_CONTROLLER1_DPAD_UP = 150;
    static constexpr unsigned char ORVA_CONTROLLER1_DPAD_DOWN = 151;
    static constexpr unsigned char ORVA_CONTROLLER1_DPAD_LEFT = 152;
    static constexpr unsigned char ORVA_CONTROLLER1_DPAD_RIGHT = 153;
    static constexpr unsigned char ORVA_CONTROLLER1_START = 154;
    static constexpr unsigned char ORVA_CONTROLLER1_BACK = 155;
    static constexpr unsigned char ORVA_CONTROLLER1_LEFT_STICK = 156;
    static constexpr unsigned char ORVA_CONTROLLER1_RIGHT_STICK = 157;
    static constexpr unsigned char ORVA_CONTROLLER1_LEFT_SHOULDER = 158;
    static constexpr unsigned char ORVA_CONTROLLER1_RIGHT_SHOULDER = 159;
    static constexpr unsigned char ORVA_CONTROLLER1_LEFT_TRIGGER = 160;
    static constexpr unsigned char ORVA_CONTROLLER1_RIGHT_TRIGGER = 161;
    static constexpr unsigned char ORVA_CONTROLLER1_A = 162;
    static constexpr unsigned char ORVA_CONTROLLER1_B = 163;
    static constexpr unsigned char ORVA_CONTROLLER1_X = 164;
    static constexpr unsigned char ORVA_CONTROLLER1_Y = 165;
    static constexpr unsigned char ORVA_CONTROLLER2_DPAD_UP = 166;
    static constexpr unsigned char ORVA_CONTROLLER2_DPAD_DOWN = 167;
    static constexpr unsigned char ORVA_CONTROLLER2_DPAD_LEFT = 168;
    static constexpr unsigned char ORVA_CONTROLLER2_DPAD_RIGHT = 169;
    static constexpr unsigned char ORVA_CONTROLLER2_START = 170;
    static constexpr unsigned char ORVA_CONTROLLER2_BACK = 171;
    static constexpr unsigned char ORVA_CONTROLLER2_LEFT_STICK = 172;
    static constexpr unsigned char ORVA_CONTROLLER2_RIGHT_STICK = 173;
    static constexpr unsigned char ORVA_CONTROLLER2_LEFT_SHOULDER = 174;
    static constexpr unsigned char ORVA_CONTROLLER2_RIGHT_SHOULDER = 175;
    static constexpr unsigned char ORVA_CONTROLLER2_LEFT_TRIGGER = 176;
    static constexpr unsigned char ORVA_CONTROLLER2_RIGHT_TRIGGER = 177;
    static constexpr unsigned char ORVA_CONTROLLER2_A = 178;
    static constexpr unsigned char ORVA_CONTROLLER2_B = 179;
    static constexpr unsigned char ORVA_CONTROLLER2_X = 180;
    static constexpr unsigned char ORVA_CONTROLLER2_Y = 181;
    static constexpr unsigned char ORVA_CONTROLLER3_DPAD_UP = 182;
    static constexpr unsigned char ORVA_CONTROLLER3_DPAD_DOWN = 183;
    static constexpr unsigned char ORVA_CONTROLLER3_DPAD_LEFT = 184;
    static constexpr unsigned char ORVA_CONTROLLER3_DPAD_RIGHT = 185;
    static constexpr unsigned char ORVA_CONTROLLER3_START = 186;
    static constexpr unsigned char ORVA_CONTROLLER3_BACK = 187;
    static constexpr unsigned char ORVA_CONTROLLER3_LEFT_STICK = 188;
    static constexpr unsigned char ORVA_CONTROLLER3_RIGHT_STICK = 189;
    static constexpr unsigned char ORVA_CONTROLLER3_LEFT_SHOULDER = 190;
    static constexpr unsigned char ORVA_CONTROLLER3_RIGHT_SHOULDER = 191;
    static constexpr unsigned char ORVA_CONTROLLER3_LEFT_TRIGGER = 192;
    static constexpr unsigned char ORVA_CONTROLLER3_RIGHT_TRIGGER = 193;
    static constexpr unsigned char ORVA_CONTROLLER3_A = 194;
    static constexpr unsigned char ORVA_CONTROLLER3_B = 195;
    static constexpr unsigned char ORVA_CONTROLLER3_X = 196;
    static constexpr unsigned char ORVA_CONTROLLER3_Y = 197;
    static constexpr unsigned char ORVA_CONTROLLER4_DPAD_UP = 198;
    static constexpr unsigned char ORVA_CONTROLLER4_DPAD_DOWN = 199;
    static constexpr unsigned char ORVA_CONTROLLER4_DPAD_LEFT = 200;
    static constexpr unsigned char ORVA_CONTROLLER4_DPAD_RIGHT = 201;
    static constexpr unsigned char ORVA_CONTROLLER4_START = 202;
    static constexpr unsigned char ORVA_CONTROLLER4_BACK = 203;
    static constexpr unsigned char ORVA_CONTROLLER4_LEFT_STICK = 204;
    static constexpr unsigned char ORVA_CONTROLLER4_RIGHT_STICK = 205;
    static constexpr unsigned char ORVA_CONTROLLER4_LEFT_SHOULDER = 206;
    static constexpr unsigned char ORVA_CONTROLLER4_RIGHT_SHOULDER = 207;
    static constexpr unsigned char ORVA_CONTROLLER4_LEFT_TRIGGER = 208;
    static constexpr unsigned char ORVA_CONTROLLER4_RIGHT_TRIGGER = 209;
    static constexpr unsigned char ORVA_CONTROLLER4_A = 210;
    static constexpr unsigned char ORVA_CONTROLLER4_B = 211;
    static constexpr unsigned char ORVA_CONTROLLER4_X = 212;
    static constexpr unsigned char ORVA_CONTROLLER4_Y = 213;
    static constexpr unsigned char ORVA_CONTROLLER1_ENTER = 214;
    static constexpr unsigned char ORVA_CONTROLLER2_ENTER = 215;
    static constexpr unsigned char ORVA_CONTROLLER3_ENTER = 216;
    static constexpr unsigned char ORVA_CONTROLLER4_ENTER = 217;
    static constexpr unsigned char ORVA_CONTROLLER1_DROP = 218;
    static constexpr unsigned char ORVA_CONTROLLER2_DROP = 219;
    static constexpr unsigned char ORVA_CONTROLLER3_DROP = 220;
    static constexpr unsigned char ORVA_CONTROLLER4_DROP = 221;
    static constexpr unsigned char ORVA_CONTROLLER_BUTTONS_END = 222;
};

// Input state the window writes while it pumps messages and the input manager reads once
// a frame. One copy for the process, zero at start.

// 1 down, 0 up, indexed by key code.
ORVA_API extern std::uint8_t WindowKeyStates[256];
// 1 for a key that went down since the input manager's last update, even if it is up again:
// that update counts it as tapped. The input manager clears it.
ORVA_API extern std::uint8_t WindowKeyPresses[256];
// Cursor position of the last mouse move, client pixels (negative outside while captured).
ORVA_API extern std::int32_t WindowMouseX;
ORVA_API extern std::int32_t WindowMouseY;
// Wheel delta of the last wheel message, 120 a notch, positive away from the user.
ORVA_API extern std::int16_t WindowMouseWheelDelta;

// The window's key handlers: the virtual key of a WM_KEYDOWN or WM_KEYUP to its key code.
// VK_SHIFT and VK_CONTROL set each side that GetKeyState reports down (on a key-down) or
// clear each side it reports up (on a key-up); keys without a code change nothing.
ORVA_API void recordKeyDown(WPARAM virtualKey);
ORVA_API void recordKeyUp(WPARAM virtualKey);
// A key or mouse button message's new state for the code, noting a press.
ORVA_API void recordKeyState(unsigned char code, bool down) noexcept;

} // namespace Orva
