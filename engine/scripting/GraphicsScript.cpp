#include <lua.hpp>

#include "scripting/ScriptInterface.h"
#include "scripting/luabridge/Namespace.h"
#include "window/Window.h"

// The drawing pipeline's classes in "Graphics".
namespace Orva::Scripting {

// Placeholder: the class with its script name only, so that the script manager can publish
// the program's window as the global "window". It gains its members when the window's
// script interface is built.
void registerWindow(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Graphics")
        .beginClass<Window>("Window")
        .endClass()
        .endNamespace();
}

} // namespace Orva::Scripting
