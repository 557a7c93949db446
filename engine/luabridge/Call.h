#pragma once

#include <lua.hpp>

#include <array>
#include <cstddef>
#include <functional>
#include <new>
#include <tuple>
#include <type_traits>
#include <utility>

#include "luabridge/Inventory.h"
#include "luabridge/LuaException.h"
#include "luabridge/LuaRef.h"
#include "luabridge/Stack.h"
#include "luabridge/Userdata.h"

// How C++ callables become Lua functions and accessors: signature deduction, argument
// conversion in order, result pushing, and storage of the callable inside the interpreter.
namespace luabridge::detail {

template <class... T> struct TypeList
{
};

template <class R, class... P> struct Signature
{
    using Result = R;
    using Params = TypeList<P...>;
};

template <class M> struct OperatorSignature;
template <class R, class C, class... P> struct OperatorSignature<R (C::*)(P...)> : Signature<R, P...>
{
};
template <class R, class C, class... P> struct OperatorSignature<R (C::*)(P...) const> : Signature<R, P...>
{
};
template <class R, class C, class... P> struct OperatorSignature<R (C::*)(P...) noexcept> : Signature<R, P...>
{
};
template <class R, class C, class... P>
struct OperatorSignature<R (C::*)(P...) const noexcept> : Signature<R, P...>
{
};

/// Free functions and function objects with one operator() (lambdas, std::function).
template <class F> struct CallableSignature : OperatorSignature<decltype(&F::operator())>
{
};
template <class R, class... P> struct CallableSignature<R (*)(P...)> : Signature<R, P...>
{
};
template <class R, class... P> struct CallableSignature<R (*)(P...) noexcept> : Signature<R, P...>
{
};

/// A member function bound on class T reads its object as a T, whichever base declares it,
/// so that members inherited from unregistered bases bind too.
template <class T, class M> struct MemberSignature;
template <class T, class R, class C, class... P>
struct MemberSignature<T, R (C::*)(P...)> : Signature<R, T&, P...>
{
};
template <class T, class R, class C, class... P>
struct MemberSignature<T, R (C::*)(P...) const> : Signature<R, const T&, P...>
{
};
template <class T, class R, class C, class... P>
struct MemberSignature<T, R (C::*)(P...) noexcept> : Signature<R, T&, P...>
{
};
template <class T, class R, class C, class... P>
struct MemberSignature<T, R (C::*)(P...) const noexcept> : Signature<R, const T&, P...>
{
};

/// Members of T, or proxies taking the object first.
template <class T, class F>
using BoundSignature =
    std::conditional_t<std::is_member_function_pointer_v<F>, MemberSignature<T, F>, CallableSignature<F>>;

template <class... P> constexpr std::array<int, sizeof...(P)> argumentIndices()
{
    std::array<int, sizeof...(P)> indices{};
    [[maybe_unused]] int next = 1;
    [[maybe_unused]] std::size_t i = 0;
    ((indices[i++] = next, next += consumesArgument<P> ? 1 : 0), ...);
    return indices;
}

template <class X> using Pointee = std::remove_cv_t<std::remove_pointer_t<std::remove_reference_t<X>>>;

template <class X> inline constexpr bool isIndirect = std::is_reference_v<X> || std::is_pointer_v<X>;

/// A by-value object returned by reference may be the first argument itself ("return *this").
template <class R, class First>
inline constexpr bool mayReturnFirst =
    isIndirect<R>&& isIndirect<First>&& std::is_same_v<Pointee<R>, Pointee<First>>&& isByValue<Pointee<R>>;

template <class X> const void* addressOf(X& value)
{
    if constexpr (std::is_pointer_v<std::remove_reference_t<X>>) {
        return value;
    } else {
        return std::addressof(value);
    }
}

template <class R, class Params> struct Invoker;

template <class R, class... P> struct Invoker<R, TypeList<P...>>
{
    static constexpr std::array<int, sizeof...(P)> indices = argumentIndices<P...>();

    /// Converts the arguments, calls fn and pushes its result; returns the result count.
    template <class F> static int call(lua_State* L, F& fn)
    {
        return callWith(L, fn, std::index_sequence_for<P...>{});
    }

private:
    template <class F, std::size_t... I> static int callWith(lua_State* L, F& fn, std::index_sequence<I...>)
    {
        // Braced initialisation converts left to right: the first bad argument is reported.
        std::tuple<decltype(Stack<P>::get(L, 0))...> args{Stack<P>::get(L, indices[I])...};
        if constexpr (std::is_void_v<R>) {
            std::invoke(fn, std::get<I>(std::move(args))...);
            return 0;
        } else {
            decltype(auto) result = std::invoke(fn, std::get<I>(std::move(args))...);
            if constexpr (sizeof...(P) > 0) {
                if constexpr (mayReturnFirst<R, std::tuple_element_t<0, std::tuple<P...>>>) {
                    // The script keeps its own userdata rather than a copy or a dangling pointer.
                    if (addressOf(result) == addressOf(std::get<0>(args))) {
                        lua_pushvalue(L, indices[0]);
                        return 1;
                    }
                }
            }
            Stack<R>::push(L, result);
            return 1;
        }
    }
};

template <class Sig, class F> int callWithArguments(lua_State* L, F& fn)
{
    return Invoker<typename Sig::Result, typename Sig::Params>::call(L, fn);
}

template <class T> inline const char boxMetatableKey = 0;

template <class T> int collectBox(lua_State* L)
{
    static_cast<T*>(lua_touserdata(L, 1))->~T();
    return 0;
}

/// Constructs a T in a new userdata, which it pushes; ~T runs at collection when it matters.
template <class T, class... Args> T* newBox(lua_State* L, Args&&... args)
{
    static_assert(alignof(T) <= 8, "Lua aligns userdata to 8 bytes");
    if constexpr (std::is_trivially_destructible_v<T>) {
        return new (lua_newuserdata(L, sizeof(T))) T(std::forward<Args>(args)...);
    } else {
        if (lua_rawgetp(L, LUA_REGISTRYINDEX, &boxMetatableKey<T>) != LUA_TTABLE) {
            lua_pop(L, 1);
            lua_createtable(L, 0, 1);
            lua_pushcfunction(L, &collectBox<T>);
            lua_setfield(L, -2, "__gc");
            lua_pushvalue(L, -1);
            lua_rawsetp(L, LUA_REGISTRYINDEX, &boxMetatableKey<T>);
        }
        T* box = new (lua_newuserdata(L, sizeof(T))) T(std::forward<Args>(args)...);
        lua_insert(L, -2);
        lua_setmetatable(L, -2);
        return box;
    }
}

template <class Sig, class F> int callClosure(lua_State* L)
{
    F& fn = *static_cast<F*>(lua_touserdata(L, lua_upvalueindex(CallableUpvalue)));
    return guardedCall(L, [&] { return callWithArguments<Sig>(L, fn); });
}

/// Pushes a Lua function calling fn.
template <class Sig, class F> void pushFunction(lua_State* L, F fn, const char* name)
{
    newBox<F>(L, std::move(fn));
    lua_pushstring(L, name);
    lua_pushlightuserdata(L, const_cast<SignatureInfo*>(signatureOf<Sig>()));
    lua_pushcclosure(L, &callClosure<Sig, F>, SignatureUpvalue);
}

template <class Sig, class F> struct AccessorBox : Accessor
{
    explicit AccessorBox(F f) : Accessor{&run, signatureOf<Sig>()}, fn(std::move(f)) {}

    static int run(lua_State* L, Accessor* self)
    {
        F& fn = static_cast<AccessorBox*>(self)->fn;
        return guardedCall(L, [&] { return callWithArguments<Sig>(L, fn); });
    }

    F fn;
};

/// Pushes an accessor userdata: fn takes the object first for class members, nothing more
/// for a getter and the new value for a setter.
template <class F> void pushAccessor(lua_State* L, F fn)
{
    newBox<AccessorBox<CallableSignature<F>, F>>(L, std::move(fn));
}

template <class T> int constructValue(lua_State* L)
{
    return guardedCall(L, [L] {
        emplaceValue<T>(L);
        return 1;
    });
}

} // namespace luabridge::detail
