#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "GameFixture.h"
#include "PlayReport.h"
#include "SampleRules.h"
#include "actions/ActionComponent.h"
#include "actions/ActionSetManager.h"
#include "audio/AudioGroup.h"
#include "audio/AudioManager.h"
#include "core/EventManager.h"
#include "core/GlobalManager.h"
#include "graphics/AnimationManager.h"
#include "graphics/FontManager.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/SpriteComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "graphics/TextureManager.h"
#include "physics/PhysicsWorld.h"
#include "platform/SdlEventPush.h"
#include "window/InputManager.h"
#include "world/DataAnalyticManager.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/GameStateManager.h"
#include "world/GlobalComponentManager.h"
#include "world/LuaScriptManager.h"
#include "world/ResourceManager.h"
#include "world/SetManager.h"
#include "world/TransformComponent.h"

// The sample game played through in the test process from the test's own input: the A button
// of an SDL virtual pad starts it, arrow keys (SDL key events) walk the level, Enter ends it.
// The loader keeps its own pace, so input waits for game conditions, never for frame numbers.
// Expected values follow from the game's rules (SampleRules.h) and these taps.

namespace {

using Keys = Orva::InputKeys;
const std::vector<unsigned> Walk{Keys::ORVA_ARROW_RIGHT, Keys::ORVA_ARROW_RIGHT, Keys::ORVA_ARROW_UP,
                                 Keys::ORVA_ARROW_UP,    Keys::ORVA_ARROW_RIGHT, Keys::ORVA_ARROW_RIGHT,
                                 Keys::ORVA_ARROW_RIGHT, Keys::ORVA_ARROW_RIGHT, Keys::ORVA_ARROW_UP,
                                 Keys::ORVA_ARROW_UP};

template <class Component> Component* componentOf(const char* object)
{
    Orva::GameObject* found = Orva::GameObjectManager::getInstance().find(object);
    return found ? found->getComponent<Component>() : nullptr;
}

bool inState(const char* name)
{
    return Orva::GameStateManager::getInstance().getCurrentStateName() == name;
}

// As SDL reports a pad plugged in before the game starts.
struct VirtualPad
{
    VirtualPad()
    {
        SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
        SDL_VirtualJoystickDesc description{};
        description.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        description.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        description.naxes = SDL_CONTROLLER_AXIS_MAX;
        description.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        device = SDL_JoystickAttachVirtualEx(&description);
        joystick = SDL_JoystickOpen(device);
    }
    ~VirtualPad()
    {
        SDL_JoystickClose(joystick);
        SDL_JoystickDetachVirtual(device);
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
    void setA(bool down) { SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, down); }

    int device = -1;
    SDL_Joystick* joystick = nullptr;
};

class WholeGameTest : public GameTest
{
protected:
    static void pushKey(unsigned key, bool down)
    {
        const Uint32 id = SDL_GetWindowID(Orva::Platform::GetSDLWindow(window().getHWnd()));
        const SDL_Scancode code = key == Keys::ORVA_ARROW_RIGHT ? SDL_SCANCODE_RIGHT
                                  : key == Keys::ORVA_ARROW_UP  ? SDL_SCANCODE_UP
                                                                : SDL_SCANCODE_RETURN;
        SdlEventPush::key(id, code, SDL_GetKeyFromScancode(code), 0, down);
    }

    // Everything Engine::destroy does before it destroys the memory pools, in its order, with
    // the window's subscriptions (kept in the pools) withdrawn first; then the pools' report.
    static std::string memoryLeftAtShutDown()
    {
        using Orva::detail::destroyManagerReporting;
        window().getEventCallbackObject().clearEvents();
        destroyManagerReporting<Orva::SetManager>();
        destroyManagerReporting<Orva::GameStateManager>();
        destroyManagerReporting<Orva::Graphics::AnimationManager>();
        destroyManagerReporting<Orva::GameObjectManager>();
        destroyManagerReporting<Orva::GlobalComponentManager>();
        destroyManagerReporting<Orva::Graphics::FontManager>();
        destroyManagerReporting<Orva::Graphics::Renderer>();
        destroyManagerReporting<Orva::Physics::PhysicsWorld>();
        destroyManagerReporting<Orva::GlobalManager>();
        destroyManagerReporting<Orva::Analytic::DataAnalyticManager>();
        destroyManagerReporting<Orva::Actions::ActionSetManager>();
        destroyManagerReporting<Orva::Audio::AudioManager>();
        destroyManagerReporting<Orva::Graphics::TextureManager>();
        destroyManagerReporting<Orva::Resources::ResourceManager>();
        Orva::LuaScriptManager::getInstance().getEventCallbackObject().clearEvents();
        destroyManagerReporting<Orva::EventManager>();
        destroyManagerReporting<Orva::InputManager>();
        destroyManagerReporting<Orva::LuaScriptManager>();
        std::ostringstream dump;
        Orva::MemoryPoolManager::MemoryDump(dump);
        return dump.str();
    }

