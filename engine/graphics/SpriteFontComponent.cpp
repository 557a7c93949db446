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

bool SpriteFontComponent::prepareDrawing(Placement& placement) const
{
    const TransformComponent* transform = owner != nullptr ? owner->getTransform() : nullptr;
    if (transform == nullptr || fontManager() == nullptr) {
        return false;
    }
    const Math::Vector3D<float>& position = transform->getWorldTranslation();
    const Math::Vector3D<float>& scale = transform->getWorldScale();
    placement.position = {position.x, position.y};
    placement.scale = {scale.x, scale.y};
    placement.rotation = transform->getWorldRotationRad();
    placement.penStart = {0.0f, 0.0f};
    if (alignment_ == Centred) {
        placement.penStart.x = -(length_ * 0.5f * scale.x);
    } else if (alignment_ == Right) {
        placement.penStart.x = -(scale.x * length_);
    }
    selectOwnFont();
    return true;
}

bool SpriteFontComponent::draw(const Math::Matrix44<float>& projectionView)
{
    Placement placement;
    if (renderer_ == nullptr || !prepareDrawing(placement)) {
        return false;
    }
    FontManager& fonts = FontManager::getInstance();
    fonts.text(*renderer_, text_ + " ", projectionView, color_, placement.position, placement.scale,
               placement.rotation, placement.penStart);
    // The layer draws its unit quad after a true: whatever drew the glyphs, it covers nothing.
    ObjectShader* shader = fonts.getShader();
    if (fonts.getFonts().empty() || !shader->apply()) {
        return false;
    }
    shader->setUniformMatrix4f("MVP", Math::Matrix44<float>::scale(0.0f, 0.0f, 0.0f));
    return true;
}

bool SpriteFontComponent::drawInto(SpriteBatch& batch)
{
    Placement placement;
    return renderer_ != nullptr && prepareDrawing(placement) &&
           FontManager::getInstance().textInto(batch, text_ + " ", color_, placement.position,
                                               placement.scale, placement.rotation, placement.penStart);
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
