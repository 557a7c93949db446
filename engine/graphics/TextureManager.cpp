#include "graphics/TextureManager.h"

#include <tinyxml2.h>

#include <algorithm>
#include <iostream>
#include <type_traits>
#include <utility>

#include "core/EventManager.h"
#include "core/FunctionHolder.h"
#include "graphics/AnimationManager.h"
#include "graphics/FrameShader.h"
#include "graphics/ParticleEmitterComponent.h"
#include "graphics/SpriteComponent.h"
#include "graphics/Texture.h"
#include "graphics/TextureUploader.h"
#include "world/LoadEvent.h"
#include "world/ResourceManager.h"

namespace Orva::Graphics {

namespace {

constexpr char ImageFolder[] = "images/";

std::string fullPath(const std::string& relativePath)
{
    return Resources::ResourceManager::getFullPath(relativePath);
}

// The key without the resource directory in front.
std::string relativePathOf(const std::string& key)
{
    const std::string directory = Resources::ResourceManager::getResourceDirectory();
    return key.compare(0, directory.size(), directory) == 0 ? key.substr(directory.size()) : key;
}

void requestAnimation(Texture& texture)
{
    if (AnimationManager::hasInstance()) {
        AnimationManager::getInstance().loadAnimation(&texture, texture.getPath());
    }
}

template <class List, class Requester> void eraseFromEvery(List& pending, const Requester* requester)
{
    for (auto& [key, waiting] : pending) {
        std::erase(waiting, requester);
    }
}

// One rectangle of an atlas file, checked before anything is made from the file.
struct AtlasRectangle
{
    std::string name;
    float x;
    float y;
    unsigned width;
    unsigned height;
};

struct AtlasFile
{
    std::string imagePath;
    unsigned width = 0;
    unsigned height = 0;
    std::vector<AtlasRectangle> rectangles;
};

// The atlas file's contents, or an empty image path with the reason in `error`.
AtlasFile readAtlasFile(const std::string& text, std::string& error)
{
    AtlasFile atlas;
    tinyxml2::XMLDocument document;
    if (text.empty() || document.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
        error = "is missing or not XML";
        return atlas;
    }
    const tinyxml2::XMLElement* root = document.FirstChildElement("TextureAtlas");
    const char* imagePath = root != nullptr ? root->Attribute("imagePath") : nullptr;
    if (imagePath == nullptr) {
        error = root == nullptr ? "has no TextureAtlas root" : "has no imagePath";
        return atlas;
    }
    atlas.width = root->UnsignedAttribute("width");
    atlas.height = root->UnsignedAttribute("height");
    if (atlas.width == 0 || atlas.height == 0) {
        error = "has no width or height";
        return atlas;
    }
    for (const tinyxml2::XMLElement* sprite = root->FirstChildElement("sprite"); sprite != nullptr;
         sprite = sprite->NextSiblingElement("sprite")) {
        const char* name = sprite->Attribute("n");
        if (name == nullptr) {
            error = "has a sprite without a name (n)";
            return atlas;
        }
        atlas.rectangles.push_back({name, sprite->FloatAttribute("x"), sprite->FloatAttribute("y"),
                                    sprite->UnsignedAttribute("w"), sprite->UnsignedAttribute("h")});
    }
    atlas.imagePath = imagePath;
    return atlas;
}

} // namespace

TextureManager::TextureManager() : uploader_(makeGLTextureUploader())
{
    EventManager::getInstance().ListenToEvent(Events::loadReplyCode(),
                                              FunctionHolder(this, &TextureManager::onResourceLoadComplete));
}

TextureManager::~TextureManager()
{
    deleteAll();
}

Texture* TextureManager::add(SpriteComponent* sprite, const std::string& path)
{
    return request(sprite, path, pending_, true);
}

Texture* TextureManager::add(SpriteComponent* sprite, const std::string& path, int wrapMode)
{
    Texture* texture = add(sprite, path);
    if (texture != nullptr) {
        texture->setTextureMode(wrapMode);
    }
    return texture;
}

Texture* TextureManager::addEmitter(ParticleEmitterComponent* emitter, const std::string& path)
{
    return request(emitter, path, pending_, false);
}

Texture* TextureManager::addShader(FrameShader* shader, const std::string& path)
{
    return request(shader, path, pendingShaders_, true);
}

void TextureManager::load(const std::string& path)
{
    add(nullptr, path);
}

template <class Requester, class Pending>
Texture* TextureManager::request(Requester* requester, const std::string& path, Pending& pending,
                                 bool searchAtlases)
{
    if (path.empty()) {
        return nullptr;
    }
    // A component shows one image: an older request still under way would otherwise
    // replace the one asked for now when it arrives.
    if constexpr (!std::is_same_v<Requester, FrameShader>) {
        if (requester != nullptr) {
            withdraw(requester);
        }
    }
    const std::string key = fullPath(path);
    if (const auto found = textures_.find(key); found != textures_.end()) {
        found->second->incrementUseCounter();
        if (requester != nullptr) {
            hand(found->second, requester);
        }
        return found->second;
    }
    if (searchAtlases) {
        if (const auto atlas = atlases_.find(key); atlas != atlases_.end()) {
            return atlas->second;
        }
    }
    const auto waiting = pending.find(key);
    if (waiting != pending.end()) {
        waiting->second.push_back(requester);
        return nullptr;
    }
    pending[key].push_back(requester);
    sendLoad(requester, path);
    return nullptr;
}

void TextureManager::sendLoad(void* sender, const std::string& path)
{
    Events::requestLoad(sender, this, {Events::LoadEvent::Entry(path)});
}

void TextureManager::hand(Texture* texture, BaseSpriteComponent* requester)
{
    if (requester->type == SpriteComponent::TypeNumber) {
        auto* sprite = static_cast<SpriteComponent*>(requester);
        remove(sprite->getTexture());
        sprite->setTexture(texture);
    } else if (requester->type == ParticleEmitterComponent::TypeNumber) {
        ParticleEmitter* emitter = static_cast<ParticleEmitterComponent*>(requester)->get();
        remove(emitter->getTexture());
        emitter->setTexture(texture);
    }
}

void TextureManager::hand(Texture* texture, FrameShader* requester)
{
    requester->addTexture(texture);
}

Texture* TextureManager::addAtlas(const std::string& path)
{
    std::string error;
    const AtlasFile file =
        readAtlasFile(Resources::ResourceManager::readResource(path).value_or(std::string()), error);
    if (!error.empty()) {
        std::cerr << "textures: the atlas " << path << ' ' << error << "; it is ignored\n";
        return nullptr;
    }
    const std::string imagePath = ImageFolder + file.imagePath;
    const std::string key = fullPath(imagePath);
    if (const auto found = atlases_.find(key); found != atlases_.end()) {
        return found->second;
    }
    auto owned = std::make_unique<Texture>(uploader_->generateName(), path);
    Texture& atlas = *owned;
    atlases_.emplace(key, owned.release());
    atlas.setAtlasPath(path);
    atlas.setSize({file.width, file.height});
    const float width = static_cast<float>(file.width);
    const float height = static_cast<float>(file.height);
    for (const AtlasRectangle& rectangle : file.rectangles) {
        Texture texture(atlas.getId(), ImageFolder + rectangle.name);
        texture.setSize({rectangle.width, rectangle.height});
        texture.setAtlasRectangle(
            {rectangle.x / width, rectangle.y / height},
            {static_cast<float>(rectangle.width) / width, static_cast<float>(rectangle.height) / height});
        store(fullPath(texture.getPath()), std::move(texture));
        atlas.incrementUseCounter();
    }
    sendLoad(this, imagePath);
    return &atlas;
}

Texture* TextureManager::getTexture(const std::string& path) const
{
    const auto found = textures_.find(fullPath(path));
    return found != textures_.end() ? found->second : nullptr;
}

void TextureManager::setPersistantTexture(const std::string& path, bool persistent)
{
    if (Texture* texture = getTexture(path)) {
        texture->setPersistant(persistent);
    }
}

bool TextureManager::contains(const Texture* texture) const
{
    return texture != nullptr && std::any_of(textures_.begin(), textures_.end(),
                                             [&](const auto& entry) { return entry.second == texture; });
}

// Looked up before the texture is read, so that a pointer to a texture already erased is
// never followed.
void TextureManager::remove(Texture* texture)
{
    if (contains(texture) && !texture->isPersistant()) {
        texture->decrementUseCounter();
    }
}

void TextureManager::forceRemove(Texture* texture)
{
    for (TextureTable* table : {&textures_, &atlases_}) {
        const auto found = std::find_if(table->begin(), table->end(),
                                        [&](const auto& entry) { return entry.second == texture; });
        if (found != table->end()) {
            deleteName(*texture);
            delete texture;
            table->erase(found);
            return;
        }
    }
}

void TextureManager::forceRemoveAll()
{
    deleteAll();
}

void TextureManager::removeAllUnused()
{
    const auto unused = [](const Texture& texture) {
        return !texture.isAtlas() && !texture.isPersistant() && texture.getUseCount() == 0;
    };
    for (TextureTable* table : {&textures_, &atlases_}) {
        std::erase_if(*table, [&](const auto& entry) {
            if (!unused(*entry.second)) {
                return false;
            }
            deleteName(*entry.second);
            delete entry.second;
            return true;
        });
    }
}

void TextureManager::withdraw(const BaseSpriteComponent* requester)
{
    eraseFromEvery(pending_, requester);
}

void TextureManager::withdraw(const FrameShader* requester)
{
    eraseFromEvery(pendingShaders_, requester);
}

std::vector<std::string> TextureManager::getPendingKeys() const
{
    std::vector<std::string> keys;
    for (const auto& [key, waiting] : pending_) {
        keys.push_back(key);
    }
    for (const auto& [key, waiting] : pendingShaders_) {
        keys.push_back(key);
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

void TextureManager::setUploader(std::unique_ptr<TextureUploader> uploader)
{
    uploader_ = std::move(uploader);
}

void TextureManager::onResourceLoadComplete(BaseEvent* event)
{
    const Events::LoadEvent* reply = Events::replyForRequest(event, this);
    if (reply == nullptr) {
        return;
    }
    for (const Events::LoadEvent::Entry& entry : reply->entries) {
        if (reply->sender == this) {
            completeAtlas(entry.path, entry.contents);
        } else {
            completeImage(entry.path, entry.contents);
        }
    }
}

// The atlas is marked loaded even when its image failed, with the size the driver reports
// for its name, so that its rectangles do not wait for ever.
void TextureManager::completeAtlas(const std::string& key, const std::string& contents)
{
    const auto found = atlases_.find(key);
    if (found == atlases_.end()) {
        return;
    }
    Texture& atlas = *found->second;
    const DecodedImage image(contents);
    if (!image.isValid()) {
        std::cerr << "textures: the atlas image " << key << " was not decoded: " << image.getFailure()
                  << '\n';
    } else if (!uploader_->upload(atlas.getId(), image)) {
        std::cerr << "textures: the atlas image " << key << " could not be made a texture\n";
    }
    atlas.setSize(uploader_->prepare(atlas.getId(), atlas.getMode()));
    atlas.setLoaded(true);
    for (auto& [rectangleKey, texture] : textures_) {
        if (!texture->isLoaded() && texture->getId() == atlas.getId()) {
            texture->setAtlasPath(atlas.getAtlasPath());
            texture->setLoaded(true);
            requestAnimation(*texture);
            atlas.incrementUseCounter();
        }
    }
}

void TextureManager::completeImage(const std::string& key, const std::string& contents)
{
    const unsigned name = uploader_->generateName();
    const DecodedImage image(contents);
    if (name == 0 || !image.isValid() || !uploader_->upload(name, image)) {
        std::cerr << "textures: " << key << " was not loaded: "
                  << (name == 0          ? "there is no OpenGL context"
                      : !image.isValid() ? image.getFailure()
                                         : "it could not be made a texture")
                  << '\n';
        uploader_->deleteName(name);
        pending_.erase(key);
        pendingShaders_.erase(key);
        return;
    }
    Texture loaded(name, relativePathOf(key));
    loaded.setSize(uploader_->prepare(name, Texture::ClampToEdge));
    loaded.setLoaded(true);
    Texture* texture = store(key, std::move(loaded));
    requestAnimation(*texture);

    if (const auto waiting = pending_.find(key); waiting != pending_.end()) {
        const std::vector<BaseSpriteComponent*> requesters = std::move(waiting->second);
        pending_.erase(waiting);
        for (BaseSpriteComponent* requester : requesters) {
            if (requester == nullptr) {
                continue;
            }
            // An emitter counts the texture once more as it takes it.
            texture->incrementUseCounter();
            hand(texture, requester);
        }
    }
    if (const auto waiting = pendingShaders_.find(key); waiting != pendingShaders_.end()) {
        const std::vector<FrameShader*> shaders = std::move(waiting->second);
        pendingShaders_.erase(waiting);
        for (FrameShader* shader : shaders) {
            hand(texture, shader);
        }
    }
}

// Holders of a texture that is replaced keep a valid pointer and see the new image; the
// old GL texture goes unless it is an atlas's, which its other rectangles still show.
Texture* TextureManager::store(const std::string& key, Texture&& texture)
{
    const auto found = textures_.find(key);
    if (found == textures_.end()) {
        auto owned = std::make_unique<Texture>(std::move(texture));
        textures_.emplace(key, owned.get());
        return owned.release();
    }
    Texture& existing = *found->second;
    deleteName(existing);
    existing.replaceImage(std::move(texture));
    return &existing;
}

void TextureManager::deleteName(const Texture& texture)
{
    if (!texture.isAtlas()) {
        uploader_->deleteName(texture.getId());
    }
}

void TextureManager::deleteAll()
{
    for (TextureTable* table : {&textures_, &atlases_}) {
        for (auto& [key, texture] : *table) {
            deleteName(*texture);
            delete texture;
        }
        table->clear();
    }
}

} // namespace Orva::Graphics
