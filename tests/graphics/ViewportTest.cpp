#include <cmath>
#include <cstring>
#include <stdexcept>

#include "GLFixture.h"
#include "graphics/FrameShader.h"
#include "graphics/Layer.h"
#include "window/WindowEvents.h"

namespace {

using Orva::Graphics::FrameShader;
using Orva::Graphics::Layer;
using Orva::Graphics::Viewport;
using Size = Orva::Math::Vector2D<unsigned>;
using Vec2 = Orva::Math::Vector2D<float>;

class ViewportTest : public GLTest
{
protected:
    static GLint textureWidth(unsigned texture)
    {
        GLint width = 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glBindTexture(GL_TEXTURE_2D, 0);
        return width;
    }

    static void queueResize(std::uint32_t width, std::uint32_t height, HWND handle)
    {
        Orva::WindowResizeEvent event(width, height, handle);
        event.hashCode = Orva::EventNameDetails::EventToHash(Orva::WindowResizeEventName);
        Orva::EventManager::getInstance().queueEvent(event.hashCode, event);
    }

    static bool allFinite(const Orva::Math::Matrix44<float>& matrix)
    {
        for (const auto& row : matrix.m) {
            for (const float element : row) {
                if (!std::isfinite(element)) {
                    return false;
                }
            }
        }
        return true;
    }
};

TEST_F(ViewportTest, AResizeEventResizesTheViewportAndEveryPass)
{
    dispatchEvents(); // the window's own resize on creation: the same size, nothing changes
    EXPECT_EQ(viewport().getSize(), Size(Width, Height));
    viewport().addLayer("top")->addFrameShader("extra", "shaders/x.vert|shaders/x.frag", 2,
                                               FrameShader::PREVIOUS);

    queueResize(640, 480, window->getHWnd());
    dispatchEvents();
    EXPECT_EQ(viewport().getSize(), Size(640, 480));
    EXPECT_EQ(viewport().getPosition(), Size(0, 0));
    for (const Layer* layer : viewport().getLayers()) {
        for (const FrameShader* pass : layer->getFrameShaders()) {
            for (unsigned index = 0; index < pass->getTextureCount(); ++index) {
                EXPECT_EQ(textureWidth(pass->getTexture(index)), 640);
            }
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // Half the width of the new projection is 320 pixels.
    EXPECT_FLOAT_EQ(viewport().getMatrix().m[0][0], 2.0f / 640.0f * 64.0f);
}

TEST_F(ViewportTest, AViewportBuiltAtZeroSizeTakesTheFirstRealSize)
{
    Viewport* empty = new Viewport(*renderer, {0, 0}, {0, 0});
    EXPECT_FALSE(allFinite(empty->getMatrix()));
    queueResize(640, 480, window->getHWnd());
    dispatchEvents();
    EXPECT_EQ(empty->getSize(), Size(640, 480));
    EXPECT_TRUE(allFinite(empty->getMatrix()));
    EXPECT_EQ(textureWidth(empty->getLayer(0u)->getScreenPass().getTexture(0)), 640);
    delete empty;
}

TEST_F(ViewportTest, AResizeToNothingIsIgnored)
{
    const Orva::Math::Matrix44<float> before = viewport().getMatrix();
    // Both 0 sends the viewport to the window's client area; a window that is gone has none.
    HWND gone = window->getHWnd();
    window->deinitialize();
    queueResize(0, 0, gone);
    queueResize(800, 0, gone);
    dispatchEvents();
    EXPECT_EQ(viewport().getSize(), Size(Width, Height));
    const Orva::Math::Matrix44<float> after = viewport().getMatrix();
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
}

TEST_F(ViewportTest, ConversionsFollowTheCamera)
{
    viewport().getCameraPosition() = {1.0f, 2.0f};
    viewport().getCameraScale() = {2.0f, 2.0f};
    EXPECT_EQ(viewport().screenToWorldPosition({0.0f, 0.0f}), Vec2(-0.25f, 2.9375f));
    EXPECT_EQ(viewport().worldToScreenPosition({0.0f, 0.0f}), Vec2(32.0f, -136.0f));
    EXPECT_EQ(viewport().screenToWorldPosition({160.0f, 120.0f}), Vec2(1.0f, 2.0f));
    EXPECT_EQ(viewport().worldToScreenPosition({1.0f, 2.0f}), Vec2(160.0f, 120.0f));
    EXPECT_EQ(viewport().worldToNormalizedScreenPosition({1.0f, 2.0f}), Vec2(0.5f, 0.5f));
    EXPECT_EQ(viewport().worldToNormalizedScreenPosition({0.0f, 0.0f}), Vec2(0.1f, -136.0f / 240.0f));
}

TEST_F(ViewportTest, LayerListKeepsNamesAndLayersTogether)
{
    Layer* base = viewport().getLayer("default");
    Layer* a = viewport().addLayer("a");
    Layer* b = viewport().addLayer("b");
    EXPECT_EQ(viewport().addLayer("a"), a) << "an existing name wins";
    EXPECT_EQ(viewport().getLayer(2u), b);
    EXPECT_EQ(viewport().getLayer(3u), nullptr);
    EXPECT_EQ(viewport().getLayer("c"), nullptr);
    EXPECT_EQ(viewport().getLayerName(a), "a");
    EXPECT_EQ(viewport().getLayerName(nullptr), "");

    viewport().swapLayers("default", "b");
    EXPECT_EQ(viewport().getLayers(), (std::vector<Layer*>{b, a, base}));
    EXPECT_EQ(viewport().getLayerNames(), (std::vector<std::string>{"b", "a", "default"}));
    viewport().swapLayers("b", "nowhere");
    EXPECT_EQ(viewport().getLayerNames(), (std::vector<std::string>{"b", "a", "default"}));

    viewport().removeLayer("a");
    viewport().removeLayer("a");
    viewport().removeLayerByPointer(nullptr);
    EXPECT_EQ(viewport().getLayerNames(), (std::vector<std::string>{"b", "default"}));
    EXPECT_EQ(viewport().getLayer("b"), b);

    viewport().clearAllLayers();
    ASSERT_EQ(viewport().getLayerNames(), std::vector<std::string>{"default"});
    viewport().addFrameShader("pass", "shaders/x.vert|shaders/x.frag", 1, FrameShader::SCREEN);
    EXPECT_EQ(viewport().getLayer(0u)->getFrameShaders().size(), 2u)
        << "the fresh default takes frame shaders";
}

TEST_F(ViewportTest, WithoutLayersFrameShadersCannotBeFound)
{
    viewport().removeLayer("default");
    ASSERT_TRUE(viewport().getLayers().empty());
    viewport().addFrameShader("pass", "shaders/x.vert|shaders/x.frag", 1, FrameShader::SCREEN);
    viewport().removeFrameShader("pass");
    viewport().removeFrameShader(std::uint32_t{7});
    EXPECT_THROW(viewport().getFrameShader("pass"), std::out_of_range);
    viewport().sortLayers();
    drawFrame();
    EXPECT_EQ(pixel(5, 5), Background);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ViewportTest, ALoneInvisibleFirstLayerLeavesTheWindowBound)
{
    viewport().getLayer(0u)->setVisible(false);
    renderer->beginDraw();
    GLint drawFramebuffer = -1;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
    EXPECT_EQ(drawFramebuffer, 0);
    renderer->endDraw();
    drawFrame();
    EXPECT_EQ(pixel(160, 120), Background);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
