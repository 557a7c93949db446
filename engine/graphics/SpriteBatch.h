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

class Texture;

// What a sprite sends the default object shader for one unit quad besides its texture:
// "MVP", "numFrames", "startUV", "sizeUV", "flipX", "flipY", "currFrame" and "inColor".
struct ORVA_API SpriteDrawValues
{
    // The owner's world matrix scaled by the sprite's size.
    Math::Matrix44<float> mvp;
    Math::Vector2D<float> numFrames{1.0f, 1.0f};
    Math::Vector2D<float> startUV{0.0f, 0.0f};
    Math::Vector2D<float> sizeUV{1.0f, 1.0f};
    // (frame column, row).
    Math::Vector2D<float> currFrame{0.0f, 0.0f};
    bool flipX = false;
    bool flipY = false;
    Color color;
};

// Sends the values to the default object shader, which is current, for drawing the unit quad
// once: the texture's values only when it is textured (its texture bound on unit 0), else
// "hasTexture" 0 alone.
ORVA_API void sendDrawValues(const ObjectShader& shader, const SpriteDrawValues& values, bool textured);

// Draws runs of sprite quads the way the default object shader draws them one by one, the
// same pixels in the same order, with one buffer upload and one draw call per run of quads
// that share a texture and blending (per QuadsPerDraw of them in a long run). The vertices are
// placed and given their UVs here; its own program only samples and tints. Needs the
// renderer's context.
class ORVA_API SpriteBatch
{
public:
    ORVA_POOLED_OPERATORS(SpriteBatch)

    // Builds the program and the buffers.
    SpriteBatch();
    ~SpriteBatch();

    SpriteBatch(const SpriteBatch&) = delete;
    SpriteBatch& operator=(const SpriteBatch&) = delete;

    // False when its program did not build; nothing should be added then.
    bool isReady() const noexcept { return shader_.isReady(); }

    // The "projMtx" of the quads added from now on.
    void setProjection(const Math::Matrix44<float>& projectionView) noexcept { projection_ = projectionView; }
    // Queues a sprite's quad behind the others: textured by a loaded texture, else (null)
    // untextured. With coverage the texture is a glyph sheet whose red channel is the tint's
    // alpha, as the font shader draws it. Quads blend as the renderer binds it, by their alpha,
    // or additively as an emitter may ask. A quad whose GL texture, sampling or blending differs
    // from the queued ones' draws those first; a full draw's worth of quads is drawn and handed
    // to the driver.
    void add(const SpriteDrawValues& values, const Texture* texture, bool coverage = false,
             bool additive = false);
    // Draws the queued quads, into the first draw buffer only. The program, vertex array,
    // array buffer and draw buffers that were bound are bound again; the run's texture is
    // applied as a sprite applies it (Texture::apply): it stays bound on unit 0, recorded as
    // the last one.
    void flush();

    std::size_t getQueuedCount() const noexcept { return vertices_.size() / CornersPerQuad; }

private:
    static constexpr std::size_t CornersPerQuad = 4;
    // Quads drawn by one draw call at most; their 16-bit indices are made once.
    static constexpr std::size_t QuadsPerDraw = 2048;

    struct Vertex
    {
        float x, y, z, w;
        float u, v;
        float r, g, b, a;
    };
    // The vertex buffer's storage: four regions of one full draw's corners each, filled in
    // turn; a region is waited for three regions' worth of draws after it was left.
    static constexpr std::size_t RegionBytes = QuadsPerDraw * CornersPerQuad * sizeof(Vertex);
    static constexpr std::size_t Regions = 4;

    // Copies the queued corners behind those already written to the vertex buffer, which is
    // bound, and points the attributes at them. Where they go, no draw still to run reads.
    void streamVertices();
    // Marks where the current region's draws end and goes on to the next region once the
    // draws that read it last are done.
    void nextRegion();
    // Fresh storage for the vertex buffer: nothing written before is read from it again.
    void renewStorage();
    // Lists only the first draw buffer of the bound framebuffer when it lists more, keeping
    // them all in drawBuffers_ to list again after the draw; true when it did.
    bool drawToFirstBufferOnly();

    ObjectShader shader_;
    int hasTextureLocation_ = -1;
    int coverageLocation_ = -1;
    Math::Matrix44<float> projection_;
    // The queued quads' corners and the GL texture they share (through any of its Texture
    // objects: atlas rectangles share their atlas's).
    std::vector<Vertex> vertices_;
    const Texture* texture_ = nullptr;
    bool coverage_ = false;
    bool additive_ = false;
    // GL names: the batch's own vertex array holds the attribute layout and the index buffer.
    unsigned vertexArray_ = 0;
    unsigned vertexBuffer_ = 0;
    unsigned indexBuffer_ = 0;
    // Where the next corners go in the vertex buffer's storage, and the region that holds it.
    std::size_t streamed_ = 0;
    std::size_t region_ = 0;
    // GL sync objects, one per region that has been left since it was last waited for; not
    // made where the context lacks them, and then a wrap renews the storage.
    void* regionFences_[Regions] = {};
    bool fencing_ = false;
    std::vector<unsigned> drawBuffers_;
};

} // namespace Orva::Graphics
