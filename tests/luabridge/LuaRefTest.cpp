#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "LuaFixture.h"
#include "TestClasses.h"

namespace {

using luabridge::LuaException;
using luabridge::LuaRef;

class References : public LuaFixture
{
protected:
    void SetUp() override { registerTestClasses(L); }
};

TEST_F(References, CopiesAndMovesKeepTheCountExact)
{
    {
        LuaRef table = LuaRef::newTable(L);
        LuaRef copy = table;
        LuaRef nil(L);
        EXPECT_EQ(luabridge::liveReferenceCount(L), 3u);
        LuaRef moved = std::move(copy);
        EXPECT_EQ(luabridge::liveReferenceCount(L), 3u);
        nil = moved;
        copy = std::move(nil);
        std::vector<LuaRef> many(10, table);
        EXPECT_EQ(luabridge::liveReferenceCount(L), 13u);
        EXPECT_TRUE(copy.isTable());
        table["k"] = 1;
        EXPECT_EQ(moved["k"].cast<int>(), 1);
    }
    EXPECT_EQ(luabridge::liveReferenceCount(L), 0u);
}

TEST_F(References, ValueKindsAndCasts)
{
    exec("n = 3; s = 'x'; f = function() end; t = {}");
    EXPECT_TRUE(LuaRef::getGlobal(L, "missing").isNil());
    EXPECT_TRUE(LuaRef::getGlobal(L, "f").isFunction());
    EXPECT_TRUE(LuaRef::getGlobal(L, "t").isTable());
    EXPECT_EQ(LuaRef::getGlobal(L, "s").type(), LUA_TSTRING);
    EXPECT_EQ(luabridge::getGlobal(L, "n").cast<int>(), 3);
    EXPECT_EQ(LuaRef(L, std::string("abc")).cast<std::string>(), "abc");
    EXPECT_EQ(LuaRef(L, 2.5).cast<double>(), 2.5);
    EXPECT_EQ(LuaRef(L).cast<Holder*>(), nullptr);
    Vec source(1, 2);
    const Vec copied = LuaRef(L, source).cast<Vec>();
    EXPECT_EQ(copied.y, 2);
}

TEST_F(References, FailedCastThrowsTheArgumentError)
{
    try {
        LuaRef(L, "text").cast<int>();
        FAIL() << "no exception";
    } catch (const LuaException& e) {
        EXPECT_NE(std::string(e.what()).find("number expected, got string"), std::string::npos) << e.what();
    }
    EXPECT_THROW(LuaRef(L, 1.5).cast<Holder*>(), LuaException);
}

TEST_F(References, AssignedValuesAreVisibleToScripts)
{
    Holder holder;
    holder.name = "held";
    LuaRef table = LuaRef::newTable(L);
    luabridge::setGlobal(L, table, "t");
    table["ptr"] = &holder;
    table["str"] = "text";
    table["yes"] = true;
    table["gone"] = 1;
    table["gone"] = nullptr;
    table[1] = Vec(4, 5);
    EXPECT_EQ(evalAs<std::string>("t.ptr.name"), "held");
    EXPECT_EQ(evalAs<std::string>("t.str"), "text");
    EXPECT_TRUE(evalAs<bool>("t.yes == true"));
    EXPECT_TRUE(evalAs<bool>("rawget(t, 'gone') == nil"));
    EXPECT_EQ(evalAs<float>("t[1].y"), 5);
    table["copy"] = table["str"];
    EXPECT_EQ(evalAs<std::string>("t.copy"), "text");
    EXPECT_TRUE(table["nothing"].isNil());
    table["inner"] = LuaRef::newTable(L);
    table["inner"]["deep"] = 8;
    EXPECT_EQ(evalAs<int>("t.inner.deep"), 8);
}

TEST_F(References, IndexingFailuresThrowInsteadOfPanicking)
{
    LuaRef number(L, 5);
    EXPECT_THROW(number["k"].get(), LuaException);
    EXPECT_THROW(number["k"] = 1, LuaException);
    exec("strict = setmetatable({}, {__index = function(_, k) error('no ' .. k) end})");
    try {
        LuaRef::getGlobal(L, "strict")["field"].get();
        FAIL() << "no exception";
    } catch (const LuaException& e) {
        EXPECT_NE(std::string(e.what()).find("no field"), std::string::npos) << e.what();
    }
}

TEST_F(References, CallsReturnTheFirstResult)
{
    exec(R"(
        function zero() return 'z', 'ignored' end
        function one(a) return a * 2 end
        function two(a, b) return a .. b end
        function none() end
    )");
    lua_pushinteger(L, 99);
    EXPECT_EQ(LuaRef::getGlobal(L, "zero")().cast<std::string>(), "z");
    EXPECT_EQ(LuaRef::getGlobal(L, "one")(21).cast<int>(), 42);
    EXPECT_EQ(LuaRef::getGlobal(L, "two")("a", std::string("b")).cast<std::string>(), "ab");
    EXPECT_TRUE(LuaRef::getGlobal(L, "none")().isNil());
    EXPECT_EQ(lua_gettop(L), 1);
    lua_pop(L, 1);
}

TEST_F(References, CallsWithoutResultsLeaveNothingBehind)
{
    exec("seen = {}\nfunction record(a, b) seen[#seen + 1] = a .. b return {}, 'dropped' end\n"
         "function fail()\n error('late') end");
    const std::size_t references = luabridge::liveReferenceCount(L);
    const LuaRef record = LuaRef::getGlobal(L, "record");
    record.call("x", 1);
    record.call(std::string("y"), 2);
    EXPECT_EQ(evalAs<std::string>("table.concat(seen, ',')"), "x1,y2");
    EXPECT_EQ(luabridge::liveReferenceCount(L), references + 1) << "no reference to a result";
    try {
        LuaRef::getGlobal(L, "fail").call();
        ADD_FAILURE() << "a failure throws as from operator()";
    } catch (const LuaException& e) {
        EXPECT_STREQ(e.what(), "t.lua:4: late");
    }
    EXPECT_EQ(lua_gettop(L), 0);
}

TEST_F(References, FailuresCarryTheErrorValueAndRestoreTheStack)
{
    exec("function f()\n\n error('boom') end\nfunction g() error({}) end\nfunction n() error(42, 0) end");
    lua_pushinteger(L, 99);
    const auto messageOf = [this](const char* name) {
        try {
            LuaRef::getGlobal(L, name)();
        } catch (const LuaException& e) {
            return std::string(e.what());
        }
        return std::string("no exception");
    };
    EXPECT_EQ(messageOf("f"), "t.lua:3: boom");
    // A value without a string form is described, at the line that raised it.
    EXPECT_EQ(messageOf("g"), "t.lua:4: (error object is a table value)");
    EXPECT_EQ(messageOf("n"), "t.lua:5: 42");
    EXPECT_NE(messageOf("missing").find("attempt to call a nil value"), std::string::npos);
    EXPECT_EQ(lua_gettop(L), 1);
    lua_pop(L, 1);
    EXPECT_STREQ(LuaException(L).what(), "missing error");
}

TEST_F(References, CalledFunctionMayDestroyTheReferenceHolder)
{
    struct Listener
    {
        LuaRef callback;
    };
    auto* listener = new Listener{LuaRef(L)};
    luabridge::getGlobalNamespace(L).addFunction("dropListener", [&listener] {
        delete listener;
        listener = nullptr;
    });
    exec("function onEvent(x) dropListener(); collectgarbage(); return x + 1 end");
    listener->callback = LuaRef::getGlobal(L, "onEvent");
    EXPECT_EQ(listener->callback(1).cast<int>(), 2);
    EXPECT_EQ(listener, nullptr);
}

TEST_F(References, ProxyCallsAndCastsReadTheCurrentValue)
{
    LuaRef table = LuaRef::newTable(L);
    luabridge::setGlobal(L, table, "t");
    exec("t.f = function(a, b) return a - b end; t.n = 4");
    EXPECT_EQ(table["f"](10, 3).cast<int>(), 7);
    exec("t.n = 6");
    EXPECT_EQ(table["n"].cast<int>(), 6);
}

} // namespace
