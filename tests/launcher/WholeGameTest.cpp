#include <SDL.h>
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "GameFixture.h"
#include "PlayReport.h"
#include "SampleRules.h"
#include "actions/ActionSetManager.h"
#include "audio/AudioGroup.h"
#include "audio/AudioManager.h"
#include "core/EventManager.h"
#include "core/GlobalManager.h"
#include "core/MemoryPoolManager.h"
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

// The sample game played through in the test process from the test's own input: the A button
// of an SDL virtual pad starts it, arrow keys (SDL key events) walk the level, Enter ends it.
// The loader keeps its own pace, so input waits for game conditions, never for frame numbers.
// Expected values follow from the game's rules (SampleRules.h) and these taps.

namespace {

using namespace SampleRules;
using namespace PlayReport;
constexpr unsigned ORVA_ARROW_RIGHT = Orva::InputKeys::ORVA_ARROW_RIGHT;
constexpr unsigned ORVA_ARROW_UP = Orva::InputKeys::ORVA_ARROW_UP;

const std::vector<unsigned> Walk{ORVA_ARROW_RIGHT, ORVA_ARROW_RIGHT, ORVA_ARROW_UP,    ORVA_ARROW_UP,
                                 ORVA_ARROW_RIGHT, ORVA_ARROW_RIGHT, ORVA_ARROW_RIGHT, ORVA_ARROW_RIGHT,
                                 ORVA_ARROW_UP,    ORVA_ARROW_UP};
// The row of "walk" in images/player.xml.
constexpr float WalkRow = 1.0f;

Orva::GameObject* find(const char* name)
{
    return Orva::GameObjectManager::getInstance().find(name);
}

bool inState(const char* name)
{
    return Orva::GameStateManager::getInstance().getCurrentStateName() == name;
}

// What the level shows while it is played, looked at after every frame.
struct LevelWatch
{
    std::set<std::string> playingGroups;
    std::size_t liveParticles = 0;
    std::set<int> walkFrames;
    std::string scoreLine;

    void look()
    {
        Orva::Audio::AudioManager& audio = Orva::Audio::AudioManager::getInstance();
        for (const char* group : {"bgm", "ambience", "sfx", "Player"}) {
            if (audio.getGroup(group) != nullptr && audio.getGroup(group)->isPlaying()) {
                playingGroups.insert(group);
            }
        }
        if (const Orva::GameObject* torch = find("Torch")) {
            const auto* emitter = torch->getComponent<Orva::Graphics::ParticleEmitterComponent>();
            liveParticles = std::max(liveParticles, emitter->get()->getLiveParticles().size());
        }
        if (const Orva::GameObject* player = find("Player")) {
            const auto* sheet = player->getComponent<Orva::Graphics::SpriteComponent>();
            if (sheet->getCurrentAnimation() == "walk" && sheet->getRow() == WalkRow) {
                walkFrames.insert(sheet->getAnimationFrame());
            }
        }
        if (const Orva::GameObject* hud = find("Hud")) {
            scoreLine = hud->getComponent<Orva::Graphics::SpriteFontComponent>()->getText();
        }
    }
};

class WholeGameTest : public GameTest
{
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        // As SDL would report a pad plugged in before the game started.
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
        padSubsystem_ = true;
        SDL_VirtualJoystickDesc description{};
        description.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        description.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        description.naxes = SDL_CONTROLLER_AXIS_MAX;
        description.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        description.name = "Orva test pad";
        padDevice_ = SDL_JoystickAttachVirtualEx(&description);
        ASSERT_GE(padDevice_, 0) << SDL_GetError();
        pad_ = SDL_JoystickOpen(padDevice_);
        ASSERT_NE(pad_, nullptr) << SDL_GetError();
    }

    void TearDown() override
    {
        GameTest::TearDown();
        if (pad_ != nullptr) {
            SDL_JoystickClose(pad_);
        }
        if (padDevice_ >= 0) {
            SDL_JoystickDetachVirtual(padDevice_);
        }
        if (padSubsystem_) {
            SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        }
    }

