#include <lua.hpp>

#include <memory>

#include "InputFixture.h"
#include "luabridge/LuaBridge.h"
#include "world/LuaScriptComponent.h"
#include "world/LuaScriptManager.h"

// The script-facing members: listeners that are a script instance's Lua functions.

namespace {

using namespace Orva;

class InputScripts : public InputTest
{
protected:
    void SetUp() override
    {
        InputTest::SetUp();
        L = LuaScriptManager::createInstance().getLuaState();
        run("calls = {} function onJump(self) calls[#calls + 1] = self.id end");
    }

    // Script listeners hold references into the state: they go before it does.
    void TearDown() override
    {
        InputManager::destroyInstance();
        EventManager::destroyInstance();
        LuaScriptManager::destroyInstance();
        InputTest::TearDown();
    }

    void run(const char* code)
    {
        if (luaL_dostring(L, code) != LUA_OK) {
            ADD_FAILURE() << lua_tostring(L, -1);
            lua_pop(L, 1);
        }
    }

    int callCount()
    {
        lua_getglobal(L, "calls");
        const auto count = static_cast<int>(luaL_len(L, -1));
        lua_pop(L, 1);
        return count;
    }

    void prepare(LuaScriptComponent& component, const char* id)
    {
        component.luaObject = luabridge::LuaRef::newTable(L);
        component.luaObject["id"] = id;
    }

    lua_State* L = nullptr;
};

TEST_F(InputScripts, AScriptListensByActionNameOrCodeAndStops)
{
    LuaScriptComponent component;
    prepare(component, "hero");
    input().tieKeyToAction(InputKeys::ORVA_SPACE, "Jump");
    input().listenToInputFromScript(&component, "Jump", ButtonTapped, "onJump");
    input().listenToInputCodeFromScript(&component, EventNameDetails::EventToHash("Jump"), ButtonReleased,
                                        "onJump");
    input().listenToInputFromScript(&component, "Jump", NONE, "onJump"); // never called
    press(InputKeys::ORVA_SPACE);
    frames();
    EXPECT_EQ(callCount(), 1);
    lua_getglobal(L, "calls");
    lua_rawgeti(L, -1, 1);
    EXPECT_STREQ(lua_tostring(L, -1), "hero") << "called with its script instance";
    lua_pop(L, 2);

    input().stopListeningFromScript(&component, "Jump", ButtonTapped);
    release(InputKeys::ORVA_SPACE);
    frames();
    EXPECT_EQ(callCount(), 2) << "the released listener stays";
    press(InputKeys::ORVA_SPACE);
    frames();
    EXPECT_EQ(callCount(), 2) << "the tapped one is gone";
    EXPECT_EQ(component.getEventCallbackObject().subscriptions().size(), 2u);
}

TEST_F(InputScripts, AScriptComponentThatGoesTakesItsListenersAlong)
{
    auto component = std::make_unique<LuaScriptComponent>();
    prepare(*component, "temp");
    input().tieKeyToAction(InputKeys::ORVA_SPACE, "Jump");
    input().listenToInputFromScript(component.get(), "Jump", ButtonUp, "onJump");
    frames();
    component.reset();
    frames(3);
    EXPECT_EQ(callCount(), 1);
}

} // namespace
