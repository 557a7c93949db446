#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "GameFixture.h"
#include "graphics/Viewport.h"
#include "world/GameStateManager.h"

// The launcher's two keys, pressed through the platform layer: F12 switches full screen and
// refocuses the camera, F11 saves a play-data report; neither works before the start stage.

namespace {

class GameKeysTest : public GameTest
{
protected:
    static bool started() { return Orva::GameStateManager::getInstance().getCurrentState() != nullptr; }

    static void runUntilStarted()
    {
        ASSERT_TRUE(runFramesUntil(started)) << "the start stage was never entered";
    }

    static Orva::Math::Vector2D<float> cameraScale()
    {
        return engine().getRenderer()->getViewport().getCameraScale();
    }

    std::filesystem::path report(int number) const
    {
        return bin() / ("play_data" + std::to_string(number) + ".oad");
    }
};

TEST_F(GameKeysTest, F12BeforeTheStartStageChangesNothing)
{
    ASSERT_EQ(startUp(), 0);
    tapKey(VK_F12);
    // The stage files are delivered in the sixth frame at the earliest.
    runFrames(1);
    ASSERT_FALSE(started());
    runUntilStarted();
    runFrames(2);
    EXPECT_FALSE(window().isFullscreen());
}

TEST_F(GameKeysTest, F12TogglesFullScreenAndRefocusesTheCameraAtOnce)
{
    ASSERT_EQ(startUp(), 0);
    runUntilStarted();
    runFrames(1);
    // The stage's camera object spans the 640 by 480 window.
    EXPECT_FLOAT_EQ(cameraScale().x, 1.0f);
    EXPECT_FLOAT_EQ(cameraScale().y, 1.0f);

    tapKey(VK_F12);
    // The camera follows within the frame, before the engine step delivers the resize event.
    runFrameCheckingBeforeTheStep([] {
        ASSERT_TRUE(window().isFullscreen());
        ASSERT_NE(window().getWidth(), 640u);
        EXPECT_FLOAT_EQ(cameraScale().x, static_cast<float>(window().getWidth()) / 640.0f);
        EXPECT_FLOAT_EQ(cameraScale().y, static_cast<float>(window().getHeight()) / 480.0f);
    });

    tapKey(VK_F12);
    runFrames(1);
    EXPECT_FALSE(window().isFullscreen());
}

TEST_F(GameKeysTest, F11WithTrackingSavesNumberedReportsAndClearsTheData)
{
    ASSERT_EQ(startUp({"--track"}), 0);
    tapKey(VK_F11);
    runFrames(1);
    EXPECT_FALSE(std::filesystem::exists(report(0))) << "F11 waits for the start stage too";

    runUntilStarted();
    tapKey(VK_F11);
    runFrames(1);
    ASSERT_TRUE(std::filesystem::exists(report(0)));
    EXPECT_NE(readFile(report(0)).find("<stage value=\"Main\""), std::string::npos) << readFile(report(0));

    tapKey(VK_F11);
    runFrames(1);
    ASSERT_TRUE(std::filesystem::exists(report(1)));
    EXPECT_EQ(readFile(report(1)).find("<stage value=\"Main\""), std::string::npos)
        << "the first save cleared what was collected";
    EXPECT_FALSE(std::filesystem::exists(report(2)));
}

TEST_F(GameKeysTest, F11WithoutTrackingWritesNothing)
{
    // The sample switches every kind of tracking on in its first stage; this one runs none.
    writeStage({});
    ASSERT_EQ(startUp(), 0);
    runUntilStarted();
    tapKey(VK_F11);
    runFrames(2);
    int reports = 0;
    for (const auto& entry : std::filesystem::directory_iterator(bin())) {
        reports += entry.path().extension() == ".oad" ? 1 : 0;
    }
    EXPECT_EQ(reports, 0);
}

} // namespace
