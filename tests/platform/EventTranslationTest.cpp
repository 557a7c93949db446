#include "PlatformFixture.h"

namespace {

using EventTranslation = PlatformFixture;

int scanCodeOf(const MSG& message)
{
    return static_cast<int>((message.lParam >> 16) & 0xFF);
}

struct KeyCase
{
    SDL_Scancode scancode;
    SDL_Keycode symbol;
    Uint16 modifiers;
    WPARAM expected;
};

TEST_F(EventTranslation, LettersFollowTheSymbolAndOtherKeysTheirPosition)
{
    const KeyCase cases[] = {
        {SDL_SCANCODE_Q, SDLK_a, KMOD_NONE, 'A'},         // a layout with A where US has Q
        {SDL_SCANCODE_SEMICOLON, SDLK_m, KMOD_NONE, 'M'}, // ... and M where US has ';'
        {SDL_SCANCODE_A, 0x444, KMOD_NONE, 'A'},          // a non-Latin symbol keeps the position
        {SDL_SCANCODE_1, SDLK_AMPERSAND, KMOD_NONE, '1'}, // digits by position, whatever they type
        {SDL_SCANCODE_SEMICOLON, SDLK_SEMICOLON, KMOD_NONE, VK_OEM_1},
        {SDL_SCANCODE_EQUALS, SDLK_EQUALS, KMOD_NONE, VK_OEM_PLUS},
        {SDL_SCANCODE_COMMA, SDLK_COMMA, KMOD_NONE, VK_OEM_COMMA},
        {SDL_SCANCODE_MINUS, SDLK_MINUS, KMOD_NONE, VK_OEM_MINUS},
        {SDL_SCANCODE_PERIOD, SDLK_PERIOD, KMOD_NONE, VK_OEM_PERIOD},
        {SDL_SCANCODE_SLASH, SDLK_SLASH, KMOD_NONE, VK_OEM_2},
        {SDL_SCANCODE_GRAVE, SDLK_BACKQUOTE, KMOD_NONE, VK_OEM_3},
        {SDL_SCANCODE_LEFTBRACKET, SDLK_LEFTBRACKET, KMOD_NONE, VK_OEM_4},
        {SDL_SCANCODE_BACKSLASH, SDLK_BACKSLASH, KMOD_NONE, VK_OEM_5},
        {SDL_SCANCODE_RIGHTBRACKET, SDLK_RIGHTBRACKET, KMOD_NONE, VK_OEM_6},
        {SDL_SCANCODE_APOSTROPHE, SDLK_QUOTE, KMOD_NONE, VK_OEM_7},
        {SDL_SCANCODE_KP_1, SDLK_KP_1, KMOD_NUM, VK_NUMPAD0 + 1},
        {SDL_SCANCODE_KP_1, SDLK_KP_1, KMOD_NONE, VK_END},
        {SDL_SCANCODE_KP_5, SDLK_KP_5, KMOD_NONE, VK_CLEAR},
        {SDL_SCANCODE_KP_PERIOD, SDLK_KP_PERIOD, KMOD_NUM, VK_DECIMAL},
        {SDL_SCANCODE_KP_PERIOD, SDLK_KP_PERIOD, KMOD_NONE, VK_DELETE},
        {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, KMOD_NUM, VK_RETURN},
        {SDL_SCANCODE_KP_MULTIPLY, SDLK_KP_MULTIPLY, KMOD_NONE, VK_MULTIPLY},
        {SDL_SCANCODE_F12, SDLK_F12, KMOD_NONE, VK_F12},
        {SDL_SCANCODE_F13, SDLK_F13, KMOD_NONE, VK_F13},
        {SDL_SCANCODE_F24, SDLK_F24, KMOD_NONE, VK_F24},
        {SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, KMOD_RSHIFT, VK_SHIFT},
        {SDL_SCANCODE_RCTRL, SDLK_RCTRL, KMOD_RCTRL, VK_CONTROL},
    };
    for (const KeyCase& key : cases)
        pushKey(key.scancode, key.symbol, key.modifiers, true);
    const auto messages = takeAll();
    ASSERT_EQ(messages.size(), std::size(cases));
    for (std::size_t i = 0; i < messages.size(); ++i) {
        SCOPED_TRACE(SDL_GetScancodeName(cases[i].scancode));
        EXPECT_EQ(messages[i].message, WM_KEYDOWN);
        EXPECT_EQ(messages[i].wParam, cases[i].expected);
        EXPECT_EQ(messages[i].hwnd, window);
    }
}

TEST_F(EventTranslation, KeyParametersCarryScanCodeExtensionRepeatAndTransition)
{
    pushKey(SDL_SCANCODE_A, SDLK_a, KMOD_NONE, true);
    pushKey(SDL_SCANCODE_A, SDLK_a, KMOD_NONE, true, true);
    pushKey(SDL_SCANCODE_A, SDLK_a, KMOD_NONE, false);
    pushKey(SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, KMOD_NONE, true);
    pushKey(SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_NONE, true);
    pushKey(SDL_SCANCODE_UNKNOWN, SDLK_UNKNOWN, KMOD_NONE, true); // no virtual key: no message
    const auto messages = takeAll();
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[0].lParam, 0x001E0001);
    EXPECT_EQ(messages[1].lParam, 0x401E0001);
    EXPECT_EQ(messages[2].message, WM_KEYUP);
    EXPECT_EQ(static_cast<std::uint64_t>(messages[2].lParam), 0xC01E0001u);
    EXPECT_EQ(messages[3].wParam, static_cast<WPARAM>(VK_RETURN));
    EXPECT_NE(messages[3].lParam & KF_EXTENDED_BIT, 0);
    EXPECT_EQ(messages[4].wParam, static_cast<WPARAM>(VK_RETURN));
    EXPECT_EQ(messages[4].lParam & KF_EXTENDED_BIT, 0);
    EXPECT_EQ(scanCodeOf(messages[4]), 0x1C);
}

