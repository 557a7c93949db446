#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/BaseEvent.h"
#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/Singleton.h"

namespace Orva::Graphics {

class BaseSpriteComponent;
class FrameShader;
class ParticleEmitterComponent;
class SpriteComponent;
class Texture;
class TextureUploader;

// Owns every texture, keyed by the resource directory followed by the relative path (not
// normalised, case-sensitive). Images are read by the resource loader, decoded and uploaded
// once per key; requests made meanwhile join the key's pending list and are all served when
// the image arrives. Atlas files make their rectangles at once, unloaded, and load the one
// image they share. Users are counted; nothing is freed until asked.
class ORVA_API TextureManager : public Singleton<TextureManager>
{
public:
    ORVA_POOLED_OPERATORS(TextureManager)

    using TextureTable = std::map<std::string, Texture*>;
    // Sprite and particle emitter components; null for a preload.
    using PendingRequests = std::map<std::string, std::vector<BaseSpriteComponent*>>;
    using PendingShaderRequests = std::map<std::string, std::vector<FrameShader*>>;

    // Uploads through OpenGL and listens to "OnResourceLoadComplete".
    TextureManager();
    // Deletes every texture (and its GL name while the context lives).
    ~TextureManager();

    TextureManager(const TextureManager&) = delete;
    TextureManager& operator=(const TextureManager&) = delete;

    // The texture of the path when it is loaded or an atlas rectangle: its use count rises
    // and the sprite (if any) takes it, its previous texture counted down. An atlas's own key
    // answers the atlas, handing nothing over. Otherwise null: the sprite is served when the
    // image arrives, and only the first request for a key reads the file. An empty path is
    // null and does nothing.
    Texture* add(SpriteComponent* sprite, const std::string& path);
    // As add; a texture returned also takes the wrap mode.
    Texture* add(SpriteComponent* sprite, const std::string& path, int wrapMode);
    // As add, for the emitter of a particle component; atlases are not looked up.
    Texture* addEmitter(ParticleEmitterComponent* emitter, const std::string& path);
    // As add, for the extra texture list of a frame shader.
    Texture* addShader(FrameShader* shader, const std::string& path);
    // Starts loading the image with nobody waiting for it.
    void load(const std::string& path);
    // Reads the atlas file now and makes its rectangles, then loads its image. A file read
    // before answers its atlas again and sends nothing. Null, with a line on stderr and no
    // texture touched, for a file that is missing, does not parse, or misses its root, its
    // imagePath, a width or height, or a rectangle's name.
    Texture* addAtlas(const std::string& path);

    // The texture table's entry of the path (atlases are not searched), or null.
    Texture* getTexture(const std::string& path) const;
    void setPersistantTexture(const std::string& path, bool persistent);

    // Counts a user of the texture down; nothing for null, a persistent texture, or one not
    // in the table.
    void remove(Texture* texture);
    // Erases the texture now, deleting its GL texture unless it is an atlas's rectangle.
    void forceRemove(Texture* texture);
    void forceRemoveAll();
    // Erases every unused, non-persistent single image and atlas; rectangles stay.
    void removeAllUnused();

    // Takes the component or frame shader out of every pending list, so that an image
    // arriving later is not handed to it; the keys stay pending.
    void withdraw(const BaseSpriteComponent* requester);
    void withdraw(const FrameShader* requester);

    // Whether the texture is still one this manager holds.
    bool contains(const Texture* texture) const;

    const TextureTable& getTextureData() const noexcept { return textures_; }
    const TextureTable& getAtlasData() const noexcept { return atlases_; }
    const PendingRequests& getPendingRequests() const noexcept { return pending_; }
    const PendingShaderRequests& getPendingShaderRequests() const noexcept { return pendingShaders_; }
    // Every key with a load under way, in key order.
    std::vector<std::string> getPendingKeys() const;

    TextureUploader& getUploader() noexcept { return *uploader_; }
    // For tests: another uploader, set before any texture exists.
    void setUploader(std::unique_ptr<TextureUploader> uploader);

    // The "OnResourceLoadComplete" listener: atlas images and single images of this manager.
    void onResourceLoadComplete(BaseEvent* event);

    EventCallbackObject& getEventCallbackObject() noexcept { return eventCallbacks_; }

private:
    // Steps 1-5 of a request; the pending list to join is only made when the key is new.
    template <class Requester, class Pending>
    Texture* request(Requester* requester, const std::string& path, Pending& pending, bool searchAtlases);
    void sendLoad(void* sender, const std::string& path);
    void hand(Texture* texture, BaseSpriteComponent* requester);
    void hand(Texture* texture, FrameShader* requester);
    void completeAtlas(const std::string& key, const std::string& contents);
    void completeImage(const std::string& key, const std::string& contents);
    // Stores the texture under the key; a texture already there takes its image in place.
    Texture* store(const std::string& key, Texture&& texture);
    void deleteName(const Texture& texture);
    void deleteAll();

    TextureTable textures_;
    PendingRequests pending_;
    PendingShaderRequests pendingShaders_;
    TextureTable atlases_;
    std::unique_ptr<TextureUploader> uploader_;
    EventCallbackObject eventCallbacks_;
};

} // namespace Orva::Graphics
