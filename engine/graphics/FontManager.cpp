#include "graphics/FontManager.h"

#include <GL/glew.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <utility>

#include "core/GlobalManager.h"
#include "graphics/EngineShaders.h"
#include "graphics/Renderer.h"
#include "graphics/SpriteBatch.h"
#include "world/ResourceManager.h"

namespace Orva::Graphics {

namespace {

// Glyph codes 0 to 254 are loaded; 255 stays empty.
constexpr unsigned LoadedGlyphs = 255;
// Zero texels between glyphs (and around the sheet), so that no glyph samples its neighbour.
constexpr unsigned Gap = 1;
// The side of the full-coverage block; its middle texel is the one sampled.
constexpr unsigned SolidSide = 3;

// The apostrophe is a solid quad of its own, 4 by 8 pixels, whose placement and advance
// differ from what it measures.
constexpr float ApostropheWidth = 4.0f;
constexpr float ApostropheHeight = 8.0f;
constexpr float ApostropheLeft = 7.5f;
constexpr float ApostropheTop = 60.0f;
constexpr float ApostropheAdvance = 6.0f;
constexpr float ApostropheLength = 11.0f;

bool hasContext() noexcept
{
    return Renderer::hasInstance() && Renderer::getInstance().isInitialized();
}

// A glyph's rendered bitmap, copied out of FreeType's buffer.
struct GlyphBitmap
{
    unsigned char code = 0;
    unsigned width = 0;
    unsigned rows = 0;
    std::vector<unsigned char> coverage;
    // Its place in the sheet.
    unsigned x = 0;
    unsigned y = 0;
};

GlyphBitmap copyBitmap(unsigned char code, const FT_Bitmap& bitmap)
{
    GlyphBitmap glyph;
    glyph.code = code;
    glyph.width = bitmap.width;
    glyph.rows = bitmap.rows;
    glyph.coverage.resize(static_cast<std::size_t>(bitmap.width) * bitmap.rows);
    const unsigned pitch = static_cast<unsigned>(std::abs(bitmap.pitch));
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        std::copy_n(bitmap.buffer + static_cast<std::size_t>(row) * pitch, bitmap.width,
                    glyph.coverage.begin() + static_cast<std::ptrdiff_t>(row * bitmap.width));
    }
    return glyph;
}

// All the glyphs of a font in one texture, packed in shelves from the top-left, after a block
// of full coverage.
struct GlyphSheet
{
    unsigned width = 0;
    unsigned height = 0;
    std::vector<unsigned char> texels;

    explicit GlyphSheet(std::vector<GlyphBitmap>& glyphs)
    {
        std::size_t area = (SolidSide + Gap) * (SolidSide + Gap);
        unsigned widest = SolidSide;
        for (const GlyphBitmap& glyph : glyphs) {
            area += static_cast<std::size_t>(glyph.width + Gap) * (glyph.rows + Gap);
            widest = std::max(widest, glyph.width);
        }
        width = 64;
        while (static_cast<std::size_t>(width) * width < area * 2 || width < widest + 2 * Gap) {
            width *= 2;
        }
        unsigned x = Gap + SolidSide + Gap;
        unsigned y = Gap;
        unsigned shelf = SolidSide;
        for (GlyphBitmap& glyph : glyphs) {
            if (x + glyph.width + Gap > width) {
                x = Gap;
                y += shelf + Gap;
                shelf = 0;
            }
            glyph.x = x;
            glyph.y = y;
            x += glyph.width + Gap;
            shelf = std::max(shelf, glyph.rows);
        }
        height = y + shelf + Gap;
        texels.assign(static_cast<std::size_t>(width) * height, 0);
        for (unsigned row = 0; row < SolidSide; ++row) {
            std::fill_n(at(Gap, Gap + row), SolidSide, 255);
        }
        for (const GlyphBitmap& glyph : glyphs) {
            for (unsigned row = 0; row < glyph.rows; ++row) {
                std::copy_n(glyph.coverage.begin() + static_cast<std::ptrdiff_t>(row * glyph.width),
                            glyph.width, at(glyph.x, glyph.y + row));
            }
        }
    }

    unsigned char* at(unsigned x, unsigned y)
    {
        return texels.data() + static_cast<std::size_t>(y) * width + x;
    }

