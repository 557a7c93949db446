#include <csignal>
#include <cstdio>
#include <cstring>

#include "ImageBytes.h"
#include "PlatformFixture.h"

namespace {

using MessagePump = PlatformFixture;
namespace Hooks = Orva::Platform::Test;

TEST_F(MessagePump, WindowFilterLeavesOtherWindowsAndThreadMessagesQueued)
{
    const HWND other = createWindow();
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(Hooks::postMessage(nullptr, WM_CLOSE, 1, 0));
    ASSERT_TRUE(Hooks::postMessage(other, WM_CLOSE, 2, 0));
    ASSERT_TRUE(Hooks::postMessage(window, WM_CLOSE, 3, 0));

    const auto own = takeAll(window);
    ASSERT_EQ(own.size(), 1u);
    EXPECT_EQ(own[0].wParam, 3u);
    const auto rest = takeAll();
    ASSERT_EQ(rest.size(), 2u);
    EXPECT_EQ(rest[0].hwnd, nullptr);
    EXPECT_EQ(rest[1].hwnd, other);
}

TEST_F(MessagePump, RangeFilterAndNoRemoveKeepTheQueueOrder)
{
    Hooks::postMessage(window, WM_MOUSEMOVE, 0, 0);
    Hooks::postMessage(window, WM_KEYDOWN, 'A', 0);
    Hooks::postMessage(window, WM_KEYUP, 'A', 0);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, window, WM_KEYDOWN, WM_KEYUP, PM_NOREMOVE));
    EXPECT_EQ(message.message, WM_KEYDOWN);
    EXPECT_EQ(GetKeyState('A') & 0x8000, 0); // only removal counts
    ASSERT_TRUE(PeekMessageA(&message, window, WM_KEYUP, WM_KEYUP, PM_REMOVE));
    EXPECT_EQ(message.message, WM_KEYUP);
    EXPECT_FALSE(PeekMessageA(&message, window, WM_CHAR, WM_CHAR, PM_REMOVE));
    const auto rest = takeAll();
    ASSERT_EQ(rest.size(), 2u);
    EXPECT_EQ(rest[0].message, WM_MOUSEMOVE);
    EXPECT_EQ(rest[1].message, WM_KEYDOWN);
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessagePump, PostedKeyMessagesMoveTheKeyTableToo)
{
    Hooks::postMessage(window, WM_SYSKEYDOWN, VK_CONTROL, KF_EXTENDED_BIT);
    Hooks::postMessage(window, WM_KEYDOWN, VK_SHIFT, LPARAM{0x36} << 16);
    takeAll();
    EXPECT_NE(GetKeyState(VK_RCONTROL) & 0x8000, 0);
    EXPECT_NE(GetKeyState(VK_CONTROL) & 0x8000, 0);
    EXPECT_NE(GetKeyState(VK_RSHIFT) & 0x8000, 0);
    EXPECT_EQ(GetKeyState(VK_LSHIFT) & 0x8000, 0);
}

TEST_F(MessagePump, DispatchAndSendReachTheClassProcedure)
{
    Hooks::postMessage(window, WM_SETFOCUS, 0, 0);
    Hooks::postMessage(nullptr, WM_CLOSE, 0, 0);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) > 0)
        DispatchMessageA(&message);
    EXPECT_EQ(SendMessageA(window, WM_KILLFOCUS, 4, 5), 0);
    EXPECT_EQ(SendMessageA(nullptr, WM_KILLFOCUS, 0, 0), 0);
    // The thread message has no window, so no procedure saw it.
    ASSERT_EQ(dispatched().size(), 2u);
    EXPECT_EQ(dispatched()[0].message, WM_SETFOCUS);
    EXPECT_EQ(dispatched()[1].message, WM_KILLFOCUS);
    EXPECT_EQ(dispatched()[1].wParam, 4u);
    EXPECT_EQ(dispatched()[1].lParam, 5);
    EXPECT_EQ(DispatchMessageA(nullptr), 0);
}

TEST_F(MessagePump, SetIconThroughTheDefaultProcedureReturnsTheReplacedIcon)
{
    const std::string path = ::testing::TempDir() + "orva_pump_icon.bmp";
    ASSERT_TRUE(ImageBytes::writeFile(path, ImageBytes::bmp24(ImageBytes::pattern(2, 2))));
    const HICON icon = Orva::Platform::LoadIconFile(path.c_str());
    ASSERT_NE(icon, nullptr);
    const auto iconParam = reinterpret_cast<LPARAM>(icon);
    EXPECT_EQ(SendMessageA(window, WM_SETICON, ICON_SMALL, iconParam), 0);
    EXPECT_EQ(SendMessageA(window, WM_SETICON, ICON_SMALL, iconParam), iconParam);
    EXPECT_EQ(SendMessageA(window, WM_SETICON, ICON_BIG, iconParam), 0);
    EXPECT_EQ(DefWindowProcA(window, WM_CLOSE, 0, 0), 0);
    std::remove(path.c_str());
}

TEST_F(MessagePump, DestroyingAWindowDropsItsMessagesAndFinishesItsDrops)
{
    const HDROP drop = Hooks::makeDrop({"/tmp/a"});
    Hooks::postMessage(window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    Hooks::postMessage(window, WM_CLOSE, 0, 0);
    Hooks::postMessage(nullptr, WM_CLOSE, 0, 0);
    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_EQ(Hooks::liveDropCount(), 0u);
    const auto rest = takeAll();
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].hwnd, nullptr);
    EXPECT_FALSE(Hooks::postMessage(window, WM_CLOSE, 0, 0));
}

// A request to end the program is seen between pumps and leaves SDL's queue as it was; it
// stays seen, and reaches each window once as WM_CLOSE, after what came before it.
TEST_F(MessagePump, CloseRequestsAreSeenBeforeThePumpAndReachEveryWindowOnce)
{
    EXPECT_FALSE(Orva::Platform::CloseRequested());
    pushKey(SDL_SCANCODE_A, SDLK_a, 0, true);
    pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    EXPECT_TRUE(Orva::Platform::CloseRequested());
    const auto messages = takeAll();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].message, WM_KEYDOWN);
    EXPECT_EQ(messages[1].message, WM_CLOSE);
    EXPECT_TRUE(Orva::Platform::CloseRequested()) << "once asked, the program stays asked";

    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        Hooks::reset();
        ASSERT_TRUE(registerClass());
        const HWND windows[] = {createWindow(), createWindow()};
        takeAll();
        EXPECT_FALSE(Orva::Platform::CloseRequested());
        ASSERT_EQ(raise(signal), 0);
        EXPECT_TRUE(Orva::Platform::CloseRequested()) << strsignal(signal);
        const auto closes = only(takeAll(), WM_CLOSE);
        ASSERT_EQ(closes.size(), 2u) << strsignal(signal);
        EXPECT_TRUE(closes[0].hwnd == windows[0] && closes[1].hwnd == windows[1] && takeAll().empty());
    }
}

TEST_F(MessagePump, SetKeyStateTouchesOnlyTheGivenEntry)
{
    Hooks::setKeyState(VK_LSHIFT, true);
    EXPECT_NE(GetKeyState(VK_LSHIFT) & 0x8000, 0);
    EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);
    Hooks::setKeyState(VK_LSHIFT, false);
    EXPECT_EQ(GetKeyState(VK_LSHIFT) & 0x8000, 0);
    Hooks::setKeyState(300, true); // out of the table: ignored
    EXPECT_EQ(GetKeyState(300), 0);
}

} // namespace
