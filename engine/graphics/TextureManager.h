#pragma once

#include <string>
#include <vector>

#include "core/Export.h"
#include "core/Singleton.h"
#include "graphics/Renderer.h"

namespace Orva::Graphics {

class Texture;
class SpriteComponent;
class ParticleEmitterComponent;
class FrameShader;

// STUB: loads nothing and knows no texture, so every request answers null; it keeps every
// request in order, and whether a GL context existed for it, so that loaders and the
// launcher's preload can be checked. The textures issue replaces it.
class ORVA_API TextureManager : public Singleton<TextureManager>
{
public:
    enum class RequestKind { Image, Atlas, Emitter, Shader };
    struct Request
    {
        RequestKind kind;
        std::string path;
        // The sprite, emitter or frame shader that asked; null for a plain preload.
        const void* requester;
        // Whether the renderer had its OpenGL context then: a texture gets its GL name when it
        // loads, and sprites find their atlas by that name.
        bool withContext = false;

        bool operator==(const Request&) const = default;
    };

    Texture* add(SpriteComponent* sprite, const std::string& path)
    {
        return record(RequestKind::Image, path, sprite);
    }
    Texture* addEmitter(ParticleEmitterComponent* emitter, const std::string& path)
    {
        return record(RequestKind::Emitter, path, emitter);
    }
    Texture* addAtlas(const std::string& path) { return record(RequestKind::Atlas, path, nullptr); }
    // For a frame shader's extra textures.
    Texture* addShader(FrameShader* shader, const std::string& path)
    {
        return record(RequestKind::Shader, path, shader);
    }

    const std::vector<Request>& getRequests() const noexcept { return requests_; }

private:
    Texture* record(RequestKind kind, const std::string& path, const void* requester)
    {
        requests_.push_back(
            {kind, path, requester, Renderer::hasInstance() && Renderer::getInstance().isInitialized()});
        return nullptr;
    }

    std::vector<Request> requests_;
};

} // namespace Orva::Graphics
