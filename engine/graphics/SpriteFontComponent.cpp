#include "graphics/SpriteFontComponent.h"

#include "graphics/FontManager.h"
#include "graphics/Renderer.h"
#include "world/GameObject.h"
#include "world/TransformComponent.h"

namespace Orva::Graphics {

namespace {

FontManager* fontManager() noexcept
{
    return FontManager::hasInstance() ? &FontManager::getInstance() : nullptr;
}

} // namespace

ObjectShader* SpriteFontComponent::getShader()
{
    FontManager* fonts = fontManager();
    return fonts != nullptr ? fonts->getShader() : nullptr;
}

void SpriteFontComponent::initialize(const std::string& text, const std::string& font)
{
    renderer_ = Renderer::hasInstance() ? &Renderer::getInstance() : nullptr;
    joinDefaultLayer();
    font_ = font;
    text_ = text;
    measure();
}

void SpriteFontComponent::setText(const std::string& text)
{
    text_ = text;
    measure();
}

void SpriteFontComponent::selectOwnFont() const
{
    if (FontManager* fonts = fontManager()) {
        fonts->selectFont(font_);
    }
}

void SpriteFontComponent::measure()
{
    selectOwnFont();
    const FontManager* fonts = fontManager();
    length_ = fonts != nullptr ? fonts->getLength(text_, 1.0f) : 0.0f;
}

bool SpriteFontComponent::draw(const Math::Matrix44<float>& projectionView)
{
    const TransformComponent* transform = owner != nullptr ? owner->getTransform() : nullptr;
    FontManager* fonts = fontManager();
    if (transform == nullptr || fonts == nullptr || renderer_ == nullptr) {
        return false;
    }
    const Math::Vector3D<float>& scale = transform->getWorldScale();
    Math::Vector2D<float> penStart(0.0f, 0.0f);
    if (alignment_ == Centred) {
        penStart.x = -(length_ * 0.5f * scale.x);
    } else if (alignment_ == Right) {
        penStart.x = -(scale.x * length_);
    }
    selectOwnFont();
    const Math::Vector3D<float>& position = transform->getWorldTranslation();
    const float rotation = transform->getWorldRotationRad();
    fonts->text(*renderer_, text_ + " ", projectionView, color_, {position.x, position.y}, {scale.x, scale.y},
                rotation, penStart);
    // The layer draws its unit quad after a true: whatever drew the glyphs, it covers nothing.
    ObjectShader* shader = fonts->getShader();
    if (fonts->getFonts().empty() || !shader->apply()) {
        return false;
    }
    shader->setUniformMatrix4f("MVP", Math::Matrix44<float>::scale(0.0f, 0.0f, 0.0f));
    return true;
}

ReflectionMap SpriteFontComponent::getReflectibles()
{
    ReflectionMap properties;
    properties.emplace("Active", Reflectable(active));
    properties.emplace("Color", Reflectable(color_));
    properties.emplace("Text", Reflectable(text_));
    properties.emplace("Font", Reflectable(font_));
    properties.emplace("Alignment", Reflectable(alignment_));
    return properties;
}

} // namespace Orva::Graphics
