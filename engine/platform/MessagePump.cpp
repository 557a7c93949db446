#include <algorithm>
#include <utility>

#include "platform/PlatformState.h"

// The message queue, its pump and the key table behind GetKeyState.

using namespace Orva::Platform::detail;

namespace {

constexpr BYTE KeyDownBit = 0x80;
constexpr BYTE KeyToggleBit = 0x01;

// The event ranges the layer owns. Game controllers, sensors and audio devices stay in
// SDL's queue for the services that read them.
constexpr std::pair<Uint32, Uint32> OwnedEventRanges[] = {
    {SDL_FIRSTEVENT, SDL_JOYAXISMOTION - 1},
    {SDL_FINGERDOWN, SDL_AUDIODEVICEADDED - 1},
    {SDL_RENDER_TARGETS_RESET, SDL_LASTEVENT},
};

void drainEvents(State& s)
{
    SDL_PumpEvents();
    SDL_Event event;
    for (const auto& [first, last] : OwnedEventRanges) {
        while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, first, last) > 0) {
            translateEvent(s, event);
        }
    }
    postSignalledClose(s);
}

bool matches(const MSG& message, HWND window, UINT filterMin, UINT filterMax)
{
    if (window != nullptr && message.hwnd != window) {
        return false;
    }
    return (filterMin == 0 && filterMax == 0) ||
           (message.message >= filterMin && message.message <= filterMax);
}

void setKey(State& s, int virtualKey, bool down)
{
    BYTE& entry = s.keyTable[static_cast<std::size_t>(virtualKey)];
    if (down && (entry & KeyDownBit) == 0) {
        entry ^= KeyToggleBit;
    }
    entry = down ? (entry | KeyDownBit) : (entry & ~KeyDownBit);
}

// The generic modifier key is down while either of its sides is.
void noteKeyMessage(State& s, const MSG& message)
{
    bool down = false;
    switch (message.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        down = true;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        break;
    default:
        return;
    }
    const int virtualKey = static_cast<int>(message.wParam & 0xFF);
    const int sided = sidedVirtualKey(virtualKey, message.lParam);
    setKey(s, sided, down);
    if (sided != virtualKey) {
        const int left = sided & ~1;
        const bool eitherDown = ((s.keyTable[left] | s.keyTable[left + 1]) & KeyDownBit) != 0;
        setKey(s, virtualKey, eitherDown);
    }
}

WNDPROC procedureOf(HWND window)
{
    const WindowRecord* record = findWindow(window);
    return record != nullptr ? record->procedure : nullptr;
}

} // namespace

BOOL PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags)
{
    if (message == nullptr) {
        return 0;
    }
    State& s = state();
    const auto firstMatch = [&] {
        return std::find_if(s.queue.begin(), s.queue.end(),
                            [&](const MSG& queued) { return matches(queued, window, filterMin, filterMax); });
    };
    auto found = firstMatch();
    if (found == s.queue.end() && s.videoStarted) {
        drainEvents(s);
        found = firstMatch();
    }
    if (found == s.queue.end()) {
        return 0;
    }
    *message = *found;
    if ((removeFlags & PM_REMOVE) != 0) {
        s.queue.erase(found);
        noteKeyMessage(s, *message);
    }
    return 1;
}

BOOL TranslateMessage(const MSG* message)
{
    if (message == nullptr || message->message != WM_KEYDOWN) {
        return 0;
    }
    switch (message->wParam) {
    case VK_BACK:
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
        // These keys' characters share their key's code.
        state().queue.push_front(
            MSG{message->hwnd, WM_CHAR, message->wParam, message->lParam, message->time});
        return 1;
    default:
        return 0;
    }
}

LRESULT DispatchMessageA(const MSG* message)
{
    if (message == nullptr) {
        return 0;
    }
    const WNDPROC procedure = procedureOf(message->hwnd);
    return procedure != nullptr ? procedure(message->hwnd, message->message, message->wParam, message->lParam)
                                : 0;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC procedure = procedureOf(window);
    return procedure != nullptr ? procedure(window, message, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowRecord* record = message == WM_SETICON ? findWindow(window) : nullptr;
    if (record == nullptr) {
        return 0;
    }
    HICON& slot = wParam == ICON_BIG ? record->bigIcon : record->smallIcon;
    const HICON previous = slot;
    slot = toHandle<HICON>(static_cast<std::uintptr_t>(lParam));
    // SDL windows carry one icon: the big one when there is one.
    showIcon(*record, record->bigIcon != nullptr ? record->bigIcon : record->smallIcon);
    return static_cast<LRESULT>(handleId(previous));
}

SHORT GetKeyState(int virtualKey)
{
    if (virtualKey < 0 || virtualKey > 0xFF) {
        return 0;
    }
    const BYTE entry = state().keyTable[static_cast<std::size_t>(virtualKey)];
    return static_cast<SHORT>(((entry & KeyDownBit) != 0 ? 0x8000 : 0) | (entry & KeyToggleBit));
}

namespace Orva::Platform::Test {

bool postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (window != nullptr && findWindow(window) == nullptr) {
        return false;
    }
    state().queue.push_back(MSG{window, message, wParam, lParam, SDL_GetTicks()});
    return true;
}

void setKeyState(int virtualKey, bool down)
{
    if (virtualKey >= 0 && virtualKey <= 0xFF) {
        setKey(state(), virtualKey, down);
    }
}

} // namespace Orva::Platform::Test
