#include "graphics/SpriteBatch.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "graphics/EngineShaders.h"
#include "graphics/Texture.h"

namespace Orva::Graphics {

namespace {

// The unit quad's corners and UVs in the order of its vertices.
struct Corner
{
    float x, y, u, v;
};
constexpr Corner UnitQuadCorners[] = {{-0.5f, 0.5f, 0.0f, 0.0f},
                                      {-0.5f, -0.5f, 0.0f, 1.0f},
                                      {0.5f, -0.5f, 1.0f, 1.0f},
                                      {0.5f, 0.5f, 1.0f, 0.0f}};
// The two triangles the unit quad's strip covers, (0, 1, 3) and (3, 1, 2).
constexpr std::uint16_t QuadIndices[] = {0, 1, 3, 3, 1, 2};
constexpr std::size_t IndicesPerQuad = std::size(QuadIndices);

// Whether quads of the two textures sample the same GL texture, or are both untextured.
bool sameImage(const Texture* a, const Texture* b) noexcept
{
    return a == b || (a != nullptr && b != nullptr && a->getId() == b->getId());
}

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

void sendDrawValues(const ObjectShader& shader, const SpriteDrawValues& values, bool textured)
{
    shader.setUniformMatrix4f("MVP", values.mvp);
    if (textured) {
        shader.setUniform1i("textureSampler", 0);
        shader.setUniform1i("hasTexture", 1);
        shader.setUniform2f("numFrames", values.numFrames);
        shader.setUniform2f("startUV", values.startUV);
        shader.setUniform2f("sizeUV", values.sizeUV);
        shader.setUniform1i("flipX", values.flipX ? 1 : 0);
        shader.setUniform1i("flipY", values.flipY ? 1 : 0);
    } else {
        shader.setUniform1i("hasTexture", 0);
    }
    shader.setUniform2f("currFrame", values.currFrame);
    shader.setUniformColor("inColor", values.color);
}

SpriteBatch::SpriteBatch()
{
    // "textureSampler" keeps its initial unit, 0.
    shader_.evaluate(ShaderSources::BatchObjectVertex, ShaderSources::BatchObjectFragment);
    hasTextureLocation_ = shader_.getUniformLocation("hasTexture");
    coverageLocation_ = shader_.getUniformLocation("coverage");
    drawBuffers_.resize(static_cast<std::size_t>(std::max(currentBinding(GL_MAX_DRAW_BUFFERS), 1)));

    const GLint vertexArray = currentBinding(GL_VERTEX_ARRAY_BINDING);
    const GLint arrayBuffer = currentBinding(GL_ARRAY_BUFFER_BINDING);
    glGenVertexArrays(1, &vertexArray_);
    glGenBuffers(1, &vertexBuffer_);
    glGenBuffers(1, &indexBuffer_);
    glBindVertexArray(vertexArray_);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    fencing_ = GLEW_VERSION_3_2 || GLEW_ARB_sync;
    renewStorage();
    static_assert(QuadsPerDraw * CornersPerQuad <= 65536, "corners are numbered in 16 bits");
    std::vector<std::uint16_t> indices;
    indices.reserve(QuadsPerDraw * IndicesPerQuad);
    for (std::size_t quad = 0; quad < QuadsPerDraw; ++quad) {
        for (const std::uint16_t corner : QuadIndices) {
            indices.push_back(static_cast<std::uint16_t>(quad * CornersPerQuad + corner));
        }
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint16_t)),
                 indices.data(), GL_STATIC_DRAW);
    glBindVertexArray(static_cast<GLuint>(vertexArray));
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer));
    vertices_.reserve(QuadsPerDraw * CornersPerQuad);
}

SpriteBatch::~SpriteBatch()
{
    for (void* fence : regionFences_) {
        if (fence != nullptr) {
            glDeleteSync(static_cast<GLsync>(fence));
        }
    }
    glDeleteBuffers(1, &indexBuffer_);
    glDeleteBuffers(1, &vertexBuffer_);
    glDeleteVertexArrays(1, &vertexArray_);
}