TEST_F(EventTranslation, AltWithoutCtrlAndF10AreSystemKeysButAltGrIsNot)
{
    pushKey(SDL_SCANCODE_F10, SDLK_F10, KMOD_NONE, true);
    pushKey(SDL_SCANCODE_F10, SDLK_F10, KMOD_NONE, false);
    pushKey(SDL_SCANCODE_B, SDLK_b, KMOD_LALT, true);
    pushKey(SDL_SCANCODE_B, SDLK_b, KMOD_RALT, false);
    pushKey(SDL_SCANCODE_Q, SDLK_q, KMOD_RALT | KMOD_LCTRL, true); // AltGr as Windows layouts report it
    pushKey(SDL_SCANCODE_Q, SDLK_q, KMOD_MODE, false);             // AltGr as its own modifier
    pushKey(SDL_SCANCODE_LALT, SDLK_LALT, KMOD_LALT, true);
    const auto messages = takeAll();
    ASSERT_EQ(messages.size(), 7u);
    EXPECT_EQ(messages[0].message, WM_SYSKEYDOWN);
    EXPECT_EQ(messages[0].lParam & KF_ALTDOWN_BIT, 0); // F10 alone: no Alt context
    EXPECT_EQ(messages[1].message, WM_SYSKEYUP);
    EXPECT_EQ(messages[2].message, WM_SYSKEYDOWN);
    EXPECT_NE(messages[2].lParam & KF_ALTDOWN_BIT, 0);
    EXPECT_EQ(messages[3].message, WM_SYSKEYUP);
    EXPECT_EQ(messages[4].message, WM_KEYDOWN);
    EXPECT_EQ(messages[5].message, WM_KEYUP);
    EXPECT_EQ(messages[6].message, WM_SYSKEYDOWN);
    EXPECT_EQ(messages[6].wParam, static_cast<WPARAM>(VK_MENU));
}

