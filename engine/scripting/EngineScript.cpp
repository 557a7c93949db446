#include <lua.hpp>

#include "scripting/luabridge/LuaBridge.h"
#include "world/Engine.h"
#include "world/LuaScriptManager.h"

namespace Orva {

namespace {

// "Core"."Engine": the time scale and exit; global "engine".
void registerEngine(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Core")
        .beginClass<Engine>("Engine")
        .addData("timeScale", &Engine::timeScale)
        .addFunction("exit", &Engine::exit)
        .endClass()
        .endNamespace();
    luabridge::setGlobal(L, &Engine::getInstance(), "engine");
}

// The script interface in registration order: a base class comes before every class derived
// from it, and each global is set with its class.
constexpr void (*const ScriptRegistrations[])(lua_State*) = {
    &registerEngine,
};

} // namespace

void Engine::initializeScriptEngine()
{
    if (!renderer_) {
        return;
    }
    lua_State* const L = LuaScriptManager::getInstance().getLuaState();
    for (const auto registration : ScriptRegistrations) {
        registration(L);
    }
}

} // namespace Orva