// Refilling storage that an earlier draw reads makes the driver finish that draw first, and
// fresh storage costs an allocation: regions are reused once their draws are done.
void SpriteBatch::streamVertices()
{
    const std::size_t bytes = vertices_.size() * sizeof(Vertex);
    if (streamed_ + bytes > (region_ + 1) * RegionBytes) {
        nextRegion();
    }
    const auto offset = static_cast<GLintptr>(streamed_);
    void* target =
        glMapBufferRange(GL_ARRAY_BUFFER, offset, static_cast<GLsizeiptr>(bytes),
                         GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
    if (target != nullptr) {
        std::memcpy(target, vertices_.data(), bytes);
        glUnmapBuffer(GL_ARRAY_BUFFER);
    } else {
        glBufferSubData(GL_ARRAY_BUFFER, offset, static_cast<GLsizeiptr>(bytes), vertices_.data());
    }
    constexpr auto stride = static_cast<GLsizei>(sizeof(Vertex));
    setAttribute(0, 4, streamed_ + offsetof(Vertex, x), stride);
    setAttribute(1, 2, streamed_ + offsetof(Vertex, u), stride);
    setAttribute(2, 4, streamed_ + offsetof(Vertex, r), stride);
    streamed_ += bytes;
}

// The draws that read the next region were issued at least Regions - 1 regions' worth of
// draws ago, so the wait is seldom felt. Without sync objects a region is unread only until
// the storage wraps round; a wait that gives up after a second also renews it.
void SpriteBatch::nextRegion()
{
    if (fencing_) {
        regionFences_[region_] = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    }
    region_ = (region_ + 1) % Regions;
    streamed_ = region_ * RegionBytes;
    bool reusable = fencing_ || region_ != 0;
    if (auto fence = static_cast<GLsync>(regionFences_[region_])) {
        constexpr GLuint64 WaitLimitNs = 1'000'000'000;
        const GLenum waited = glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, WaitLimitNs);
        reusable = waited == GL_ALREADY_SIGNALED || waited == GL_CONDITION_SATISFIED;
        glDeleteSync(fence);
        regionFences_[region_] = nullptr;
    }
    if (!reusable) {
        renewStorage();
    }
}

void SpriteBatch::renewStorage()
{
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(Regions * RegionBytes), nullptr, GL_STREAM_DRAW);
    for (void*& fence : regionFences_) {
        if (fence != nullptr) {
            glDeleteSync(static_cast<GLsync>(fence));
            fence = nullptr;
        }
    }
}

// The program writes colour 0 only, so the other draw buffers keep their contents whether
// listed or not; a software rasteriser still spends time on each listed one per fragment.
bool SpriteBatch::drawToFirstBufferOnly()
{
    if (drawBuffers_.size() < 2 || currentBinding(GL_DRAW_BUFFER1) == GL_NONE) {
        return false;
    }
    for (std::size_t index = 0; index < drawBuffers_.size(); ++index) {
        drawBuffers_[index] =
            static_cast<GLenum>(currentBinding(GL_DRAW_BUFFER0 + static_cast<GLenum>(index)));
    }
    glDrawBuffers(1, drawBuffers_.data());
    return true;
}

// Reproduces the default object shader per corner: the position is (projMtx × MVP) × corner,
// the product formed first as the shader forms it, and the UV is the frame's cell of the
// atlas rectangle, mirrored by the flips.
void SpriteBatch::add(const SpriteDrawValues& values, const Texture* texture, bool coverage, bool additive)
{
    if (!vertices_.empty() &&
        (!sameImage(texture, texture_) || coverage != coverage_ || additive != additive_)) {
        flush();
    }
    texture_ = texture;
    coverage_ = coverage;
    additive_ = additive;

    // Only the columns that meet the corners' x, y and w = 1 are needed; z is 0.
    constexpr int Columns[] = {0, 1, 3};
    float placed[4][3];
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += projection_.m[row][k] * values.mvp.m[k][Columns[column]];
            }
            placed[row][column] = sum;
        }
    }
    const Math::Vector2D<float> oneImage(values.sizeUV.x / values.numFrames.x,
                                         values.sizeUV.y / values.numFrames.y);
    const Math::Vector2D<float> cell(values.startUV.x + values.currFrame.x * oneImage.x,
                                     values.startUV.y + values.currFrame.y * oneImage.y);
    for (const Corner& corner : UnitQuadCorners) {
        Vertex& vertex = vertices_.emplace_back();
        float* position[4] = {&vertex.x, &vertex.y, &vertex.z, &vertex.w};
        for (int row = 0; row < 4; ++row) {
            *position[row] = placed[row][0] * corner.x + placed[row][1] * corner.y + placed[row][2];
        }
        vertex.u = cell.x + (values.flipX ? 1.0f - corner.u : corner.u) * oneImage.x;
        vertex.v = cell.y + (values.flipY ? 1.0f - corner.v : corner.v) * oneImage.y;
        vertex.r = values.color.r;
        vertex.g = values.color.g;
        vertex.b = values.color.b;
        vertex.a = values.color.a;
    }
    // A full draw goes to the driver at once: a software rasteriser then fills pixels on its
    // threads while the next quads are set up here.
    if (getQueuedCount() == QuadsPerDraw) {
        flush();
        glFlush();
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
        const bool textured = texture_ != nullptr && texture_->apply(0);
        glUniform1i(hasTextureLocation_, textured ? 1 : 0);
        glUniform1i(coverageLocation_, textured && coverage_ ? 1 : 0);
        glBindVertexArray(vertexArray_);
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
        streamVertices();
        const bool narrowed = drawToFirstBufferOnly();
        if (additive_) {
            glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        }
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(quads * IndicesPerQuad), GL_UNSIGNED_SHORT,
                       nullptr);
        if (additive_) {
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        }
        if (narrowed) {
            glDrawBuffers(static_cast<GLsizei>(drawBuffers_.size()), drawBuffers_.data());
        }
    }
    vertices_.clear();
    glBindVertexArray(static_cast<GLuint>(vertexArray));
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer));
    glUseProgram(static_cast<GLuint>(program));
}

} // namespace Orva::Graphics