    Math::Vector2D<float> uv(float x, float y) const
    {
        return {x / static_cast<float>(width), y / static_cast<float>(height)};
    }
};

class GLGlyphUploader final : public GlyphUploader
{
public:
    unsigned upload(const unsigned char* texels, unsigned width, unsigned height) override
    {
        if (!hasContext()) {
            return 0;
        }
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RED, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0,
                     GL_RED, GL_UNSIGNED_BYTE, texels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
        return name;
    }

    void deleteName(unsigned name) override
    {
        if (name != 0 && hasContext()) {
            glDeleteTextures(1, &name);
        }
    }
};

// The unit quad's two triangles, (0, 1, 3) and (3, 1, 2), as its corners and UVs.
struct Corner
{
    float x, y, u, v;
};
constexpr Corner QuadTriangles[] = {{-0.5f, 0.5f, 0.0f, 0.0f},  {-0.5f, -0.5f, 0.0f, 1.0f},
                                    {0.5f, 0.5f, 1.0f, 0.0f},   {0.5f, 0.5f, 1.0f, 0.0f},
                                    {-0.5f, -0.5f, 0.0f, 1.0f}, {0.5f, -0.5f, 1.0f, 1.0f}};

// The width a glyph adds to a line before the next byte.
int advancePixels(const FontChar& glyph) noexcept
{
    return static_cast<int>(glyph.advance >> 6);
}

} // namespace

GlyphUploader::~GlyphUploader() = default;

std::unique_ptr<GlyphUploader> makeGLGlyphUploader()
{
    return std::make_unique<GLGlyphUploader>();
}

// The quads of a string, placed in world units, with their sheet coordinates: one draw.
struct FontManager::Mesh
{
    struct Vertex
    {
        float x, y, z;
        float u, v;
    };

    Mesh()
    {
        GLint vertexArray = 0;
        GLint arrayBuffer = 0;
        glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
        glGenVertexArrays(1, &vertexArray_);
        glGenBuffers(1, &vertexBuffer_);
        glBindVertexArray(vertexArray_);
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
        constexpr auto stride = static_cast<GLsizei>(sizeof(Vertex));
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(
            1, 2, GL_FLOAT, GL_FALSE, stride,
            reinterpret_cast<const void*>(static_cast<std::uintptr_t>(offsetof(Vertex, u))));
        glBindVertexArray(static_cast<GLuint>(vertexArray));
        glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer));
    }

    ~Mesh()
    {
        if (hasContext()) {
            glDeleteBuffers(1, &vertexBuffer_);
            glDeleteVertexArrays(1, &vertexArray_);
        }
    }

    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Each quad's corners go through its matrix here, so the shader's "MVP" is the identity.
    void place(const std::vector<GlyphQuad>& quads)
    {
        vertices.clear();
        for (const GlyphQuad& quad : quads) {
            const auto& m = quad.mvp.m;
            for (const Corner& corner : QuadTriangles) {
                vertices.push_back({m[0][0] * corner.x + m[0][1] * corner.y + m[0][3],
                                    m[1][0] * corner.x + m[1][1] * corner.y + m[1][3],
                                    m[2][0] * corner.x + m[2][1] * corner.y + m[2][3],
                                    quad.startUV.x + corner.u * quad.sizeUV.x,
                                    quad.startUV.y + corner.v * quad.sizeUV.y});
            }
        }
    }

    // Draws the placed quads with the program in use; the bound vertex array and array buffer
    // stay bound.
    void draw() const
    {
        GLint vertexArray = 0;
        GLint arrayBuffer = 0;
        glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
        glBindVertexArray(vertexArray_);
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)),
                     vertices.data(), GL_STREAM_DRAW);
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices.size()));
        glBindVertexArray(static_cast<GLuint>(vertexArray));
        glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer));
    }

    std::vector<Vertex> vertices;

private:
    unsigned vertexArray_ = 0;
    unsigned vertexBuffer_ = 0;
};

FontManager::FontManager() : uploader_(makeGLGlyphUploader())
{
    if (hasContext()) {
        shader_.evaluate(ShaderSources::FontVertex, ShaderSources::FontFragment);
    }
}

FontManager::~FontManager()
{
    destroyAllFonts();
}

void FontManager::setGlyphUploader(std::unique_ptr<GlyphUploader> uploader)
{
    uploader_ = std::move(uploader);
}

