#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "LuaFixture.h"
#include "TestClasses.h"

namespace {

enum class Mode {
    Off,
    On,
    Auto = 7,
};

class Conversion : public LuaFixture
{
protected:
    void SetUp() override
    {
        registerTestClasses(L);
        luabridge::getGlobalNamespace(L)
            .addFunction("twice", [](int value) { return 2 * value; })
            .addFunction("unsignedOf", [](unsigned value) { return static_cast<double>(value); })
            .addFunction("byteOf", [](unsigned char value) { return value; })
            .addFunction("modeAfter", [](Mode mode) { return mode == Mode::Auto ? Mode::Off : Mode::Auto; })
            .addFunction("truthy", [](bool value) { return value; })
            .addFunction("half", [](float value) { return value / 2; })
            .addFunction("length", [](const std::string& text) { return text.size(); })
            .addFunction("echo", [](std::string text) { return text; })
            .addFunction("cstring", [](const char* text) { return std::string(text) + "!"; })
            .addFunction("nothing", []() -> const char* { return nullptr; })
            .addFunction("stateThenInt",
                         [this](lua_State* state, int value) { return state == L ? value : -1; })
            .addFunction("baseValueOf", [](Base* base) { return base ? base->value : -1; })
            .addFunction("typeOfRef", [](luabridge::LuaRef value) { return value.type(); })
            .addFunction("sum", [](int a, int b, int c) { return a + b + c; });
    }
};

TEST_F(Conversion, IntegersFollowCheckIntegerAndPushAsIntegers)
{
    EXPECT_EQ(evalAs<int>("twice(21)"), 42);
    EXPECT_EQ(evalAs<int>("twice('4')"), 8);
    EXPECT_EQ(evalAs<std::string>("math.type(twice(2))"), "integer");
    EXPECT_EQ(evalAs<std::string>("tostring(byteOf(3))"), "3");
    EXPECT_EQ(evalAs<int>("modeAfter(7)"), 0);
    EXPECT_EQ(evalAs<int>("modeAfter(1)"), 7);
    EXPECT_EQ(errorOf("twice(1.5)"),
              "t.lua:1: bad argument #1 to 'twice' (number has no integer representation)");
    EXPECT_EQ(errorOf("twice({})"), "t.lua:1: bad argument #1 to 'twice' (number expected, got table)");
    EXPECT_EQ(errorOf("twice()"), "t.lua:1: bad argument #1 to 'twice' (number expected, got no value)");
}

TEST_F(Conversion, IntegersOutsideTheirTargetAreRefusedAndNegativesWrapOnlyWithinTheWidth)
{
    const std::string refused = "(number has no integer representation)";
    EXPECT_EQ(errorOf("twice(2^31)"), "t.lua:1: bad argument #1 to 'twice' " + refused);
    EXPECT_EQ(errorOf("sum(1, 2, 2^40 + 5)"), "t.lua:1: bad argument #3 to 'sum' " + refused);
    EXPECT_EQ(errorOf("byteOf(256)"), "t.lua:1: bad argument #1 to 'byteOf' " + refused);
    EXPECT_EQ(errorOf("unsignedOf(2^32)"), "t.lua:1: bad argument #1 to 'unsignedOf' " + refused);
    EXPECT_EQ(errorOf("unsignedOf(-2^31 - 1)"), "t.lua:1: bad argument #1 to 'unsignedOf' " + refused);
    EXPECT_EQ(errorOf("modeAfter(2^40)"), "t.lua:1: bad argument #1 to 'modeAfter' " + refused);
    EXPECT_EQ(evalAs<int>("twice(-2^30)"), -2147483647 - 1);
    EXPECT_EQ(evalAs<double>("unsignedOf(-1)"), 4294967295.0);
    EXPECT_EQ(evalAs<std::uint64_t>("-1"), UINT64_MAX);
    EXPECT_EQ(evalAs<std::uint8_t>("-1"), 255);
}

TEST_F(Conversion, ArgumentErrorsNameTheFunctionAlsoWhereTheInterpreterKnowsNoName)
{
    EXPECT_EQ(errorOf("local ok, e = pcall(twice, {}) error(e, 0)"),
              "bad argument #1 to 'twice' (number expected, got table)");
    EXPECT_EQ(errorOf("A.Vec.make(\"x\", 1)"),
              "t.lua:1: bad argument #1 to 'make' (number expected, got string)");
    EXPECT_EQ(errorOf("local ok, e = pcall(A.Vec.make, 1, 'x') error(e, 0)"),
              "bad argument #2 to 'make' (number expected, got string)");
    EXPECT_EQ(errorOf("local v = A.Vec.make(1, 2) local ok, e = pcall(v.add, v, 5) error(e, 0)"),
              "bad argument #2 to 'add' (Vec expected, got number)");
    EXPECT_EQ(errorOf("local v = A.Vec.make(1, 2) v:add(5)"),
              "t.lua:1: bad argument #1 to 'add' (Vec expected, got number)");
}

TEST_F(Conversion, BooleansAreTruthiness)
{
    EXPECT_TRUE(evalAs<bool>("truthy(0)"));
    EXPECT_TRUE(evalAs<bool>("truthy('')"));
    EXPECT_FALSE(evalAs<bool>("truthy(nil)"));
    EXPECT_FALSE(evalAs<bool>("truthy(false)"));
    EXPECT_FALSE(evalAs<bool>("truthy()"));
    EXPECT_EQ(evalAs<std::string>("type(truthy(1))"), "boolean");
}

TEST_F(Conversion, FloatsFollowCheckNumber)
{
    EXPECT_FLOAT_EQ(evalAs<float>("half(3)"), 1.5f);
    EXPECT_FLOAT_EQ(evalAs<float>("half('5')"), 2.5f);
    EXPECT_EQ(errorOf("half(true)"), "t.lua:1: bad argument #1 to 'half' (number expected, got boolean)");
}

TEST_F(Conversion, StdStringTakesStringsAndNumbersWithEmbeddedZeros)
{
    EXPECT_EQ(evalAs<int>("length('a\\0b')"), 3);
    EXPECT_EQ(evalAs<std::string>("echo('a\\0b')"), std::string("a\0b", 3));
    EXPECT_EQ(evalAs<std::string>("echo(12)"), "12");
    EXPECT_EQ(errorOf("echo({})"), "t.lua:1: bad argument #1 to 'echo' (string expected, got table)");
    EXPECT_EQ(errorOf("length(nil)"), "t.lua:1: bad argument #1 to 'length' (string expected, got nil)");
    EXPECT_EQ(errorOf("echo(io.stdout)"), "t.lua:1: bad argument #1 to 'echo' (string expected, got FILE*)");
}

TEST_F(Conversion, CStringsTakeStringsOnlyAndNullPushesNil)
{
    EXPECT_EQ(evalAs<std::string>("cstring('hi')"), "hi!");
    EXPECT_EQ(errorOf("cstring(nil)"), "t.lua:1: bad argument #1 to 'cstring' (string expected, got nil)");
    EXPECT_EQ(errorOf("cstring(5)"), "t.lua:1: bad argument #1 to 'cstring' (string expected, got number)");
    EXPECT_TRUE(eval("nothing()").isNil());
}

TEST_F(Conversion, LuaStateParameterTakesNoArgument)
{
    EXPECT_EQ(evalAs<int>("stateThenInt(9)"), 9);
    EXPECT_EQ(errorOf("stateThenInt('x')"),
              "t.lua:1: bad argument #1 to 'stateThenInt' (number expected, got string)");
}

TEST_F(Conversion, LuaRefParameterTakesAnyValue)
{
    EXPECT_EQ(evalAs<int>("typeOfRef({})"), LUA_TTABLE);
    EXPECT_EQ(evalAs<int>("typeOfRef(nil)"), LUA_TNIL);
    EXPECT_EQ(evalAs<int>("typeOfRef(print)"), LUA_TFUNCTION);
}

TEST_F(Conversion, ObjectArgumentErrorsNameClassesAndTypes)
{
    EXPECT_EQ(errorOf("baseValueOf(A.Vec())"),
              "t.lua:1: bad argument #1 to 'baseValueOf' (Base expected, got Vec)");
    EXPECT_EQ(errorOf("baseValueOf(io.stdout)"),
              "t.lua:1: bad argument #1 to 'baseValueOf' (Base expected, got FILE*)");
    EXPECT_EQ(errorOf("baseValueOf({})"),
              "t.lua:1: bad argument #1 to 'baseValueOf' (Base expected, got table)");
    EXPECT_EQ(evalAs<int>("baseValueOf(nil)"), -1);
}

TEST_F(Conversion, FirstBadArgumentIsReported)
{
    EXPECT_EQ(errorOf("sum(1, 'x', {})"), "t.lua:1: bad argument #2 to 'sum' (number expected, got string)");
    EXPECT_EQ(evalAs<int>("sum(1, 2, 3)"), 6);
}

TEST_F(Conversion, PushOfUnregisteredClassThrowsAndLeavesStack)
{
    Unregistered object;
    EXPECT_THROW(luabridge::push(L, &object), std::logic_error);
    EXPECT_EQ(lua_gettop(L), 0);
    Unregistered* none = nullptr;
    luabridge::push(L, none);
    EXPECT_TRUE(lua_isnil(L, -1));
    lua_pop(L, 1);
}

} // namespace
