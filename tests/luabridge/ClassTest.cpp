#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "LuaFixture.h"
#include "TestClasses.h"

namespace {

class Classes : public LuaFixture
{
protected:
    void SetUp() override
    {
        registerTestClasses(L);
        luabridge::setGlobal(L, &holder, "h");
        luabridge::setGlobal(L, &derived, "d");
        luabridge::getGlobalNamespace(L)
            .addFunction("derivedAsBase", [this]() -> Base* { return &derived; })
            .addFunction("looseAsBase", [this]() -> Base* { return &loose; })
            .addFunction("isDerivedBase", [this](Base* base) { return base == static_cast<Base*>(&derived); })
            .addFunction("tagOf", [](Derived& object) { return object.tag; })
            .addFunction("zero", [](Vec* v) {
                if (v) {
                    v->x = 0;
                }
                return v == nullptr;
            });
    }

    Holder holder;
    Derived derived;
    Loose loose;
};

TEST_F(Classes, DerivedReachesBaseThroughTheUpcast)
{
    ASSERT_NE(static_cast<const void*>(static_cast<Base*>(&derived)), static_cast<const void*>(&derived));
    EXPECT_TRUE(evalAs<bool>("isDerivedBase(d)"));
    EXPECT_EQ(evalAs<int>("d.value"), 5);
    EXPECT_EQ(evalAs<int>("d:baseValue()"), 5);
    EXPECT_EQ(evalAs<int>("d.extra"), 3);
    exec("d.value = 11");
    EXPECT_EQ(derived.value, 11);
    EXPECT_EQ(derived.tag, 1);
    EXPECT_EQ(evalAs<int>("tagOf(d)"), 1);
}

TEST_F(Classes, BasePointerPushesAsItsRegisteredDynamicClass)
{
    EXPECT_EQ(evalAs<std::string>("tostring(derivedAsBase()):match('^%w+')"), "Derived");
    EXPECT_EQ(evalAs<int>("derivedAsBase().extra"), 3);
    EXPECT_TRUE(evalAs<bool>("derivedAsBase() == d"));
    EXPECT_TRUE(evalAs<bool>("derivedAsBase() == derivedAsBase()"));
    EXPECT_FALSE(evalAs<bool>("rawequal(derivedAsBase(), d)"));
    EXPECT_TRUE(evalAs<bool>("isDerivedBase(derivedAsBase())"));
}

TEST_F(Classes, UnregisteredDynamicClassPushesAsTheStaticOne)
{
    struct Hidden : Base
    {
        int hidden = 9;
    };
    Hidden hidden;
    luabridge::setGlobal(L, static_cast<Base*>(&hidden), "b");
    EXPECT_EQ(evalAs<std::string>("tostring(b):match('^%w+')"), "Base");
    EXPECT_EQ(evalAs<int>("b:baseValue()"), 5);
    EXPECT_TRUE(eval("b.hidden").isNil());
}

TEST_F(Classes, ScriptChainIsNotTheCppChain)
{
    // Loose derives from Base in C++ only: it is no Base to scripts, so a Base* stays a Base.
    EXPECT_EQ(evalAs<std::string>("tostring(looseAsBase()):match('^%w+')"), "Base");
    luabridge::setGlobal(L, &loose, "loose");
    EXPECT_EQ(errorOf("isDerivedBase(loose)"),
              "t.lua:1: bad argument #1 to 'isDerivedBase' (Base expected, got Loose)");
    EXPECT_EQ(errorOf("tagOf(looseAsBase())"),
              "t.lua:1: bad argument #1 to 'tagOf' (Derived expected, got Base)");
}

TEST_F(Classes, UnregisteredBaseOrRenamedClassThrows)
{
    struct Orphan : Unregistered
    {
    };
    EXPECT_THROW((luabridge::getGlobalNamespace(L).deriveClass<Orphan, Unregistered>("Orphan")),
                 std::logic_error);
    EXPECT_THROW(luabridge::getGlobalNamespace(L).beginClass<Vec>("Vector"), std::logic_error);
    EXPECT_THROW(luabridge::getGlobalNamespace(L).endNamespace(), std::logic_error);
    EXPECT_TRUE(eval("Orphan").isNil());
}

TEST_F(Classes, ReopenedClassKeepsItsMembersAndGainsNewOnes)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("A")
        .beginClass<Vec>("Vec")
        .addFunction("sum", [](const Vec* v) { return v->x + v->y; })
        .endClass()
        .endNamespace();
    EXPECT_FLOAT_EQ(evalAs<float>("A.Vec.make(1, 2):sum()"), 3);
    EXPECT_FLOAT_EQ(evalAs<float>("A.Vec.make(1, 2):scaled(2).y"), 4);
}

TEST_F(Classes, ReaddingANameReplacesTheEntry)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("A")
        .beginClass<Holder>("Holder")
        .addProperty("name", [](const Holder* h) { return "<" + h->name + ">"; })
        .addFunction("count", [](Holder* h) { return h->count + 100; })
        .endClass()
        .endNamespace();
    holder.name = "n";
    holder.count = 1;
    EXPECT_EQ(evalAs<std::string>("h.name"), "<n>");
    EXPECT_EQ(errorOf("h.name = 'x'"), "t.lua:1: 'name' is read-only");
    EXPECT_EQ(evalAs<int>("h:count()"), 101);
    EXPECT_EQ(errorOf("h.count = 2"), "t.lua:1: no writable member 'count'");
}