TEST_F(EventTranslation, KeyTableAnswersForTheTimeOfTheLastRemovedMessage)
{
    pushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT, true);
    pushKey(SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, KMOD_SHIFT, true);
    pushKey(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_RSHIFT, false);
    pushKey(SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, KMOD_NONE, false);

    const auto down = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, window, 0, 0, PM_REMOVE));
    EXPECT_TRUE(down(VK_LSHIFT));
    EXPECT_FALSE(down(VK_RSHIFT));
    EXPECT_TRUE(down(VK_SHIFT));
    ASSERT_TRUE(PeekMessageA(&message, window, 0, 0, PM_REMOVE));
    EXPECT_TRUE(down(VK_RSHIFT));
    ASSERT_TRUE(PeekMessageA(&message, window, 0, 0, PM_NOREMOVE)); // looking changes nothing
    EXPECT_TRUE(down(VK_LSHIFT));
    ASSERT_TRUE(PeekMessageA(&message, window, 0, 0, PM_REMOVE));
    EXPECT_FALSE(down(VK_LSHIFT));
    EXPECT_TRUE(down(VK_SHIFT)); // the right side still holds it
    ASSERT_TRUE(PeekMessageA(&message, window, 0, 0, PM_REMOVE));
    EXPECT_FALSE(down(VK_SHIFT));
    EXPECT_EQ(GetKeyState(VK_RSHIFT) & 1, 1); // one press, one toggle
    EXPECT_EQ(GetKeyState(-1), 0);
    EXPECT_EQ(GetKeyState(256), 0);
}

TEST_F(EventTranslation, RepeatsDoNotToggleAndRightControlAndAltAreExtended)
{
    pushKey(SDL_SCANCODE_CAPSLOCK, SDLK_CAPSLOCK, KMOD_NONE, true);
    pushKey(SDL_SCANCODE_CAPSLOCK, SDLK_CAPSLOCK, KMOD_NONE, true, true);
    pushKey(SDL_SCANCODE_RCTRL, SDLK_RCTRL, KMOD_RCTRL, true);
    pushKey(SDL_SCANCODE_RALT, SDLK_RALT, KMOD_RALT, true);
    takeAll();
    EXPECT_EQ(GetKeyState(VK_CAPITAL), static_cast<SHORT>(0x8001));
    EXPECT_NE(GetKeyState(VK_RCONTROL) & 0x8000, 0);
    EXPECT_EQ(GetKeyState(VK_LCONTROL) & 0x8000, 0);
    EXPECT_NE(GetKeyState(VK_RMENU) & 0x8000, 0);
    EXPECT_NE(GetKeyState(VK_MENU) & 0x8000, 0);
}

TEST_F(EventTranslation, TextBecomesOneCharacterPerUtf16Unit)
{
    pushText("\xC3\xA9");          // é
    pushText("a\xF0\x9F\x98\x80"); // a, then U+1F600 as a surrogate pair
    pushText("\xFF\xE2\x82");      // a stray byte and a cut sequence
    const auto messages = takeAll();
    std::vector<WPARAM> units;
    for (const MSG& message : messages) {
        EXPECT_EQ(message.message, WM_CHAR);
        units.push_back(message.wParam);
    }
    EXPECT_EQ(units, (std::vector<WPARAM>{0xE9, 'a', 0xD83D, 0xDE00, 0xFFFD, 0xFFFD, 0xFFFD}));
}

TEST_F(EventTranslation, TextAfterASystemKeyDownIsDropped)
{
    pushKey(SDL_SCANCODE_B, SDLK_b, KMOD_LALT, true);
    pushText("b");
    pushKey(SDL_SCANCODE_B, SDLK_b, KMOD_NONE, false);
    pushKey(SDL_SCANCODE_C, SDLK_c, KMOD_NONE, true);
    pushText("c");
    const auto characters = only(takeAll(), WM_CHAR);
    ASSERT_EQ(characters.size(), 1u);
    EXPECT_EQ(characters[0].wParam, static_cast<WPARAM>('c'));
}

