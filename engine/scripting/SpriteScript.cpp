#include <lua.hpp>

#include "graphics/BaseSpriteComponent.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/SpriteComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "scripting/ScriptInterface.h"
#include "scripting/luabridge/Namespace.h"
#include "world/BaseComponent.h"

// The drawn components in "Graphics".
//
// Placeholders: each class is registered with its script name and base only, so that the
// components "addSprite", "getSprite" and their kin hand to scripts are usable objects. Each
// function gains its class's members when the class itself is built.
namespace Orva::Scripting {

using Graphics::BaseSpriteComponent;

void registerBaseSpriteComponent(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Graphics")
        .deriveClass<BaseSpriteComponent, BaseComponent>("BaseSpriteComponent")
        .endClass()
        .endNamespace();
}

void registerSpriteComponent(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Graphics")
        .deriveClass<Graphics::SpriteComponent, BaseSpriteComponent>("SpriteComponent")
        .endClass()
        .endNamespace();
}

void registerSpriteFontComponent(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Graphics")
        .deriveClass<Graphics::SpriteFontComponent, BaseSpriteComponent>("SpriteFontComponent")
        .endClass()
        .endNamespace();
}

void registerParticleEmitterComponent(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Graphics")
        .deriveClass<Graphics::ParticleEmitterComponent, BaseSpriteComponent>("ParticleEmitterComponent")
        .endClass()
        .endNamespace();
}

} // namespace Orva::Scripting
