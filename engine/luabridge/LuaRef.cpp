#include "luabridge/LuaRef.h"

#include <cassert>
#include <utility>

namespace luabridge {

namespace {

// Run through protectedCall so that a failing metamethod throws instead of panicking.
int getTable(lua_State* L)
{
    lua_gettable(L, 1);
    return 1;
}

int setTable(lua_State* L)
{
    lua_settable(L, 1);
    return 0;
}

} // namespace

LuaRef::LuaRef(detail::StateData& data, int ref) noexcept : data_(&data), ref_(ref)
{
    ++data_->liveReferences;
}

LuaRef::LuaRef(lua_State* L) : LuaRef(detail::stateData(L), LUA_REFNIL) {}

LuaRef LuaRef::fromStack(lua_State* L, int index)
{
    detail::StateData& data = detail::stateData(L);
    lua_pushvalue(L, index);
    return LuaRef(data, luaL_ref(L, LUA_REGISTRYINDEX));
}

LuaRef LuaRef::getGlobal(lua_State* L, const char* name)
{
    const detail::StackRestore restore(L);
    lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
    lua_pushstring(L, name);
    lua_rawget(L, -2);
    return fromStack(L, -1);
}

LuaRef LuaRef::newTable(lua_State* L)
{
    const detail::StackRestore restore(L);
    lua_newtable(L);
    return fromStack(L, -1);
}

LuaRef::LuaRef(const LuaRef& other) : LuaRef(*other.data_, LUA_REFNIL)
{
    assert(other.data_ && "copy of a moved-from LuaRef");
    if (other.ref_ != LUA_REFNIL) {
        other.push();
        ref_ = luaL_ref(state(), LUA_REGISTRYINDEX);
    }
}

LuaRef::LuaRef(LuaRef&& other) noexcept : data_(std::exchange(other.data_, nullptr)), ref_(other.ref_) {}

LuaRef& LuaRef::operator=(const LuaRef& other)
{
    if (this != &other) {
        *this = LuaRef(other);
    }
    return *this;
}

LuaRef& LuaRef::operator=(LuaRef&& other) noexcept
{
    if (this != &other) {
        std::swap(data_, other.data_);
        std::swap(ref_, other.ref_);
    }
    return *this;
}

LuaRef::~LuaRef()
{
    if (data_) {
        luaL_unref(data_->main, LUA_REGISTRYINDEX, ref_);
        --data_->liveReferences;
    }
}

void LuaRef::push() const
{
    push(state());
}

int LuaRef::type() const
{
    if (!data_ || ref_ == LUA_REFNIL) {
        return LUA_TNIL;
    }
    lua_State* const L = state();
    const int type = lua_rawgeti(L, LUA_REGISTRYINDEX, ref_);
    lua_pop(L, 1);
    return type;
}

LuaRef::Proxy::Proxy(LuaRef table, LuaRef key) : table_(std::move(table)), key_(std::move(key)) {}

LuaRef LuaRef::Proxy::get() const
{
    lua_State* const L = table_.state();
    const detail::StackRestore restore(L);
    lua_pushcfunction(L, &getTable);
    table_.push(L);
    key_.push(L);
    detail::protectedCall(L, 2, 1);
    return fromStack(L, -1);
}

LuaRef::Proxy& LuaRef::Proxy::operator=(const Proxy& other)
{
    if (this != &other) {
        *this = other.get();
    }
    return *this;
}

void LuaRef::Proxy::assignTop() const
{
    lua_State* const L = table_.state();
    lua_pushcfunction(L, &setTable);
    table_.push(L);
    key_.push(L);
    lua_rotate(L, -4, -1);
    detail::protectedCall(L, 3, 0);
}

} // namespace luabridge
