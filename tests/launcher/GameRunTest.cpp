#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "GameFixture.h"
#include "LuaLog.h"
#include "SampleRules.h"
#include "actions/ActionComponent.h"
#include "actions/ActionSetManager.h"
#include "audio/AudioGroup.h"
#include "audio/AudioManager.h"
#include "graphics/FontManager.h"
#include "graphics/SpriteComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "graphics/TestImages.h"
#include "graphics/Texture.h"
#include "platform/AudioOutput.h"
#include "window/InputManager.h"
#include "world/DataAnalyticManager.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/GameStateManager.h"
#include "world/ResourceManager.h"
#include "world/TextureRequests.h"
#include "world/TransformComponent.h"

// Whole games in the test process: the sample to its end with its drawing and its log, the
// project file's colours, a 0 by 0 window, the Lua log's batches, the arguments, and taps
// shorter than a frame.

namespace {

const char* const SampleConfigTail = R"(
    <executable name="Orva Demo"/>
    <resource directory="../resources/"/>
    <icon src=""/>
    <start stage="Main"/>
)";

using GameRunTest = GameTest;
using Keys = Orva::InputKeys;
using Orva::Graphics::SpriteFontComponent;

// Every pixel of the square of `size` pixels whose top-left corner is (left, top).
std::vector<Rgb> square(const Capture& frame, unsigned left, unsigned top, unsigned size)
{
    std::vector<Rgb> pixels;
    for (unsigned y = top; y < top + size; ++y) {
        for (unsigned x = left; x < left + size; ++x) {
            pixels.push_back(frame.pixel(x, y));
        }
    }
    return pixels;
}

TEST_F(GameRunTest, TheSampleRunsUntilItsScriptEndsItAndDrawsItsSprites)
{
    setenv("DEMO_EXIT_AFTER", "60", 1);
    ASSERT_EQ(startUp(), 0);
    runToTheEnd();

    // Sixty updates of 0.016 s moved the object along its circle of radius 2.
    const Orva::GameObject* orbiter = Orva::GameObjectManager::getInstance().find("Orbiter");
    ASSERT_NE(orbiter, nullptr);
    const double time = 60 * static_cast<double>(0.016f);
    EXPECT_NEAR(orbiter->getTransform()->getLocalTranslation().x, 2 * std::cos(time), 1e-5);
    EXPECT_NEAR(orbiter->getTransform()->getLocalTranslation().y, 2 * std::sin(time), 1e-5);
    // Its sheet has four frames at 4 per second: 60 updates of 0.016 s end on the fourth.
    const auto* sheet = orbiter->getComponent<Orva::Graphics::SpriteComponent>();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->getCurrentAnimation(), "spin");
    EXPECT_EQ(sheet->getAnimationFrame(), 3);
    EXPECT_EQ(sheet->getSize(), (Orva::Math::Vector2D<float>{1, 1})) << "one 64-pixel frame of four";
    // Its Init attached the set "pulse", which loops for ever.
    const auto* pulse = orbiter->getComponent<Orva::Actions::ActionComponent>();
    ASSERT_NE(pulse, nullptr);
    ASSERT_EQ(pulse->getActions().size(), 1u);
    EXPECT_FALSE(pulse->getActions().front()->isDone());

    // The button is the atlas rectangle at (64, 32), 32 pixels square, of a magenta image; its
    // object stands at (-3, -2), 64 pixels a unit from the centre of the 640 by 480 window.
    const Capture frame = drawnFrame();
    EXPECT_EQ(frame.pixel(5, 5), (Rgb{51, 102, 153}));
    const Rgb yellow{255, 255, 0};
    EXPECT_EQ(square(frame, 112, 352, 32), std::vector<Rgb>(32 * 32, yellow));
    for (const Rgb around :
         {frame.pixel(111, 360), frame.pixel(144, 360), frame.pixel(120, 351), frame.pixel(120, 384)}) {
        EXPECT_EQ(around, (Rgb{51, 102, 153})) << "the button is 32 pixels square";
    }
    EXPECT_EQ(square(frame, 288, 208, 64), std::vector<Rgb>(64 * 64, (Rgb{0, 255, 0}))) << "the block";
    EXPECT_EQ(square(frame, 496, 96, 32), std::vector<Rgb>(32 * 32, (Rgb{0, 255, 255}))) << "the gem";

    // The centred title at (0, 3): yellow inside the box its glyphs cover, none beside it.
    const auto* title =
        Orva::GameObjectManager::getInstance().find("Title")->getComponent<SpriteFontComponent>();
    ASSERT_NE(title, nullptr);
    Orva::Graphics::FontManager& fonts = Orva::Graphics::FontManager::getInstance();
    fonts.selectFont(title->getFont());
    float left = 640;
    float right = 0;
    float top = 480;
    float bottom = 0;
    for (const auto& glyph :
         fonts.layoutText(title->getText(), {0, 3}, {1, 1}, 0, {-0.5f * title->getLength(), 0})) {
        const float x = 320 + glyph.mvp.m[0][3] * 64;
        const float y = 240 - glyph.mvp.m[1][3] * 64;
        const float halfWidth = glyph.mvp.m[0][0] * 32;
        const float halfHeight = glyph.mvp.m[1][1] * 32;
        left = std::min(left, x - halfWidth);
        right = std::max(right, x + halfWidth);
        top = std::min(top, y - halfHeight);
        bottom = std::max(bottom, y + halfHeight);
    }
    ASSERT_LT(left, right);
    int inside = 0;
    for (unsigned y = static_cast<unsigned>(top); y < static_cast<unsigned>(std::ceil(bottom)); ++y) {
        for (unsigned x = 0; x < 640; ++x) {
            const bool within = x + 1 > left && x < right;
            if (frame.pixel(x, y) == yellow) {
                ++inside;
                EXPECT_TRUE(within) << "yellow at (" << x << ", " << y << ") beside the title";
            }
        }
    }
    EXPECT_GT(inside, 100) << "the title's glyphs";
    // The sparks rise from (-3, 1.5).
    int sparks = 0;
    for (unsigned y = 80; y < 160; ++y) {
        for (unsigned x = 96; x < 160; ++x) {
            sparks += frame.pixel(x, y) == (Rgb{51, 102, 153}) ? 0 : 1;
        }
    }
    EXPECT_GT(sparks, 0) << "the sparks";

    EXPECT_EQ(Orva::Launcher::shutDown(), 0);
    EXPECT_FALSE(Orva::Engine::hasInstance());
    expectLog({"Game: Main", "Game: exit after 60 updates"});
}

