#pragma once

#include "core/Export.h"

namespace Orva::Graphics {

// STUB: a named layer of the viewport, reduced to its re-sort. The renderer issue replaces
// it (sprite list, frame shaders, drawing).
class ORVA_API Layer
{
public:
    // Re-sorts the layer's sprites; the stub has none and only counts the calls.
    void sort() noexcept { ++sortCount_; }
    unsigned getSortCount() const noexcept { return sortCount_; }

private:
    unsigned sortCount_ = 0;
};

} // namespace Orva::Graphics
