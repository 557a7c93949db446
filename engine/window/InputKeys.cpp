#include "window/InputKeys.h"

namespace Orva {

std::uint8_t WindowKeyStates[256] = {};
std::uint8_t WindowKeyPresses[256] = {};
std::int32_t WindowMouseX = 0;
std::int32_t WindowMouseY = 0;
std::int16_t WindowMouseWheelDelta = 0;

namespace {

constexpr int NoKeyCode = -1;

struct VirtualKeyRange
{
    WPARAM first;
    WPARAM last;
    unsigned char firstCode;
};

// Runs of virtual keys whose codes follow one another.
constexpr VirtualKeyRange CodeRanges[] = {
    {VK_SPACE, VK_HELP, InputKeys::ORVA_SPACE},
    {'0', '9', InputKeys::ORVA_0},
    {'A', 'Z', InputKeys::ORVA_A},
    {VK_NUMPAD0, VK_F12, InputKeys::ORVA_NUMPAD0},
    {VK_OEM_1, VK_OEM_3, InputKeys::ORVA_SEMICOLON},
    {VK_OEM_4, VK_OEM_8, InputKeys::ORVA_LEFT_BRACKET},
};

int keyCodeOf(WPARAM virtualKey)
{
    switch (virtualKey) {
    case VK_BACK:
        return InputKeys::ORVA_BACK;
    case VK_TAB:
        return InputKeys::ORVA_TAB;
    case VK_RETURN:
        return InputKeys::ORVA_ENTER;
    case VK_CAPITAL:
        return InputKeys::ORVA_CAPS;
    case VK_ESCAPE:
        return InputKeys::ORVA_ESCAPE;
    default:
        break;
    }
    for (const VirtualKeyRange& range : CodeRanges) {
        if (virtualKey >= range.first && virtualKey <= range.last)
            return static_cast<int>(range.firstCode + (virtualKey - range.first));
    }
    return NoKeyCode;
}

// A generic Shift or Control message does not say which side moved, so each side is
// asked: a press can only set a side that is down, a release only clear one that is up.
void recordSides(int leftKey, int rightKey, unsigned char leftCode, unsigned char rightCode, bool down)
{
    const auto record = [down](int sideKey, unsigned char code) {
        const bool sideDown = (GetKeyState(sideKey) & 0x8000) != 0;
        if (sideDown == down)
            recordKeyState(code, down);
    };
    record(leftKey, leftCode);
    record(rightKey, rightCode);
}

void recordKey(WPARAM virtualKey, bool down)
{
    if (virtualKey == VK_SHIFT) {
        recordSides(VK_LSHIFT, VK_RSHIFT, InputKeys::ORVA_LEFT_SHIFT, InputKeys::ORVA_RIGHT_SHIFT, down);
    } else if (virtualKey == VK_CONTROL) {
        recordSides(VK_LCONTROL, VK_RCONTROL, InputKeys::ORVA_LEFT_CONTROL, InputKeys::ORVA_RIGHT_CONTROL,
                    down);
    } else if (const int code = keyCodeOf(virtualKey); code != NoKeyCode) {
        recordKeyState(static_cast<unsigned char>(code), down);
    }
}

} // namespace

// A repeated key-down of a held key is no new press.
void recordKeyState(unsigned char code, bool down) noexcept
{
    if (down && WindowKeyStates[code] == 0) {
        WindowKeyPresses[code] = 1;
    }
    WindowKeyStates[code] = down ? 1 : 0;
}

void recordKeyDown(WPARAM virtualKey)
{
    recordKey(virtualKey, true);
}

void recordKeyUp(WPARAM virtualKey)
{
    recordKey(virtualKey, false);
}

} // namespace Orva
