#include "luabridge/LuaException.h"

#include <new>
#include <string_view>
#include <utility>
#include <vector>

namespace luabridge {

namespace {

// Registry keys: the addresses are what matters.
const char stateKey = 0;
const char raisedKey = 0;

std::vector<detail::Catcher>& catchers()
{
    static std::vector<detail::Catcher> list;
    return list;
}

// The slot userdata outlives every other finalizer of lua_close (memory is freed only after
// all of them ran), so it only drops the pending exception here instead of being destroyed.
int releaseStateData(lua_State* L)
{
    static_cast<detail::StateData*>(lua_touserdata(L, 1))->pending = nullptr;
    return 0;
}

detail::StateData* findStateData(lua_State* L)
{
    lua_rawgetp(L, LUA_REGISTRYINDEX, &stateKey);
    auto* data = static_cast<detail::StateData*>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    return data;
}

// The error value on top is the message raised for the pending exception.
bool isRaisedForPending(lua_State* L)
{
    lua_rawgetp(L, LUA_REGISTRYINDEX, &raisedKey);
    const bool same = lua_rawequal(L, -1, -2) != 0;
    lua_pop(L, 1);
    return same;
}

// A message handler sees the function that raised the error at level 1 (error itself, a C
// function, for error()); the first level with a line is the script's.
void pushRaisePosition(lua_State* L)
{
    lua_Debug record;
    for (int level = 1; lua_getstack(L, level, &record) != 0; ++level) {
        lua_getinfo(L, "Sl", &record);
        if (record.currentline > 0) {
            lua_pushfstring(L, "%s:%d: ", record.short_src, record.currentline);
            return;
        }
    }
    lua_pushliteral(L, "");
}

int toStringOfFirst(lua_State* L)
{
    luaL_tolstring(L, 1, nullptr);
    return 1;
}

// The value's __tostring text, in protected mode since the metamethod may fail or return
// something else than a string.
bool pushToString(lua_State* L, int index)
{
    lua_pushcfunction(L, &toStringOfFirst);
    lua_pushvalue(L, index);
    if (lua_pcall(L, 1, 1, 0) == LUA_OK) {
        return true;
    }
    lua_pop(L, 1);
    return false;
}

} // namespace

LuaException::LuaException(lua_State* L, int status)
{
    if (lua_gettop(L) == 0) {
        message_ = "missing error";
        return;
    }
    std::size_t length = 0;
    if (const char* text = lua_tolstring(L, -1, &length)) {
        message_.assign(text, length);
    }
    // The finalizer ran inside whatever allocation or collection started the collector: its
    // own message names the line at fault, the wrapping would only add a stray parenthesis.
    constexpr std::string_view FinalizerWrapping = "error in __gc metamethod (";
    if (status == LUA_ERRGCMM && message_.starts_with(FinalizerWrapping) && message_.ends_with(')')) {
        message_ = message_.substr(FinalizerWrapping.size(), message_.size() - FinalizerWrapping.size() - 1);
    }
}

LuaException::LuaException(std::string message) : message_(std::move(message)) {}

const char* LuaException::what() const noexcept
{
    return message_.c_str();
}

std::size_t liveReferenceCount(lua_State* L)
{
    const detail::StateData* data = findStateData(L);
    return data ? data->liveReferences : 0;
}

namespace detail {

int describeErrorValue(lua_State* L)
{
    if (lua_type(L, 1) == LUA_TSTRING) {
        return 1;
    }
    pushRaisePosition(L);
    bool described = false;
    if (luaL_getmetafield(L, 1, "__tostring") != LUA_TNIL) {
        lua_pop(L, 1);
        described = pushToString(L, 1);
    } else if (lua_type(L, 1) == LUA_TNUMBER) {
        described = pushToString(L, 1);
    }
    if (!described) {
        lua_pushfstring(L, "(error object is a %s value)", luaL_typename(L, 1));
    }
    lua_concat(L, 2);
    return 1;
}

StateData& stateData(lua_State* L)
{
    if (StateData* data = findStateData(L)) {
        return *data;
    }
    auto* data = new (lua_newuserdata(L, sizeof(StateData))) StateData;
    lua_createtable(L, 0, 1);
    lua_pushcfunction(L, &releaseStateData);
    lua_setfield(L, -2, "__gc");
    lua_setmetatable(L, -2);
    lua_rawsetp(L, LUA_REGISTRYINDEX, &stateKey);
    lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_MAINTHREAD);
    data->main = lua_tothread(L, -1);
    lua_pop(L, 1);
    return *data;
}

void capturePending(lua_State* L, std::exception_ptr exception, const char* message, bool withPosition)
{
    StateData& data = stateData(L);
    if (withPosition) {
        luaL_where(L, 1);
    } else {
        lua_pushliteral(L, "");
    }
    lua_pushstring(L, message);
    lua_concat(L, 2);
    lua_pushvalue(L, -1);
    lua_rawsetp(L, LUA_REGISTRYINDEX, &raisedKey);
    data.pending = std::move(exception);
}

void protectedCall(lua_State* L, int nargs, int nresults)
{
    protectedCall(stateData(L), L, nargs, nresults);
}

// What a binding threw when the error value is the one raised for it, else the error as a
// LuaException.
void throwCallFailure(StateData& data, lua_State* L, int status)
{
    std::exception_ptr thrown;
    if (data.pending && isRaisedForPending(L)) {
        thrown = data.pending;
    }
    data.pending = nullptr;
    if (thrown) {
        std::rethrow_exception(thrown);
    }
    throw LuaException(L, status);
}

void dropPending(StateData& data) noexcept
{
    data.pending = nullptr;
}

void protectedCallAroundPending(StateData& data, lua_State* L, int nargs, int nresults)
{
    // The slot belongs to this call while it runs; an enclosing call gets its own back after.
    std::exception_ptr outer = std::exchange(data.pending, nullptr);
    int outerRaised = 0;
    if (outer) {
        lua_rawgetp(L, LUA_REGISTRYINDEX, &raisedKey);
        lua_insert(L, -(nargs + 2));
        outerRaised = lua_absindex(L, -(nargs + 2));
    }

    const int handler = lua_gettop(L) - nargs;
    lua_pushcfunction(L, &describeErrorValue);
    lua_insert(L, handler);
    const int status = lua_pcall(L, nargs, nresults, handler);
    lua_remove(L, handler);

    std::exception_ptr thrown;
    if (status != LUA_OK && data.pending && isRaisedForPending(L)) {
        thrown = data.pending;
    }
    data.pending = std::move(outer);
    if (data.pending) {
        lua_pushvalue(L, outerRaised);
        lua_rawsetp(L, LUA_REGISTRYINDEX, &raisedKey);
    }
    if (thrown) {
        std::rethrow_exception(thrown);
    }
    if (status != LUA_OK) {
        throw LuaException(L, status);
    }
}

int runCatchers(lua_State* L, BodyFunction body, void* context, std::size_t next)
{
    const std::vector<Catcher>& list = catchers();
    if (next == list.size()) {
        return body(context);
    }
    return list[next](L, body, context, next + 1);
}

void addCatcher(Catcher catcher)
{
    catchers().push_back(catcher);
}

} // namespace detail

} // namespace luabridge
