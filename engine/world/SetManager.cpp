#include "world/SetManager.h"

#include <tinyxml2.h>

#include <algorithm>
#include <optional>

#include "core/FileWrites.h"
#include "graphics/TextureManager.h"
#include "world/FileListing.h"
#include "world/GameObject.h"
#include "world/GameObjectDeserializer.h"
#include "world/ResourceManager.h"
#include "world/TransformComponent.h"
#include "world/XmlValues.h"

namespace Orva {

using tinyxml2::XMLElement;

namespace {

std::string setDirectory()
{
    return Resources::ResourceManager::getResourceDirectory() + SetManager::SetFolder;
}

bool isSprite(const XMLElement& component)
{
    return component.IntAttribute("type") == static_cast<int>(XmlComponentType::Sprite);
}

const XMLElement* firstSprite(const XMLElement& object)
{
    for (const XMLElement* component = object.FirstChildElement("comp"); component;
         component = component->NextSiblingElement("comp")) {
        if (isSprite(*component)) {
            return component;
        }
    }
    return nullptr;
}

// The first sprite's atlas ends the walk of this element; its image, or a sprite without
// one, lets the walk go on into the nested objects.
void queueSpriteTextures(const XMLElement& object, Graphics::TextureManager& textures)
{
    const XMLElement* sprite = firstSprite(object);
    if (!sprite) {
        return;
    }
    if (const XMLElement* texture = sprite->FirstChildElement("texture")) {
        const std::string atlas = Xml::text(*texture, "atlas");
        if (!atlas.empty()) {
            textures.addAtlas(atlas);
            return;
        }
        const std::string image = Xml::text(*texture, "src");
        if (!image.empty()) {
            textures.add(nullptr, image);
        }
    }
    Xml::forEachChild(&object, "obj",
                      [&textures](const XMLElement& nested) { queueSpriteTextures(nested, textures); });
}

} // namespace

void SetManager::loadAllSets()
{
    const std::string directory = setDirectory();
    for (const std::string& fileName : Resources::listFilesWithExtension(directory, SetExtension)) {
        std::string setName = fileName.substr(0, fileName.rfind('.'));
        if (sets_.contains(setName)) {
            continue;
        }
        std::optional<std::string> text = readRegularFile(directory + fileName);
        if (!text) {
            continue;
        }
        SetRecord record;
        record.text = std::move(*text);
        tinyxml2::XMLDocument document;
        if (document.Parse(record.text.data(), record.text.size()) == tinyxml2::XML_SUCCESS) {
            Xml::forEachChild(document.FirstChildElement("obj"), "comp",
                              [&record](const XMLElement& component) {
                                  const int type = component.IntAttribute("type");
                                  if (type >= 0 && type < XmlComponentTypeSlots) {
                                      record.hasComponentType[static_cast<std::size_t>(type)] = true;
                                  }
                              });
        }
        sets_.emplace(std::move(setName), std::move(record));
    }
}

void SetManager::loadAllSetTextures()
{
    Graphics::TextureManager& textures = Graphics::TextureManager::getInstance();
    for (const auto& [name, record] : sets_) {
        tinyxml2::XMLDocument document;
        if (document.Parse(record.text.data(), record.text.size()) != tinyxml2::XML_SUCCESS) {
            continue;
        }
        if (const XMLElement* root = document.FirstChildElement("obj")) {
            queueSpriteTextures(*root, textures);
        }
    }
}

void SetManager::saveAllSets() const
{
    for (const auto& [name, record] : sets_) {
        Resources::ResourceManager::saveResource(std::string(SetFolder) + name + SetExtension, record.text,
                                                 "resources");
    }
}

template <class Place> GameObject* SetManager::instantiate(const std::string& setName, Place&& place)
{
    const auto found = sets_.find(setName);
    if (found == sets_.end() ||
        std::find(instantiating_.begin(), instantiating_.end(), setName) != instantiating_.end()) {
        return nullptr;
    }
    tinyxml2::XMLDocument document;
    if (document.Parse(found->second.text.data(), found->second.text.size()) != tinyxml2::XML_SUCCESS) {
        return nullptr;
    }
    const XMLElement* root = document.FirstChildElement("obj");
    if (!root) {
        return nullptr;
    }
    instantiating_.push_back(setName);
    struct LeaveSet
    {
        std::vector<std::string>& sets;
        ~LeaveSet() { sets.pop_back(); }
    } leave{instantiating_};

    GameObject* object = GameObjectDeserializer::execute(root, true);
    if (TransformComponent* transform = object->getTransform()) {
        place(transform->getLocalTranslation());
        transform->forceUpdate();
    }
    return object;
}

GameObject* SetManager::createFromSet(const std::string& setName)
{
    return instantiate(setName, [](Math::Vector3D<float>&) {});
}

GameObject* SetManager::createFromSet(const std::string& setName, const Math::Vector2D<float>& position)
{
    return instantiate(setName, [&position](Math::Vector3D<float>& translation) {
        translation.x = position.x;
        translation.y = position.y;
    });
}

GameObject* SetManager::createFromSet(const std::string& setName, const Math::Vector3D<float>& position)
{
    return instantiate(setName, [&position](Math::Vector3D<float>& translation) { translation = position; });
}

std::string SetManager::operator[](const std::string& setName) const
{
    const auto found = sets_.find(setName);
    return found != sets_.end() ? found->second.text : std::string();
}

void SetManager::deleteSet(const std::string& setName)
{
    sets_.erase(setName);
}

void SetManager::clear()
{
    sets_.clear();
}

} // namespace Orva
