#pragma once

#include <lua.hpp>

#include <utility>

#include "luabridge/LuaRef.h"
#include "luabridge/Namespace.h"
#include "scripting/ScriptValueTypes.h"

// Small habits shared by the binding files of the engine's managers.
namespace Orva::Scripting {

// Publishes the manager as the script global of that name; nil while it has no instance.
template <class Manager> void publishManager(lua_State* L, const char* name)
{
    luabridge::setGlobal(L, Manager::hasInstance() ? &Manager::getInstance() : nullptr, name);
}

// Registers fn as a static of the class and as a member that ignores its object, for the
// statics that scripts also call on the manager's global ("globals:addLuaTable(name)").
template <class T, class R, class... Args>
void addStaticAndMember(luabridge::Class<T>& cls, const char* name, R (*fn)(Args...))
{
    cls.addStaticFunction(name, fn);
    cls.addFunction(name, [fn](const T&, Args... args) -> R { return fn(std::forward<Args>(args)...); });
}

} // namespace Orva::Scripting
