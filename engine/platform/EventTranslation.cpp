#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "platform/PlatformState.h"

// The one translation from SDL events to window messages, and the one key table.

using namespace Orva::Platform::detail;

namespace {

struct KeyInfo
{
    BYTE virtualKey = 0; // 0: the key has no virtual key and raises no message
    BYTE numLockKey = 0; // keypad keys: the key while NumLock is on
    BYTE scanCode = 0;   // the PC keyboard's scan code, as key messages carry it
    bool extended = false;
};

using KeyTable = std::array<KeyInfo, SDL_NUM_SCANCODES>;

// Keys are named by physical position; OEM keys are the US layout's.
constexpr KeyTable buildKeyTable()
{
    KeyTable table{};
    const auto key = [&table](SDL_Scancode scancode, int virtualKey, int scanCode, bool extended = false) {
        table[scancode] = KeyInfo{static_cast<BYTE>(virtualKey), 0, static_cast<BYTE>(scanCode), extended};
    };
    const auto keypad = [&table](SDL_Scancode scancode, int numLockKey, int navigationKey, int scanCode) {
        table[scancode] = KeyInfo{static_cast<BYTE>(navigationKey), static_cast<BYTE>(numLockKey),
                                  static_cast<BYTE>(scanCode), false};
    };

    constexpr BYTE letterScanCodes[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                          0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                          0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    for (int i = 0; i < 26; ++i) {
        key(static_cast<SDL_Scancode>(SDL_SCANCODE_A + i), 'A' + i, letterScanCodes[i]);
    }
    for (int i = 0; i < 9; ++i) {
        key(static_cast<SDL_Scancode>(SDL_SCANCODE_1 + i), '1' + i, 0x02 + i);
    }
    key(SDL_SCANCODE_0, '0', 0x0B);

    key(SDL_SCANCODE_RETURN, VK_RETURN, 0x1C);
    key(SDL_SCANCODE_ESCAPE, VK_ESCAPE, 0x01);
    key(SDL_SCANCODE_BACKSPACE, VK_BACK, 0x0E);
    key(SDL_SCANCODE_TAB, VK_TAB, 0x0F);
    key(SDL_SCANCODE_SPACE, VK_SPACE, 0x39);
    key(SDL_SCANCODE_MINUS, VK_OEM_MINUS, 0x0C);
    key(SDL_SCANCODE_EQUALS, VK_OEM_PLUS, 0x0D);
    key(SDL_SCANCODE_LEFTBRACKET, VK_OEM_4, 0x1A);
    key(SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6, 0x1B);
    key(SDL_SCANCODE_BACKSLASH, VK_OEM_5, 0x2B);
    key(SDL_SCANCODE_NONUSHASH, VK_OEM_5, 0x2B);
    key(SDL_SCANCODE_SEMICOLON, VK_OEM_1, 0x27);
    key(SDL_SCANCODE_APOSTROPHE, VK_OEM_7, 0x28);
    key(SDL_SCANCODE_GRAVE, VK_OEM_3, 0x29);
    key(SDL_SCANCODE_COMMA, VK_OEM_COMMA, 0x33);
    key(SDL_SCANCODE_PERIOD, VK_OEM_PERIOD, 0x34);
    key(SDL_SCANCODE_SLASH, VK_OEM_2, 0x35);
    key(SDL_SCANCODE_NONUSBACKSLASH, VK_OEM_102, 0x56);
    key(SDL_SCANCODE_CAPSLOCK, VK_CAPITAL, 0x3A);

    for (int i = 0; i < 10; ++i) {
        key(static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + i), VK_F1 + i, 0x3B + i);
    }
    key(SDL_SCANCODE_F11, VK_F11, 0x57);
    key(SDL_SCANCODE_F12, VK_F12, 0x58);
    for (int i = 0; i < 11; ++i) {
        key(static_cast<SDL_Scancode>(SDL_SCANCODE_F13 + i), VK_F13 + i, 0x64 + i);
    }
    key(SDL_SCANCODE_F24, VK_F24, 0x76);

    key(SDL_SCANCODE_PRINTSCREEN, VK_SNAPSHOT, 0x37, true);
    key(SDL_SCANCODE_SCROLLLOCK, VK_SCROLL, 0x46);
    key(SDL_SCANCODE_PAUSE, VK_PAUSE, 0x45);
    key(SDL_SCANCODE_INSERT, VK_INSERT, 0x52, true);
    key(SDL_SCANCODE_HOME, VK_HOME, 0x47, true);
    key(SDL_SCANCODE_PAGEUP, VK_PRIOR, 0x49, true);
    key(SDL_SCANCODE_DELETE, VK_DELETE, 0x53, true);
    key(SDL_SCANCODE_END, VK_END, 0x4F, true);
    key(SDL_SCANCODE_PAGEDOWN, VK_NEXT, 0x51, true);
    key(SDL_SCANCODE_RIGHT, VK_RIGHT, 0x4D, true);
    key(SDL_SCANCODE_LEFT, VK_LEFT, 0x4B, true);
    key(SDL_SCANCODE_DOWN, VK_DOWN, 0x50, true);
    key(SDL_SCANCODE_UP, VK_UP, 0x48, true);
    key(SDL_SCANCODE_EXECUTE, VK_EXECUTE, 0);
    key(SDL_SCANCODE_HELP, VK_HELP, 0);
    key(SDL_SCANCODE_SELECT, VK_SELECT, 0);
    key(SDL_SCANCODE_APPLICATION, VK_APPS, 0x5D, true);
    key(SDL_SCANCODE_SLEEP, VK_SLEEP, 0x5F, true);

    key(SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK, 0x45, true);
    key(SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, 0x35, true);
    key(SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY, 0x37);
    key(SDL_SCANCODE_KP_MINUS, VK_SUBTRACT, 0x4A);
    key(SDL_SCANCODE_KP_PLUS, VK_ADD, 0x4E);
    key(SDL_SCANCODE_KP_COMMA, VK_SEPARATOR, 0x7E);
    key(SDL_SCANCODE_KP_ENTER, VK_RETURN, 0x1C, true);
    keypad(SDL_SCANCODE_KP_1, VK_NUMPAD0 + 1, VK_END, 0x4F);
    keypad(SDL_SCANCODE_KP_2, VK_NUMPAD0 + 2, VK_DOWN, 0x50);
    keypad(SDL_SCANCODE_KP_3, VK_NUMPAD0 + 3, VK_NEXT, 0x51);
    keypad(SDL_SCANCODE_KP_4, VK_NUMPAD0 + 4, VK_LEFT, 0x4B);
    keypad(SDL_SCANCODE_KP_5, VK_NUMPAD0 + 5, VK_CLEAR, 0x4C);
    keypad(SDL_SCANCODE_KP_6, VK_NUMPAD0 + 6, VK_RIGHT, 0x4D);
    keypad(SDL_SCANCODE_KP_7, VK_NUMPAD0 + 7, VK_HOME, 0x47);
    keypad(SDL_SCANCODE_KP_8, VK_NUMPAD0 + 8, VK_UP, 0x48);
    keypad(SDL_SCANCODE_KP_9, VK_NUMPAD9, VK_PRIOR, 0x49);
    keypad(SDL_SCANCODE_KP_0, VK_NUMPAD0, VK_INSERT, 0x52);
    keypad(SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, VK_DELETE, 0x53);

    // Both sides arrive as the generic key; the scan code and the extended bit tell
    // them apart (sidedVirtualKey).
    key(SDL_SCANCODE_LSHIFT, VK_SHIFT, 0x2A);
    key(SDL_SCANCODE_RSHIFT, VK_SHIFT, 0x36);
    key(SDL_SCANCODE_LCTRL, VK_CONTROL, 0x1D);
    key(SDL_SCANCODE_RCTRL, VK_CONTROL, 0x1D, true);
    key(SDL_SCANCODE_LALT, VK_MENU, 0x38);
    key(SDL_SCANCODE_RALT, VK_MENU, 0x38, true);
    key(SDL_SCANCODE_LGUI, VK_LWIN, 0x5B, true);
    key(SDL_SCANCODE_RGUI, VK_RWIN, 0x5C, true);

    key(SDL_SCANCODE_MUTE, VK_VOLUME_MUTE, 0x20, true);
    key(SDL_SCANCODE_AUDIOMUTE, VK_VOLUME_MUTE, 0x20, true);
    key(SDL_SCANCODE_VOLUMEDOWN, VK_VOLUME_DOWN, 0x2E, true);
    key(SDL_SCANCODE_VOLUMEUP, VK_VOLUME_UP, 0x30, true);
    key(SDL_SCANCODE_AUDIONEXT, VK_MEDIA_NEXT_TRACK, 0x19, true);
    key(SDL_SCANCODE_AUDIOPREV, VK_MEDIA_PREV_TRACK, 0x10, true);
    key(SDL_SCANCODE_AUDIOSTOP, VK_MEDIA_STOP, 0x24, true);
    key(SDL_SCANCODE_AUDIOPLAY, VK_MEDIA_PLAY_PAUSE, 0x22, true);
    key(SDL_SCANCODE_MEDIASELECT, VK_LAUNCH_MEDIA_SELECT, 0x6D, true);
    key(SDL_SCANCODE_MAIL, VK_LAUNCH_MAIL, 0x6C, true);
    key(SDL_SCANCODE_COMPUTER, VK_LAUNCH_APP1, 0x6B, true);
    key(SDL_SCANCODE_CALCULATOR, VK_LAUNCH_APP2, 0x21, true);
    key(SDL_SCANCODE_AC_SEARCH, VK_BROWSER_SEARCH, 0x65, true);
    key(SDL_SCANCODE_AC_HOME, VK_BROWSER_HOME, 0x32, true);
    key(SDL_SCANCODE_AC_BACK, VK_BROWSER_BACK, 0x6A, true);
    key(SDL_SCANCODE_AC_FORWARD, VK_BROWSER_FORWARD, 0x69, true);
    key(SDL_SCANCODE_AC_STOP, VK_BROWSER_STOP, 0x68, true);
    key(SDL_SCANCODE_AC_REFRESH, VK_BROWSER_REFRESH, 0x67, true);
    key(SDL_SCANCODE_AC_BOOKMARKS, VK_BROWSER_FAVORITES, 0x66, true);
    return table;
}

constexpr KeyTable Keys = buildKeyTable();

constexpr LPARAM ScanCodeShift = 16;
constexpr int ScanCodeRightShift = 0x36;

void post(State& s, HWND window, UINT message, WPARAM wParam, LPARAM lParam, Uint32 time)
{
    s.queue.push_back(MSG{window, message, wParam, lParam, time});
}

WORD clampToShort(long long value)
{
    const long long clamped =
        std::clamp<long long>(value, std::numeric_limits<SHORT>::min(), std::numeric_limits<SHORT>::max());
    return static_cast<WORD>(static_cast<SHORT>(clamped));
}

LPARAM pointParam(long long x, long long y)
{
    return MAKELPARAM(clampToShort(x), clampToShort(y));
}

WPARAM modifierFlags(const State& s)
{
    WPARAM flags = 0;
    if ((s.keyTable[VK_SHIFT] & 0x80) != 0) {
        flags |= MK_SHIFT;
    }
    if ((s.keyTable[VK_CONTROL] & 0x80) != 0) {
        flags |= MK_CONTROL;
    }
    return flags;
}

void translateKey(State& s, const SDL_KeyboardEvent& event)
{
    const SDL_Keysym& symbol = event.keysym;
    const KeyInfo info =
        symbol.scancode >= 0 && symbol.scancode < SDL_NUM_SCANCODES ? Keys[symbol.scancode] : KeyInfo{};
    int virtualKey = info.virtualKey;
    // Letters follow the layout, so a key that types 'q' is Q wherever it sits.
    if (symbol.sym >= SDLK_a && symbol.sym <= SDLK_z) {
        virtualKey = 'A' + (symbol.sym - SDLK_a);
    } else if (info.numLockKey != 0 && (symbol.mod & KMOD_NUM) != 0) {
        virtualKey = info.numLockKey;
    }

    // Alt with Ctrl is how AltGr reaches programs, so it types rather than commands;
    // AltGr reported as its own modifier (KMOD_MODE) is no Alt either.
    const bool altHeld = (symbol.mod & KMOD_ALT) != 0 && (symbol.mod & KMOD_CTRL) == 0;
    const bool system = altHeld || virtualKey == VK_F10;
    const bool down = event.type == SDL_KEYDOWN;
    if (down) {
        s.dropNextText = system;
    }

    const HWND window = windowOfSdlId(s, event.windowID);
    if (window == nullptr || virtualKey == 0) {
        return;
    }
    LPARAM lParam = 1 | (static_cast<LPARAM>(info.scanCode) << ScanCodeShift);
    if (info.extended) {
        lParam |= KF_EXTENDED_BIT;
    }
    if (altHeld) {
        lParam |= KF_ALTDOWN_BIT;
    }
    if (!down || event.repeat != 0) {
        lParam |= KF_REPEAT_BIT;
    }
    if (!down) {
        lParam |= KF_UP_BIT;
    }
    const UINT message = system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    post(s, window, message, static_cast<WPARAM>(virtualKey), lParam, event.timestamp);
}

// Decodes one code point at `text`, advancing it; malformed input gives U+FFFD and
// advances one byte.
char32_t decodeUtf8(const unsigned char*& text, const unsigned char* end)
{
    constexpr char32_t Replacement = 0xFFFD;
    const unsigned char lead = *text++;
    if (lead < 0x80) {
        return lead;
    }
    int continuation = 0;
    char32_t codePoint = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        continuation = 1, codePoint = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        continuation = 2, codePoint = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        continuation = 3, codePoint = lead & 0x07, minimum = 0x10000;
    } else {
        return Replacement;
    }
    if (end - text < continuation) {
        return Replacement;
    }
    for (int i = 0; i < continuation; ++i) {
        if ((text[i] & 0xC0) != 0x80) {
            return Replacement;
        }
        codePoint = (codePoint << 6) | (text[i] & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return Replacement;
    }
    text += continuation;
    return codePoint;
}

void translateText(State& s, const SDL_TextInputEvent& event)
{
    if (std::exchange(s.dropNextText, false)) {
        return;
    }
    const HWND window = windowOfSdlId(s, event.windowID);
    if (window == nullptr) {
        return;
    }
    const auto* text = reinterpret_cast<const unsigned char*>(event.text);
    const auto* end = text + strnlen(event.text, sizeof event.text);
    while (text < end) {
        const char32_t codePoint = decodeUtf8(text, end);
        if (codePoint < 0x10000) {
            post(s, window, WM_CHAR, codePoint, 1, event.timestamp);
        } else {
            const char32_t offset = codePoint - 0x10000;
            post(s, window, WM_CHAR, 0xD800 + (offset >> 10), 1, event.timestamp);
            post(s, window, WM_CHAR, 0xDC00 + (offset & 0x3FF), 1, event.timestamp);
        }
    }
}

void translateMouseButton(State& s, const SDL_MouseButtonEvent& event)
{
    struct ButtonMessages
    {
        UINT down;
        UINT up;
        WPARAM flag;
    };
    ButtonMessages messages{};
    switch (event.button) {
    case SDL_BUTTON_LEFT:
        messages = {WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON};
        break;
    case SDL_BUTTON_RIGHT:
        messages = {WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON};
        break;
    case SDL_BUTTON_MIDDLE:
        messages = {WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON};
        break;
    default:
        return;
    }
    const HWND window = windowOfSdlId(s, event.windowID);
    if (window == nullptr) {
        return;
    }
    const bool down = event.type == SDL_MOUSEBUTTONDOWN;
    post(s, window, down ? messages.down : messages.up, modifierFlags(s) | (down ? messages.flag : 0),
         pointParam(event.x, event.y), event.timestamp);
}

void translateMouseMotion(State& s, const SDL_MouseMotionEvent& event)
{
    const HWND window = windowOfSdlId(s, event.windowID);
    if (window == nullptr) {
        return;
    }
    WPARAM flags = modifierFlags(s);
    if ((event.state & SDL_BUTTON_LMASK) != 0) {
        flags |= MK_LBUTTON;
    }
    if ((event.state & SDL_BUTTON_RMASK) != 0) {
        flags |= MK_RBUTTON;
    }
    if ((event.state & SDL_BUTTON_MMASK) != 0) {
        flags |= MK_MBUTTON;
    }
    post(s, window, WM_MOUSEMOVE, flags, pointParam(event.x, event.y), event.timestamp);
}

// Only vertical turns are wheel messages; the position is in screen coordinates.
void translateWheel(State& s, const SDL_MouseWheelEvent& event)
{
    long long notches = event.y;
    if (event.direction == SDL_MOUSEWHEEL_FLIPPED) {
        notches = -notches;
    }
    const HWND window = windowOfSdlId(s, event.windowID);
    if (window == nullptr || notches == 0) {
        return;
    }
    int left = 0;
    int top = 0;
    SDL_GetWindowPosition(findWindow(window)->window, &left, &top);
    const WPARAM wParam =
        MAKEWPARAM(static_cast<WORD>(modifierFlags(s)), clampToShort(notches * WHEEL_DELTA));
    post(s, window, WM_MOUSEWHEEL, wParam,
         pointParam(static_cast<long long>(left) + event.mouseX, static_cast<long long>(top) + event.mouseY),
         event.timestamp);
}

void translateWindowEvent(State& s, const SDL_WindowEvent& event)
{
    const HWND window = windowOfSdlId(s, event.windowID);
    if (window == nullptr) {
        return;
    }
    switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        post(s, window, WM_SETFOCUS, 0, 0, event.timestamp);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        post(s, window, WM_KILLFOCUS, 0, 0, event.timestamp);
        break;
    case SDL_WINDOWEVENT_CLOSE:
        s.closeRequested = true;
        post(s, window, WM_CLOSE, 0, 0, event.timestamp);
        break;
    case SDL_WINDOWEVENT_RESIZED: {
        auto& echo = findWindow(window)->fullscreenResizeEcho;
        if (echo && *echo == std::pair{event.data1, event.data2}) {
            echo.reset();
            break;
        }
        post(s, window, WM_EXITSIZEMOVE, 0, 0, event.timestamp);
        break;
    }
    case SDL_WINDOWEVENT_MAXIMIZED:
        post(s, window, WM_SYSCOMMAND, SC_MAXIMIZE, 0, event.timestamp);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        post(s, window, WM_SYSCOMMAND, SC_RESTORE, 0, event.timestamp);
        break;
    default:
        break;
    }
}

