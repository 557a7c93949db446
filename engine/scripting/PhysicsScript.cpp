#include <lua.hpp>

#include "luabridge/LuaBridge.h"
#include "physics/AABBCollider.h"
#include "physics/BaseCollider.h"
#include "physics/BoxCollider.h"
#include "physics/CircleCollider.h"
#include "physics/PhysicsWorld.h"
#include "physics/RigidBody.h"
#include "scripting/ScriptBinding.h"
#include "scripting/ScriptInterface.h"
#include "world/BaseComponent.h"
#include "world/LuaScriptComponent.h"
#include "world/LuaScriptManager.h"

// The physics world, the colliders and the rigid body in "Physics", and the world's
// delivery of collision events to scripts.
namespace Orva {

namespace Physics {

// A copy, by value: the listener may keep it past the dispatch. Until "Core"."CollisionEvent"
// is registered the global is not set.
void PhysicsWorld::publishToScripts(const CollisionEvent& event)
{
    if (!LuaScriptManager::hasInstance()) {
        return;
    }
    lua_State* L = LuaScriptManager::getInstance().getLuaState();
    if (luabridge::isRegistered<CollisionEvent>(L)) {
        luabridge::setGlobal(L, event, "collisionEvent");
    }
}

} // namespace Physics

namespace Scripting {

using Physics::AABBCollider;
using Physics::BaseCollider;
using Physics::BoxCollider;
using Physics::CircleCollider;
using Physics::PhysicsWorld;
using Physics::RigidBody;

void registerBaseCollider(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Physics")
        .deriveClass<BaseCollider, BaseComponent>("BaseCollider")
        .addData("IsGhost", &BaseCollider::isGhost)
        .addFunction("getCollisionGroupIndex", &BaseCollider::getCollisionGroupIndex)
        .addFunction("setCollisionGroup", &BaseCollider::setCollisionGroup)
        .addFunction("setCollisionGroupIndex", &BaseCollider::setCollisionGroupIndex)
        .endClass()
        .endNamespace();
}

void registerBoxCollider(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Physics")
        .deriveClass<BoxCollider, BaseCollider>("BoxCollider")
        .addData("Size", &BoxCollider::size)
        .addData("Offset", &BoxCollider::offset)
        .addFunction("checkPointIsWithin", &BoxCollider::checkPointIsWithin)
        .endClass()
        .endNamespace();
}

void registerCircleCollider(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Physics")
        .deriveClass<CircleCollider, BaseCollider>("CircleCollider")
        .addData("Radius", &CircleCollider::radius)
        .addData("Offset", &CircleCollider::offset)
        .addFunction("checkPointIsWithin", &CircleCollider::checkPointIsWithin)
        .endClass()
        .endNamespace();
}

void registerAABBCollider(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Physics")
        .deriveClass<AABBCollider, BaseCollider>("AABBCollider")
        .addData("Size", &AABBCollider::size)
        .addData("Offset", &AABBCollider::offset)
        .addFunction("checkPointIsWithin", &AABBCollider::checkPointIsWithin)
        .endClass()
        .endNamespace();
}

void registerRigidBody(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Physics")
        .deriveClass<RigidBody, BaseComponent>("RigidBody")
        .addData("AngularVelocity", &RigidBody::angularVelocity)
        .addData("Mass", &RigidBody::mass)
        .addData("Restitution", &RigidBody::restitution)
        .addData("KineticFriction", &RigidBody::kineticFriction)
        .addProperty("Velocity", &RigidBody::getVelocity, &RigidBody::setVelocity)
        .addProperty("Acceleration", &RigidBody::getAcceleration, &RigidBody::setAcceleration)
        .endClass()
        .endNamespace();
}

void registerPhysicsWorld(lua_State* L)
{
    using Flag = void (PhysicsWorld::*)(int, int, bool) noexcept;
    using FlagByName = void (PhysicsWorld::*)(const std::string&, const std::string&, bool);
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Physics")
        .beginClass<PhysicsWorld>("PhysicsWorld")
        .addFunction("listenToCollisionEnter", &PhysicsWorld::listenToCollisionEnter)
        .addFunction("listenToCollisionPersist", &PhysicsWorld::listenToCollisionPersist)
        .addFunction("listenToCollisionExit", &PhysicsWorld::listenToCollisionExit)
        .addFunction("stopListeningToEnter", &PhysicsWorld::stopListeningToEnter)
        .addFunction("stopListeningToPersist", &PhysicsWorld::stopListeningToPersist)
        .addFunction("stopListeningToExit", &PhysicsWorld::stopListeningToExit)
        .addFunction("setCollisionGroupName", &PhysicsWorld::setCollisionGroupName)
        .addFunction("getCollisionGroupIndex", &PhysicsWorld::getCollisionGroupIndex)
        .addFunction("setCollisionFlagByIndex", static_cast<Flag>(&PhysicsWorld::setCollisionGroupFlag))
        .addFunction("setCollisionFlagByName", static_cast<FlagByName>(&PhysicsWorld::setCollisionGroupFlag))
        .endClass()
        .endNamespace();
    publishManager<PhysicsWorld>(L, "physics");
}

} // namespace Scripting

} // namespace Orva