TEST_F(GameRunTest, ABackgroundWithOnlyRedIsOpaqueRed)
{
    setenv("DEMO_EXIT_AFTER", "2", 1);
    writeConfig(std::string(R"(<resolution x="320" y="240"/><background r="1"/>)") + SampleConfigTail);
    ASSERT_EQ(startUp(), 0);
    runToTheEnd();
    EXPECT_EQ(drawnPixel(5, 5), (Rgb{255, 0, 0}));
    EXPECT_EQ(drawnPixel(319, 239), (Rgb{255, 0, 0}));
}

TEST_F(GameRunTest, WithoutABackgroundTheGameClearsToWhite)
{
    setenv("DEMO_EXIT_AFTER", "2", 1);
    writeConfig(std::string(R"(<resolution x="320" y="240"/>)") + SampleConfigTail);
    ASSERT_EQ(startUp(), 0);
    runToTheEnd();
    // Beside the block at the centre.
    EXPECT_EQ(drawnPixel(5, 5), (Rgb{255, 255, 255}));
    EXPECT_EQ(drawnPixel(314, 234), (Rgb{255, 255, 255}));
}

TEST_F(GameRunTest, AZeroSizeWindowRunsTheGameToItsEnd)
{
    setenv("DEMO_EXIT_AFTER", "60", 1);
    writeConfig(std::string("<resolution/>") + SampleConfigTail);
    ASSERT_EQ(startUp(), 0);
    EXPECT_EQ(window().getWidth(), 0u);
    EXPECT_EQ(window().getHeight(), 0u);
    runToTheEnd();
    EXPECT_EQ(Orva::Launcher::shutDown(), 0);
    expectLog({"Game: Main", "Game: exit after 60 updates"});
}

