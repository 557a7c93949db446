#include "world/ComponentDeserializers.h"

#include <string>
#include <utility>

#include "audio/AudioComponent.h"
#include "core/Reflectable.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/SpriteComponent.h"
#include "graphics/SpriteFontComponent.h"
#include "graphics/TextureManager.h"
#include "luabridge/LuaException.h"
#include "luabridge/LuaRef.h"
#include "physics/AABBCollider.h"
#include "physics/CircleCollider.h"
#include "physics/RigidBody.h"
#include "world/CameraComponent.h"
#include "world/GameObject.h"
#include "world/GameObjectDeserializer.h"
#include "world/LuaScriptComponent.h"
#include "world/LuaScriptManager.h"
#include "world/TransformComponent.h"
#include "world/XmlValues.h"

namespace Orva {

using tinyxml2::XMLElement;

namespace {

// Reads into the object's first component of the type, or into a new one (changing tells
// which); nothing for a null object or element, or when no component can be added.
template <class T, class Read> void changeOrAdd(GameObject* object, const XMLElement* element, Read&& read)
{
    if (!object || !element) {
        return;
    }
    T* existing = object->getComponent<T>();
    T* component = existing ? existing : object->addComponent<T>();
    if (component) {
        read(*component, *element, existing != nullptr);
    }
}

const XMLElement* child(const XMLElement& element, const char* name)
{
    return element.FirstChildElement(name);
}

// <name attribute="..."/> into the target, when the element is there.
void readFloat(const XMLElement& element, const char* name, const char* attribute, float& target)
{
    if (const XMLElement* found = child(element, name)) {
        target = found->FloatAttribute(attribute);
    }
}

// <name x="..." y="..." z="..."/> into the target, when the element is there.
void readVector3(const XMLElement& element, const char* name, Math::Vector3D<float>& target)
{
    if (const XMLElement* found = child(element, name)) {
        target = Xml::vector3(*found, "x", "y", "z");
    }
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

void readCircle(Physics::CircleCollider& circle, const XMLElement& comp, bool changing)
{
    readActive(circle, comp);
    readFloat(comp, "radius", "rad", circle.radius);
    readOffset(circle.offset, comp);
    if (!changing) {
        // A new circle has its world geometry at once; the world pairs it only after its
        // pool's step, once the object is placed.
        circle.refreshGeometry();
    }
    readGhostAndGroup(circle, comp);
}

void readBox(Physics::AABBCollider& box, const XMLElement& comp, bool /*changing*/)
{
    readActive(box, comp);
    if (const XMLElement* size = child(comp, "size")) {
        box.size = Xml::vector2(*size, "x", "y");
    }
    readOffset(box.offset, comp);
    readGhostAndGroup(box, comp);
}

void readBody(Physics::RigidBody& body, const XMLElement& comp, bool /*changing*/)
{
    readVector3(comp, "vel", body.velocity);
    readFloat(comp, "ang", "angle", body.angularVelocity);
    readVector3(comp, "acc", body.acceleration);
    readFloat(comp, "mass", "value", body.mass);
    readFloat(comp, "restitution", "value", body.restitution);
    readActive(body, comp);
}

void readAudio(Audio::AudioComponent& audio, const XMLElement& comp, bool /*changing*/)
{
    const ReflectionMap properties = audio.getReflectibles();
    if (const XMLElement* active = child(comp, "active")) {
        writeReflected(properties, "Active", active->BoolAttribute("value"));
    }
    std::string path;
    if (Xml::findText(child(comp, "path"), "value", path)) {
        writeReflected(properties, "Path", path);
    }
    const std::pair<const char*, const char*> floats[] = {
        {"volume", "Volume"}, {"pitch", "Pitch"}, {"pan", "Pan"}};
    for (const auto& [elementName, key] : floats) {
        if (const XMLElement* found = child(comp, elementName)) {
            writeReflected(properties, key, found->FloatAttribute("value"));
        }
    }
}

void readEmitter(Graphics::ParticleEmitterComponent& component, const XMLElement& comp, bool /*changing*/)
{
    Graphics::ParticleEmitter& emitter = *component.get();
    if (const XMLElement* active = child(comp, "active")) {
        emitter.active = active->BoolAttribute("value");
    }
    std::string texture;
    if (Xml::findText(child(comp, "texture"), "src", texture)) {
        Graphics::TextureManager::getInstance().addEmitter(&component, texture);
    }
    if (const XMLElement* position = child(comp, "position")) {
        emitter.randomPosition = Xml::vector3(*position, "rx", "ry", "rz");
    }
    if (const XMLElement* size = child(comp, "size")) {
        emitter.setSize(Xml::vector2(*size, "x", "y"), Xml::vector2(*size, "rx", "ry"));
    }
    if (const XMLElement* rotation = child(comp, "rotation")) {
        emitter.setRotation(rotation->FloatAttribute("default"), rotation->FloatAttribute("random"));
    }
    if (const XMLElement* velocity = child(comp, "velocity")) {
        emitter.setVelocity(Xml::vector3(*velocity, "x", "y", "z"),
                            Xml::vector3(*velocity, "rx", "ry", "rz"));
    }
    if (const XMLElement* acceleration = child(comp, "acceleration")) {
        emitter.setAcceleration(Xml::vector3(*acceleration, "x", "y", "z"),
                                Xml::vector3(*acceleration, "rx", "ry", "rz"));
    }
    if (const XMLElement* life = child(comp, "life")) {
        emitter.setLife(life->FloatAttribute("default"), life->FloatAttribute("random"));
    }
    if (const XMLElement* emission = child(comp, "emission")) {
        emitter.setEmissionCount(emission->UnsignedAttribute("count"));
        emitter.setEmissionInterval(emission->FloatAttribute("interval"));
        emitter.setEmit(emission->BoolAttribute("active"));
        emitter.setBlendMode(emission->BoolAttribute("blend"));
        emitter.setParticleCount(emission->UnsignedAttribute("max"));
    }
    Xml::forEachChild(&comp, "color",
                      [&emitter](const XMLElement& color) { emitter.addColor(Xml::color(color)); });
    readLayer(component, comp);
    if (const XMLElement* orient = child(comp, "orient")) {
        emitter.setOrientToVelocity(orient->BoolAttribute("value"));
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
    readVector3(*element, "position", transform->getLocalTranslation());
    readVector3(*element, "scale", transform->getLocalScale());
    if (const XMLElement* rotation = child(*element, "rotation")) {
        const float angle = rotation->FloatAttribute("angle");
        if (!changing || angle != 0.0f) {
            transform->getLocalRotationRad() = angle;
        }
    }
    transform->placeIfNew();
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
        ObjectXmlReport::dropped(*object, "no script class \"" + className + "\" loaded");
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
    changeOrAdd<Physics::CircleCollider>(object, element, readCircle);
}

void AABBColliderDeserializer::execute(GameObject* object, const XMLElement* element)
{
    changeOrAdd<Physics::AABBCollider>(object, element, readBox);
}

void RigidBodyDeserializer::execute(GameObject* object, const XMLElement* element)
{
    changeOrAdd<Physics::RigidBody>(object, element, readBody);
}

void CameraComponentDeserializer::execute(GameObject* object, const XMLElement* /*element*/)
{
    if (object && !CameraComponent::cameraExists()) {
        object->addComponent<CameraComponent>();
    }
}

void ParticleEmitterComponentDeserializer::execute(GameObject* object, const XMLElement* element)
{
    changeOrAdd<Graphics::ParticleEmitterComponent>(object, element, readEmitter);
}

void AudioComponentDeserializer::execute(GameObject* object, const XMLElement* element)
{
    changeOrAdd<Audio::AudioComponent>(object, element, readAudio);
}

} // namespace Orva