void FontManager::makeFont(const std::string& file, unsigned size)
{
    if (fonts_.find(file) != fonts_.end()) {
        return;
    }
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        std::cerr << "fonts: FreeType did not start; " << file << " was not made\n";
        return;
    }
    FT_Face face = nullptr;
    const std::string path = Resources::ResourceManager::getFullPath(file);
    // Read here rather than by FreeType, which would wait for good on a pipe at the name; the
    // face reads from these bytes until it is done.
    const std::optional<std::string> bytes = Resources::ResourceManager::readResource(file);
    const FT_Error error = bytes
                               ? FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(bytes->data()),
                                                    static_cast<FT_Long>(bytes->size()), 0, &face)
                               : FT_Err_Cannot_Open_Resource;
    if (error != 0) {
        std::cerr << "fonts: " << path << " could not be opened as a font (FreeType error " << error << ")\n";
        FT_Done_FreeType(library);
        return;
    }
    FT_Set_Pixel_Sizes(face, 0, 2 * size);

    Font font;
    std::vector<GlyphBitmap> bitmaps;
    for (unsigned code = 0; code < LoadedGlyphs; ++code) {
        if (FT_Load_Char(face, code, FT_LOAD_RENDER) != 0) {
            continue;
        }
        const FT_GlyphSlot slot = face->glyph;
        FontChar& glyph = font.glyphs[code];
        glyph.size = {slot->bitmap.width >> 1, slot->bitmap.rows >> 1};
        glyph.bearing = {slot->bitmap_left / 2, slot->bitmap_top / 2};
        glyph.advance = static_cast<unsigned>(slot->advance.x / 2);
        bitmaps.push_back(copyBitmap(static_cast<unsigned char>(code), slot->bitmap));
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);

    currentFont_ = file;
    if (bitmaps.empty()) {
        return;
    }
    GlyphSheet sheet(bitmaps);
    font.sheet = Texture(uploader_->upload(sheet.texels.data(), sheet.width, sheet.height), file);
    font.sheet.setSize({sheet.width, sheet.height});
    font.sheet.setLoaded(true);
    font.solidUV =
        sheet.uv(static_cast<float>(Gap) + 0.5f * SolidSide, static_cast<float>(Gap) + 0.5f * SolidSide);
    for (const GlyphBitmap& bitmap : bitmaps) {
        FontChar& glyph = font.glyphs[bitmap.code];
        glyph.textureId = font.sheet.getId();
        glyph.startUV = sheet.uv(static_cast<float>(bitmap.x), static_cast<float>(bitmap.y));
        glyph.sizeUV = sheet.uv(static_cast<float>(bitmap.width), static_cast<float>(bitmap.rows));
    }
    fonts_.emplace(file, font);
}

void FontManager::selectFont(const std::string& name)
{
    if (!name.empty()) {
        currentFont_ = name;
    } else if (!fonts_.empty()) {
        currentFont_ = fonts_.begin()->first;
    }
}

const Font& FontManager::getCurrentTable() const noexcept
{
    static const Font empty;
    const auto found = fonts_.find(currentFont_);
    return found != fonts_.end() ? found->second : empty;
}

const std::vector<GlyphQuad>& FontManager::layoutText(const std::string& text, Math::Vector2D<float> position,
                                                      const Math::Vector2D<float>& scale, float rotation,
                                                      const Math::Vector2D<float>& penStart)
{
    using Matrix = Math::Matrix44<float>;
    const float inverseUnit = GlobalManager::InverseObjectUnitSize;
    const float unitRoundTrip = GlobalManager::ObjectUnitSize * inverseUnit;
    const Matrix placed = Matrix::translation(position.x * unitRoundTrip, position.y * unitRoundTrip, 0.0f) *
                          Matrix::rotationZ(rotation);
    const Font& font = getCurrentTable();
    Math::Vector2D<float> pen = penStart;
    quads_.clear();
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte == '\n') {
            pen.x = penStart.x;
            pen.y -= scale.y * LineHeight;
        } else if (byte == '\t') {
            pen.x += scale.x * TabWidth;
        } else if (byte == '\'') {
            const Matrix glyphPlace =
                Matrix::translation((pen.x + scale.x * ApostropheLeft * 0.5f) * inverseUnit,
                                    (pen.y + scale.y * ApostropheTop * 0.5f) * inverseUnit, 0.0f);
            const Matrix glyphSize = Matrix::scale(scale.x * ApostropheWidth * inverseUnit,
                                                   scale.y * ApostropheHeight * inverseUnit, 1.0f);
            quads_.push_back({placed * glyphPlace * glyphSize, font.solidUV, {}});
            pen.x += scale.x * ApostropheAdvance;
        } else {
            const FontChar& glyph = font[byte];
            const float width = static_cast<float>(glyph.size.x);
            const float height = static_cast<float>(glyph.size.y);
            const Matrix glyphPlace = Matrix::translation(
                (static_cast<float>(glyph.bearing.x) * scale.x + width * scale.x * 0.5f + pen.x) *
                    inverseUnit,
                (height * scale.y * 0.5f + pen.y - (height - static_cast<float>(glyph.bearing.y)) * scale.y) *
                    inverseUnit,
                0.0f);
            const Matrix glyphSize =
                Matrix::scale(width * scale.x * inverseUnit, height * scale.y * inverseUnit, 1.0f);
            quads_.push_back({placed * glyphPlace * glyphSize, glyph.startUV, glyph.sizeUV});
            pen.x += static_cast<float>(advancePixels(glyph)) * scale.x;
        }
    }
    return quads_;
}