    void setPadA(bool down) const
    {
        SDL_JoystickSetVirtualButton(pad_, SDL_CONTROLLER_BUTTON_A, down ? SDL_PRESSED : SDL_RELEASED);
    }

    static void pushKey(unsigned key, bool down)
    {
        const Uint32 window = SDL_GetWindowID(Orva::Platform::GetSDLWindow(engine().getWindow()->getHWnd()));
        switch (key) {
        case ORVA_ARROW_RIGHT:
            SdlEventPush::key(window, SDL_SCANCODE_RIGHT, SDLK_RIGHT, 0, down);
            break;
        case ORVA_ARROW_UP:
            SdlEventPush::key(window, SDL_SCANCODE_UP, SDLK_UP, 0, down);
            break;
        default:
            SdlEventPush::key(window, SDL_SCANCODE_RETURN, SDLK_RETURN, 0, down);
            break;
        }
    }

    // Down until the game reads it down, then up until it reads it up; false when the game
    // ended or never read it.
    template <class Look> static bool tapKey(unsigned key, Look look)
    {
        const auto reads = [&](bool down) {
            return [&look, key, down] {
                look();
                return Orva::InputManager::getInstance().isButtonDown(static_cast<unsigned char>(key)) ==
                       down;
            };
        };
        pushKey(key, true);
        if (!runFramesUntil(reads(true))) {
            return false;
        }
        pushKey(key, false);
        return runFramesUntil(reads(false));
    }

    // Frames until the game ends itself; false if it is still running after the limit.
    static bool runUntilTheGameEnds(std::chrono::seconds limit = std::chrono::seconds(10))
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (!runFrames(1)) {
                return true;
            }
        }
        return false;
    }

    // Everything Engine::destroy does before it destroys the memory pools, in its order, with
    // the window's subscriptions (kept in the pools) withdrawn first; then the pools' report.
    static std::string memoryLeftAtShutDown()
    {
        using Orva::detail::destroyManagerReporting;
        engine().getWindow()->getEventCallbackObject().clearEvents();
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

    static std::string freshPoolReport()
    {
        const std::string rule(47, '=');
        return rule + "\nMemory manager printing list of objects that are not yet freed.\n" +
               "Memory manager printing list of memory that are not yet freed.\nEnd of memory dump\n" + rule +
               "\n";
    }

    SDL_Joystick* pad_ = nullptr;
    int padDevice_ = -1;
    bool padSubsystem_ = false;
};

