#include <lua.hpp>

#include "physics/AABBCollider.h"
#include "physics/BaseCollider.h"
#include "physics/BoxCollider.h"
#include "physics/CircleCollider.h"
#include "physics/RigidBody.h"
#include "scripting/ScriptInterface.h"
#include "scripting/luabridge/Namespace.h"
#include "world/BaseComponent.h"

// The physics components in "Physics".
//
// Placeholders: each class is registered with its script name and base only, so that the
// colliders and bodies "addBoxCollider", "getCollider" and their kin hand to scripts are
// usable objects. Each function gains its class's members when the class itself is built.
namespace Orva::Scripting {

using Physics::BaseCollider;

void registerBaseCollider(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Physics")
        .deriveClass<BaseCollider, BaseComponent>("BaseCollider")
        .endClass()
        .endNamespace();
}

void registerBoxCollider(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Physics")
        .deriveClass<Physics::BoxCollider, BaseCollider>("BoxCollider")
        .endClass()
        .endNamespace();
}

void registerCircleCollider(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Physics")
        .deriveClass<Physics::CircleCollider, BaseCollider>("CircleCollider")
        .endClass()
        .endNamespace();
}

void registerAABBCollider(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Physics")
        .deriveClass<Physics::AABBCollider, BaseCollider>("AABBCollider")
        .endClass()
        .endNamespace();
}

void registerRigidBody(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Physics")
        .deriveClass<Physics::RigidBody, BaseComponent>("RigidBody")
        .endClass()
        .endNamespace();
}

} // namespace Orva::Scripting
