#include <GL/glew.h>

#include <cstddef>
#include <sstream>
#include <string>
#include <vector>

#include "GLFixture.h"
#include "core/Matrix44.h"
#include "graphics/Drawable.h"
#include "graphics/ObjectShader.h"
#include "graphics/SpriteBatch.h"

namespace {

using Orva::Graphics::Color;
using Orva::Graphics::SpriteBatch;
using Orva::Graphics::SpriteQuad;
using Matrix = Orva::Math::Matrix44<float>;

constexpr Color Red{1.0f, 0.0f, 0.0f, 1.0f};
constexpr Color Green{0.0f, 1.0f, 0.0f, 1.0f};
constexpr Color Blue{0.0f, 0.0f, 1.0f, 1.0f};

// A quad of size (w, h) world units centred at (x, y, z), turned by `radians`.
Matrix placed(float x, float y, float z, float w, float h, float radians = 0.0f)
{
    return Matrix::translation(x, y, z) * Matrix::rotationZ(radians) * Matrix::scale(w, h, 1.0f);
}

SpriteQuad untextured(const Matrix& mvp, const Color& color)
{
    SpriteQuad quad;
    quad.mvp = mvp;
    quad.color = color;
    return quad;
}

SpriteQuad textured(const Matrix& mvp, unsigned texture)
{
    SpriteQuad quad;
    quad.mvp = mvp;
    quad.textureId = texture;
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
        if (!textures_.empty()) {
            glDeleteTextures(static_cast<GLsizei>(textures_.size()), textures_.data());
        }
        GLTest::TearDown();
    }

    // A texture of width × height opaque texels, top row first, sampled without filtering;
    // texel i is colour i of a spread of distinct colours.
    unsigned makeTexture(int width, int height)
    {
        std::vector<unsigned char> rgba;
        for (int texel = 0; texel < width * height; ++texel) {
            rgba.insert(rgba.end(), {static_cast<unsigned char>(texel * 37 % 256),
                                     static_cast<unsigned char>(255 - texel * 16 % 256),
                                     static_cast<unsigned char>(texel % 2 * 255), 255});
        }
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glBindTexture(GL_TEXTURE_2D, 0);
        textures_.push_back(texture);
        return texture;
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

    void drawOneByOne(const std::vector<SpriteQuad>& quads)
    {
        const Orva::Graphics::ObjectShader& shader = *renderer->getDefaultObjectShader();
        for (const SpriteQuad& quad : quads) {
            if (quad.textureId != 0) {
                Orva::Graphics::bindSpriteTexture(quad.textureId, renderer->getLastTextureId());
            }
            Orva::Graphics::sendQuadUniforms(shader, quad);
            renderer->createUnitQuad()->draw(GL_TRIANGLE_STRIP);
        }
    }

    void drawBatched(const std::vector<SpriteQuad>& quads)
    {
        SpriteBatch& batch = *renderer->getSpriteBatch();
        batch.setProjection(viewport().getMatrix());
        for (const SpriteQuad& quad : quads) {
            batch.add(quad);
        }
        batch.flush();
    }

    std::vector<unsigned char> oneByOne(const std::vector<SpriteQuad>& quads)
    {
        startFrame();
        drawOneByOne(quads);
        return renderer->screenCapture();
    }

    std::vector<unsigned char> batched(const std::vector<SpriteQuad>& quads)
    {
        startFrame();
        drawBatched(quads);
        return renderer->screenCapture();
    }

    // Empty when both captures are equal; else the number of pixels that differ and the first.
    static std::string difference(const std::vector<unsigned char>& expected, const std::vector<unsigned char>& actual)
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
                first << "first at (" << at / 3 % Width << ", " << at / 3 / Width << "): " << got << " instead of "
                      << want;
            }
        }
        return differing == 0 ? std::string() : std::to_string(differing) + " pixels differ, " + first.str();
    }

    static Rgb pixelOf(const std::vector<unsigned char>& capture, unsigned x, unsigned y)
    {
        const std::size_t at = (static_cast<std::size_t>(y) * Width + x) * 3;
        return {capture.at(at), capture.at(at + 1), capture.at(at + 2)};
    }

    void expectSamePixels(const std::vector<SpriteQuad>& quads)
    {
        const std::vector<unsigned char> expected = oneByOne(quads);
        EXPECT_NE(pixelOf(expected, Width / 2, Height / 2), Background) << "the quads should cover the centre";
        EXPECT_EQ(difference(expected, batched(quads)), "");
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

private:
    std::vector<GLuint> textures_;
};

