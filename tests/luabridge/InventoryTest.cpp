#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "LuaFixture.h"
#include "TestClasses.h"
#include "luabridge/Inventory.h"

// The listing of what an interpreter holds, read back from the state: names, kinds, the types
// the binding deduced, what may be written, constants' values, bases and globals.

namespace {

using luabridge::BoundClass;
using luabridge::BoundMember;
using luabridge::BoundNamespace;
using Kind = BoundMember::Kind;

const int Limit = 3;
float Gravity = 9.5f;

const BoundMember& memberOf(const std::vector<BoundMember>& members, const std::string& name)
{
    const auto found = std::find_if(members.begin(), members.end(),
                                    [&name](const BoundMember& member) { return member.name == name; });
    EXPECT_NE(found, members.end()) << name;
    return found != members.end() ? *found : members.front();
}

using InventoryTest = LuaFixture;

TEST_F(InventoryTest, ListsEveryNamespaceClassAndMemberAsTheStateHoldsThem)
{
    registerTestClasses(L);
    luabridge::getGlobalNamespace(L)
        .beginNamespace("C")
        .addFunction("count", [](lua_State*, int n, const char*) { return n > 0; })
        .addVariable("Limit", &Limit, false)
        .addVariable("Gravity", &Gravity);
    Holder holder;
    luabridge::setGlobal(L, &holder, "holder");

    const std::vector<BoundNamespace> listed = luabridge::listBindings(L);
    ASSERT_EQ(listed.size(), 3u) << "the standard libraries hold nothing of the binding";
    EXPECT_EQ(listed[0].path, "A");
    EXPECT_EQ(listed[1].path, "B");
    EXPECT_EQ(luabridge::registeredClassCount(L), 5u);

    const BoundClass& vec = listed[0].classes.back();
    EXPECT_EQ(vec.name, "Vec");
    EXPECT_TRUE(vec.constructible && vec.byValue);
    const BoundMember& add = memberOf(vec.members, "add");
    EXPECT_EQ(add.kind, Kind::Function);
    EXPECT_EQ(add.params, std::vector<std::string>{"Vec"}) << "the object is not an argument";
    EXPECT_EQ(add.result, "Vec");
    const BoundMember& make = memberOf(vec.members, "make");
    EXPECT_EQ(make.kind, Kind::StaticFunction);
    EXPECT_EQ(make.params, (std::vector<std::string>{"number", "number"}));

    const BoundClass& holderClass = listed[0].classes[1];
    EXPECT_FALSE(holderClass.constructible || holderClass.byValue);
    EXPECT_FALSE(memberOf(holderClass.members, "id").writable);
    EXPECT_EQ(memberOf(holderClass.members, "id").result, "integer");
    EXPECT_EQ(memberOf(holderClass.members, "next").result, "Holder?");
    EXPECT_TRUE(memberOf(holderClass.members, "count").writable);
    EXPECT_EQ(memberOf(holderClass.members, "position").result, "Vec");
    EXPECT_EQ(listed[1].classes.front().base, "Base");

    const BoundMember& count = memberOf(listed[2].members, "count");
    EXPECT_EQ(count.params, (std::vector<std::string>{"integer", "string"})) << "the state is no argument";
    EXPECT_EQ(count.result, "boolean");
    EXPECT_EQ(memberOf(listed[2].members, "Limit").value, "3");
    EXPECT_TRUE(memberOf(listed[2].members, "Gravity").writable);

    const auto globals = luabridge::boundGlobals(L);
    ASSERT_EQ(globals.size(), 1u);
    EXPECT_EQ(globals[0], std::make_pair(std::string("holder"), std::string("Holder")));
}

} // namespace
