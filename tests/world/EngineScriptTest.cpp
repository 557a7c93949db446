#include <gtest/gtest.h>
#include <lua.hpp>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "EngineFixture.h"
#include "actions/ActionComponent.h"
#include "audio/AudioComponent.h"
#include "core/EventManager.h"
#include "core/GlobalManager.h"
#include "core/MathUtils.h"
#include "core/ScriptEvents.h"
#include "core/Vector.h"
#include "graphics/BaseSpriteComponent.h"
#include "graphics/FontManager.h"
#include "graphics/Layer.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/Renderer.h"
#include "graphics/SpriteComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "graphics/Viewport.h"
#include "physics/AABBCollider.h"
#include "physics/BoxCollider.h"
#include "physics/CircleCollider.h"
#include "physics/RigidBody.h"
#include "platform/Platform.h"
#include "scripting/luabridge/LuaBridge.h"
#include "window/InputManager.h"
#include "window/Window.h"
#include "world/DataAnalyticManager.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/GameStateManager.h"
#include "world/LuaScriptComponent.h"
#include "world/LuaScriptManager.h"
#include "world/ResourceManager.h"
#include "world/SetManager.h"
#include "world/TransformComponent.h"

namespace {

using Orva::Engine;

// The engine with a hidden window lent to it, on which createRenderer makes its context.
// Skips without an X display.
class EngineWithWindowTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "no X display";
        }
        window = std::make_unique<Orva::Window>(GetModuleHandleA(nullptr),
                                                Orva::Math::Vector2D<unsigned>(640, 480), nullptr);
        window->init("engine test", 0x000E0100, SW_HIDE);
        ASSERT_NE(window->getHWnd(), nullptr) << Orva::Platform::LastError();
    }

    // The renderer's GL objects go while the window's context exists; the window's
    // subscriptions live in the engine's memory pools. SDL video stays up, as in the
    // graphics tests, so that leftovers of the X libraries stay attributable.
    void TearDown() override
    {
        Orva::Graphics::Renderer::destroyInstance();
        window.reset();
        EngineTest::TearDown();
    }

    static lua_State* state() { return Orva::LuaScriptManager::getInstance().getLuaState(); }

    static void exec(const std::string& code)
    {
        if (luaL_dostring(state(), code.c_str()) != LUA_OK) {
            ADD_FAILURE() << code << ": " << lua_tostring(state(), -1);
            lua_pop(state(), 1);
        }
    }

    static int globalType(const char* name)
    {
        const int type = lua_getglobal(state(), name);
        lua_pop(state(), 1);
        return type;
    }

    std::unique_ptr<Orva::Window> window;
};

// A drawn component that only has a depth, through its owner.
struct DepthOnlySprite : Orva::Graphics::BaseSpriteComponent
{
    Orva::Graphics::ObjectShader* getShader() override { return nullptr; }
};

Orva::GameObject* ownerAtDepth(float z)
{
    Orva::GameObject* owner = Orva::GameObjectManager::getInstance().create();
    Orva::TransformComponent* transform = owner->addComponent<Orva::TransformComponent>();
    transform->setLocalTranslation({0.0f, 0.0f, z});
    transform->forceUpdate();
    return owner;
}

// Whether T's script class holds the name among its members or its statics.
template <class T> bool classHolds(lua_State* L, const char* name)
{
    const luabridge::detail::StackRestore restore(L);
    luabridge::detail::pushMetatable(L, luabridge::classInfo<T>());
    for (const int slot : {luabridge::detail::MembersSlot, luabridge::detail::StaticsSlot}) {
        lua_rawgeti(L, -1, slot);
        lua_pushstring(L, name);
        if (lua_rawget(L, -2) != LUA_TNIL) {
            return true;
        }
        lua_pop(L, 2);
    }
    return false;
}

// One script class in its namespace, with one member its interface lists; the member is
// null while the class is registered by name only.
struct ClassEntry
{
    const char* scriptName;
    const char* member;
    bool (*holds)(lua_State*, const char*);
};

