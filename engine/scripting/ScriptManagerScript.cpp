#include <lua.hpp>

#include "scripting/ScriptBinding.h"
#include "scripting/ScriptInterface.h"
#include "world/BaseComponent.h"
#include "world/LuaScriptComponent.h"
#include "world/LuaScriptManager.h"

// The script manager's classes in "Core".
namespace Orva::Scripting {

// The named tables that outlive game states; global "luaScript".
void registerLuaScriptManager(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Core")
        .beginClass<LuaScriptManager>("LuaScriptManager")
        .addFunction("getGlobalTable", &LuaScriptManager::getGlobalTable)
        .addFunction("removeGlobalTable", &LuaScriptManager::removeGlobalTable)
        .addFunction("clearGlobalTables", &LuaScriptManager::clearGlobalTables)
        .endClass()
        .endNamespace();
    publishManager<LuaScriptManager>(L, "luaScript");
}

// The component every script instance holds as "handle". "stop" may come from the script's
// own Update: the component is gone when it returns, and its caller touches nothing of it.
void registerLuaScriptComponent(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Core")
        .deriveClass<LuaScriptComponent, BaseComponent>("LuaScriptComponent")
        .addFunction("stop", &LuaScriptComponent::stop)
        .addFunction("pause", &LuaScriptComponent::pause)
        .addFunction("unpause", &LuaScriptComponent::unpause)
        .addData("ScriptClassName", &LuaScriptComponent::ScriptClassName)
        .addData("luaObject", &LuaScriptComponent::luaObject)
        .addData("active", &LuaScriptComponent::active)
        .endClass()
        .endNamespace();
}

} // namespace Orva::Scripting
