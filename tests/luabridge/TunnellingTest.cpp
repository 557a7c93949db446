#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "LuaFixture.h"
#include "TestClasses.h"

namespace {

using luabridge::LuaException;
using luabridge::LuaRef;

// An engine-style error type outside the std::exception hierarchy.
struct ScriptFault
{
    std::string text;
    int code;
};

// Thrown by no registration: it cannot be told apart from the interpreter's own throw.
struct UnknownFault
{
};

class Tunnelling : public LuaFixture
{
protected:
    void SetUp() override
    {
        luabridge::registerException<ScriptFault>(
            [](const ScriptFault& fault) { return "fault: " + fault.text; });
        registerTestClasses(L);
        luabridge::getGlobalNamespace(L)
            .addFunction("thrower", [] { throw std::runtime_error("boom"); })
            .addFunction("faulter",
                         [](int code) {
                             throw ScriptFault{"bad", code};
                         })
            .addFunction("unknown", [] { throw UnknownFault{}; })
            .addFunction("unregistered",
                         []() -> Unregistered* {
                             static Unregistered object;
                             return &object;
                         })
            .addFunction("callInner", [this] {
                try {
                    LuaRef::getGlobal(L, "inner")();
                } catch (const std::runtime_error& e) {
                    innerCaught = e.what();
                }
                throw std::logic_error("outer");
            });
    }

    void callGlobal(const char* name) { LuaRef::getGlobal(L, name)(); }

    std::string innerCaught;
};

TEST_F(Tunnelling, ScriptPcallSeesThePositionedMessage)
{
    exec("ok, message = pcall(function() thrower() end)");
    EXPECT_FALSE(evalAs<bool>("ok"));
    EXPECT_EQ(evalAs<std::string>("message"), "t.lua:1: boom");
    exec("ok, message = pcall(function() faulter(3) end)");
    EXPECT_EQ(evalAs<std::string>("message"), "t.lua:1: fault: bad");
    EXPECT_EQ(errorOf("thrower()"), "t.lua:1: boom");
}

TEST_F(Tunnelling, CppCallerGetsTheOriginalException)
{
    exec("function run() thrower() end\nfunction fault() faulter(12) end");
    try {
        callGlobal("run");
        FAIL() << "no exception";
    } catch (const LuaException&) {
        FAIL() << "the runtime_error was replaced";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "boom");
    }
    try {
        callGlobal("fault");
        FAIL() << "no exception";
    } catch (const ScriptFault& fault) {
        EXPECT_EQ(fault.text, "bad");
        EXPECT_EQ(fault.code, 12);
    }
}

TEST_F(Tunnelling, ScriptThatRaisesItsOwnErrorGivesLuaException)
{
    exec("function run() local ok = pcall(thrower); error('other') end");
    try {
        callGlobal("run");
        FAIL() << "no exception";
    } catch (const LuaException& e) {
        const std::string message = e.what();
        EXPECT_EQ(message.substr(message.size() - 5), "other") << message;
    }
}

TEST_F(Tunnelling, RethrownMessageBringsBackTheException)
{
    exec("function run() local ok, message = pcall(thrower); error(message, 0) end");
    EXPECT_THROW(callGlobal("run"), std::runtime_error);
}

TEST_F(Tunnelling, NestedCallsEachGetTheirOwnException)
{
    exec("function inner() thrower() end\nfunction outer() callInner() end");
    try {
        callGlobal("outer");
        FAIL() << "no exception";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "outer");
    }
    EXPECT_EQ(innerCaught, "boom");
}

TEST_F(Tunnelling, ThousandsOfThrowsLeaveTheStateUsable)
{
    exec("function run() thrower() end");
    const LuaRef run = LuaRef::getGlobal(L, "run");
    int caught = 0;
    for (int i = 0; i < 10000; ++i) {
        try {
            run();
        } catch (const std::runtime_error&) {
            ++caught;
        }
    }
    EXPECT_EQ(caught, 10000);
    EXPECT_EQ(lua_gettop(L), 0);
    exec("x = 1 + 1");
    EXPECT_EQ(evalAs<int>("x"), 2);
}

TEST_F(Tunnelling, UnregisteredTypeArrivesAsLuaException)
{
    exec("function run() unknown() end");
    EXPECT_THROW(callGlobal("run"), LuaException);
    EXPECT_EQ(evalAs<int>("1 + 1"), 2);
}

TEST_F(Tunnelling, UnregisteredClassRaisesFromABinding)
{
    const std::string message = errorOf("unregistered()");
    EXPECT_EQ(message.rfind("t.lua:1: ", 0), 0u) << message;
    EXPECT_NE(message.find("Unregistered' is not registered"), std::string::npos) << message;
}

TEST(TunnellingLifetime, CapturedStateDiesWithTheInterpreter)
{
    auto tracker = std::make_shared<int>(0);
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    luabridge::getGlobalNamespace(L)
        .addFunction("bump", [tracker] { return ++*tracker; })
        .addFunction("wrapped", std::function<int()>([tracker] { return *tracker; }));
    ASSERT_EQ(luaL_dostring(L, "bump(); bump(); assert(wrapped() == 2)"), LUA_OK);
    EXPECT_EQ(tracker.use_count(), 3);
    lua_close(L);
    EXPECT_EQ(*tracker, 2);
    EXPECT_EQ(tracker.use_count(), 1);
}

} // namespace
