#pragma once

#include <string>

#include "core/Export.h"
#include "graphics/BaseSpriteComponent.h"
#include "graphics/Color.h"
#include "graphics/FontManager.h"
#include "graphics/Viewport.h"

namespace Orva::Graphics {

// STUB: a text component reduced to its values (text, font, colour, measured length,
// alignment) and its layer; it draws nothing. The fonts issue replaces it.
class ORVA_API SpriteFontComponent : public BaseSpriteComponent
{
public:
    static constexpr int TypeNumber = 3;

    SpriteFontComponent() { type = TypeNumber; }

    void init() {}

    ObjectShader* getShader() override { return nullptr; }

    // Joins the "default" layer, takes both values and measures the text.
    void initialize(const std::string& text, const std::string& font)
    {
        moveToLayer(Viewport::DefaultLayerName);
        font_ = font;
        setText(text);
    }
    // Measures the text again at scale 1.
    void setText(const std::string& text)
    {
        text_ = text;
        length_ = FontManager::getInstance().getLength(text_, 1.0f);
    }
    const std::string& getText() const noexcept { return text_; }
    // The length is not measured again.
    void setFont(const std::string& font) { font_ = font; }
    const std::string& getFont() const noexcept { return font_; }
    float getLength() const noexcept { return length_; }
    // 0 left, 1 centred, 2 right.
    void setAlignment(int alignment) noexcept { alignment_ = alignment; }
    int getAlignment() const noexcept { return alignment_; }
    void setColor(const Color& color) noexcept { color_ = color; }
    const Color& getColor() const noexcept { return color_; }

private:
    std::string text_;
    std::string font_;
    Color color_;
    float length_ = 0.0f;
    int alignment_ = 0;
};

} // namespace Orva::Graphics
