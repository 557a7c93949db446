#include <lua.hpp>

#include <string>

#include "actions/ActionComponent.h"
#include "audio/AudioComponent.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/SpriteComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "luabridge/LuaRef.h"
#include "luabridge/Namespace.h"
#include "physics/AABBCollider.h"
#include "physics/BoxCollider.h"
#include "physics/CircleCollider.h"
#include "physics/RigidBody.h"
#include "scripting/ScriptInterface.h"
#include "world/BaseComponent.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/LuaScriptComponent.h"
#include "world/TransformComponent.h"

// The game-object model in "Core": the base component, the transform, game objects and their
// manager (the global "gameObjects"), and the order in which every component class is
// registered.
namespace Orva::Scripting {

namespace {

using Audio::AudioComponent;
using Graphics::ParticleEmitterComponent;
using Graphics::SpriteComponent;
using Graphics::SpriteFontComponent;
using Physics::AABBCollider;
using Physics::BoxCollider;
using Physics::CircleCollider;
using Physics::RigidBody;

using Registration = void (*)(lua_State*);

// Bases before the classes derived from them.
constexpr Registration ComponentRegistrations[] = {
    &registerBaseComponent,
    &registerLuaScriptComponent,
    &registerTransformComponent,
    &registerBaseSpriteComponent,
    &registerSpriteComponent,
    &registerSpriteFontComponent,
    &registerParticleEmitterComponent,
    &registerParticleEmitter,
    &registerAudioComponent,
    &registerBaseCollider,
    &registerBoxCollider,
    &registerCircleCollider,
    &registerAABBCollider,
    &registerRigidBody,
    &registerActionComponent,
};

} // namespace

void registerComponentClasses(lua_State* L)
{
    for (const Registration registration : ComponentRegistrations) {
        registration(L);
    }
}

void registerBaseComponent(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Core")
        .beginClass<BaseComponent>("BaseComponent")
        .addData("owner", &BaseComponent::owner, false)
        .addData("componentID", &BaseComponent::componentID, false)
        .addData("Active", &BaseComponent::active)
        .endClass()
        .endNamespace();
}

// The local values are written as a whole: reading "LocalTranslation" gives a copy.
void registerTransformComponent(lua_State* L)
{
    using Transform = TransformComponent;
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Core")
        .deriveClass<Transform, BaseComponent>("TransformComponent")
        .addProperty(
            "LocalRotationRad", [](Transform& transform) { return transform.getLocalRotationRad(); },
            &Transform::setLocalRotationRad)
        .addFunction("forceUpdate", &Transform::forceUpdate)
        .addProperty("UpVector", &Transform::getUpVector)
        .addProperty("RightVector", &Transform::getRightVector)
        .addFunction("getWorldTranslation", &Transform::getWorldTranslation)
        .addFunction("getWorldScale", &Transform::getWorldScale)
        .addFunction("getWorldRotationRad", &Transform::getWorldRotationRad)
        .addFunction("setWorldTranslation", &Transform::setWorldTranslation)
        .addFunction("setWorldScale", &Transform::setWorldScale)
        .addFunction("setWorldRotationRad", &Transform::setWorldRotationRad)
        .addFunction("pushRotation", &Transform::pushRotation)
        .addProperty("LocalTranslation", &Transform::getLocalTranslation, &Transform::setLocalTranslation)
        .addProperty("LocalScale", &Transform::getLocalScale, &Transform::setLocalScale)
        .endClass()
        .endNamespace();
}

// "getParent", "getChildCount", "getLuaScript", "getChild" and "getChildByIndex" are const
// members, so they also serve constant objects.
void registerGameObject(lua_State* L)
{
    using Object = GameObject;
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Core")
        .beginClass<Object>("GameObject")
        .addData("Name", &Object::name)
        .addData("name", &Object::name)
        .addProperty("transform", &Object::getTransform, &Object::setTransform)
        .addProperty(
            "Active", [](const Object& object) { return static_cast<bool>(object.active); },
            [](Object& object, bool active) { object.active = active; })
        .addData("objectID", &Object::objectID)
        .addFunction("getParent", &Object::getParent)
        .addFunction("unparent", &Object::unparent)
        .addFunction("removeComponent",
                     static_cast<void (Object::*)(const std::string&)>(&Object::removeComponent))
        .addFunction("setParent", static_cast<void (Object::*)(Object*)>(&Object::setParent))
        .addFunction("setParentDecideMovement",
                     static_cast<void (Object::*)(Object*, bool)>(&Object::setParent))
        .addFunction("getChildCount", &Object::getChildCount)
        .addFunction("addChild", &Object::addChild)
        .addFunction("addLuaScript", &Object::addLuaScript)
        .addFunction("removeLuaScript", &Object::removeLuaScript)
        .addFunction("getLuaScript", &Object::getLuaScript)
        .addFunction("removeChildByPointer", static_cast<void (Object::*)(Object*)>(&Object::removeChild))
        .addFunction("removeChildByName",
                     static_cast<void (Object::*)(const std::string&)>(&Object::removeChild))
        .addFunction("getChild",
                     static_cast<Object* (Object::*)(const std::string&) const>(&Object::getChild))
        .addFunction("getChildByIndex", static_cast<Object* (Object::*)(unsigned) const>(&Object::getChild))
        .addFunction("addTransform", &Object::addComponent<TransformComponent>)
        .addFunction("addSprite", &Object::addComponent<SpriteComponent>)
        .addFunction("addBoxCollider", &Object::addComponent<BoxCollider>)
        .addFunction("addCircleCollider", &Object::addComponent<CircleCollider>)
        .addFunction("addRigidBody", &Object::addComponent<RigidBody>)
        .addFunction("addAABBCollider", &Object::addComponent<AABBCollider>)
        .addFunction("addAction", &Object::addComponent<Actions::ActionComponent>)
        .addFunction("addParticle",
                     [](Object& object) {
                         ParticleEmitterComponent* emitter = object.addComponent<ParticleEmitterComponent>();
                         if (emitter != nullptr) {
                             emitter->get()->active = true;
                         }
                         return emitter;
                     })
        .addFunction("addSpriteFont", &Object::addComponent<SpriteFontComponent>)
        .addFunction("addAudio", &Object::addComponent<AudioComponent>)
        .addFunction("getTransform", &Object::getTransform)
        .addFunction("getSprite", &Object::getComponent<SpriteComponent>)
        .addFunction("getSpriteFont", &Object::getComponent<SpriteFontComponent>)
        .addFunction("getBoxCollider", &Object::getComponent<BoxCollider>)
        .addFunction("getCircleCollider", &Object::getComponent<CircleCollider>)
        .addFunction("getRigidBody", &Object::getComponent<RigidBody>)
        .addFunction("getAABBCollider", &Object::getComponent<AABBCollider>)
        .addFunction("getAction", &Object::getComponent<Actions::ActionComponent>)
        .addFunction("getParticle", &Object::getComponent<ParticleEmitterComponent>)
        .addFunction("getAudio", &Object::getComponent<AudioComponent>)
        .addFunction("getCollider", &Object::getCollider)
        .addFunction("removeTransform", &Object::removeComponent<TransformComponent>)
        .addFunction("removeSprite", &Object::removeComponent<SpriteComponent>)
        .addFunction("removeBoxCollider", &Object::removeComponent<BoxCollider>)
        .addFunction("removeCircleCollider", &Object::removeComponent<CircleCollider>)
        .addFunction("removeRigidBody", &Object::removeComponent<RigidBody>)
        .addFunction("removeAABBCollider", &Object::removeComponent<AABBCollider>)
        .addFunction("removeAction", &Object::removeComponent<Actions::ActionComponent>)
        .addFunction("removeParticle", &Object::removeComponent<ParticleEmitterComponent>)
        .addFunction("removeSpriteFont", &Object::removeComponent<SpriteFontComponent>)
        .addFunction("removeAudio", &Object::removeComponent<AudioComponent>)
        .endClass()
        .endNamespace();
}

// "destroy" defers like "destroyNextFrame"; "destroyNow" and "destroyNowName" act at once.
void registerGameObjectManager(lua_State* L)
{
    using Manager = GameObjectManager;
    using Object = GameObject;
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Core")
        .beginClass<Manager>("GameObjectManager")
        .addFunction("find", &Manager::find)
        .addFunction("destroyAllObjects", &Manager::destroyAllObjects)
        .addFunction("destroyNextFrame", &Manager::destroyNextFrame)
        .addFunction("getTotalMemoryAllocationCount", &Manager::getTotalMemoryAllocationCount)
        .addFunction("doMemoryDump", &Manager::doMemoryDumpForScript)
        .addFunction("doHiearchyDump", &Manager::doHiearchyDumpForScript)
        .addFunction("createGO", static_cast<Object* (Manager::*)()>(&Manager::create))
        .addFunction("createGOWithName",
                     static_cast<Object* (Manager::*)(const std::string&)>(&Manager::create))
        .addFunction("createGOAndAttach", static_cast<Object* (Manager::*)(Object*)>(&Manager::create))
        .addFunction("createGOAndAttachWithName",
                     static_cast<Object* (Manager::*)(const std::string&, Object*)>(&Manager::create))
        .addFunction("destroyNow", static_cast<void (Manager::*)(Object*)>(&Manager::destroy))
        .addFunction("destroyNowName", static_cast<void (Manager::*)(const std::string&)>(&Manager::destroy))
        .addFunction("destroy", &Manager::destroyNextFrame)
        .addFunction("destroyName", &Manager::destroyNextFrameName)
        .endClass()
        .endNamespace();
    luabridge::setGlobal(L, Manager::hasInstance() ? &Manager::getInstance() : nullptr, "gameObjects");
}

} // namespace Orva::Scripting