void FontManager::text(Renderer& /*renderer*/, const std::string& text,
                       const Math::Matrix44<float>& projection, const Color& colour,
                       Math::Vector2D<float> position, const Math::Vector2D<float>& scale,
                       const float& rotation, const Math::Vector2D<float>& penStart)
{
    if (fonts_.empty()) {
        return;
    }
    layoutText(text, position, scale, rotation, penStart);
    if (shader_.isReady() && !quads_.empty()) {
        drawQuads(getCurrentTable(), projection, colour);
    }
}

bool FontManager::textInto(SpriteBatch& batch, const std::string& text, const Color& colour,
                           Math::Vector2D<float> position, const Math::Vector2D<float>& scale, float rotation,
                           const Math::Vector2D<float>& penStart)
{
    if (fonts_.empty() || !shader_.isReady()) {
        return false;
    }
    const Font& font = getCurrentTable();
    SpriteDrawValues values;
    values.color = colour;
    for (const GlyphQuad& quad : layoutText(text, position, scale, rotation, penStart)) {
        values.mvp = quad.mvp;
        values.startUV = quad.startUV;
        values.sizeUV = quad.sizeUV;
        batch.add(values, &font.sheet, true);
    }
    return true;
}

// One draw for the whole string from the font's sheet on unit 0, whose binding is put back.
void FontManager::drawQuads(const Font& font, const Math::Matrix44<float>& projection, const Color& colour)
{
    if (!mesh_) {
        mesh_ = std::make_unique<Mesh>();
    }
    mesh_->place(quads_);
    shader_.apply();
    shader_.setUniformMatrix4f("projMtx", projection);
    shader_.setUniformMatrix4f("MVP", Math::Matrix44<float>::identity());
    // A current name without a font has no sheet: its apostrophes are solid quads.
    shader_.setUniform1i("useTexture", font.sheet.isLoaded() ? 1 : 0);
    shader_.setUniformColor("tint", colour);
    shader_.setUniform1i("fontTex", 0);
    glActiveTexture(GL_TEXTURE0);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, font.sheet.getId());
    mesh_->draw();
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
}

float FontManager::getLength(const std::string& text, float scale) const
{
    const Font& font = getCurrentTable();
    float line = 0.0f;
    float widest = 0.0f;
    for (std::size_t index = 0; index < text.size(); ++index) {
        const auto byte = static_cast<unsigned char>(text[index]);
        if (byte == '\n') {
            widest = std::max(widest, line);
            line = 0.0f;
        } else if (byte == '\t') {
            line += scale * TabWidth;
        } else if (byte == '\'') {
            line += scale * ApostropheLength;
        } else {
            const FontChar& glyph = font[byte];
            const int advance = index + 1 == text.size() ? 0 : advancePixels(glyph);
            line += scale * static_cast<float>(advance + glyph.bearing.x);
        }
    }
    return std::max(widest, line);
}

void FontManager::destroyFont(const std::string& name)
{
    const auto found = fonts_.find(name);
    if (found == fonts_.end()) {
        return;
    }
    uploader_->deleteName(found->second.sheet.getId());
    fonts_.erase(found);
}

void FontManager::destroyAllFonts()
{
    while (!fonts_.empty()) {
        destroyFont(fonts_.begin()->first);
    }
}

} // namespace Orva::Graphics
