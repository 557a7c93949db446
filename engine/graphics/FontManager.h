#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/Export.h"
#include "core/Matrix44.h"
#include "core/Singleton.h"
#include "core/Vector.h"
#include "graphics/Color.h"
#include "graphics/ObjectShader.h"
#include "graphics/Texture.h"

namespace Orva::Graphics {

class Renderer;
class SpriteBatch;

// One glyph, in pixels of the size the font was made at; its coverage bitmap is rendered at
// twice that size, which gives the font shader's smoothed edge its precision. All zero until
// the glyph is loaded.
struct ORVA_API FontChar
{
    // The GL texture holding the bitmap: the font's glyph sheet, shared by all its glyphs.
    unsigned textureId = 0;
    // Bitmap width and rows, halved.
    Math::Vector2D<unsigned> size;
    // Bitmap left and top, halved toward zero.
    Math::Vector2D<int> bearing;
    // Horizontal advance in 1/64 pixel, halved.
    unsigned advance = 0;
    // Where the bitmap lies in the sheet, in texture coordinates.
    Math::Vector2D<float> startUV;
    Math::Vector2D<float> sizeUV;
};

// The 256 glyphs of a font by byte value, and the sheet they share. Entry 255 is never loaded.
struct ORVA_API Font
{
    std::array<FontChar, 256> glyphs;
    // The sheet, loaded, its GL name 0 without a context; the font owns it, not the texture
    // manager. The texture coordinates of one texel of full coverage, which the apostrophe's
    // solid quad samples.
    Texture sheet;
    Math::Vector2D<float> solidUV;

    const FontChar& operator[](unsigned char byte) const noexcept { return glyphs[byte]; }
};

// Every OpenGL call that fonts make for their glyph sheets, so that fonts load the same
// against a stand-in without a context.
class ORVA_API GlyphUploader
{
public:
    virtual ~GlyphUploader();

    // A new GL_RED texture of the texels (one byte each, rows from the top, no padding),
    // filtered to the nearest texel and clamped at the edges; the bound texture stays bound.
    // 0 when there is no context to make one in.
    virtual unsigned upload(const unsigned char* texels, unsigned width, unsigned height) = 0;
    // Nothing for 0, or once the context is gone.
    virtual void deleteName(unsigned name) = 0;
};

// The uploader on the renderer's context; every call is skipped while there is none.
ORVA_API std::unique_ptr<GlyphUploader> makeGLGlyphUploader();

// One quad of a string as `text` draws it: the unit quad placed by mvp (world units), showing
// the rectangle (startUV, sizeUV) of the font's sheet.
struct ORVA_API GlyphQuad
{
    Math::Matrix44<float> mvp;
    Math::Vector2D<float> startUV;
    Math::Vector2D<float> sizeUV;
};

// Loads fonts with FreeType, keeps one glyph table per font, owns the font shader and draws
// strings. Fonts are named by the file path given to makeFont (relative to the resource
// directory); the current font is a global setting that each text sets before it draws or
// measures. Made by the engine right after the renderer; without a context it makes no GL
// call at all (its shader is then never ready and its glyphs have texture name 0).
class ORVA_API FontManager : public Singleton<FontManager>
{
public:
    using FontTable = std::map<std::string, Font>;

    // Pixels the pen moves down for a new line and right for a tab, at scale 1.
    static constexpr float LineHeight = 40.0f;
    static constexpr float TabWidth = 40.0f;

    // Builds the font shader when the renderer has a context.
    FontManager();
    // Destroys every font, then the shader's program.
    ~FontManager();

    FontManager(const FontManager&) = delete;
    FontManager& operator=(const FontManager&) = delete;

    // Loads the font once per name: glyphs 0 to 254 rendered at twice the size, one sheet
    // uploaded, and the font made current (even when no glyph loaded). A file FreeType cannot
    // open is reported on stderr and changes nothing.
    void makeFont(const std::string& file, unsigned size);
    // An empty name selects the first font (smallest name) if there is one, else does
    // nothing; any other name becomes current as given, known or not.
    void selectFont(const std::string& name);
    // Draws the string in the current font, glyph by glyph along the pen from penStart (in
    // pixels, scaled), at the position (world units) turned by rotation (radians). Nothing at
    // all when no font exists. Unit 0's binding is left as it was.
    void text(Renderer& renderer, const std::string& text, const Math::Matrix44<float>& projection,
              const Color& colour, Math::Vector2D<float> position, const Math::Vector2D<float>& scale,
              const float& rotation, const Math::Vector2D<float>& penStart);
    // Queues in the batch, in the current font, the quads that text would draw: the same
    // pixels, drawn with the sprites around them. Nothing when no font exists or the font
    // shader is not ready; false then.
    bool textInto(SpriteBatch& batch, const std::string& text, const Color& colour,
                  Math::Vector2D<float> position, const Math::Vector2D<float>& scale, float rotation,
                  const Math::Vector2D<float>& penStart);
    // The quads that text draws for the string, in order, without drawing: the pen walk.
    // Valid until the next call.
    const std::vector<GlyphQuad>& layoutText(const std::string& text, Math::Vector2D<float> position,
                                             const Math::Vector2D<float>& scale, float rotation,
                                             const Math::Vector2D<float>& penStart);
    // The width of the string's widest line in the current font, in pixels at the scale; a
    // line's last byte counts its bearing only and the apostrophe 11.
    float getLength(const std::string& text, float scale) const;
    ObjectShader* getShader() noexcept { return &shader_; }

    // Deletes the font's sheet and forgets it; an unknown name does nothing.
    void destroyFont(const std::string& name);
    void destroyAllFonts();

    const FontTable& getFonts() const noexcept { return fonts_; }
    const std::string& getCurrentFont() const noexcept { return currentFont_; }
    // The current font's table; an all-zero one when the current name has no font.
    const Font& getCurrentTable() const noexcept;

    GlyphUploader& getGlyphUploader() noexcept { return *uploader_; }
    // For tests: another uploader, set before any font exists.
    void setGlyphUploader(std::unique_ptr<GlyphUploader> uploader);

private:
    // The GL objects that draw a string's quads in one call; made on first use.
    struct Mesh;

    void drawQuads(const Font& font, const Math::Matrix44<float>& projection, const Color& colour);

    FontTable fonts_;
    ObjectShader shader_;
    std::string currentFont_;
    std::unique_ptr<GlyphUploader> uploader_;
    std::unique_ptr<Mesh> mesh_;
    std::vector<GlyphQuad> quads_;
};

} // namespace Orva::Graphics
