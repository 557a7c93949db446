#include "world/GameObjectDeserializer.h"

#include <iostream>
#include <string>
#include <utility>

#include "world/ComponentDeserializers.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/SetManager.h"
#include "world/XmlValues.h"

namespace Orva {

using tinyxml2::XMLElement;

namespace {

using ComponentReader = void (*)(GameObject*, const XMLElement*);

// Indexed by XmlComponentType; null where a number names no component.
constexpr ComponentReader ComponentReaders[] = {
    &TransformComponentDeserializer::execute,
    &SpriteComponentDeserializer::execute,
    &LuaScriptComponentDeserializer::execute,
    &SpriteFontDeserializer::execute,
    nullptr,
    &CircleColliderDeserializer::execute,
    &AABBColliderDeserializer::execute,
    &RigidBodyDeserializer::execute,
    &CameraComponentDeserializer::execute,
    &ParticleEmitterComponentDeserializer::execute,
    &AudioComponentDeserializer::execute,
};
static_assert(std::size(ComponentReaders) == static_cast<std::size_t>(XmlComponentType::Audio) + 1);

void readComponent(GameObject& object, const XMLElement& component)
{
    const int type = component.IntAttribute("type");
    if (type < 0 || static_cast<std::size_t>(type) >= std::size(ComponentReaders)) {
        return;
    }
    if (const ComponentReader reader = ComponentReaders[type]) {
        reader(&object, &component);
    }
}

ObjectXmlReport* innermostReport = nullptr;

GameObject* createFromElement(const XMLElement& element)
{
    GameObjectManager& objects = GameObjectManager::getInstance();
    const char* name = element.Attribute("name");
    return name ? objects.create(std::string(name)) : objects.create();
}

} // namespace

GameObject* GameObjectDeserializer::execute(const XMLElement* element, bool fromSet)
{
    if (!element) {
        return nullptr;
    }
    const std::string setName = Xml::text(*element, "set");
    GameObject* object = nullptr;
    bool setMissing = false;
    if (!fromSet && !setName.empty() && SetManager::hasInstance()) {
        SetManager& sets = SetManager::getInstance();
        object = sets.createFromSet(setName);
        setMissing = sets.getSets().count(setName) == 0;
    }
    if (!object) {
        object = createFromElement(*element);
    }
    if (setMissing) {
        ObjectXmlReport::dropped(*object, "no object set \"" + setName + "\"");
    }
    // A value that is not a boolean leaves the flag as it was.
    bool active = object->active;
    if (element->QueryBoolAttribute("active", &active) == tinyxml2::XML_SUCCESS) {
        object->active = active;
    }
    Xml::forEachChild(element, "comp",
                      [object](const XMLElement& component) { readComponent(*object, component); });
    object->sourceSet = setName;
    if (fromSet || setName.empty()) {
        Xml::forEachChild(element, "obj", [object](const XMLElement& childElement) {
            if (GameObject* child = execute(&childElement, false)) {
                child->setParent(object);
            }
        });
    }
    return object;
}

ObjectXmlReport::ObjectXmlReport(std::string source) : source_(std::move(source)), outer_(innermostReport)
{
    innermostReport = this;
}

ObjectXmlReport::~ObjectXmlReport()
{
    innermostReport = outer_;
}

void ObjectXmlReport::dropped(const GameObject& object, const std::string& what)
{
    if (innermostReport) {
        std::cerr << innermostReport->source_ << ", object \"" << object.name << "\": " << what << "\n";
    }
}

} // namespace Orva
