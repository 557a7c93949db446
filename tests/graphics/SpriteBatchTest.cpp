#include <GL/glew.h>

#include <cstddef>
#include <deque>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "GLFixture.h"
#include "SceneFixture.h"
#include "ShaderFiles.h"
#include "TestImages.h"
#include "core/Matrix44.h"
#include "graphics/Drawable.h"
#include "graphics/EngineShaders.h"
#include "graphics/FrameShader.h"
#include "graphics/Layer.h"
#include "graphics/ObjectShader.h"
#include "graphics/SpriteBatch.h"
#include "graphics/SpriteComponent.h"
#include "graphics/Texture.h"
#include "graphics/TextureManager.h"
#include "graphics/TextureUploader.h"

namespace {

using Orva::Graphics::Color;
using Orva::Graphics::SpriteBatch;
using Orva::Graphics::SpriteDrawValues;
using Orva::Graphics::Texture;
using Matrix = Orva::Math::Matrix44<float>;

constexpr Color Red{1.0f, 0.0f, 0.0f, 1.0f};
constexpr Color Green{0.0f, 1.0f, 0.0f, 1.0f};
constexpr Color Blue{0.0f, 0.0f, 1.0f, 1.0f};

// A quad of size (w, h) world units centred at (x, y, z), turned by `radians`.
Matrix placed(float x, float y, float z, float w, float h, float radians = 0.0f)
{
    return Matrix::translation(x, y, z) * Matrix::rotationZ(radians) * Matrix::scale(w, h, 1.0f);
}

// A sprite's quad: its values and its loaded texture, or none.
struct Quad
{
    SpriteDrawValues values;
    const Texture* texture = nullptr;
};

Quad untextured(const Matrix& mvp, const Color& color)
{
    Quad quad;
    quad.values.mvp = mvp;
    quad.values.color = color;
    return quad;
}

Quad textured(const Matrix& mvp, const Texture* texture)
{
    Quad quad;
    quad.values.mvp = mvp;
    quad.texture = texture;
    return quad;
}

GLint boundName(GLenum binding)
{
    GLint name = 0;
    glGetIntegerv(binding, &name);
    return name;
}

// Draws quads straight into the window's framebuffer two ways: one unit quad per quad with the
// default object shader and its uniforms, as sprites draw, and through the renderer's batch.
class SpriteBatchTest : public GLTest
{
protected:
    void TearDown() override
    {
        for (Texture& texture : textures_) {
            glDeleteTextures(1, &texture.getId());
        }
        GLTest::TearDown();
    }

    // A loaded texture of width × height texels, top row first, sampled without filtering;
    // texel i is colour i of a spread of distinct colours, opaque unless `translucent`.
    const Texture* makeTexture(int width, int height, GLenum internalFormat = GL_RGBA8,
                               bool translucent = false)
    {
        std::vector<unsigned char> rgba;
        for (int texel = 0; texel < width * height; ++texel) {
            rgba.insert(rgba.end(), {static_cast<unsigned char>(texel * 37 % 256),
                                     static_cast<unsigned char>(255 - texel * 16 % 256),
                                     static_cast<unsigned char>(texel % 2 * 255),
                                     static_cast<unsigned char>(translucent ? 96 + texel * 7 % 160 : 255)});
        }
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internalFormat), width, height, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, rgba.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glBindTexture(GL_TEXTURE_2D, 0);
        Texture& made = textures_.emplace_back(texture, "texture" + std::to_string(textures_.size()));
        made.setLoaded(true);
        return &made;
    }

