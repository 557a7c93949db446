#include <lua.hpp>

#include "core/GlobalManager.h"
#include "luabridge/LuaBridge.h"
#include "scripting/ScriptInterface.h"
#include "world/Engine.h"
#include "world/LuaScriptManager.h"

namespace Orva {

namespace Scripting {

namespace {

using Registration = void (*)(lua_State*);

// The whole script interface, in order. A base class comes before every class derived from
// it, and each global is set with its class. The commented steps are registered by the
// bindings of their classes, in place.
constexpr Registration ScriptRegistrations[] = {
    &registerLuaScriptManager,        // 1: global "luaScript"
    &registerTwoComponentVectors,     // 2
    &registerThreeComponentVectors,   // 3
    &registerMathUtils,               // 4
    &registerTween,                   // 5
    &registerActionClasses,           // 6
    &registerActionSetManager,        // 7: global "actions"
    &registerComponentClasses,        // 8
    &registerGameObject,              // 9
    &registerGameObjectManager,       // 10: global "gameObjects"
    &registerGlobalManager,           // 11: global "globals"
    &registerWindow,                  // 12
    &registerEngine,                  // 13: global "engine"
    &registerDrawingPipeline,         // 14: global "graphics"
    &registerObjectUnitSize,          // 15
    &registerEventClasses,            // 16: global "events"
    &registerInputManager,            // 17: global "input"
    &registerPhysicsWorld,            // 18: global "physics"
    &registerResourceManager,         // 19: global "resources"
    &registerTextureManager,          // 20: global "textures"
    &registerFrameShaderDependencies, // 21
    &registerGameStateManager,        // 22: global "gameState"
    &registerSetManager,              // 23: global "sets"
    &registerAudio,                   // 24: global "audio"
    &registerDataAnalyticManager,     // 25: global "analytic"
};

} // namespace

void registerScriptInterface(lua_State* L)
{
    for (const Registration registration : ScriptRegistrations) {
        registration(L);
    }
}

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

// Scripts may change the unit size; its inverse keeps the value the engine computed.
void registerObjectUnitSize(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Graphics")
        .addVariable("ObjectUnitSize", &GlobalManager::ObjectUnitSize);
}

} // namespace Scripting

void Engine::initializeScriptEngine()
{
    if (!renderer_) {
        return;
    }
    Scripting::registerScriptInterface(LuaScriptManager::getInstance().getLuaState());
}

} // namespace Orva
