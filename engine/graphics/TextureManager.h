#pragma once

#include <string>

#include "core/Export.h"
#include "core/Singleton.h"

namespace Orva::Graphics {

class Texture;
class SpriteComponent;
class ParticleEmitterComponent;
class FrameShader;

// STUB: requests nothing and knows no texture, so every request answers null. The textures
// issue replaces it.
class ORVA_API TextureManager : public Singleton<TextureManager>
{
public:
    Texture* add(SpriteComponent* /*sprite*/, const std::string& /*path*/) { return nullptr; }
    Texture* addEmitter(ParticleEmitterComponent* /*emitter*/, const std::string& /*path*/)
    {
        return nullptr;
    }
    Texture* addAtlas(const std::string& /*path*/) { return nullptr; }
    // For a frame shader's extra textures; the stub never loads one.
    Texture* addShader(FrameShader* /*shader*/, const std::string& /*path*/) { return nullptr; }
};

} // namespace Orva::Graphics
