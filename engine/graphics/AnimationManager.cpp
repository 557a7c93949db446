#include "graphics/AnimationManager.h"

#include <tinyxml2.h>

#include <iostream>
#include <utility>
#include <vector>

#include "core/EventManager.h"
#include "core/FunctionHolder.h"
#include "core/Vector.h"
#include "graphics/SpriteComponent.h"
#include "graphics/Texture.h"
#include "graphics/TextureManager.h"
#include "world/GameObject.h"
#include "world/GameObjectManager.h"
#include "world/LoadEvent.h"
#include "world/ResourceManager.h"

namespace Orva::Graphics {

namespace {

struct AnimationFile
{
    Math::Vector2D<unsigned> frames{1, 1};
    // Name -> frame count, in document order (the row).
    std::vector<std::pair<std::string, unsigned>> names;
};

// The file's contents; an empty `error` when they are whole.
AnimationFile readAnimationFile(const tinyxml2::XMLDocument& document, std::string& error)
{
    AnimationFile file;
    const tinyxml2::XMLElement* root = document.FirstChildElement("animation");
    const tinyxml2::XMLElement* frames = root != nullptr ? root->FirstChildElement("frames") : nullptr;
    const tinyxml2::XMLElement* names = root != nullptr ? root->FirstChildElement("names") : nullptr;
    if (root == nullptr) {
        error = "has no animation root";
        return file;
    }
    if (frames == nullptr || names == nullptr) {
        error = frames == nullptr ? "has no frames element" : "has no names element";
        return file;
    }
    file.frames = {frames->UnsignedAttribute("x"), frames->UnsignedAttribute("y")};
    for (const tinyxml2::XMLElement* name = names->FirstChildElement("name"); name != nullptr;
         name = name->NextSiblingElement("name")) {
        const char* text = name->Attribute("text");
        if (text == nullptr) {
            error = "has a name without text";
            return file;
        }
        file.names.emplace_back(text, name->UnsignedAttribute("frames"));
    }
    return file;
}

// The texture pointer is the request id: it is followed only while the texture manager still
// holds it for an image whose animation file this is.
bool stillWants(Texture* texture, const std::string& animationKey)
{
    return TextureManager::hasInstance() && TextureManager::getInstance().contains(texture) &&
           Resources::ResourceManager::getFullPath(AnimationManager::animationPathOf(texture->getPath())) ==
               animationKey;
}

void apply(Texture& texture, const AnimationFile& file)
{
    texture.setMaxFrames(file.frames.x, file.frames.y);
    unsigned row = 0;
    for (const auto& [name, frameCount] : file.names) {
        texture.addAnimationData(name, {frameCount, row++});
    }
    if (!GameObjectManager::hasInstance()) {
        return;
    }
    for (GameObject* object : GameObjectManager::getInstance().getAllObjects()) {
        SpriteComponent* sprite = object->getComponent<SpriteComponent>();
        if (sprite != nullptr && sprite->getTexture() == &texture) {
            sprite->takeFrameGrid();
        }
    }
}

} // namespace

AnimationManager::AnimationManager()
{
    EventManager::getInstance().ListenToEvent(
        Events::loadReplyCode(), FunctionHolder(this, &AnimationManager::onResourceLoadComplete));
}

std::string AnimationManager::animationPathOf(const std::string& imagePath)
{
    return imagePath.substr(0, imagePath.rfind('.')) + ".xml";
}

void AnimationManager::loadAnimation(Texture* texture, const std::string& imagePath)
{
    using Resources::ResourceManager;
    const std::string animationPath = animationPathOf(imagePath);
    // The animation file lies beside an image a script named, and is read the same way.
    if (ResourceManager::isReadChecked(imagePath)) {
        ResourceManager::readCheckedFromNowOn(animationPath);
    }
    Events::requestLoad(this, texture, {Events::LoadEvent::Entry(animationPath)});
}

void AnimationManager::onResourceLoadComplete(BaseEvent* event)
{
    const Events::LoadEvent* reply = Events::replyForSender(event, this);
    if (reply == nullptr) {
        return;
    }
    auto* texture = static_cast<Texture*>(reply->requestId);
    for (const Events::LoadEvent::Entry& entry : reply->entries) {
        if (entry.contents.empty()) {
            continue;
        }
        tinyxml2::XMLDocument document;
        if (document.Parse(entry.contents.data(), entry.contents.size()) != tinyxml2::XML_SUCCESS) {
            std::cerr << "textures: the animation file " << entry.path << " is not XML; it is ignored\n";
            return;
        }
        std::string error;
        const AnimationFile file = readAnimationFile(document, error);
        if (!error.empty()) {
            std::cerr << "textures: the animation file " << entry.path << ' ' << error << "; it is ignored\n";
        } else if (stillWants(texture, entry.path)) {
            apply(*texture, file);
        }
    }
}

} // namespace Orva::Graphics