TEST_F(GameRunTest, AnEndlessTimeScaleNeitherFreezesTheGameNorLosesItsLog)
{
    writeScrambled("scripts/Demo.lua", R"(
        function InitDemo(self) self.updates = 0 end
        function UpdateDemo(self) self.updates = self.updates + 1
            if self.updates == 3 then engine.timeScale = math.huge end
            if self.updates == 60 then Debug.print("exit at 60") engine:exit() end end
        function DeinitDemo(self) Debug.print("deinit") end function UnloadDemo() end)");
    writeStage({"Demo"});
    ASSERT_EQ(startUp(), 0);
    runToTheEnd();
    EXPECT_EQ(Orva::Launcher::shutDown(), 0);
    expectLog({"exit at 60", "deinit"});
}

TEST_F(GameRunTest, ScriptOutputReachesTheLogInBatchesAndAllOfItByTheEnd)
{
    std::filesystem::remove_all(resources() / "scripts");
    // Thirty lines of ten characters; Lua's own print is not logged.
    writeScrambled("scripts/Chatty.lua", R"(
        function InitChatty(self)
            for i = 1, 30 do
                Debug.print(string.format("line %5d", i))
                print("not logged")
            end
        end
        function UpdateChatty(self) end
        function DeinitChatty(self) end
        function UnloadChatty() end
    )");
    writeStage({"Chatty"});
    ASSERT_EQ(startUp(), 0);
    const std::string logPath = Orva::Launcher::luaLogPath();
    ASSERT_TRUE(runFramesUntil([&] { return linesOf(readFile(logPath)).size() > 1; }));
    // 19 lines are 209 characters, the first time more than 200 wait.
    EXPECT_EQ(linesOf(readFile(logPath)).size(), 1u + 19u);

    post(WM_CLOSE);
    runToTheEnd();
    EXPECT_EQ(Orva::Launcher::shutDown(), 0);
    std::vector<std::string> expected;
    for (int i = 1; i <= 30; ++i) {
        std::string number = std::to_string(i);
        expected.push_back("line " + std::string(5 - number.size(), ' ') + number);
    }
    expectLog(expected);
}

TEST_F(GameRunTest, PreloadReadsEveryAtlasThenLoadsEveryTextureOnceTheContextExists)
{
    // The sample's object set asks for its image too.
    std::filesystem::remove_all(resources() / "data");
    // images/b.png is also a rectangle of the first atlas: read first, the atlas keeps it.
    std::filesystem::create_directories(resources() / "atlas");
    std::filesystem::create_directories(resources() / "images");
    writeFile(resources() / "atlas" / "one.xml", TextureRequests::atlasFile("one.png", "b.png"));
    writeFile(resources() / "atlas" / "two.xml", TextureRequests::atlasFile("two.png"));
    writeFile(resources() / "images" / "a.png", makePng(8, 4, [](unsigned, unsigned) {
                  return Rgb{0, 0, 255};
              }));
    writeConfig(std::string(R"(<resolution x="320" y="240"/>
        <preload>
            <texture src="images/b.png"/><atlas src="atlas/one.xml"/><texture/>
            <texture src="images/a.png"/><atlas src="atlas/two.xml"/>
        </preload>)") +
                SampleConfigTail);
    ASSERT_EQ(startUp(), 0);
    Orva::Graphics::TextureManager& textures = TextureRequests::textures();
    EXPECT_EQ(TextureRequests::atlasImagePaths(),
              (std::vector<std::string>{"images/one.png", "images/two.png"}));
    EXPECT_EQ(TextureRequests::pendingPaths(), std::vector<std::string>{"images/a.png"});
    const Orva::Graphics::Texture* rectangle = textures.getTexture("images/b.png");
    ASSERT_NE(rectangle, nullptr);
    EXPECT_TRUE(rectangle->isAtlas());
    EXPECT_NE(rectangle->getId(), 0u) << "the atlas got its GL name in the context";

    ASSERT_TRUE(runFramesUntil([&] { return textures.getTexture("images/a.png") != nullptr; }));
    const Orva::Graphics::Texture* loaded = textures.getTexture("images/a.png");
    EXPECT_TRUE(loaded->isLoaded());
    EXPECT_NE(loaded->getId(), 0u);
    EXPECT_EQ(loaded->getSize(), (Orva::Math::Vector2D<unsigned>{8, 4}));
    EXPECT_EQ(textures.getTexture("images/b.png"), rectangle);
}

TEST_F(GameRunTest, StartUpStartsTheSoundSystemAndLoadsTheActionSets)
{
    ASSERT_EQ(startUp(), 0);
    EXPECT_EQ(Orva::Platform::Test::lastSoundInit(), (Orva::Platform::Test::SoundInit{36, 0}));
    EXPECT_NE(Orva::Actions::ActionSetManager::getInstance().getActionSet("pulse"), nullptr);
}