    // Clears the window's framebuffer, as a layer starts, the last texture forgotten.
    void startFrame()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        renderer->getLastTextureId() = 0;
        renderer->getDefaultObjectShader()->apply();
        renderer->getDefaultObjectShader()->setUniformMatrix4f("projMtx", viewport().getMatrix());
    }

    // As a sprite draws: its texture applied, its uniforms sent, the unit quad drawn.
    void drawOneByOne(const std::vector<Quad>& quads)
    {
        const Orva::Graphics::ObjectShader& shader = *renderer->getDefaultObjectShader();
        for (const Quad& quad : quads) {
            const bool textured = quad.texture != nullptr && quad.texture->apply(0);
            Orva::Graphics::sendDrawValues(shader, quad.values, textured);
            renderer->createUnitQuad()->draw(GL_TRIANGLE_STRIP);
        }
    }

    void drawBatched(const std::vector<Quad>& quads)
    {
        SpriteBatch& batch = *renderer->getSpriteBatch();
        batch.setProjection(viewport().getMatrix());
        for (const Quad& quad : quads) {
            batch.add(quad.values, quad.texture);
        }
        batch.flush();
    }

    std::vector<unsigned char> oneByOne(const std::vector<Quad>& quads)
    {
        startFrame();
        drawOneByOne(quads);
        return renderer->screenCapture();
    }

    std::vector<unsigned char> batched(const std::vector<Quad>& quads)
    {
        startFrame();
        drawBatched(quads);
        return renderer->screenCapture();
    }

    // Empty when both captures are equal; else the number of pixels that differ and the first.
    static std::string difference(const std::vector<unsigned char>& expected,
                                  const std::vector<unsigned char>& actual)
    {
        if (expected.size() != actual.size()) {
            return "captures of different sizes";
        }
        std::size_t differing = 0;
        std::ostringstream first;
        for (std::size_t at = 0; at < expected.size(); at += 3) {
            const Rgb want{expected[at], expected[at + 1], expected[at + 2]};
            const Rgb got{actual[at], actual[at + 1], actual[at + 2]};
            if (want != got && differing++ == 0) {
                first << "first at (" << at / 3 % Width << ", " << at / 3 / Width << "): " << got
                      << " instead of " << want;
            }
        }
        return differing == 0 ? std::string() : std::to_string(differing) + " pixels differ, " + first.str();
    }

    static Rgb pixelOf(const std::vector<unsigned char>& capture, unsigned x, unsigned y)
    {
        const std::size_t at = (static_cast<std::size_t>(y) * Width + x) * 3;
        return {capture.at(at), capture.at(at + 1), capture.at(at + 2)};
    }

    void expectSamePixels(const std::vector<Quad>& quads)
    {
        const std::vector<unsigned char> expected = oneByOne(quads);
        EXPECT_NE(pixelOf(expected, Width / 2, Height / 2), Background)
            << "the quads should cover the centre";
        EXPECT_EQ(difference(expected, batched(quads)), "");
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

private:
    std::deque<Texture> textures_;
};

TEST_F(SpriteBatchTest, TexturedQuadsMatchTheDefaultShaderWithFlipsAtlasCellsAndTints)
{
    const Texture* texture = makeTexture(4, 4);
    std::vector<Quad> quads;
    // Pixel-aligned: 64 px to the unit, texels of 16 px.
    quads.push_back(textured(placed(-1.5f, 1.0f, 0.0f, 1.0f, 1.0f), texture));
    quads.push_back(textured(placed(0.0f, 1.0f, 0.0f, 1.0f, 1.0f), texture));
    quads.back().values.flipX = true;
    quads.push_back(textured(placed(1.5f, 1.0f, 0.0f, 1.0f, 1.0f), texture));
    quads.back().values.flipY = true;
    // Off the pixel grid, both flips and a tint.
    quads.push_back(textured(placed(-1.45f, -0.93f, 0.0f, 1.1f, 0.9f), texture));
    quads.back().values.flipX = quads.back().values.flipY = true;
    quads.back().values.color = {1.0f, 0.5f, 0.25f, 1.0f};
    // A cell of a 2 × 3 frame grid inside an atlas rectangle.
    Quad cell = textured(placed(0.0f, 0.0f, 0.0f, 1.5f, 1.5f), texture);
    cell.values.startUV = {0.25f, 0.25f};
    cell.values.sizeUV = {0.5f, 0.75f};
    cell.values.numFrames = {2.0f, 3.0f};
    cell.values.currFrame = {1.0f, 2.0f};
    quads.push_back(cell);
    cell.values.mvp = placed(1.5f, -0.9f, 0.0f, 1.0f, 1.0f, 0.3f);
    cell.values.currFrame = {0.0f, 1.0f};
    cell.values.flipX = true;
    quads.push_back(cell);
    expectSamePixels(quads);
}

