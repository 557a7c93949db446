#pragma once

#include <cstddef>
#include <vector>

#include "core/Export.h"
#include "core/Matrix44.h"
#include "core/MemoryPoolManager.h"
#include "core/Vector.h"
#include "graphics/Color.h"
#include "graphics/ObjectShader.h"

namespace Orva::Graphics {

// What a sprite hands the default object shader for one unit quad: "MVP", the texture on
// unit 0 (GL name 0 for none, which is "hasTexture" 0 and leaves the UV values unused),
// "numFrames", "startUV", "sizeUV", "flipX", "flipY", "currFrame" and "inColor".
struct SpriteQuad
{
    Math::Matrix44<float> mvp;
    unsigned textureId = 0;
    Math::Vector2D<float> numFrames{1.0f, 1.0f};
    Math::Vector2D<float> startUV{0.0f, 0.0f};
    Math::Vector2D<float> sizeUV{1.0f, 1.0f};
    Math::Vector2D<float> currFrame{0.0f, 0.0f};
    bool flipX = false;
    bool flipY = false;
    Color color;
};

// Sends the quad's values to the default object shader, which is current with its texture
// bound, for drawing the unit quad once.
ORVA_API void sendQuadUniforms(const ObjectShader& shader, const SpriteQuad& quad);

// Binds the texture to unit 0 unless it is the one sprite drawing bound last, and records it
// there.
ORVA_API void bindSpriteTexture(unsigned textureId, unsigned& lastTextureId);

// Draws runs of sprite quads the way the default object shader draws them one by one, the
// same pixels in the same order, with one buffer upload and one draw call per run of quads
// that share a texture. The vertices are placed and given their UVs here; its own program
// only samples and tints. Needs the renderer's context.
class ORVA_API SpriteBatch
{
public:
    ORVA_POOLED_OPERATORS(SpriteBatch)

    // Builds the program and the buffers. Textures are bound as sprites bind them, through
    // the renderer's record of the last one.
    explicit SpriteBatch(unsigned& lastTextureId);
    ~SpriteBatch();

    SpriteBatch(const SpriteBatch&) = delete;
    SpriteBatch& operator=(const SpriteBatch&) = delete;

    // False when its program did not build; nothing should be added then.
    bool isReady() const noexcept { return shader_.isReady(); }

    // The "projMtx" of the quads added from now on.
    void setProjection(const Math::Matrix44<float>& projectionView) noexcept { projection_ = projectionView; }
    // Queues the quad behind the others; one with another texture than the queued ones
    // draws those first.
    void add(const SpriteQuad& quad);
    // Draws the queued quads. The program, vertex array and array buffer that were bound
    // are bound again; the run's texture stays bound on unit 0, recorded as the last one.
    void flush();

    std::size_t getQueuedCount() const noexcept { return vertices_.size() / CornersPerQuad; }

private:
    static constexpr std::size_t CornersPerQuad = 4;

    struct Vertex
    {
        float x, y, z, w;
        float u, v;
        float r, g, b, a;
    };

    // Makes the index buffer (bound in the batch's vertex array) hold `quads` quads.
    void reserveIndices(std::size_t quads);

    ObjectShader shader_;
    int hasTextureLocation_ = -1;
    unsigned& lastTextureId_;
    Math::Matrix44<float> projection_;
    // The queued quads' corners and the texture they share.
    std::vector<Vertex> vertices_;
    unsigned textureId_ = 0;
    // GL names: the batch's own vertex array holds the attribute layout and the index buffer.
    unsigned vertexArray_ = 0;
    unsigned vertexBuffer_ = 0;
    unsigned indexBuffer_ = 0;
    std::size_t indexedQuads_ = 0;
};

} // namespace Orva::Graphics
