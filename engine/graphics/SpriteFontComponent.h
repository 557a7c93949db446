#pragma once

#include <string>

#include "core/Export.h"
#include "core/Matrix44.h"
#include "graphics/BaseSpriteComponent.h"
#include "graphics/Color.h"

namespace Orva::Graphics {

class Renderer;
class SpriteBatch;

// A string shown on a game object, in a layer like any sprite, drawn by the font manager in
// its font at the owner's world place, scale and rotation. The text is measured at scale 1
// when it is set, for the alignment.
class ORVA_API SpriteFontComponent : public BaseSpriteComponent
{
public:
    static constexpr int TypeNumber = 3;

    enum Alignment : int {
        Left = 0,
        Centred = 1,
        Right = 2,
    };

    SpriteFontComponent() { type = TypeNumber; }

    ObjectShader* getShader() override;

    // Takes the renderer, joins the "default" layer, takes font and text, selects its font
    // and measures the text.
    void initialize(const std::string& text, const std::string& font);
    // Selects its font and measures the text again.
    void setText(const std::string& text);
    const std::string& getText() const noexcept { return text_; }
    // The length is not measured again.
    void setFont(const std::string& font) { font_ = font; }
    const std::string& getFont() const noexcept { return font_; }
    float getLength() const noexcept { return length_; }
    // Any value other than the three counts as Left when drawing.
    void setAlignment(int alignment) noexcept { alignment_ = alignment; }
    int getAlignment() const noexcept { return alignment_; }
    void setColor(const Color& color) noexcept { color_ = color; }
    Color& getColor() noexcept { return color_; }
    const Color& getColor() const noexcept { return color_; }

    // Draws the text with one space appended. True, asking the layer for its unit quad, once
    // the font shader is left current with a placement of no area; false without an owner
    // transform, a renderer or a ready font shader, or when no font exists.
    bool draw(const Math::Matrix44<float>& projectionView) override;
    // Queues in the batch the glyph quads that draw would draw; false when draw would draw
    // nothing.
    bool drawInto(SpriteBatch& batch);

    ReflectionMap getReflectibles() override;

private:
    // Where the text goes: the owner's world place, scale and rotation, and the pen start of
    // the alignment.
    struct Placement
    {
        Math::Vector2D<float> position;
        Math::Vector2D<float> scale;
        float rotation = 0.0f;
        Math::Vector2D<float> penStart;
    };

    // Its own font, or the font manager's first when it names none.
    void selectOwnFont() const;
    // False without an owner transform or a font manager; else the placement, with its font
    // selected.
    bool prepareDrawing(Placement& placement) const;
    void measure();

    std::string text_;
    std::string font_;
    Color color_;
    float length_ = 0.0f;
    int alignment_ = Left;
    Renderer* renderer_ = nullptr;
};

} // namespace Orva::Graphics
