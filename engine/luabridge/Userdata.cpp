#include "luabridge/Userdata.h"

#include <cxxabi.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <typeindex>
#include <unordered_map>

namespace luabridge {

namespace {

using detail::Accessor;
using detail::MetatableSlot;

std::unordered_map<std::type_index, const ClassInfo*>& classesByType()
{
    static std::unordered_map<std::type_index, const ClassInfo*> classes;
    return classes;
}

// A member name for messages; keys that are neither strings nor numbers show their type.
const char* keyText(lua_State* L, int index)
{
    const int type = lua_type(L, index);
    if (type == LUA_TSTRING || type == LUA_TNUMBER) {
        return lua_tostring(L, index);
    }
    return luaL_typename(L, index);
}

// Functions first, then data and properties, class by class up the script chain.
// An unknown name reads as nil.
int classIndex(lua_State* L)
{
    lua_settop(L, 2);
    lua_getmetatable(L, 1);
    for (;;) {
        lua_rawgeti(L, 3, detail::MembersSlot);
        lua_pushvalue(L, 2);
        const int type = lua_rawget(L, 4);
        if (type == LUA_TFUNCTION) {
            return 1;
        }
        if (type == LUA_TUSERDATA) {
            auto* getter = static_cast<Accessor*>(lua_touserdata(L, 5));
            return getter->invoke(L, getter);
        }
        lua_settop(L, 3);
        if (lua_rawgeti(L, 3, detail::ParentSlot) != LUA_TTABLE) {
            return 1;
        }
        lua_replace(L, 3);
    }
}

int classNewIndex(lua_State* L)
{
    lua_settop(L, 3);
    lua_getmetatable(L, 1);
    for (;;) {
        lua_rawgeti(L, 4, detail::SettersSlot);
        lua_pushvalue(L, 2);
        const int type = lua_rawget(L, 5);
        if (type == LUA_TUSERDATA) {
            // The setter reads the object at 1 and the value at 2.
            lua_remove(L, 2);
            auto* setter = static_cast<Accessor*>(lua_touserdata(L, -1));
            setter->invoke(L, setter);
            return 0;
        }
        if (type == LUA_TBOOLEAN) {
            detail::readOnlyError(L, 2);
        }
        lua_settop(L, 4);
        if (lua_rawgeti(L, 4, detail::ParentSlot) != LUA_TTABLE) {
            return luaL_error(L, "no writable member '%s'", keyText(L, 2));
        }
        lua_replace(L, 4);
    }
}

const HandleStamp* stampOf(const Userdata& userdata)
{
    return userdata.cls->handle.holds ? &static_cast<const HandleUserdata&>(userdata).stamp : nullptr;
}

struct RootAddress
{
    const void* object;
    const ClassInfo* root;
};

RootAddress rootAddress(const Userdata& userdata)
{
    void* object = userdata.object;
    const ClassInfo* cls = userdata.cls;
    for (; cls->parent; cls = cls->parent) {
        if (object) {
            object = cls->toParent(object);
        }
    }
    return {object, cls};
}

// Two script objects are equal when they designate the same object of the same root class,
// whatever classes they were pushed as. Pooled objects compare by slot and id, which holds
// also once the object is gone and never reads it.
int classEq(lua_State* L)
{
    const Userdata* left = detail::toUserdata(L, 1);
    const Userdata* right = detail::toUserdata(L, 2);
    bool equal = false;
    if (left && right) {
        const HandleStamp* leftStamp = stampOf(*left);
        const HandleStamp* rightStamp = stampOf(*right);
        if (leftStamp || rightStamp) {
            equal = leftStamp && rightStamp && leftStamp->slot == rightStamp->slot &&
                    leftStamp->id == rightStamp->id;
        } else {
            const RootAddress a = rootAddress(*left);
            const RootAddress b = rootAddress(*right);
            equal = a.object == b.object && a.root == b.root;
        }
    }
    lua_pushboolean(L, equal);
    return 1;
}

int collectValue(lua_State* L)
{
    auto* userdata = static_cast<Userdata*>(lua_touserdata(L, 1));
    if (userdata->object) {
        userdata->cls->destroyValue(userdata->object);
        userdata->object = nullptr;
    }
    return 0;
}

const char* typeNameOf(lua_State* L, int index)
{
    if (luaL_getmetafield(L, index, "__name") == LUA_TSTRING) {
        return lua_tostring(L, -1);
    }
    if (lua_type(L, index) == LUA_TLIGHTUSERDATA) {
        return "light userdata";
    }
    return luaL_typename(L, index);
}

} // namespace

ClassInfo::ClassInfo(const std::type_info& cppType, void (*destroy)(void*), bool trivialDestructor,
                     HandleHooks handleHooks)
    : type(cppType), destroyValue(destroy), trivialDestructor(trivialDestructor), handle(handleHooks)
{
}

std::string ClassInfo::displayName() const
{
    if (!name.empty()) {
        return name;
    }
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    return status == 0 && demangled ? demangled.get() : type.name();
}

bool isRegistered(lua_State* L, const ClassInfo& cls)
{
    const bool registered = lua_rawgetp(L, LUA_REGISTRYINDEX, &cls) == LUA_TTABLE;
    lua_pop(L, 1);
    return registered;
}

void invalidate(lua_State* L, int index)
{
    Userdata* userdata = detail::toUserdata(L, index);
    if (userdata && !userdata->cls->byValue()) {
        userdata->object = nullptr;
    }
}

namespace detail {

void argumentError(lua_State* L, int index, const char* message)
{
    lua_Debug caller;
    if (!lua_getstack(L, 0, &caller)) {
        luaL_error(L, "bad argument #%d (%s)", index, message);
    }
    lua_getinfo(L, "n", &caller);
    if (caller.namewhat && std::strcmp(caller.namewhat, "method") == 0) {
        --index;
        if (index == 0) {
            luaL_error(L, "calling '%s' on bad self (%s)", caller.name, message);
        }
    }
    const char* name = caller.name;
    if (!name) {
        // Called by the interpreter's own functions (pcall, a coroutine, ...), which leave
        // the call unnamed: the function keeps its bound name.
        const int bound = lua_upvalueindex(NameUpvalue);
        name = lua_type(L, bound) == LUA_TSTRING ? lua_tostring(L, bound) : "?";
    }
    luaL_error(L, "bad argument #%d to '%s' (%s)", index, name, message);
    __builtin_unreachable();
}

void typeError(lua_State* L, int index, const char* expected)
{
    const char* actual = typeNameOf(L, index);
    argumentError(L, index, lua_pushfstring(L, "%s expected, got %s", expected, actual));
}

lua_Integer toInteger(lua_State* L, int index, lua_Integer lowest, lua_Integer highest)
{
    int isInteger = 0;
    const lua_Integer value = lua_tointegerx(L, index, &isInteger);
    if (!isInteger && !lua_isnumber(L, index)) {
        typeError(L, index, "number");
    }
    if (!isInteger || value < lowest || value > highest) {
        argumentError(L, index, "number has no integer representation");
    }
    return value;
}

lua_Number toNumber(lua_State* L, int index)
{
    int isNumber = 0;
    const lua_Number value = lua_tonumberx(L, index, &isNumber);
    if (!isNumber) {
        typeError(L, index, "number");
    }
    return value;
}

void readOnlyError(lua_State* L, int keyIndex)
{
    luaL_error(L, "'%s' is read-only", keyText(L, keyIndex));
    __builtin_unreachable();
}

void pushMetatable(lua_State* L, const ClassInfo& cls)
{
    if (lua_rawgetp(L, LUA_REGISTRYINDEX, &cls) != LUA_TTABLE) {
        lua_pop(L, 1);
        throw std::logic_error("class '" + cls.displayName() + "' is not registered");
    }
}

Userdata* toUserdata(lua_State* L, int index)
{
    if (lua_type(L, index) != LUA_TUSERDATA || !lua_getmetatable(L, index)) {
        return nullptr;
    }
    const bool ours = lua_rawgeti(L, -1, ClassSlot) == LUA_TLIGHTUSERDATA;
    lua_pop(L, 2);
    return ours ? static_cast<Userdata*>(lua_touserdata(L, index)) : nullptr;
}

void* toObject(lua_State* L, int index, const ClassInfo& target, bool nilAllowed)
{
    if (const Userdata* userdata = toUserdata(L, index)) {
        if (!userdata->object) {
            argumentError(L, index, lua_pushfstring(L, "%s is no longer valid", userdata->cls->name.c_str()));
        }
        if (const HandleStamp* stamp = stampOf(*userdata); stamp && !userdata->cls->handle.holds(*stamp)) {
            luaL_error(L, "%s no longer exists", userdata->cls->name.c_str());
        }
        void* object = userdata->object;
        for (const ClassInfo* cls = userdata->cls; cls; cls = cls->parent) {
            if (cls == &target) {
                return object;
            }
            if (cls->parent) {
                object = cls->toParent(object);
            }
        }
    } else if (nilAllowed && lua_isnoneornil(L, index)) {
        return nullptr;
    }
    typeError(L, index, target.displayName().c_str());
}

void pushPointer(lua_State* L, void* object, const ClassInfo& cls)
{
    pushMetatable(L, cls);
    if (cls.handle.stamp) {
        auto* handle = static_cast<HandleUserdata*>(lua_newuserdata(L, sizeof(HandleUserdata)));
        *handle = {{object, &cls}, cls.handle.stamp(object)};
    } else {
        auto* userdata = static_cast<Userdata*>(lua_newuserdata(L, sizeof(Userdata)));
        *userdata = {object, &cls};
    }
    lua_insert(L, -2);
    lua_setmetatable(L, -2);
}

const ClassInfo* dynamicClass(lua_State* L, const std::type_info& type, const ClassInfo& staticClass)
{
    const auto& classes = classesByType();
    const auto found = classes.find(type);
    if (found == classes.end()) {
        return nullptr;
    }
    for (const ClassInfo* cls = found->second; cls; cls = cls->parent) {
        if (cls == &staticClass) {
            return isRegistered(L, *found->second) ? found->second : nullptr;
        }
    }
    return nullptr;
}

void newClassMetatable(lua_State* L, const ClassInfo& cls, const ClassInfo* parent)
{
    lua_createtable(L, StaticsSlot, 5);
    lua_pushcfunction(L, &classIndex);
    lua_setfield(L, -2, "__index");
    lua_pushcfunction(L, &classNewIndex);
    lua_setfield(L, -2, "__newindex");
    lua_pushcfunction(L, &classEq);
    lua_setfield(L, -2, "__eq");
    lua_pushstring(L, cls.name.c_str());
    lua_setfield(L, -2, "__name");
    if (cls.byValue() && !cls.trivialDestructor) {
        lua_pushcfunction(L, &collectValue);
        lua_setfield(L, -2, "__gc");
    }
    lua_newtable(L);
    lua_rawseti(L, -2, MembersSlot);
    lua_newtable(L);
    lua_rawseti(L, -2, SettersSlot);
    if (parent) {
        pushMetatable(L, *parent);
        lua_rawseti(L, -2, ParentSlot);
    }
    lua_pushlightuserdata(L, const_cast<ClassInfo*>(&cls));
    lua_rawseti(L, -2, ClassSlot);
    lua_pushvalue(L, -1);
    lua_rawsetp(L, LUA_REGISTRYINDEX, &cls);
}

void registerClassType(const ClassInfo& cls)
{
    classesByType().emplace(cls.type, &cls);
}

} // namespace detail

} // namespace luabridge
