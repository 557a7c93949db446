#pragma once

#include "core/Export.h"
#include "core/MemoryPoolManager.h"

namespace Orva::Graphics {

// A small static mesh on the GPU: vertex, UV and 16-bit index buffers, drawn with attribute
// 0 (positions) and 1 (UVs). The renderer shares one unit quad and one unit line with
// everybody. Needs the renderer's context.
class ORVA_API Drawable
{
public:
    ORVA_POOLED_OPERATORS(Drawable)

    struct Vertex
    {
        float x;
        float y;
        float z;
    };

    struct UV
    {
        float u;
        float v;
    };

    Drawable(const Vertex* vertices, unsigned vertexCount, const UV* uvs, unsigned uvCount,
             const unsigned short* indices, unsigned indexCount);
    // Deletes the index, UV and vertex buffers.
    ~Drawable();

    Drawable(const Drawable&) = delete;
    // Copies the buffer names: both then draw the same buffers, which go with the first of
    // the two to be destroyed.
    Drawable& operator=(const Drawable&) = default;

    // Draws every index with the given primitive mode (5 is a triangle strip).
    void draw(unsigned mode) const;

    unsigned getIndexCount() const noexcept { return indexCount_; }

private:
    unsigned vertexBuffer_ = 0;
    unsigned uvBuffer_ = 0;
    unsigned indexBuffer_ = 0;
    unsigned indexCount_ = 0;
};

} // namespace Orva::Graphics
