#pragma once

#include <lua.hpp>

#include <string>

#include "core/Export.h"
#include "scripting/ScriptValueTypes.h"

// What scripts see of the engine: one registration function per script-visible class (or
// group of classes registered together), each in the binding file of its family. A base
// class is registered before every class derived from it; a manager's registration also sets
// its global. registerScriptInterface runs them all in the engine's fixed order. Every binding
// file includes this header, and with it the list of types that cross by value.
namespace Orva::Scripting {

// Every registration, in order, on L. Engine::initializeScriptEngine runs it once the
// renderer exists; a headless engine (tests, tools) may run it directly.
ORVA_API void registerScriptInterface(lua_State* L);

// MathScript.cpp: "Math"."Vector2f"/"Vector2i"/"Vector2u", then the three-component classes
// (each with its "Math"."<class>_toString"), then "Math"."Utils".
ORVA_API void registerTwoComponentVectors(lua_State* L);
ORVA_API void registerThreeComponentVectors(lua_State* L);
ORVA_API void registerMathUtils(lua_State* L);

// GameObjectScript.cpp: the component classes in their fixed order (registerComponentClasses
// runs every registration of a component class, whichever file holds it), "Core"."GameObject",
// and "Core"."GameObjectManager" with the global "gameObjects".
ORVA_API void registerComponentClasses(lua_State* L);
ORVA_API void registerBaseComponent(lua_State* L);
ORVA_API void registerTransformComponent(lua_State* L);
ORVA_API void registerGameObject(lua_State* L);
ORVA_API void registerGameObjectManager(lua_State* L);

// ScriptManagerScript.cpp: "Core"."LuaScriptManager" with the global "luaScript", and
// "Core"."LuaScriptComponent", under "BaseComponent".
ORVA_API void registerLuaScriptManager(lua_State* L);
ORVA_API void registerLuaScriptComponent(lua_State* L);

// GlobalManagerScript.cpp: "Core"."GlobalManager" with the global "globals".
ORVA_API void registerGlobalManager(lua_State* L);

// SpriteScript.cpp: "Graphics"."BaseSpriteComponent" and the drawn components under it.
ORVA_API void registerBaseSpriteComponent(lua_State* L);
ORVA_API void registerSpriteComponent(lua_State* L);
ORVA_API void registerSpriteFontComponent(lua_State* L);
ORVA_API void registerParticleEmitterComponent(lua_State* L);
ORVA_API void registerParticleEmitter(lua_State* L);
// "Core"."TextureManager" with the global "textures".
ORVA_API void registerTextureManager(lua_State* L);

// AudioScript.cpp: "Audio"."AudioComponent", a class of its own with its group; then
// "Core"."AudioManager", "Audio"."AudioChannel" (by value), "AudioBaseGroup" and the two
// groups under it, and the global "audio".
ORVA_API void registerAudioComponent(lua_State* L);
ORVA_API void registerAudio(lua_State* L);

// PhysicsScript.cpp: "Physics"."BaseCollider", the three colliders under it, "RigidBody";
// "Physics"."PhysicsWorld" with the global "physics".
ORVA_API void registerBaseCollider(lua_State* L);
ORVA_API void registerBoxCollider(lua_State* L);
ORVA_API void registerCircleCollider(lua_State* L);
ORVA_API void registerAABBCollider(lua_State* L);
ORVA_API void registerRigidBody(lua_State* L);
ORVA_API void registerPhysicsWorld(lua_State* L);

// ActionScript.cpp: "Actions"."Tween", the easing functions; the action classes
// "ActionBase", "ActionComplex" (not under "ActionBase") with "ActionGroup" and
// "ActionSequence" under it, "ActionDelay" under "ActionBase"; "ActionSetManager" with the
// global "actions"; "ActionComponent", a class of its own.
ORVA_API void registerTween(lua_State* L);
ORVA_API void registerActionClasses(lua_State* L);
ORVA_API void registerActionSetManager(lua_State* L);
ORVA_API void registerActionComponent(lua_State* L);

// The two slots a script's push fills: float fields, and int (and unsigned) fields.
enum class PushedSlot {
    Float,
    Int,
};
// Records the script value at index (the vector or colour whose field was just pushed) as
// the holder of the slot's address, in the interpreter's registry: a tween a script then
// makes on that field keeps the value alive (ActionScript.cpp).
ORVA_API void recordPushedValue(lua_State* L, int index, PushedSlot slot);

// A push member bound for scripts: the field's address goes into its slot, and the value
// the script called it on is recorded with it.
template <class Value> auto recordingPush(void (Value::*push)() noexcept, PushedSlot slot)
{
    return [push, slot](Value& value, lua_State* L) {
        (value.*push)();
        recordPushedValue(L, 1, slot);
    };
}

// GraphicsScript.cpp: "Graphics"."Window", the class of the global "window"; "Renderer",
// "Layer", "Viewport", "ShaderValue", "ObjectShader", "FrameShader" and "Color" with the
// global "graphics" (nil without a renderer); the read-only "FrameShader_PREVIOUS" and
// "FrameShader_SCREEN".
ORVA_API void registerWindow(lua_State* L);
ORVA_API void registerDrawingPipeline(lua_State* L);
ORVA_API void registerFrameShaderDependencies(lua_State* L);
// Whether a script may hand the engine this path of a file to open under the resource
// directory: one that ResourceManager::scriptPathUnder takes, backslashes read as slashes, so
// not leading out of the resource folder, through a link either. A refused path is named on
// stderr with the script function's name; an accepted one is read the checked way from then
// on (ResourceManager::readCheckedFromNowOn).
ORVA_API bool acceptScriptPath(const std::string& path, const char* function);

// A member taking the path of a file to open, bound for scripts: called only for a path they
// may give.
template <class Object> auto confinedPathCall(void (Object::*call)(const std::string&), const char* function)
{
    return [call, function](Object& object, const std::string& path) {
        if (acceptScriptPath(path, function)) {
            (object.*call)(path);
        }
    };
}

// EventManagerScript.cpp: "Core"."BaseEvent" and "Core"."LuaEvent" (the classes of the
// global "luaEvent"), "Core"."CollisionEvent" (the class of "collisionEvent", by value), then
// "Core"."EventManager" with the global "events".
ORVA_API void registerEventClasses(lua_State* L);

// InputScript.cpp: "Input"."InputManager" with the global "input", and the read-only tables
// "ButtonState" and "Keys".
ORVA_API void registerInputManager(lua_State* L);

// WorldScript.cpp: "Resources"."ResourceManager", "Core"."GameStateManager" and
// "Core"."SetManager", with the globals "resources", "gameState" and "sets".
ORVA_API void registerResourceManager(lua_State* L);
ORVA_API void registerGameStateManager(lua_State* L);
ORVA_API void registerSetManager(lua_State* L);

// AnalyticsScript.cpp: "Core"."DataAnalyticManager" with the global "analytic".
ORVA_API void registerDataAnalyticManager(lua_State* L);

// EngineScript.cpp: "Core"."Engine" with the global "engine"; the namespace variable
// "Graphics"."ObjectUnitSize".
ORVA_API void registerEngine(lua_State* L);
ORVA_API void registerObjectUnitSize(lua_State* L);

} // namespace Orva::Scripting
