#include "graphics/Texture.h"

#include <algorithm>

#include "graphics/Renderer.h"
#include "graphics/TextureManager.h"
#include "graphics/TextureUploader.h"

namespace Orva::Graphics {

namespace {

template <class Table> auto findAnimation(Table& table, const std::string& name)
{
    return std::find_if(table.begin(), table.end(), [&](const auto& entry) { return entry.first == name; });
}

} // namespace

void Texture::addAnimationData(const std::string& name, const Math::Vector2D<unsigned>& framesAndRow)
{
    const auto found = findAnimation(animations_, name);
    if (found != animations_.end()) {
        found->second = framesAndRow;
    } else {
        animations_.emplace_back(name, framesAndRow);
    }
}

void Texture::removeAnimationData(const std::string& name)
{
    const auto found = findAnimation(animations_, name);
    if (found != animations_.end()) {
        animations_.erase(found);
    }
}

Math::Vector2D<unsigned> Texture::getAnimationFrames(const std::string& name)
{
    const auto found = findAnimation(animations_, name);
    if (found != animations_.end()) {
        return found->second;
    }
    if (animations_.empty()) {
        animations_.emplace_back(std::string(), Math::Vector2D<unsigned>(0, 0));
    }
    return animations_.front().second;
}

bool Texture::apply(unsigned unit) const
{
    if (!loaded_ || !TextureManager::hasInstance()) {
        return false;
    }
    TextureUploader& uploader = TextureManager::getInstance().getUploader();
    uploader.activateUnit(unit);
    if (Renderer::hasInstance()) {
        unsigned& lastBound = Renderer::getInstance().getLastTextureId();
        if (lastBound == id_) {
            return true;
        }
        lastBound = id_;
    }
    uploader.bind(id_);
    return true;
}

void Texture::setTextureMode(int mode)
{
    wrapMode_ = mode;
    if (id_ != 0 && TextureManager::hasInstance()) {
        TextureManager::getInstance().getUploader().setWrapMode(id_, mode);
    }
}

void Texture::setAtlasRectangle(const Math::Vector2D<float>& uv, const Math::Vector2D<float>& size) noexcept
{
    atlas_ = true;
    atlasUV_ = uv;
    atlasSize_ = size;
}

void Texture::replaceImage(Texture&& other) noexcept
{
    const int useCount = useCount_;
    const bool persistent = persistent_;
    *this = std::move(other);
    useCount_ = useCount;
    persistent_ = persistent;
}

} // namespace Orva::Graphics
