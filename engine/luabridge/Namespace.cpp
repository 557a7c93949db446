#include "luabridge/Namespace.h"

#include <stdexcept>
#include <string>

namespace luabridge {

namespace {

// Array slots of a namespace metatable, which exists once the namespace has variables.
enum VariableSlot {
    GettersSlot = 1,
    VariableSettersSlot,
};

int namespaceIndex(lua_State* L)
{
    lua_settop(L, 2);
    lua_getmetatable(L, 1);
    lua_rawgeti(L, 3, GettersSlot);
    lua_pushvalue(L, 2);
    if (lua_rawget(L, 4) != LUA_TUSERDATA) {
        return 1;
    }
    auto* getter = static_cast<detail::Accessor*>(lua_touserdata(L, 5));
    return getter->invoke(L, getter);
}

// Names that are not variables are stored in the table, as in any table.
int namespaceNewIndex(lua_State* L)
{
    lua_settop(L, 3);
    lua_getmetatable(L, 1);
    lua_rawgeti(L, 4, VariableSettersSlot);
    lua_pushvalue(L, 2);
    const int type = lua_rawget(L, 5);
    if (type == LUA_TUSERDATA) {
        // The setter reads the new value at 1.
        lua_remove(L, 1);
        lua_remove(L, 1);
        auto* setter = static_cast<detail::Accessor*>(lua_touserdata(L, -1));
        setter->invoke(L, setter);
        return 0;
    }
    if (type == LUA_TBOOLEAN) {
        detail::readOnlyError(L, 2);
    }
    lua_settop(L, 3);
    lua_rawset(L, 1);
    return 0;
}

// Pushes the namespace metatable of the table at index, or nothing when it has none.
bool pushVariableMetatable(lua_State* L, int index)
{
    if (!lua_getmetatable(L, index)) {
        return false;
    }
    lua_getfield(L, -1, "__index");
    const bool ours = lua_tocfunction(L, -1) == &namespaceIndex;
    lua_pop(L, ours ? 1 : 2);
    return ours;
}

void createVariableMetatable(lua_State* L, int index)
{
    lua_createtable(L, 2, 2);
    lua_pushcfunction(L, &namespaceIndex);
    lua_setfield(L, -2, "__index");
    lua_pushcfunction(L, &namespaceNewIndex);
    lua_setfield(L, -2, "__newindex");
    lua_newtable(L);
    lua_rawseti(L, -2, GettersSlot);
    lua_newtable(L);
    lua_rawseti(L, -2, VariableSettersSlot);
    lua_pushvalue(L, -1);
    lua_setmetatable(L, index);
}

// Sets table[name] = value in the table at tableIndex, raw.
void rawSetField(lua_State* L, int tableIndex, const char* name, int valueIndex)
{
    tableIndex = lua_absindex(L, tableIndex);
    valueIndex = lua_absindex(L, valueIndex);
    lua_pushstring(L, name);
    lua_pushvalue(L, valueIndex);
    lua_rawset(L, tableIndex);
}

void clearField(lua_State* L, int tableIndex, const char* name)
{
    tableIndex = lua_absindex(L, tableIndex);
    lua_pushnil(L);
    rawSetField(L, tableIndex, name, -1);
    lua_pop(L, 1);
}

// One C++ type has one script class, in every interpreter of the process. Reopening a
// registered class may leave the base out.
void checkSameClass(const ClassInfo& cls, const char* name, const ClassInfo* parent, bool reopening)
{
    if (cls.name.empty()) {
        return;
    }
    if (cls.name != name) {
        throw std::logic_error("class '" + cls.name + "' cannot be registered again as '" + name + "'");
    }
    if (cls.parent != parent && (parent || !reopening)) {
        throw std::logic_error("class '" + cls.name + "' cannot change its base class");
    }
}

} // namespace

Namespace getGlobalNamespace(lua_State* L)
{
    lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
    std::vector<LuaRef> tables;
    tables.push_back(LuaRef::fromStack(L, -1));
    lua_pop(L, 1);
    return Namespace(std::move(tables));
}

Namespace::Namespace(std::vector<LuaRef> tables) : tables_(std::move(tables)) {}

Namespace Namespace::beginNamespace(const char* name) const
{
    lua_State* const L = state();
    const detail::StackRestore restore(L);
    tables_.back().push();
    lua_pushstring(L, name);
    if (lua_rawget(L, -2) != LUA_TTABLE) {
        lua_pop(L, 1);
        lua_newtable(L);
        rawSetField(L, -2, name, -1);
    }
    std::vector<LuaRef> tables = tables_;
    tables.push_back(LuaRef::fromStack(L, -1));
    return Namespace(std::move(tables));
}

Namespace Namespace::endNamespace() const
{
    if (tables_.size() == 1) {
        throw std::logic_error("endNamespace without beginNamespace");
    }
    return Namespace(std::vector<LuaRef>(tables_.begin(), tables_.end() - 1));
}

void Namespace::setEntry(const char* name) const
{
    lua_State* const L = state();
    tables_.back().push();
    rawSetField(L, -1, name, -2);
    if (pushVariableMetatable(L, -1)) {
        lua_rawgeti(L, -1, GettersSlot);
        clearField(L, -1, name);
        lua_rawgeti(L, -2, VariableSettersSlot);
        clearField(L, -1, name);
        lua_pop(L, 3);
    }
    lua_pop(L, 2);
}

void Namespace::setVariable(const char* name) const
{
    lua_State* const L = state();
    tables_.back().push();
    const int table = lua_gettop(L);
    if (!pushVariableMetatable(L, table)) {
        if (lua_getmetatable(L, table)) {
            throw std::logic_error(std::string("variable '") + name +
                                   "' added to a table with a foreign metatable");
        }
        createVariableMetatable(L, table);
    }
    lua_rawgeti(L, -1, GettersSlot);
    rawSetField(L, -1, name, table - 2);
    lua_rawgeti(L, -2, VariableSettersSlot);
    rawSetField(L, -1, name, table - 1);
    // A raw field of that name would hide the variable from the metamethods.
    clearField(L, table, name);
    lua_settop(L, table - 3);
}

LuaRef Namespace::openClass(const char* name, ClassInfo& cls, const ClassInfo* parent,
                            void* (*toParent)(void*)) const
{
    lua_State* const L = state();
    const detail::StackRestore restore(L);
    if (parent && !isRegistered(L, *parent)) {
        throw std::logic_error("base class of '" + std::string(name) + "' (" + parent->displayName() +
                               ") is not registered");
    }
    const bool reopening = isRegistered(L, cls);
    checkSameClass(cls, name, parent, reopening);
    if (reopening) {
        detail::pushMetatable(L, cls);
        lua_rawgeti(L, -1, detail::StaticsSlot);
    } else {
        cls.name = name;
        cls.parent = parent;
        cls.toParent = toParent;
        detail::registerClassType(cls);
        detail::newClassMetatable(L, cls, parent);

        lua_newtable(L);
        lua_newtable(L);
        if (parent) {
            // Static functions are inherited too.
            detail::pushMetatable(L, *parent);
            lua_rawgeti(L, -1, detail::StaticsSlot);
            lua_setfield(L, -3, "__index");
            lua_pop(L, 1);
        }
        lua_setmetatable(L, -2);
        lua_pushvalue(L, -1);
        lua_rawseti(L, -3, detail::StaticsSlot);
    }
    tables_.back().push();
    rawSetField(L, -1, name, -2);
    lua_pop(L, 1);
    return LuaRef::fromStack(L, -1);
}

namespace detail {

void setMember(lua_State* L, const ClassInfo& cls, const char* name)
{
    const int value = lua_gettop(L);
    pushMetatable(L, cls);
    lua_rawgeti(L, -1, MembersSlot);
    rawSetField(L, -1, name, value);
    lua_rawgeti(L, -2, SettersSlot);
    clearField(L, -1, name);
    lua_settop(L, value - 1);
}

void setAccessor(lua_State* L, const ClassInfo& cls, const char* name)
{
    const int setter = lua_gettop(L);
    pushMetatable(L, cls);
    lua_rawgeti(L, -1, MembersSlot);
    rawSetField(L, -1, name, setter - 1);
    lua_rawgeti(L, -2, SettersSlot);
    rawSetField(L, -1, name, setter);
    lua_settop(L, setter - 2);
}

void setConstructor(const LuaRef& statics)
{
    lua_State* const L = statics.state();
    statics.push();
    lua_getmetatable(L, -1);
    lua_pushvalue(L, -3);
    lua_setfield(L, -2, "__call");
    lua_pop(L, 3);
}

bool pushVariableTables(lua_State* L, int index)
{
    if (!pushVariableMetatable(L, index)) {
        return false;
    }
    lua_rawgeti(L, -1, GettersSlot);
    lua_rawgeti(L, -2, VariableSettersSlot);
    lua_remove(L, -3);
    return true;
}

} // namespace detail

} // namespace luabridge