// One drop of any number of files is one WM_DROPFILES, sent at the drop's end.
void translateDrop(State& s, SDL_DropEvent& event)
{
    const HWND window = windowOfSdlId(s, event.windowID);
    WindowRecord* record = findWindow(window);
    if (record != nullptr) {
        switch (event.type) {
        case SDL_DROPBEGIN:
            record->pendingDrop.clear();
            break;
        case SDL_DROPFILE:
            if (event.file != nullptr) {
                record->pendingDrop.emplace_back(event.file);
            }
            break;
        case SDL_DROPCOMPLETE:
            if (!record->pendingDrop.empty()) {
                const HDROP drop = newDrop(s, std::exchange(record->pendingDrop, {}));
                post(s, window, WM_DROPFILES, handleId(drop), 0, event.timestamp);
            }
            break;
        default:
            break;
        }
    }
    SDL_free(event.file);
    event.file = nullptr;
}

} // namespace

namespace Orva::Platform::detail {

int sidedVirtualKey(int virtualKey, LPARAM lParam)
{
    const bool extended = (lParam & KF_EXTENDED_BIT) != 0;
    switch (virtualKey) {
    case VK_SHIFT:
        return ((lParam >> ScanCodeShift) & 0xFF) == ScanCodeRightShift ? VK_RSHIFT : VK_LSHIFT;
    case VK_CONTROL:
        return extended ? VK_RCONTROL : VK_LCONTROL;
    case VK_MENU:
        return extended ? VK_RMENU : VK_LMENU;
    default:
        return virtualKey;
    }
}

void translateEvent(State& s, SDL_Event& event)
{
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        translateKey(s, event.key);
        break;
    case SDL_TEXTINPUT:
        translateText(s, event.text);
        break;
    case SDL_TEXTEDITING_EXT:
        SDL_free(event.editExt.text);
        break;
    case SDL_MOUSEMOTION:
        translateMouseMotion(s, event.motion);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        translateMouseButton(s, event.button);
        break;
    case SDL_MOUSEWHEEL:
        translateWheel(s, event.wheel);
        break;
    case SDL_WINDOWEVENT:
        translateWindowEvent(s, event.window);
        break;
    case SDL_QUIT:
        askEveryWindowToClose(s, event.quit.timestamp);
        break;
    case SDL_DROPBEGIN:
    case SDL_DROPFILE:
    case SDL_DROPTEXT:
    case SDL_DROPCOMPLETE:
        translateDrop(s, event.drop);
        break;
    default:
        break;
    }
}

} // namespace Orva::Platform::detail
