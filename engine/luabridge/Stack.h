#pragma once

#include <lua.hpp>

#include <cstddef>
#include <limits>
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

/// Raises "bad argument #index to 'f' (<message>)", as luaL_argerror does, with the bound
/// name of the running function where the interpreter knows none (a call through pcall).
[[noreturn]] ORVA_API void argumentError(lua_State* L, int index, const char* message);
/// Raises "bad argument #index to 'f' (<expected> expected, got <type of the value>)".
[[noreturn]] ORVA_API void typeError(lua_State* L, int index, const char* expected);
/// The integer at index, as luaL_checkinteger reads it, when it lies in [lowest, highest];
/// else the argument error of a float without an integer value.
ORVA_API lua_Integer toInteger(lua_State* L, int index, lua_Integer lowest, lua_Integer highest);
/// The number at index, as luaL_checknumber reads it.
ORVA_API lua_Number toNumber(lua_State* L, int index);

/// What an integer target accepts: its own range, and for unsigned targets narrower than a
/// Lua integer also the negative values of their width, which wrap (-1 gives the maximum).
template <class T> struct IntegerRange
{
    using Limits = std::numeric_limits<T>;
    static constexpr bool wide = sizeof(T) >= sizeof(lua_Integer);
    static constexpr lua_Integer lowest =
        wide
            ? std::numeric_limits<lua_Integer>::min()
            : (std::is_signed_v<T> ? static_cast<lua_Integer>(Limits::min())
                                   : -static_cast<lua_Integer>(std::make_signed_t<T>(Limits::max() / 2)) - 1);
    static constexpr lua_Integer highest =
        wide ? std::numeric_limits<lua_Integer>::max() : static_cast<lua_Integer>(Limits::max());
};

} // namespace detail

template <> struct Stack<bool>
{
    static void push(lua_State* L, bool value) { lua_pushboolean(L, value); }
    static bool get(lua_State* L, int index) { return lua_toboolean(L, index) != 0; }
};

/// Integers and enums (as their underlying type) follow luaL_checkinteger, and a value
/// outside the target's range is refused like a float without an integer value.
template <class T>
requires(std::is_integral_v<T> || std::is_enum_v<T>) struct Stack<T>
{
    using Range = detail::IntegerRange<
        typename std::conditional_t<std::is_enum_v<T>, std::underlying_type<T>, std::type_identity<T>>::type>;

    static void push(lua_State* L, T value) { lua_pushinteger(L, static_cast<lua_Integer>(value)); }
    static T get(lua_State* L, int index)
    {
        return static_cast<T>(detail::toInteger(L, index, Range::lowest, Range::highest));
    }
};

template <class T>
requires std::is_floating_point_v<T>
struct Stack<T>
{
    static void push(lua_State* L, T value) { lua_pushnumber(L, static_cast<lua_Number>(value)); }
    static T get(lua_State* L, int index) { return static_cast<T>(detail::toNumber(L, index)); }
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
