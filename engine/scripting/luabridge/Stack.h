#pragma once

#include <lua.hpp>

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

#include "core/Export.h"

namespace luabridge {

class LuaRef;

/// Conversion between a C++ type and a Lua value: push(L, value) and get(L, index).
/// get raises the Lua argument error ("%s expected, got %s") when the value does not fit.
/// Specialised below for scalars and strings, in Userdata.h for registered classes.
template <class T> struct Stack;

namespace detail {

/// Raises "bad argument #index to 'f' (<expected> expected, got <type of the value>)".
[[noreturn]] ORVA_API void typeError(lua_State* L, int index, const char* expected);

} // namespace detail

template <> struct Stack<bool>
{
    static void push(lua_State* L, bool value) { lua_pushboolean(L, value); }
    static bool get(lua_State* L, int index) { return lua_toboolean(L, index) != 0; }
};

/// Integers and enums follow luaL_checkinteger; unsigned targets wrap (-1 gives the maximum).
template <class T>
requires(std::is_integral_v<T> || std::is_enum_v<T>) struct Stack<T>
{
    static void push(lua_State* L, T value) { lua_pushinteger(L, static_cast<lua_Integer>(value)); }
    static T get(lua_State* L, int index) { return static_cast<T>(luaL_checkinteger(L, index)); }
};

template <class T>
requires std::is_floating_point_v<T>
struct Stack<T>
{
    static void push(lua_State* L, T value) { lua_pushnumber(L, static_cast<lua_Number>(value)); }
    static T get(lua_State* L, int index) { return static_cast<T>(luaL_checknumber(L, index)); }
};

/// A string or a number, embedded zeros kept.
template <> struct Stack<std::string_view>
{
    static void push(lua_State* L, std::string_view value) { lua_pushlstring(L, value.data(), value.size()); }
    static std::string_view get(lua_State* L, int index)
    {
        const int type = lua_type(L, index);
        if (type != LUA_TSTRING && type != LUA_TNUMBER) {
            detail::typeError(L, index, "string");
        }
        std::size_t length = 0;
        const char* text = lua_tolstring(L, index, &length);
        return {text, length};
    }
};

template <> struct Stack<std::string>
{
    static void push(lua_State* L, const std::string& value)
    {
        lua_pushlstring(L, value.data(), value.size());
    }
    static std::string get(lua_State* L, int index)
    {
        return std::string(Stack<std::string_view>::get(L, index));
    }
};

/// Strings only; the pointer lives as long as the value stays on the stack. Null pushes nil.
template <> struct Stack<const char*>
{
    static void push(lua_State* L, const char* value)
    {
        if (value) {
            lua_pushstring(L, value);
        } else {
            lua_pushnil(L);
        }
    }
    static const char* get(lua_State* L, int index)
    {
        if (lua_type(L, index) != LUA_TSTRING) {
            detail::typeError(L, index, "string");
        }
        return lua_tostring(L, index);
    }
};

template <> struct Stack<std::nullptr_t>
{
    static void push(lua_State* L, std::nullptr_t) { lua_pushnil(L); }
};

/// The calling state itself: a parameter of this type takes no script argument.
template <> struct Stack<lua_State*>
{
    static lua_State* get(lua_State* L, int) { return L; }
};

/// Declared here so that no use can instantiate the class-object form for LuaRef first.
template <> struct Stack<LuaRef>
{
    static void push(lua_State* L, const LuaRef& value);
    static LuaRef get(lua_State* L, int index);
};

/// Whether a parameter of type T reads a script argument (only lua_State* does not).
template <class T>
inline constexpr bool consumesArgument = !std::is_same_v<std::remove_cvref_t<T>, lua_State*>;

} // namespace luabridge
