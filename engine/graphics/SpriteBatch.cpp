#include "graphics/SpriteBatch.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "graphics/EngineShaders.h"

namespace Orva::Graphics {

namespace {

// The unit quad's corners and UVs in the order of its vertices.
struct Corner
{
    float x, y, u, v;
};
constexpr Corner UnitQuadCorners[] = {
    {-0.5f, 0.5f, 0.0f, 0.0f}, {-0.5f, -0.5f, 0.0f, 1.0f}, {0.5f, -0.5f, 1.0f, 1.0f}, {0.5f, 0.5f, 1.0f, 0.0f}};
// The two triangles the unit quad's strip covers, (0, 1, 3) and (3, 1, 2).
constexpr std::uint32_t QuadIndices[] = {0, 1, 3, 3, 1, 2};
constexpr std::size_t IndicesPerQuad = std::size(QuadIndices);
constexpr std::size_t InitialQuads = 1024;

GLint currentBinding(GLenum binding)
{
    GLint name = 0;
    glGetIntegerv(binding, &name);
    return name;
}

void setAttribute(GLuint index, GLint floats, std::size_t offset, GLsizei stride)
{
    glEnableVertexAttribArray(index);
    glVertexAttribPointer(index, floats, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(static_cast<std::uintptr_t>(offset)));
}

} // namespace

void sendQuadUniforms(const ObjectShader& shader, const SpriteQuad& quad)
{
    shader.setUniformMatrix4f("MVP", quad.mvp);
    if (quad.textureId != 0) {
        shader.setUniform1i("textureSampler", 0);
        shader.setUniform1i("hasTexture", 1);
        shader.setUniform2f("numFrames", quad.numFrames);
        shader.setUniform2f("startUV", quad.startUV);
        shader.setUniform2f("sizeUV", quad.sizeUV);
        shader.setUniform1i("flipX", quad.flipX ? 1 : 0);
        shader.setUniform1i("flipY", quad.flipY ? 1 : 0);
    } else {
        shader.setUniform1i("hasTexture", 0);
    }
    shader.setUniform2f("currFrame", quad.currFrame);
    shader.setUniformColor("inColor", quad.color);
}

void bindSpriteTexture(unsigned textureId, unsigned& lastTextureId)
{
    glActiveTexture(GL_TEXTURE0);
    if (textureId != lastTextureId) {
        glBindTexture(GL_TEXTURE_2D, textureId);
        lastTextureId = textureId;
    }
}

SpriteBatch::SpriteBatch(unsigned& lastTextureId) : lastTextureId_(lastTextureId)
{
    // "textureSampler" keeps its initial unit, 0.
    shader_.evaluate(ShaderSources::BatchObjectVertex, ShaderSources::BatchObjectFragment);
    hasTextureLocation_ = shader_.getUniformLocation("hasTexture");

    const GLint vertexArray = currentBinding(GL_VERTEX_ARRAY_BINDING);
    const GLint arrayBuffer = currentBinding(GL_ARRAY_BUFFER_BINDING);
    glGenVertexArrays(1, &vertexArray_);
    glGenBuffers(1, &vertexBuffer_);
    glGenBuffers(1, &indexBuffer_);
    glBindVertexArray(vertexArray_);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    constexpr auto stride = static_cast<GLsizei>(sizeof(Vertex));
    setAttribute(0, 4, offsetof(Vertex, x), stride);
    setAttribute(1, 2, offsetof(Vertex, u), stride);
    setAttribute(2, 4, offsetof(Vertex, r), stride);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
    reserveIndices(InitialQuads);
    glBindVertexArray(static_cast<GLuint>(vertexArray));
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer));
    vertices_.reserve(InitialQuads * CornersPerQuad);
}

SpriteBatch::~SpriteBatch()
{
    glDeleteBuffers(1, &indexBuffer_);
    glDeleteBuffers(1, &vertexBuffer_);
    glDeleteVertexArrays(1, &vertexArray_);
}

void SpriteBatch::reserveIndices(std::size_t quads)
{
    if (quads <= indexedQuads_) {
        return;
    }
    quads = std::max(quads, 2 * indexedQuads_);
    std::vector<std::uint32_t> indices;
    indices.reserve(quads * IndicesPerQuad);
    for (std::size_t quad = 0; quad < quads; ++quad) {
        const auto first = static_cast<std::uint32_t>(quad * CornersPerQuad);
        for (const std::uint32_t corner : QuadIndices) {
            indices.push_back(first + corner);
        }
    }
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint32_t)),
                 indices.data(), GL_STATIC_DRAW);
    indexedQuads_ = quads;
}

// Reproduces the default object shader per corner: the position is (projMtx × MVP) × corner,
// the product formed first as the shader forms it, and the UV is the frame's cell of the
// atlas rectangle, mirrored by the flips.
void SpriteBatch::add(const SpriteQuad& quad)
{
    if (!vertices_.empty() && quad.textureId != textureId_) {
        flush();
    }
    textureId_ = quad.textureId;

    // Only the columns that meet the corners' x, y and w = 1 are needed; z is 0.
    constexpr int Columns[] = {0, 1, 3};
    float placed[4][3];
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += projection_.m[row][k] * quad.mvp.m[k][Columns[column]];
            }
            placed[row][column] = sum;
        }
    }
    const Math::Vector2D<float> oneImage(quad.sizeUV.x / quad.numFrames.x, quad.sizeUV.y / quad.numFrames.y);
    const Math::Vector2D<float> cell(quad.startUV.x + quad.currFrame.x * oneImage.x,
                                     quad.startUV.y + quad.currFrame.y * oneImage.y);
    for (const Corner& corner : UnitQuadCorners) {
        Vertex& vertex = vertices_.emplace_back();
        float* position[4] = {&vertex.x, &vertex.y, &vertex.z, &vertex.w};
        for (int row = 0; row < 4; ++row) {
            *position[row] = placed[row][0] * corner.x + placed[row][1] * corner.y + placed[row][2];
        }
        vertex.u = cell.x + (quad.flipX ? 1.0f - corner.u : corner.u) * oneImage.x;
        vertex.v = cell.y + (quad.flipY ? 1.0f - corner.v : corner.v) * oneImage.y;
        vertex.r = quad.color.r;
        vertex.g = quad.color.g;
        vertex.b = quad.color.b;
        vertex.a = quad.color.a;
    }
}

void SpriteBatch::flush()
{
    if (vertices_.empty()) {
        return;
    }
    const std::size_t quads = getQueuedCount();
    const GLint program = currentBinding(GL_CURRENT_PROGRAM);
    const GLint vertexArray = currentBinding(GL_VERTEX_ARRAY_BINDING);
    const GLint arrayBuffer = currentBinding(GL_ARRAY_BUFFER_BINDING);
    if (shader_.apply()) {
        glUniform1i(hasTextureLocation_, textureId_ != 0 ? 1 : 0);
        if (textureId_ != 0) {
            bindSpriteTexture(textureId_, lastTextureId_);
        }
        glBindVertexArray(vertexArray_);
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices_.size() * sizeof(Vertex)),
                     vertices_.data(), GL_STREAM_DRAW);
        reserveIndices(quads);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(quads * IndicesPerQuad), GL_UNSIGNED_INT, nullptr);
    }
    vertices_.clear();
    glBindVertexArray(static_cast<GLuint>(vertexArray));
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer));
    glUseProgram(static_cast<GLuint>(program));
}

} // namespace Orva::Graphics
