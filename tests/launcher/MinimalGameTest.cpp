#include <gtest/gtest.h>

#include "GameFixture.h"
#include "world/GameStateManager.h"
#include "world/ResourceManager.h"

// The smallest game (samples/minimal), as docs/game-folder.md walks through it and the
// README's "Make a game" runs it: played through the program's own start-up and frames.

namespace {

const Rgb Picture{255, 255, 0};

class MinimalGameTest : public GameTest
{
protected:
    MinimalGameTest() : GameTest("minimal") {}
};

TEST_F(MinimalGameTest, ThePictureStandsInTheMiddleMovesWithTheArrowsAndEscapeEnds)
{
    ASSERT_EQ(startUp(), 0);
    ASSERT_TRUE(runFramesUntil([] {
        return Orva::GameStateManager::getInstance().getCurrentStateName() == "Main" &&
               Orva::Resources::ResourceManager::getInstance().isDone();
    }));
    ASSERT_TRUE(runFrames(2));
    // 32 pixels of yellow inside a black rim, on one unit of 64 pixels per world unit.
    EXPECT_EQ(drawnPixel(320, 240), Picture);
    EXPECT_EQ(drawnPixel(306, 240), (Rgb{0, 0, 0}));
    EXPECT_NE(drawnPixel(280, 240), Picture);

    // Half a second of the right arrow: 1.5 units at 3 units a second, about 96 pixels.
    post(WM_KEYDOWN, VK_RIGHT);
    runFrames(30);
    post(WM_KEYUP, VK_RIGHT);
    ASSERT_TRUE(runFrames(2));
    EXPECT_NE(drawnPixel(320, 240), Picture);
    EXPECT_EQ(drawnPixel(416, 240), Picture);

    tapKey(VK_ESCAPE);
    EXPECT_FALSE(runFrames(3)) << "Escape ends the game";
    EXPECT_EQ(Orva::Launcher::shutDown(), 0);
    expectLog({"Hello: Hello"});
}

} // namespace
