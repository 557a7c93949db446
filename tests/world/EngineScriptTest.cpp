#include <gtest/gtest.h>
#include <lua.hpp>

#include <string>

#include "EngineFixture.h"
#include "core/Vector.h"
#include "graphics/FontManager.h"
#include "graphics/Layer.h"
#include "graphics/Renderer.h"
#include "window/Window.h"
#include "world/LuaScriptManager.h"

namespace {

using Orva::Engine;

// The engine with a window lent to it; the window itself is never opened, since the
// renderer at this stage makes no context.
class EngineWithWindowTest : public EngineTest
{
protected:
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

    Orva::Window window{nullptr, Orva::Math::Vector2D<unsigned>(640, 480), nullptr};
};

} // namespace

TEST_F(EngineWithWindowTest, ScriptInterfaceWaitsForTheRenderer)
{
    engine().initializeScriptEngine();
    EXPECT_EQ(globalType("engine"), LUA_TNIL);
    EXPECT_EQ(globalType("Core"), LUA_TNIL);

    Orva::Graphics::Renderer& renderer = engine().createRenderer(window);
    EXPECT_EQ(engine().getRenderer(), &renderer);
    EXPECT_EQ(engine().getWindow(), &window);
    EXPECT_EQ(renderer.getWindow(), &window);
    EXPECT_TRUE(Orva::Graphics::FontManager::hasInstance());
    EXPECT_EQ(&engine().createRenderer(window), &renderer);

    engine().initializeScriptEngine();
    EXPECT_EQ(globalType("engine"), LUA_TUSERDATA);
    exec("assert(engine.timeScale == 1)");
}

TEST_F(EngineWithWindowTest, ScriptTimeScaleChangesTheNextFramesSteps)
{
    engine().createRenderer(window);
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
    engine().createRenderer(window);
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
    Orva::Graphics::Renderer& renderer = engine().createRenderer(window);
    const Orva::Graphics::Layer& layer = *renderer.getViewport().getLayer("default");
    engine().timeScale = 0.25f;
    runFrames(6, 0.2f);
    EXPECT_EQ(layer.getSortCount(), 0u);
    runFrames(1, 0.2f);
    EXPECT_EQ(layer.getSortCount(), 1u);
    engine().timeScale = 4.0f;
    runFrames(7, 0.001f);
    EXPECT_EQ(layer.getSortCount(), 2u);
}
