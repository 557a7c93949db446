#include <lua.hpp>

#include <string>

#include "graphics/BaseSpriteComponent.h"
#include "graphics/Color.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/SpriteComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "graphics/TextureManager.h"
#include "luabridge/Namespace.h"
#include "scripting/ScriptInterface.h"
#include "world/BaseComponent.h"

// The drawn components in "Graphics", the particle emitter, and the texture manager in "Core"
// with its global "textures".
namespace Orva::Scripting {

namespace {

using Graphics::BaseSpriteComponent;
using Graphics::Color;
using Graphics::ParticleEmitter;
using Graphics::ParticleEmitterComponent;
using Graphics::SpriteComponent;
using Graphics::SpriteFontComponent;
using Graphics::TextureManager;

// "moveToLayer" by name and "moveToLayerById" by place, shared by every drawn component.
template <class Component>
luabridge::Class<Component>& addLayerMoves(luabridge::Class<Component>& registration)
{
    return registration
        .addFunction("moveToLayer", static_cast<void (BaseSpriteComponent::*)(const std::string&)>(
                                        &BaseSpriteComponent::moveToLayer))
        .addFunction("moveToLayerById",
                     static_cast<void (BaseSpriteComponent::*)(unsigned)>(&BaseSpriteComponent::moveToLayer));
}

} // namespace

void registerBaseSpriteComponent(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Graphics")
        .deriveClass<BaseSpriteComponent, BaseComponent>("BaseSpriteComponent")
        .endClass()
        .endNamespace();
}

// "CurrFrame" writes the frame drawn alone: the next step works it out from the frame timer
// again, while "setAnimationFrame" moves the timer too.
void registerSpriteComponent(lua_State* L)
{
    using Sprite = SpriteComponent;
    auto sprite = luabridge::getGlobalNamespace(L)
                      .beginNamespace("Graphics")
                      .deriveClass<Sprite, BaseSpriteComponent>("SpriteComponent");
    sprite.addFunction("init", confinedPathCall(&Sprite::initForScript, "init"))
        .addFunction("changeAnimation", &Sprite::changeAnimation)
        .addFunction("changeTexture", confinedPathCall(&Sprite::changeTexture, "changeTexture"))
        .addFunction("getCurrentAnimation", &Sprite::getCurrentAnimation)
        .addFunction("setVisible", &Sprite::setVisible)
        .addFunction("isVisible", &Sprite::isVisible)
        .addFunction("setAnimationFrame", &Sprite::setAnimationFrame)
        .addFunction("setAnimationLoops", &Sprite::setAnimationLoops)
        .addFunction("getCurrentLoopCount", &Sprite::getCurrentLoopCount)
        .addFunction("isAnimationDone", &Sprite::isAnimationDone);
    addLayerMoves(sprite)
        .addProperty("HasAnimation", &Sprite::hasAnimation, &Sprite::setHasAnimation)
        .addProperty("CurrFrame", &Sprite::getAnimationFrame, &Sprite::setFrameIndex)
        .addProperty("FPS", &Sprite::getFPS, &Sprite::setFPS)
        .addProperty("FlipX", &Sprite::isFlippedX, &Sprite::setFlipX)
        .addProperty("FlipY", &Sprite::isFlippedY, &Sprite::setFlipY)
        .addFunction("pushFPS", &Sprite::pushFPS)
        .addFunction("pushCurrFrame", &Sprite::pushCurrFrame)
        .addProperty("Visible", &Sprite::isVisible, &Sprite::setVisible)
        .addProperty("Size", &Sprite::getSize, &Sprite::setSize)
        .addProperty(
            "Color", [](const Sprite& component) { return component.getColor(); }, &Sprite::setColor)
        .endClass()
        .endNamespace();
}

void registerSpriteFontComponent(lua_State* L)
{
    using Text = SpriteFontComponent;
    auto text = luabridge::getGlobalNamespace(L)
                    .beginNamespace("Graphics")
                    .deriveClass<Text, BaseSpriteComponent>("SpriteFontComponent");
    text.addFunction("setText", &Text::setText)
        .addFunction("getText", &Text::getText)
        .addFunction("setFont", &Text::setFont)
        .addFunction("initialize", &Text::initialize)
        .addFunction("setAlignment", &Text::setAlignment);
    addLayerMoves(text)
        .addProperty(
            "Color", [](const Text& component) { return component.getColor(); }, &Text::setColor)
        .endClass()
        .endNamespace();
}

// The component owns its emitter: scripts may reach it but not replace it.
void registerParticleEmitterComponent(lua_State* L)
{
    using Component = ParticleEmitterComponent;
    auto component = luabridge::getGlobalNamespace(L)
                         .beginNamespace("Graphics")
                         .deriveClass<Component, BaseSpriteComponent>("ParticleEmitterComponent");
    component.addProperty("Emitter", &Component::get).addFunction("get", &Component::get);
    addLayerMoves(component).endClass().endNamespace();
}

// "Enable" is the emit flag; the position (kept at the object) and the active flag are not
// shown. An empty texture path drops the texture.
void registerParticleEmitter(lua_State* L)
{
    using Emitter = ParticleEmitter;
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Graphics")
        .beginClass<Emitter>("ParticleEmitter")
        .addData("Enable", &Emitter::emit)
        .addData("EmissionCount", &Emitter::emissionCount)
        .addData("EmissionInterval", &Emitter::emissionInterval)
        .addData("RandomPosition", &Emitter::randomPosition)
        .addData("ParticleSize", &Emitter::particleSize)
        .addData("RandomParticleSize", &Emitter::randomParticleSize)
        .addData("Velocity", &Emitter::velocity)
        .addData("RandomVelocity", &Emitter::randomVelocity)
        .addData("Acceleration", &Emitter::acceleration)
        .addData("RandomAcceleration", &Emitter::randomAcceleration)
        .addData("Life", &Emitter::life)
        .addData("RandomLife", &Emitter::randomLife)
        .addData("Rotation", &Emitter::rotation)
        .addData("RandomRotation", &Emitter::randomRotation)
        .addData("BlendAdditive", &Emitter::blendAdditive)
        .addData("OrientToVelocity", &Emitter::orientToVelocity)
        .addFunction("setParticleCount", &Emitter::setParticleCount)
        .addFunction("addColor", &Emitter::addColor)
        .addFunction("removeColor", &Emitter::removeColor)
        .addFunction("setTexture",
                     [](Emitter& emitter, const std::string& path) {
                         if (path.empty() || acceptScriptPath(path, "setTexture")) {
                             emitter.setTexture(path);
                         }
                     })
        .endClass()
        .endNamespace();
}

void registerTextureManager(lua_State* L)
{
    luabridge::getGlobalNamespace(L)
        .beginNamespace("Core")
        .beginClass<TextureManager>("TextureManager")
        .addFunction("setPersistantTexture", &TextureManager::setPersistantTexture)
        .addFunction("load", confinedPathCall(&TextureManager::load, "load"))
        .endClass()
        .endNamespace();
    luabridge::setGlobal(L, TextureManager::hasInstance() ? &TextureManager::getInstance() : nullptr,
                         "textures");
}

} // namespace Orva::Scripting