// The script interface in registration order: its globals with one member each, its classes,
// and its namespace variables and tables of constants. Steps still to come: 5 to 7 (actions,
// "actions"), 14 (the drawing pipeline, "graphics"), 18 ("Physics"."PhysicsWorld",
// "physics"), 20 ("Core"."TextureManager", "textures"), 21 (the frame shader constants), 24
// (audio, "audio"), "Core"."CollisionEvent" at 16 and "Graphics"."ParticleEmitter" at 8.
const std::pair<const char*, const char*> ScriptGlobals[] = {
    {"luaScript", "getGlobalTable"},
    {"gameObjects", "find"},
    {"globals", "addLuaTable"},
    {"engine", "exit"},
    {"events", "pushEvent"},
    {"input", "keyToString"},
    {"resources", "getLoadPercentage"},
    {"gameState", "currentState"},
    {"sets", "createWithPos3D"},
    {"analytic", "enableAll"},
};

using namespace Orva;

const ClassEntry ScriptClasses[] = {
    {"Core.LuaScriptManager", "clearGlobalTables", &classHolds<LuaScriptManager>},
    {"Math.Vector2f", "dot", &classHolds<Math::Vector2D<float>>},
    {"Math.Vector2i", "lengthSq", &classHolds<Math::Vector2D<int>>},
    {"Math.Vector2u", "make", &classHolds<Math::Vector2D<unsigned>>},
    {"Math.Vector3f", "cross", &classHolds<Math::Vector3D<float>>},
    {"Math.Vector3i", "makeFromVector2D", &classHolds<Math::Vector3D<int>>},
    {"Math.Vector3u", "pushZ", &classHolds<Math::Vector3D<unsigned>>},
    {"Math.Utils", "clampInt", &classHolds<Math::Utils>},
    {"Core.BaseComponent", "componentID", &classHolds<BaseComponent>},
    {"Core.LuaScriptComponent", "unpause", &classHolds<LuaScriptComponent>},
    {"Core.TransformComponent", "getWorldScale", &classHolds<TransformComponent>},
    {"Graphics.BaseSpriteComponent", nullptr, &classHolds<Graphics::BaseSpriteComponent>},
    {"Graphics.SpriteComponent", nullptr, &classHolds<Graphics::SpriteComponent>},
    {"Graphics.SpriteFontComponent", nullptr, &classHolds<Graphics::SpriteFontComponent>},
    {"Graphics.ParticleEmitterComponent", nullptr, &classHolds<Graphics::ParticleEmitterComponent>},
    {"Audio.AudioComponent", nullptr, &classHolds<Audio::AudioComponent>},
    {"Physics.BaseCollider", nullptr, &classHolds<Physics::BaseCollider>},
    {"Physics.BoxCollider", nullptr, &classHolds<Physics::BoxCollider>},
    {"Physics.CircleCollider", nullptr, &classHolds<Physics::CircleCollider>},
    {"Physics.AABBCollider", nullptr, &classHolds<Physics::AABBCollider>},
    {"Physics.RigidBody", nullptr, &classHolds<Physics::RigidBody>},
    {"Actions.ActionComponent", nullptr, &classHolds<Actions::ActionComponent>},
    {"Core.GameObject", "getChildByIndex", &classHolds<GameObject>},
    {"Core.GameObjectManager", "destroyNowName", &classHolds<GameObjectManager>},
    {"Core.GlobalManager", "getVector3u", &classHolds<GlobalManager>},
    {"Graphics.Window", nullptr, &classHolds<Window>},
    {"Core.Engine", "timeScale", &classHolds<Engine>},
    {"Core.BaseEvent", "EventHashCode", &classHolds<BaseEvent>},
    {"Core.LuaEvent", "ScriptComponent", &classHolds<LuaEvent>},
    {"Core.EventManager", "listenToEventCode", &classHolds<EventManager>},
    {"Input.InputManager", "getControllerRightTriggerDelta", &classHolds<InputManager>},
    {"Resources.ResourceManager", "setDirectory", &classHolds<Resources::ResourceManager>},
    {"Core.GameStateManager", "changeStateNextFrame", &classHolds<GameStateManager>},
    {"Core.SetManager", "create", &classHolds<SetManager>},
    {"Core.DataAnalyticManager", "clearLevelData", &classHolds<Analytic::DataAnalyticManager>},
};

const char* const ScriptVariables[] = {"Graphics.ObjectUnitSize", "ButtonState.ButtonTapped", "Keys.ORVA_F6"};

} // namespace

