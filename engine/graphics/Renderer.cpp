#include "graphics/Renderer.h"

#include <GL/glew.h>

#include <cstring>
#include <iostream>
#include <string>
#include <utility>

#include "graphics/Drawable.h"
#include "graphics/EngineShaders.h"
#include "graphics/ObjectShader.h"
#include "graphics/SpriteBatch.h"
#include "graphics/Viewport.h"
#include "platform/Platform.h"
#include "window/Window.h"
#include "world/FramerateController.h"

namespace Orva::Graphics {

namespace {

constexpr Color DefaultClearColor(0.15f, 0.15f, 0.15f, 0.0f);

} // namespace

bool Renderer::failInit(std::string reason)
{
    std::cerr << "renderer: " << reason << '\n';
    initFailure_ = std::move(reason);
    return false;
}

Renderer::~Renderer()
{
    delete viewport_;
    delete spriteBatch_;
    delete defaultShader_;
    delete unitLine_;
    delete unitQuad_;
    if (vertexArray_ != 0) {
        glDeleteVertexArrays(1, &vertexArray_);
    }
}

bool Renderer::init(Window& window)
{
    if (isInitialized()) {
        return true;
    }
    window_ = &window;
    deviceContext_ = Platform::GetSDLWindow(window.getHWnd());
    if (deviceContext_ == nullptr) {
        return failInit("the window has no surface to draw on");
    }
    if (!setupPixelFormat()) {
        return failInit("the window was not made for OpenGL");
    }
    context_ = Platform::CreateGLContext(deviceContext_);
    if (context_ == nullptr) {
        return failInit("no OpenGL 3.1 context: " + Platform::LastError());
    }
    const GLenum glew = glewInit();
    if (glew != GLEW_OK) {
        return failInit(std::string("GLEW: ") + reinterpret_cast<const char*>(glewGetErrorString(glew)));
    }

    // Drawables bind their buffers to this one vertex array, bound for good.
    glGenVertexArrays(1, &vertexArray_);
    glBindVertexArray(vertexArray_);
    glShadeModel(GL_SMOOTH);
    glClearColor(DefaultClearColor.r, DefaultClearColor.g, DefaultClearColor.b, DefaultClearColor.a);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    viewport_ = new Viewport(*this, {0, 0}, window.getSize());
    createUnitQuad();
    return true;
}

// The window layer asks for the surface when it makes the window; here it is only checked.
bool Renderer::setupPixelFormat() const
{
    return Platform::HasGLPixelFormat(deviceContext_);
}

void Renderer::update(float dt)
{
    if (!isInitialized()) {
        return;
    }
    sortTimer_ += dt;
    if (sortTimer_ >= SortInterval) {
        viewport_->sortLayers();
        sortTimer_ = 0.0f;
    }
    lastTextureId_ = 0;
}

void Renderer::beginDraw()
{
    if (!isInitialized()) {
        return;
    }
    // The viewport clears the window itself, once its layers are drawn.
    viewport_->draw();
}

void Renderer::endDraw()
{
    if (isInitialized()) {
        Debug::FrameStageProbe::enter(Debug::FrameStage::Swap);
        Platform::SwapGLBuffers(deviceContext_);
    }
}

void Renderer::setClearColor(const Color& color)
{
    if (isInitialized()) {
        glClearColor(color.r, color.g, color.b, color.a);
    }
}

std::vector<unsigned char> Renderer::screenCapture() const
{
    if (!isInitialized()) {
        return {};
    }
    const std::size_t width = window_->getWidth();
    const std::size_t height = window_->getHeight();
    const std::size_t rowBytes = width * 3;
    std::vector<unsigned char> bottomUp(rowBytes * height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_RGB, GL_UNSIGNED_BYTE,
                 bottomUp.data());
    std::vector<unsigned char> topDown(bottomUp.size());
    for (std::size_t row = 0; row < height; ++row) {
        std::memcpy(&topDown[row * rowBytes], &bottomUp[(height - 1 - row) * rowBytes], rowBytes);
    }
    return topDown;
}

Drawable* Renderer::createUnitQuad()
{
    if (unitQuad_ == nullptr && isInitialized()) {
        static constexpr Drawable::Vertex vertices[] = {
            {-0.5f, 0.5f, 0.0f}, {-0.5f, -0.5f, 0.0f}, {0.5f, -0.5f, 0.0f}, {0.5f, 0.5f, 0.0f}};
        static constexpr Drawable::UV uvs[] = {{0.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, 0.0f}};
        // As a triangle strip: (0, 1, 3) and (3, 1, 2), with degenerate ones between.
        static constexpr unsigned short indices[] = {0, 1, 3, 3, 1, 2};
        unitQuad_ = new Drawable(vertices, 4, uvs, 4, indices, 6);
    }
    return unitQuad_;
}

Drawable* Renderer::createUnitLine()
{
    if (unitLine_ == nullptr && isInitialized()) {
        static constexpr Drawable::Vertex vertices[] = {{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}};
        static constexpr Drawable::UV uvs[] = {{0.0f, 0.0f}, {1.0f, 1.0f}};
        static constexpr unsigned short indices[] = {0, 1};
        unitLine_ = new Drawable(vertices, 2, uvs, 2, indices, 2);
    }
    return unitLine_;
}

ObjectShader* Renderer::getDefaultObjectShader()
{
    if (defaultShader_ == nullptr && isInitialized()) {
        defaultShader_ = new ObjectShader;
        defaultShader_->evaluate(ShaderSources::DefaultObjectVertex, ShaderSources::DefaultObjectFragment);
    }
    return defaultShader_;
}

SpriteBatch* Renderer::getSpriteBatch()
{
    if (spriteBatch_ == nullptr && isInitialized()) {
        spriteBatch_ = new SpriteBatch;
    }
    return spriteBatch_;
}

} // namespace Orva::Graphics
