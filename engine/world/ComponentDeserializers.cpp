#include "world/ComponentDeserializers.h"

#include <string>
#include <utility>

#include "audio/AudioComponent.h"
#include "core/Reflectable.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/SpriteComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "graphics/TextureManager.h"
#include "physics/AABBCollider.h"
#include "physics/CircleCollider.h"
#include "physics/RigidBody.h"
#include "scripting/luabridge/LuaException.h"
#include "scripting/luabridge/LuaRef.h"
#include "world/CameraComponent.h"
#include "world/GameObject.h"
#include "world/LuaScriptComponent.h"
#include "world/LuaScriptManager.h"
#include "world/TransformComponent.h"
#include "world/XmlValues.h"

namespace Orva {

using tinyxml2::XMLElement;

namespace {

// The object's first component of the type, or a new one; second tells which.
template <class T> std::pair<T*, bool> changeOrAdd(GameObject& object)
{
    if (T* existing = object.getComponent<T>()) {
        return {existing, true};
    }
    return {object.addComponent<T>(), false};
}

const XMLElement* child(const XMLElement& element, const char* name)
{
    return element.FirstChildElement(name);
}

// <active value="..."/>, and the same form for every one-value element.
void readActive(BaseComponent& component, const XMLElement& element)
{
    if (const XMLElement* active = child(element, "active")) {
        component.active = active->BoolAttribute("value");
    }
}

// <layer name="..."/>; a layer element without a name moves nothing.
void readLayer(Graphics::BaseSpriteComponent& component, const XMLElement& element)
{
    std::string layer;
    if (Xml::findText(child(element, "layer"), "name", layer)) {
        component.moveToLayer(layer);
    }
}

void readOffset(Math::Vector2D<float>& offset, const XMLElement& element)
{
    if (const XMLElement* found = child(element, "offset")) {
        offset = Xml::vector2(*found, "x", "y");
    }
}

// Only the value 1 makes a ghost.
void readGhostAndGroup(Physics::BaseCollider& collider, const XMLElement& element)
{
    if (const XMLElement* ghost = child(element, "ghost")) {
        collider.isGhost = ghost->IntAttribute("val") == 1;
    }
    if (const XMLElement* group = child(element, "group")) {
        collider.setCollisionGroupIndex(group->IntAttribute("val"));
    }
}

template <class T> void writeReflected(const ReflectionMap& properties, const char* key, const T& value)
{
    if (T* field = findReflected<T>(properties, key)) {
        *field = value;
    }
}

} // namespace

void TransformComponentDeserializer::execute(GameObject* object, const XMLElement* element)
{
    if (!object || !element) {
        return;
    }
    TransformComponent* transform = object->getTransform();
    const bool changing = transform != nullptr;
    if (!changing) {
        transform = object->addComponent<TransformComponent>();
    }
    if (!transform) {
        return;
    }
    if (const XMLElement* position = child(*element, "position")) {
        transform->getLocalTranslation() = Xml::vector3(*position, "x", "y", "z");
    }
    if (const XMLElement* scale = child(*element, "scale")) {
        transform->getLocalScale() = Xml::vector3(*scale, "x", "y", "z");
    }
    if (const XMLElement* rotation = child(*element, "rotation")) {
        const float angle = rotation->FloatAttribute("angle");
        if (!changing || angle != 0.0f) {
            transform->getLocalRotationRad() = angle;
        }
    }
}

void SpriteComponentDeserializer::execute(GameObject* object, const XMLElement* element)
{
    if (!object || !element) {
        return;
    }
    // An object from a set changes its sprite; one from a set without a sprite gets one.
    Graphics::SpriteComponent* sprite =
        object->sourceSet.empty() ? nullptr : object->getComponent<Graphics::SpriteComponent>();
    if (!sprite) {
        sprite = object->addComponent<Graphics::SpriteComponent>();
    }
    if (!sprite) {
        return;
    }
    readActive(*sprite, *element);
    const XMLElement* colorElement = child(*element, "color");
    const Graphics::Color color = colorElement ? Xml::color(*colorElement) : Graphics::Color();
    std::string texture;
    if (Xml::findText(child(*element, "texture"), "src", texture)) {
        sprite->initialize(texture, color);
    } else {
        sprite->setColor(color);
    }
    if (const XMLElement* animation = child(*element, "animation")) {
        sprite->setHasAnimation(animation->BoolAttribute("hasAnim"));
        sprite->setAnimationFrame(static_cast<int>(animation->UnsignedAttribute("currFrame")));
        sprite->setFPS(static_cast<int>(animation->UnsignedAttribute("fps")));
        sprite->changeAnimation(Xml::text(*animation, "currAnim"));
    }
    if (const XMLElement* flip = child(*element, "flip")) {
        sprite->setFlipX(flip->BoolAttribute("x"));
        sprite->setFlipY(flip->BoolAttribute("y"));
    }
    if (const XMLElement* visible = child(*element, "visible")) {
        sprite->setVisible(visible->BoolAttribute("value"));
    }
    if (const XMLElement* size = child(*element, "size")) {
        sprite->setSize(Xml::vector2(*size, "x", "y"));
    }
    readLayer(*sprite, *element);
}

void LuaScriptComponentDeserializer::execute(GameObject* object, const XMLElement* element)
{
    std::string path;
    if (!object || !element || !Xml::findText(child(*element, "source"), "path", path)) {
        return;
    }
    const std::string className = LuaScriptManager::scriptClassName(path);
    LuaScriptComponent* script = object->getLuaScript(className);
    if (!script) {
        script = object->addLuaScript(className);
    }
    if (!script) {
        return;
    }
    readActive(*script, *element);
    // Values arrive as strings; a var without "data" clears its key.
    Xml::forEachChild(child(*element, "reflect"), "var", [script](const XMLElement& var) {
        std::string name;
        if (!Xml::findText(&var, "name", name)) {
            return;
        }
        std::string data;
        if (Xml::findText(&var, "data", data)) {
            script->luaObject[name] = data;
        } else {
            script->luaObject[name] = luabridge::LuaRef(script->luaObject.state());
        }
    });
}

void SpriteFontDeserializer::execute(GameObject* object, const XMLElement* element)
{
    if (!object || !element) {
        return;
    }
    std::string font;
    const bool hasFont = Xml::findText(child(*element, "font"), "type", font);
    std::string text;
    const bool hasText = Xml::findText(child(*element, "text"), "value", text);

    auto* component = object->getComponent<Graphics::SpriteFontComponent>();
    if (component) {
        if (hasFont) {
            component->setFont(font);
        }
        if (hasText) {
            component->setText(text);
        }
    } else {
        component = object->addComponent<Graphics::SpriteFontComponent>();
        if (!component) {
            return;
        }
        component->initialize(text, font);
    }
    readActive(*component, *element);
    if (const XMLElement* color = child(*element, "color")) {
        component->setColor(Xml::color(*color));
    }
    if (const XMLElement* alignment = child(*element, "alignment")) {
        component->setAlignment(alignment->IntAttribute("value"));
    }
    readLayer(*component, *element);
}

void CircleColliderDeserializer::execute(GameObject* object, const XMLElement* element)
{
    if (!object || !element) {
        return;
    }
    const auto [circle, changing] = changeOrAdd<Physics::CircleCollider>(*object);
    if (!circle) {
        return;
    }
    readActive(*circle, *element);
    if (const XMLElement* radius = child(*element, "radius")) {
        circle->radius = radius->FloatAttribute("rad");
    }
    readOffset(circle->offset, *element);
    if (!changing) {
        // A new circle has its world geometry before anything tests against it.
        circle->update(0.0f);
    }
    readGhostAndGroup(*circle, *element);
}

void AABBColliderDeserializer::execute(GameObject* object, const XMLElement* element)
{
    if (!object || !element) {
        return;
    }
    Physics::AABBCollider* box = changeOrAdd<Physics::AABBCollider>(*object).first;
    if (!box) {
        return;
    }
    readActive(*box, *element);
    if (const XMLElement* size = child(*element, "size")) {
        box->size = Xml::vector2(*size, "x", "y");
    }
    readOffset(box->offset, *element);
    readGhostAndGroup(*box, *element);
}

void RigidBodyDeserializer::execute(GameObject* object, const XMLElement* element)
{
    if (!object || !element) {
        return;
    }
    Physics::RigidBody* body = changeOrAdd<Physics::RigidBody>(*object).first;
    if (!body) {
        return;
    }
    if (const XMLElement* velocity = child(*element, "vel")) {
        body->velocity = Xml::vector3(*velocity, "x", "y", "z");
    }
    if (const XMLElement* angular = child(*element, "ang")) {
        body->angularVelocity = angular->FloatAttribute("angle");
    }
    if (const XMLElement* acceleration = child(*element, "acc")) {
        body->acceleration = Xml::vector3(*acceleration, "x", "y", "z");
    }
    if (const XMLElement* mass = child(*element, "mass")) {
        body->mass = mass->FloatAttribute("value");
    }
    if (const XMLElement* restitution = child(*element, "restitution")) {
        body->restitution = restitution->FloatAttribute("value");
    }
    readActive(*body, *element);
}

void CameraComponentDeserializer::execute(GameObject* object, const XMLElement* /*element*/)
{
    if (object && !CameraComponent::cameraExists()) {
        object->addComponent<CameraComponent>();
    }
}

void ParticleEmitterComponentDeserializer::execute(GameObject* object, const XMLElement* element)
{
    if (!object || !element) {
        return;
    }
    auto* component = changeOrAdd<Graphics::ParticleEmitterComponent>(*object).first;
    if (!component) {
        return;
    }
    Graphics::ParticleEmitter& emitter = *component->get();
    if (const XMLElement* active = child(*element, "active")) {
        emitter.active = active->BoolAttribute("value");
    }
    std::string texture;
    if (Xml::findText(child(*element, "texture"), "src", texture)) {
        Graphics::TextureManager::getInstance().addEmitter(component, texture);
    }
    if (const XMLElement* position = child(*element, "position")) {
        emitter.randomPosition = Xml::vector3(*position, "rx", "ry", "rz");
    }
    if (const XMLElement* size = child(*element, "size")) {
        emitter.setSize(Xml::vector2(*size, "x", "y"), Xml::vector2(*size, "rx", "ry"));
    }
    if (const XMLElement* rotation = child(*element, "rotation")) {
        emitter.setRotation(rotation->FloatAttribute("default"), rotation->FloatAttribute("random"));
    }
    if (const XMLElement* velocity = child(*element, "velocity")) {
        emitter.setVelocity(Xml::vector3(*velocity, "x", "y", "z"),
                            Xml::vector3(*velocity, "rx", "ry", "rz"));
    }
    if (const XMLElement* acceleration = child(*element, "acceleration")) {
        emitter.setAcceleration(Xml::vector3(*acceleration, "x", "y", "z"),
                                Xml::vector3(*acceleration, "rx", "ry", "rz"));
    }
    if (const XMLElement* life = child(*element, "life")) {
        emitter.setLife(life->FloatAttribute("default"), life->FloatAttribute("random"));
    }
    if (const XMLElement* emission = child(*element, "emission")) {
        emitter.setEmissionCount(emission->UnsignedAttribute("count"));
        emitter.setEmissionInterval(emission->FloatAttribute("interval"));
        emitter.setEmit(emission->BoolAttribute("active"));
        emitter.setBlendMode(emission->BoolAttribute("blend"));
        emitter.setParticleCount(emission->UnsignedAttribute("max"));
    }
    Xml::forEachChild(element, "color",
                      [&emitter](const XMLElement& color) { emitter.addColor(Xml::color(color)); });
    readLayer(*component, *element);
    if (const XMLElement* orient = child(*element, "orient")) {
        emitter.setOrientToVelocity(orient->BoolAttribute("value"));
    }
}

void AudioComponentDeserializer::execute(GameObject* object, const XMLElement* element)
{
    if (!object || !element) {
        return;
    }
    Audio::AudioComponent* audio = changeOrAdd<Audio::AudioComponent>(*object).first;
    if (!audio) {
        return;
    }
    const ReflectionMap properties = audio->getReflectibles();
    if (const XMLElement* active = child(*element, "active")) {
        writeReflected(properties, "Active", active->BoolAttribute("value"));
    }
    std::string path;
    if (Xml::findText(child(*element, "path"), "value", path)) {
        writeReflected(properties, "Path", path);
    }
    const std::pair<const char*, const char*> floats[] = {
        {"volume", "Volume"}, {"pitch", "Pitch"}, {"pan", "Pan"}};
    for (const auto& [elementName, key] : floats) {
        if (const XMLElement* found = child(*element, elementName)) {
            writeReflected(properties, key, found->FloatAttribute("value"));
        }
    }
}

} // namespace Orva
