#include <cstdlib>

#include "WindowFixture.h"

// The window under a real X server (a virtual one in CI), where full screen goes through
// the server's own size changes.

namespace {

class WindowDisplay : public WindowTest
{
protected:
    void SetUp() override
    {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "no X display";
        WindowTest::SetUp();
    }
};

TEST_F(WindowDisplay, FullScreenRoundTripRestoresTheWindowedSize)
{
    Orva::Window& window = openWindow({640, 480});
    if (window.getHWnd() == nullptr)
        GTEST_SKIP() << "no X display reachable";
    ASSERT_STREQ(SDL_GetCurrentVideoDriver(), "x11");
    window.update();
    dispatch();
    window.setFullscreen(true);
    window.update();
    dispatch();
    window.setFullscreen(false);
    window.update();
    dispatch();
    EXPECT_FALSE(window.isFullscreen());
    EXPECT_EQ(window.getSize(), Size(640, 480));
    EXPECT_EQ(sdlSize(window), std::make_pair(640, 480));
}

} // namespace
