#include "luabridge/Inventory.h"

#include <algorithm>
#include <map>
#include <set>

#include "luabridge/LuaException.h"
#include "luabridge/Namespace.h"

namespace luabridge {

namespace {

using detail::SignatureInfo;
using detail::StackRestore;
using Kind = BoundMember::Kind;

// The string keys of the table at index, in byte order.
std::vector<std::string> sortedKeys(lua_State* L, int index)
{
    index = lua_absindex(L, index);
    std::vector<std::string> keys;
    lua_pushnil(L);
    while (lua_next(L, index) != 0) {
        if (lua_type(L, -2) == LUA_TSTRING) {
            keys.emplace_back(lua_tostring(L, -2));
        }
        lua_pop(L, 1);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

// Pushes table[key], raw.
int rawField(lua_State* L, int table, const std::string& key)
{
    lua_pushlstring(L, key.data(), key.size());
    return lua_rawget(L, table);
}

// The signature of a bound function at index; null for any other value.
const SignatureInfo* boundSignature(lua_State* L, int index)
{
    if (!lua_iscfunction(L, index)) {
        return nullptr;
    }
    index = lua_absindex(L, index);
    if (lua_getupvalue(L, index, detail::SignatureUpvalue) == nullptr) {
        return nullptr;
    }
    const void* signature = lua_type(L, -1) == LUA_TLIGHTUSERDATA ? lua_touserdata(L, -1) : nullptr;
    lua_pop(L, 1);
    if (lua_getupvalue(L, index, detail::SignatureUpvalue + 1) != nullptr) {
        lua_pop(L, 1);
        return nullptr;
    }
    return static_cast<const SignatureInfo*>(signature);
}

// A class member's first parameter is its object, which scripts pass with ':'.
BoundMember functionEntry(const std::string& name, Kind kind, const SignatureInfo& signature, bool member)
{
    BoundMember function{name, kind, {}, signature.result(), false, {}};
    for (std::size_t i = member ? 1 : 0; i < signature.paramCount; ++i) {
        std::string type = signature.params[i]();
        if (!type.empty()) {
            function.params.push_back(std::move(type));
        }
    }
    return function;
}

// A property or variable: the getter's value type; writable when a setter is listed.
BoundMember accessorEntry(lua_State* L, const std::string& name, Kind kind, int getters, int setters)
{
    const StackRestore restore(L);
    rawField(L, getters, name);
    const auto* getter = static_cast<const detail::Accessor*>(lua_touserdata(L, -1));
    const bool writable = rawField(L, setters, name) == LUA_TUSERDATA;
    return {name, kind, {}, getter->signature->result(), writable, {}};
}

// A scalar's text as tostring gives it; nothing for other values, whose text is an address.
std::string scalarText(lua_State* L, int index)
{
    switch (lua_type(L, index)) {
    case LUA_TBOOLEAN:
        return lua_toboolean(L, index) ? "true" : "false";
    case LUA_TNUMBER:
    case LUA_TSTRING: {
        lua_pushvalue(L, index);
        std::string text = lua_tostring(L, -1);
        lua_pop(L, 1);
        return text;
    }
    default:
        return {};
    }
}

int readField(lua_State* L)
{
    lua_gettable(L, 1);
    return 1;
}

// A read-only variable's value, read as scripts read it.
std::string variableText(lua_State* L, int table, const std::string& name)
{
    const StackRestore restore(L);
    lua_pushcfunction(L, &readField);
    lua_pushvalue(L, table);
    lua_pushlstring(L, name.data(), name.size());
    if (lua_pcall(L, 2, 1, 0) != LUA_OK) {
        return {};
    }
    return scalarText(L, -1);
}

// Class tables by address, from the class metatables in the registry.
std::map<const void*, const ClassInfo*> classTables(lua_State* L)
{
    const StackRestore restore(L);
    std::map<const void*, const ClassInfo*> tables;
    lua_pushnil(L);
    while (lua_next(L, LUA_REGISTRYINDEX) != 0) {
        if (lua_type(L, -2) == LUA_TLIGHTUSERDATA && lua_type(L, -1) == LUA_TTABLE) {
            // A class metatable is registered under its ClassInfo and names it in its slot.
            if (lua_rawgeti(L, -1, detail::ClassSlot) == LUA_TLIGHTUSERDATA &&
                lua_touserdata(L, -1) == lua_touserdata(L, -3)) {
                lua_rawgeti(L, -2, detail::StaticsSlot);
                tables[lua_topointer(L, -1)] = static_cast<const ClassInfo*>(lua_touserdata(L, -2));
                lua_pop(L, 1);
            }
            lua_pop(L, 1);
        }
        lua_pop(L, 1);
    }
    return tables;
}

void sortByName(std::vector<BoundMember>& members)
{
    std::stable_sort(members.begin(), members.end(),
                     [](const BoundMember& a, const BoundMember& b) { return a.name < b.name; });
}

BoundClass describeClass(lua_State* L, const ClassInfo& cls, int statics)
{
    const StackRestore restore(L);
    BoundClass described{cls.name, cls.parent ? cls.parent->name : std::string(), false, cls.byValue(), {}};
    if (lua_getmetatable(L, statics)) {
        described.constructible = lua_getfield(L, -1, "__call") != LUA_TNIL;
        lua_pop(L, 2);
    }
    detail::pushMetatable(L, cls);
    lua_rawgeti(L, -1, detail::MembersSlot);
    const int members = lua_gettop(L);
    lua_rawgeti(L, -2, detail::SettersSlot);
    const int setters = lua_gettop(L);
    for (const std::string& name : sortedKeys(L, members)) {
        if (rawField(L, members, name) == LUA_TUSERDATA) {
            described.members.push_back(accessorEntry(L, name, Kind::Property, members, setters));
        } else if (const SignatureInfo* signature = boundSignature(L, -1)) {
            described.members.push_back(functionEntry(name, Kind::Function, *signature, true));
        }
        lua_pop(L, 1);
    }
    for (const std::string& name : sortedKeys(L, statics)) {
        rawField(L, statics, name);
        if (const SignatureInfo* signature = boundSignature(L, -1)) {
            described.members.push_back(functionEntry(name, Kind::StaticFunction, *signature, false));
        }
        lua_pop(L, 1);
    }
    sortByName(described.members);
    return described;
}

struct Walk
{
    std::map<const void*, const ClassInfo*> classes;
    std::set<const void*> visited;
    std::vector<BoundNamespace> found;
};

std::string joined(const std::string& path, const std::string& name)
{
    return path.empty() ? name : path + "." + name;
}

void describeNamespace(lua_State* L, int table, const std::string& path, Walk& walk)
{
    if (!walk.visited.insert(lua_topointer(L, table)).second) {
        return;
    }
    const StackRestore restore(L);
    BoundNamespace described{path, {}, {}};
    for (const std::string& name : sortedKeys(L, table)) {
        if (rawField(L, table, name) == LUA_TTABLE) {
            const auto cls = walk.classes.find(lua_topointer(L, -1));
            if (cls != walk.classes.end()) {
                described.classes.push_back(describeClass(L, *cls->second, lua_gettop(L)));
            } else {
                describeNamespace(L, lua_gettop(L), joined(path, name), walk);
            }
        } else if (const SignatureInfo* signature = boundSignature(L, -1)) {
            described.members.push_back(functionEntry(name, Kind::Function, *signature, false));
        }
        lua_pop(L, 1);
    }
    if (detail::pushVariableTables(L, table)) {
        const int getters = lua_gettop(L) - 1;
        for (const std::string& name : sortedKeys(L, getters)) {
            BoundMember variable = accessorEntry(L, name, Kind::Variable, getters, getters + 1);
            if (!variable.writable) {
                variable.value = variableText(L, table, name);
            }
            described.members.push_back(std::move(variable));
        }
    }
    sortByName(described.members);
    if (!described.members.empty() || !described.classes.empty()) {
        walk.found.push_back(std::move(described));
    }
}

} // namespace

std::vector<BoundNamespace> listBindings(lua_State* L)
{
    const StackRestore restore(L);
    Walk walk{classTables(L), {}, {}};
    lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
    describeNamespace(L, lua_gettop(L), "", walk);
    std::sort(walk.found.begin(), walk.found.end(),
              [](const BoundNamespace& a, const BoundNamespace& b) { return a.path < b.path; });
    return std::move(walk.found);
}

std::size_t registeredClassCount(lua_State* L)
{
    return classTables(L).size();
}

std::vector<std::pair<std::string, std::string>> boundGlobals(lua_State* L)
{
    const StackRestore restore(L);
    std::vector<std::pair<std::string, std::string>> globals;
    lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
    const int table = lua_gettop(L);
    for (const std::string& name : sortedKeys(L, table)) {
        rawField(L, table, name);
        if (const Userdata* userdata = detail::toUserdata(L, -1)) {
            globals.emplace_back(name, userdata->cls->name);
        }
        lua_pop(L, 1);
    }
    return globals;
}

} // namespace luabridge