TEST_F(EngineWithWindowTest, ScriptInterfaceWaitsForTheRenderer)
{
    engine().initializeScriptEngine();
    EXPECT_EQ(globalType("engine"), LUA_TNIL);
    EXPECT_EQ(globalType("Core"), LUA_TNIL);

    Orva::Graphics::Renderer& renderer = engine().createRenderer(*window);
    EXPECT_EQ(engine().getRenderer(), &renderer);
    EXPECT_EQ(engine().getWindow(), window.get());
    EXPECT_EQ(renderer.getWindow(), window.get());
    EXPECT_TRUE(renderer.isInitialized());
    EXPECT_TRUE(Orva::Graphics::FontManager::hasInstance());
    EXPECT_EQ(&engine().createRenderer(*window), &renderer);

    engine().initializeScriptEngine();
    EXPECT_EQ(globalType("engine"), LUA_TUSERDATA);
    exec("assert(engine.timeScale == 1)");
}

TEST_F(EngineWithWindowTest, ScriptTimeScaleChangesTheNextFramesSteps)
{
    engine().createRenderer(*window);
    engine().initializeScriptEngine();
    runFrames({1.0f / 60.0f});
    exec("engine.timeScale = 0.5");
    EXPECT_EQ(engine().timeScale, 0.5f);
    runFrames(3, 0.05f);
    ASSERT_EQ(pool.steps.size(), 4u);
    EXPECT_EQ(pool.steps[0], 0.016f);
    for (std::size_t step = 1; step < 4; ++step) {
        EXPECT_EQ(pool.steps[step], 0.008f);
    }

    engine().timeScale = 2.0f;
    exec("assert(engine.timeScale == 2)");
}

TEST_F(EngineWithWindowTest, ScriptExitEndsRunBeforeTheNextFrame)
{
    engine().createRenderer(*window);
    engine().initializeScriptEngine();
    EXPECT_EQ(runUntilExit([](int frame) {
                  if (frame == 2) {
                      exec("engine:exit()");
                  }
              }),
              2);
    EXPECT_TRUE(engine().isQuitting());
}

// Layers are re-sorted on frame count, not on game time: every frame adds 0.016 whatever
// its length and the time scale, so the seventh frame is the first to sort.
TEST_F(EngineWithWindowTest, LayersAreResortedEverySeventhFrameWhateverTheTimeScale)
{
    Orva::Graphics::Renderer& renderer = engine().createRenderer(*window);
    Orva::Graphics::Layer& layer = *renderer.getViewport().getLayer("default");
    DepthOnlySprite high;
    DepthOnlySprite low;
    high.owner = ownerAtDepth(2.0f);
    low.owner = ownerAtDepth(1.0f);
    layer.addSprite(&high);
    layer.addSprite(&low);
    const std::vector<Orva::Graphics::BaseSpriteComponent*> unsorted{&high, &low};
    const std::vector<Orva::Graphics::BaseSpriteComponent*> sorted{&low, &high};

    engine().timeScale = 0.25f;
    runFrames(6, 0.2f);
    EXPECT_EQ(layer.getSprites(), unsorted);
    runFrames(1, 0.2f);
    EXPECT_EQ(layer.getSprites(), sorted);

    low.owner->getTransform()->setLocalTranslation({0.0f, 0.0f, 3.0f});
    engine().timeScale = 4.0f;
    runFrames(6, 0.001f);
    EXPECT_EQ(layer.getSprites(), sorted);
    runFrames(1, 0.001f);
    EXPECT_EQ(layer.getSprites(), unsorted);
    layer.removeSprite(&high);
    layer.removeSprite(&low);
}

TEST_F(EngineWithWindowTest, TheScriptInterfaceHoldsEveryStepInItsNamespaces)
{
    engine().createRenderer(*window);
    engine().initializeScriptEngine();
    Orva::LuaScriptManager::getInstance().exportWindowVariable(window.get());

    for (const auto& [global, member] : ScriptGlobals) {
        exec(std::string("assert(type(") + global + ") == 'userdata' and " + global + "." + member +
             " ~= nil)");
    }
    exec("assert(getmetatable(window).__name == 'Window')");
    for (const ClassEntry& entry : ScriptClasses) {
        exec(std::string("assert(type(") + entry.scriptName + ") == 'table', '" + entry.scriptName + "')");
        if (entry.member) {
            EXPECT_TRUE(entry.holds(state(), entry.member)) << entry.scriptName << "." << entry.member;
        }
    }
    for (const char* variable : ScriptVariables) {
        exec(std::string("assert(math.type(") + variable + ") ~= nil, '" + variable + "')");
    }
    EXPECT_EQ(lua_gettop(state()), 0);
}
