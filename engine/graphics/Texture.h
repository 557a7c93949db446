#pragma once

#include <string>
#include <utility>

#include "core/Export.h"
#include "core/MemoryPoolManager.h"

namespace Orva::Graphics {

// STUB: a texture reduced to its OpenGL name and its path, which layers order sprites by and
// frame shaders bind. The textures issue replaces it (size, frames, animations, atlases, use
// count, loading state).
class ORVA_API Texture
{
public:
    ORVA_POOLED_OPERATORS(Texture)

    Texture() = default;
    Texture(unsigned id, std::string path) : id_(id), path_(std::move(path)) {}

    unsigned& getId() noexcept { return id_; }
    const std::string& getPath() const noexcept { return path_; }

private:
    unsigned id_ = 0;
    std::string path_;
};

} // namespace Orva::Graphics