TEST_F(SpriteBatchTest, TexturedQuadsMatchTheDefaultShaderWithFlipsAtlasCellsAndTints)
{
    const unsigned texture = makeTexture(4, 4);
    std::vector<SpriteQuad> quads;
    // Pixel-aligned: 64 px to the unit, texels of 16 px.
    quads.push_back(textured(placed(-1.5f, 1.0f, 0.0f, 1.0f, 1.0f), texture));
    quads.push_back(textured(placed(0.0f, 1.0f, 0.0f, 1.0f, 1.0f), texture));
    quads.back().flipX = true;
    quads.push_back(textured(placed(1.5f, 1.0f, 0.0f, 1.0f, 1.0f), texture));
    quads.back().flipY = true;
    // Off the pixel grid, both flips and a tint.
    quads.push_back(textured(placed(-1.45f, -0.93f, 0.0f, 1.1f, 0.9f), texture));
    quads.back().flipX = quads.back().flipY = true;
    quads.back().color = {1.0f, 0.5f, 0.25f, 1.0f};
    // A cell of a 2 × 3 frame grid inside an atlas rectangle.
    SpriteQuad cell = textured(placed(0.0f, 0.0f, 0.0f, 1.5f, 1.5f), texture);
    cell.startUV = {0.25f, 0.25f};
    cell.sizeUV = {0.5f, 0.75f};
    cell.numFrames = {2.0f, 3.0f};
    cell.currFrame = {1.0f, 2.0f};
    quads.push_back(cell);
    cell.mvp = placed(1.5f, -0.9f, 0.0f, 1.0f, 1.0f, 0.3f);
    cell.currFrame = {0.0f, 1.0f};
    cell.flipX = true;
    quads.push_back(cell);
    expectSamePixels(quads);
}

TEST_F(SpriteBatchTest, UntexturedTranslucentTurnedAndMirroredQuadsMatch)
{
    std::vector<SpriteQuad> quads;
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
    const unsigned first = makeTexture(4, 4);
    const unsigned second = makeTexture(2, 8);
    std::vector<SpriteQuad> quads;
    quads.push_back(textured(placed(-0.5f, 0.0f, 0.0f, 1.0f, 1.0f), first));
    quads.push_back(textured(placed(-0.25f, 0.25f, 0.0f, 1.0f, 1.0f), first));
    quads.push_back(textured(placed(0.0f, 0.0f, 0.0f, 1.0f, 1.0f), second));
    quads.push_back(untextured(placed(0.25f, -0.25f, 0.2f, 1.0f, 1.0f), {1.0f, 1.0f, 0.0f, 0.5f}));
    quads.push_back(textured(placed(0.5f, 0.0f, 0.1f, 1.0f, 1.0f), first));
    quads.back().color = {1.0f, 1.0f, 1.0f, 0.5f};
    quads.push_back(textured(placed(0.75f, 0.5f, 0.3f, 1.0f, 1.0f), second));
    expectSamePixels(quads);
    EXPECT_EQ(renderer->getLastTextureId(), second);
    EXPECT_EQ(boundName(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    EXPECT_EQ(boundName(GL_TEXTURE_BINDING_2D), static_cast<GLint>(second));
}

TEST_F(SpriteBatchTest, OverlappingQuadsKeepTheirOrder)
{
    // At one depth the first quad drawn keeps its pixels; a translucent one above blends over
    // what is there. Either order mistake changes the centre.
    const std::vector<SpriteQuad> quads = {
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
    const unsigned texture = makeTexture(4, 4);
    const std::vector<SpriteQuad> below = {textured(placed(-0.5f, 0.0f, 0.0f, 1.0f, 1.0f), texture),
                                           untextured(placed(0.5f, 0.5f, 0.0f, 1.0f, 1.0f), Red)};
    SpriteQuad between = textured(placed(0.0f, 0.0f, 0.5f, 1.0f, 1.0f), texture);
    between.flipX = true;
    const std::vector<SpriteQuad> above = {textured(placed(0.5f, -0.5f, 1.0f, 1.0f, 1.0f), texture)};

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

TEST_F(SpriteBatchTest, AFullScreenOfSmallQuadsIsOneRun)
{
    // 160 × 120 quads of 2 × 2 px, more than the batch first makes room for.
    constexpr float Pixel = 1.0f / 64.0f;
    std::vector<SpriteQuad> quads;
    for (unsigned row = 0; row < Height / 2; ++row) {
        for (unsigned column = 0; column < Width / 2; ++column) {
            const float x = (static_cast<float>(column) * 2.0f + 1.0f - Width / 2.0f) * Pixel;
            const float y = (static_cast<float>(row) * 2.0f + 1.0f - Height / 2.0f) * Pixel;
            quads.push_back(untextured(placed(x, y, 0.0f, 2.0f * Pixel, 2.0f * Pixel),
                                       {static_cast<float>(column % 7) / 6.0f, static_cast<float>(row % 5) / 4.0f,
                                        static_cast<float>((row + column) % 2), 1.0f}));
        }
    }
    expectSamePixels(quads);
}

} // namespace