TEST_F(EventTranslation, TranslateMessagePutsControlCharactersFirst)
{
    for (const auto& [scancode, symbol] : {std::pair{SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE},
                                           {SDL_SCANCODE_TAB, SDLK_TAB},
                                           {SDL_SCANCODE_RETURN, SDLK_RETURN},
                                           {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE},
                                           {SDL_SCANCODE_A, SDLK_a}}) {
        pushKey(scancode, symbol, KMOD_NONE, true);
    }
    std::vector<std::pair<UINT, WPARAM>> seen;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) > 0) {
        TranslateMessage(&message);
        seen.emplace_back(message.message, message.wParam);
    }
    const std::vector<std::pair<UINT, WPARAM>> expected = {
        {WM_KEYDOWN, VK_BACK},   {WM_CHAR, 8},  {WM_KEYDOWN, VK_TAB},    {WM_CHAR, 9},
        {WM_KEYDOWN, VK_RETURN}, {WM_CHAR, 13}, {WM_KEYDOWN, VK_ESCAPE}, {WM_CHAR, 27},
        {WM_KEYDOWN, 'A'}};
    EXPECT_EQ(seen, expected);
    const MSG keyUp{window, WM_KEYUP, VK_BACK, 0, 0};
    EXPECT_EQ(TranslateMessage(&keyUp), 0);
    EXPECT_EQ(TranslateMessage(nullptr), 0);
}

TEST_F(EventTranslation, MouseMessagesClampPositionsAndDropExtraButtons)
{
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = sdlId();
    motion.motion.x = 70000;
    motion.motion.y = -40000;
    motion.motion.state = SDL_BUTTON_LMASK | SDL_BUTTON_MMASK;
    ASSERT_EQ(SDL_PushEvent(&motion), 1);
    for (Uint8 button :
         {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE, SDL_BUTTON_X1, SDL_BUTTON_X2}) {
        SDL_Event press{};
        press.type = SDL_MOUSEBUTTONDOWN;
        press.button.windowID = sdlId();
        press.button.button = button;
        press.button.clicks = 2; // a double click is two presses, nothing more
        press.button.x = -5;
        press.button.y = 7;
        ASSERT_EQ(SDL_PushEvent(&press), 1);
        press.type = SDL_MOUSEBUTTONUP;
        ASSERT_EQ(SDL_PushEvent(&press), 1);
    }
    const auto messages = takeAll();
    ASSERT_EQ(messages.size(), 7u);
    EXPECT_EQ(messages[0].message, WM_MOUSEMOVE);
    EXPECT_EQ(GET_X_LPARAM(messages[0].lParam), 32767);
    EXPECT_EQ(GET_Y_LPARAM(messages[0].lParam), -32768);
    EXPECT_EQ(messages[0].wParam, MK_LBUTTON | MK_MBUTTON);
    const UINT expected[] = {WM_LBUTTONDOWN, WM_LBUTTONUP,   WM_RBUTTONDOWN,
                             WM_RBUTTONUP,   WM_MBUTTONDOWN, WM_MBUTTONUP};
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(messages[i + 1].message, expected[i]);
        EXPECT_EQ(GET_X_LPARAM(messages[i + 1].lParam), -5);
        EXPECT_EQ(GET_Y_LPARAM(messages[i + 1].lParam), 7);
    }
    EXPECT_EQ(messages[1].wParam, MK_LBUTTON);
    EXPECT_EQ(messages[2].wParam, 0u);
}

TEST_F(EventTranslation, WheelTurnsAreNotchesOf120ClampedAndUnflipped)
{
    const auto pushWheel = [this](Sint32 y, Uint32 direction, Sint32 x = 0) {
        SdlEventPush::wheel(sdlId(), y, direction, x);
    };
    pushWheel(1, SDL_MOUSEWHEEL_NORMAL);
    pushWheel(-2, SDL_MOUSEWHEEL_NORMAL);
    pushWheel(1, SDL_MOUSEWHEEL_FLIPPED);
    pushWheel(1000, SDL_MOUSEWHEEL_NORMAL);
    pushWheel(-2147483647 - 1, SDL_MOUSEWHEEL_FLIPPED);
    pushWheel(0, SDL_MOUSEWHEEL_NORMAL, 3); // sideways only: no wheel message
    std::vector<int> deltas;
    for (const MSG& message : takeAll()) {
        EXPECT_EQ(message.message, WM_MOUSEWHEEL);
        deltas.push_back(GET_WHEEL_DELTA_WPARAM(message.wParam));
    }
    EXPECT_EQ(deltas, (std::vector<int>{120, -240, -120, 32767, 32767}));
}

