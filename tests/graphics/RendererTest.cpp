#include <iostream>

#include "GLFixture.h"
#include "graphics/Drawable.h"
#include "graphics/FrameShader.h"
#include "graphics/Layer.h"
#include "graphics/ObjectShader.h"

namespace {

using RendererTest = GLTest;

TEST_F(RendererTest, ContextIsACompatibilityProfileOfAtLeast33WithTheEngineShadersReady)
{
    std::cout << "GL_VERSION " << glGetString(GL_VERSION) << '\n';
    // What GLEW found the context to offer.
    EXPECT_TRUE(GLEW_VERSION_3_3);
    GLint profile = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_NE(profile & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const Orva::Graphics::ObjectShader* shader = renderer->getDefaultObjectShader();
    ASSERT_NE(shader, nullptr);
    EXPECT_TRUE(shader->isReady());
    EXPECT_EQ(renderer->getDefaultObjectShader(), shader);
    EXPECT_TRUE(viewport().getLayer("default")->getScreenPass().isReady());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RendererTest, InitSetsTheDrawingStateAndTheViewportToTheWindow)
{
    GLint depthFunction = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
    EXPECT_EQ(depthFunction, GL_LESS);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint blendSource = 0;
    GLint blendDestination = 0;
    glGetIntegerv(GL_BLEND_SRC_RGB, &blendSource);
    glGetIntegerv(GL_BLEND_DST_RGB, &blendDestination);
    EXPECT_EQ(blendSource, GL_SRC_ALPHA);
    EXPECT_EQ(blendDestination, GL_ONE_MINUS_SRC_ALPHA);
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[0], 0.15f);
    EXPECT_FLOAT_EQ(clear[3], 0.0f);
    GLint vertexArray = 0;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    EXPECT_NE(vertexArray, 0);

    EXPECT_EQ(viewport().getSize(), Orva::Math::Vector2D<unsigned>(Width, Height));
    EXPECT_EQ(viewport().getPosition(), Orva::Math::Vector2D<unsigned>(0, 0));
    EXPECT_EQ(viewport().getLayerNames(), std::vector<std::string>{"default"});
    EXPECT_EQ(renderer->getWindow(), window.get());

    // A second init (the engine's createRenderer again) keeps what the first made.
    Orva::Graphics::Viewport* first = &viewport();
    EXPECT_TRUE(renderer->init(*window));
    EXPECT_EQ(&viewport(), first);
}

TEST_F(RendererTest, AnEmptyFrameShowsTheClearColour)
{
    drawFrame();
    EXPECT_EQ(pixel(5, 5), Background);
    EXPECT_EQ(pixel(160, 120), Background);
    EXPECT_EQ(pixel(Width - 1, Height - 1), Background);

    renderer->setClearColor({0.0f, 0.0f, 1.0f, 1.0f});
    drawFrame();
    EXPECT_EQ(pixel(5, 5), (Rgb{0, 0, 255}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RendererTest, CaptureIsTheWholeWindowTopRowFirst)
{
    renderer->beginDraw();
    // Paint the ten lowest rows of the window (GL's y = 0 is the bottom) and the ten leftmost
    // columns in other colours.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, Width, 10);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(0, 0, 10, Height);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    const std::vector<unsigned char> capture = renderer->screenCapture();
    renderer->endDraw();

    ASSERT_EQ(capture.size(), static_cast<std::size_t>(Width) * Height * 3);
    const auto at = [&](unsigned x, unsigned y) {
        const std::size_t offset = (static_cast<std::size_t>(y) * Width + x) * 3;
        return Rgb{capture[offset], capture[offset + 1], capture[offset + 2]};
    };
    EXPECT_EQ(at(100, Height - 1), (Rgb{255, 0, 0}));
    EXPECT_EQ(at(100, Height - 10), (Rgb{255, 0, 0}));
    EXPECT_EQ(at(100, Height - 11), Background);
    EXPECT_EQ(at(100, 0), Background);
    EXPECT_EQ(at(0, 0), (Rgb{0, 255, 0}));
    EXPECT_EQ(at(9, 100), (Rgb{0, 255, 0}));
    EXPECT_EQ(at(10, 100), Background);
}

TEST_F(RendererTest, UnitMeshesAreBuiltOnceAndShared)
{
    Orva::Graphics::Drawable* quad = renderer->createUnitQuad();
    ASSERT_NE(quad, nullptr);
    EXPECT_EQ(renderer->createUnitQuad(), quad);
    EXPECT_EQ(quad->getIndexCount(), 6u);
    Orva::Graphics::Drawable* line = renderer->createUnitLine();
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(renderer->createUnitLine(), line);
    EXPECT_EQ(line->getIndexCount(), 2u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RendererTest, UpdateForgetsTheLastBoundTexture)
{
    renderer->getLastTextureId() = 42;
    renderer->update(0.016f);
    EXPECT_EQ(renderer->getLastTextureId(), 0u);
}

} // namespace