TEST_F(Classes, MemberAccessTexts)
{
    EXPECT_TRUE(eval("h.unknown").isNil());
    EXPECT_EQ(evalAs<int>("h.id"), 7);
    EXPECT_EQ(errorOf("h.id = 1"), "t.lua:1: 'id' is read-only");
    EXPECT_EQ(errorOf("h.zzz = 1"), "t.lua:1: no writable member 'zzz'");
    EXPECT_EQ(errorOf("h[1] = 1"), "t.lua:1: no writable member '1'");
    EXPECT_EQ(errorOf("h.count = 'x'"),
              "t.lua:1: bad argument #2 to '__newindex' (number expected, got string)");
}

TEST_F(Classes, DataAndPropertiesWriteThroughToTheObject)
{
    exec("h.name = 'box'; h.count = 4");
    EXPECT_EQ(holder.name, "box");
    EXPECT_EQ(holder.count, 40);
    EXPECT_EQ(evalAs<int>("h.count"), 40);
    Holder other;
    luabridge::setGlobal(L, &other, "o");
    exec("h.next = o");
    EXPECT_EQ(holder.next, &other);
    EXPECT_TRUE(evalAs<bool>("h.next == o"));
    exec("h.next = nil");
    EXPECT_EQ(holder.next, nullptr);
    EXPECT_TRUE(eval("h.next").isNil());
}

TEST_F(Classes, ValueMembersAndReturnedReferencesAreCopies)
{
    exec("h.pos.x = 9");
    EXPECT_EQ(evalAs<float>("h.pos.x"), 0);
    exec("h:position().x = 9");
    EXPECT_EQ(holder.pos.x, 0);
    exec("local p = A.Vec.make(2, 3); h.pos = p; p.x = 100");
    EXPECT_EQ(holder.pos.x, 2);
    EXPECT_EQ(holder.pos.y, 3);
}

TEST_F(Classes, SelfReturningMembersHandBackTheSameUserdata)
{
    exec(R"(
        local v, w = A.Vec.make(1, 1), A.Vec.make(2, 3)
        assert(rawequal(v:add(w):add(w), v))
        assert(v.x == 5 and v.y == 7)
        local s = v:scaled(2)
        assert(not rawequal(s, v) and s.x == 10 and v.x == 5)
    )");
}

TEST_F(Classes, PointerParameterSeesTheValueInsideTheUserdata)
{
    exec("v = A.Vec.make(4, 4); assert(zero(v) == false); assert(v.x == 0 and v.y == 4)");
    EXPECT_TRUE(evalAs<bool>("zero(nil)"));
    exec("v = nil");
}

TEST_F(Classes, ConstructorDefaultConstructsAndIgnoresArguments)
{
    EXPECT_FLOAT_EQ(evalAs<float>("A.Vec(3, 4).x"), 0);
    EXPECT_EQ(evalAs<std::string>("tostring(A.Vec()):match('^%w+')"), "Vec");
    EXPECT_NE(errorOf("A.Holder()"), "");
}

TEST_F(Classes, CollectionDestroysEveryScriptValue)
{
    const int before = Vec::alive();
    exec(R"(
        keep = {}
        for i = 1, 100000 do
            local v = A.Vec.make(i, 0)
            if i % 1000 == 0 then keep[#keep + 1] = v end
        end
        collectgarbage(); collectgarbage()
    )");
    EXPECT_EQ(Vec::alive() - before, 100);
    exec("keep = nil; collectgarbage(); collectgarbage()");
    EXPECT_EQ(Vec::alive(), before);
}

TEST_F(Classes, EqualityComparesObjectsNotUserdata)
{
    holder.next = &holder;
    EXPECT_TRUE(evalAs<bool>("h.next == h"));
    EXPECT_FALSE(evalAs<bool>("rawequal(h.next, h)"));
    EXPECT_FALSE(evalAs<bool>("h == d"));
    EXPECT_FALSE(evalAs<bool>("A.Vec() == A.Vec()"));
    holder.next = nullptr;
}

TEST_F(Classes, InvalidatedPointerRaisesNamingItsClass)
{
    // A separate push of the same object, as an event kept by a script would be.
    luabridge::setGlobal(L, &holder, "kept");
    lua_getglobal(L, "kept");
    luabridge::invalidate(L, -1);
    lua_pop(L, 1);
    EXPECT_EQ(errorOf("return kept.count"),
              "t.lua:1: bad argument #1 to '__index' (Holder is no longer valid)");
    EXPECT_EQ(errorOf("kept:position()"),
              "t.lua:1: calling 'position' on bad self (Holder is no longer valid)");
    EXPECT_EQ(evalAs<int>("h.id"), 7);
    lua_pushinteger(L, 1);
    luabridge::invalidate(L, -1);
    lua_pop(L, 1);
}

TEST_F(Classes, NamespaceVariablesAreLive)
{
    static int counter = 1;
    static const float ratio = 0.5f;
    counter = 1;
    luabridge::getGlobalNamespace(L)
        .beginNamespace("G")
        .addVariable("counter", &counter)
        .addVariable("ratio", &ratio)
        .addFunction("f", [] { return 1; })
        .endNamespace();
    counter = 5;
    EXPECT_EQ(evalAs<int>("G.counter"), 5);
    exec("G.counter = G.counter + 1; G.other = 3");
    EXPECT_EQ(counter, 6);
    EXPECT_EQ(evalAs<int>("G.other"), 3);
    EXPECT_EQ(errorOf("G.ratio = 2"), "t.lua:1: 'ratio' is read-only");
    EXPECT_FLOAT_EQ(evalAs<float>("G.ratio"), 0.5f);
    EXPECT_EQ(evalAs<int>("G.f()"), 1);
}

TEST_F(Classes, StaticFunctionsAreInherited)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("A")
        .beginClass<Base>("Base")
        .addStaticFunction("kind", [] { return std::string("base"); })
        .endClass()
        .endNamespace();
    EXPECT_EQ(evalAs<std::string>("B.Derived.kind()"), "base");
}

} // namespace
