#include <lua.hpp>

#include "scripting/ScriptInterface.h"
#include "scripting/luabridge/Namespace.h"
#include "world/BaseComponent.h"
#include "world/LuaScriptComponent.h"

// The script manager's classes in "Core".
namespace Orva::Scripting {

// The class and its base, which every script instance's "handle" needs. Its script members
// ("stop", "pause", "unpause", "ScriptClassName", "luaObject", "active") are added here with
// the rest of the script manager's interface.
void registerLuaScriptComponent(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Core")
        .deriveClass<LuaScriptComponent, BaseComponent>("LuaScriptComponent")
        .endClass()
        .endNamespace();
}

} // namespace Orva::Scripting
