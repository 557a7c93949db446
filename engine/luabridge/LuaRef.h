#pragma once

#include <lua.hpp>

#include <cassert>
#include <optional>
#include <type_traits>

#include "core/Export.h"
#include "luabridge/LuaException.h"
#include "luabridge/Stack.h"
#include "luabridge/Userdata.h"

namespace luabridge {

namespace detail {

template <class T> void pushArgument(lua_State* L, const T& value)
{
    Stack<std::decay_t<const T>>::push(L, value);
}

} // namespace detail

/// A registry reference to one Lua value. Copies take a new reference; every LuaRef must be
/// gone before lua_close (liveReferenceCount tells). Operations that run script code or
/// metamethods are protected: they throw LuaException (or what a binding threw) and leave
/// the stack as they found it.
class ORVA_API LuaRef
{
public:
    class Proxy;

    /// A reference to nil.
    explicit LuaRef(lua_State* L);
    template <class T> LuaRef(lua_State* L, const T& value);

    static LuaRef fromStack(lua_State* L, int index = -1);
    /// The global's current value, nil when absent; reads _G raw, so it raises nothing.
    static LuaRef getGlobal(lua_State* L, const char* name);
    static LuaRef newTable(lua_State* L);

    LuaRef(const LuaRef& other);
    LuaRef(LuaRef&& other) noexcept;
    LuaRef& operator=(const LuaRef& other);
    LuaRef& operator=(LuaRef&& other) noexcept;
    ~LuaRef();

    /// The main thread of the interpreter, whatever thread made the reference.
    lua_State* state() const
    {
        assert(data_ && "use of a moved-from LuaRef");
        return data_->main;
    }
    void push() const;
    /// Pushes onto L, a thread of the same interpreter.
    void push(lua_State* L) const { lua_rawgeti(L, LUA_REGISTRYINDEX, ref_); }

    int type() const;
    bool isNil() const { return type() == LUA_TNIL; }
    bool isFunction() const { return type() == LUA_TFUNCTION; }
    bool isTable() const { return type() == LUA_TTABLE; }

    /// The value converted like a binding argument; a value that does not fit throws
    /// LuaException with the argument error.
    template <class T> T cast() const;

    template <class Key> Proxy operator[](const Key& key) const;

    /// Calls the value in protected mode and returns its first result. Nothing of *this is
    /// used once the call starts, so the callee may destroy this reference's owner.
    template <class... Args> LuaRef operator()(const Args&... args) const;
    /// The same call with its results dropped, for callers that read none: no reference is
    /// made for a result.
    template <class... Args> void call(const Args&... args) const;

private:
    LuaRef(detail::StateData& data, int ref) noexcept;

    template <class T> static int castValue(lua_State* L);

    detail::StateData* data_;
    int ref_;
};

/// The value at table[key], read or assigned in protected mode (metamethods apply).
class ORVA_API LuaRef::Proxy
{
public:
    Proxy(LuaRef table, LuaRef key);

    /// Reads the current value.
    LuaRef get() const;
    operator LuaRef() const { return get(); }

    template <class T> Proxy& operator=(const T& value);
    Proxy& operator=(const Proxy& other);

    template <class T> T cast() const { return get().template cast<T>(); }
    bool isNil() const { return get().isNil(); }
    template <class Key> Proxy operator[](const Key& key) const { return get()[key]; }
    template <class... Args> LuaRef operator()(const Args&... args) const { return get()(args...); }

private:
    /// Assigns the value on top of the stack, which it pops.
    void assignTop() const;

    LuaRef table_;
    LuaRef key_;
};

template <class T> LuaRef::LuaRef(lua_State* L, const T& value) : LuaRef(L)
{
    const detail::StackRestore restore(L);
    detail::pushArgument(L, value);
    *this = fromStack(L, -1);
}

template <class T> int LuaRef::castValue(lua_State* L)
{
    auto* result = static_cast<std::optional<T>*>(lua_touserdata(L, 2));
    return detail::guardedCall(L, [&] {
        result->emplace(Stack<T>::get(L, 1));
        return 0;
    });
}

template <class T> T LuaRef::cast() const
{
    static_assert(!std::is_reference_v<T>, "cast to a value or a pointer");
    lua_State* const L = state();
    const detail::StackRestore restore(L);
    std::optional<T> result;
    lua_pushcfunction(L, &castValue<T>);
    push(L);
    lua_pushlightuserdata(L, &result);
    detail::protectedCall(L, 2, 0);
    return std::move(*result);
}

template <class Key> LuaRef::Proxy LuaRef::operator[](const Key& key) const
{
    return Proxy(*this, LuaRef(state(), key));
}

template <class... Args> LuaRef LuaRef::operator()(const Args&... args) const
{
    lua_State* const L = state();
    const detail::StackRestore restore(L);
    push(L);
    (detail::pushArgument(L, args), ...);
    detail::protectedCall(*data_, L, static_cast<int>(sizeof...(Args)), 1);
    return fromStack(L, -1);
}

template <class... Args> void LuaRef::call(const Args&... args) const
{
    lua_State* const L = state();
    // The handler goes in below the function before it is pushed: a stepped script component
    // makes this call every step, and moving the handler under it afterwards costs slot moves.
    const int top = lua_gettop(L);
    try {
        lua_pushcfunction(L, &detail::describeErrorValue);
        push(L);
        (detail::pushArgument(L, args), ...);
        detail::protectedCallOverHandler(*data_, L, top + 1, static_cast<int>(sizeof...(Args)), 0);
        lua_settop(L, top);
    } catch (...) {
        lua_settop(L, top);
        throw;
    }
}

template <class T> LuaRef::Proxy& LuaRef::Proxy::operator=(const T& value)
{
    lua_State* const L = table_.state();
    const detail::StackRestore restore(L);
    detail::pushArgument(L, value);
    assignTop();
    return *this;
}

inline void Stack<LuaRef>::push(lua_State* L, const LuaRef& value)
{
    value.push(L);
}

inline LuaRef Stack<LuaRef>::get(lua_State* L, int index)
{
    return LuaRef::fromStack(L, index);
}

template <> struct Stack<LuaRef::Proxy>
{
    static void push(lua_State* L, const LuaRef::Proxy& value) { value.get().push(L); }
};

/// Reads the global; nil when absent.
inline LuaRef getGlobal(lua_State* L, const char* name)
{
    return LuaRef::getGlobal(L, name);
}

/// Sets the global raw, so that no metamethod of _G runs.
template <class T> void setGlobal(lua_State* L, const T& value, const char* name)
{
    const detail::StackRestore restore(L);
    lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS);
    lua_pushstring(L, name);
    detail::pushArgument(L, value);
    lua_rawset(L, -3);
}

/// Pushes a value as bindings do: an unregistered class throws std::logic_error and leaves
/// the stack as it was.
template <class T> void push(lua_State* L, const T& value)
{
    detail::pushArgument(L, value);
}

} // namespace luabridge