TEST_F(EventTranslation, WindowEventsBecomeFocusCloseSizeAndSystemCommands)
{
    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    pushWindowEvent(SDL_WINDOWEVENT_MOVED, 5, 5);
    pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    pushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 300, 200);
    pushWindowEvent(SDL_WINDOWEVENT_RESIZED, 300, 200);
    pushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
    pushWindowEvent(SDL_WINDOWEVENT_MAXIMIZED);
    pushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    std::vector<std::pair<UINT, WPARAM>> seen;
    for (const MSG& message : takeAll())
        seen.emplace_back(message.message, message.wParam);
    const std::vector<std::pair<UINT, WPARAM>> expected = {{WM_SETFOCUS, 0},
                                                           {WM_KILLFOCUS, 0},
                                                           {WM_CLOSE, 0},
                                                           {WM_EXITSIZEMOVE, 0},
                                                           {WM_SYSCOMMAND, SC_MAXIMIZE},
                                                           {WM_SYSCOMMAND, SC_RESTORE}};
    EXPECT_EQ(seen, expected);
}

TEST_F(EventTranslation, OwnFullScreenResizeIsNoUserResize)
{
    ASSERT_TRUE(Orva::Platform::SetBorderlessFullscreen(window, true, nullptr));
    EXPECT_TRUE(only(takeAll(), WM_EXITSIZEMOVE).empty());
    // The echo is spent: the same size reported again is a resize of its own.
    pushWindowEvent(SDL_WINDOWEVENT_RESIZED, 1024, 768);
    EXPECT_EQ(only(takeAll(), WM_EXITSIZEMOVE).size(), 1u);
}

TEST_F(EventTranslation, QuitAsksEveryWindowToCloseAndStrayEventsAreDropped)
{
    const HWND second = createWindow();
    ASSERT_NE(second, nullptr);
    takeAll();
    SDL_Event stray{};
    stray.type = SDL_KEYDOWN;
    stray.key.windowID = sdlId() + 1000;
    stray.key.keysym.scancode = SDL_SCANCODE_A;
    stray.key.keysym.sym = SDLK_a;
    ASSERT_EQ(SDL_PushEvent(&stray), 1);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    const auto messages = takeAll();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].message, WM_CLOSE);
    EXPECT_EQ(messages[1].message, WM_CLOSE);
    EXPECT_NE(messages[0].hwnd, messages[1].hwnd);
}

TEST_F(EventTranslation, ADropIsOneMessageWithItsFilesInOrder)
{
    const auto pushDrop = [this](Uint32 type, const char* file) {
        SDL_Event drop{};
        drop.type = type;
        drop.drop.windowID = sdlId();
        drop.drop.file = file != nullptr ? SDL_strdup(file) : nullptr; // the layer frees it
        ASSERT_EQ(SDL_PushEvent(&drop), 1);
    };
    pushDrop(SDL_DROPBEGIN, nullptr);
    pushDrop(SDL_DROPFILE, "/tmp/first");
    pushDrop(SDL_DROPTEXT, "some text");
    pushDrop(SDL_DROPFILE, "/tmp/second");
    pushDrop(SDL_DROPCOMPLETE, nullptr);
    pushDrop(SDL_DROPBEGIN, nullptr); // text only: nothing to receive
    pushDrop(SDL_DROPTEXT, "more text");
    pushDrop(SDL_DROPCOMPLETE, nullptr);
    const auto messages = takeAll();
    ASSERT_EQ(messages.size(), 1u);
    ASSERT_EQ(messages[0].message, WM_DROPFILES);
    const auto drop = reinterpret_cast<HDROP>(messages[0].wParam);
    ASSERT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 2u);
    char path[MAX_PATH];
    DragQueryFileA(drop, 0, path, MAX_PATH);
    EXPECT_STREQ(path, "/tmp/first");
    DragQueryFileA(drop, 1, path, MAX_PATH);
    EXPECT_STREQ(path, "/tmp/second");
    DragFinish(drop);
    EXPECT_EQ(Orva::Platform::Test::liveDropCount(), 0u);
}

} // namespace