TEST_F(SpriteBatchTest, UntexturedTranslucentTurnedAndMirroredQuadsMatch)
{
    std::vector<Quad> quads;
    quads.push_back(untextured(placed(0.0f, 0.0f, 0.0f, 2.0f, 1.0f), Red));
    // Above it, translucent, so that it blends.
    quads.push_back(untextured(placed(0.3f, 0.2f, 0.5f, 1.0f, 1.0f, 0.7f), {0.0f, 1.0f, 0.0f, 0.5f}));
    quads.push_back(untextured(placed(-1.7f, 1.2f, 0.0f, 0.75f, 0.5f, -1.2f), {0.2f, 0.4f, 0.6f, 0.8f}));
    // An untextured sprite with no size yet: a mirrored one-unit quad.
    quads.push_back(untextured(placed(1.7f, -1.2f, 0.0f, -1.0f, -1.0f), Blue));
    // Uneven scale, far from the grid.
    quads.push_back(untextured(placed(-1.33f, -1.01f, 0.0f, 0.37f, 1.91f, 0.1f), Green));
    expectSamePixels(quads);
}

TEST_F(SpriteBatchTest, RunsOfDifferentTexturesDrawInOrderAndLeaveTheLastBound)
{
    const Texture* first = makeTexture(4, 4);
    const Texture* second = makeTexture(2, 8);
    std::vector<Quad> quads;
    quads.push_back(textured(placed(-0.5f, 0.0f, 0.0f, 1.0f, 1.0f), first));
    quads.push_back(textured(placed(-0.25f, 0.25f, 0.0f, 1.0f, 1.0f), first));
    quads.push_back(textured(placed(0.0f, 0.0f, 0.0f, 1.0f, 1.0f), second));
    quads.push_back(untextured(placed(0.25f, -0.25f, 0.2f, 1.0f, 1.0f), {1.0f, 1.0f, 0.0f, 0.5f}));
    quads.push_back(textured(placed(0.5f, 0.0f, 0.1f, 1.0f, 1.0f), first));
    quads.back().values.color = {1.0f, 1.0f, 1.0f, 0.5f};
    quads.push_back(textured(placed(0.75f, 0.5f, 0.3f, 1.0f, 1.0f), second));
    expectSamePixels(quads);
    EXPECT_EQ(renderer->getLastTextureId(), second->getId());
    EXPECT_EQ(boundName(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    EXPECT_EQ(boundName(GL_TEXTURE_BINDING_2D), static_cast<GLint>(second->getId()));
}

TEST_F(SpriteBatchTest, OverlappingQuadsKeepTheirOrder)
{
    // At one depth the first quad drawn keeps its pixels; a translucent one above blends over
    // what is there. Either order mistake changes the centre.
    const std::vector<Quad> quads = {
        untextured(placed(0.0f, 0.0f, 0.0f, 1.0f, 1.0f), Red),
        untextured(placed(0.2f, 0.0f, 0.0f, 1.0f, 1.0f), Blue),
        untextured(placed(0.0f, 0.0f, 1.0f, 0.5f, 0.5f), {0.0f, 1.0f, 0.0f, 0.5f}),
    };
    const std::vector<unsigned char> capture = batched(quads);
    const Rgb blended = pixelOf(capture, 150, 110);
    EXPECT_NEAR(blended.r, 128, 1) << blended;
    EXPECT_NEAR(blended.g, 128, 1) << blended;
    EXPECT_EQ(blended.b, 0) << blended;
    EXPECT_EQ(pixelOf(capture, 185, 100), (Rgb{255, 0, 0})) << "the blue quad came second at the same depth";
    EXPECT_EQ(pixelOf(capture, 200, 100), (Rgb{0, 0, 255}));
    EXPECT_EQ(difference(oneByOne(quads), capture), "");
}

TEST_F(SpriteBatchTest, WhatDrawsAfterAFlushFindsItsStateAsItLeftIt)
{
    const Texture* texture = makeTexture(4, 4);
    const std::vector<Quad> below = {textured(placed(-0.5f, 0.0f, 0.0f, 1.0f, 1.0f), texture),
                                     untextured(placed(0.5f, 0.5f, 0.0f, 1.0f, 1.0f), Red)};
    Quad between = textured(placed(0.0f, 0.0f, 0.5f, 1.0f, 1.0f), texture);
    between.values.flipX = true;
    const std::vector<Quad> above = {textured(placed(0.5f, -0.5f, 1.0f, 1.0f, 1.0f), texture)};

    startFrame();
    drawOneByOne(below);
    drawOneByOne({between});
    drawOneByOne(above);
    const std::vector<unsigned char> expected = renderer->screenCapture();

    startFrame();
    const GLint program = boundName(GL_CURRENT_PROGRAM);
    const GLint vertexArray = boundName(GL_VERTEX_ARRAY_BINDING);
    const GLint arrayBuffer = boundName(GL_ARRAY_BUFFER_BINDING);
    drawBatched(below);
    EXPECT_EQ(boundName(GL_CURRENT_PROGRAM), program);
    EXPECT_EQ(boundName(GL_VERTEX_ARRAY_BINDING), vertexArray);
    EXPECT_EQ(boundName(GL_ARRAY_BUFFER_BINDING), arrayBuffer);
    // The texture the batch bound is not bound again: the quad relies on the record.
    drawOneByOne({between});
    drawBatched(above);
    renderer->getSpriteBatch()->flush();
    EXPECT_EQ(renderer->getSpriteBatch()->getQueuedCount(), 0u);
    EXPECT_EQ(difference(expected, renderer->screenCapture()), "");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SpriteBatchTest, OnlyTheFirstOfALayersTwoTargetsIsDrawnAndBothStayListed)
{
    const Orva::Graphics::FrameShader& screen = viewport().getLayer("default")->getScreenPass();
    screen.bind();
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    drawBatched({untextured(placed(0.0f, 0.0f, 0.0f, 1.0f, 1.0f), Red)});
    EXPECT_EQ(boundName(GL_DRAW_BUFFER0), GL_COLOR_ATTACHMENT0);
    EXPECT_EQ(boundName(GL_DRAW_BUFFER1), GL_COLOR_ATTACHMENT1);
    for (const auto& [target, expected] :
         {std::pair{GL_COLOR_ATTACHMENT0, Rgb{255, 0, 0}}, std::pair{GL_COLOR_ATTACHMENT1, Rgb{0, 0, 255}}}) {
        glReadBuffer(target);
        unsigned char rgb[3] = {};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(Width / 2, Height / 2, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        EXPECT_EQ((Rgb{rgb[0], rgb[1], rgb[2]}), expected) << "target " << target - GL_COLOR_ATTACHMENT0;
    }
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SpriteBatchTest, AFullScreenOfSmallQuadsIsOneRunOfManyDraws)
{
    // 160 × 120 quads of 2 × 2 px, more than one draw takes.
    constexpr float Pixel = 1.0f / 64.0f;
    std::vector<Quad> quads;
    for (unsigned row = 0; row < Height / 2; ++row) {
        for (unsigned column = 0; column < Width / 2; ++column) {
            const float x = (static_cast<float>(column) * 2.0f + 1.0f - Width / 2.0f) * Pixel;
            const float y = (static_cast<float>(row) * 2.0f + 1.0f - Height / 2.0f) * Pixel;
            quads.push_back(
                untextured(placed(x, y, 0.0f, 2.0f * Pixel, 2.0f * Pixel),
                           {static_cast<float>(column % 7) / 6.0f, static_cast<float>(row % 5) / 4.0f,
                            static_cast<float>((row + column) % 2), 1.0f}));
        }
    }
    expectSamePixels(quads);
}

// Sampling a compressed texture decodes it; a software rasteriser stores its images decoded
// instead, which has to show the very same texels, interpolated DXT colours and alphas included.
TEST_F(SpriteBatchTest, ACompressedTextureStoredDecodedShowsTheSameTexels)
{
    for (const GLenum format : {GL_COMPRESSED_RGB_S3TC_DXT1_EXT, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT}) {
        const Texture* texture = makeTexture(16, 16, format, true);
        GLint compressed = GL_FALSE;
        glBindTexture(GL_TEXTURE_2D, texture->getId());
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED, &compressed);
        ASSERT_EQ(compressed, GL_TRUE) << "format " << format;
        const std::vector<Quad> quads = {textured(placed(0.0f, 0.0f, 0.0f, 3.5f, 3.5f), texture)};
        const std::vector<unsigned char> expected = oneByOne(quads);

        Orva::Graphics::storeDecoded(texture->getId());
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED, &compressed);
        EXPECT_EQ(compressed, GL_FALSE);
        GLint width = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        EXPECT_EQ(width, 16);
        EXPECT_EQ(difference(expected, oneByOne(quads)), "") << "format " << format;
        EXPECT_EQ(difference(expected, batched(quads)), "") << "format " << format;
    }
    EXPECT_TRUE(Orva::Graphics::rasterizesInSoftware()) << "these tests run on Mesa's software rasteriser";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Layers hand runs of default-shader sprite components to the batch and draw every other
// sprite as before, in one list order.
class LayerBatchTest : public SceneTest
{
protected:
    using SpriteComponent = Orva::Graphics::SpriteComponent;

    // A sprite component of the image (none: untextured) on a new object at (x, y, z).
    static SpriteComponent* spriteAt(const std::string& image, float x, float y, float z,
                                     const Color& color = Color())
    {
        SpriteComponent* sprite = makeOwner(x, y, z)->addComponent<SpriteComponent>();
        sprite->initialize(image, color);
        return sprite;
    }

    // Draws a frame sprite by sprite, then one with the batch, which has to match it.
    void frameBothWays()
    {
        renderer->setSpriteBatching(false);
        drawFrame();
        const std::vector<unsigned char> oneByOne = lastCapture();
        renderer->setSpriteBatching(true);
        drawFrame();
        EXPECT_EQ(difference(oneByOne, lastCapture()), "");
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    static std::string difference(const std::vector<unsigned char>& expected,
                                  const std::vector<unsigned char>& actual)
    {
        std::size_t differing = 0;
        for (std::size_t at = 0; at < expected.size() && at < actual.size(); ++at) {
            differing += expected[at] != actual[at] ? 1 : 0;
        }
        return differing == 0 && expected.size() == actual.size()
                   ? std::string()
                   : std::to_string(differing) + " bytes differ";
    }
};

TEST_F(LayerBatchTest, MixedSpritesDrawTheSamePixelsBatchedOrOneByOne)
{
    // Colours DXT compression has to approximate, on two images and an atlas of two cells.
    writeResource("images/warm.png",
                  makePng(32, 32,
                          [](unsigned x, unsigned y) {
                              return Rgb{static_cast<int>(40 + x * 6), static_cast<int>(200 - y * 5), 90};
                          }),
                  false);
    writeResource("images/cool.png",
                  makePng(16, 16,
                          [](unsigned x, unsigned y) {
                              return Rgb{30, static_cast<int>(x * 15), static_cast<int>(120 + y * 8)};
                          }),
                  false);
    writeResource("images/sheet.png",
                  makePng(64, 32,
                          [](unsigned x, unsigned y) {
                              return Rgb{x < 32 ? 255 : 0, static_cast<int>(y * 8), x < 32 ? 0 : 255};
                          }),
                  false);
    writeResource("atlas/sheet.xml", R"(<TextureAtlas imagePath="sheet.png" width="64" height="32">
                     <sprite n="left.png" x="0" y="0" w="32" h="32"/>
                     <sprite n="right.png" x="32" y="0" w="32" h="32"/></TextureAtlas>)",
                  false);
    writeResource("shaders/own.vert", Orva::Graphics::ShaderSources::DefaultObjectVertex);
    writeResource("shaders/own.frag", Orva::Graphics::ShaderSources::DefaultObjectFragment);
    writeResource("shaders/invert.vert", ShaderFiles::PassVertex);
    writeResource("shaders/invert.frag", ShaderFiles::InvertFragment);
    auto& textures = Orva::Graphics::TextureManager::getInstance();
    ASSERT_NE(textures.addAtlas("atlas/sheet.xml"), nullptr);

    // Depths interleave batched sprite components with sprites drawn one by one: a test sprite
    // of the default shader, a sprite component of its own shader, and untextured, hidden,
    // flipped and translucent ones.
    spriteAt("images/warm.png", -1.0f, 0.0f, 0.0f);
    spriteAt("images/warm.png", -0.6f, 0.3f, 0.0f)->flipX();
    spriteAt("images/left.png", 0.2f, 0.2f, 0.0f);
    spriteAt("images/right.png", 0.5f, 0.1f, 0.0f);
    addSprite("default", Red, makeOwner(-0.8f, -0.2f, 0.1f));
    spriteAt("images/cool.png", -0.7f, -0.1f, 0.2f, {1.0f, 1.0f, 1.0f, 0.5f});
    spriteAt("", 0.0f, -0.3f, 0.2f, {0.2f, 0.6f, 1.0f, 0.75f});
    spriteAt("images/cool.png", 0.1f, 0.0f, 0.2f)->setVisible(false);
    SpriteComponent* own = makeOwner(0.3f, -0.2f, 0.3f)->addComponent<SpriteComponent>();
    own->initialize("images/warm.png", "shaders/own.vert|shaders/own.frag", Color(0.5f, 1.0f, 1.0f, 1.0f));
    spriteAt("images/warm.png", 0.6f, -0.4f, 0.4f)->flipY();
    spriteAt("images/left.png", 1.2f, 0.6f, 0.4f, {1.0f, 0.5f, 0.5f, 1.0f});
    // A second layer over the first, with a frame shader of its own.
    SpriteComponent* upper = spriteAt("images/cool.png", -1.5f, 0.8f, 0.0f);
    upper->moveToLayer(viewport().addLayer("upper") == nullptr ? "" : "upper");
    addSprite("upper", Green, makeOwner(-1.3f, 0.9f, 0.0f));
    viewport().getLayer("upper")->addFrameShader("invert", "shaders/invert.vert|shaders/invert.frag", 1,
                                                 Orva::Graphics::FrameShader::SCREEN);

    ASSERT_TRUE(runFramesUntil([&] {
        return own->getShader()->isReady() &&
               viewport().getLayer("upper")->getFrameShader("invert").isReady() &&
               textures.getTexture("images/warm.png") != nullptr &&
               textures.getTexture("images/warm.png")->isLoaded() &&
               textures.getTexture("images/cool.png") != nullptr &&
               textures.getTexture("images/cool.png")->isLoaded() &&
               textures.getTexture("images/left.png")->isLoaded();
    }));
    runFrames(14);

    frameBothWays();
    // The upper layer's pass inverts everything below it: the test sprite, drawn between two
    // runs, shows cyan where nothing covers it, the background its inverse.
    EXPECT_EQ(pixel(107, 145), (Rgb{0, 255, 255}));
    EXPECT_EQ(pixel(300, 10), (Rgb{255 - Background.r, 255 - Background.g, 255 - Background.b}));
}

} // namespace
