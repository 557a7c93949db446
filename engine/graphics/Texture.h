#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/Export.h"
#include "core/MemoryPoolManager.h"
#include "core/Vector.h"

namespace Orva::Graphics {

// One image the engine draws: an OpenGL 2-D texture, or a named rectangle of an atlas
// texture (which then shares the atlas's GL name). The texture manager owns every one and
// counts its users; its animation table comes from the image's animation file.
class ORVA_API Texture
{
public:
    ORVA_POOLED_OPERATORS(Texture)

    // Animation name -> (frame count, row), in the order the names were first added; the
    // first entry is the default animation.
    using AnimationTable = std::vector<std::pair<std::string, Math::Vector2D<unsigned>>>;

    // GL_CLAMP_TO_EDGE, the wrap mode of every new texture.
    static constexpr int ClampToEdge = 0x812F;

    Texture() = default;
    Texture(unsigned id, std::string path) : id_(id), path_(std::move(path)) {}

    unsigned& getId() noexcept { return id_; }
    unsigned getId() const noexcept { return id_; }
    Math::Vector2D<unsigned> getSize() const noexcept { return {width_, height_}; }
    void setSize(const Math::Vector2D<unsigned>& size) noexcept
    {
        width_ = size.x;
        height_ = size.y;
    }
    const std::string& getPath() const noexcept { return path_; }
    const std::string& getAtlasPath() const noexcept { return atlasPath_; }
    void setAtlasPath(const std::string& path) { atlasPath_ = path; }

    unsigned getMaxFramesX() const noexcept { return maxFramesX_; }
    unsigned getMaxFramesY() const noexcept { return maxFramesY_; }
    void setMaxFrames(unsigned x, unsigned y) noexcept
    {
        maxFramesX_ = x;
        maxFramesY_ = y;
    }

    // A name already there keeps its place and takes the new value.
    void addAnimationData(const std::string& name, const Math::Vector2D<unsigned>& framesAndRow);
    void removeAnimationData(const std::string& name);
    void clearAnimationData() noexcept { animations_.clear(); }
    const AnimationTable& getAnimationData() const noexcept { return animations_; }
    // The entry of the name; an unknown name gets the first entry, and an empty table first
    // gets the entry "" -> (0, 0).
    Math::Vector2D<unsigned> getAnimationFrames(const std::string& name);

    // Makes unit GL_TEXTURE0 + unit active and binds this texture there unless the renderer
    // bound it last; false while the image is not loaded.
    bool apply(unsigned unit) const;
    // Stores the wrap mode and, once there is a GL name, sets it on the texture without
    // changing which texture is bound.
    void setTextureMode(int mode);
    int getMode() const noexcept { return wrapMode_; }

    const Math::Vector2D<float>& getAtlasUV() const noexcept { return atlasUV_; }
    const Math::Vector2D<float>& getAtlasSize() const noexcept { return atlasSize_; }
    float getAtlasU() const noexcept { return atlasUV_.x; }
    float getAtlasV() const noexcept { return atlasUV_.y; }
    float getAtlasSizeU() const noexcept { return atlasSize_.x; }
    float getAtlasSizeV() const noexcept { return atlasSize_.y; }
    // Makes this texture the rectangle (in texture coordinates) of an atlas.
    void setAtlasRectangle(const Math::Vector2D<float>& uv, const Math::Vector2D<float>& size) noexcept;

    void setPersistant(bool persistent) noexcept { persistent_ = persistent; }
    bool isPersistant() const noexcept { return persistent_; }
    bool isAtlas() const noexcept { return atlas_; }
    bool isLoaded() const noexcept { return loaded_; }
    void setLoaded(bool loaded) noexcept { loaded_ = loaded; }

    int getUseCount() const noexcept { return useCount_; }
    void incrementUseCounter() noexcept { ++useCount_; }
    void decrementUseCounter() noexcept { --useCount_; }

    // Becomes the other texture's image (every field) while keeping its own use count and
    // persistent flag, so that holders of this object see the new image.
    void replaceImage(Texture&& other) noexcept;

private:
    unsigned id_ = 0;
    unsigned width_ = 0;
    unsigned height_ = 0;
    std::string path_;
    std::string atlasPath_;
    unsigned maxFramesX_ = 1;
    unsigned maxFramesY_ = 1;
    AnimationTable animations_;
    int useCount_ = 0;
    bool loaded_ = false;
    bool persistent_ = false;
    bool atlas_ = false;
    Math::Vector2D<float> atlasUV_{0.0f, 0.0f};
    Math::Vector2D<float> atlasSize_{1.0f, 1.0f};
    int wrapMode_ = ClampToEdge;
};

} // namespace Orva::Graphics