// SDL's dummy device consumes the mix in real time, so the chime plays on after the turn.
TEST_F(GameRunTest, TheSampleChimesAfterTheOrbitersFirstTurn)
{
    // 2π seconds of 0.016 s updates end in the 393rd.
    setenv("DEMO_EXIT_AFTER", "394", 1);
    writeConfig(std::string(R"(<resolution x="160" y="120"/>)") + SampleConfigTail);
    ASSERT_EQ(startUp(), 0);
    Orva::Audio::AudioManager& audio = Orva::Audio::AudioManager::getInstance();
    ASSERT_TRUE(audio.getGroup("bgm") && audio.getGroup("ambience") && audio.getGroup("sfx"));
    EXPECT_FALSE(audio.getGroup("sfx")->isPlaying());
    runToTheEnd();
    EXPECT_NE(audio.getSounds().at(Orva::Resources::ResourceManager::getFullPath("sounds/chime.wav")),
              nullptr);
    EXPECT_TRUE(audio.getGroup("sfx")->isPlaying());
    EXPECT_EQ(Orva::Launcher::shutDown(), 0);
    expectLog({"Game: Main", "Game: exit after 394 updates"});
}

TEST_F(GameRunTest, AnyArgumentSwitchesEveryKindOfTrackingOn)
{
    ASSERT_EQ(startUp({""}), 0);
    const auto& analytics = Orva::Analytic::DataAnalyticManager::getInstance();
    EXPECT_FALSE(analytics.isSomethingNotTracked());
    EXPECT_TRUE(analytics.isTrackingEvents());
    EXPECT_EQ(Orva::Launcher::shutDown(), 0);

    ASSERT_EQ(startUp(), 0);
    EXPECT_TRUE(Orva::Analytic::DataAnalyticManager::getInstance().isSomethingNotTracked())
        << "without arguments tracking stays as the engine set it up";
}

// The demo with every frame 300 ms and Main's Start released 1 ms after its press: both
// fall due in one update, and the stage change at the press leaves Enter down in the replay
// the level starts at once. Then a live tap, down and up between two updates, which the end
// stage's Start listener hears and logs the score again.
TEST_F(GameRunTest, TapsShorterThanAFrameAreTappedThenReleasedAtTheNextUpdate)
{
    std::ifstream level(resources() / "data" / "demo_level.txt");
    const std::string score = std::to_string(SampleRules::play(SampleRules::pressesOf(level)).score);
    writeFile(resources() / "data" / "demo_main.txt", "82 1 1.0\n82 0 1.001\n");
    setenv("DEMO_AUTOPLAY", "1", 1);
    ASSERT_EQ(startUp(), 0);
    unsetenv("DEMO_AUTOPLAY");
    Orva::Debug::FramerateProfiler::supplyTime(Orva::Engine::FrameSection, 0.3f);
    const auto deadline = std::chrono::steady_clock::now() + WaitLimit;
    engine().run([&] { return std::chrono::steady_clock::now() < deadline && Orva::Launcher::runFrame(); });
    ASSERT_TRUE(engine().isQuitting())
        << "stalled in " << Orva::GameStateManager::getInstance().getCurrentStateName();

    Orva::InputManager& input = Orva::InputManager::getInstance();
    input.stopUsingTrackingData();
    Orva::InputManager::update(0.016f); // the replay's Enter goes back to the keyboard
    post(WM_KEYDOWN, VK_RETURN);
    post(WM_KEYUP, VK_RETURN);
    window().update();
    EXPECT_EQ(Orva::WindowKeyStates[Keys::ORVA_ENTER], 0) << "up again at message time";
    Orva::InputManager::update(0.016f);
    EXPECT_TRUE(input.isButtonTapped(Keys::ORVA_ENTER));
    Orva::InputManager::update(0.016f);
    EXPECT_TRUE(input.isButtonReleased(Keys::ORVA_ENTER));
    EXPECT_EQ(Orva::Launcher::shutDown(), 0);
    const std::string scoreLine = "Game: score " + score + ", best " + score;
    expectLog({"Game: Main", "Game: Level", "Game: End", scoreLine, scoreLine});
}

} // namespace
