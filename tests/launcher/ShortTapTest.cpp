#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

#include "GameFixture.h"
#include "SampleRules.h"
#include "window/InputKeys.h"
#include "window/InputManager.h"
#include "world/GameStateManager.h"

// Taps shorter than a frame: the sample's demo with a recorded Start tap of 1 ms and every
// frame stretched to 300 ms, then a live tap whose press and release reach the window
// between two input updates.

namespace {

using Orva::InputKeys;
using ShortTapTest = GameTest;

TEST_F(ShortTapTest, TapsShorterThanAFrameAreTappedOnceAndReleasedAtTheNextUpdate)
{
    std::ifstream level(resources() / "data" / "demo_level.txt");
    const SampleRules::Outcome expected = SampleRules::play(SampleRules::pressesOf(level));
    // Main's Start is released 1 ms after its press: both fall due in one update, and the
    // stage change at the press leaves Enter down in the replay the level starts at once.
    writeFile(resources() / "data" / "demo_main.txt", "82 1 1.0\n82 0 1.001\n");
    setenv("DEMO_AUTOPLAY", "1", 1);
    ASSERT_EQ(startUp(), 0);
    unsetenv("DEMO_AUTOPLAY");
    Orva::Debug::FramerateProfiler::supplyTime(Orva::Engine::FrameSection, 0.3f);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    engine().run([&] { return std::chrono::steady_clock::now() < deadline && Orva::Launcher::runFrame(); });
    ASSERT_TRUE(engine().isQuitting())
        << "the demo stalled in " << Orva::GameStateManager::getInstance().getCurrentStateName();

    // A live tap: down and up between two updates; at message time the key is up again. The
    // end stage's Start listener hears it and logs the score once more.
    Orva::InputManager& input = Orva::InputManager::getInstance();
    input.stopUsingTrackingData();
    Orva::InputManager::update(0.016f);
    ASSERT_TRUE(input.isButtonReleased(InputKeys::ORVA_ENTER))
        << "the replay's Enter goes back to the keyboard";
    post(WM_KEYDOWN, VK_RETURN);
    post(WM_KEYUP, VK_RETURN);
    window().update();
    EXPECT_EQ(Orva::WindowKeyStates[InputKeys::ORVA_ENTER], 0);
    Orva::InputManager::update(0.016f);
    EXPECT_TRUE(input.isButtonTapped(InputKeys::ORVA_ENTER));
    Orva::InputManager::update(0.016f);
    EXPECT_TRUE(input.isButtonReleased(InputKeys::ORVA_ENTER));
    Orva::InputManager::update(0.016f);
    EXPECT_TRUE(input.isButtonUp(InputKeys::ORVA_ENTER));

    EXPECT_EQ(Orva::Launcher::shutDown(), 0);
    const std::string score = std::to_string(expected.score);
    const std::string scoreLine = "Game: score " + score + ", best " + score;
    expectLog({"Game: Main", "Game: Level", "Game: End", scoreLine, scoreLine});
}

} // namespace
