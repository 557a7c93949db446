#pragma once

#include <lua.hpp>

#include <cstddef>
#include <exception>
#include <string>
#include <type_traits>

#include "core/Export.h"

namespace luabridge {

/// A failed protected call. what() is the error value as lua_tostring gives it: "" when the
/// value has no string form, "missing error" when the stack held nothing. Calls made through
/// protectedCall never raise a value without one: their message handler (describeErrorValue)
/// turns it into text first.
class ORVA_API LuaException : public std::exception
{
public:
    /// Takes the error value on top of L's stack, leaving the stack as it is. With the status
    /// of an error raised in a __gc metamethod (LUA_ERRGCMM), what() is the finalizer's own
    /// message ("<file>:<line>: <text>" as it raised it), without the interpreter's
    /// "error in __gc metamethod (...)" around it.
    explicit LuaException(lua_State* L, int status = LUA_ERRRUN);
    explicit LuaException(std::string message);

    const char* what() const noexcept override;

private:
    std::string message_;
};

/// Makes a C++ exception type that does not derive from std::exception cross Lua like the
/// standard ones: a binding that throws E raises message(e) as a Lua error, and the LuaRef call
/// that started the script rethrows the original E. Registering E again replaces its message.
template <class E> void registerException(std::string (*message)(const E&));

/// Number of LuaRef objects alive on L's interpreter; 0 before lua_close, or one leaks.
ORVA_API std::size_t liveReferenceCount(lua_State* L);

namespace detail {

/// One per interpreter, shared by every coroutine of it; lives in a registry userdata.
struct StateData
{
    lua_State* main = nullptr;
    /// What a binding threw, kept until the LuaRef call that started the script collects it.
    std::exception_ptr pending;
    std::size_t liveReferences = 0;
};

ORVA_API StateData& stateData(lua_State* L);

/// Restores the stack top when it leaves scope, also when a push or a call throws.
class StackRestore
{
public:
    explicit StackRestore(lua_State* L) : L_(L), top_(lua_gettop(L)) {}
    StackRestore(const StackRestore&) = delete;
    StackRestore& operator=(const StackRestore&) = delete;
    ~StackRestore() { lua_settop(L_, top_); }

private:
    lua_State* L_;
    int top_;
};

/// The message handler of protectedCall. A string error value goes on unchanged; any other
/// value becomes the text "<file>:<line>: " of the script line that raised it (as the
/// interpreter prefixes a string error) followed by its __tostring text, the number's text,
/// or "(error object is a <type> value)" when it has neither or __tostring fails.
ORVA_API int describeErrorValue(lua_State* L);

/// Calls the function below the nargs arguments on top of L in protected mode, with
/// describeErrorValue as its message handler, and leaves nresults values. A failure restores
/// nothing: it rethrows what a binding threw when the error value is the one raised for it,
/// else throws LuaException. The caller restores the top.
ORVA_API void protectedCall(lua_State* L, int nargs, int nresults);

/// protectedCall while an enclosing call's exception waits in the slot.
ORVA_API void protectedCallAroundPending(StateData& data, lua_State* L, int nargs, int nresults);
/// The throw of a call that failed with that status and began with an empty slot; the slot is
/// left empty.
[[noreturn]] ORVA_API void throwCallFailure(StateData& data, lua_State* L, int status);
/// Empties the slot of an exception whose error the script itself caught.
ORVA_API void dropPending(StateData& data) noexcept;

/// The same for a call whose caller pushed describeErrorValue at handler, below the function,
/// so that no stack slot moves; the handler stays and the caller restores the top. Inline: it
/// is on the path of every script component's step.
inline void protectedCallOverHandler(StateData& data, lua_State* L, int handler, int nargs, int nresults)
{
    if (data.pending) {
        lua_remove(L, handler);
        protectedCallAroundPending(data, L, nargs, nresults);
        return;
    }
    if (const int status = lua_pcall(L, nargs, nresults, handler); status != LUA_OK) {
        throwCallFailure(data, L, status);
    }
    if (data.pending) {
        dropPending(data);
    }
}

/// protectedCall with L's StateData already at hand (a LuaRef keeps it), saving its lookup.
inline void protectedCall(StateData& data, lua_State* L, int nargs, int nresults)
{
    if (data.pending) {
        protectedCallAroundPending(data, L, nargs, nresults);
        return;
    }
    const int handler = lua_gettop(L) - nargs;
    lua_pushcfunction(L, &describeErrorValue);
    lua_insert(L, handler);
    protectedCallOverHandler(data, L, handler, nargs, nresults);
    lua_remove(L, handler);
}

/// Stores the exception in L's slot and pushes the message to raise for it, prefixed with the
/// calling script position when withPosition is set.
ORVA_API void capturePending(lua_State* L, std::exception_ptr exception, const char* message,
                             bool withPosition);

using BodyFunction = int (*)(void* body);
using Catcher = int (*)(lua_State* L, BodyFunction body, void* context, std::size_t next);

/// Runs body inside one try block per registered exception type. Returns the body's result,
/// or -1 with the message pushed when a registered type was caught.
ORVA_API int runCatchers(lua_State* L, BodyFunction body, void* context, std::size_t next = 0);
ORVA_API void addCatcher(Catcher catcher);

template <class E> inline std::string (*exceptionMessage)(const E&) = nullptr;

template <class E> int catchRegistered(lua_State* L, BodyFunction body, void* context, std::size_t next)
{
    try {
        return runCatchers(L, body, context, next);
    } catch (const E& e) {
        capturePending(L, std::current_exception(), exceptionMessage<E>(e).c_str(), true);
    }
    return -1;
}

template <class Body> int invokeBody(void* body)
{
    return (*static_cast<Body*>(body))();
}

/// Runs a binding's conversions and call. A thrown exception becomes a Lua error raised from
/// here, with the exception kept for the LuaRef call that started the script. Only known
/// types are caught: a catch-all would also swallow the interpreter's own error throw.
template <class Body> int guardedCall(lua_State* L, Body&& body)
{
    int results = -1;
    try {
        results = runCatchers(L, &invokeBody<std::remove_reference_t<Body>>, &body);
    } catch (const LuaException& e) {
        // Already carries the position of the script that failed.
        capturePending(L, std::current_exception(), e.what(), false);
    } catch (const std::exception& e) {
        capturePending(L, std::current_exception(), e.what(), true);
    }
    if (results < 0) {
        return lua_error(L);
    }
    return results;
}

} // namespace detail

template <class E> void registerException(std::string (*message)(const E&))
{
    const bool known = detail::exceptionMessage<E> != nullptr;
    detail::exceptionMessage<E> = message;
    if (!known) {
        detail::addCatcher(&detail::catchRegistered<E>);
    }
}

} // namespace luabridge
