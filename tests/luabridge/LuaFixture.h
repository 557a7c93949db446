#pragma once

#include <gtest/gtest.h>
#include <lua.hpp>

#include <string>

#include "luabridge/LuaBridge.h"

// A fresh interpreter per case. Each case must leave the stack empty and no LuaRef alive
// when the interpreter closes. Chunks are named "@t.lua", so messages read "t.lua:<line>:".
class LuaFixture : public ::testing::Test
{
protected:
    LuaFixture() : L(luaL_newstate()) { luaL_openlibs(L); }
    ~LuaFixture() override { lua_close(L); }

    void TearDown() override
    {
        EXPECT_EQ(lua_gettop(L), 0);
        EXPECT_EQ(luabridge::liveReferenceCount(L), 0u);
    }

    /// Runs code and returns whether it succeeded; error receives the error value as text.
    bool run(const std::string& code, std::string* error = nullptr)
    {
        if (luaL_loadbuffer(L, code.data(), code.size(), "@t.lua") == LUA_OK &&
            lua_pcall(L, 0, 0, 0) == LUA_OK) {
            return true;
        }
        if (error) {
            const char* text = lua_tostring(L, -1);
            *error = text ? text : "";
        }
        lua_pop(L, 1);
        return false;
    }

    void exec(const std::string& code)
    {
        std::string error;
        EXPECT_TRUE(run(code, &error)) << code << "\n" << error;
    }

    std::string errorOf(const std::string& code)
    {
        std::string error;
        EXPECT_FALSE(run(code, &error)) << code;
        return error;
    }

    /// The value of a script expression.
    luabridge::LuaRef eval(const std::string& expression)
    {
        const std::string code = "return " + expression;
        if (luaL_loadbuffer(L, code.data(), code.size(), "@t.lua") != LUA_OK ||
            lua_pcall(L, 0, 1, 0) != LUA_OK) {
            ADD_FAILURE() << expression << ": " << lua_tostring(L, -1);
        }
        luabridge::LuaRef value = luabridge::LuaRef::fromStack(L, -1);
        lua_pop(L, 1);
        return value;
    }

    template <class T> T evalAs(const std::string& expression) { return eval(expression).cast<T>(); }

    lua_State* const L;
};
