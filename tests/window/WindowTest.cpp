#include <cstdint>
#include <cstdio>

#include <unistd.h>

#include "WindowFixture.h"
#include "platform/ImageBytes.h"
#include "platform/SdlEventPush.h"
#include "world/ResourceManager.h"

// The window's life, modes and services on the offscreen driver (a 1024x768 screen and no
// window manager, so outer and client sizes agree).

namespace {

using Orva::Window;
namespace Platform = Orva::Platform;

class WindowLife : public WindowTest
{
protected:
    static HINSTANCE otherInstance()
    {
        return reinterpret_cast<HINSTANCE>(reinterpret_cast<std::uintptr_t>(processInstance()) + 1000);
    }

    void SetUp() override
    {
        WindowTest::SetUp();
        taps->tap(Orva::WindowResizeEventName);
    }
};

TEST_F(WindowLife, InitShowsTheWindowAndTheFirstDispatchTakesTheClientSize)
{
    Window& window = openWindow({640, 480});
    ASSERT_NE(window.getHWnd(), nullptr);
    EXPECT_NE(SDL_GetWindowFlags(Platform::GetSDLWindow(window.getHWnd())) & SDL_WINDOW_SHOWN, 0u);
    EXPECT_EQ(Platform::Test::getWindowLong(window.getHWnd(), GWL_EXSTYLE),
              static_cast<LONG>(WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE));
    window.resize(10, 10); // the stored size, not the event, is what changes first
    Platform::Test::setWindowPos(window.getHWnd(), nullptr, 0, 0, 300, 200, SWP_NOMOVE);
    dispatch();
    EXPECT_EQ(taps->delivered, (std::vector<std::string>{"WindowResizeEvent 0x0"}));
    EXPECT_EQ(taps->resizeHandles.front(), window.getHWnd());
    EXPECT_EQ(window.getSize(), Size(300, 200));
    EXPECT_EQ(window.getPreviousSize(), Size(10, 10));
    EXPECT_EQ(window.getWidth(), 300u);
    EXPECT_EQ(window.getHeight(), 200u);
    EXPECT_EQ(window.getHInstance(), processInstance());
}

TEST_F(WindowLife, ClosingAsksButNeverDestroys)
{
    Window& window = openWindow();
    SdlEventPush::windowEvent(sdlId(window), SDL_WINDOWEVENT_CLOSE);
    EXPECT_TRUE(window.update()) << "true until the exit event is dispatched";
    dispatch();
    EXPECT_FALSE(window.update());
    EXPECT_NE(Platform::GetSDLWindow(window.getHWnd()), nullptr);
}

TEST_F(WindowLife, FullScreenRoundTripRaisesOneEventPerSwitch)
{
    Window& window = openWindow({640, 480});
    dispatch();
    taps->delivered.clear();
    const LONG style = Platform::Test::getWindowLong(window.getHWnd(), GWL_STYLE);
    const LONG exStyle = Platform::Test::getWindowLong(window.getHWnd(), GWL_EXSTYLE);

    window.setFullscreen(true);
    window.setFullscreen(true); // already on: nothing
    EXPECT_TRUE(window.isFullscreen());
    EXPECT_EQ(window.getSize(), Size(1024, 768));
    EXPECT_EQ(window.getPreviousSize(), Size(640, 480));
    EXPECT_EQ(Platform::Test::getWindowLong(window.getHWnd(), GWL_STYLE) & (WS_THICKFRAME | WS_SYSMENU), 0);
    EXPECT_EQ(Platform::Test::getWindowLong(window.getHWnd(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    window.update();
    dispatch();
    EXPECT_EQ(taps->delivered.size(), 1u);
    EXPECT_EQ(window.getSize(), Size(1024, 768));
    EXPECT_EQ(window.getPreviousSize(), Size(1024, 768)) << "the outer size moves into the previous size";

    window.setFullscreen(false);
    EXPECT_EQ(window.getSize(), Size(640, 480));
    window.update();
    dispatch();
    EXPECT_EQ(taps->delivered.size(), 2u);
    EXPECT_EQ(window.getSize(), Size(640, 480));
    EXPECT_EQ(window.getPreviousSize(), Size(640, 480));
    EXPECT_EQ(sdlSize(window), std::make_pair(640, 480));
    EXPECT_EQ(Platform::Test::getWindowLong(window.getHWnd(), GWL_STYLE), style);
    EXPECT_EQ(Platform::Test::getWindowLong(window.getHWnd(), GWL_EXSTYLE), exStyle);
    EXPECT_FALSE(window.isFullscreen());
}

TEST_F(WindowLife, StylesOfTheFirstSwitchAreRestoredEveryTime)
{
    Window& window = openWindow();
    const LONG original = Platform::Test::getWindowLong(window.getHWnd(), GWL_STYLE);
    window.setFullscreen(true);
    window.setFullscreen(false);
    Platform::Test::setWindowLong(window.getHWnd(), GWL_STYLE,
                                  static_cast<LONG>(WS_OVERLAPPED | WS_CAPTION)); // changed later
    window.setFullscreen(true);
    window.setFullscreen(false);
    EXPECT_EQ(Platform::Test::getWindowLong(window.getHWnd(), GWL_STYLE), original);
}

TEST_F(WindowLife, ResizeSetsTheSizeAtOnceWithoutAnEvent)
{
    Window& window = openWindow({640, 480});
    dispatch();
    taps->delivered.clear();
    window.resize(Size(800, 600));
    EXPECT_EQ(window.getSize(), Size(800, 600));
    EXPECT_EQ(window.getPreviousSize(), Size(640, 480));
    EXPECT_EQ(sdlSize(window), std::make_pair(800, 600));
    window.update();
    dispatch();
    EXPECT_TRUE(taps->delivered.empty());
}

TEST_F(WindowLife, ASecondWindowRegistersOnlyOnceTheFirstIsGone)
{
    Window& first = openWindow({640, 480});
    dispatch();
    taps->delivered.clear();

    Window& second = openWindow({320, 240});
    EXPECT_EQ(second.getHWnd(), nullptr) << "the class is taken";
    dispatch();
    EXPECT_TRUE(taps->delivered.empty());

    const HWND stale = first.getHWnd();
    first.deinitialize();
    EXPECT_EQ(first.getHWnd(), stale);
    second.init("second", LauncherStyle, SW_SHOWNORMAL);
    ASSERT_NE(second.getHWnd(), nullptr);
    Platform::Test::setWindowPos(second.getHWnd(), nullptr, 0, 0, 300, 200, SWP_NOMOVE); // as a user would
    dispatch();
    // One listener per window, however often it was initialised; both take every event.
    EXPECT_EQ(taps->delivered.size(), 1u);
    EXPECT_EQ(second.getSize(), Size(300, 200));
    EXPECT_EQ(second.getPreviousSize(), Size(320, 240));
    EXPECT_EQ(first.getSize(), Size(300, 200)) << "the first window takes the second one's event too";

    // Every call on the stale handle is harmless.
    first.show(false);
    first.setTitle("gone");
    EXPECT_EQ(first.getTitle(), "");
    first.resize(100, 100);
    first.alert();
    first.setFullscreen(true);
    EXPECT_TRUE(first.update());
    first.deinitialize();
    dispatch();
    EXPECT_EQ(first.getSize(), Size(1024, 768)) << "the outer size it set stays: no rectangle to read";
    EXPECT_EQ(second.getSize(), Size(300, 200));
    EXPECT_NE(Platform::GetSDLWindow(second.getHWnd()), nullptr);
}

TEST_F(WindowLife, EveryWindowTakesEveryResizeEvent)
{
    Window& first = openWindow({640, 480});
    Window& second = openWindow({200, 100}, otherInstance());
    ASSERT_NE(second.getHWnd(), nullptr);
    dispatch(); // both init events reach both windows; the second one's rectangle is read last
    EXPECT_EQ(first.getSize(), Size(200, 100));
    EXPECT_EQ(second.getSize(), Size(200, 100));
    EXPECT_EQ(first.getPreviousSize(), Size(640, 480));
}

TEST_F(WindowLife, DestructionUnregistersTheClassAndEndsTheListeners)
{
    {
        Window window(processInstance(), {640, 480}, nullptr);
        window.init("scoped", LauncherStyle, SW_SHOWNORMAL);
        ASSERT_NE(window.getHWnd(), nullptr);
    }
    dispatch(); // the queued resize names a destroyed window and a gone listener
    Window& next = openWindow();
    EXPECT_NE(next.getHWnd(), nullptr);
}

TEST_F(WindowLife, AWindowInitialisedAgainInFullScreenUsesTheDesktop)
{
    Window& window = openWindow({640, 480});
    window.setFullscreen(true);
    window.deinitialize();
    window.init("again", LauncherStyle, SW_SHOWNORMAL);
    ASSERT_NE(window.getHWnd(), nullptr);
    EXPECT_TRUE(window.isFullscreen());
    EXPECT_EQ(Platform::Test::getWindowLong(window.getHWnd(), GWL_EXSTYLE),
              static_cast<LONG>(WS_EX_APPWINDOW));
    EXPECT_NE(SDL_GetWindowFlags(Platform::GetSDLWindow(window.getHWnd())) & SDL_WINDOW_FULLSCREEN_DESKTOP,
              0u);
    window.update();
    dispatch();
    EXPECT_EQ(window.getSize(), Size(1024, 768));
    window.setFullscreen(false);
    window.update();
    dispatch();
    EXPECT_EQ(window.getSize(), Size(640, 480)) << "the rectangle saved before the first switch";
}

TEST_F(WindowLife, ResizeEventsOfUnknownWindowsOrOtherKindsChangeNothing)
{
    Window& window = openWindow({640, 480});
    dispatch();
    auto& events = Orva::EventManager::getInstance();
    const auto code = Orva::EventNameDetails::EventToHash(Orva::WindowResizeEventName);
    events.queueEvent(code, Orva::WindowResizeEvent{0, 0, reinterpret_cast<HWND>(0x7FFFFFFF)});
    events.queueEvent(code, Orva::BaseEvent{});
    dispatch();
    EXPECT_EQ(window.getSize(), Size(640, 480));
    EXPECT_EQ(window.getPreviousSize(), Size(640, 480));
}

TEST_F(WindowLife, CursorCountsAndTitles)
{
    Window& window = openWindow();
    EXPECT_FALSE(window.isCursorHidden());
    window.hideCursor();
    EXPECT_EQ(Platform::Test::cursorCount(), -1);
    EXPECT_TRUE(window.isCursorHidden());
    window.showCursor();
    EXPECT_EQ(Platform::Test::cursorCount(), 1);
    EXPECT_FALSE(window.isCursorHidden());

    const std::string title(300, 't');
    window.setTitle(title);
    EXPECT_EQ(window.getTitle(), title.substr(0, 259));
}

TEST_F(WindowLife, TheIconComesFromTheResourceDirectory)
{
    using namespace ImageBytes;
    Window& window = openWindow();
    const std::string directory = ::testing::TempDir();
    const std::string name = "orva_window_icon_" + std::to_string(::getpid()) + ".ico";
    const Pixels pixels = pattern(16, 16);
    ASSERT_TRUE(writeFile(directory + name, ico({{16, 16, 32, iconBitmap(pixels, 32)}})));
    const std::string previousDirectory = Orva::Resources::ResourceManager::getResourceDirectory();
    Orva::Resources::ResourceManager::setResourceDirectory(directory);

    const auto currentIcon = [&window] {
        // WM_SETICON hands back the icon it replaces; put it straight back.
        const auto icon =
            reinterpret_cast<HICON>(Platform::Test::sendMessage(window.getHWnd(), WM_SETICON, ICON_BIG, 0));
        Platform::Test::sendMessage(window.getHWnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        return icon;
    };
    window.setIcon(name);
    const HICON first = currentIcon();
    const Platform::IconImage* image = Platform::GetIconImage(first);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->rgba, pixels.rgba);

    window.setIcon("missing.ico");
    EXPECT_EQ(currentIcon(), first) << "a file that does not load leaves the icon";
    window.setIcon(name);
    EXPECT_NE(currentIcon(), first);
    EXPECT_EQ(Platform::GetIconImage(first), nullptr) << "the replaced icon is released";

    Orva::Resources::ResourceManager::setResourceDirectory(previousDirectory);
    std::remove((directory + name).c_str());
}

} // namespace