    const std::string rule_ = std::string(47, '=') + "\n";
    const std::string freshPoolReport_ =
        rule_ + "Memory manager printing list of objects that are not yet freed.\n" +
        "Memory manager printing list of memory that are not yet freed.\n" + "End of memory dump\n" + rule_;
};

TEST_F(WholeGameTest, ThePadStartsItTheKeysWalkTheLevelAndTheEndKeepsScoreAndReport)
{
    const SampleRules::Outcome expected = SampleRules::play(Walk);
    ASSERT_TRUE(expected.reachedExit) << "the walk has to end the level";
    VirtualPad pad;
    ASSERT_NE(pad.joystick, nullptr) << SDL_GetError();
    testing::internal::CaptureStderr();
    ASSERT_EQ(startUp(), 0);

    ASSERT_TRUE(runFramesUntil(
        [] { return inState("Main") && Orva::InputManager::getInstance().isControllerConnected(0); }));
    pad.setA(true);
    ASSERT_TRUE(runFramesUntil([] { return inState("Level"); }));
    pad.setA(false);
    Orva::Audio::AudioManager& audio = Orva::Audio::AudioManager::getInstance();
    ASSERT_TRUE(runFramesUntil([&] {
        return Orva::Resources::ResourceManager::getInstance().isDone() && audio.getGroup("bgm")->isPlaying();
    })) << "the level's sounds load and its music starts";
    // The exit, the atlas's pure green block, stands on its tile, (3, 2) in the world.
    EXPECT_EQ(drawnFrame().pixel(320 + 3 * 64 + 8, 240 - 2 * 64 + 8), (Rgb{0, 255, 0}));

    // What the level shows while it is played, looked at after every frame.
    std::set<std::string> playing;
    std::size_t sparks = 0;
    std::set<int> walkFrames;
    std::string scoreLine;
    bool wobbled = false;
    const auto look = [&] {
        for (const char* group : {"bgm", "ambience", "sfx", "Player"}) {
            if (audio.getGroup(group) != nullptr && audio.getGroup(group)->isPlaying()) {
                playing.insert(group);
            }
        }
        if (const auto* torch = componentOf<Orva::Graphics::ParticleEmitterComponent>("Torch")) {
            sparks = std::max(sparks, torch->get()->getLiveParticles().size());
        }
        // "walk" is the sheet's second row.
        if (const auto* sheet = componentOf<Orva::Graphics::SpriteComponent>("Player");
            sheet && sheet->getCurrentAnimation() == "walk" && sheet->getRow() == 1.0f) {
            walkFrames.insert(sheet->getAnimationFrame());
        }
        if (const auto* hud = componentOf<Orva::Graphics::SpriteFontComponent>("Hud")) {
            scoreLine = hud->getText();
            wobbled = wobbled || hud->getOwner()->getTransform()->getLocalRotationRad() != 0.0f;
        }
    };
    for (const unsigned key : Walk) {
        for (const bool down : {true, false}) {
            pushKey(key, down);
            ASSERT_TRUE(runFramesUntil([&] {
                look();
                return Orva::InputManager::getInstance().isButtonDown(static_cast<unsigned char>(key)) ==
                       down;
            }));
        }
    }
    ASSERT_TRUE(runFramesUntil([&] {
        look();
        return inState("End");
    }));
    EXPECT_EQ(playing, (std::set<std::string>{"Player", "ambience", "bgm", "sfx"}));
    EXPECT_GT(sparks, 0u);
    EXPECT_GT(walkFrames.size(), 1u) << "the sheet walks along its row while the player moves";
    const std::string score = std::to_string(expected.score);
    EXPECT_EQ(scoreLine, "Score " + score);
    EXPECT_TRUE(wobbled) << "the score line's scripted sequence turns it";

    // The trophy's action set, once done, leaves it exactly twice its size, turned by 0.5.
    ASSERT_TRUE(runFramesUntil([] {
        const auto* actions = componentOf<Orva::Actions::ActionComponent>("Trophy");
        return actions != nullptr && actions->getActions().empty();
    }));
    Orva::TransformComponent& trophy = *componentOf<Orva::TransformComponent>("Trophy");
    EXPECT_EQ(trophy.getLocalScale(), (Orva::Math::Vector3D<float>{2, 2, 1}));
    EXPECT_EQ(trophy.getLocalRotationRad(), 0.5f);

    ASSERT_TRUE(runFramesUntil([&] {
        return componentOf<Orva::Graphics::SpriteFontComponent>("Results")->getText() ==
               "Score " + score + "   Best " + score;
    }));
    pushKey(Keys::ORVA_ENTER, true);
    EXPECT_FALSE(runFrames(600)) << "Enter at the end quits";

    Orva::GlobalManager& globals = Orva::GlobalManager::getInstance();
    EXPECT_EQ(SampleRules::Tile(globals.get<int>("col"), globals.get<int>("row")), expected.end);
    EXPECT_EQ(globals.get<int>("coinEnters"), expected.score) << "one touch a coin";
    EXPECT_EQ(globals.get<int>("score"), expected.score);
    EXPECT_EQ(memoryLeftAtShutDown(), freshPoolReport_);
    EXPECT_EQ(Orva::Launcher::shutDown(), 0);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors.find("Lua Script Error"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("Exception thrown"), std::string::npos) << errors;
    EXPECT_FALSE(std::filesystem::exists(bin() / "error.txt"));
    expectLog({"Game: Main", "Game: Level", "Game: End", "Game: score " + score + ", best " + score});
    EXPECT_EQ(readFile(logFolder() / "best.txt"), score);

    tinyxml2::XMLDocument report;
    ASSERT_EQ(report.LoadFile((bin() / "report.oad").c_str()), tinyxml2::XML_SUCCESS);
    const auto number = [&](const char* section, const char* key, const std::string& value,
                            const char* name) {
        return static_cast<int>(reportedNumber(report, section, key, value, name));
    };
    EXPECT_EQ(number("customint", "name", "score", "value"), expected.score);
    EXPECT_EQ(number("level", "value", "Level", "loadCount"), 1);
    EXPECT_EQ(number("level", "value", "End", "loadCount"), 1);
    EXPECT_EQ(number("event", "event", "Coin", "pushCount"), expected.score);
    EXPECT_EQ(number("event", "event", "Coin", "sendCount"), expected.score);
    for (const unsigned key : {Keys::ORVA_ARROW_RIGHT, Keys::ORVA_ARROW_UP}) {
        EXPECT_EQ(number("input", "value", std::to_string(key), "tapped"),
                  std::count(Walk.begin(), Walk.end(), key));
    }
    EXPECT_EQ(number("input", "value", std::to_string(Keys::ORVA_ENTER), "tapped"), 1);
    EXPECT_EQ(number("input", "value", std::to_string(Keys::ORVA_CONTROLLER1_A), "tapped"), 1);
    for (const char* file : {"/player.png", "/music.wav", "/wind.wav", "/step.wav", "/coin.wav"}) {
        EXPECT_EQ(number("resource", "value", file, "loaded"), 1) << file;
    }
    EXPECT_EQ(readFile(bin() / "report.oad").find("<perf"), std::string::npos) << "every frame took 1/60 s";
}

TEST_F(WholeGameTest, APooledObjectLeftAtShutDownIsInThePoolsReport)
{
    ASSERT_EQ(startUp(), 0);
    ASSERT_TRUE(runFramesUntil([] { return inState("Main"); }));
    auto* left = new Orva::GameState;
    const std::string report = memoryLeftAtShutDown();
    EXPECT_NE(report.find("\tOrva::GameState has : 1 number of intance(s) not freed.\n"), std::string::npos)
        << report;
    delete left;
}

} // namespace
