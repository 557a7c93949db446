#include "graphics/FrameShader.h"

#include <GL/glew.h>

#include <algorithm>
#include <iostream>

#include "graphics/Texture.h"
#include "graphics/TextureManager.h"

namespace Orva::Graphics {

const int FrameShader::PREVIOUS = 0;
const int FrameShader::SCREEN = 1;

namespace {

// Two triangles covering the whole target, in clip space.
constexpr GLfloat FullScreenQuad[18] = {
    -1.0f, -1.0f, 0.0f, 1.0f, -1.0f, 0.0f, -1.0f, 1.0f, 0.0f,
    -1.0f, 1.0f,  0.0f, 1.0f, -1.0f, 0.0f, 1.0f,  1.0f, 0.0f,
};

// Scripts choose the count: more targets than the context can attach or draw to at once
// are a GL error, and a pass without any has nothing to draw into.
unsigned usableTextureCount(unsigned requested)
{
    GLint maxAttachments = 0;
    GLint maxDrawBuffers = 0;
    glGetIntegerv(GL_MAX_COLOR_ATTACHMENTS, &maxAttachments);
    glGetIntegerv(GL_MAX_DRAW_BUFFERS, &maxDrawBuffers);
    const unsigned limit = static_cast<unsigned>(std::max(1, std::min(maxAttachments, maxDrawBuffers)));
    const unsigned usable = std::clamp(requested, 1u, limit);
    if (usable != requested) {
        std::cerr << "renderer: a frame shader asked for " << requested << " colour textures; it gets "
                  << usable << '\n';
    }
    return usable;
}

} // namespace

FrameShader::FrameShader(const Math::Vector2D<unsigned>& size, unsigned textureCount, int dependency)
    : dependency_(dependency), textureCount_(usableTextureCount(textureCount))
{
    createTargets(size);
}

FrameShader::~FrameShader()
{
    if (TextureManager::hasInstance()) {
        TextureManager::getInstance().withdraw(this);
    }
    deleteTargets();
}

void FrameShader::recompile(const Math::Vector2D<unsigned>& size)
{
    deleteTargets();
    createTargets(size);
}

void FrameShader::createTargets(const Math::Vector2D<unsigned>& size)
{
    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    colorTextures_.assign(textureCount_, 0);
    glGenTextures(static_cast<GLsizei>(textureCount_), colorTextures_.data());
    std::vector<GLenum> attachments(textureCount_);
    for (unsigned i = 0; i < textureCount_; ++i) {
        glBindTexture(GL_TEXTURE_2D, colorTextures_[i]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, static_cast<GLsizei>(size.x), static_cast<GLsizei>(size.y), 0,
                     GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        attachments[i] = GL_COLOR_ATTACHMENT0 + i;
        glFramebufferTexture2D(GL_FRAMEBUFFER, attachments[i], GL_TEXTURE_2D, colorTextures_[i], 0);
    }
    glDrawBuffers(static_cast<GLsizei>(textureCount_), attachments.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    glGenBuffers(1, &quadBuffer_);
    glBindBuffer(GL_ARRAY_BUFFER, quadBuffer_);
    glBufferData(GL_ARRAY_BUFFER, sizeof FullScreenQuad, FullScreenQuad, GL_STATIC_DRAW);
}

void FrameShader::deleteTargets() noexcept
{
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteTextures(static_cast<GLsizei>(colorTextures_.size()), colorTextures_.data());
    glDeleteBuffers(1, &quadBuffer_);
    framebuffer_ = 0;
    colorTextures_.clear();
    quadBuffer_ = 0;
}

void FrameShader::bind() const
{
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
}

void FrameShader::unbind() const
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void FrameShader::drawResult() const
{
    if (!apply()) {
        return;
    }
    for (const auto& [name, value] : values_.values()) {
        const GLint location = getUniformLocation(name);
        switch (value.type) {
        case ShaderValue::Float:
            glUniform1f(location, value.getFloat());
            break;
        case ShaderValue::Int:
            glUniform1i(location, value.getInt());
            break;
        case ShaderValue::Vector2: {
            const Math::Vector2D<float> xy = value.getVector2();
            glUniform2f(location, xy.x, xy.y);
            break;
        }
        default:
            break;
        }
    }
    GLenum unit = GL_TEXTURE0;
    for (const unsigned texture : colorTextures_) {
        glActiveTexture(unit++);
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    for (Texture* texture : extraTextures_) {
        glActiveTexture(unit++);
        glBindTexture(GL_TEXTURE_2D, texture->getId());
    }
    glActiveTexture(GL_TEXTURE0);

    glBindBuffer(GL_ARRAY_BUFFER, quadBuffer_);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glDisableVertexAttribArray(0);
}

unsigned FrameShader::getTexture(unsigned index) const noexcept
{
    return index < colorTextures_.size() ? colorTextures_[index] : 0;
}

void FrameShader::addTexture(const std::string& path)
{
    TextureManager::getInstance().addShader(this, path);
}

void FrameShader::addTexture(Texture* texture)
{
    if (texture != nullptr) {
        extraTextures_.push_back(texture);
    }
}

void FrameShader::removeTexture(const std::string& path)
{
    const auto found = std::find_if(extraTextures_.begin(), extraTextures_.end(),
                                    [&](Texture* t) { return t->getPath() == path; });
    if (found != extraTextures_.end()) {
        extraTextures_.erase(found);
    }
}

} // namespace Orva::Graphics
