#include <gtest/gtest.h>
#include <lua.hpp>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "EngineFixture.h"
#include "core/Vector.h"
#include "graphics/BaseSpriteComponent.h"
#include "graphics/FontManager.h"
#include "graphics/Layer.h"
#include "graphics/Renderer.h"
#include "graphics/Viewport.h"
#include "luabridge/Userdata.h"
#include "platform/Platform.h"
#include "window/Window.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/LuaScriptManager.h"
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
        Orva::Graphics::FontManager::destroyInstance();
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

// The script interface in registration order, as "name member" pairs: the step globals (with
// "window"), then every class in its namespace ("-" while a class is registered by its name
// only), then namespace variables and constants.
const char* const ScriptGlobals = R"(
    luaScript getGlobalTable  actions attachActionSet  gameObjects find  globals addLuaTable  engine exit
    events pushEvent  input keyToString  physics setCollisionGroupName  resources getLoadPercentage
    gameState currentState  sets createWithPos3D
    audio playSFX  analytic enableAll  graphics getViewport  textures load  window -)";
const char* const ScriptClasses = R"(
    Core.LuaScriptManager clearGlobalTables  Math.Vector2f dot  Math.Vector2i lengthSq  Math.Vector2u make
    Math.Vector3f cross  Math.Vector3i makeFromVector2D  Math.Vector3u pushZ  Math.Utils clampInt
    Actions.Tween sineInOutPercent  Actions.ActionBase IsDone  Actions.ActionComplex cubicInOutByVector3f
    Actions.ActionGroup destroyOneAction  Actions.ActionSequence repeatAlways  Actions.ActionDelay -
    Actions.ActionSetManager destroyAllActionsInScene
    Core.BaseComponent componentID  Core.LuaScriptComponent unpause  Core.TransformComponent getWorldScale
    Graphics.BaseSpriteComponent -  Graphics.SpriteComponent pushCurrFrame  Graphics.SpriteFontComponent setAlignment
    Graphics.ParticleEmitterComponent Emitter  Graphics.ParticleEmitter removeColor
    Audio.AudioComponent audioGroup  Physics.BaseCollider setCollisionGroup  Physics.BoxCollider Size
    Physics.CircleCollider Radius  Physics.AABBCollider checkPointIsWithin  Physics.RigidBody Restitution
    Actions.ActionComponent createActionSequence
    Core.GameObject getChildByIndex  Core.GameObjectManager destroyNowName  Core.GlobalManager getVector3u
    Graphics.Window hideCursor  Core.Engine timeScale  Graphics.Renderer setClearColor  Graphics.Layer forceSort
    Graphics.Viewport worldToNormalizedScreenPosition  Graphics.ShaderValue vec2  Graphics.ObjectShader setUniform3i
    Graphics.FrameShader updateVect3f  Graphics.Color setAlpha
    Core.BaseEvent EventHashCode  Core.LuaEvent ScriptComponent  Core.CollisionEvent OtherCollider
    Core.EventManager listenToEventCode  Input.InputManager getControllerRightTriggerDelta
    Physics.PhysicsWorld listenToCollisionExit
    Resources.ResourceManager setDirectory  Core.TextureManager setPersistantTexture
    Core.GameStateManager changeStateNextFrame  Core.SetManager create
    Core.AudioManager destroyAllGroups  Audio.AudioChannel setPan  Audio.AudioBaseGroup -
    Audio.AudioEmptyGroup -  Audio.AudioGroup setDSPValue  Core.DataAnalyticManager clearLevelData)";
const char* const ScriptVariables = R"(
    Graphics ObjectUnitSize  Graphics FrameShader_PREVIOUS  Graphics FrameShader_SCREEN  ButtonState ButtonTapped
    Keys ORVA_F6)";

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
    luabridge::setGlobal(state(), ScriptGlobals, "expectedGlobals");
    luabridge::setGlobal(state(), ScriptClasses, "expectedClasses");
    luabridge::setGlobal(state(), ScriptVariables, "expectedVariables");
    luabridge::setGlobal(state(), int{luabridge::detail::MembersSlot}, "membersSlot");
    luabridge::setGlobal(state(), int{luabridge::detail::StaticsSlot}, "staticsSlot");
    // A class's members live in its metatable, the registry's table that holds its class table.
    exec(R"lua(
        for global, member in expectedGlobals:gmatch("(%S+) (%S+)") do
            assert(type(_G[global]) == "userdata" and (member == "-" or _G[global][member] ~= nil), global)
        end
        local members = {}
        for _, metatable in pairs(debug.getregistry()) do
            if type(metatable) == "table" and type(rawget(metatable, staticsSlot)) == "table" then
                members[rawget(metatable, staticsSlot)] = rawget(metatable, membersSlot)
            end
        end
        for name, member in expectedClasses:gmatch("(%S+) (%S+)") do
            local class = load("return " .. name)()
            assert(type(class) == "table" and members[class], name)
            assert(member == "-" or members[class][member] ~= nil or class[member] ~= nil, name .. "." .. member)
        end
        for table, variable in expectedVariables:gmatch("(%S+) (%S+)") do
            assert(math.type(_G[table][variable]) ~= nil, table .. "." .. variable)
        end)lua");
}
