#pragma once

#include <gtest/gtest.h>
#include <lua.hpp>

#include <string>

#include "EventFixture.h"
#include "luabridge/LuaBridge.h"
#include "scripting/ScriptInterface.h"
#include "world/LuaScriptComponent.h"
#include "world/LuaScriptManager.h"

// Adds the script manager to the event fixture, torn down in the engine's order: the event
// manager (which keeps script listeners) before the script manager. Chunks are named
// "@t.lua", so script errors read "t.lua:<line>: ...".
class ScriptEventTest : public EventTest
{
protected:
    void SetUp() override
    {
        EventTest::SetUp();
        L = Orva::LuaScriptManager::createInstance().getLuaState();
    }

    void TearDown() override
    {
        EXPECT_EQ(lua_gettop(L), 0) << "the stack is balanced";
        Orva::EventManager::destroyInstance();
        EXPECT_EQ(luabridge::liveReferenceCount(L), 0u) << "no reference outlives the listeners";
        Orva::LuaScriptManager::destroyInstance();
        EventTest::TearDown();
    }

    void exec(const std::string& code)
    {
        if (luaL_loadbuffer(L, code.data(), code.size(), "@t.lua") != LUA_OK ||
            lua_pcall(L, 0, 0, 0) != LUA_OK) {
            ADD_FAILURE() << code << "\n" << lua_tostring(L, -1);
            lua_pop(L, 1);
        }
    }

    template <class T> T eval(const std::string& expression)
    {
        const std::string code = "return " + expression;
        if (luaL_loadbuffer(L, code.data(), code.size(), "@t.lua") != LUA_OK ||
            lua_pcall(L, 0, 1, 0) != LUA_OK) {
            ADD_FAILURE() << expression << ": " << lua_tostring(L, -1);
        }
        const luabridge::LuaRef value = luabridge::LuaRef::fromStack(L, -1);
        lua_pop(L, 1);
        return value.cast<T>();
    }

    // The event classes, with the component class that a LuaEvent's "ScriptComponent" is.
    void registerEventClasses()
    {
        Orva::EventManager::EXPORT_FOR_LUA_SCRIPT();
        Orva::Scripting::registerBaseComponent(L);
        Orva::Scripting::registerLuaScriptComponent(L);
    }

    // A component whose script object is a table with the given id.
    void prepare(Orva::LuaScriptComponent& component, const std::string& id,
                 const std::string& className = "Probe")
    {
        component.ScriptClassName = className;
        component.luaObject = luabridge::LuaRef::newTable(L);
        component.luaObject["id"] = id;
    }

    lua_State* L = nullptr;
};