TEST_F(WholeGameTest, ThePadStartsItTheKeysWalkTheLevelAndTheEndKeepsScoreAndReport)
{
    const Outcome expected = play(Walk);
    ASSERT_TRUE(expected.reachedExit) << "the walk has to end the level";
    testing::internal::CaptureStderr();
    ASSERT_EQ(startUp(), 0);

    Orva::InputManager& input = Orva::InputManager::getInstance();
    ASSERT_TRUE(runFramesUntil([&] { return inState("Main") && input.isControllerConnected(0); }));
    setPadA(true);
    ASSERT_TRUE(runFramesUntil([] { return inState("Level"); }));
    setPadA(false);
    ASSERT_TRUE(runFramesUntil([] {
        return Orva::Resources::ResourceManager::getInstance().isDone() &&
               Orva::Audio::AudioManager::getInstance().getGroup("bgm")->isPlaying();
    })) << "the level's sounds load and its music starts";

    // The exit, an atlas rectangle of pure green, stands on its tile.
    const Capture ready = drawnFrame();
    const auto exitX = static_cast<unsigned>(320.0f + 64.0f * worldX(Exit));
    const auto exitY = static_cast<unsigned>(240.0f - 64.0f * worldY(Exit));
    EXPECT_EQ(ready.pixel(exitX + 8, exitY + 8), (Rgb{0, 255, 0}));

    LevelWatch watch;
    const auto look = [&] { watch.look(); };
    for (const unsigned key : Walk) {
        ASSERT_TRUE(tapKey(key, look));
    }
    ASSERT_TRUE(runFramesUntil([&] {
        look();
        return inState("End");
    }));

    EXPECT_EQ(watch.playingGroups, (std::set<std::string>{"Player", "ambience", "bgm", "sfx"}));
    EXPECT_GT(watch.liveParticles, 0u) << "the torch's sparks";
    EXPECT_GT(watch.walkFrames.size(), 1u) << "the sheet walks along its row while the player moves";
    EXPECT_EQ(watch.scoreLine, "Score " + std::to_string(expected.score));

    const std::string endLine =
        "Score " + std::to_string(expected.score) + "   Best " + std::to_string(expected.score);
    ASSERT_TRUE(runFramesUntil([&] {
        return find("Results")->getComponent<Orva::Graphics::SpriteFontComponent>()->getText() == endLine;
    }));
    pushKey(Orva::InputKeys::ORVA_ENTER, true);
    ASSERT_TRUE(runUntilTheGameEnds()) << "Enter at the end quits";

    Orva::GlobalManager& globals = Orva::GlobalManager::getInstance();
    EXPECT_EQ(Tile(globals.get<int>("col"), globals.get<int>("row")), expected.end);
    EXPECT_EQ(globals.get<int>("coinEnters"), expected.score) << "one touch a coin";
    EXPECT_EQ(globals.get<int>("score"), expected.score);

    EXPECT_EQ(memoryLeftAtShutDown(), freshPoolReport());
    EXPECT_EQ(Orva::Launcher::shutDown(), 0);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors.find("Lua Script Error"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("Exception thrown"), std::string::npos) << errors;
    EXPECT_FALSE(std::filesystem::exists(bin() / "error.txt"));
    const std::string score = std::to_string(expected.score);
    expectLog({"Game: Main", "Game: Level", "Game: End", "Game: score " + score + ", best " + score});
    EXPECT_EQ(readFile(documents() / "Quorlin" / "Vaskerel" / "best.txt"), score);

    tinyxml2::XMLDocument report;
    ASSERT_EQ(report.LoadFile((bin() / "report.oad").c_str()), tinyxml2::XML_SUCCESS);
    EXPECT_EQ(number(entry(report, "customint", "name", "score"), "value"),
              static_cast<unsigned>(expected.score));
    for (const char* stage : {"Level", "End"}) {
        EXPECT_EQ(number(entry(report, "level", "value", stage), "loadCount"), 1u) << stage;
    }
    const tinyxml2::XMLElement* coin = entry(report, "event", "event", "Coin");
    EXPECT_EQ(number(coin, "pushCount"), static_cast<unsigned>(expected.score));
    EXPECT_EQ(number(coin, "sendCount"), static_cast<unsigned>(expected.score));
    const auto taps = [](unsigned key) {
        return static_cast<unsigned>(std::count(Walk.begin(), Walk.end(), key));
    };
    const std::pair<unsigned, unsigned> tapped[] = {{ORVA_ARROW_RIGHT, taps(ORVA_ARROW_RIGHT)},
                                                    {ORVA_ARROW_UP, taps(ORVA_ARROW_UP)},
                                                    {Orva::InputKeys::ORVA_ENTER, 1},
                                                    {Orva::InputKeys::ORVA_CONTROLLER1_A, 1}};
    for (const auto& [key, count] : tapped) {
        EXPECT_EQ(number(entry(report, "input", "value", std::to_string(key)), "tapped"), count) << key;
    }
    for (const char* file : {"/player.png", "/music.wav", "/wind.wav", "/step.wav", "/coin.wav"}) {
        EXPECT_NE(entry(report, "resource", "value", file), nullptr) << file;
    }
    EXPECT_FALSE(holdsElement(report.RootElement(), "perf")) << "every frame lasted 1/60 s";
}

TEST_F(WholeGameTest, APooledObjectLeftAtShutDownIsInThePoolsReport)
{
    ASSERT_EQ(startUp(), 0);
    ASSERT_TRUE(runFramesUntil([] { return inState("Main"); }));
    auto* left = new Orva::GameState;
    const std::string report = memoryLeftAtShutDown();
    EXPECT_NE(report.find("\tOrva::GameState has : 1 number of intance(s) not freed.\n"), std::string::npos)
        << report;
    EXPECT_NE(report, freshPoolReport());
    delete left;
    EXPECT_EQ(Orva::Launcher::shutDown(), 0);
}

} // namespace
