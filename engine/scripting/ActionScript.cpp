#include <lua.hpp>

#include "actions/ActionComponent.h"
#include "scripting/ScriptInterface.h"
#include "scripting/luabridge/Namespace.h"

// The action classes in "Actions".
namespace Orva::Scripting {

// Placeholder: the class with its script name only (it has no script base), so that the
// component "addAction" and "getAction" hand to scripts is a usable object. It gains its
// members with the script classes of the actions.
void registerActionComponent(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Actions")
        .beginClass<Actions::ActionComponent>("ActionComponent")
        .endClass()
        .endNamespace();
}

} // namespace Orva::Scripting
